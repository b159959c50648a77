#include "app/commandline.h"
#include "app/operations.h"
#include "appfixture.h"
#include "base/error.h"
#include "store/bankdirectory.h"
#include "store/schema.h"
#include "store/tablefile.h"
#include "testutil.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace ordovan;

namespace {

const QStringList kWorkingFiles = {QStringLiteral("db1.xml"), QStringLiteral("db2.xml"),
                                   QStringLiteral("db5.xml"), QStringLiteral("db6.xml"),
                                   QStringLiteral("db7.xml"), QStringLiteral("mandant.xml")};

class StartupTest : public ::testing::Test, public test::AppFixture
{
protected:
    app::MainState &s = ctx->state;
    QString file(const QString &name) const { return dataDir() + name; }
    void start()
    {
        app::prepareProgram(*ctx);
        app::startUp(*ctx);
    }
};

} // namespace

TEST_F(StartupTest, FirstStartCreatesTheWorkingFilesAndTheBankDirectory)
{
    start();
    for (const QString &name : kWorkingFiles)
        EXPECT_TRUE(QFileInfo::exists(file(name))) << name.toStdString();
    EXPECT_TRUE(QFileInfo::exists(file(QStringLiteral("blz.xml"))));
    EXPECT_TRUE(s.run.FirstStart);
    EXPECT_TRUE(s.run.StartupDone);
    EXPECT_TRUE(s.main.Label9Visible) << "no Mandant yet";
    EXPECT_EQ(s.window.windowState, app::WindowState::Normal);
    EXPECT_EQ(s.window.height, 600);
    EXPECT_EQ(s.window.width, 700);
    EXPECT_EQ(s.main.DTPAusf, clock.now().addMSecs(0));
    EXPECT_EQ(ctx->data.ClientDataSetAZV.filter(), QStringLiteral("ID > -1"));
    EXPECT_TRUE(ctx->data.ClientDataSetAZV.filtered());
    EXPECT_EQ(ctx->data.ClientDataSet4.recordCount(), store::builtInBankDirectoryRows());
    EXPECT_EQ(settings->readInteger(u"", u"BreiteA"
                                         u"Kontonr."),
              90)
        << "the first start stores the column widths";
    // Each wide enough for what it holds.
    EXPECT_EQ(settings->readInteger(u"", u"BreiteEIBAN"), 170);
    EXPECT_EQ(settings->readInteger(u"", u"BreiteBGesamtzahl Sätze"), 125);
    EXPECT_TRUE(s.log.MLog.isEmpty());
}

TEST_F(StartupTest, ASecondStartReadsWhatTheFirstWrote)
{
    start();
    ctx->data.ClientDataSet3.insert();
    ctx->data.ClientDataSet3.setValue(u"Name", QStringLiteral("Müller GmbH"));
    ctx->data.ClientDataSet3.post();
    ctx->data.closeAll();
    const QByteArray blz = test::readFile(file(QStringLiteral("blz.xml")));

    AppFixture second;
    // Reuse the folders of the first run.
    second.ctx.reset();
    second.settings = std::make_unique<platform::SettingsStore>(settingsPath());
    app::Services services{&second.dialogs, &second.desktop, &second.clock,
                           &second.tabular, nullptr,         true};
    second.ctx = std::make_unique<app::Context>(dataDir(), *second.settings, services);
    app::prepareProgram(*second.ctx);
    app::startUp(*second.ctx);
    EXPECT_FALSE(second.ctx->state.run.FirstStart);
    EXPECT_EQ(second.ctx->data.ClientDataSet3.recordCount(), 1);
    EXPECT_EQ(second.ctx->data.ClientDataSet3.text(u"Name"), QStringLiteral("Müller GmbH"));
    second.ctx->data.closeAll();
    EXPECT_EQ(test::readFile(file(QStringLiteral("blz.xml"))), blz)
        << "an existing bank directory is read as it is and never rewritten";
}

