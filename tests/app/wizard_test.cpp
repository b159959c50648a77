// The setup wizard without its window: its own readers, the mapping on its four-line grid, the
// Mandant step, the target file and the finish.
#include "app/operations.h"
#include "app/settingsnames.h"
#include "app/wizard.h"
#include "appfixture.h"
#include "base/error.h"
#include "store/schema.h"
#include "support/scriptedmandanteditor.h"
#include "tabularfixtures.h"
#include "testutil.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace ordovan;
using namespace Qt::StringLiterals;
using app::WizardPage;
namespace text = app::wizardtext;

namespace {

// A provider whose file has the given user and system tables; "Kaputt" cannot be read.
class FakeTables : public formats::TabularProvider
{
public:
    QStringList user{QStringLiteral("Zahlungen"), QStringLiteral("Kaputt")};
    QStringList system{QStringLiteral("MSysObjects")};
    QStringList opened;

    std::unique_ptr<formats::TabularConnection> connect(const QString &path,
                                                        formats::TabularKind) override
    {
        if (!QFileInfo::exists(path))
            throw Error(QStringLiteral("Die Datei \"%1\" wurde nicht gefunden.").arg(path));
        return std::make_unique<Connection>(*this);
    }

private:
    class Rows : public formats::TabularRowSet
    {
    public:
        explicit Rows(bool broken) : m_broken(broken) {}
        int fieldCount() const override
        {
            if (m_broken)
                throw Error(QStringLiteral("Die Tabelle ist zu groß (mehr als 5 Zellen)."));
            return 2;
        }
        int rowCount() const override { return 2; }
        void first() override { m_row = 0; }
        bool eof() const override { return m_row >= 2; }
        int recNo() const override { return m_row + 1; }
        void next() override { ++m_row; }
        QString text(int field) const override
        {
            return QStringLiteral("r%1f%2").arg(m_row).arg(field);
        }

    private:
        bool m_broken;
        int m_row = 0;
    };
    class Connection : public formats::TabularConnection
    {
    public:
        explicit Connection(FakeTables &owner) : m_owner(owner) {}
        QStringList tableNames(bool includeSystemTables) const override
        {
            // System tables come first, as a database catalog lists them.
            return includeSystemTables ? m_owner.system + m_owner.user : m_owner.user;
        }
        std::unique_ptr<formats::TabularRowSet> openTable(const QString &name) override
        {
            m_owner.opened << name;
            if (!tableNames(true).contains(name))
                throw Error(
                    QStringLiteral("Die Tabelle \"%1\" gibt es in der Datei nicht.").arg(name));
            return std::make_unique<Rows>(name == u"Kaputt");
        }

    private:
        FakeTables &m_owner;
    };
};

class WizardTest : public ::testing::Test, public test::AppFixture
{
protected:
    WizardTest()
    {
        ctx->services.tabular = &files;
        ctx->services.mandantEditor = &editor;
        app::buildMappingGrid(*ctx);
    }

    QString file(const QString &name) const { return dir.filePath(name); }
    QString writeText(const QString &name, const QByteArray &bytes)
    {
        test::writeFile(file(name), bytes);
        return file(name);
    }
    // The texts of the message boxes shown (file dialogs left out).
    QStringList messages() const
    {
        QStringList out;
        for (const auto &shown : dialogs.shown()) {
            if (shown.what == u"plain")
                out << shown.text;
        }
        return out;
    }
    // A grid cell by (record, field).
    static QString cell(const import::SourceGrid &g, int record, int field)
    {
        return g.cell(record, field);
    }

    formats::FileTabularProvider files;
    test::ScriptedMandantEditor editor;
    app::MainState &s = ctx->state;
    app::WizardState w;
};

} // namespace

// --- Steps 1 and 2: the wizard's own readers -----------------------------------------------

