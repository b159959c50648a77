// The settings file parser: the registry editor's export format in its three encodings.
// Whatever parses must serialize, and what it serializes to must parse to the same keys and
// values again, and serialize to the same bytes.
#include "platform/registrydocument.h"

#include <cstdlib>

using namespace ordovan::platform;

namespace {

// Texts are compared without trailing NULs: the hex(1) form that carries a text with NULs or
// line breaks ends in NULs, and reading it drops them, as the registry does.
QStringView withoutTrailingNuls(QStringView text)
{
    while (text.endsWith(QChar(0)))
        text.chop(1);
    return text;
}

bool sameValue(const RegistryValue &a, const RegistryValue &b)
{
    return a.name == b.name && a.kind == b.kind && a.number == b.number && a.raw == b.raw &&
           withoutTrailingNuls(a.text) == withoutTrailingNuls(b.text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const auto doc = RegistryDocument::parse(bytes);
    if (!doc)
        return 0;
    const QByteArray once = doc->serialize();
    const auto again = RegistryDocument::parse(once);
    if (!again)
        std::abort();
    for (const RegistryKey &key : doc->keys()) {
        if (!again->hasKey(key.path))
            std::abort();
        for (const RegistryValue &value : key.values) {
            const RegistryValue *read = again->find(key.path, value.name);
            if (!read || !sameValue(value, *read))
                std::abort();
        }
    }
    const QByteArray twice = again->serialize();
    const auto third = RegistryDocument::parse(twice);
    if (!third || third->serialize() != twice)
        std::abort();
    return 0;
}
