#include "platform/desktop.h"

#include <gtest/gtest.h>

using namespace ordovan;

// The web page and the survey's mail must reach the browser and the mail program as
// addresses, files (even with odd names) as files.
TEST(DesktopUrl, AddressesStayAddressesAndPathsBecomeFiles)
{
    EXPECT_EQ(platform::desktopUrl(QStringLiteral("https://example.org/ordovan")).toString(),
              QStringLiteral("https://example.org/ordovan"));
    EXPECT_EQ(platform::desktopUrl(QStringLiteral("HTTP://example.org")).scheme(),
              QStringLiteral("http"));
    const QUrl mail =
        platform::desktopUrl(QStringLiteral("mailto:umfrage@example.org?subject=Umfrage%20%C3%A4"));
    EXPECT_EQ(mail.scheme(), QStringLiteral("mailto"));
    EXPECT_EQ(mail.path(), QStringLiteral("umfrage@example.org"));

    const QUrl file = platform::desktopUrl(QStringLiteral("/home/anna/Log/Log_1-2-2022.txt"));
    EXPECT_TRUE(file.isLocalFile());
    EXPECT_EQ(file.toLocalFile(), QStringLiteral("/home/anna/Log/Log_1-2-2022.txt"));
    EXPECT_TRUE(platform::desktopUrl(QStringLiteral("/srv/https: Liste.pdf")).isLocalFile());
    EXPECT_TRUE(platform::desktopUrl(QStringLiteral("Ordovan Pro - Handbuch.pdf")).isLocalFile());
}