TEST_F(WizardTest, TheTextReaderKnowsNoQualifierAndNeverEmptiesTheGrid)
{
    // A grid left from an earlier, bigger read: cells beyond the new file's fields stay.
    for (int record = 0; record < 3; ++record)
        for (int field = 0; field < 4; ++field)
            w.SGDatei.setCell(record, field, QStringLiteral("alt"));
    w.SGDatei.setRowCount(4);
    w.SGDatei.setColumnCount(3);

    w.EQuelldatei = writeText(QStringLiteral("liste.csv"), "\"Anna; Berg\";12,50\r\nBen\r\n");
    app::readWizardSource(*ctx, w);
    EXPECT_EQ(w.SGDatei.columnCount(), 2);
    EXPECT_EQ(w.SGDatei.rowCount(), 3);
    EXPECT_EQ(cell(w.SGDatei, 0, 0), QStringLiteral("\"Anna"));
    EXPECT_EQ(cell(w.SGDatei, 0, 1), QStringLiteral(" Berg\""));
    EXPECT_EQ(cell(w.SGDatei, 0, 2), QStringLiteral("12,50"));
    EXPECT_EQ(cell(w.SGDatei, 1, 0), QStringLiteral("Ben"));
    EXPECT_EQ(cell(w.SGDatei, 1, 1), QStringLiteral("alt")) << "not emptied before reading";

    // Each separator button reads again with its separator; the title row option too.
    app::setWizardSeparator(*ctx, w, app::Separator::Comma);
    EXPECT_EQ(cell(w.SGDatei, 0, 0), QStringLiteral("\"Anna; Berg\";12"));
    EXPECT_EQ(cell(w.SGDatei, 0, 1), QStringLiteral("50"));
    app::setWizardSeparator(*ctx, w, app::Separator::Tab);
    EXPECT_EQ(w.SGDatei.rowCount(), 1);
    EXPECT_EQ(cell(w.SGDatei, 0, 0), QStringLiteral("\"Anna; Berg\";12,50"));
    test::writeFile(w.EQuelldatei, "neu\r\n");
    app::setWizardTitleRow(*ctx, w, true);
    EXPECT_TRUE(w.CBTitelzeile);
    EXPECT_EQ(cell(w.SGDatei, 0, 0), QStringLiteral("neu"));

    // Nothing is logged, no run status is set, nothing is shown.
    EXPECT_TRUE(s.log.MLog.lines().isEmpty());
    EXPECT_EQ(s.run.runStatus, app::RunStatus::Ok);
    EXPECT_TRUE(dialogs.shown().isEmpty());
}

TEST_F(WizardTest, NothingIsReadWhileThePathIsEmpty)
{
    w.SGDatei.setCell(0, 0, QStringLiteral("bleibt"));
    app::setWizardSeparator(*ctx, w, app::Separator::Comma);
    app::setWizardTitleRow(*ctx, w, true);
    app::chooseWizardTable(*ctx, w, QStringLiteral("Zahlungen"));
    EXPECT_EQ(cell(w.SGDatei, 0, 0), QStringLiteral("bleibt"));
    EXPECT_EQ(w.separator, app::Separator::Comma);
    EXPECT_TRUE(dialogs.shown().isEmpty());
}

