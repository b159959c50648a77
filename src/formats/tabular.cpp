#include "tabular.h"

#include "base/error.h"

namespace ordovan::formats {

std::unique_ptr<TabularConnection> UnavailableTabularProvider::connect(const QString &path,
                                                                       TabularKind)
{
    throw Error(QStringLiteral("Für \"%1\" ist kein Leseprogramm verfügbar.").arg(path));
}

} // namespace ordovan::formats
