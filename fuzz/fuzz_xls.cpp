// The .xls reader: the compound document and the BIFF records. An input that is no compound
// document is taken as a workbook stream itself, so the records are reached directly.
#include "formats/sheetbuffer.h"
#include "formats/xlsbytes.h"
#include "formats/xlscells.h"
#include "formats/xlscompound.h"
#include "fuzzsupport.h"

using namespace ordovan;
using namespace ordovan::formats;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView input(reinterpret_cast<const char *>(data), qsizetype(size));
    const TabularLimits limits = fuzz::limits();
    try {
        QByteArray stream = input.toByteArray();
        if (CompoundFile::hasSignature(input)) {
            CompoundFile compound(input);
            compound.streamNames();
            auto found =
                compound.stream({QStringLiteral("Workbook"), QStringLiteral("Book")}, size);
            if (!found)
                return 0;
            stream = *found;
        }
        const xls_cells::Workbook book = xls_cells::readWorkbook(stream);
        const std::vector<QString> strings = xls_cells::readSharedStrings(stream, book, limits);
        for (int i = 0; i < book.worksheetNames().size(); ++i) {
            try {
                SheetBuilder builder(limits);
                xls_cells::readSheet(stream, book, strings, i, builder, limits);
                auto rows = builder.finish();
                for (rows->first(); !rows->eof(); rows->next())
                    rows->text(0);
            } catch (const xls_bytes::XlsBroken &) {
            }
        }
    } catch (const xls_bytes::XlsBroken &) {
    } catch (const xls_bytes::XlsEncrypted &) {
    } catch (const Error &) {
    }
    return 0;
}