TEST_F(WizardTest, WorkbooksAndDatabasesMeetTheirReaderWhateverTheyAreCalled)
{
    // .xlsx, .ods and .xls by their extension; a workbook under another name (or in capitals)
    // is a container and never read as text.
    const QString xlsx = file(QStringLiteral("liste.xlsx"));
    test::writeSampleXlsx(xlsx);
    const QString data = QStringLiteral(ORDOVAN_TEST_DATA "/tabular/");
    const QString renamed = file(QStringLiteral("liste.txt"));
    QFile::copy(xlsx, renamed);
    const QString capitals = file(QStringLiteral("LISTE.XLS"));
    QFile::copy(data + QStringLiteral("zahlungen.xls"), capitals);

    for (const QString &path : {xlsx, data + QStringLiteral("zahlungen.ods"),
                                data + QStringLiteral("zahlungen.xls"), renamed, capitals}) {
        SCOPED_TRACE(path.toStdString());
        w = app::WizardState();
        dialogs.pushPath(path);
        app::chooseWizardSourceFile(*ctx, w);
        EXPECT_EQ(w.EQuelldatei, path);
        EXPECT_EQ(w.CBTabellenText, QStringLiteral("Zahlungen"));
        EXPECT_EQ(w.CBTabellenItems.value(0), QStringLiteral("Zahlungen"));
        EXPECT_EQ(w.SGDatei.columnCount(), 4);
        EXPECT_EQ(cell(w.SGDatei, 1, 0), QStringLiteral("Müller, Anna"));
        EXPECT_EQ(cell(w.SGDatei, 1, 3), QStringLiteral("11,58"));
    }
    EXPECT_TRUE(messages().isEmpty()) << messages().join(u'|').toStdString();

    // A database: .mdb and .accdb. The title row option stays as it is.
    const QString accdb =
        test::sharedFixtures(QStringLiteral("mdb")) + QStringLiteral("/ASampleDatabase.accdb");
    if (!QFileInfo::exists(accdb))
        GTEST_SKIP() << "sample database not present";
    w = app::WizardState();
    w.CBTitelzeile = true;
    dialogs.pushPath(accdb);
    app::chooseWizardSourceFile(*ctx, w);
    EXPECT_EQ(w.CBTabellenText, QStringLiteral("Asset Items"));
    EXPECT_EQ(w.SGDatei.columnCount(), 65);
    EXPECT_EQ(cell(w.SGDatei, 0, 0), QStringLiteral("30050"));
    EXPECT_TRUE(w.CBTitelzeile);
}

TEST_F(WizardTest, TheTableListIsFilledOnlyWhileItIsEmpty)
{
    FakeTables fake;
    ctx->services.tabular = &fake;
    w.EQuelldatei = writeText(QStringLiteral("daten.mdb"), "x");

    // Empty list and text: the list from the file, the user's tables before the system
    // tables, and the first of them read.
    app::readWizardSource(*ctx, w);
    EXPECT_EQ(w.CBTabellenItems, (QStringList{QStringLiteral("Zahlungen"), QStringLiteral("Kaputt"),
                                              QStringLiteral("MSysObjects")}));
    EXPECT_EQ(w.CBTabellenText, QStringLiteral("Zahlungen"));
    EXPECT_EQ(cell(w.SGDatei, 1, 1), QStringLiteral("r1f1"));

    // A filled list stays, even when the file has other tables now.
    fake.user = {QStringLiteral("Neu")};
    app::chooseWizardTable(*ctx, w, QStringLiteral("MSysObjects"));
    EXPECT_EQ(w.CBTabellenItems.size(), 3);
    EXPECT_EQ(fake.opened.last(), QStringLiteral("MSysObjects"));

    // The file button empties it.
    dialogs.pushPath(w.EQuelldatei);
    app::chooseWizardSourceFile(*ctx, w);
    EXPECT_EQ(w.CBTabellenItems,
              (QStringList{QStringLiteral("Neu"), QStringLiteral("MSysObjects")}));
    EXPECT_EQ(w.CBTabellenText, QStringLiteral("Neu"));

    // A cancelled file dialog changes nothing.
    app::chooseWizardSourceFile(*ctx, w);
    EXPECT_EQ(w.CBTabellenText, QStringLiteral("Neu"));
    EXPECT_TRUE(messages().isEmpty());
}

