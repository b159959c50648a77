#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

namespace ordovan::platform {

// Fire-and-forget desktop services: opening a file with its default program and starting
// another program. Nothing waits for them and nothing learns of their failures.
class Desktop
{
public:
    virtual ~Desktop() = default;
    virtual void openWithDefault(const QString &path) = 0;
    virtual void startProgram(const QString &program, const QStringList &arguments) = 0;
};

// The address a path or web address is opened by: http, https and mailto addresses as they
// are, everything else as a local file (a path is no address, whatever it looks like).
QUrl desktopUrl(const QString &pathOrAddress);

// The desktop's own associations (xdg-open through Qt).
class SystemDesktop : public Desktop
{
public:
    void openWithDefault(const QString &path) override;
    void startProgram(const QString &program, const QStringList &arguments) override;
};

// Without a desktop session: says on standard error what would have been opened.
class UnattendedDesktop : public Desktop
{
public:
    void openWithDefault(const QString &path) override;
    void startProgram(const QString &program, const QStringList &arguments) override;
};

} // namespace ordovan::platform
