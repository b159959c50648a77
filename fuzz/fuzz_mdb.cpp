// The Access reader's parent side: what the child process sends through the pipe after
// running libmdb on the file. A damaged file can take libmdb anywhere, so these bytes are as
// untrusted as the file itself. The first byte chooses catalog or table and how the bytes
// are cut into the pieces the pipe delivers.
#include "formats/mdbmessages.h"
#include "formats/sheetbuffer.h"
#include "fuzzsupport.h"

using namespace ordovan;
using namespace ordovan::formats;

namespace {

template<typename Messages>
void feedInPieces(Messages &messages, const char *data, qint64 size, qint64 piece)
{
    for (qint64 at = 0; at < size; at += piece)
        messages.feed(data + at, std::min(piece, size - at));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const bool table = data[0] & 1;
    const qint64 piece = 1 + (data[0] >> 1);
    const char *bytes = reinterpret_cast<const char *>(data + 1);
    const qint64 length = qint64(size - 1);
    const QString path = QStringLiteral("fuzz.mdb");
    try {
        if (table) {
            SheetBuilder builder(fuzz::limits());
            TableMessages messages(path, builder);
            feedInPieces(messages, bytes, length, piece);
            if (messages.complete()) {
                auto rows = builder.finish();
                for (rows->first(); !rows->eof(); rows->next())
                    rows->text(0);
            }
        } else {
            CatalogMessages messages(path);
            feedInPieces(messages, bytes, length, piece);
            for (const QString &name : messages.names())
                (void)name.size();
        }
    } catch (const Error &) {
    }
    return 0;
}
