#include "app/operations.h"
#include "appfixture.h"
#include "testutil.h"

#include <gtest/gtest.h>

using namespace ordovan;
using app::Qualifier;
using app::Separator;

namespace {

class SettingsTest : public ::testing::Test, public test::AppFixture
{
protected:
    app::MainState &s = ctx->state;
};

} // namespace

TEST_F(SettingsTest, AnEmptyStoreLoadsTheDefaults)
{
    addMandanten({1});
    s.EQuelldatei = QStringLiteral("placeholder");
    s.CBTitelzeile = false;
    s.CBBegleit = true;
    s.mapping.NameX = 4;
    app::loadSettings(*ctx);
    EXPECT_EQ(s.EQuelldatei, QString());
    EXPECT_EQ(s.EZieldatei, QString());
    EXPECT_TRUE(s.CBTitelzeile) << "the title row is on unless 0 is stored";
    EXPECT_FALSE(s.CBBegleit);
    EXPECT_FALSE(s.CBBuchungs);
    EXPECT_FALSE(s.CBIBANonly);
    EXPECT_FALSE(s.CBLogspeichern);
    EXPECT_FALSE(s.CB8Verw);
    EXPECT_FALSE(s.CBDatumueberschreiben);
    EXPECT_EQ(s.RGZahlungsart, app::LastschriftCore);
    EXPECT_EQ(s.LLastGut, QStringLiteral("Lastschrift CORE"));
    EXPECT_EQ(s.RGBetrag, app::AmountNotation::Decimal);
    EXPECT_EQ(s.separator, Separator::Tab);
    EXPECT_EQ(s.qualifier, Qualifier::None);
    EXPECT_EQ(s.mapping.NameX, -1);
    EXPECT_EQ(s.mapping.DatumX, -1);
    EXPECT_FALSE(s.Betragkonst.checked);
}

TEST_F(SettingsTest, SaveAndLoadRoundTripWithTheStoredQuirks)
{
    addMandanten({1});
    s.EQuelldatei = QStringLiteral("/daten/liste.csv");
    s.EZieldatei = QStringLiteral("/bank/sepa.xml");
    s.separator = Separator::Semicolon;
    s.qualifier = Qualifier::Double;
    s.CBTitelzeile = false;
    s.RGBetrag = app::AmountNotation::Cents;
    s.RGZahlungsart = app::Gutschrift;
    s.CB8Verw = true;
    s.CBBegleit = true;
    s.CBIBANonly = true;
    s.mapping.NameX = 2;
    s.mapping.IBANx = 7;
    s.mapping.Verw[13] = 9;
    s.Betragkonst = {true, QStringLiteral("12,50")};
    s.Verwkonst[0] = {true, QString()}; // on, but empty: off after the next load
    s.Verwkonst[1] = {false, QStringLiteral("not stored")};
    app::saveSettings(*ctx);

    app::MainState fresh;
    s = fresh;
    app::loadSettings(*ctx);
    EXPECT_EQ(s.EQuelldatei, QStringLiteral("/daten/liste.csv"));
    EXPECT_EQ(s.EZieldatei, QStringLiteral("/bank/sepa.xml"));
    EXPECT_EQ(s.separator, Separator::Semicolon);
    EXPECT_EQ(s.qualifier, Qualifier::Double);
    EXPECT_FALSE(s.CBTitelzeile);
    EXPECT_EQ(s.RGBetrag, app::AmountNotation::Cents);
    EXPECT_EQ(s.RGZahlungsart, app::Gutschrift);
    EXPECT_EQ(s.LLastGut, QStringLiteral("Gutschrift"));
    EXPECT_TRUE(s.CB8Verw);
    EXPECT_TRUE(s.CBBegleit);
    EXPECT_TRUE(s.CBIBANonly);
    EXPECT_EQ(s.mapping.NameX, 2);
    EXPECT_EQ(s.mapping.IBANx, 7) << "written as IBANX, read as IBANx";
    EXPECT_EQ(s.mapping.Verw[13], 9);
    EXPECT_TRUE(s.Betragkonst.checked);
    EXPECT_EQ(s.Betragkonst.text, QStringLiteral("12,50"));
    EXPECT_FALSE(s.Verwkonst[0].checked);
    EXPECT_FALSE(s.Verwkonst[1].checked);
    EXPECT_EQ(s.Verwkonst[1].text, QString());
    EXPECT_EQ(settings->readInteger(u"1", u"IBANX"), 7);
    EXPECT_EQ(settings->readInteger(u"1", u"SEPAFormat"), -1)
        << "a Mandant who never chose a format keeps a store without the value";
}

TEST_F(SettingsTest, OddStoredValues)
{
    addMandanten({1});
    settings->writeInteger(u"1", u"Titelzeile", 5);
    settings->writeInteger(u"1", u"8Verw", 5);
    settings->writeInteger(u"1", u"Zahlungsart", 9);
    settings->writeString(u"1", u"Trennzeichen", QStringLiteral("Pipe"));
    s.separator = Separator::Comma;
    app::loadSettings(*ctx);
    EXPECT_TRUE(s.CBTitelzeile);
    EXPECT_FALSE(s.CB8Verw);
    EXPECT_EQ(s.RGZahlungsart, 0);
    EXPECT_EQ(s.separator, Separator::Comma) << "an unknown separator keeps the current one";
}

