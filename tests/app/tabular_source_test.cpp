// readWorkbookSource, readDatabaseSource and fillGridFromRows: the table combo list, the
// source grid, the log lines and the run status, on the sample files and on scripted
// providers for what no sample file can show.
#include "app/context.h"
#include "app/operations.h"
#include "app/tabularsource.h"
#include "appfixture.h"
#include "base/error.h"
#include "tabularfixtures.h"
#include "tabularxlswriter.h"
#include "testutil.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

using namespace ordovan;
using namespace ordovan::app::tabular_log;

namespace {

QString sampleFile(const char *name)
{
    return QStringLiteral(ORDOVAN_TEST_DATA "/tabular/") + QString::fromUtf8(name);
}

QString wildFile(const char *name)
{
    return QStringLiteral(ORDOVAN_TEST_DATA "/wild/") + QString::fromUtf8(name);
}

// A row set from a list of rows; a text call may be told to fail.
class ListRowSet : public formats::TabularRowSet
{
public:
    ListRowSet(int fields, QList<QStringList> rows) : m_fields(fields), m_rows(std::move(rows)) {}
    int fieldCount() const override { return m_fields; }
    int rowCount() const override { return int(m_rows.size()); }
    void first() override { m_current = 0; }
    bool eof() const override { return m_current >= m_rows.size(); }
    int recNo() const override { return int(m_current) + 1; }
    void next() override { ++m_current; }
    QString text(int field) const override
    {
        if (failAt && failAt(int(m_current), field))
            throw Error(QStringLiteral("Zelle"));
        return m_rows[m_current].value(field);
    }
    std::function<bool(int, int)> failAt;

private:
    int m_fields;
    QList<QStringList> m_rows;
    qsizetype m_current = 0;
};

// A provider whose one file has the given tables; records what it was asked.
class ScriptedProvider : public formats::TabularProvider
{
public:
    struct Connection : formats::TabularConnection
    {
        ScriptedProvider *owner;
        QStringList tableNames(bool system) const override
        {
            owner->askedSystemTables = system;
            return owner->names;
        }
        std::unique_ptr<formats::TabularRowSet> openTable(const QString &name) override
        {
            owner->opened << name;
            if (!owner->names.contains(name))
                throw Error(QStringLiteral("fehlt"));
            return std::make_unique<ListRowSet>(2, owner->rows);
        }
    };
    std::unique_ptr<formats::TabularConnection> connect(const QString &,
                                                        formats::TabularKind kind) override
    {
        kinds << kind;
        auto c = std::make_unique<Connection>();
        c->owner = this;
        return c;
    }

    QStringList names;
    QList<QStringList> rows;
    QStringList opened;
    QList<formats::TabularKind> kinds;
    bool askedSystemTables = false;
};

class TabularSource : public ::testing::Test
{
protected:
    TabularSource() { fx.ctx->services.tabular = &files; }

    app::MainState &state() { return fx.ctx->state; }
    // The log lines without their time stamps.
    QStringList log() const
    {
        QStringList texts;
        for (const QString &line : fx.ctx->state.log.MLog.lines())
            texts << line.mid(line.indexOf(u' ', line.indexOf(u' ') + 1));
        return texts;
    }
    QList<QStringList> grid() const
    {
        const auto &g = fx.ctx->state.source.SGDatei;
        QList<QStringList> records;
        for (int c = 0; c < g.columnCount(); ++c) {
            QStringList fields;
            for (int r = 0; r < g.rowCount(); ++r)
                fields << g.cell(c, r);
            records << fields;
        }
        return records;
    }
    void fillGrid(const QString &text)
    {
        auto &g = state().source.SGDatei;
        g.setColumnCount(2);
        g.setRowCount(2);
        for (int c = 0; c < 2; ++c)
            for (int r = 0; r < 2; ++r)
                g.setCell(c, r, text);
    }

