#include "base/error.h"
#include "platform/settingsstore.h"
#include "testutil.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

using namespace ordovan;
using platform::RegistryDocument;
using platform::SettingsStore;

namespace {

QByteArray utf16le(const QString &text)
{
    QByteArray b("\xFF\xFE", 2);
    b.append(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
    return b;
}

class SettingsStoreTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString path() const
    {
        return dir.filePath(QStringLiteral("cfg/Brunnhold Software/Ordovan.reg"));
    }
};

} // namespace

TEST_F(SettingsStoreTest, MissingValuesReadAsMinusOneOrEmpty)
{
    SettingsStore store(path());
    EXPECT_EQ(store.readInteger(u"", u"Mandant"), -1);
    EXPECT_EQ(store.readString(u"3", u"Quelldatei"), QString());
    // Like the registry, opening a key for reading creates it.
    SettingsStore again(path());
    const QByteArray bytes = test::readFile(path());
    const QString text = QString::fromUtf16(
        reinterpret_cast<const char16_t *>(bytes.constData() + 2), (bytes.size() - 2) / 2);
    EXPECT_TRUE(text.contains(
        QStringLiteral("[HKEY_CURRENT_USER\\SOFTWARE\\Brunnhold Software\\Ordovan\\3]\r\n\r\n")));
    EXPECT_EQ(again.readString(u"3", u"Quelldatei"), QString());
}

TEST_F(SettingsStoreTest, WritesTheRegistryExportFormat)
{
    SettingsStore store(path());
    store.writeInteger(u"", u"Mandant", 42);
    store.writeString(u"7", u"Quelldatei", QStringLiteral("C:\\Daten\\\"Liste\".csv"));
    store.writeInteger(u"7", u"Titelzeile", -1);
    const QString expected =
        QStringLiteral("Windows Registry Editor Version 5.00\r\n\r\n"
                       "[HKEY_CURRENT_USER\\SOFTWARE\\Brunnhold Software\\Ordovan]\r\n"
                       "\"Mandant\"=dword:0000002a\r\n\r\n"
                       "[HKEY_CURRENT_USER\\SOFTWARE\\Brunnhold Software\\Ordovan\\7]\r\n"
                       "\"Quelldatei\"=\"C:\\\\Daten\\\\\\\"Liste\\\".csv\"\r\n"
                       "\"Titelzeile\"=dword:ffffffff\r\n\r\n");
    EXPECT_EQ(test::readFile(path()), utf16le(expected));

    SettingsStore again(path());
    EXPECT_EQ(again.readInteger(u"", u"mandant"), 42);
    EXPECT_EQ(again.readString(u"7", u"QUELLDATEI"), QStringLiteral("C:\\Daten\\\"Liste\".csv"));
    EXPECT_EQ(again.readInteger(u"7", u"Titelzeile"), -1);
}

TEST_F(SettingsStoreTest, NamesMatchWithoutCaseAndKeepTheLastWritersCase)
{
    SettingsStore store(path());
    store.writeInteger(u"1", u"IBANX", 5);
    EXPECT_EQ(store.readInteger(u"1", u"IBANx"), 5);
    store.writeInteger(u"1", u"IBANx", 6);
    const QString text = QString::fromUtf16(
        reinterpret_cast<const char16_t *>(test::readFile(path()).constData() + 2),
        (test::readFile(path()).size() - 2) / 2);
    EXPECT_TRUE(text.contains(QStringLiteral("\"IBANx\"=dword:00000006")));
    EXPECT_FALSE(text.contains(QStringLiteral("IBANX")));
}

TEST_F(SettingsStoreTest, AValueOfTheOtherKindReadsAsMissing)
{
    SettingsStore store(path());
    store.writeString(u"", u"Height", QStringLiteral("600"));
    store.writeInteger(u"", u"WindowState", 2);
    EXPECT_EQ(store.readInteger(u"", u"Height"), -1);
    EXPECT_EQ(store.readString(u"", u"WindowState"), QString());
}

TEST_F(SettingsStoreTest, ReadsUtf8AndRegedit4Files)
{
    test::writeFile(path(),
                    QByteArray("\xEF\xBB\xBF"
                               "Windows Registry Editor Version 5.00\n\n"
                               "[HKEY_CURRENT_USER\\SOFTWARE\\Brunnhold Software\\Ordovan\\2]\n"
                               "\"Verw1konst\"=\"Miete f\xC3\xBCr Mai\"\n"
                               "\"Betragformat\"=dword:00000001\n"));
    SettingsStore store(path());
    EXPECT_EQ(store.readString(u"2", u"Verw1Konst"), QStringLiteral("Miete für Mai"));
    EXPECT_EQ(store.readInteger(u"2", u"Betragformat"), 1);

    test::writeFile(path(),
                    QByteArray("REGEDIT4\r\n\r\n"
                               "[HKEY_CURRENT_USER\\SOFTWARE\\Brunnhold Software\\Ordovan]\r\n"
                               "\"Mandant\"=dword:00000003\r\n"
                               "[HKEY_CURRENT_USER\\SOFTWARE\\Brunnhold Software\\Ordovan\\1]\r\n"
                               "\"Verw1konst\"=\"Beitrag 5 \x80 f\xFCr M\xE4rz\"\r\n"));
    SettingsStore older(path());
    EXPECT_EQ(older.readInteger(u"", u"Mandant"), 3);
    EXPECT_EQ(older.readString(u"1", u"Verw1konst"), QStringLiteral("Beitrag 5 € für März"));
}

