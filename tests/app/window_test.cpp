#include "app/operations.h"
#include "appfixture.h"
#include "testutil.h"

#include <QFileInfo>

#include <gtest/gtest.h>

using namespace ordovan;

namespace {
class WindowTest : public ::testing::Test, public test::AppFixture
{};
} // namespace

TEST_F(WindowTest, GridHeightsRoundHalvesToEven)
{
    EXPECT_EQ(app::gridHeight(600, 502), 49);
    EXPECT_EQ(app::gridHeight(601, 502), 50) << "49.5 goes to the even 50";
    EXPECT_EQ(app::gridHeight(603, 502), 50) << "50.5 goes to the even 50";
    app::resizeGrids(*ctx, 700);
    EXPECT_EQ(ctx->state.window.mainGridHeight, 99);
    EXPECT_EQ(ctx->state.window.bookingGridHeight, 314) << "313.5 goes to the even 314";
    EXPECT_EQ(ctx->state.window.historyGridHeight, 198) << "197.5 goes to the even 198";
}

TEST_F(WindowTest, SavingTheLogAsksForANameAndWritesWindows1252)
{
    ctx->appendLogLine(QStringLiteral(" Quelldatei ÖFFNEN START"));
    ctx->appendLogLine(QStringLiteral(" 5 €"));
    dialogs.pushPath(std::nullopt);
    app::saveLogAs(*ctx);
    EXPECT_EQ(dialogs.shown().last().what, QStringLiteral("save"));
    EXPECT_EQ(dialogs.shown().last().text, QStringLiteral("*.*"));

    const QString path = dir.filePath(QStringLiteral("mein log.txt"));
    dialogs.pushPath(path);
    app::saveLogAs(*ctx);
    EXPECT_EQ(test::readFile(path), QByteArray("08.12.2022 14:05:09 Quelldatei \xD6"
                                               "FFNEN START\r\n"
                                               "08.12.2022 14:05:09 5 \x80\r\n"));
    app::clearLog(*ctx);
    EXPECT_TRUE(ctx->state.log.MLog.isEmpty());
}

TEST_F(WindowTest, ChoosingTheTargetFile)
{
    ctx->state.main.EZieldatei = QStringLiteral("/alt.xml");
    dialogs.pushPath(std::nullopt);
    app::chooseTargetFile(*ctx);
    EXPECT_EQ(ctx->state.main.EZieldatei, QStringLiteral("/alt.xml")) << "cancel changes nothing";
    EXPECT_EQ(dialogs.shown().last().caption, QStringLiteral("xml"));
    EXPECT_EQ(dialogs.shown().last().text, QStringLiteral("SEPA-Datei|*.xml|DTAUS-Datei|*.*"));
    dialogs.pushPath(QStringLiteral("/bank/neu.xml"));
    app::chooseTargetFile(*ctx);
    EXPECT_EQ(ctx->state.main.EZieldatei, QStringLiteral("/bank/neu.xml"));
}
