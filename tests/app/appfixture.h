#pragma once

#include "app/context.h"
#include "formats/tabular.h"
#include "platform/clock.h"
#include "platform/desktop.h"
#include "platform/dialogs.h"
#include "platform/settingsstore.h"
#include "support/scripteddesktop.h"
#include "support/scripteddialogs.h"

#include <QTemporaryDir>

#include <memory>

namespace ordovan::test {

// A program context on a temporary data folder and settings file, with scripted dialogs
// and a fixed clock (8 December 2022, 14:05:09).
struct AppFixture
{
    AppFixture();
    ~AppFixture();

    QString dataDir() const;
    QString settingsPath() const;
    // Opens ClientDataSet3 empty (no table file needed) and adds Mandanten with these IDs.
    void addMandanten(const QList<int> &ids);

    QTemporaryDir dir;
    test::ScriptedDialogs dialogs;
    test::ScriptedDesktop desktop;
    platform::FixedClock clock;
    formats::UnavailableTabularProvider tabular;
    std::unique_ptr<platform::SettingsStore> settings;
    std::unique_ptr<app::Context> ctx;
};

} // namespace ordovan::test
