#pragma once

#include "platform/dialogs.h"

#include <QString>

#include <functional>
#include <memory>
#include <utility>

class QPrinter;
class QWidget;

namespace ordovan::ui {

// The dialogs of the program as Qt message boxes and file dialogs, with the German captions
// and button texts users know from the program.
class QtDialogs : public platform::Dialogs
{
public:
    explicit QtDialogs(QWidget *parent = nullptr);
    ~QtDialogs() override;

    void setParent(QWidget *parent) { m_parent = parent; }
    // The printer the print dialog configures; print jobs use it.
    QPrinter *printer();
    // Whether the print dialog was confirmed since the last print job began; clears it.
    bool takePrintDialogConfirmed() { return std::exchange(m_printDialogConfirmed, false); }

    void plainMessage(const QString &text) override;
    platform::DialogButton message(platform::DialogKind kind, const QString &text,
                                   platform::DialogButtons buttons) override;
    platform::DialogButton question(const QString &text, const QString &caption) override;
    void uncaughtError(const QString &message) override;
    std::optional<QString> openFile(const QString &filter) override;
    std::optional<QString> saveFile(const QString &filter, const QString &defaultSuffix) override;
    std::optional<QString> saveFileNamed(const QString &filter, const QString &defaultSuffix,
                                         const QString &fileName) override;
    std::optional<QString> chooseFolder(const QString &initial) override;
    bool printDialog() override;
    // Notes that need no answer go to the window, which shows them beside the status.
    void notice(const QString &text) override
    {
        if (onNotice)
            onNotice(text);
    }
    std::function<void(const QString &)> onNotice;

    // "SEPA-Datei|*.xml|DTAUS-Datei|*.*" as Qt writes filters.
    static QString qtFilter(const QString &filter);

private:
    QWidget *m_parent;
    QString m_lastSaveName;
    std::unique_ptr<QPrinter> m_printer;
    bool m_printDialogConfirmed = false;
};

} // namespace ordovan::ui