TEST_F(StartupTest, AMissingTableFileStopsStartUpAndNothingIsCreated)
{
    QDir().mkpath(dataDir());
    start(); // a first start, to get a valid db7.xml
    ctx->data.closeAll();
    for (const QString &name : kWorkingFiles) {
        if (name != u"db7.xml")
            QFile::remove(file(name));
    }
    const QByteArray db7 = test::readFile(file(QStringLiteral("db7.xml")));

    AppFixture other;
    other.ctx.reset();
    other.settings = std::make_unique<platform::SettingsStore>(settingsPath());
    app::Services services{&other.dialogs, &other.desktop, &other.clock,
                           &other.tabular, nullptr,        true};
    other.ctx = std::make_unique<app::Context>(dataDir(), *other.settings, services);
    app::prepareProgram(*other.ctx);
    try {
        app::startUp(*other.ctx);
        FAIL() << "start-up must stop at the missing db1.xml";
    } catch (const Error &e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("db1.xml"))) << e.what();
    }
    EXPECT_FALSE(other.ctx->state.run.StartupDone);
    EXPECT_FALSE(other.ctx->state.run.FirstStart);
    other.ctx->data.closeAll();
    EXPECT_FALSE(QFileInfo::exists(file(QStringLiteral("db1.xml"))))
        << "a single missing file is not re-created";
    EXPECT_EQ(test::readFile(file(QStringLiteral("db7.xml"))), db7);
}

TEST_F(StartupTest, ABrokenTableFileIsReportedAndNeverOverwritten)
{
    start();
    ctx->data.closeAll();
    const QByteArray broken("<?xml version=\"1.0\" standalone=\"yes\"?>  <DATAPACKET Version=");
    test::writeFile(file(QStringLiteral("db5.xml")), broken);

    AppFixture other;
    other.ctx.reset();
    other.settings = std::make_unique<platform::SettingsStore>(settingsPath());
    app::Services services{&other.dialogs, &other.desktop, &other.clock,
                           &other.tabular, nullptr,        true};
    other.ctx = std::make_unique<app::Context>(dataDir(), *other.settings, services);
    EXPECT_THROW(app::startUp(*other.ctx), Error);
    // The window would now be closed: the settings save writes the tables that are open.
    app::saveSettings(*other.ctx);
    other.ctx->data.closeAll();
    EXPECT_EQ(test::readFile(file(QStringLiteral("db5.xml"))), broken);
}

TEST_F(StartupTest, AnOlderMandantFileAloneBecomesTheMandanten)
{
    QDir().mkpath(dataDir());
    store::Table old(QStringLiteral("old"));
    old.createEmpty(store::oldMandantFields());
    old.insert();
    old.setValue(u"ID", 7);
    old.setValue(u"Name", QStringLiteral("Hausverwaltung Alt"));
    old.post();
    store::writeTableFile(old, file(QStringLiteral("db3.xml")));
    start();
    for (const QString &name : kWorkingFiles)
        EXPECT_TRUE(QFileInfo::exists(file(name))) << name.toStdString();
    EXPECT_TRUE(s.run.FirstStart);
    store::Table &m = ctx->data.ClientDataSet3;
    ASSERT_EQ(m.recordCount(), 1) << "converted, not hidden behind an empty mandant.xml";
    ASSERT_TRUE(m.locate(u"ID", 7));
    EXPECT_EQ(m.text(u"Name"), QStringLiteral("Hausverwaltung Alt"));
}

TEST_F(StartupTest, WindowStateIsRestored)
{
    settings->writeString(u"", u"WindowState", QStringLiteral("wsNormal"));
    settings->writeInteger(u"", u"Height", 150);
    settings->writeInteger(u"", u"Width", 900);
    start();
    EXPECT_EQ(s.window.height, 600) << "a stored height below 200 becomes 600";
    EXPECT_EQ(s.window.width, 900);
    settings->writeString(u"", u"WindowState", QStringLiteral("wsMaximized"));
    s.window.height = 1;
    app::startUp(*ctx);
    EXPECT_EQ(s.window.windowState, app::WindowState::Maximized);
    EXPECT_EQ(s.window.height, 1) << "the stored size is not read for a maximized window";
}

