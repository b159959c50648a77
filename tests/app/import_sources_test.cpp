// Reading the source through the operations: log lines, run status, the choice of reader by
// extension, the option handler and the file chooser.
#include "app/operations.h"
#include "appfixture.h"
#include "store/schema.h"
#include "testutil.h"

#include <gtest/gtest.h>

using namespace ordovan;

namespace {

QString u8(const char *text)
{
    return QString::fromUtf8(text);
}

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
        for (const QString &line : s.log.MLog.lines())
            out << line.mid(19); // after "08.12.2022 14:05:09"
        return out;
    }
};

TEST_F(ImportSourcesTest, TextSourceLogsStartAndEndAndFillsTheGrid)
{
    s.main.EQuelldatei = write(QStringLiteral("liste.csv"), "Name;Betrag\r\nM\xFCller;11,58\r\n");
    s.source.separator = app::Separator::Semicolon;
    app::readTextSource(*ctx);
    EXPECT_EQ(s.log.MLog.lines(), (qsl({"08.12.2022 14:05:09 Quelldatei ÖFFNEN START",
                                        "08.12.2022 14:05:09 Quelldatei ÖFFNEN ENDE"})));
    EXPECT_EQ(s.run.runStatus, app::RunStatus::Ok);
    EXPECT_EQ(s.source.SGDatei.cell(1, 0), QStringLiteral("Müller"));
}

TEST_F(ImportSourcesTest, MissingSourceOrFolderIsNotFound)
{
    for (const QString &path : {dir.filePath(QStringLiteral("fehlt.csv")), dir.path()}) {
        s.log.MLog.clear();
        s.run.runStatus = app::RunStatus::Ok;
        s.source.SGDatei.setCell(0, 0, QStringLiteral("alt"));
        s.main.EQuelldatei = path;
        app::readTextSource(*ctx);
        EXPECT_EQ(events(),
                  (qsl({" Quelldatei ÖFFNEN START", " Quelldatei konnte nicht gefunden werden"})));
        EXPECT_EQ(s.run.runStatus, app::RunStatus::SourceNotFound);
        EXPECT_EQ(s.source.SGDatei.cell(0, 0), QStringLiteral("alt"));
    }
}

TEST_F(ImportSourcesTest, ReadFailureIsStatusFive)
{
    if (!QFile::exists(QStringLiteral("/proc/self/mem")))
        GTEST_SKIP() << "no /proc";
    s.main.EQuelldatei = QStringLiteral("/proc/self/mem");
    app::readTextSource(*ctx);
    EXPECT_EQ(events(),
              (qsl({" Quelldatei ÖFFNEN START", " Fehler beim Lesen in der Quelldatei"})));
    EXPECT_EQ(s.run.runStatus, app::RunStatus::SourceUnreadable);
}

