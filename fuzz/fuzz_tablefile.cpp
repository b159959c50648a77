// The table file reader (db*.xml, mandant.xml): the XML data packet, its field list, the
// rows and the change log. A file that reads is then worked on as the program does: in
// index order, filtered, every value shown, and written again.
#include "fuzzsupport.h"
#include "store/table.h"
#include "store/tablefile.h"

using namespace ordovan;
using namespace ordovan::store;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = fuzz::writeInput(data, size);
    Table table(QStringLiteral("fuzz"));
    try {
        readTableFile(table, path);
    } catch (const Error &) {
        return 0;
    }
    try {
        for (int f = 0; f < table.storedFieldCount(); ++f) {
            table.setIndexField(table.fieldDef(f).name);
            for (table.first(); !table.eof(); table.next()) {
                for (int g = 0; g < table.fieldCount(); ++g)
                    table.text(g);
            }
        }
        if (table.storedFieldCount() > 0) {
            table.setFilter(table.fieldDef(0).name + QStringLiteral(" > 0"));
            table.setFiltered(true);
            for (table.first(); !table.eof(); table.next())
                table.text(0);
        }
    } catch (const Error &) {
    }
    try {
        writeTableFile(table, path + QStringLiteral(".out"));
    } catch (const Error &) {
    }
    return 0;
}
