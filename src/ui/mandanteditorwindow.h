#pragma once

#include "app/mandanteditor.h"

#include <QDialog>
#include <QHash>

#include <array>

class QButtonGroup;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace ordovan::app {
class Context;
}

namespace ordovan::ui {

// "Mandantenverwaltung": the boxes of the current row of ClientDataSet3, the active account,
// "NEU", "Speichern", "Löschen", "Schließen", previous/next and help. The window holds no data
// of its own: each control calls one editor operation (app/mandanteditor.h) and the window then
// shows the table again.
class MandantEditorWindow : public QDialog, public app::MandantEditor
{
    Q_OBJECT

public:
    explicit MandantEditorWindow(QWidget *parent = nullptr);
    ~MandantEditorWindow() override;

    // Shows the editor modally on the current Mandant; returns when it has been closed.
    void edit(app::Context &ctx) override;

    // The editor bound to a context without the modal loop (edit() uses it; tests show the
    // window themselves). detach() leaves the table as it is.
    void attach(app::Context &ctx);
    void detach();

public Q_SLOTS:
    // Escape, the close box and "Schließen" all go through the close check.
    void reject() override;

private:
    void buildControls();
    void showState();
    void showBox(QLineEdit *box, const QString &text);
    // Runs one operation; an error it raises is shown, and the window shows the table again.
    template<typename Operation>
    void run(Operation operation);

    app::Context *m_ctx = nullptr;
    // While the window shows the table, the boxes' changes are not the user's.
    bool m_showing = false;
    QHash<QString, QLineEdit *> m_boxes; // by field
    QButtonGroup *m_accounts = nullptr;
    std::array<QRadioButton *, 3> m_accountButtons = {};
    QPushButton *m_new = nullptr;
    QPushButton *m_save = nullptr;
    QPushButton *m_delete = nullptr;
    QPushButton *m_close = nullptr;
    QToolButton *m_previous = nullptr;
    QToolButton *m_next = nullptr;
    QToolButton *m_help = nullptr;
};

} // namespace ordovan::ui
