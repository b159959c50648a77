#include "state.h"

#include "sepa/calendar.h"

#include <QDir>

namespace ordovan::app {

QString paymentTypeCaption(int choice)
{
    switch (choice) {
    case LastschriftCore:
        return QStringLiteral("Lastschrift CORE");
    case LastschriftCor1:
        return QStringLiteral("Lastschrift COR1");
    case LastschriftB2b:
        return QStringLiteral("Lastschrift B2B");
    case Gutschrift:
        return QStringLiteral("Gutschrift");
    default:
        return {};
    }
}

QString defaultBackupFolder()
{
    return QDir::homePath();
}

QDate ExecutionDateChoice::resolve(const QDate &today) const
{
    if (date.isValid())
        return date;
    return sepa::addBusinessDays(today, businessDaysAhead);
}

sepa::Generation MainState::sepaGeneration(const QDate &today) const
{
    if (commandLine.SEPAFormatOverride)
        return *commandLine.SEPAFormatOverride;
    if (main.SEPAFormat)
        return *main.SEPAFormat;
    // German banks take only the 2019 messages from 14 November 2026 on.
    return today >= QDate(2026, 11, 14) ? sepa::Generation::V2019 : sepa::Generation::V2009;
}

QString MappingGrid::cell(int col, int row) const
{
    if (col < 0 || col > 2 || row < 0 || row >= rows.size())
        return {};
    return rows[row][col];
}

void MappingGrid::setCell(int col, int row, const QString &text)
{
    if (col < 0 || col > 2 || row < 0)
        return;
    if (row >= rows.size())
        rows.resize(row + 1);
    rows[row][col] = text;
}

} // namespace ordovan::app