TEST_F(SettingsStoreTest, AnUnreadableFileReadsAsEmptyAndIsNeverOverwritten)
{
    static const char raw[] = "\x01\x02 this is not a registry file \xFF\x00\x13";
    const QByteArray garbage(raw, sizeof raw - 1);
    test::writeFile(path(), garbage);
    SettingsStore store(path());
    EXPECT_EQ(store.readInteger(u"", u"Mandant"), -1);
    EXPECT_THROW(store.writeInteger(u"", u"Mandant", 1), Error);
    EXPECT_THROW(store.updateInteger(u"", u"LastBuchungID-EU", [](auto) { return 1; }), Error);
    EXPECT_EQ(test::readFile(path()), garbage);
}

TEST_F(SettingsStoreTest, KeysOutsideTheRootAndOtherValueKindsSurvive)
{
    const QString text =
        QStringLiteral("Windows Registry Editor Version 5.00\r\n\r\n"
                       "[HKEY_CURRENT_USER\\SOFTWARE\\Other]\r\n\"X\"=\"y\"\r\n\r\n"
                       "[HKEY_CURRENT_USER\\SOFTWARE\\Brunnhold Software\\Ordovan]\r\n"
                       "\"Blob\"=hex:01,02,\\\r\n  03,04\r\n"
                       "\"Mandant\"=dword:00000001\r\n\r\n");
    test::writeFile(path(), utf16le(text));
    SettingsStore store(path());
    store.writeInteger(u"", u"Width", 800);
    SettingsStore again(path());
    EXPECT_EQ(again.readInteger(u"", u"Mandant"), 1);
    EXPECT_EQ(again.readInteger(u"", u"Blob"), -1);
    const QByteArray bytes = test::readFile(path());
    const QString written = QString::fromUtf16(
        reinterpret_cast<const char16_t *>(bytes.constData() + 2), (bytes.size() - 2) / 2);
    EXPECT_TRUE(written.contains(QStringLiteral("\"Blob\"=hex:01,02,03,04")));
    EXPECT_FALSE(written.contains(QStringLiteral("Other"))) << "only the program's key is kept";
}

// A value of another kind whose data ends in a backslash that continued nothing ("= hex"
// with blanks is no hex line; a blank after the backslash ends the line). Written back as it
// was read, the backslash would join the next value to it on the next read, and that value
// would be gone. Found by fuzzing.
TEST_F(SettingsStoreTest, ADanglingContinuationNeverSwallowsTheNextValue)
{
    const QString root =
        QStringLiteral("[HKEY_CURRENT_USER\\SOFTWARE\\Brunnhold Software\\Ordovan]");
    const QList<QString> blobs = {
        QStringLiteral("\"Blob\" = hex:01,02,\\"), QStringLiteral("\"Blob\"=hex:01,02,\\\t"),
        QStringLiteral("\"\"=hex\\\t"), // the input the fuzzer found
    };
    for (const QString &blob : blobs) {
        SCOPED_TRACE(blob.toStdString());
        const QString text = QStringLiteral("Windows Registry Editor Version 5.00\r\n\r\n") + root +
                             QStringLiteral("\r\n") + blob +
                             QStringLiteral("\r\n\"LastMsgId\"=dword:00000007\r\n\r\n");
        test::writeFile(path(), utf16le(text));
        SettingsStore store(path());
        EXPECT_EQ(store.readInteger(u"", u"LastMsgId"), 7);
        store.writeInteger(u"", u"Width", 800);
        SettingsStore again(path());
        EXPECT_EQ(again.readInteger(u"", u"LastMsgId"), 7) << "after a write";

        // Read, written and read again, the document stays what it was.
        const auto doc = RegistryDocument::parse(utf16le(text));
        ASSERT_TRUE(doc);
        const QByteArray once = doc->serialize();
        const auto reread = RegistryDocument::parse(once);
        ASSERT_TRUE(reread);
        EXPECT_EQ(reread->serialize(), once);
        ASSERT_EQ(reread->keys().size(), 1);
        EXPECT_EQ(reread->keys()[0].values.size(), 2);
    }
}

