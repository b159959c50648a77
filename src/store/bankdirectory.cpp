#include "bankdirectory.h"

#include "schema.h"
#include "table.h"

#include <cstddef>
#include <string_view>

namespace ordovan::store {

extern const char kBankDirectoryData[];
extern const std::size_t kBankDirectorySize;

namespace {

template<typename F>
void forEachRow(F &&f)
{
    const std::string_view data(kBankDirectoryData, kBankDirectorySize);
    size_t pos = 0;
    while (pos < data.size()) {
        size_t end = data.find('\n', pos);
        if (end == std::string_view::npos)
            end = data.size();
        const std::string_view line = data.substr(pos, end - pos);
        const size_t tab = line.find('\t');
        if (tab != std::string_view::npos)
            f(line.substr(0, tab), line.substr(tab + 1));
        pos = end + 1;
    }
}

} // namespace

int builtInBankDirectoryRows()
{
    int n = 0;
    forEachRow([&n](std::string_view, std::string_view) { ++n; });
    return n;
}

void fillBuiltInBankDirectory(Table &table)
{
    std::vector<RowVersion> rows;
    std::vector<quint32> log;
    rows.reserve(20000);
    log.reserve(60000);
    forEachRow([&](std::string_view code, std::string_view name) {
        rows.emplace_back(quint8(RowInserted), std::vector<std::string_view>{code, name});
        log.push_back(quint32(rows.size()));
        log.push_back(0);
        log.push_back(RowInserted);
    });
    table.load(bankDirectoryFields(), std::move(rows), std::move(log));
}

} // namespace ordovan::store
