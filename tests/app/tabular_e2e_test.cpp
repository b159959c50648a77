// Workbook and database sources through the whole program: `ordovan --unattended startstop`
// reads the sample workbook as .xls, .ods and .xlsx (also with a capital extension, which
// only the batch run takes for a workbook) into a SEPA file, picks the stored sheet, and
// reads an Access table.
#include "e2e_support.h"
#include "schemacheck.h"
#include "tabularfixtures.h"
#include "tabularxlswriter.h"
#include "testutil.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace ordovan;
using test::Installation;

namespace {

const QString kSample = QStringLiteral(ORDOVAN_TEST_DATA "/tabular/zahlungen");

struct Source
{
    const char *name;
    const char *sample; // extension of the committed sample; empty: written as .xlsx
};

class WorkbookRun : public ::testing::TestWithParam<Source>
{
protected:
    Installation inst;
};

} // namespace

TEST_P(WorkbookRun, ReadsTheFirstSheetIntoASepaFile)
{
    const Source source = GetParam();
    const QString name = QString::fromUtf8(source.name);
    if (*source.sample)
        test::writeFile(inst.bank() + name,
                        test::readFile(kSample + QString::fromUtf8(source.sample)));
    else
        test::writeSampleXlsx(inst.bank() + name);
    inst.createTables();
    inst.configure(1, 3, name);

    const Installation::Result r =
        inst.run({QStringLiteral("startstop"), QStringLiteral("gs"), QStringLiteral("1")});
    ASSERT_EQ(r.exitCode, 0) << r.standardError.toStdString();

    // Title row on: the three payments, 11,58 + 1158 + 0,07.
    const QByteArray sepa = test::readFile(inst.bank() + QStringLiteral("sepa.xml"));
    EXPECT_TRUE(sepa.contains("<NbOfTxs>3</NbOfTxs>")) << sepa.constData();
    EXPECT_TRUE(sepa.contains("<CtrlSum>1169.65</CtrlSum>"));
    EXPECT_TRUE(sepa.contains(">11.58<"));
    EXPECT_TRUE(sepa.contains(">1158.00<"));
    EXPECT_TRUE(sepa.contains("Schmidt GmbH"));
    EXPECT_TRUE(sepa.contains("DE02500105170137075030"));
    EXPECT_SCHEMA_VALID(inst.bank() + QStringLiteral("sepa.xml"), QString());
    const QStringList logs = inst.logFiles();
    ASSERT_EQ(logs.size(), 1);
    const QByteArray log = test::readFile(inst.logDir() + logs.first());
    EXPECT_TRUE(log.contains(" Exceldatei \xd6"
                             "FFNEN ENDE\r\n"));
    // The sheet that was read is remembered for the Mandant.
    EXPECT_EQ(platform::SettingsStore(inst.settingsPath()).readString(u"1", u"Tabellenname"),
              QStringLiteral("Zahlungen"));
}

INSTANTIATE_TEST_SUITE_P(
    Formats, WorkbookRun,
    ::testing::Values(Source{"zahlungen.xls", ".xls"}, Source{"zahlungen.ods", ".ods"},
                      Source{"zahlungen.xlsx", ""}, Source{"ZAHLUNGEN.XLSX", ""},
                      Source{"Zahlungen.ODS", ".ods"}, Source{"zahlungen.xlsm", ""},
                      Source{"zahlungen.csv", ".xls"}),
    [](const auto &info) {
        QString n = QString::fromUtf8(info.param.name);
        n.replace(u'.', u'_');
        return n.toStdString();
    });

TEST(WorkbookRunRefusals, AnUnattendedRunNamesWhyItRefusedTheSource)
{
    const QString wild = QStringLiteral(ORDOVAN_TEST_DATA "/wild/");
    namespace x = test::xls;
    const QByteArray stream =
        x::workbookStream({{QStringLiteral("Blatt"), x::number(0, 0, 1), 1, 1}});
    const struct
    {
        const char *name;
        QByteArray bytes; // empty: no file
        int exitCode;
        const char *message; // %1 stands for the path
    } cases[] = {
        {"fehlt.csv", {}, 2, "Die Datei \"%1\" wurde nicht gefunden."},
        {"geheim.xls", test::readFile(wild + QStringLiteral("calamine_issue_385.xls")), 2,
         "\"%1\" ist verschlüsselt oder kennwortgeschützt."},
        {"kaputt.xls", x::compoundFile(stream.left(stream.size() - 4)), 5,
         "\"%1\" ist beschädigt."},
    };
    for (const auto &c : cases) {
        Installation inst;
        inst.createTables();
        const QString name = QString::fromUtf8(c.name);
        inst.configure(1, 3, name);
        if (!c.bytes.isEmpty())
            test::writeFile(inst.bank() + name, c.bytes);
        const Installation::Result r =
            inst.run({QStringLiteral("startstop"), QStringLiteral("gs"), QStringLiteral("1")});
        EXPECT_EQ(r.exitCode, c.exitCode) << c.name << r.standardError.toStdString();
        QString message = QString::fromUtf8(c.message);
        if (message.contains(u"%1"))
            message = message.arg(inst.bank() + name);
        EXPECT_TRUE(r.standardError.contains(message + u'\n')) << r.standardError.toStdString();
        EXPECT_FALSE(QFile::exists(inst.bank() + QStringLiteral("sepa.xml")));
        EXPECT_TRUE(inst.logFiles().isEmpty());
    }
}

