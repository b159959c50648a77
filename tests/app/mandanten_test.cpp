#include "app/mandanteditor.h"
#include "app/operations.h"
#include "app/settingsnames.h"
#include "appfixture.h"
#include "base/error.h"
#include "store/recordnumbers.h"
#include "store/schema.h"
#include "store/tablefile.h"
#include "testutil.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include "support/scriptedmandanteditor.h"

#include <functional>

using namespace ordovan;

namespace {

using ScriptedEditor = test::ScriptedMandantEditor;

class MandantenTest : public ::testing::Test, public test::AppFixture
{
protected:
    MandantenTest() { ctx->services.mandantEditor = &editor; }

    store::Table &m = ctx->data.ClientDataSet3;
    app::MainState &s = ctx->state;
    ScriptedEditor editor;

    // A Mandant with three accounts; account n has number "K<id>-<n>" and so on.
    void addMandant(int id, int active = 1)
    {
        if (!m.isOpen())
            m.createEmpty(store::mandantFields());
        m.insert();
        m.setValue(u"ID", id);
        m.setValue(u"Name", QStringLiteral("Mandant %1").arg(id));
        m.setValue(u"Straße", QStringLiteral("Weg %1").arg(id));
        m.setValue(u"Ort", QStringLiteral("Ort %1").arg(id));
        for (int n = 1; n <= 3; ++n) {
            m.setValue(QStringLiteral("Kontonummer%1").arg(n),
                       QStringLiteral("K%1-%2").arg(id).arg(n));
            m.setValue(QStringLiteral("BLZ%1").arg(n), 10000000 * n + id);
            m.setValue(QStringLiteral("IBAN%1").arg(n), QStringLiteral("IBAN%1-%2").arg(id).arg(n));
            m.setValue(QStringLiteral("BIC%1").arg(n), QStringLiteral("BIC%1-%2").arg(id).arg(n));
        }
        m.setValue(u"GlID", QStringLiteral("GL%1").arg(id));
        m.setValue(u"Aktives Konto", active);
        m.post();
    }

    void select(const QString &text, bool fromWizard = false)
    {
        s.main.CBMandantenText = text;
        app::selectMandantFromCombo(*ctx, fromWizard);
    }
};

} // namespace

TEST_F(MandantenTest, FillingTheListSelectsTheStoredMandant)
{
    for (int id : {7, 2, 4})
        addMandant(id);
    settings->writeInteger(u"", app::names::Mandant, 4);
    settings->writeString(u"4", u"Zieldatei", QStringLiteral("/tmp/vier.xml"));
    app::fillMandantCombo(*ctx);
    EXPECT_EQ(s.main.CBMandantenItems,
              QStringList({QStringLiteral("2 -  Mandant 2"), QStringLiteral("4 -  Mandant 4"),
                           QStringLiteral("7 -  Mandant 7")}));
    EXPECT_EQ(s.main.CBMandantenText, QStringLiteral("4 -  Mandant 4"));
    EXPECT_FALSE(s.main.Label9Visible);
    EXPECT_EQ(s.main.LKontoinhaber, QStringLiteral("Mandant 4"));
    EXPECT_EQ(s.main.linhaberstrasse, QStringLiteral("Weg 4"));
    EXPECT_EQ(s.main.lort, QStringLiteral("Ort 4"));
    EXPECT_EQ(s.main.EZieldatei, QStringLiteral("/tmp/vier.xml")) << "the Mandant's settings";

    // Nothing stored, or a Mandant that is gone: the last row is selected.
    settings->writeInteger(u"", app::names::Mandant, 3);
    app::fillMandantCombo(*ctx);
    EXPECT_EQ(s.main.CBMandantenText, QStringLiteral("7 -  Mandant 7"));
    EXPECT_EQ(settings->readInteger(u"", app::names::Mandant), 7);
}

