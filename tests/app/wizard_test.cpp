// The setup wizard without its window: its own readers, the mapping on its four-line grid, the
// Mandant step, the target file and the finish.
#include "app/operations.h"
#include "app/settingsnames.h"
#include "app/wizard.h"
#include "appfixture.h"
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

namespace {

class WizardTest : public ::testing::Test, public test::AppFixture
{
protected:
    WizardTest()
    {
        ctx->services.tabular = &files;
        ctx->services.mandantEditor = &editor;
        app::buildMappingGrid(*ctx);
    }

    QString write(const QString &name, const QByteArray &bytes)
    {
        test::writeFile(dir.filePath(name), bytes);
        return dir.filePath(name);
    }
    // Reads the file as the file button does.
    void choose(const QString &path)
    {
        dialogs.pushPath(path);
        app::chooseWizardSourceFile(*ctx, w);
    }
    // The message boxes shown since the last call (file dialogs left out).
    QStringList messages()
    {
        QStringList out;
        for (const auto &shown : dialogs.shown()) {
            if (shown.what == u"plain")
                out << shown.text;
        }
        dialogs.clear();
        return out;
    }
    void assign(int mappingRow, int sourceField)
    {
        w.SGDatenbank.selectedRow = mappingRow;
        w.SgDatei2.selectedRow = sourceField;
        app::assignWizardField(*ctx, w);
    }

    formats::FileTabularProvider files;
    test::ScriptedMandantEditor editor;
    app::MainState &s = ctx->state;
    app::WizardState w;
};

} // namespace

TEST_F(WizardTest, TheTextReaderKnowsNoQualifierAndNeverEmptiesTheGrid)
{
    // Nothing is read while the path is empty.
    w.SGDatei.setCell(1, 2, u"alt"_s);
    w.SGDatei.setRowCount(4);
    w.SGDatei.setColumnCount(3);
    app::setWizardSeparator(*ctx, w, app::Separator::Semicolon);
    EXPECT_EQ(w.SGDatei.cell(1, 2), u"alt"_s);

    // Quotes are text; cells beyond the file's fields keep what they held.
    choose(write(u"liste.csv"_s, "\"Anna; Berg\";12,50\r\nBen\r\n"));
    EXPECT_EQ(w.SGDatei.columnCount(), 2);
    EXPECT_EQ(w.SGDatei.rowCount(), 3);
    EXPECT_EQ(w.SGDatei.cell(0, 0), u"\"Anna"_s);
    EXPECT_EQ(w.SGDatei.cell(0, 1), u" Berg\""_s);
    EXPECT_EQ(w.SGDatei.cell(1, 2), u"alt"_s);

    // A separator button and the title row option read again.
    app::setWizardSeparator(*ctx, w, app::Separator::Comma);
    EXPECT_EQ(w.SGDatei.cell(0, 1), u"50"_s);
    test::writeFile(w.EQuelldatei, "neu\r\n");
    app::setWizardTitleRow(*ctx, w, true);
    EXPECT_EQ(w.SGDatei.cell(0, 0), u"neu"_s);

    // No log line, no run status, no message.
    EXPECT_TRUE(s.log.MLog.lines().isEmpty());
    EXPECT_EQ(s.run.runStatus, app::RunStatus::Ok);
    EXPECT_TRUE(messages().isEmpty());
}

TEST_F(WizardTest, WorkbooksAndDatabasesMeetTheirReaderWhateverTheyAreCalled)
{
    // .xlsx, .ods and .xls by name; a workbook under another name or in capitals is a
    // container, never text.
    const QString xlsx = dir.filePath(u"liste.xlsx"_s);
    test::writeSampleXlsx(xlsx);
    const QString data = QStringLiteral(ORDOVAN_TEST_DATA "/tabular/");
    QFile::copy(xlsx, dir.filePath(u"liste.txt"_s));
    QFile::copy(data + u"zahlungen.xls"_s, dir.filePath(u"LISTE.XLS"_s));
    for (const QString &path : {xlsx, data + u"zahlungen.ods"_s, data + u"zahlungen.xls"_s,
                                dir.filePath(u"liste.txt"_s), dir.filePath(u"LISTE.XLS"_s)}) {
        SCOPED_TRACE(path.toStdString());
        choose(path);
        EXPECT_EQ(w.CBTabellenText, u"Zahlungen"_s);
        EXPECT_EQ(w.SGDatei.columnCount(), 4);
        EXPECT_EQ(w.SGDatei.cell(1, 0), u"Müller, Anna"_s);
    }
    EXPECT_TRUE(messages().isEmpty());

    // Databases list their system tables too, after the user's own; the first is read. The
    // title row option stays as it is.
    const QString mdb = test::sharedFixtures(u"mdb"_s);
    if (!QFileInfo::exists(mdb + u"/nwind.mdb"_s))
        GTEST_SKIP() << "sample databases not present";
    w.CBTitelzeile = true;
    choose(mdb + u"/nwind.mdb"_s);
    EXPECT_FALSE(w.CBTabellenText.startsWith(u"MSys"_s));
    EXPECT_TRUE(w.CBTabellenItems.contains(u"MSysObjects"_s));
    EXPECT_TRUE(w.CBTitelzeile);
    choose(mdb + u"/ASampleDatabase.accdb"_s);
    EXPECT_EQ(w.CBTabellenText, u"Asset Items"_s);
    EXPECT_EQ(w.SGDatei.cell(0, 0), u"30050"_s);
}

