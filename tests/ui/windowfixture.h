#pragma once

#include "app/context.h"
#include "app/operations.h"
#include "e2e_support.h"
#include "formats/tabular.h"
#include "platform/clock.h"
#include "platform/desktop.h"
#include "platform/dialogs.h"
#include "platform/settingsstore.h"
#include "support/recording.h"
#include "support/scripteddesktop.h"
#include "support/scripteddialogs.h"
#include "ui/mainwindow.h"

#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace ordovan::test {

// The main window on a prepared installation (see Installation), with scripted dialogs, a
// recording printer and a fixed clock (8 December 2022, 14:05:09). Widgets are found by
// their objectName; prompts are answered through the scripted dialogs.
class WindowTest : public ::testing::Test
{
protected:
    WindowTest() : clock(QDateTime(QDate(2022, 12, 8), QTime(14, 5, 9, 42)), 1) {}
    ~WindowTest() override
    {
        if (window) {
            window->hide();
            window.reset();
        }
    }

    // A Mandant and a source of three credit transfers (one with a bad IBAN), configured
    // like a Mandant a user set up before.
    void prepareFilled(int paymentType = 3)
    {
        inst.createTables();
        inst.configure(1, paymentType);
        inst.writeSource({
            Installation::record(QStringLiteral("Anna Schäfer"),
                                 QStringLiteral("DE89370400440532013000"),
                                 QStringLiteral("COBADEFFXXX"), QStringLiteral("234,5"),
                                 QStringLiteral("Miete Januar")),
            Installation::record(
                QStringLiteral("Bernd Ölmann"), QStringLiteral("DE02120300000000202051"),
                QStringLiteral("BYLADEM1001"), QStringLiteral("12,00"), QStringLiteral("Beitrag")),
            Installation::record(QStringLiteral("Falsch"), QStringLiteral("DE00"),
                                 QStringLiteral("COBADEFFXXX"), QStringLiteral("1,00"),
                                 QStringLiteral("x")),
        });
    }

    // Creates the window and shows it, which runs the start-up.
    void open(const QStringList &words = {})
    {
        settings = std::make_unique<platform::SettingsStore>(inst.settingsPath());
        app::Services services;
        services.dialogs = useDialogs ? useDialogs : &dialogs;
        services.desktop = &desktop;
        services.clock = &clock;
        services.tabular = &tabular;
        services.printing = &printing;
        ctx = std::make_unique<app::Context>(inst.dataDir(), *settings, services);
        ctx->args = words;
        while (ctx->args.size() < 3)
            ctx->args << QString();
        app::prepareProgram(*ctx);
        window = std::make_unique<ui::MainWindow>(*ctx);
        window->show();
    }

    template<typename T>
    T *find(const char *name) const
    {
        T *w = window->findChild<T *>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }

    template<typename T>
    void click(const char *name)
    {
        T *w = find<T>(name);
        if (w)
            QTest::mouseClick(w, Qt::LeftButton);
    }

    Installation inst;
    test::ScriptedDialogs dialogs;
    platform::Dialogs *useDialogs = nullptr; // other dialogs than the scripted ones
    test::ScriptedDesktop desktop;
    platform::FixedClock clock;
    formats::FileTabularProvider tabular;
    reports::RecordingPrintService printing;
    std::unique_ptr<platform::SettingsStore> settings;
    std::unique_ptr<app::Context> ctx;
    std::unique_ptr<ui::MainWindow> window;
};

} // namespace ordovan::test
