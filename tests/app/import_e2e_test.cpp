// A whole import of a realistic source, from the file on disk to the stored table file: a
// Windows-1252 CSV with umlauts, quoted fields (one holding the separator, one a doubled
// qualifier), an amount with a thousands point and an impossible date.
#include "app/operations.h"
#include "appfixture.h"
#include "base/codec.h"
#include "platform/files.h"
#include "store/recordnumbers.h"
#include "store/schema.h"
#include "store/tablefile.h"
#include "testutil.h"

#include <gtest/gtest.h>

using namespace ordovan;

namespace {

QString u8(const char *text)
{
    return QString::fromUtf8(text);
}

// The source as text; each test stores it in the encoding it needs.
const char *const kSource =
    "\"Name\";\"Vorname\";\"Straße\";\"Ort\";\"IBAN\";\"BIC\";\"Betrag\";\"Datum\";\"Zweck 1\";"
    "\"Zweck 2\"\r\n"
    "\"Müller\";\"Jürgen\";\"Hauptstraße 5; Hinterhaus\";\"80331 München\";"
    "\"DE89 3704 0044 0532 0130 00\";\"COBADEFFXXX\";11,58;01.02.2024;\"Beitrag \"\"2024\"\"\";"
    "\"Mitglied 7\"\r\n"
    "\"Weiß\";\"Grete\";\"Am Bach 1\";\"Köln\";\"DE02120300000000202051\";\"BYLADEM1001\";"
    "1.234,56;02.02.2024;\"Spende\";\"\"\r\n"
    "\"Öztürk\";\"Ali\";\"Gartenweg 2\";\"Lübeck\";\"DE02500105170137075030\";\"INGDDEFFXXX\";"
    "250;31.02.2024;\"x\";\"y\"\r\n"
    "\"Groß\";\"Anna\";\"Ring 3\";\"Görlitz\";\"DE02100500000054540402\";\"BELADEBEXXX\";-3,5;"
    "03.02.24;\"Rückzahlung\";\"€ 3,50\"\r\n";

class ImportEndToEndTest : public ::testing::Test, public test::AppFixture
{
protected:
    app::MainState &s = ctx->state;
    store::Table &azv = ctx->data.ClientDataSetAZV;

    // A data folder with one record of an earlier run (ID 41) and the counter at 41.
    void prepare()
    {
        platform::ensureDirectory(dataDir());
        ctx->data.createEmptyWorkingTables();
        settings->writeInteger(u"", store::RecordNumbers::kSepa, 40);
        azv.insert();
        azv.setValue(u"Name1", u8("Früherer Lauf"));
        azv.post();
        ctx->data.saveTable(azv);
        ctx->data.loadTable(azv);
    }

    void run(const QByteArray &sourceBytes)
    {
        prepare();
        s.main.EQuelldatei = dir.filePath(QStringLiteral("Zahlungen.CSV"));
        test::writeFile(s.main.EQuelldatei, sourceBytes);
        s.source.separator = app::Separator::Semicolon;
        s.source.qualifier = app::Qualifier::Double;
        s.source.CBTitelzeile = true;
        s.source.RGBetrag = app::AmountNotation::Decimal;
        app::ColumnMapping &m = s.source.mapping;
        m.NameX = 0;
        m.NameX2 = 1;
        m.StrasseX = 2;
        m.OrtLandX = 3;
        m.IBANx = 4;
        m.BICx = 5;
        m.Betrag = 6;
        m.DatumX = 7;
        m.Verw[0] = 8;
        m.Verw[1] = 9;

        // As the batch run does it.
        s.run.runStatus = app::RunStatus::Ok;
        app::setNewRecordsFilters(*ctx);
        app::readSource(*ctx, true);
        app::showMappingPreview(*ctx);
        app::importRecords(*ctx);
        ctx->data.saveTable(azv);
    }

    void checkStored();
    QStringList events() const
    {
        QStringList out;
        for (const QString &line : s.log.MLog.lines())
            out << line.mid(19); // after "08.12.2022 14:05:09"
        return out;
    }
};

void ImportEndToEndTest::checkStored()
{
    EXPECT_EQ(s.run.runStatus, app::RunStatus::ImportFailed);
    EXPECT_EQ(s.run.RunFirstID, 42);
    EXPECT_EQ(s.run.RunLastID, 45);
    EXPECT_EQ(settings->readInteger(u"", store::RecordNumbers::kSepa), 45);
    const QStringList e = events();
    EXPECT_TRUE(e.contains(u8(" Datensatz ID 43 Fehler beim Import in das Feld BETRAG: Ungültiger "
                              "Wert: 1.234,56")));
    EXPECT_TRUE(e.contains(u8(" Datensatz ID 44 Fehler beim Import in das Feld DATUM")));
    EXPECT_EQ(e.first(), u8(" Quelldatei ÖFFNEN START"));
    EXPECT_EQ(s.source.SGDatenbank.cell(2, 1), u8("Müller Jürgen")) << "the preview was refreshed";

    // The stored bytes: Windows-1252, the CR of the purpose escaped, amounts with a point.
    const QByteArray file = test::readFile(ctx->data.pathOf(QStringLiteral("db5.xml")));
    for (const char *expected :
         {"Name1=\"M\xFCller J\xFCrgen\"",
          "\"Hauptstra\xDF"
          "e 5; Hinterhaus\"",
          "OrtLand=\"80331 M\xFCnchen\"", "IBAN=\"DE89 3704 0044 0532 0130 00\"",
          "BLZ=\"COBADEFFXXX\"", "Betrag=\"11.58\"", "Datum=\"20240201\"",
          "Verwendungszweck=\"Beitrag 2024 &#013;Mitglied 7\"", "Betrag=\"-3.5\"",
          "Datum=\"20240203\"",
          "Verwendungszweck=\"R\xFC"
          "ckzahlung &#013;\x80 3,50\"",
          "Erstellungsdatum=\"20221208\"", "Name1=\"Fr\xFCherer Lauf\""})
        EXPECT_TRUE(file.contains(expected)) << expected;
    EXPECT_FALSE(file.contains("Wei\xDF")) << "the failed records are not stored";
    EXPECT_FALSE(file.contains("\xD6zt\xFCrk"));

    // Read back: the earlier record and the two good ones, with their IDs.
    store::Table back(QStringLiteral("ClientDataSetAZV"));
    store::readTableFile(back, ctx->data.pathOf(QStringLiteral("db5.xml")));
    back.setIndexField(QStringLiteral("ID"));
    QList<int> ids;
    for (back.first(); !back.eof(); back.next())
        ids << back.integer(0).value_or(-1);
    EXPECT_EQ(ids, (QList<int>{41, 42, 45}));
    ASSERT_TRUE(back.locate(u"ID", 45));
    EXPECT_EQ(back.text(u"Name1"), u8("Groß Anna"));
    EXPECT_EQ(back.text(u"Verwendungszweck"), u8("Rückzahlung \r€ 3,50"));
    EXPECT_EQ(back.number(back.field(u"Betrag")), -3.5);
}

TEST_F(ImportEndToEndTest, Windows1252SourceReachesTheTableFile)
{
    run(codec::toCp1252(u8(kSource)));
    checkStored();
}

TEST_F(ImportEndToEndTest, Utf8SourceReachesTheTableFileAlike)
{
    run(QByteArray("\xEF\xBB\xBF") + QByteArray(kSource));
    checkStored();
}

} // namespace
