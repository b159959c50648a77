#include "app/commandline.h"
#include "testutil.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ordovan;

TEST(CommandLine, Parsing)
{
    app::CommandLine cl =
        app::parseCommandLine({QStringLiteral("--unattended"), QStringLiteral("startstop"),
                               QStringLiteral("gs"), QStringLiteral("2")});
    EXPECT_TRUE(cl.error.isEmpty());
    EXPECT_TRUE(cl.unattended);
    EXPECT_EQ(cl.words, (QStringList{QStringLiteral("startstop"), QStringLiteral("gs"),
                                     QStringLiteral("2")}));

    cl = app::parseCommandLine({QStringLiteral("--format=2019"), QStringLiteral("START")});
    EXPECT_EQ(cl.choices.SEPAFormatOverride, sepa::Generation::V2019);
    EXPECT_EQ(cl.words, (QStringList{QStringLiteral("START"), QString(), QString()}))
        << "unknown words are kept; they simply do nothing";

    EXPECT_FALSE(app::parseCommandLine({QStringLiteral("--format=2020")}).error.isEmpty());
    EXPECT_FALSE(app::parseCommandLine({QStringLiteral("--verbose")}).error.isEmpty());
    EXPECT_FALSE(app::parseCommandLine({QStringLiteral("a"), QStringLiteral("b"),
                                        QStringLiteral("c"), QStringLiteral("d")})
                     .error.isEmpty());
    cl = app::parseCommandLine(
        {QStringLiteral("start"), QStringLiteral("gs"), QStringLiteral("-5")});
    EXPECT_TRUE(cl.error.isEmpty()) << "a negative Mandant number is a word, not an option";
    EXPECT_EQ(cl.words.value(2), QStringLiteral("-5"));
}

namespace {

struct ProgramRun
{
    int status = -1;
    QString out;
    QString err;
};

ProgramRun runProgram(const QStringList &args, const QString &home)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    env.insert(QStringLiteral("HOME"), home);
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(ORDOVAN_BINARY), args);
    p.waitForFinished(120000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromLocal8Bit(p.readAllStandardOutput()),
            QString::fromLocal8Bit(p.readAllStandardError())};
}

} // namespace

TEST(CommandLine, HelpVersionAndBadCommandLines)
{
    QTemporaryDir home;
    ProgramRun r = runProgram({QStringLiteral("--help")}, home.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.contains(QStringLiteral("Aufruf: ordovan")));
    EXPECT_TRUE(r.out.contains(QStringLiteral("startstop")));

    r = runProgram({QStringLiteral("--version")}, home.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("Ordovan Profi 2022")));

    for (const QStringList &bad :
         {QStringList{QStringLiteral("--unattended"), QStringLiteral("--nonsense")},
          QStringList{QStringLiteral("--unattended"), QStringLiteral("--format=1999")},
          QStringList{QStringLiteral("--unattended"), QStringLiteral("start"), QStringLiteral("gs"),
                      QStringLiteral("1"), QStringLiteral("x")}}) {
        r = runProgram(bad, home.path());
        EXPECT_EQ(r.status, 64) << bad.join(u' ').toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("Aufruf:")));
    }
    EXPECT_FALSE(QFileInfo::exists(home.path() + QStringLiteral("/data/Ordovan 2022")))
        << "a bad command line touches nothing";
}

TEST(CommandLine, AnUnattendedStartOnAnEmptyDataFolderCreatesTheTables)
{
    QTemporaryDir home;
    const ProgramRun r = runProgram({QStringLiteral("--unattended")}, home.path());
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    const QString data = home.path() + QStringLiteral("/data/Ordovan 2022/");
    for (const char *name :
         {"db1.xml", "db2.xml", "db5.xml", "db6.xml", "db7.xml", "mandant.xml", "blz.xml"})
        EXPECT_TRUE(QFileInfo::exists(data + QLatin1String(name))) << name;
    EXPECT_TRUE(
        QFileInfo::exists(home.path() + QStringLiteral("/config/Brunnhold Software/Ordovan.reg")));
}

TEST(CommandLine, AnUnattendedRunWithoutSourceEndsWithStatus4)
{
    QTemporaryDir home;
    const ProgramRun r = runProgram(
        {QStringLiteral("--unattended"), QStringLiteral("startstop"), QStringLiteral("gs")},
        home.path());
    EXPECT_EQ(r.status, 4) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("Keine Quelldatei angegeben!")))
        << r.err.toStdString();
}