TEST_F(WizardTest, EachReadFailureShowsItsMessageAndLeavesTheGrid)
{
    // A file that is not there: the message alone, exactly.
    const std::pair<const char *, QString> missing[] = {
        {"fehlt.xls", QStringLiteral("Exceldatei konnte nicht gefunden werden")},
        {"fehlt.xlsx", QStringLiteral("Exceldatei konnte nicht gefunden werden")},
        {"fehlt.mdb", QStringLiteral("Accessdatei konnte nicht gefunden werden")},
        {"fehlt.csv", QStringLiteral("Quelldatei konnte nicht gefunden werden")},
    };
    for (const auto &[name, message] : missing) {
        SCOPED_TRACE(name);
        dialogs.clear();
        w.SGDatei.setCell(0, 0, QStringLiteral("bleibt"));
        w.EQuelldatei = file(QString::fromUtf8(name));
        app::readWizardSource(*ctx, w);
        ASSERT_EQ(dialogs.shown().size(), 1);
        EXPECT_EQ(dialogs.shown()[0].what, QStringLiteral("plain"));
        EXPECT_EQ(dialogs.shown()[0].text, message);
        EXPECT_EQ(cell(w.SGDatei, 0, 0), QStringLiteral("bleibt"));
    }
    EXPECT_EQ(text::kExcelNotFound, missing[0].second);
    EXPECT_EQ(text::kAccessNotFound, missing[2].second);
    EXPECT_EQ(text::kSourceNotFound, missing[3].second);

    // A file that is there but refused: the message, then the reason.
    const QString encrypted = test::sharedFixtures(QStringLiteral("workbooks")) +
                              QStringLiteral("/calamine_pass_protected.xlsx");
    if (QFileInfo::exists(encrypted)) {
        dialogs.clear();
        w.EQuelldatei = encrypted;
        app::readWizardSource(*ctx, w);
        ASSERT_EQ(messages().size(), 1);
        EXPECT_EQ(messages()[0], text::kExcelNotFound + QStringLiteral("\n\n\"") + encrypted +
                                     QStringLiteral("\" ist verschlüsselt oder "
                                                    "kennwortgeschützt."));
    }

    // A table that cannot be opened, and one whose rows cannot be read.
    FakeTables fake;
    ctx->services.tabular = &fake;
    w = app::WizardState();
    w.EQuelldatei = writeText(QStringLiteral("mappe.xls"), "x");
    w.CBTabellenText = QStringLiteral("Gibtsnicht");
    dialogs.clear();
    app::readWizardSource(*ctx, w);
    EXPECT_EQ(
        messages(),
        QStringList{text::kExcelNotFound +
                    QStringLiteral("\n\nDie Tabelle \"Gibtsnicht\" gibt es in der Datei nicht.")});
    dialogs.clear();
    app::chooseWizardTable(*ctx, w, QStringLiteral("Kaputt"));
    EXPECT_EQ(messages(), QStringList{QStringLiteral("Fehler beim Lesen in der Exceldatei\n\n"
                                                     "Die Tabelle ist zu groß (mehr als 5 "
                                                     "Zellen).")});
    EXPECT_EQ(w.SGDatei.columnCount(), 1) << "the grid keeps what it held";
    EXPECT_TRUE(s.log.MLog.lines().isEmpty());
    EXPECT_EQ(s.run.runStatus, app::RunStatus::Ok);
}

// --- Step 3 ----------------------------------------------------------------------------

TEST_F(WizardTest, StepThreeShowsTheFourLineGridWithTheWizardsLabels)
{
    s.main.CB8Verw = true; // the main window's layout does not matter here
    w.EQuelldatei = writeText(QStringLiteral("l.csv"), "a;b;c\r\nd;e;f\r\ng\r\n");
    app::readWizardSource(*ctx, w);
    app::showWizardMapping(w);
    EXPECT_EQ(w.page, WizardPage::Mapping);
    EXPECT_EQ(w.SgDatei2.columnCount(), 3);
    EXPECT_EQ(w.SgDatei2.rowCount(), 3);
    EXPECT_EQ(w.SgDatei2.cell(1, 2), QStringLiteral("f"));

    const app::MappingGrid &g = w.SGDatenbank;
    EXPECT_EQ(g.rowCount, 19);
    EXPECT_EQ(g.cell(0, 0), QStringLiteral("Feldname"));
    EXPECT_EQ(g.cell(1, 0), QStringLiteral("zug. Dateifeld"));
    EXPECT_EQ(g.cell(2, 0), QStringLiteral("1. Datensatz"));
    const QStringList expected = {u"Name"_s,
                                  u"Kontonummer"_s,
                                  u"BLZ"_s,
                                  u"Verwendung1"_s,
                                  u"Verwendung2"_s,
                                  u"Verwendung3"_s,
                                  u"Verwendung4"_s,
                                  u"Betrag"_s,
                                  u"Name2"_s,
                                  u"Straße"_s,
                                  u"OrtLand"_s,
                                  u"Mandatsreferenz/NotizIntern"_s,
                                  u"Ansprechpartner"_s,
                                  u"IBAN"_s,
                                  u"BIC"_s,
                                  u"Laendercode"_s,
                                  u"Währung"_s,
                                  u"Datum"_s};
    QStringList labels;
    for (int row = 1; row < 19; ++row)
        labels << g.cell(0, row);
    EXPECT_EQ(labels, expected);
}

