#include "backupwindow.h"

#include "placement.h"

#include "app/backup.h"
#include "app/context.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace ordovan::ui {

namespace {

QLineEdit *folderBox(const QString &name, const QString &accessibleName, QWidget *parent)
{
    auto *box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setReadOnly(true);
    box->setAccessibleName(accessibleName);
    box->setMinimumWidth(360);
    return box;
}

QToolButton *chooserButton(const QString &name, const QString &hint, QWidget *parent)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(name);
    button->setText(QStringLiteral("…"));
    button->setToolTip(hint);
    button->setAccessibleName(hint);
    return button;
}

} // namespace

BackupWindow::BackupWindow(app::Context &ctx, QWidget *parent) : QDialog(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("TDatenSichernF"));
    setWindowTitle(QStringLiteral("Datenbank sichern"));
    setModal(true);

    auto *backupLabel =
        new QLabel(QStringLiteral("Datenbank sichern in folgendes Verzeichnis"), this);
    m_backupFolder = folderBox(QStringLiteral("EVerzeichnisSichern"),
                               QStringLiteral("Datenbank sichern in folgendes Verzeichnis"), this);
    auto *chooseBackup = chooserButton(QStringLiteral("SpeedButtonSichern"),
                                       QStringLiteral("Sicherungsverzeichnis wählen"), this);
    auto *save = new QPushButton(QStringLiteral("Sichern"), this);
    save->setObjectName(QStringLiteral("BSichern"));

    auto *restoreLabel =
        new QLabel(QStringLiteral("Datenbank aus folgendem Verzeichnis zurücklesen:"), this);
    m_restoreFolder =
        folderBox(QStringLiteral("EVerzeichnisZuruecklesen"),
                  QStringLiteral("Datenbank aus folgendem Verzeichnis zurücklesen"), this);
    auto *chooseRestore = chooserButton(QStringLiteral("SpeedButtonZuruecklesen"),
                                        QStringLiteral("Verzeichnis der Sicherung wählen"), this);
    auto *restore = new QPushButton(QStringLiteral("Zurücklesen"), this);
    restore->setObjectName(QStringLiteral("BZuruecklesen"));

    auto *close = new QPushButton(QStringLiteral("Schließen"), this);
    close->setObjectName(QStringLiteral("BSchliessen"));
    backupLabel->setBuddy(m_backupFolder);
    restoreLabel->setBuddy(m_restoreFolder);

    auto *grid = new QGridLayout;
    grid->addWidget(backupLabel, 0, 0, 1, 3);
    grid->addWidget(m_backupFolder, 1, 0);
    grid->addWidget(chooseBackup, 1, 1);
    grid->addWidget(save, 1, 2);
    grid->setRowMinimumHeight(2, 12);
    grid->addWidget(restoreLabel, 3, 0, 1, 3);
    grid->addWidget(m_restoreFolder, 4, 0);
    grid->addWidget(chooseRestore, 4, 1);
    grid->addWidget(restore, 4, 2);
    auto *bar = new QHBoxLayout;
    bar->addStretch();
    bar->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addSpacing(8);
    layout->addLayout(bar);

    // Slots of the window's controls, one operation each.
    connect(chooseBackup, &QToolButton::clicked, this, [this] {
        app::chooseBackupFolder(m_ctx);
        showState();
    });
    connect(chooseRestore, &QToolButton::clicked, this, [this] {
        app::chooseRestoreFolder(m_ctx);
        showState();
    });
    connect(save, &QPushButton::clicked, this, [this] {
        const bool done = app::saveBackupFromWindow(m_ctx);
        showState();
        if (done)
            accept();
    });
    connect(restore, &QPushButton::clicked, this, [this] {
        const bool done = app::readBackupFromWindow(m_ctx);
        showState();
        if (done)
            accept();
    });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    showState();
}

int BackupWindow::exec()
{
    showState();
    adjustSize();
    centreOnParent(this);
    return QDialog::exec();
}

void BackupWindow::showState()
{
    m_backupFolder->setText(m_ctx.state.backup.backupFolder);
    m_restoreFolder->setText(m_ctx.state.backup.restoreFolder);
}

} // namespace ordovan::ui
