#pragma once

#include <QDialog>

class QLineEdit;

namespace ordovan::app {
class Context;
}

namespace ordovan::ui {

// "Datenbank sichern": a folder to back up into and one to read a backup back from, each with
// a folder chooser, "Sichern", "Zurücklesen" and "Schließen". The folders live in the state
// and stay between openings; the work is done by the backup operations (app/backup.h).
class BackupWindow : public QDialog
{
    Q_OBJECT

public:
    BackupWindow(app::Context &ctx, QWidget *parent = nullptr);

    // Shows the window modally, centred on its parent.
    int exec() override;

private:
    void showState();

    app::Context &m_ctx;
    QLineEdit *m_backupFolder = nullptr;
    QLineEdit *m_restoreFolder = nullptr;
};

} // namespace ordovan::ui
