// Placeholder until the table file reader and writer land.
#include "tablefile.h"

#include "platform/error.h"

namespace ordovan::store {

void readTableFile(Table &, const QString &path)
{
    throw Error(QStringLiteral("Tabellendatei %1 kann noch nicht gelesen werden").arg(path));
}

void writeTableFile(const Table &, const QString &path)
{
    throw Error(QStringLiteral("Tabellendatei %1 kann noch nicht geschrieben werden").arg(path));
}

} // namespace ordovan::store
