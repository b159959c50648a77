#include "app/operations.h"
#include "appfixture.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <QFile>

#include <functional>

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
    s.main.EQuelldatei = QStringLiteral("placeholder");
    s.source.CBTitelzeile = false;
    s.main.CBBegleit = true;
    s.source.mapping.NameX = 4;
    app::loadSettings(*ctx);
    EXPECT_EQ(s.main.EQuelldatei, QString());
    EXPECT_EQ(s.main.EZieldatei, QString());
    EXPECT_TRUE(s.source.CBTitelzeile) << "the title row is on unless 0 is stored";
    EXPECT_FALSE(s.main.CBBegleit);
    EXPECT_FALSE(s.main.CBBuchungs);
    EXPECT_FALSE(s.main.CBIBANonly);
    EXPECT_FALSE(s.main.CBLogspeichern);
    EXPECT_FALSE(s.main.CB8Verw);
    EXPECT_FALSE(s.main.CBDatumueberschreiben);
    EXPECT_EQ(s.main.RGZahlungsart, app::LastschriftCore);
    EXPECT_EQ(s.main.LLastGut, QStringLiteral("Lastschrift CORE"));
    EXPECT_EQ(s.source.RGBetrag, app::AmountNotation::Decimal);
    EXPECT_EQ(s.source.separator, Separator::Tab);
    EXPECT_EQ(s.source.qualifier, Qualifier::None);
    EXPECT_EQ(s.source.mapping.NameX, -1);
    EXPECT_EQ(s.source.mapping.DatumX, -1);
    EXPECT_FALSE(s.main.Betragkonst.checked);
}

TEST_F(SettingsTest, SaveAndLoadRoundTripWithTheStoredQuirks)
{
    addMandanten({1});
    s.main.EQuelldatei = QStringLiteral("/daten/liste.csv");
    s.main.EZieldatei = QStringLiteral("/bank/sepa.xml");
    s.source.separator = Separator::Semicolon;
    s.source.qualifier = Qualifier::Double;
    s.source.CBTitelzeile = false;
    s.source.RGBetrag = app::AmountNotation::Cents;
    s.main.RGZahlungsart = app::Gutschrift;
    s.main.CB8Verw = true;
    s.main.CBBegleit = true;
    s.main.CBIBANonly = true;
    s.source.mapping.NameX = 2;
    s.source.mapping.IBANx = 7;
    s.source.mapping.Verw[13] = 9;
    s.main.Betragkonst = {true, QStringLiteral("12,50")};
    s.main.Verwkonst[0] = {true, QString()}; // on, but empty: off after the next load
    s.main.Verwkonst[1] = {false, QStringLiteral("not stored")};
    app::saveSettings(*ctx);

    app::MainState fresh;
    s = fresh;
    app::loadSettings(*ctx);
    EXPECT_EQ(s.main.EQuelldatei, QStringLiteral("/daten/liste.csv"));
    EXPECT_EQ(s.main.EZieldatei, QStringLiteral("/bank/sepa.xml"));
    EXPECT_EQ(s.source.separator, Separator::Semicolon);
    EXPECT_EQ(s.source.qualifier, Qualifier::Double);
    EXPECT_FALSE(s.source.CBTitelzeile);
    EXPECT_EQ(s.source.RGBetrag, app::AmountNotation::Cents);
    EXPECT_EQ(s.main.RGZahlungsart, app::Gutschrift);
    EXPECT_EQ(s.main.LLastGut, QStringLiteral("Gutschrift"));
    EXPECT_TRUE(s.main.CB8Verw);
    EXPECT_TRUE(s.main.CBBegleit);
    EXPECT_TRUE(s.main.CBIBANonly);
    EXPECT_EQ(s.source.mapping.NameX, 2);
    EXPECT_EQ(s.source.mapping.IBANx, 7) << "written as IBANX, read as IBANx";
    EXPECT_EQ(s.source.mapping.Verw[13], 9);
    EXPECT_TRUE(s.main.Betragkonst.checked);
    EXPECT_EQ(s.main.Betragkonst.text, QStringLiteral("12,50"));
    EXPECT_FALSE(s.main.Verwkonst[0].checked);
    EXPECT_FALSE(s.main.Verwkonst[1].checked);
    EXPECT_EQ(s.main.Verwkonst[1].text, QString());
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
    s.source.separator = Separator::Comma;
    app::loadSettings(*ctx);
    EXPECT_TRUE(s.source.CBTitelzeile);
    EXPECT_FALSE(s.main.CB8Verw);
    EXPECT_EQ(s.main.RGZahlungsart, 0);
    EXPECT_EQ(s.source.separator, Separator::Comma) << "an unknown separator keeps the current one";
}