TEST_F(WizardTest, TheArrowWritesStraightIntoTheSharedMapping)
{
    w.EQuelldatei = writeText(QStringLiteral("l.csv"), "f0;f1;1158\r\ng0;g1;599\r\n");
    app::readWizardSource(*ctx, w);
    app::showWizardMapping(w);
    s.source.RGBetrag = app::AmountNotation::Cents;
    s.source.mapping.MandatsdatumX = 7; // not offered by the wizard: stays

    using M = app::ColumnMapping;
    const std::function<int(const M &)> entries[] = {
        [](const M &m) { return m.Kto1; },          [](const M &m) { return m.Blz1; },
        [](const M &m) { return m.Verw[0]; },       [](const M &m) { return m.Verw[1]; },
        [](const M &m) { return m.Verw[2]; },       [](const M &m) { return m.Verw[3]; },
        [](const M &m) { return m.Betrag; },        [](const M &m) { return m.Name2X; },
        [](const M &m) { return m.StrasseX; },      [](const M &m) { return m.OrtLandX; },
        [](const M &m) { return m.NotitzInternX; }, [](const M &m) { return m.AnsprechpartnerX; },
        [](const M &m) { return m.IBANx; },         [](const M &m) { return m.BICx; },
        [](const M &m) { return m.LaendercodeX; },  [](const M &m) { return m.WaehrungX; },
        [](const M &m) { return m.DatumX; },
    };
    for (int row = 2; row <= 18; ++row) {
        SCOPED_TRACE(row);
        const int field = row % 3;
        w.SGDatenbank.selectedRow = row;
        w.SgDatei2.selectedRow = field;
        app::assignWizardField(*ctx, w);
        EXPECT_EQ(entries[row - 2](s.source.mapping), field);
        EXPECT_EQ(w.SGDatenbank.cell(1, row), w.SgDatei2.cell(0, field));
        EXPECT_EQ(w.SGDatenbank.cell(2, row), w.SgDatei2.cell(1, field));
    }
    // The amount row shows the source's text, never with an inserted comma.
    EXPECT_EQ(s.source.mapping.Betrag, 2);
    EXPECT_EQ(w.SGDatenbank.cell(1, 8), QStringLiteral("1158"));
    EXPECT_EQ(s.source.mapping.NameX, -1);
    EXPECT_EQ(s.source.mapping.MandatsdatumX, 7);

    // The title row is no target.
    w.SGDatenbank.selectedRow = 0;
    app::assignWizardField(*ctx, w);
    EXPECT_EQ(w.SGDatenbank.cell(1, 0), QStringLiteral("zug. Dateifeld"));
}