    test::AppFixture fx;
    formats::FileTabularProvider files;
    ScriptedProvider scripted;
};

} // namespace

TEST_F(TabularSource, AWorkbookFillsTheTableListAndTheGrid)
{
    state().main.EQuelldatei = sampleFile("zahlungen.ods");
    app::readWorkbookSource(*fx.ctx);
    EXPECT_EQ(state().source.CBTabellenItems,
              (QStringList{QStringLiteral("Zahlungen"), QStringLiteral("Prüfwerte"),
                           QStringLiteral("Leer")}));
    EXPECT_EQ(state().source.CBTabellenText, QStringLiteral("Zahlungen"));
    // One grid column per row of the sheet, title row included.
    EXPECT_EQ(grid(), test::samplePayments());
    EXPECT_EQ(log(), (QStringList{kExcelStart, kExcelEnd}));
    EXPECT_EQ(state().run.runStatus, app::RunStatus::Ok);
}

TEST_F(TabularSource, TheListIsKeptAndTheChosenSheetRead)
{
    state().main.EQuelldatei = sampleFile("zahlungen.xls");
    state().source.CBTabellenItems = {QStringLiteral("Alt")};
    state().source.CBTabellenText = QStringLiteral("Prüfwerte");
    app::readWorkbookSource(*fx.ctx);
    EXPECT_EQ(state().source.CBTabellenItems, QStringList{QStringLiteral("Alt")});
    EXPECT_EQ(grid(), test::sampleChecks());
    // A Tabellenname as the Windows data layer stored it selects the same sheet.
    state().source.CBTabellenText = QStringLiteral("Zahlungen$");
    app::readWorkbookSource(*fx.ctx);
    EXPECT_EQ(grid(), test::samplePayments());
    EXPECT_EQ(state().run.runStatus, app::RunStatus::Ok);
}

TEST_F(TabularSource, WhatCannotBeOpenedIsStatusTwoAndLeavesTheGrid)
{
    const struct
    {
        QString path;
        QString table;
    } cases[] = {
        {sampleFile("zahlungen.xls"), QStringLiteral("Tabelle1")}, // a stored name it lacks
        {sampleFile("fehlt.xlsx"), QString()},                     // no such file
        {sampleFile("make_fixtures.py"), QString()},               // no workbook at all
    };
    for (const auto &c : cases) {
        fillGrid(QStringLiteral("alt"));
        state().log.MLog.clear();
        state().run.runStatus = app::RunStatus::Ok;
        state().main.EQuelldatei = c.path;
        state().source.CBTabellenItems.clear();
        state().source.CBTabellenText = c.table;
        app::readWorkbookSource(*fx.ctx);
        EXPECT_EQ(state().run.runStatus, app::RunStatus::SourceNotFound) << c.path.toStdString();
        EXPECT_EQ(log(), (QStringList{kExcelStart, kExcelNotFound}));
        EXPECT_EQ(grid(), (QList<QStringList>{{QStringLiteral("alt"), QStringLiteral("alt")},
                                              {QStringLiteral("alt"), QStringLiteral("alt")}}));
    }
}

TEST_F(TabularSource, RowsThatCannotBeReadAreStatusFive)
{
    formats::TabularLimits limits;
    limits.maxCells = 10; // the payments sheet has 24
    formats::FileTabularProvider strict(limits);
    fx.ctx->services.tabular = &strict;
    fillGrid(QStringLiteral("alt"));
    state().main.EQuelldatei = sampleFile("zahlungen.ods");
    app::readWorkbookSource(*fx.ctx);
    EXPECT_EQ(state().run.runStatus, app::RunStatus::SourceUnreadable);
    EXPECT_EQ(log(), (QStringList{kExcelStart, kExcelReadError}));
    EXPECT_EQ(grid().first().first(), QStringLiteral("alt"));
}