TEST_F(MandantenTest, WithoutMandantTheHintShows)
{
    app::fillMandantCombo(*ctx); // table not even open
    EXPECT_TRUE(s.main.Label9Visible);
    m.createEmpty(store::mandantFields());
    s.main.Label9Visible = false;
    app::fillMandantCombo(*ctx);
    EXPECT_TRUE(s.main.Label9Visible);
    EXPECT_TRUE(s.main.CBMandantenItems.isEmpty());
    EXPECT_TRUE(s.main.LKontoinhaber.isEmpty());
}

TEST_F(MandantenTest, ApplyingTheSelection)
{
    addMandant(3);
    addMandant(7, 2);
    addMandant(9, 5);
    select(QStringLiteral("7"));
    EXPECT_EQ(s.main.LKontoinhaber, QStringLiteral("Mandant 7"));
    EXPECT_EQ(s.main.LKontonummer, QStringLiteral("K7-2"));
    EXPECT_EQ(s.main.LBankleitzahl, QStringLiteral("20000007"));
    EXPECT_EQ(s.main.LIBAN, QStringLiteral("IBAN7-2"));
    EXPECT_EQ(s.main.LBIC, QStringLiteral("BIC7-2"));
    EXPECT_EQ(s.main.LDebtorID, QStringLiteral("GL7"));
    EXPECT_EQ(settings->readInteger(u"", app::names::Mandant), 7);

    select(QStringLiteral("3 -  Mandant 3"));
    EXPECT_EQ(s.main.LIBAN, QStringLiteral("IBAN3-1"));

    // An account number outside 1..3 keeps the account labels of before.
    select(QStringLiteral("9 -  whatever follows"));
    EXPECT_EQ(s.main.LKontoinhaber, QStringLiteral("Mandant 9"));
    EXPECT_EQ(s.main.LIBAN, QStringLiteral("IBAN3-1"));
    EXPECT_EQ(s.main.LDebtorID, QStringLiteral("GL3"));

    // Text that is no number: the conversion error, nothing changes.
    for (const char *bad : {"abc", "", " 7", "7a -  x"}) {
        s.main.CBMandantenText = QString::fromLatin1(bad);
        EXPECT_THROW(app::selectMandantFromCombo(*ctx), Error) << bad;
    }
    EXPECT_EQ(s.main.LKontoinhaber, QStringLiteral("Mandant 9"));
    EXPECT_EQ(settings->readInteger(u"", app::names::Mandant), 9);

    // A number that names no Mandant: the current row is applied and stored.
    select(QStringLiteral("8"));
    EXPECT_EQ(s.main.LKontoinhaber, QStringLiteral("Mandant 9"));
    EXPECT_EQ(settings->readInteger(u"", app::names::Mandant), 9);
}

TEST_F(MandantenTest, TheWizardLoadsNoSettings)
{
    addMandant(1);
    addMandant(2);
    settings->writeString(u"2", u"Zieldatei", QStringLiteral("/tmp/zwei.xml"));
    select(QStringLiteral("2"), true);
    EXPECT_EQ(s.main.LKontoinhaber, QStringLiteral("Mandant 2"));
    EXPECT_TRUE(s.main.EZieldatei.isEmpty());
    select(QStringLiteral("2"));
    EXPECT_EQ(s.main.EZieldatei, QStringLiteral("/tmp/zwei.xml"));
}

TEST_F(MandantenTest, BankNamesFromTheDirectory)
{
    store::Table &blz = ctx->data.ClientDataSet4;
    blz.createEmpty(store::bankDirectoryFields());
    const std::pair<const char *, const char *> rows[] = {{"20000001", "Zweite Bank Filiale A"},
                                                          {"10000001", "Erste Bank"},
                                                          {"20000001", "Zweite Bank Filiale B"},
                                                          {"30000001", "Dritte Bank"}};
    for (const auto &[code, name] : rows) {
        blz.insert();
        blz.setValue(u"BLZ", QString::fromLatin1(code));
        blz.setValue(u"Bank", QString::fromLatin1(name));
        blz.post();
    }
    app::installMandantHooks(*ctx);
    addMandant(1);
    m.locate(u"ID", 1);
    EXPECT_EQ(m.text(u"Bank1"), QStringLiteral("Erste Bank"));
    EXPECT_EQ(m.text(u"Bank2"), QStringLiteral("Zweite Bank Filiale A"));
    EXPECT_EQ(m.text(u"Bank3"), QStringLiteral("Dritte Bank"));

    m.edit();
    m.setValue(u"BLZ1", 99999999);
    m.setNull(m.field(u"BLZ3"));
    m.post();
    EXPECT_TRUE(m.text(u"Bank1").isEmpty());
    EXPECT_EQ(m.text(u"Bank2"), QStringLiteral("Zweite Bank Filiale A"));
    EXPECT_TRUE(m.text(u"Bank3").isEmpty());
}