TEST_F(StartupTest, CommandLineWords)
{
    start();
    ctx->data.ClientDataSet3.insert();
    ctx->data.ClientDataSet3.setValue(u"Name", QStringLiteral("Verein"));
    ctx->data.ClientDataSet3.post();

    ctx->args = {QStringLiteral("unknown"), QStringLiteral("gs"), QString()};
    app::applyCommandLine(*ctx);
    EXPECT_EQ(s.main.RGZahlungsart, app::Gutschrift);
    EXPECT_FALSE(ctx->outcome.runStarted);

    ctx->args = {QStringLiteral("START"), QStringLiteral("LS_CORE"), QString()};
    app::applyCommandLine(*ctx);
    EXPECT_FALSE(ctx->outcome.runStarted) << "letter case matters";
    EXPECT_EQ(s.main.RGZahlungsart, app::Gutschrift);

    ctx->args = {QStringLiteral("startstop"), QStringLiteral("ls_b2b"), QStringLiteral("x1")};
    try {
        app::applyCommandLine(*ctx);
        FAIL() << "a Mandant that is no number is a conversion error";
    } catch (const Error &e) {
        EXPECT_EQ(e.message(), QStringLiteral("'x1' ist kein gültiger Integerwert"));
    }
    EXPECT_EQ(s.main.RGZahlungsart, app::Gutschrift) << "the later steps do not run";
    EXPECT_FALSE(ctx->outcome.runStarted);
    EXPECT_EQ(app::exitStatus(*ctx, true), app::ExitError);

    ctx->args = {QString(), QString(), QStringLiteral("1")};
    app::applyCommandLine(*ctx);
    EXPECT_EQ(settings->readInteger(u"", u"Mandant"), 1);
}

TEST_F(StartupTest, ARunForAMandantThatDoesNotExistIsRefused)
{
    start();
    ctx->data.ClientDataSet3.insert();
    ctx->data.ClientDataSet3.setValue(u"Name", QStringLiteral("Verein"));
    ctx->data.ClientDataSet3.post();
    ctx->args = {QStringLiteral("startstop"), QStringLiteral("gs"), QStringLiteral("99")};
    try {
        app::applyCommandLine(*ctx);
        FAIL() << "the run must not start for another ordering party";
    } catch (const Error &e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("99"))) << e.what();
    }
    EXPECT_FALSE(ctx->outcome.runStarted);
    // The selection itself went as always: the current row, its ID stored, the type chosen.
    EXPECT_EQ(settings->readInteger(u"", u"Mandant"), 1);
    EXPECT_EQ(ctx->state.main.RGZahlungsart, app::Gutschrift);
    EXPECT_EQ(app::exitStatus(*ctx, true), app::ExitError);

    // Without a run the selection falls back to the current row, as it always did.
    ctx->args = {QString(), QString(), QStringLiteral("99")};
    app::applyCommandLine(*ctx);
    EXPECT_EQ(settings->readInteger(u"", u"Mandant"), 1);
}

TEST_F(StartupTest, AtTheEndEveryChangedTableIsTriedEvenWhenOneCannotBeWritten)
{
    start();
    store::DataModule &data = ctx->data;
    for (store::Table *t : {&data.ClientDataSet2, &data.ClientDataSetHisAZV}) {
        t->insert();
        t->setValue(u"ID", 5);
        t->post();
    }
    // db2.xml cannot be replaced: a folder stands in its way.
    QFile::remove(file(QStringLiteral("db2.xml")));
    QDir().mkpath(file(QStringLiteral("db2.xml")));
    EXPECT_THROW(data.closeAll(), Error);
    EXPECT_TRUE(test::readFile(file(QStringLiteral("db7.xml"))).contains("ID=\"5\""))
        << "the tables after the failing one still reach their files";
}
