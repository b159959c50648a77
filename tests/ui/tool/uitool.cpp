// Helper of the screenshot script (scripts/window-screenshots.sh). It works on the data folder
// and settings file the program itself would use ($XDG_DATA_HOME, $XDG_CONFIG_HOME):
//
//   ordovan_uitool mandant                  working tables with one Mandant, selected
//   ordovan_uitool configure SOURCE TARGET  that Mandant's source, target and mapping, as
//                                           a user would have set them up
//   ordovan_uitool screenshots FOLDER       every tab and window as PNG files
#include "app/context.h"
#include "app/operations.h"
#include "formats/tabular.h"
#include "platform/clock.h"
#include "platform/desktop.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/settingsstore.h"
#include "reports/coversheet.h"
#include "store/datamodule.h"
#include "support/scripteddesktop.h"
#include "support/scripteddialogs.h"
#include "ui/infowindows.h"
#include "ui/mainwindow.h"
#include "ui/qtdialogs.h"
#include "ui/qtprintservice.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLibraryInfo>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QScreen>
#include <QTabWidget>
#include <QTranslator>

#include <cstdio>

using namespace ordovan;

namespace {

void settle(int ms = 150)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

int createMandant()
{
    platform::ensureDirectory(platform::dataDirectory());
    store::DataModule data(platform::dataDirectory());
    data.createEmptyWorkingTables();
    store::Table &m = data.ClientDataSet3;
    m.insert();
    m.setValue(u"ID", 1);
    m.setValue(u"Name", QStringLiteral("Müller Getränke GmbH"));
    m.setValue(u"Straße", QStringLiteral("Hauptstraße 5"));
    m.setValue(u"Ort", QStringLiteral("Köln"));
    m.setValue(u"Kontonummer1", QStringLiteral("532013000"));
    m.setValue(u"BLZ1", 37040044);
    m.setValue(u"IBAN1", QStringLiteral("DE89370400440532013000"));
    m.setValue(u"BIC1", QStringLiteral("COBADEFFXXX"));
    m.setValue(u"GlID", QStringLiteral("DE98ZZZ09999999999"));
    m.setValue(u"Aktives Konto", 1);
    m.post();
    data.saveTable(m);
    platform::SettingsStore settings(platform::settingsFilePath());
    platform::SettingsStore::Batch batch(settings);
    settings.writeInteger(u"", u"LastMandantID", 1);
    settings.writeInteger(u"", u"Mandant", 1);
    batch.commit();
    return 0;
}

// Name, IBAN, BIC, amount, purpose, mandate reference: fields 0 to 5 of a ";" source with
// quotes and a title line.
int configure(const QString &source, const QString &target)
{
    platform::SettingsStore settings(platform::settingsFilePath());
    platform::SettingsStore::Batch batch(settings);
    const QString key = QStringLiteral("1");
    settings.writeString(key, u"Quelldatei", source);
    settings.writeString(key, u"Zieldatei", target);
    settings.writeString(key, u"Trennzeichen", QStringLiteral("Semikolon"));
    settings.writeString(key, u"Textkennzeichner", QStringLiteral("doppelt"));
    settings.writeInteger(key, u"Titelzeile", 1);
    settings.writeInteger(key, u"Betragformat", 0);
    settings.writeInteger(key, u"Zahlungsart", 0);
    const std::pair<const char16_t *, int> mapping[] = {{u"NameX", 0}, {u"IBANx", 1},
                                                        {u"BICx", 2},  {u"Betrag", 3},
                                                        {u"Verw1", 4}, {u"NotitzInternX", 5}};
    for (const auto &[name, index] : mapping)
        settings.writeInteger(key, name, index);
    batch.commit();
    return 0;
}

void save(QWidget *w, const QString &folder, const QString &name)
{
    settle();
    const QString path = folder + u'/' + name + QStringLiteral(".png");
    if (!w->grab().save(path))
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    else
        std::printf("%s\n", qPrintable(path));
}

int screenshots(const QString &folder)
{
    QDir().mkpath(folder);
    platform::SettingsStore settings(platform::settingsFilePath());
    platform::SystemClock clock;
    formats::FileTabularProvider tabular;
    test::ScriptedDialogs dialogs; // nothing may wait for an answer here
    test::ScriptedDesktop desktop;
    ui::QtDialogs qtDialogs;
    ui::QtPrintService printing(qtDialogs);
    app::Services services{.dialogs = &dialogs,
                           .desktop = &desktop,
                           .clock = &clock,
                           .tabular = &tabular,
                           .printing = &printing,
                           .unattended = false};
    app::Context ctx(platform::dataDirectory(), settings, services);
    app::prepareProgram(ctx);
    ui::MainWindow window(ctx);
    window.show();
    settle(400);

    const QStringList tabs = {QStringLiteral("1-hauptseite"), QStringLiteral("2-quelldatei"),
                              QStringLiteral("3-log"), QStringLiteral("4-buchungs-historie"),
                              QStringLiteral("5-sepa-historie")};
    auto allTabs = [&](const QString &suffix) {
        for (int i = 0; i < tabs.size(); ++i) {
            window.tabs()->setCurrentIndex(i);
            save(&window, folder, tabs[i] + suffix);
        }
        window.tabs()->setCurrentIndex(0);
    };
    allTabs(QStringLiteral("-700x600"));
    // Eight purpose lines.
    window.act([](app::Context &c) {
        c.state.main.CB8Verw = !c.state.main.CB8Verw;
        app::applyPurposeLineLayout(c);
    });
    save(&window, folder, QStringLiteral("1-hauptseite-8zeilen-700x600"));
    window.act([](app::Context &c) {
        c.state.main.CB8Verw = !c.state.main.CB8Verw;
        app::applyPurposeLineLayout(c);
    });

    // Maximised: without a window manager, the screen's size stands in for it.
    window.setGeometry(window.screen()->availableGeometry());
    allTabs(QStringLiteral("-maximiert"));
    window.resize(700, 600);

    ui::AboutWindow about(&window);
    about.show();
    save(&about, folder, QStringLiteral("6-info"));
    about.hide();
    ui::SurveyWindow survey(&desktop, &window);
    survey.show();
    save(&survey, folder, QStringLiteral("7-umfrage"));
    survey.hide();

    printing.setPreview([&](QPrinter *printer, const ui::QtPrintService::Painter &paint, bool) {
        QPrintPreviewDialog preview(printer, &window);
        QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                         [&paint](QPrinter *p) { paint(p); });
        preview.resize(800, 900);
        preview.show();
        save(&preview, folder, QStringLiteral("8-druckvorschau"));
        return false;
    });
    reports::CoverSheetValues values;
    values.filePath = ctx.state.main.EZieldatei;
    values.sender = ctx.state.main.LKontoinhaber;
    values.count = QStringLiteral("2");
    values.total = QStringLiteral("246,50");
    values.iban = ctx.state.main.LIBAN;
    values.bic = ctx.state.main.LBIC;
    values.today = clock.now().date();
    reports::printCoverSheetPages(printing, values, reports::Variant::DirectDebit);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    // Only the screenshots need a display.
    if (argc < 2 || qstrcmp(argv[1], "screenshots") != 0)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QApplication::setApplicationName(platform::kApplicationTitle);
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::German, QLocale::Germany), QStringLiteral("qtbase"),
                          QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);
    const QStringList args = QApplication::arguments();
    const QString command = args.value(1);
    if (command == u"mandant")
        return createMandant();
    if (command == u"configure" && args.size() == 4)
        return configure(args[2], args[3]);
    if (command == u"screenshots" && args.size() == 3)
        return screenshots(args[2]);
    std::fprintf(stderr, "usage: ordovan_uitool mandant | configure SOURCE TARGET | "
                         "screenshots FOLDER\n");
    return 64;
}