TEST_F(SettingsTest, EachMandantKeepsItsOwnSettings)
{
    addMandanten({1, 2});
    store::Table &m = ctx->data.ClientDataSet3;
    ASSERT_TRUE(m.locate(u"ID", 1));
    s.main.EQuelldatei = QStringLiteral("eins.csv");
    s.source.separator = Separator::Comma;
    app::saveSettings(*ctx);
    ASSERT_TRUE(m.locate(u"ID", 2));
    s.main.EQuelldatei = QStringLiteral("zwei.csv");
    s.source.mapping.NameX = 3;
    settings->writeString(u"2", u"Trennzeichen", QString()); // nothing stored for Mandant 2
    app::saveSettings(*ctx);
    settings->writeString(u"2", u"Trennzeichen", QString());

    ASSERT_TRUE(m.locate(u"ID", 1));
    app::loadSettings(*ctx);
    EXPECT_EQ(s.main.EQuelldatei, QStringLiteral("eins.csv"));
    EXPECT_EQ(s.source.mapping.NameX, -1);
    ASSERT_TRUE(m.locate(u"ID", 2));
    app::loadSettings(*ctx);
    EXPECT_EQ(s.main.EQuelldatei, QStringLiteral("zwei.csv"));
    EXPECT_EQ(s.source.mapping.NameX, 3);
    EXPECT_EQ(s.source.separator, Separator::Comma) << "kept from the Mandant loaded before";
}

TEST_F(SettingsTest, WindowStateAndColumnWidths)
{
    addMandanten({1});
    app::loadColumnWidths(*ctx);
    ASSERT_EQ(s.window.DBGrid4Columns.size(), 15);
    EXPECT_EQ(s.window.DBGrid4Columns[14].caption, QStringLiteral("Gesamtzahl Sätze"));
    s.window.DBGrid6Columns[5].width = 77;
    s.window.windowState = app::WindowState::Normal;
    s.window.height = 650;
    s.window.width = 810;
    app::saveSettings(*ctx);
    EXPECT_EQ(settings->readInteger(u"", u"BreiteEWährung"), 77);
    EXPECT_EQ(settings->readInteger(u"", u"Height"), 650);
    EXPECT_EQ(settings->readString(u"", u"WindowState"), QStringLiteral("wsNormal"));

    s.window.windowState = app::WindowState::Maximized;
    s.window.height = 1000;
    app::saveSettings(*ctx);
    EXPECT_EQ(settings->readString(u"", u"WindowState"), QStringLiteral("wsMaximized"));
    EXPECT_EQ(settings->readInteger(u"", u"Height"), 650) << "the last normal size stays";

    s.window.windowState = app::WindowState::Minimized;
    app::saveSettings(*ctx);
    EXPECT_EQ(settings->readString(u"", u"WindowState"), QStringLiteral("wsMaximized"));

    s.window.DBGrid6Columns[5].width = -1;
    app::loadColumnWidths(*ctx);
    EXPECT_EQ(s.window.DBGrid6Columns[5].width, 77);
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
    s.run.StartupDone = true;
    s.source.RGBetrag = app::AmountNotation::Decimal;
    auto reads = [&] { return s.log.MLog.lines().filter(QStringLiteral("ÖFFNEN START")).size(); };

    // No stored notation: no item is checked, then "11,58" is, which counts as a click.
    app::loadSettings(*ctx);
    EXPECT_EQ(reads(), 2);
    EXPECT_EQ(s.source.RGBetrag, app::AmountNotation::Decimal);

    s.log.MLog.clear();
    settings->writeInteger(u"1", u"Betragformat", 0);
    app::loadSettings(*ctx);
    EXPECT_EQ(reads(), 1) << "nothing changed: only the read at the end";

    s.log.MLog.clear();
    settings->writeInteger(u"1", u"Betragformat", 1);
    settings->writeString(u"1", u"Trennzeichen", QStringLiteral("Semikolon"));
    app::loadSettings(*ctx);
    EXPECT_EQ(reads(), 3) << "two options changed";
}

