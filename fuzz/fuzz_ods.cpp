// The .ods reader: a zip archive with content.xml, opened through libzip from a file.
#include "formats/tabularreaders.h"
#include "formats/zipreader.h"
#include "fuzzsupport.h"

using namespace ordovan;
using namespace ordovan::formats;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = fuzz::writeInput(data, size);
    try {
        auto connection = openOdsWorkbook(std::make_shared<ZipArchive>(path), fuzz::limits());
        fuzz::readEverything(*connection);
    } catch (const Error &) {
    }
    return 0;
}