TEST_F(WizardTest, TwoFieldsAssignedToNameGiveTheCombinedName)
{
    w.EQuelldatei =
        writeText(QStringLiteral("l.csv"), "Vorname;Nachname;Firma;Nr\r\nAnna;Berg;Berg AG;3\r\n");
    app::readWizardSource(*ctx, w);
    app::showWizardMapping(w);
    w.SGDatenbank.selectedRow = 1;
    for (int field : {1, 0}) {
        w.SgDatei2.selectedRow = field;
        app::assignWizardField(*ctx, w);
    }
    EXPECT_EQ(s.source.mapping.NameX, 1);
    EXPECT_EQ(s.source.mapping.NameX2, 0);
    EXPECT_EQ(w.SGDatenbank.cell(1, 1), QStringLiteral("Nachname Vorname"));
    EXPECT_EQ(w.SGDatenbank.cell(2, 1), QStringLiteral("Berg Anna"));

    // A third assignment replaces the second part; the main window shows the same.
    w.SgDatei2.selectedRow = 2;
    app::assignWizardField(*ctx, w);
    EXPECT_EQ(s.source.mapping.NameX, 1);
    EXPECT_EQ(s.source.mapping.NameX2, 2);
    EXPECT_EQ(w.SGDatenbank.cell(2, 1), QStringLiteral("Berg Berg AG"));
    s.source.SGDatei = w.SgDatei2;
    app::showMappingPreview(*ctx);
    EXPECT_EQ(s.source.SGDatenbank.cell(2, 1), QStringLiteral("Berg Berg AG"));
}

// --- Step 4 ----------------------------------------------------------------------------

TEST_F(WizardTest, StepFourSelectsTheStoredMandantWithoutLoadingItsSettings)
{
    addMandanten({1, 2});
    settings->writeInteger(u"", app::names::Mandant, 2);
    settings->writeString(u"2", app::names::Quelldatei, QStringLiteral("/anders.csv"));
    settings->writeInteger(u"2", app::names::NameX, 5);
    s.source.mapping.NameX = 3; // assigned in step 3
    s.main.Label9Visible = true;
    bool hintDuringEditor = true;
    editor.onEdit = [&](app::Context &c) {
        hintDuringEditor = c.state.main.Label9Visible;
        c.data.ClientDataSet3.locate(u"ID", 1); // the user browsed to Mandant 1
    };

    app::chooseWizardMandant(*ctx, w);
    EXPECT_EQ(editor.shown, 1);
    EXPECT_FALSE(hintDuringEditor);
    EXPECT_FALSE(s.main.Label9Visible);
    EXPECT_EQ(s.main.CBMandantenItems,
              (QStringList{QStringLiteral("1 -  Mandant 1"), QStringLiteral("2 -  Mandant 2")}));
    EXPECT_EQ(s.main.CBMandantenText, QStringLiteral("2 -  Mandant 2"));
    EXPECT_EQ(s.main.LKontoinhaber, QStringLiteral("Mandant 2"));
    EXPECT_EQ(w.mandantEntry, QStringLiteral("2 -  Mandant 2"));
    EXPECT_EQ(s.source.mapping.NameX, 3) << "the Mandant's settings are not loaded";
    EXPECT_TRUE(s.main.EQuelldatei.isEmpty());
    EXPECT_EQ(w.page, WizardPage::Finish);

    // No stored Mandant that exists: the one the editor left.
    settings->writeInteger(u"", app::names::Mandant, 9);
    app::chooseWizardMandant(*ctx, w);
    EXPECT_EQ(s.main.CBMandantenText, QStringLiteral("1 -  Mandant 1"));
    EXPECT_EQ(settings->readInteger(u"", app::names::Mandant), 1);
}

TEST_F(WizardTest, AMandantCreatedInStepFourIsTheOneTheWizardSetsUp)
{
    addMandanten({1});
    settings->writeInteger(u"", app::names::Mandant, 1);
    editor.onEdit = [](app::Context &c) {
        app::startNewMandant(c);
        app::setMandantField(c, QStringLiteral("Name"), QStringLiteral("Neu GmbH"));
        app::saveMandant(c);
    };
    app::chooseWizardMandant(*ctx, w);
    EXPECT_EQ(s.main.CBMandantenText, QStringLiteral("2 -  Neu GmbH"));
    EXPECT_EQ(settings->readInteger(u"", app::names::Mandant), 2);
    EXPECT_EQ(s.main.CBMandantenItems.size(), 2);
}