TEST_F(WizardTest, TheTableListIsFilledOnlyWhileItIsEmpty)
{
    const QString xlsx = dir.filePath(u"liste.xlsx"_s);
    test::writeSampleXlsx(xlsx);
    w.EQuelldatei = xlsx;
    w.CBTabellenItems = {u"Alt"_s};
    app::readWizardSource(*ctx, w);
    EXPECT_EQ(w.CBTabellenItems, QStringList{u"Alt"_s});
    EXPECT_EQ(messages(), QStringList{u"Exceldatei konnte nicht gefunden werden\n\n"
                                      "Die Tabelle \"Alt\" gibt es in der Datei nicht."_s});

    // The file button empties it; choosing a table keeps it.
    choose(xlsx);
    EXPECT_EQ(w.CBTabellenItems.size(), 3);
    app::chooseWizardTable(*ctx, w, u"Prüfwerte"_s);
    EXPECT_EQ(w.CBTabellenItems.size(), 3);
    EXPECT_EQ(w.SGDatei.cell(0, 0), u"Text"_s);
}

TEST_F(WizardTest, EachReadFailureShowsItsMessageAndLeavesTheGrid)
{
    // A file that is not there: the message alone, exactly.
    const std::pair<QString, QString> cases[] = {
        {u"fehlt.xls"_s, u"Exceldatei konnte nicht gefunden werden"_s},
        {u"fehlt.mdb"_s, u"Accessdatei konnte nicht gefunden werden"_s},
        {u"fehlt.csv"_s, u"Quelldatei konnte nicht gefunden werden"_s},
    };
    w.SGDatei.setCell(0, 0, u"bleibt"_s);
    for (const auto &[name, message] : cases) {
        w.EQuelldatei = dir.filePath(name);
        app::readWizardSource(*ctx, w);
        EXPECT_EQ(messages(), QStringList{message});
        EXPECT_EQ(w.SGDatei.cell(0, 0), u"bleibt"_s);
    }
    EXPECT_EQ(s.run.runStatus, app::RunStatus::Ok);

    // A workbook that opens but whose rows cannot be read: told, not ignored.
    formats::TabularLimits limits;
    limits.maxCells = 5;
    formats::FileTabularProvider strict(limits);
    ctx->services.tabular = &strict;
    w.EQuelldatei = dir.filePath(u"gross.xlsx"_s);
    test::writeSampleXlsx(w.EQuelldatei);
    app::readWizardSource(*ctx, w);
    const QStringList shown = messages();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].startsWith(u"Fehler beim Lesen in der Exceldatei\n\nDie Tabelle ist zu "
                                    "groß"_s))
        << shown[0].toStdString();
    EXPECT_EQ(w.SGDatei.cell(0, 0), u"bleibt"_s);
}

TEST_F(WizardTest, TheArrowWritesStraightIntoTheSharedMappingOnTheFourLineGrid)
{
    s.main.CB8Verw = true; // the main window's layout does not matter here
    s.source.RGBetrag = app::AmountNotation::Cents;
    s.source.mapping.MandatsdatumX = 7; // not offered by the wizard: stays
    choose(write(u"l.csv"_s, "f0;f1;1158\r\ng0;g1;599\r\n"));
    app::showWizardMapping(w);
    EXPECT_EQ(w.page, WizardPage::Mapping);
    EXPECT_EQ(w.SgDatei2.cell(1, 2), u"599"_s);
    EXPECT_EQ(w.SGDatenbank.rowCount, 19);
    QStringList labels;
    for (int row = 0; row < 19; ++row)
        labels << w.SGDatenbank.cell(0, row);
    EXPECT_EQ(labels.join(u'|'), u"Feldname|Name|Kontonummer|BLZ|Verwendung1|Verwendung2|"
                                 "Verwendung3|Verwendung4|Betrag|Name2|Straße|OrtLand|"
                                 "Mandatsreferenz/NotizIntern|Ansprechpartner|IBAN|BIC|"
                                 "Laendercode|Währung|Datum"_s);

    const app::ColumnMapping &m = s.source.mapping;
    const int *entries[] = {
        &m.Kto1,   &m.Blz1,   &m.Verw[0],      &m.Verw[1],   &m.Verw[2],       &m.Verw[3],
        &m.Betrag, &m.Name2X, &m.StrasseX,     &m.OrtLandX,  &m.NotitzInternX, &m.AnsprechpartnerX,
        &m.IBANx,  &m.BICx,   &m.LaendercodeX, &m.WaehrungX, &m.DatumX};
    for (int row = 2; row <= 18; ++row) {
        assign(row, row % 3);
        EXPECT_EQ(*entries[row - 2], row % 3) << row;
        EXPECT_EQ(w.SGDatenbank.cell(2, row), w.SgDatei2.cell(1, row % 3)) << row;
    }
    // The amount as it stands in the source, never with an inserted comma.
    EXPECT_EQ(w.SGDatenbank.cell(1, 8), u"1158"_s);
    EXPECT_EQ(m.NameX, -1);
    EXPECT_EQ(m.MandatsdatumX, 7);
    assign(0, 1);
    EXPECT_EQ(w.SGDatenbank.cell(1, 0), u"zug. Dateifeld"_s) << "the titles are no target";
}

