#pragma once

#include "platform/dialogs.h"

#include <QList>
#include <QStringList>

#include <deque>

namespace ordovan::test {

using platform::DialogButton;
using platform::DialogButtons;
using platform::DialogKind;

// For tests: records every dialog and answers from a queue (default answer when empty).
class ScriptedDialogs : public platform::Dialogs
{
public:
    struct Shown
    {
        // "plain", "message", "question", "error", "open", "save", "folder", "print"
        QString what;
        QString caption;
        QString text;
        DialogButtons buttons = 0;
    };

    void pushButton(DialogButton b) { m_buttons.push_back(b); }
    void pushPath(std::optional<QString> p) { m_paths.push_back(std::move(p)); }
    void pushPrint(bool confirm) { m_prints.push_back(confirm); }

    const QList<Shown> &shown() const { return m_shown; }
    QStringList texts() const;
    const QStringList &notices() const { return m_notices; }
    // The file names save dialogs proposed, in order.
    const QStringList &proposedNames() const { return m_proposedNames; }
    void clear()
    {
        m_shown.clear();
        m_notices.clear();
    }

    void plainMessage(const QString &text) override;
    DialogButton message(DialogKind kind, const QString &text, DialogButtons buttons) override;
    DialogButton question(const QString &text, const QString &caption) override;
    void uncaughtError(const QString &message) override;
    std::optional<QString> openFile(const QString &filter) override;
    std::optional<QString> saveFile(const QString &filter, const QString &defaultSuffix) override;
    std::optional<QString> saveFileNamed(const QString &filter, const QString &defaultSuffix,
                                         const QString &fileName) override;
    std::optional<QString> chooseFolder(const QString &initial) override;
    bool printDialog() override;
    void notice(const QString &text) override { m_notices.append(text); }

private:
    DialogButton nextButton(DialogButtons buttons);
    std::optional<QString> nextPath();

    QList<Shown> m_shown;
    QStringList m_notices;
    QStringList m_proposedNames;
    std::deque<DialogButton> m_buttons;
    std::deque<std::optional<QString>> m_paths;
    std::deque<bool> m_prints;
};

} // namespace ordovan::test
