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

void UnattendedDialogs::notice(const QString &text)
{
    echo(text);
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

} // namespace ordovan::platform
