// The about window and the survey, which hands its answers to the user's mail program.
#include "platform/desktop.h"
#include "support/scripteddesktop.h"
#include "ui/infowindows.h"

#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QUrl>
#include <QUrlQuery>

#include <gtest/gtest.h>

using namespace ordovan;

TEST(AboutWindow, NamesProgramVersionLicenceAndQt)
{
    const QString text = ui::AboutWindow::text();
    EXPECT_TRUE(text.contains(QStringLiteral("Ordovan Profi 2022")));
    EXPECT_TRUE(text.contains(QStringLiteral("Version ") + QStringLiteral(ORDOVAN_VERSION)));
    EXPECT_TRUE(text.contains(QStringLiteral("Lizenz")));
    EXPECT_TRUE(text.contains(QString::fromLatin1(qVersion())));

    // Its only button is "OK": Qt's own about box would bring English text along.
    ui::AboutWindow window;
    const QList<QPushButton *> buttons = window.findChildren<QPushButton *>();
    ASSERT_EQ(buttons.size(), 1);
    EXPECT_EQ(buttons.first()->text(), QStringLiteral("OK"));
}

TEST(SurveyWindow, SendOpensAPreparedMailWithEveryAnswerIntact)
{
    test::ScriptedDesktop desktop;
    ui::SurveyWindow window(&desktop);
    window.findChild<QComboBox *>(QStringLiteral("Zufriedenheit"))->setCurrentIndex(2);
    window.findChild<QPlainTextEdit *>(QStringLiteral("Vermisst"))
        ->setPlainText(QStringLiteral("Export & Import von Überweisungen + mehr?"));
    QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("Senden")), Qt::LeftButton);
    ASSERT_EQ(desktop.opened.size(), 1);
    const QUrl url = platform::desktopUrl(desktop.opened.first());
    EXPECT_EQ(url.scheme(), QStringLiteral("mailto"));
    EXPECT_EQ(url.path(), ui::kSurveyAddress);
    const QUrlQuery query(url);
    const QString body = query.queryItemValue(QStringLiteral("body"), QUrl::FullyDecoded);
    EXPECT_TRUE(body.contains(QStringLiteral("weniger zufrieden"))) << body.toStdString();
    EXPECT_TRUE(body.contains(QStringLiteral("Export & Import von Überweisungen + mehr?")))
        << body.toStdString();
    EXPECT_TRUE(body.contains(QStringLiteral("\nJa\n")));
    EXPECT_EQ(query.queryItemValue(QStringLiteral("subject"), QUrl::FullyDecoded),
              QStringLiteral("Umfrage zur Verbesserung von Ordovan Profi"));
}
