// Reads a delimited source into the source grid and imports it into ClientDataSetAZV, the way
// the batch run does (reader, mapping preview, record import), on a throw-away data folder.
// bench/import.sh times it against Python's csv module parsing the same file.
//
// usage: import_tool SOURCE [--save] [--read-only]
//   --save also writes SOURCE.db5.xml, to check the result; --read-only stops after reading.
#include "app/context.h"
#include "app/operations.h"
#include "formats/tabular.h"
#include "platform/clock.h"
#include "platform/desktop.h"
#include "platform/dialogs.h"
#include "platform/settingsstore.h"
#include "store/schema.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

using namespace ordovan;

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: import_tool SOURCE [--save]\n");
        return 64;
    }
    QTemporaryDir dir;
    platform::SettingsStore settings(dir.filePath(QStringLiteral("Ordovan.reg")));
    platform::UnattendedDialogs dialogs;
    platform::UnattendedDesktop desktop;
    platform::SystemClock clock;
    formats::UnavailableTabularProvider tabular;
    app::Services services{&dialogs, &desktop, &clock, &tabular, nullptr, true};
    app::Context ctx(dir.path() + u'/', settings, services);
    ctx.data.ClientDataSet1.createEmpty(store::domesticPaymentFields());
    ctx.data.ClientDataSetAZV.createEmpty(store::sepaPaymentFields());

    // The layout of bench/gen_import_csv.py.
    app::MainState &s = ctx.state;
    s.main.EQuelldatei = args[1];
    s.source.separator = app::Separator::Semicolon;
    s.source.qualifier = app::Qualifier::Double;
    s.source.CBTitelzeile = true;
    s.source.RGBetrag = app::AmountNotation::Decimal;
    s.main.CB8Verw = false;
    app::ColumnMapping &m = s.source.mapping;
    m.NameX = 0;
    m.NameX2 = 1;
    m.StrasseX = 2;
    m.OrtLandX = 3;
    m.Name2X = 4;
    m.NotitzInternX = 5;
    m.AnsprechpartnerX = 6;
    m.IBANx = 7;
    m.BICx = 8;
    m.LaendercodeX = 9;
    m.WaehrungX = 10;
    m.DatumX = 11;
    for (int i = 0; i < 4; ++i)
        m.Verw[i] = 12 + i;
    m.Betrag = 16;
    m.Kto1 = 17;
    m.Blz1 = 18;

    QElapsedTimer timer;
    timer.start();
    app::setNewRecordsFilters(ctx);
    app::readSource(ctx, true);
    const qint64 read = timer.elapsed();
    if (args.contains(QStringLiteral("--read-only")))
        return int(s.run.runStatus);
    app::showMappingPreview(ctx);
    app::importRecords(ctx);
    const qint64 total = timer.elapsed();
    std::fprintf(stderr, "read %lld ms, import %lld ms, %d records, status %d\n",
                 static_cast<long long>(read), static_cast<long long>(total - read),
                 ctx.data.ClientDataSetAZV.recordCount(), int(s.run.runStatus));
    if (args.contains(QStringLiteral("--save")))
        ctx.data.saveTable(ctx.data.ClientDataSetAZV, args[1] + QStringLiteral(".db5.xml"));
    // What is timed is reading and importing, not handing the memory back piece by piece:
    // the process ends here, as Python's interpreter leaves its objects to the system.
    std::fflush(stderr);
    std::_Exit(s.run.runStatus == app::RunStatus::Ok ? 0 : 1);
}
