#include "tabular.h"

#include "error.h"

namespace ordovan::platform {

std::unique_ptr<TabularConnection> UnavailableTabularProvider::connect(const QString &path,
                                                                       TabularKind)
{
    throw Error(QStringLiteral("Für \"%1\" ist kein Leseprogramm verfügbar.").arg(path));
}

} // namespace ordovan::platform
