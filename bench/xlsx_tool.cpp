// Makes and reads the .xlsx of the workbook benchmark. bench/xlsx.sh times the read against
// xlsx2csv converting the same file to CSV.
//
// usage: xlsx_tool make PATH [ROWS] [COLUMNS]   a sheet "Zahlungen" of ROWS rows (title row
//                                               included) and COLUMNS fields: names, IBANs,
//                                               BICs, amounts, dates and purposes in turn
//        xlsx_tool read PATH                    readWorkbookSource into the source grid
#include "app/context.h"
#include "app/operations.h"
#include "formats/tabular.h"
#include "platform/clock.h"
#include "platform/desktop.h"
#include "platform/dialogs.h"
#include "platform/settingsstore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <xlsxwriter.h>

#include <cstdio>
#include <string>

using namespace ordovan;

namespace {

int make(const QString &path, int rows, int columns)
{
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE; // row by row, as large workbooks are written
    const QByteArray file = QFile::encodeName(path);
    lxw_workbook *book = workbook_new_opt(file.constData(), &options);
    lxw_format *date = workbook_add_format(book);
    format_set_num_format_index(date, 14);
    lxw_worksheet *sheet = workbook_add_worksheet(book, "Zahlungen");
    for (int c = 0; c < columns; ++c)
        worksheet_write_string(sheet, 0, lxw_col_t(c), ("Feld " + std::to_string(c + 1)).c_str(),
                               nullptr);
    for (int r = 1; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            const lxw_row_t row = lxw_row_t(r);
            const lxw_col_t col = lxw_col_t(c);
            switch (c % 6) {
            case 0:
                worksheet_write_string(sheet, row, col,
                                       ("Kunde Nummer " + std::to_string(r)).c_str(), nullptr);
                break;
            case 1:
                worksheet_write_string(sheet, row, col, "DE89370400440532013000", nullptr);
                break;
            case 2:
                worksheet_write_string(sheet, row, col, "COBADEFFXXX", nullptr);
                break;
            case 3:
                worksheet_write_number(sheet, row, col, (r % 100000) / 100.0 + 0.07, nullptr);
                break;
            case 4: {
                lxw_datetime d{2022, 1 + r % 12, 1 + r % 28, 0, 0, 0};
                worksheet_write_datetime(sheet, row, col, &d, date);
                break;
            }
            default:
                worksheet_write_string(sheet, row, col,
                                       ("Rechnung " + std::to_string(r * 7 + c)).c_str(), nullptr);
            }
        }
    }
    return workbook_close(book) == LXW_NO_ERROR ? 0 : 1;
}

int read(const QString &path)
{
    QTemporaryDir dir;
    platform::SettingsStore settings(dir.filePath(QStringLiteral("Ordovan.reg")));
    platform::UnattendedDialogs dialogs;
    platform::UnattendedDesktop desktop;
    platform::SystemClock clock;
    formats::FileTabularProvider tabular;
    app::Services services{&dialogs, &desktop, &clock, &tabular, nullptr, true};
    app::Context ctx(dir.path() + u'/', settings, services);
    ctx.state.main.EQuelldatei = path;
    QElapsedTimer timer;
    timer.start();
    app::readWorkbookSource(ctx);
    std::fprintf(stderr, "read %lld ms: %d records of %d fields, status %d\n",
                 static_cast<long long>(timer.elapsed()), ctx.state.source.SGDatei.columnCount(),
                 ctx.state.source.SGDatei.rowCount(), int(ctx.state.run.runStatus));
    return int(ctx.state.run.runStatus);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() >= 3 && args[1] == u"make")
        return make(args[2], args.value(3, QStringLiteral("100001")).toInt(),
                    args.value(4, QStringLiteral("20")).toInt());
    if (args.size() >= 3 && args[1] == u"read")
        return read(args[2]);
    std::fprintf(stderr, "usage: xlsx_tool make PATH [ROWS] [COLUMNS] | read PATH\n");
    return 64;
}
