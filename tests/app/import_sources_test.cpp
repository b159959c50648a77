// Reading the source through the operations: log lines, run status, the choice of reader by
// extension, the option handler and the file chooser.
#include "app/operations.h"
#include "appfixture.h"
#include "testutil.h"

#include <gtest/gtest.h>

using namespace ordovan;

namespace {

QStringList qsl(std::initializer_list<const char *> texts)
{
    QStringList out;
    for (const char *t : texts)
        out << QString::fromUtf8(t);
    return out;
}

class ImportSourcesTest : public ::testing::Test, public test::AppFixture
{
protected:
    app::MainState &s = ctx->state;

    QString write(const QString &name, const QByteArray &bytes)
    {
        const QString p = dir.filePath(name);
        test::writeFile(p, bytes);
        return p;
    }
    // The log lines without their timestamps.
    QStringList events() const
    {
        QStringList out;
        for (const QString &line : s.MLog.lines())
            out << line.mid(19); // after "08.12.2022 14:05:09"
        return out;
    }
};

TEST_F(ImportSourcesTest, TextSourceLogsStartAndEndAndFillsTheGrid)
{
    s.EQuelldatei = write(QStringLiteral("liste.csv"), "Name;Betrag\r\nM\xFCller;11,58\r\n");
    s.separator = app::Separator::Semicolon;
    app::ReadTextSource(*ctx);
    EXPECT_EQ(s.MLog.lines(), (qsl({"08.12.2022 14:05:09 Quelldatei ÖFFNEN START",
                                    "08.12.2022 14:05:09 Quelldatei ÖFFNEN ENDE"})));
    EXPECT_EQ(s.RunStatus, 0);
    EXPECT_EQ(s.SGDatei.cell(1, 0), QStringLiteral("Müller"));
}

TEST_F(ImportSourcesTest, MissingSourceOrFolderIsNotFound)
{
    for (const QString &path : {dir.filePath(QStringLiteral("fehlt.csv")), dir.path()}) {
        s.MLog.clear();
        s.RunStatus = 0;
        s.SGDatei.setCell(0, 0, QStringLiteral("alt"));
        s.EQuelldatei = path;
        app::ReadTextSource(*ctx);
        EXPECT_EQ(events(),
                  (qsl({" Quelldatei ÖFFNEN START", " Quelldatei konnte nicht gefunden werden"})));
        EXPECT_EQ(s.RunStatus, 2);
        EXPECT_EQ(s.SGDatei.cell(0, 0), QStringLiteral("alt"));
    }
}

TEST_F(ImportSourcesTest, ReadFailureIsStatusFive)
{
    if (!QFile::exists(QStringLiteral("/proc/self/mem")))
        GTEST_SKIP() << "no /proc";
    s.EQuelldatei = QStringLiteral("/proc/self/mem");
    app::ReadTextSource(*ctx);
    EXPECT_EQ(events(),
              (qsl({" Quelldatei ÖFFNEN START", " Fehler beim Lesen in der Quelldatei"})));
    EXPECT_EQ(s.RunStatus, 5);
}

struct DispatchCase
{
    const char *path;
    bool batchRun;
    const char *firstEvent; // the START line of the reader chosen; empty: none of the text's
};

class ReaderDispatchTest : public ImportSourcesTest,
                           public ::testing::WithParamInterface<DispatchCase>
{};

// Until a reader is available its placeholder logs nothing, so the text reader is recognised
// by its START line and the others by its absence.
TEST_P(ReaderDispatchTest, ChoosesTheReaderByExtension)
{
    const DispatchCase &c = GetParam();
    s.EQuelldatei = dir.filePath(QString::fromUtf8(c.path));
    app::ReadSource(*ctx, c.batchRun);
    const bool text = events().contains(QStringLiteral(" Quelldatei ÖFFNEN START"));
    EXPECT_EQ(text, QByteArray(c.firstEvent) == " Quelldatei ÖFFNEN START") << c.path;
}

INSTANTIATE_TEST_SUITE_P(
    Extensions, ReaderDispatchTest,
    ::testing::Values(DispatchCase{"liste.csv", true, " Quelldatei ÖFFNEN START"},
                      DispatchCase{"liste", true, " Quelldatei ÖFFNEN START"},
                      DispatchCase{"ordner.xls/liste", true, " Quelldatei ÖFFNEN START"},
                      DispatchCase{"liste.xls", true, ""}, DispatchCase{"liste.XLSX", true, ""},
                      DispatchCase{"liste.ods", false, ""}, DispatchCase{"liste.MDB", true, ""},
                      DispatchCase{"liste.accdb", false, ""},
                      DispatchCase{"liste.XLS", false, " Quelldatei ÖFFNEN START"},
                      DispatchCase{"liste.Mdb", false, " Quelldatei ÖFFNEN START"}));

TEST_F(ImportSourcesTest, OptionHandlerEmptiesTheGridAndReadsAgainOnceStarted)
{
    s.EQuelldatei = write(QStringLiteral("liste.csv"), "a,b;c\n");
    s.separator = app::Separator::Semicolon;
    s.SGDatei.setCell(3, 3, QStringLiteral("alt"));

    s.StartupDone = false;
    app::RBKommaClick(*ctx);
    EXPECT_EQ(s.SGDatei.cell(3, 3), QString());
    EXPECT_TRUE(s.MLog.isEmpty()) << "before start-up is done it only empties the grid";

    s.StartupDone = true;
    s.separator = app::Separator::Comma;
    s.mapping.NameX = 1;
    app::RBKommaClick(*ctx);
    EXPECT_EQ(s.SGDatei.cell(0, 0), QStringLiteral("a"));
    EXPECT_EQ(s.SGDatei.cell(0, 1), QStringLiteral("b;c"));
    EXPECT_EQ(s.SGDatenbank.cell(1, 1), QStringLiteral("b;c")) << "the preview is refreshed";

    s.MLog.clear();
    s.EQuelldatei.clear();
    app::RBKommaClick(*ctx);
    EXPECT_TRUE(s.MLog.isEmpty()) << "no source, no read";
}

TEST_F(ImportSourcesTest, FileChooserSetsThePathAndReadsThroughTheOptionHandler)
{
    s.StartupDone = true;
    s.CBTabellenItems = QStringList{QStringLiteral("Tabelle1")};
    s.CBTabellenText = QStringLiteral("Tabelle1");
    const QString path = write(QStringLiteral("LISTE.XLS"), "x\ty\n");
    dialogs.pushPath(path);
    app::SpeedButton4Click(*ctx);
    EXPECT_EQ(s.EQuelldatei, path);
    EXPECT_TRUE(s.CBTabellenItems.isEmpty());
    EXPECT_TRUE(s.CBTabellenText.isEmpty());
    EXPECT_EQ(s.SGDatei.cell(0, 1), QStringLiteral("y")) << "capital .XLS is read as text here";

    dialogs.pushPath(std::nullopt);
    s.SGDatei.setCell(0, 0, QStringLiteral("bleibt"));
    app::SpeedButton4Click(*ctx);
    EXPECT_EQ(s.EQuelldatei, path) << "cancelled: nothing changes";
    EXPECT_EQ(s.SGDatei.cell(0, 0), QStringLiteral("bleibt"));
}

TEST_F(ImportSourcesTest, FileChooserReadsADatabaseAloneWithoutEmptyingTheGrid)
{
    s.StartupDone = true;
    s.CBTitelzeile = false; // the database reader switches it off, which would re-read
    s.SGDatei.setCell(0, 0, QStringLiteral("bleibt"));
    dialogs.pushPath(dir.filePath(QStringLiteral("daten.mdb")));
    app::SpeedButton4Click(*ctx);
    EXPECT_FALSE(events().contains(QStringLiteral(" Quelldatei ÖFFNEN START")));
    EXPECT_EQ(s.SGDatei.cell(0, 0), QStringLiteral("bleibt"));
}

} // namespace