TEST(WorkbookRunRefusals, AZipArchiveNamedLikeATextIsNeverImported)
{
    Installation inst;
    inst.createTables();
    inst.configure(1, 3, QStringLiteral("liste.csv"));
    test::writeZip(inst.bank() + QStringLiteral("liste.csv"),
                   {{QStringLiteral("bild.png"), QByteArray(4000, 'x')}});
    const Installation::Result r =
        inst.run({QStringLiteral("startstop"), QStringLiteral("gs"), QStringLiteral("1")});
    EXPECT_EQ(r.exitCode, 2) << r.standardError.toStdString();
    EXPECT_TRUE(r.standardError.contains(u"ist keine Excel- oder OpenDocument-Arbeitsmappe."));
    EXPECT_FALSE(QFile::exists(inst.bank() + QStringLiteral("sepa.xml")));
    EXPECT_EQ(inst.table(QStringLiteral("db5.xml"))->recordCount(), 0);
}

TEST(WorkbookRunSheets, TheStoredSheetIsReadAndAMissingOneStopsTheRun)
{
    Installation inst;
    inst.createTables();
    inst.configure(1, 3, QStringLiteral("mappe.xlsx"));
    test::writeXlsx(
        inst.bank() + QStringLiteral("mappe.xlsx"),
        {{QStringLiteral("Notizen"), "<row><c t=\"inlineStr\"><is><t>nur Text</t></is></c></row>"},
         {QStringLiteral("Zahlungen"),
          "<row><c t=\"inlineStr\"><is><t>Name</t></is></c></row>"
          "<row><c t=\"inlineStr\"><is><t>Anna Schäfer</t></is></c>"
          "<c t=\"inlineStr\"><is><t>DE89370400440532013000</t></is></c>"
          "<c t=\"inlineStr\"><is><t>COBADEFFXXX</t></is></c><c><v>234.5</v></c>"
          "<c t=\"inlineStr\"><is><t>Miete</t></is></c></row>"}});
    inst.settings().writeString(u"1", u"Tabellenname", QStringLiteral("zahlungen"));
    Installation::Result r =
        inst.run({QStringLiteral("startstop"), QStringLiteral("gs"), QStringLiteral("1")});
    ASSERT_EQ(r.exitCode, 0) << r.standardError.toStdString();
    const QByteArray sepa = test::readFile(inst.bank() + QStringLiteral("sepa.xml"));
    EXPECT_TRUE(sepa.contains("<NbOfTxs>1</NbOfTxs>"));
    EXPECT_TRUE(sepa.contains("<CtrlSum>234.50</CtrlSum>"));

    QFile::remove(inst.bank() + QStringLiteral("sepa.xml"));
    inst.settings().writeString(u"1", u"Tabellenname", QStringLiteral("Fehlt"));
    r = inst.run({QStringLiteral("--allow-repeat"), QStringLiteral("startstop"),
                  QStringLiteral("gs"), QStringLiteral("1")});
    EXPECT_EQ(r.exitCode, 2) << r.standardError.toStdString();
    EXPECT_FALSE(QFile::exists(inst.bank() + QStringLiteral("sepa.xml")));
}

TEST(DatabaseRun, ReadsAnAccessTableWithoutTitleRow)
{
    ORDOVAN_REQUIRE_SHARED_FIXTURE(nwind, "mdb", "nwind.mdb");
    Installation inst;
    inst.createTables();
    inst.configure(1, 3, QStringLiteral("nwind.mdb"));
    test::writeFile(inst.bank() + QStringLiteral("nwind.mdb"), test::readFile(nwind));
    inst.settings().writeString(u"1", u"Tabellenname", QStringLiteral("Umsätze"));
    const Installation::Result r =
        inst.run({QStringLiteral("startstop"), QStringLiteral("gs"), QStringLiteral("1")});
    // Orders hold no bank accounts: every record is rejected, no SEPA file is written.
    EXPECT_TRUE(r.exitCode == 3 || r.exitCode == 4) << r.standardError.toStdString();
    const QStringList logs = inst.logFiles();
    ASSERT_EQ(logs.size(), 1);
    const QByteArray log = test::readFile(inst.logDir() + logs.first());
    EXPECT_TRUE(log.contains(" Accessdatei \xd6"
                             "FFNEN ENDE\r\n"));
    // All 830 rows were records: the title row was switched off, and so it is stored.
    EXPECT_TRUE(log.contains("ID 830 ")) << log.right(2000).constData();
    EXPECT_EQ(platform::SettingsStore(inst.settingsPath()).readInteger(u"1", u"Titelzeile"), 0);
}