TEST_F(MandantenTest, ConvertingTheOldFileKeepsNumbersUnique)
{
    QDir().mkpath(dataDir());
    store::Table old(QStringLiteral("old"));
    old.createEmpty(store::oldMandantFields());
    for (int id : {1, 2, 5}) {
        old.insert();
        old.setValue(u"ID", id);
        old.setValue(u"Name", QStringLiteral("Alt %1").arg(id));
        old.setValue(u"Kontonummer2", QStringLiteral("123%1").arg(id));
        old.setValue(u"BLZ2", 37040044);
        old.setValue(u"Straße", QStringLiteral("Gasse %1").arg(id));
        old.setValue(u"Land", QStringLiteral("DE"));
        old.setValue(u"Aktives Konto", id == 5 ? 2 : 1);
        old.post();
    }
    store::writeTableFile(old, dataDir() + QStringLiteral("db3.xml"));

    EXPECT_TRUE(app::convertOldMandanten(*ctx));
    EXPECT_TRUE(QFileInfo::exists(dataDir() + QStringLiteral("mandant.xml")));
    EXPECT_TRUE(QFileInfo::exists(dataDir() + QStringLiteral("db3.xml")));
    QList<int> ids;
    for (m.first(); !m.eof() && m.hasCurrentRow(); m.next())
        ids << *m.integer(m.field(u"ID"));
    EXPECT_EQ(ids, QList<int>({1, 2, 5}));
    m.locate(u"ID", 5);
    EXPECT_EQ(m.text(u"Name"), QStringLiteral("Alt 5"));
    EXPECT_EQ(m.text(u"Kontonummer2"), QStringLiteral("1235"));
    EXPECT_EQ(m.text(u"BLZ2"), QStringLiteral("37040044"));
    EXPECT_EQ(m.text(u"Straße"), QStringLiteral("Gasse 5"));
    EXPECT_EQ(m.text(u"Land"), QStringLiteral("DE"));
    EXPECT_EQ(m.text(u"Aktives Konto"), QStringLiteral("2"));
    EXPECT_TRUE(m.text(u"IBAN2").isEmpty());
    EXPECT_TRUE(m.text(u"GlID").isEmpty());

    // No counter was stored: it now stands at the highest converted number, and a new
    // Mandant gets the next one.
    EXPECT_EQ(settings->readInteger(u"", store::RecordNumbers::kMandant), 5);
    m.insert();
    EXPECT_EQ(m.text(u"ID"), QStringLiteral("6"));
    m.cancel();
}

TEST_F(MandantenTest, ConvertingAdvancesAnExistingCounterByTheRowsDrawn)
{
    QDir().mkpath(dataDir());
    store::Table old(QStringLiteral("old"));
    old.createEmpty(store::oldMandantFields());
    for (int id : {1, 2, 5}) {
        old.insert();
        old.setValue(u"ID", id);
        old.post();
    }
    store::writeTableFile(old, dataDir() + QStringLiteral("db3.xml"));
    settings->writeInteger(u"", store::RecordNumbers::kMandant, 10);
    app::convertOldMandanten(*ctx);
    EXPECT_EQ(settings->readInteger(u"", store::RecordNumbers::kMandant), 13);
}

