#include "base/technicaltext.h"

#include <gtest/gtest.h>

using ordovan::german::technicalText;

TEST(TechnicalText, TheSystemsAndLibrariesReasonsComeOutInGerman)
{
    // Whole texts of the C library, and phrases inside what our readers put around them.
    EXPECT_EQ(technicalText(QStringLiteral("No such file or directory")),
              QStringLiteral("Datei oder Verzeichnis nicht gefunden"));
    EXPECT_EQ(technicalText(QStringLiteral("Zeile 1, Spalte 1412: unclosed token")),
              QStringLiteral("Zeile 1, Spalte 1412: unvollständiges Element"));
    EXPECT_EQ(technicalText(QStringLiteral("Read error: No space left on device")),
              QStringLiteral("Lesefehler: Kein Speicherplatz mehr auf dem Gerät"));
    // The longer phrase wins over the shorter one inside it.
    EXPECT_EQ(technicalText(QStringLiteral("No such file")),
              QStringLiteral("Datei nicht gefunden"));
}

TEST(TechnicalText, WhatItDoesNotKnowStaysAsItIs)
{
    EXPECT_EQ(technicalText(QString()), QString());
    EXPECT_EQ(technicalText(QStringLiteral("Kein Zugriff auf /srv/Bank")),
              QStringLiteral("Kein Zugriff auf /srv/Bank"));
    EXPECT_EQ(technicalText(QStringLiteral("errno 1234")), QStringLiteral("errno 1234"));
}
