#include "qtdialogs.h"

#include "germanfilelist.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>

namespace ordovan::ui {

using platform::DialogButton;

QtDialogs::QtDialogs(QWidget *parent) : m_parent(parent) {}

QtDialogs::~QtDialogs() = default;

QPrinter *QtDialogs::printer()
{
    if (!m_printer)
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return m_printer.get();
}

namespace {

DialogButton run(QMessageBox &box, platform::DialogButtons buttons)
{
    struct Entry
    {
        DialogButton button;
        QMessageBox::ButtonRole role;
    };
    const Entry entries[] = {{platform::Yes, QMessageBox::YesRole},
                             {platform::No, QMessageBox::NoRole},
                             {platform::Ok, QMessageBox::AcceptRole},
                             {platform::Abort, QMessageBox::RejectRole},
                             {platform::Cancel, QMessageBox::RejectRole}};
    QList<std::pair<QAbstractButton *, DialogButton>> made;
    for (const Entry &e : entries) {
        if (buttons & e.button) {
            QPushButton *b = box.addButton(platform::buttonText(e.button), e.role);
            b->setObjectName(platform::buttonText(e.button).remove(u'&'));
            made.append({b, e.button});
        }
    }
    if (!made.isEmpty())
        box.setDefaultButton(static_cast<QPushButton *>(made.first().first));
    box.exec();
    for (const auto &[b, id] : made) {
        if (box.clickedButton() == b)
            return id;
    }
    // Closed by Escape or the close box: the cancelling answer.
    for (DialogButton fallback : {platform::Cancel, platform::Abort, platform::No, platform::Ok}) {
        if (buttons & fallback)
            return fallback;
    }
    return platform::Ok;
}

} // namespace

void QtDialogs::plainMessage(const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, platform::kApplicationTitle, text, QMessageBox::NoButton,
                    m_parent);
    run(box, platform::Ok);
}

DialogButton QtDialogs::message(platform::DialogKind kind, const QString &text,
                                platform::DialogButtons buttons)
{
    QMessageBox::Icon icon = QMessageBox::Information;
    switch (kind) {
    case platform::DialogKind::Error:
        icon = QMessageBox::Critical;
        break;
    case platform::DialogKind::Information:
        icon = QMessageBox::Information;
        break;
    case platform::DialogKind::Confirmation:
        icon = QMessageBox::Question;
        break;
    case platform::DialogKind::Warning:
        icon = QMessageBox::Warning;
        break;
    }
    QString shown = text;
    shown.replace(u'\r', u'\n');
    QMessageBox box(icon, platform::dialogCaption(kind), shown, QMessageBox::NoButton, m_parent);
    return run(box, buttons);
}

DialogButton QtDialogs::question(const QString &text, const QString &caption)
{
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::NoButton, m_parent);
    return run(box, platform::Yes | platform::No);
}

void QtDialogs::uncaughtError(const QString &message)
{
    QMessageBox box(QMessageBox::Critical, platform::kApplicationTitle,
                    platform::uncaughtErrorText(message), QMessageBox::NoButton, m_parent);
    run(box, platform::Ok);
}

QString QtDialogs::qtFilter(const QString &filter)
{
    if (filter.isEmpty())
        return {};
    const QStringList parts = filter.split(u'|');
    if (parts.size() < 2)
        return QStringLiteral("(%1)").arg(filter);
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        out << QStringLiteral("%1 (%2)").arg(parts[i], QString(parts[i + 1]).replace(u';', u' '));
    return out.join(QStringLiteral(";;"));
}

std::optional<QString> QtDialogs::openFile(const QString &filter)
{
    QFileDialog dialog(m_parent, QStringLiteral("Öffnen"), QString(), qtFilter(filter));
    dialog.setFileMode(QFileDialog::ExistingFile);
    showGermanFileList(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first();
}

std::optional<QString> QtDialogs::saveFile(const QString &filter, const QString &defaultSuffix)
{
    return saveFileNamed(filter, defaultSuffix, QString());
}

std::optional<QString> QtDialogs::saveFileNamed(const QString &filter, const QString &defaultSuffix,
                                                const QString &fileName)
{
    // A proposed name goes into the folder of the last choice; without one the dialog
    // proposes the last name chosen.
    QString proposed = m_lastSaveName;
    if (!fileName.isEmpty()) {
        const QDir folder =
            m_lastSaveName.isEmpty() ? QDir::home() : QFileInfo(m_lastSaveName).dir();
        proposed = folder.filePath(fileName);
    }
    QFileDialog dialog(m_parent, QStringLiteral("Speichern unter"), proposed, qtFilter(filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(defaultSuffix);
    showGermanFileList(dialog);
    if (!proposed.isEmpty())
        dialog.selectFile(proposed);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    m_lastSaveName = dialog.selectedFiles().first();
    return m_lastSaveName;
}

std::optional<QString> QtDialogs::chooseFolder(const QString &initial)
{
    QFileDialog dialog(m_parent, QStringLiteral("Verzeichnis auswählen"), initial);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    showGermanFileList(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first();
}

bool QtDialogs::printDialog()
{
    QPrintDialog dialog(printer(), m_parent);
    dialog.setWindowTitle(QStringLiteral("Drucken"));
    m_printDialogConfirmed = dialog.exec() == QDialog::Accepted;
    return m_printDialogConfirmed;
}

} // namespace ordovan::ui