TEST_F(TabularSource, WithoutAnyReaderTheOpeningFails)
{
    fx.ctx->services.tabular = nullptr;
    state().main.EQuelldatei = sampleFile("zahlungen.ods");
    app::readWorkbookSource(*fx.ctx);
    EXPECT_EQ(state().run.runStatus, app::RunStatus::SourceUnreadable);
    EXPECT_EQ(log(), (QStringList{kExcelStart, kExcelOpenError}));
    state().log.MLog.clear();
    app::readDatabaseSource(*fx.ctx);
    EXPECT_EQ(log(), (QStringList{kAccessStart, kAccessOpenError}));
}

TEST_F(TabularSource, AFileWithoutTablesHasNoFirstItem)
{
    fx.ctx->services.tabular = &scripted;
    state().main.EQuelldatei = QStringLiteral("/leer.mdb");
    app::readDatabaseSource(*fx.ctx);
    EXPECT_EQ(state().run.runStatus, app::RunStatus::SourceNotFound);
    EXPECT_EQ(log(), (QStringList{kAccessStart, kAccessNotFound}));
    EXPECT_TRUE(scripted.opened.isEmpty());
}

TEST_F(TabularSource, ADatabaseSwitchesTheTitleRowOffAndListsNoSystemTables)
{
    fx.ctx->services.tabular = &scripted;
    scripted.names = {QStringLiteral("Kunden"), QStringLiteral("Umsätze")};
    scripted.rows = {{QStringLiteral("a"), QStringLiteral("b")}, {QStringLiteral("c")}};
    state().main.EQuelldatei = QStringLiteral("/daten.mdb");
    state().source.CBTitelzeile = true;
    app::readDatabaseSource(*fx.ctx);
    EXPECT_FALSE(state().source.CBTitelzeile);
    EXPECT_FALSE(scripted.askedSystemTables);
    EXPECT_EQ(scripted.kinds.last(), formats::TabularKind::Database);
    EXPECT_EQ(state().source.CBTabellenText, QStringLiteral("Kunden"));
    EXPECT_EQ(grid(), (QList<QStringList>{{QStringLiteral("a"), QStringLiteral("b")},
                                          {QStringLiteral("c"), QString()}}));
    EXPECT_EQ(log(), (QStringList{kAccessStart, kAccessEnd}));
}

TEST_F(TabularSource, TheTitleRowChangeRunsTheOptionHandlerWhichReadsAgain)
{
    fx.ctx->services.tabular = &scripted;
    scripted.names = {QStringLiteral("Umsätze")};
    scripted.rows = {{QStringLiteral("a"), QStringLiteral("b")}};
    state().main.EQuelldatei = QStringLiteral("/daten.mdb");
    state().run.StartupDone = true;
    state().source.CBTitelzeile = true;
    app::readDatabaseSource(*fx.ctx);
    // The handler's read runs inside the first one; the title row is off by then.
    EXPECT_EQ(log(), (QStringList{kAccessStart, kAccessStart, kAccessEnd, kAccessEnd}));
    EXPECT_EQ(scripted.opened.size(), 2);
    // With the option already off nothing is changed and the handler does not run.
    state().log.MLog.clear();
    app::readDatabaseSource(*fx.ctx);
    EXPECT_EQ(log(), (QStringList{kAccessStart, kAccessEnd}));
}

TEST_F(TabularSource, TheSampleDatabaseArrivesWithoutFieldNames)
{
    ORDOVAN_REQUIRE_SHARED_FIXTURE(nwind, "mdb", "nwind.mdb");
    state().main.EQuelldatei = nwind;
    state().source.CBTabellenText = QStringLiteral("Umsätze");
    app::readDatabaseSource(*fx.ctx);
    EXPECT_EQ(state().run.runStatus, app::RunStatus::Ok);
    EXPECT_EQ(state().source.SGDatei.columnCount(), 830);
    EXPECT_EQ(state().source.SGDatei.rowCount(), 14);
    EXPECT_EQ(state().source.SGDatei.cell(0, 0), QStringLiteral("10330"));
    EXPECT_EQ(state().source.SGDatei.cell(0, 7), QStringLiteral("12,75"));
    EXPECT_FALSE(state().source.CBTabellenItems.contains(QStringLiteral("MSysObjects")));
}

