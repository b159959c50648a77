// The date a file names: collections at least one TARGET2 business day after the day the file
// is made, every date on a day the banks are open, and a log line whenever it moves.
#include "sepafile_fixture.h"

#include "app/commandline.h"

using namespace ordovan;
using test::SepaRunTest;

namespace {

struct Day
{
    const char *what;
    QDate today;
    QDate collection; // due date of a direct debit asked for today
    QDate transfer;   // execution date of a credit transfer asked for today
};

const Day kDays[] = {
    {"Wednesday", QDate(2026, 12, 9), QDate(2026, 12, 10), QDate(2026, 12, 9)},
    {"Friday", QDate(2026, 12, 11), QDate(2026, 12, 14), QDate(2026, 12, 11)},
    {"Saturday", QDate(2026, 12, 12), QDate(2026, 12, 14), QDate(2026, 12, 14)},
    {"Christmas Eve", QDate(2026, 12, 24), QDate(2026, 12, 28), QDate(2026, 12, 24)},
    {"before Good Friday", QDate(2026, 4, 2), QDate(2026, 4, 7), QDate(2026, 4, 2)},
};

QByteArray dateElement(bool directDebit, int format, const QDate &d)
{
    const QByteArray iso = d.toString(Qt::ISODate).toLatin1();
    if (directDebit)
        return "<ReqdColltnDt>" + iso + "</ReqdColltnDt>";
    if (format == 0)
        return "<ReqdExctnDt>" + iso + "</ReqdExctnDt>";
    return "<ReqdExctnDt>\r\n        <Dt>" + iso + "</Dt>\r\n      </ReqdExctnDt>";
}

QString movedLine(const QDate &d)
{
    return QStringLiteral(" SEPA-Datei HINWEIS: Fälligkeitsdatum %1 (nächster möglicher "
                          "Bankarbeitstag)")
        .arg(d.toString(QStringLiteral("dd.MM.yyyy")));
}

} // namespace

TEST_F(SepaRunTest, DueDatesOnEveryKindOfDay)
{
    add({});
    const char *instruments[] = {"CORE", "COR1", "B2B", ""};
    for (const Day &day : kDays) {
        for (int format : {0, 1}) {
            for (const char *instrument : instruments) {
                const bool directDebit = *instrument != 0;
                SCOPED_TRACE(std::string(day.what) + " " + instrument + " " +
                             std::to_string(format));
                s.main.SEPAFormat = sepa::generationFromSetting(format);
                s.log.MLog.clear();
                dialogs.clear();
                clock.set(QDateTime(day.today, QTime(10, 0)));
                s.main.DTPAusf = QDateTime(day.today, QTime(10, 0));
                run(directDebit, QString::fromLatin1(instrument));
                const QDate due = directDebit ? day.collection : day.transfer;
                EXPECT_EQ(s.run.RunDueDate, due);
                EXPECT_TRUE(file().contains(dateElement(directDebit, format, due)));
                const bool moved = due != day.today;
                EXPECT_EQ(log().contains(movedLine(due)), moved);
                EXPECT_EQ(dialogs.notices(),
                          moved ? QStringList{movedLine(due).trimmed()} : QStringList());
                EXPECT_SCHEMA_VALID(target(), QString());
            }
        }
    }
}

TEST_F(SepaRunTest, ADateFarEnoughAheadStaysAndTheHintSaysWhenItWillMove)
{
    add({});
    clock.set(QDateTime(QDate(2026, 12, 9), QTime(10, 0)));
    s.main.RGZahlungsart = app::LastschriftCore;
    s.main.DTPAusf = QDateTime(QDate(2026, 12, 15), QTime(10, 0));
    EXPECT_EQ(app::executionDateHint(s, QDate(2026, 12, 9)), QString());
    run(true, QStringLiteral("CORE"));
    EXPECT_TRUE(file().contains("<ReqdColltnDt>2026-12-15</ReqdColltnDt>"));
    EXPECT_TRUE(log().filter(QStringLiteral("Fälligkeitsdatum")).isEmpty());

    // Saturday: both kinds move to Monday; today: only a collection moves.
    s.main.DTPAusf = QDateTime(QDate(2026, 12, 12), QTime(10, 0));
    const QString monday = QStringLiteral(
        "An diesem Tag kann die Bank nicht ausführen: die SEPA-Datei nennt den 14.12.2026 "
        "(nächster möglicher Bankarbeitstag).");
    EXPECT_EQ(app::executionDateHint(s, QDate(2026, 12, 9)), monday);
    s.main.RGZahlungsart = app::Gutschrift;
    EXPECT_EQ(app::executionDateHint(s, QDate(2026, 12, 9)), monday);
    s.main.DTPAusf = QDateTime(QDate(2026, 12, 9), QTime(10, 0));
    EXPECT_EQ(app::executionDateHint(s, QDate(2026, 12, 9)), QString());
    s.main.RGZahlungsart = app::LastschriftB2b;
    EXPECT_TRUE(app::executionDateHint(s, QDate(2026, 12, 9)).contains(u"10.12.2026"));
}

TEST(ExecutionDateOption, ThreeFormsAndMistakes)
{
    const struct
    {
        const char *arg;
        QDate date;
        int ahead;
    } good[] = {
        {"--execution-date=24.12.2026", QDate(2026, 12, 24), -1},
        {"--execution-date=2026-12-24", QDate(2026, 12, 24), -1},
        {"--execution-date=+0", QDate(), 0},
        {"--execution-date=+3", QDate(), 3},
    };
    for (const auto &g : good) {
        const app::CommandLine cl =
            app::parseCommandLine({QString::fromLatin1(g.arg), QStringLiteral("startstop")});
        EXPECT_TRUE(cl.error.isEmpty()) << g.arg;
        EXPECT_EQ(cl.choices.executionDateOverride.date, g.date) << g.arg;
        EXPECT_EQ(cl.choices.executionDateOverride.businessDaysAhead, g.ahead) << g.arg;
        EXPECT_EQ(cl.words.value(0), QStringLiteral("startstop"));
    }
    // +3 from a Wednesday before Christmas: Thursday, Monday the 28th, Tuesday.
    EXPECT_EQ(app::parseExecutionDate(u"+3")->resolve(QDate(2026, 12, 23)), QDate(2026, 12, 29));

    for (const char *bad :
         {"--execution-date=", "--execution-date=31.02.2026", "--execution-date=1.2.2026",
          "--execution-date=24.12.26", "--execution-date=2026-2-1", "--execution-date=+",
          "--execution-date=+x", "--execution-date=-1", "--execution-date=morgen",
          "--execution-date=24.12.2026x"}) {
        const app::CommandLine cl = app::parseCommandLine({QString::fromLatin1(bad)});
        EXPECT_TRUE(cl.error.startsWith(u"Ungültiges Ausführungsdatum: ")) << bad;
    }
}
