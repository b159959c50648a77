#include "dialogs.h"

#include <cstdio>

namespace ordovan::platform {

QString dialogCaption(DialogKind kind)
{
    switch (kind) {
    case DialogKind::Error:
        return QStringLiteral("Fehler");
    case DialogKind::Information:
        return QStringLiteral("Informationen");
    case DialogKind::Confirmation:
        return QStringLiteral("Bestätigen");
    case DialogKind::Warning:
        return QStringLiteral("Warnung");
    }
    return {};
}

QString buttonText(DialogButton button)
{
    switch (button) {
    case Ok:
        return QStringLiteral("OK");
    case Cancel:
        return QStringLiteral("Abbrechen");
    case Abort:
        return QStringLiteral("&Abbrechen");
    case Yes:
        return QStringLiteral("&Ja");
    case No:
        return QStringLiteral("&Nein");
    case NoButton:
        break;
    }
    return {};
}

QString uncaughtErrorText(const QString &message)
{
    if (!message.isEmpty() && message.back().unicode() > u'.')
        return message + u'.';
    return message;
}

DialogButton defaultButton(DialogButtons buttons)
{
    if (buttons & Ok)
        return Ok;
    if ((buttons & Yes) && (buttons & No))
        return No;
    for (DialogButton b : {Yes, No, Cancel, Abort}) {
        if (buttons & b)
            return b;
    }
    return Ok;
}

namespace {

// The message text exactly as the dialog would show it (a line break inside it stays the
// character it is), then a line feed. No caption: scripts compare the text itself.
void echo(const QString &text)
{
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
}

} // namespace

void UnattendedDialogs::plainMessage(const QString &text)
{
    echo(text);
}

DialogButton UnattendedDialogs::message(DialogKind, const QString &text, DialogButtons buttons)
{
    echo(text);
    return defaultButton(buttons);
}

DialogButton UnattendedDialogs::question(const QString &text, const QString &)
{
    echo(text);
    return No;
}

void UnattendedDialogs::uncaughtError(const QString &message)
{
    echo(uncaughtErrorText(message));
}

std::optional<QString> UnattendedDialogs::openFile(const QString &)
{
    return std::nullopt;
}

std::optional<QString> UnattendedDialogs::saveFile(const QString &, const QString &)
{
    return std::nullopt;
}

std::optional<QString> UnattendedDialogs::chooseFolder(const QString &)
{
    return std::nullopt;
}

bool UnattendedDialogs::printDialog()
{
    // Reports of an unattended run go to PDF files; there is no printer to choose.
    return true;
}

void UnattendedDialogs::notice(const QString &text)
{
    echo(text);
}

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

std::optional<QString> ScriptedDialogs::chooseFolder(const QString &initial)
{
    m_shown.append({QStringLiteral("folder"), {}, initial, 0});
    return nextPath();
}

void ScriptedDialogs::notice(const QString &text)
{
    m_shown.append({QStringLiteral("notice"), {}, text, 0});
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

} // namespace ordovan::platform