TEST_F(MandantenTest, OldRowsWithoutOrWithRepeatedNumbersGetNewOnes)
{
    QDir().mkpath(dataDir());
    store::Table old(QStringLiteral("old"));
    old.createEmpty(store::oldMandantFields());
    for (std::optional<int> id : {std::optional<int>(3), std::optional<int>(),
                                  std::optional<int>(3), std::optional<int>(1)}) {
        old.insert();
        if (id)
            old.setValue(u"ID", *id);
        old.post();
    }
    store::writeTableFile(old, dataDir() + QStringLiteral("db3.xml"));
    app::convertOldMandanten(*ctx);
    QList<int> ids;
    for (m.first(); !m.eof() && m.hasCurrentRow(); m.next())
        ids << *m.integer(m.field(u"ID"));
    EXPECT_EQ(ids, QList<int>({1, 3, 4, 5}));
    EXPECT_EQ(settings->readInteger(u"", store::RecordNumbers::kMandant), 5);
}

TEST_F(MandantenTest, AnUnreadableOldFileChangesNothing)
{
    QDir().mkpath(dataDir());
    test::writeFile(dataDir() + QStringLiteral("db3.xml"), "<kein xml");
    EXPECT_THROW(app::convertOldMandanten(*ctx), Error);
    EXPECT_FALSE(QFileInfo::exists(dataDir() + QStringLiteral("mandant.xml")));
}

TEST_F(MandantenTest, AConversionThatFailsHalfwayLeavesNoMandantFileSoTheNextStartTriesAgain)
{
    QDir().mkpath(dataDir());
    // An old file without the account fields: readable, but no row can be copied.
    store::Table old(QStringLiteral("old"));
    old.createEmpty({store::oldMandantFields().at(0), store::oldMandantFields().at(1)});
    old.insert();
    old.setValue(u"ID", 3);
    old.post();
    store::writeTableFile(old, dataDir() + QStringLiteral("db3.xml"));
    EXPECT_THROW(app::convertOldMandanten(*ctx), Error);
    EXPECT_FALSE(QFileInfo::exists(dataDir() + QStringLiteral("mandant.xml")));
    EXPECT_FALSE(m.isOpen()) << "nothing half-converted reaches the file at the end";
}

TEST_F(MandantenTest, EditorFlows)
{
    addMandant(1);
    addMandant(4);
    app::fillMandantCombo(*ctx); // selects 4, the last row
    // A deleted Mandant's number is never given again.
    m.locate(u"ID", 4);
    m.remove();
    select(QStringLiteral("1"));

    editor.onEdit = [](app::Context &c) {
        store::Table &t = c.data.ClientDataSet3;
        EXPECT_EQ(t.state(), store::Table::State::Insert);
        EXPECT_EQ(t.text(u"Aktives Konto"), QStringLiteral("1"));
        EXPECT_EQ(t.text(u"ID"), QStringLiteral("5"));
        t.setValue(u"Name", QStringLiteral("Neu"));
        t.post();
    };
    app::newMandant(*ctx);
    EXPECT_EQ(editor.shown, 1);
    EXPECT_EQ(m.recordCount(), 2);
    // The selection is applied again; the list is not refilled.
    EXPECT_EQ(s.main.LKontoinhaber, QStringLiteral("Mandant 1"));
    EXPECT_EQ(s.main.CBMandantenItems.size(), 2);

    editor.onEdit = [](app::Context &c) {
        c.data.ClientDataSet3.edit();
        c.data.ClientDataSet3.setValue(u"Name", QStringLiteral("Geändert"));
        c.data.ClientDataSet3.post();
    };
    app::editMandant(*ctx);
    EXPECT_EQ(s.main.LKontoinhaber, QStringLiteral("Geändert"));

    editor.onEdit = nullptr;
    s.main.Label9Visible = true;
    app::findMandant(*ctx);
    EXPECT_FALSE(s.main.Label9Visible);
    EXPECT_EQ(s.main.CBMandantenItems,
              QStringList({QStringLiteral("1 -  Geändert"), QStringLiteral("5 -  Neu")}));

    // Without an editor (no windows) the menu entries do nothing.
    ctx->services.mandantEditor = nullptr;
    app::newMandant(*ctx);
    EXPECT_EQ(m.recordCount(), 2);
    EXPECT_EQ(m.state(), store::Table::State::Browse);
}