TEST_F(TabularSource, FillGridCopiesRowsAndKeepsCellsThatFail)
{
    fillGrid(QStringLiteral("alt"));
    ListRowSet rows(3, {{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")},
                        {QStringLiteral("d"), QStringLiteral("e"), QStringLiteral("f")}});
    rows.failAt = [](int row, int field) { return row == 1 && field == 1; };
    app::fillGridFromRows(*fx.ctx, rows);
    EXPECT_EQ(grid(), (QList<QStringList>{
                          {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")},
                          {QStringLiteral("d"), QStringLiteral("alt"), QStringLiteral("f")}}));

    // An empty sheet leaves the smallest grid: one column, one row.
    ListRowSet none(0, {});
    app::fillGridFromRows(*fx.ctx, none);
    EXPECT_EQ(state().source.SGDatei.columnCount(), 1);
    EXPECT_EQ(state().source.SGDatei.rowCount(), 1);
}

TEST_F(TabularSource, CapitalExtensionsAreWorkbooksForTheBatchRunAndContentForBoth)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("LISTE.XLSX"));
    test::writeSampleXlsx(path);
    state().main.EQuelldatei = path;
    app::readSource(*fx.ctx, true);
    EXPECT_EQ(log().first(), kExcelStart);
    EXPECT_EQ(grid(), test::samplePayments());

    // The option handler compares the extension as written, but a zip archive is never
    // text: it is read as the workbook it is.
    state().log.MLog.clear();
    fillGrid(QStringLiteral("alt"));
    app::readSource(*fx.ctx, false);
    EXPECT_EQ(log(), (QStringList{kExcelStart, kExcelEnd}));
    EXPECT_EQ(grid(), test::samplePayments());

    // A real text file named like a workbook still goes to the text reader there.
    const QString text = dir.filePath(QStringLiteral("TEXT.XLS"));
    test::writeFile(text, "a\tb\r\n");
    state().main.EQuelldatei = text;
    state().log.MLog.clear();
    app::readSource(*fx.ctx, false);
    EXPECT_EQ(log().first(), QStringLiteral(" Quelldatei ÖFFNEN START"));

    const QString ods = dir.filePath(QStringLiteral("liste.ods"));
    test::writeFile(ods, test::readFile(sampleFile("zahlungen.ods")));
    state().main.EQuelldatei = ods;
    state().log.MLog.clear();
    app::readSource(*fx.ctx, false);
    EXPECT_EQ(log(), (QStringList{kExcelStart, kExcelEnd}));
}