// The settings file saveSettings writes, byte for byte: every value name in the case and the
// order the program has always written it.
TEST_F(SettingsTest, TheSavedFileMatchesTheGoldenFiles)
{
    struct Case
    {
        const char *golden;
        std::function<void(app::MainState &)> set;
        bool roundTrip = false;
    };
    const QList<Case> cases = {
        {"alle_werte.reg",
         [](app::MainState &s) {
             s.main.EQuelldatei = QStringLiteral("/daten/Überweisungen.csv");
             s.main.EZieldatei = QStringLiteral("/bank/sepa.xml");
             s.main.CBDatumueberschreiben = true;
             s.source.CBTabellenText = QStringLiteral("Zahlungen");
             s.source.separator = Separator::Semicolon;
             s.source.qualifier = Qualifier::Double;
             s.source.CBTitelzeile = false;
             s.source.RGBetrag = app::AmountNotation::Cents;
             s.main.RGZahlungsart = app::Gutschrift;
             app::ColumnMapping &m = s.source.mapping;
             int column = 0;
             for (int *v :
                  {&m.NameX, &m.NameX2, &m.Blz1, &m.Kto1, &m.Betrag, &m.Name2X, &m.StrasseX,
                   &m.OrtLandX, &m.NotitzInternX, &m.AnsprechpartnerX, &m.IBANx, &m.BICx,
                   &m.LaendercodeX, &m.WaehrungX, &m.DatumX, &m.MandatsdatumX, &m.SequenztypX})
                 *v = column++;
             for (int &v : m.Verw)
                 v = column++;
             s.main.Betragkonst = {true, QStringLiteral("12,50")};
             for (int i = 0; i < 14; ++i)
                 s.main.Verwkonst[i] = {i % 2 == 0, QStringLiteral("Zeile %1").arg(i + 1)};
             s.main.CB8Verw = true;
             s.main.CBBegleit = true;
             s.main.CBIBANonly = true;
             s.main.CBBuchungs = true;
             s.main.CBLogspeichern = true;
             s.main.SEPAFormat = sepa::Generation::V2019;
             s.window.windowState = app::WindowState::Normal;
             s.window.height = 650;
             s.window.width = 810;
             s.window.DBGrid6Columns = {{QStringLiteral("ID"), 40}, {QStringLiteral("Name"), -1}};
         },
         true},
        {"voreinstellungen.reg",
         [](app::MainState &s) {
             s.source.separator = Separator::Comma;
             s.source.qualifier = Qualifier::Single;
             s.main.SEPAFormat = sepa::Generation::V2009;
             s.window.windowState = app::WindowState::Maximized;
         }},
        {"ohne_format.reg",
         [](app::MainState &s) {
             s.main.SEPAFormat = std::nullopt;
             s.window.windowState = app::WindowState::Minimized;
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.golden);
        test::AppFixture fx; // a settings file of its own
        fx.addMandanten({3});
        c.set(fx.ctx->state);
        app::saveSettings(*fx.ctx);
        const QString golden =
            QStringLiteral(ORDOVAN_TEST_DATA "/golden/settings/") + QString::fromUtf8(c.golden);
        EXPECT_TRUE(test::matchesGolden(test::readFile(fx.settingsPath()), golden));

        // With every value set, every value reads back: loading the file and saving again
        // changes nothing. (Unset choices read as their defaults; the window's values are not
        // part of the load.)
        if (!c.roundTrip)
            continue;
        test::AppFixture again;
        again.addMandanten({3}); // counts the Mandant in the file, which the golden one replaces
        test::writeFile(again.settingsPath(), test::readFile(golden));
        app::loadSettings(*again.ctx);
        again.ctx->state.window = fx.ctx->state.window;
        app::saveSettings(*again.ctx);
        EXPECT_TRUE(test::matchesGolden(test::readFile(again.settingsPath()), golden))
            << "after a load";
    }
}