TEST_F(WizardTest, TwoFieldsAssignedToNameGiveTheCombinedName)
{
    choose(write(u"l.csv"_s, "Vorname;Nachname;Firma\r\nAnna;Berg;Berg AG\r\n"));
    app::showWizardMapping(w);
    assign(1, 1);
    assign(1, 0);
    EXPECT_EQ(s.source.mapping.NameX, 1);
    EXPECT_EQ(s.source.mapping.NameX2, 0);
    EXPECT_EQ(w.SGDatenbank.cell(2, 1), u"Berg Anna"_s);
    // A third replaces the second part, as on the main window.
    assign(1, 2);
    EXPECT_EQ(s.source.mapping.NameX2, 2);
    EXPECT_EQ(w.SGDatenbank.cell(2, 1), u"Berg Berg AG"_s);
}

TEST_F(WizardTest, StepFourChoosesTheMandantWithoutLoadingItsSettings)
{
    addMandanten({1, 2});
    settings->writeInteger(u"", app::names::Mandant, 2);
    settings->writeInteger(u"2", u"NameX", 5);
    s.source.mapping.NameX = 3; // assigned in step 3
    s.main.Label9Visible = true;
    bool hintDuringEditor = true;
    editor.onEdit = [&](app::Context &c) {
        hintDuringEditor = c.state.main.Label9Visible;
        c.data.ClientDataSet3.locate(u"ID", 1); // the user looked at Mandant 1
    };
    app::chooseWizardMandant(*ctx, w);
    EXPECT_FALSE(hintDuringEditor);
    EXPECT_FALSE(s.main.Label9Visible);
    EXPECT_EQ(s.main.CBMandantenItems, (QStringList{u"1 -  Mandant 1"_s, u"2 -  Mandant 2"_s}));
    EXPECT_EQ(s.main.CBMandantenText, u"2 -  Mandant 2"_s) << "the stored one";
    EXPECT_EQ(s.main.LKontoinhaber, u"Mandant 2"_s);
    EXPECT_EQ(w.mandantEntry, u"2 -  Mandant 2"_s);
    EXPECT_EQ(s.source.mapping.NameX, 3) << "its settings are not loaded";
    EXPECT_EQ(w.page, WizardPage::Finish);

    // No stored Mandant that exists: the one the editor left.
    settings->writeInteger(u"", app::names::Mandant, 9);
    app::chooseWizardMandant(*ctx, w);
    EXPECT_EQ(s.main.CBMandantenText, u"1 -  Mandant 1"_s);

    // A Mandant created in the editor is the one the wizard sets up, not the stored one.
    editor.onEdit = [](app::Context &c) {
        app::startNewMandant(c);
        app::setMandantField(c, u"Name"_s, u"Neu GmbH"_s);
        app::saveMandant(c);
    };
    app::chooseWizardMandant(*ctx, w);
    EXPECT_EQ(s.main.CBMandantenText, u"3 -  Neu GmbH"_s);
    EXPECT_EQ(settings->readInteger(u"", app::names::Mandant), 3);

    // No Mandant at all: the hint shows again.
    editor.onEdit = nullptr;
    ctx->data.ClientDataSet3.createEmpty(store::mandantFields());
    app::chooseWizardMandant(*ctx, w);
    EXPECT_TRUE(s.main.Label9Visible);
    EXPECT_TRUE(w.mandantEntry.isEmpty());
}