TEST_F(SettingsTest, EachMandantKeepsItsOwnSettings)
{
    addMandanten({1, 2});
    store::Table &m = ctx->data.ClientDataSet3;
    ASSERT_TRUE(m.locate(u"ID", 1));
    s.EQuelldatei = QStringLiteral("eins.csv");
    s.separator = Separator::Comma;
    app::saveSettings(*ctx);
    ASSERT_TRUE(m.locate(u"ID", 2));
    s.EQuelldatei = QStringLiteral("zwei.csv");
    s.mapping.NameX = 3;
    settings->writeString(u"2", u"Trennzeichen", QString()); // nothing stored for Mandant 2
    app::saveSettings(*ctx);
    settings->writeString(u"2", u"Trennzeichen", QString());

    ASSERT_TRUE(m.locate(u"ID", 1));
    app::loadSettings(*ctx);
    EXPECT_EQ(s.EQuelldatei, QStringLiteral("eins.csv"));
    EXPECT_EQ(s.mapping.NameX, -1);
    ASSERT_TRUE(m.locate(u"ID", 2));
    app::loadSettings(*ctx);
    EXPECT_EQ(s.EQuelldatei, QStringLiteral("zwei.csv"));
    EXPECT_EQ(s.mapping.NameX, 3);
    EXPECT_EQ(s.separator, Separator::Comma) << "kept from the Mandant loaded before";
}

TEST_F(SettingsTest, WindowStateAndColumnWidths)
{
    addMandanten({1});
    app::loadColumnWidths(*ctx);
    ASSERT_EQ(s.DBGrid4Columns.size(), 15);
    EXPECT_EQ(s.DBGrid4Columns[14].caption, QStringLiteral("Gesamtzahl Sätze"));
    s.DBGrid6Columns[5].width = 77;
    s.windowState = app::WindowState::Normal;
    s.height = 650;
    s.width = 810;
    app::saveSettings(*ctx);
    EXPECT_EQ(settings->readInteger(u"", u"BreiteEWährung"), 77);
    EXPECT_EQ(settings->readInteger(u"", u"Height"), 650);
    EXPECT_EQ(settings->readString(u"", u"WindowState"), QStringLiteral("wsNormal"));

    s.windowState = app::WindowState::Maximized;
    s.height = 1000;
    app::saveSettings(*ctx);
    EXPECT_EQ(settings->readString(u"", u"WindowState"), QStringLiteral("wsMaximized"));
    EXPECT_EQ(settings->readInteger(u"", u"Height"), 650) << "the last normal size stays";

    s.windowState = app::WindowState::Minimized;
    app::saveSettings(*ctx);
    EXPECT_EQ(settings->readString(u"", u"WindowState"), QStringLiteral("wsMaximized"));

    s.DBGrid6Columns[5].width = -1;
    app::loadColumnWidths(*ctx);
    EXPECT_EQ(s.DBGrid6Columns[5].width, 77);
}

TEST_F(SettingsTest, WithoutAMandantPerMandantValuesGoNowhere)
{
    ctx->data.ClientDataSet3.createEmpty({});
    app::writeMandantString(*ctx, u"Quelldatei", QStringLiteral("x.csv"));
    EXPECT_EQ(app::readMandantString(*ctx, u"Quelldatei"), QString());
    EXPECT_EQ(settings->readString(u"", u"Quelldatei"), QString());
}

TEST_F(SettingsTest, AChangedSourceOptionReReadsTheSourceOnceStartUpIsDone)
{
    addMandanten({1});
    const QString source = dir.filePath(QStringLiteral("liste.csv"));
    test::writeFile(source, "a;b\r\n");
    settings->writeString(u"1", u"Quelldatei", source);
    s.StartupDone = true;
    s.RGBetrag = app::AmountNotation::Decimal;
    auto reads = [&] { return s.MLog.lines().filter(QStringLiteral("ÖFFNEN START")).size(); };

    // No stored notation: no item is checked, then "11,58" is, which counts as a click.
    app::loadSettings(*ctx);
    EXPECT_EQ(reads(), 2);
    EXPECT_EQ(s.RGBetrag, app::AmountNotation::Decimal);

    s.MLog.clear();
    settings->writeInteger(u"1", u"Betragformat", 0);
    app::loadSettings(*ctx);
    EXPECT_EQ(reads(), 1) << "nothing changed: only the read at the end";

    s.MLog.clear();
    settings->writeInteger(u"1", u"Betragformat", 1);
    settings->writeString(u"1", u"Trennzeichen", QStringLiteral("Semikolon"));
    app::loadSettings(*ctx);
    EXPECT_EQ(reads(), 3) << "two options changed";
}