TEST_F(WizardTest, WithoutAMandantTheHintShowsAgain)
{
    ctx->data.ClientDataSet3.createEmpty(store::mandantFields());
    app::chooseWizardMandant(*ctx, w);
    EXPECT_TRUE(s.main.Label9Visible);
    EXPECT_TRUE(w.mandantEntry.isEmpty());
    EXPECT_EQ(w.page, WizardPage::Finish);

    // Without any Mandant table (and without an editor) the same.
    ctx->data.ClientDataSet3.close();
    ctx->services.mandantEditor = nullptr;
    s.main.Label9Visible = false;
    app::chooseWizardMandant(*ctx, w);
    EXPECT_TRUE(s.main.Label9Visible);
}

TEST_F(WizardTest, TheFormatGenerationFollowsTheChosenMandant)
{
    addMandanten({1, 2, 3});
    settings->writeInteger(u"2", app::names::SEPAFormat, 0);
    settings->writeInteger(u"3", app::names::SEPAFormat, 1);
    const std::pair<int, sepa::Generation> cases[] = {
        {1, sepa::Generation::V2019}, // none stored: 2019
        {2, sepa::Generation::V2009},
        {3, sepa::Generation::V2019},
    };
    for (const auto &[id, generation] : cases) {
        SCOPED_TRACE(id);
        ctx->data.ClientDataSet3.locate(u"ID", 1);
        settings->writeInteger(u"", app::names::Mandant, id);
        w.SEPAFormat = generation == sepa::Generation::V2019 ? sepa::Generation::V2009
                                                             : sepa::Generation::V2019;
        app::chooseWizardMandant(*ctx, w);
        EXPECT_EQ(w.SEPAFormat, generation);
    }
    // The Mandant loaded already brings the choice it has in memory.
    s.main.SEPAFormat = sepa::Generation::V2009;
    app::chooseWizardMandant(*ctx, w);
    EXPECT_EQ(w.SEPAFormat, sepa::Generation::V2009);
}

// --- Steps 5 and 6, and the finish -------------------------------------------------------

TEST_F(WizardTest, TheTargetFileIsASepaFileProposedAsDtaus0)
{
    const std::pair<QString, QString> cases[] = {
        {QStringLiteral("/bank/DTAUS0"), QStringLiteral("/bank/DTAUS0.xml")},
        {QStringLiteral("/bank.alt/sepa"), QStringLiteral("/bank.alt/sepa.xml")},
        {QStringLiteral("/bank/sepa."), QStringLiteral("/bank/sepa.xml")},
        {QStringLiteral("/bank/lastschrift.XML"), QStringLiteral("/bank/lastschrift.XML")},
    };
    for (const auto &[chosen, stored] : cases) {
        dialogs.pushPath(chosen);
        app::chooseWizardTargetFile(*ctx, w);
        EXPECT_EQ(w.EZieldatei, stored);
    }
    ASSERT_EQ(dialogs.shown().size(), 4);
    EXPECT_EQ(dialogs.shown()[0].what, QStringLiteral("save"));
    EXPECT_EQ(dialogs.shown()[0].text, QStringLiteral("SEPA-Datei|*.xml"));
    EXPECT_EQ(dialogs.shown()[0].caption, QStringLiteral("xml"));
    EXPECT_EQ(dialogs.proposedNames().value(0), QStringLiteral("DTAUS0"));

    // Cancelled: the field keeps its path.
    app::chooseWizardTargetFile(*ctx, w);
    EXPECT_EQ(w.EZieldatei, QStringLiteral("/bank/lastschrift.XML"));
}