TEST_F(WizardTest, TheFormatGenerationFollowsTheChosenMandant)
{
    addMandanten({1, 2, 3});
    settings->writeInteger(u"2", u"SEPAFormat", 0);
    settings->writeInteger(u"3", u"SEPAFormat", 1);
    using G = sepa::Generation;
    for (const auto &[id, generation] : {std::pair{1, G::V2019}, {2, G::V2009}, {3, G::V2019}}) {
        ctx->data.ClientDataSet3.locate(u"ID", 1);
        settings->writeInteger(u"", app::names::Mandant, id);
        w.SEPAFormat = generation == G::V2019 ? G::V2009 : G::V2019;
        app::chooseWizardMandant(*ctx, w);
        EXPECT_EQ(w.SEPAFormat, generation) << id;
    }
    // The Mandant loaded already brings the choice it has in memory.
    s.main.SEPAFormat = G::V2009;
    app::chooseWizardMandant(*ctx, w);
    EXPECT_EQ(w.SEPAFormat, G::V2009);
}

TEST_F(WizardTest, TheTargetFileIsASepaFileProposedAsDtaus0)
{
    for (const auto &[chosen, kept] : {std::pair{u"/bank/DTAUS0"_s, u"/bank/DTAUS0.xml"_s},
                                       {u"/bank.alt/sepa"_s, u"/bank.alt/sepa.xml"_s},
                                       {u"/bank/sepa."_s, u"/bank/sepa.xml"_s},
                                       {u"/bank/lastschrift.XML"_s, u"/bank/lastschrift.XML"_s}}) {
        dialogs.pushPath(chosen);
        app::chooseWizardTargetFile(*ctx, w);
        EXPECT_EQ(w.EZieldatei, kept);
    }
    EXPECT_EQ(dialogs.shown().value(0).text, u"SEPA-Datei|*.xml"_s);
    EXPECT_EQ(dialogs.shown().value(0).caption, u"xml"_s);
    EXPECT_EQ(dialogs.proposedNames().value(0), u"DTAUS0"_s);
    app::chooseWizardTargetFile(*ctx, w); // cancelled
    EXPECT_EQ(w.EZieldatei, u"/bank/lastschrift.XML"_s);
}

TEST_F(WizardTest, TheFinishHandsEverythingToTheMainWindowAndSavesIt)
{
    addMandanten({4});
    ctx->data.ClientDataSet3.locate(u"ID", 4);
    s.run.StartupDone = true;
    s.main.CB8Verw = true;
    app::openWizard(*ctx, w);
    EXPECT_EQ(s.source.SGDatenbank.rowCount, 25) << "showing lays out the main grid";
    s.source.qualifier = app::Qualifier::Double;
    w.separator = app::Separator::Comma;
    choose(write(u"q.csv"_s, "\"a,b\",c\r\n"));
    app::showWizardMapping(w);
    assign(8, 1); // Betrag
    w.RGZahlungsart = app::LastschriftB2b;
    w.EZieldatei = u"/bank/b2b.xml"_s;
    w.SEPAFormat = sepa::Generation::V2009;

    app::finishWizard(*ctx, w);
    EXPECT_EQ(s.main.EQuelldatei, w.EQuelldatei);
    EXPECT_EQ(s.source.separator, app::Separator::Comma);
    EXPECT_FALSE(s.source.CBTitelzeile);
    EXPECT_EQ(s.main.RGZahlungsart, app::LastschriftB2b);
    EXPECT_EQ(s.main.EZieldatei, u"/bank/b2b.xml"_s);
    EXPECT_EQ(s.main.SEPAFormat, sepa::Generation::V2009);
    // Read again with the main window's own qualifier.
    EXPECT_EQ(s.source.SGDatei.cell(0, 0), u"a,b"_s);
    // The main grid keeps its eight-line layout and shows the shared mapping.
    EXPECT_EQ(s.source.SGDatenbank.rowCount, 25);
    EXPECT_EQ(s.source.SGDatenbank.cell(0, 12), u"Betrag"_s);
    EXPECT_EQ(s.source.SGDatenbank.cell(1, 12), u"c"_s);

    const auto number = [&](QStringView name) { return settings->readInteger(u"4", name); };
    EXPECT_EQ(settings->readString(u"4", u"Quelldatei"), w.EQuelldatei);
    EXPECT_EQ(settings->readString(u"4", u"Trennzeichen"), u"Komma"_s);
    EXPECT_EQ(number(u"Titelzeile"), 0);
    EXPECT_EQ(number(u"Zahlungsart"), 2);
    EXPECT_EQ(number(u"Betrag"), 1);
    EXPECT_EQ(number(u"SEPAFormat"), 0);
    w.SEPAFormat = sepa::Generation::V2019;
    app::finishWizard(*ctx, w);
    EXPECT_EQ(number(u"SEPAFormat"), 1);
}
