// The delimited text reader: the first byte chooses separator and qualifier, the rest is the
// file's content.
#include "fuzzsupport.h"
#include "import/sourcegrid.h"
#include "import/textsource.h"

using namespace ordovan;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    import::DelimitedFormat format;
    format.separator = "\t;,"[data[0] % 3];
    format.qualifier = "\"'\0"[(data[0] / 3) % 3];
    import::SourceGrid grid;
    try {
        import::splitDelimited(
            QByteArrayView(reinterpret_cast<const char *>(data) + 1, qsizetype(size - 1)), format,
            grid);
    } catch (const std::bad_alloc &) {
    }
    return 0;
}