TEST_F(TabularSource, ARefusedWorkbookKeepsItsReasonAndTheGrid)
{
    QTemporaryDir dir;
    namespace x = test::xls;
    // The sheet list is whole, the sheet's records end too early: its rows cannot be read.
    const QByteArray stream = x::workbookStream(
        {{QStringLiteral("Blatt"), x::number(0, 0, 11.58) + x::number(1, 0, 0.07), 2, 1}});
    const QString damaged = dir.filePath(QStringLiteral("kaputt.xls"));
    test::writeFile(damaged, x::compoundFile(stream.left(stream.size() - 4)));
    const QString missing = dir.filePath(QStringLiteral("fehlt.xlsx"));
    const QString encrypted = wildFile("calamine_issue_385.xls");
    const struct
    {
        QString path;
        int status;
        QString line;
        QString reason;
    } cases[] = {
        {missing, 2, kExcelNotFound,
         QStringLiteral("Die Datei \"%1\" wurde nicht gefunden.").arg(missing)},
        {encrypted, 2, kExcelNotFound,
         QStringLiteral("\"%1\" ist verschlüsselt oder kennwortgeschützt.").arg(encrypted)},
        {wildFile("xlrd_sample.xlsb"), 2, kExcelNotFound,
         QStringLiteral("Das Format .xlsb wird nicht unterstützt. Bitte die Arbeitsmappe als "
                        ".xlsx speichern.")},
        {damaged, 5, kExcelReadError, QStringLiteral("\"%1\" ist beschädigt.").arg(damaged)},
    };
    for (const auto &c : cases) {
        fillGrid(QStringLiteral("alt"));
        state().log.MLog.clear();
        state().run.runStatus = app::RunStatus::Ok;
        state().run.RunSourceError.clear();
        state().main.EQuelldatei = c.path;
        state().source.CBTabellenItems.clear();
        state().source.CBTabellenText.clear();
        app::readWorkbookSource(*fx.ctx);
        EXPECT_EQ(int(state().run.runStatus), c.status) << c.path.toStdString();
        EXPECT_EQ(log(), (QStringList{kExcelStart, c.line}));
        EXPECT_EQ(state().run.RunSourceError, c.reason);
        EXPECT_EQ(grid().first().first(), QStringLiteral("alt")) << "nothing half read";
    }
}

TEST_F(TabularSource, ZipAndCompoundFilesAreNeverReadAsText)
{
    QTemporaryDir dir;
    const auto place = [&](const char *name, const QByteArray &bytes) {
        const QString path = dir.filePath(QString::fromUtf8(name));
        test::writeFile(path, bytes);
        return path;
    };
    const QString xlsx = dir.filePath(QStringLiteral("quelle"));
    test::writeSampleXlsx(xlsx);
    // Workbooks under the names of text files, of templates and of macro workbooks.
    const QStringList workbooks{
        place("liste.csv", test::readFile(sampleFile("zahlungen.xls"))),
        place("liste.txt", test::readFile(sampleFile("zahlungen.ods"))),
        place("export", test::readFile(xlsx)),
        place("makros.xlsm", test::readFile(xlsx)),
        place("vorlage.xltx", test::readFile(xlsx)),
        place("vorlage.XLTM", test::readFile(xlsx)),
    };
    for (const QString &path : workbooks) {
        for (const bool batchRun : {true, false}) {
            state().log.MLog.clear();
            state().run.runStatus = app::RunStatus::Ok;
            state().main.EQuelldatei = path;
            state().source.CBTabellenItems.clear();
            state().source.CBTabellenText.clear();
            app::readSource(*fx.ctx, batchRun);
            EXPECT_EQ(log(), (QStringList{kExcelStart, kExcelEnd})) << path.toStdString();
            EXPECT_EQ(grid(), test::samplePayments()) << path.toStdString();
        }
    }

    // Containers that hold no workbook we know are refused, never imported as text.
    const QString pictures = dir.filePath(QStringLiteral("bilder.csv"));
    test::writeZip(pictures, {{QStringLiteral("bild.png"), QByteArray(100, 'x')}});
    const QString binary = place("mappe.csv", test::readFile(wildFile("xlrd_sample.xlsb")));
    for (const QString &path : {pictures, binary}) {
        fillGrid(QStringLiteral("alt"));
        state().log.MLog.clear();
        state().run.runStatus = app::RunStatus::Ok;
        state().main.EQuelldatei = path;
        state().source.CBTabellenItems.clear();
        state().source.CBTabellenText.clear();
        app::readSource(*fx.ctx, true);
        EXPECT_EQ(state().run.runStatus, app::RunStatus::SourceNotFound);
        EXPECT_EQ(log(), (QStringList{kExcelStart, kExcelNotFound}));
        EXPECT_EQ(grid().first().first(), QStringLiteral("alt"));
    }
    EXPECT_EQ(state().run.RunSourceError,
              QStringLiteral("Das Format .xlsb wird nicht unterstützt. "
                             "Bitte die Arbeitsmappe als .xlsx speichern."));
}
