#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <deque>
#include <optional>

namespace ordovan::platform {

// Message boxes, file choosers and the print dialog: everything that waits for the user.
// Three implementations: the Qt one (ui/), the unattended one below, which answers every
// question with its default and writes the text to standard error, and a scripted one for
// tests.

enum class DialogKind
{
    Error,
    Information,
    Confirmation,
    Warning
};

enum DialogButton : int
{
    NoButton = 0,
    Ok = 0x01,
    Cancel = 0x02, // "Abbrechen"
    Abort = 0x04,  // "&Abbrechen"
    Yes = 0x08,
    No = 0x10,
};
using DialogButtons = int;

inline const QString kApplicationTitle = QStringLiteral("Ordovan Profi 2022");

// Caption of a message dialog of the given kind.
QString dialogCaption(DialogKind kind);
// Text of a dialog button, with its access key marker.
QString buttonText(DialogButton button);
// The text an uncaught error is shown with: a "." is added when the last character's code
// is above that of ".".
QString uncaughtErrorText(const QString &message);

class Dialogs
{
public:
    virtual ~Dialogs() = default;

    // One OK button, the application title as caption.
    virtual void plainMessage(const QString &text) = 0;
    // Returns the button chosen.
    virtual DialogButton message(DialogKind kind, const QString &text, DialogButtons buttons) = 0;
    // Question icon, Yes and No.
    virtual DialogButton question(const QString &text, const QString &caption) = 0;
    // An error that no operation caught: application title, error icon, OK.
    virtual void uncaughtError(const QString &message) = 0;

    virtual std::optional<QString> openFile(const QString &filter) = 0;
    // The default extension is added to a name typed without one.
    virtual std::optional<QString> saveFile(const QString &filter,
                                            const QString &defaultSuffix) = 0;
    // The same with a file name proposed in the dialog (in the folder of the last choice).
    virtual std::optional<QString>
    saveFileNamed(const QString &filter, const QString &defaultSuffix, const QString &fileName)
    {
        Q_UNUSED(fileName);
        return saveFile(filter, defaultSuffix);
    }
    virtual std::optional<QString> chooseFolder(const QString &initial) = 0;
    // True when the user confirms; the printer chosen serves the next print job.
    virtual bool printDialog() = 0;
    // A note that needs no answer (the log holds it too): a window shows it where the user
    // looks anyway, so it is no box; a run without a window writes it to standard error.
    virtual void notice(const QString &text) { Q_UNUSED(text); }
};

// The default answer of a dialog: OK, No for Yes/No questions, otherwise the first button.
DialogButton defaultButton(DialogButtons buttons);

// For runs without a window: answers every dialog by its default and echoes it to stderr.
class UnattendedDialogs : public Dialogs
{
public:
    void plainMessage(const QString &text) override;
    DialogButton message(DialogKind kind, const QString &text, DialogButtons buttons) override;
    DialogButton question(const QString &text, const QString &caption) override;
    void uncaughtError(const QString &message) override;
    std::optional<QString> openFile(const QString &filter) override;
    std::optional<QString> saveFile(const QString &filter, const QString &defaultSuffix) override;
    std::optional<QString> chooseFolder(const QString &initial) override;
    bool printDialog() override;
    void notice(const QString &text) override;
};

} // namespace ordovan::platform