TEST_F(WizardTest, TheFinishHandsEverythingToTheMainWindowAndSavesIt)
{
    addMandanten({4});
    ctx->data.ClientDataSet3.locate(u"ID", 4);
    s.run.StartupDone = true;
    s.main.CB8Verw = true; // the main grid keeps its eight purpose lines
    app::buildMappingGrid(*ctx);
    s.source.qualifier = app::Qualifier::Double;

    w.EQuelldatei = writeText(QStringLiteral("q.csv"), "\"a,b\",c\r\n");
    w.separator = app::Separator::Comma;
    app::readWizardSource(*ctx, w);
    app::showWizardMapping(w);
    w.SGDatenbank.selectedRow = 8; // Betrag
    w.SgDatei2.selectedRow = 1;
    app::assignWizardField(*ctx, w);
    w.CBTitelzeile = false;
    w.CBTabellenItems = {QStringLiteral("T1")};
    w.CBTabellenText = QStringLiteral("T1");
    w.RGZahlungsart = app::LastschriftB2b;
    w.EZieldatei = QStringLiteral("/bank/b2b.xml");
    w.SEPAFormat = sepa::Generation::V2009;

    app::finishWizard(*ctx, w);
    EXPECT_EQ(s.main.EQuelldatei, w.EQuelldatei);
    EXPECT_EQ(s.source.CBTabellenItems, QStringList{QStringLiteral("T1")});
    EXPECT_EQ(s.source.CBTabellenText, QStringLiteral("T1"));
    EXPECT_EQ(s.source.separator, app::Separator::Comma);
    EXPECT_FALSE(s.source.CBTitelzeile);
    EXPECT_EQ(s.main.RGZahlungsart, app::LastschriftB2b);
    EXPECT_EQ(s.main.EZieldatei, QStringLiteral("/bank/b2b.xml"));
    EXPECT_EQ(s.main.SEPAFormat, sepa::Generation::V2009);
    // The qualifier stays the main window's own: the last read used it.
    EXPECT_EQ(s.source.qualifier, app::Qualifier::Double);
    EXPECT_EQ(s.source.SGDatei.cell(0, 0), QStringLiteral("a,b"));
    EXPECT_EQ(s.source.SGDatei.cell(0, 1), QStringLiteral("c"));

    // The main grid keeps its layout and shows the shared mapping.
    EXPECT_EQ(s.source.SGDatenbank.rowCount, 25);
    EXPECT_EQ(s.source.SGDatenbank.cell(0, 8), QStringLiteral("Verwendung5"));
    EXPECT_EQ(s.source.SGDatenbank.cell(0, 12), QStringLiteral("Betrag"));
    EXPECT_EQ(s.source.SGDatenbank.cell(1, 12), QStringLiteral("c"));

    // Stored for Mandant 4.
    auto stored = [&](QStringView name) { return settings->readString(u"4", name); };
    auto number = [&](QStringView name) { return settings->readInteger(u"4", name); };
    EXPECT_EQ(stored(app::names::Quelldatei), w.EQuelldatei);
    EXPECT_EQ(stored(app::names::Zieldatei), QStringLiteral("/bank/b2b.xml"));
    EXPECT_EQ(stored(app::names::Tabellenname), QStringLiteral("T1"));
    EXPECT_EQ(stored(app::names::Trennzeichen), QStringLiteral("Komma"));
    EXPECT_EQ(number(app::names::Titelzeile), 0);
    EXPECT_EQ(number(app::names::Zahlungsart), 2);
    EXPECT_EQ(number(app::names::Betrag), 1);
    EXPECT_EQ(number(app::names::SEPAFormat), 0);

    // The 2019 generation is stored as 1.
    w.SEPAFormat = sepa::Generation::V2019;
    app::finishWizard(*ctx, w);
    EXPECT_EQ(number(app::names::SEPAFormat), 1);
}

TEST_F(WizardTest, ShowingLaysOutTheMainGridAndStartsOnTheFirstPage)
{
    s.main.CB8Verw = true;
    w.page = WizardPage::Finish;
    app::openWizard(*ctx, w);
    EXPECT_EQ(w.page, WizardPage::Start);
    EXPECT_EQ(s.source.SGDatenbank.rowCount, 25);
    app::showWizardPage(w, WizardPage::Source);
    EXPECT_EQ(w.page, WizardPage::Source);

    // The first-start timer: after a start that created the tables, with a window only.
    s.run.FirstStart = true;
    ctx->services.unattended = false;
    EXPECT_TRUE(app::wizardDueAfterStart(*ctx));
    ctx->services.unattended = true;
    EXPECT_FALSE(app::wizardDueAfterStart(*ctx));
    ctx->services.unattended = false;
    s.run.FirstStart = false;
    EXPECT_FALSE(app::wizardDueAfterStart(*ctx));
}