TEST_F(SettingsStoreTest, ExportAndImportMergeLikeTheRegistryEditor)
{
    SettingsStore store(path());
    store.writeInteger(u"", u"LastBuchungID-EU", 120);
    store.writeString(u"1", u"Zieldatei", QStringLiteral("/tmp/a.xml"));
    const QString backup = dir.filePath(QStringLiteral("einstellungen.reg"));
    store.exportTo(backup);

    store.writeInteger(u"", u"LastBuchungID-EU", 130);
    store.writeString(u"2", u"Zieldatei", QStringLiteral("/tmp/b.xml"));
    store.importFrom(backup);
    EXPECT_EQ(store.readInteger(u"", u"LastBuchungID-EU"), 120);
    EXPECT_EQ(store.readString(u"1", u"Zieldatei"), QStringLiteral("/tmp/a.xml"));
    EXPECT_EQ(store.readString(u"2", u"Zieldatei"), QStringLiteral("/tmp/b.xml"))
        << "an import merges; it does not delete what the file does not name";

    const QString deletions = dir.filePath(QStringLiteral("loeschen.reg"));
    test::writeFile(deletions,
                    utf16le(QStringLiteral(
                        "Windows Registry Editor Version 5.00\r\n\r\n"
                        "[-HKEY_CURRENT_USER\\SOFTWARE\\Brunnhold Software\\Ordovan\\2]\r\n\r\n"
                        "[HKEY_CURRENT_USER\\SOFTWARE\\Brunnhold Software\\Ordovan]\r\n"
                        "\"LastBuchungID-EU\"=-\r\n\r\n")));
    store.importFrom(deletions);
    EXPECT_EQ(store.readString(u"2", u"Zieldatei"), QString());
    EXPECT_EQ(store.readInteger(u"", u"LastBuchungID-EU"), -1);

    test::writeFile(deletions, "no registry file");
    EXPECT_THROW(store.importFrom(deletions), Error);
}

TEST_F(SettingsStoreTest, TextsWithLineBreaksRoundTrip)
{
    SettingsStore store(path());
    const QString text = QStringLiteral("Zeile 1\r\nZeile 2 ä");
    store.writeString(u"1", u"Verw1konst", text);
    SettingsStore again(path());
    EXPECT_EQ(again.readString(u"1", u"Verw1konst"), text);
}

TEST_F(SettingsStoreTest, ABatchWritesOnceAndKeepsEarlierWritesOnError)
{
    SettingsStore store(path());
    {
        SettingsStore::Batch batch(store);
        store.writeInteger(u"", u"A", 1);
        EXPECT_FALSE(QFile::exists(path())) << "nothing is written before the batch ends";
        store.writeInteger(u"", u"B", 2);
        batch.commit();
    }
    SettingsStore again(path());
    EXPECT_EQ(again.readInteger(u"", u"A"), 1);
    EXPECT_EQ(again.readInteger(u"", u"B"), 2);
}

TEST_F(SettingsStoreTest, CountersAreUniqueAcrossProcesses)
{
    // Two stores on one file stand for two copies of the program.
    SettingsStore a(path());
    SettingsStore b(path());
    QList<qint32> seen;
    auto next = [](std::optional<qint32> v) { return std::max(v.value_or(-1), 0) + 1; };
    for (int i = 0; i < 50; ++i) {
        seen << a.updateInteger(u"", u"LastHistoryID", next);
        seen << b.updateInteger(u"", u"LastHistoryID", next);
    }
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(std::adjacent_find(seen.begin(), seen.end()), seen.end());
    EXPECT_EQ(seen.last(), 100);
}

TEST_F(SettingsStoreTest, TwoProcessesDrawingAtOnceNeverShareANumber)
{
    SettingsStore(path()).writeInteger(u"", u"LastBuchungID-EU", 10);
    const int perChild = 150;
    QList<pid_t> children;
    for (int c = 0; c < 2; ++c) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            SettingsStore store(path());
            QFile out(dir.filePath(QStringLiteral("drawn%1.txt").arg(c)));
            if (!out.open(QIODevice::WriteOnly))
                _exit(2);
            for (int i = 0; i < perChild; ++i) {
                const qint32 n = store.updateInteger(u"", u"LastBuchungID-EU", [](auto v) {
                    return std::max(v.value_or(-1), 0) + 1;
                });
                out.write(QByteArray::number(n) + '\n');
            }
            out.close();
            _exit(0);
        }
        children << pid;
    }
    for (pid_t pid : children) {
        int status = 0;
        waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    QList<int> all;
    for (int c = 0; c < 2; ++c) {
        for (const QByteArray &line :
             test::readFile(dir.filePath(QStringLiteral("drawn%1.txt").arg(c))).split('\n')) {
            if (!line.isEmpty())
                all << line.toInt();
        }
    }
    std::sort(all.begin(), all.end());
    ASSERT_EQ(all.size(), 2 * perChild);
    EXPECT_EQ(all.first(), 11);
    EXPECT_EQ(all.last(), 10 + 2 * perChild) << "no number handed out twice, none skipped";
    EXPECT_EQ(SettingsStore(path()).readInteger(u"", u"LastBuchungID-EU"), 10 + 2 * perChild);
}
