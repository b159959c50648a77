#pragma once

#include "platform/desktop.h"

#include <QList>
#include <QStringList>

namespace ordovan::test {

// Records what would have been opened or started.
class ScriptedDesktop : public platform::Desktop
{
public:
    void openWithDefault(const QString &path) override { opened << path; }
    void startProgram(const QString &program, const QStringList &arguments) override
    {
        started << (QStringList{program} + arguments);
    }
    QStringList opened;
    QList<QStringList> started;
};

} // namespace ordovan::test