// Bad sources of every kind: each is read to its end (or refused) with the right log line and
// status, the import copes with whatever the grid holds, and earlier records stay.
TEST_F(ImportSourcesTest, BadSourcesNeitherCrashNorTouchStoredRecords)
{
    store::Table &azv = ctx->data.ClientDataSetAZV;
    azv.createEmpty(store::sepaPaymentFields());
    ctx->data.ClientDataSet1.createEmpty(store::domesticPaymentFields());
    for (int i = 0; i < 3; ++i) {
        azv.insert();
        azv.setValue(u"Name1", QStringLiteral("alt %1").arg(i));
        azv.post();
    }
    QByteArray garbage;
    quint32 x = 7;
    for (int i = 0; i < 300000; ++i) {
        x = x * 1664525 + 1013904223;
        garbage += char(x >> 24);
    }
    QByteArray manyFields;
    for (int i = 0; i < 100000; ++i)
        manyFields += "1,5;";
    const QList<std::pair<const char *, QByteArray>> sources = {
        {"garbage.csv", garbage},
        {"longline.csv", QByteArray(10 * 1024 * 1024, 'x') + "\n"},
        {"manyfields.csv", manyFields + "\n"},
        {"invalid.csv", "M\xC3\x28ller;\xFF\xFE;\x81\n"},
        {"empty.csv", QByteArray()},
    };
    s.source.separator = app::Separator::Semicolon;
    s.source.qualifier = app::Qualifier::Double;
    s.source.CBTitelzeile = false;
    s.source.RGBetrag = app::AmountNotation::Cents;
    s.source.mapping.NameX = 0;
    s.source.mapping.Betrag = 1;
    s.source.mapping.DatumX = 2;
    s.source.mapping.Verw[0] = 99999;
    for (const auto &[name, bytes] : sources) {
        s.run.runStatus = app::RunStatus::Ok;
        s.log.MLog.clear();
        s.main.EQuelldatei = write(QString::fromUtf8(name), bytes);
        app::setNewRecordsFilters(*ctx);
        app::readSource(*ctx, true);
        EXPECT_EQ(s.run.runStatus, app::RunStatus::Ok) << name;
        EXPECT_EQ(events().value(1), u8(" Quelldatei ÖFFNEN ENDE")) << name;
        app::showMappingPreview(*ctx);
        app::importRecords(*ctx);
        EXPECT_EQ(events().last(), u8(" Datensätze EINLESEN ENDE")) << name;
        azv.setFiltered(false);
        for (int id = 1; id <= 3; ++id) {
            ASSERT_TRUE(azv.locate(u"ID", id)) << name;
            EXPECT_EQ(azv.text(u"Name1"), QStringLiteral("alt %1").arg(id - 1));
        }
    }
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
    s.main.EQuelldatei = dir.filePath(QString::fromUtf8(c.path));
    app::readSource(*ctx, c.batchRun);
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
    s.main.EQuelldatei = write(QStringLiteral("liste.csv"), "a,b;c\n");
    s.source.separator = app::Separator::Semicolon;
    s.source.SGDatei.setCell(3, 3, QStringLiteral("alt"));

    s.run.StartupDone = false;
    app::sourceOptionsChanged(*ctx);
    EXPECT_EQ(s.source.SGDatei.cell(3, 3), QString());
    EXPECT_TRUE(s.log.MLog.isEmpty()) << "before start-up is done it only empties the grid";

    s.run.StartupDone = true;
    s.source.separator = app::Separator::Comma;
    s.source.mapping.NameX = 1;
    app::sourceOptionsChanged(*ctx);
    EXPECT_EQ(s.source.SGDatei.cell(0, 0), QStringLiteral("a"));
    EXPECT_EQ(s.source.SGDatei.cell(0, 1), QStringLiteral("b;c"));
    EXPECT_EQ(s.source.SGDatenbank.cell(1, 1), QStringLiteral("b;c")) << "the preview is refreshed";

    s.log.MLog.clear();
    s.main.EQuelldatei.clear();
    app::sourceOptionsChanged(*ctx);
    EXPECT_TRUE(s.log.MLog.isEmpty()) << "no source, no read";
}

TEST_F(ImportSourcesTest, FileChooserSetsThePathAndReadsThroughTheOptionHandler)
{
    s.run.StartupDone = true;
    s.source.CBTabellenItems = QStringList{QStringLiteral("Tabelle1")};
    s.source.CBTabellenText = QStringLiteral("Tabelle1");
    const QString path = write(QStringLiteral("LISTE.XLS"), "x\ty\n");
    dialogs.pushPath(path);
    app::chooseSourceFile(*ctx);
    EXPECT_EQ(s.main.EQuelldatei, path);
    EXPECT_TRUE(s.source.CBTabellenItems.isEmpty());
    EXPECT_TRUE(s.source.CBTabellenText.isEmpty());
    EXPECT_EQ(s.source.SGDatei.cell(0, 1), QStringLiteral("y"))
        << "capital .XLS is read as text here";

    dialogs.pushPath(std::nullopt);
    s.source.SGDatei.setCell(0, 0, QStringLiteral("bleibt"));
    app::chooseSourceFile(*ctx);
    EXPECT_EQ(s.main.EQuelldatei, path) << "cancelled: nothing changes";
    EXPECT_EQ(s.source.SGDatei.cell(0, 0), QStringLiteral("bleibt"));
}

TEST_F(ImportSourcesTest, FileChooserReadsADatabaseAloneWithoutEmptyingTheGrid)
{
    s.run.StartupDone = true;
    s.source.CBTitelzeile = false; // the database reader switches it off, which would re-read
    s.source.SGDatei.setCell(0, 0, QStringLiteral("bleibt"));
    dialogs.pushPath(dir.filePath(QStringLiteral("daten.mdb")));
    app::chooseSourceFile(*ctx);
    EXPECT_FALSE(events().contains(QStringLiteral(" Quelldatei ÖFFNEN START")));
    EXPECT_EQ(s.source.SGDatei.cell(0, 0), QStringLiteral("bleibt"));
}

} // namespace
