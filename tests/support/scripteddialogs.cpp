#include "scripteddialogs.h"

namespace ordovan::test {

using namespace platform;

QStringList ScriptedDialogs::texts() const
{
    QStringList out;
    for (const Shown &s : m_shown)
        out << s.text;
    return out;
}

DialogButton ScriptedDialogs::nextButton(DialogButtons buttons)
{
    if (m_buttons.empty())
        return defaultButton(buttons);
    DialogButton b = m_buttons.front();
    m_buttons.pop_front();
    return b;
}

std::optional<QString> ScriptedDialogs::nextPath()
{
    if (m_paths.empty())
        return std::nullopt;
    std::optional<QString> p;
    p.swap(m_paths.front());
    m_paths.pop_front();
    return p;
}

void ScriptedDialogs::plainMessage(const QString &text)
{
    m_shown.append({QStringLiteral("plain"), kApplicationTitle, text, Ok});
}

DialogButton ScriptedDialogs::message(DialogKind kind, const QString &text, DialogButtons buttons)
{
    m_shown.append({QStringLiteral("message"), dialogCaption(kind), text, buttons});
    return nextButton(buttons);
}

DialogButton ScriptedDialogs::question(const QString &text, const QString &caption)
{
    m_shown.append({QStringLiteral("question"), caption, text, Yes | No});
    return nextButton(Yes | No);
}

void ScriptedDialogs::uncaughtError(const QString &message)
{
    m_shown.append({QStringLiteral("error"), kApplicationTitle, uncaughtErrorText(message), Ok});
}

std::optional<QString> ScriptedDialogs::openFile(const QString &filter)
{
    m_shown.append({QStringLiteral("open"), {}, filter, 0});
    return nextPath();
}

std::optional<QString> ScriptedDialogs::saveFile(const QString &filter, const QString &suffix)
{
    m_shown.append({QStringLiteral("save"), suffix, filter, 0});
    return nextPath();
}

std::optional<QString> ScriptedDialogs::saveFileNamed(const QString &filter, const QString &suffix,
                                                      const QString &fileName)
{
    m_shown.append({QStringLiteral("save"), suffix, filter, 0});
    m_proposedNames.append(fileName);
    return nextPath();
}

std::optional<QString> ScriptedDialogs::chooseFolder(const QString &initial)
{
    m_shown.append({QStringLiteral("folder"), {}, initial, 0});
    return nextPath();
}

bool ScriptedDialogs::printDialog()
{
    m_shown.append({QStringLiteral("print"), {}, {}, 0});
    if (m_prints.empty())
        return true;
    bool b = m_prints.front();
    m_prints.pop_front();
    return b;
}

} // namespace ordovan::test
