#include "accessiblenames.h"

#include <QAccessible>
#include <QAccessibleInterface>
#include <QComboBox>
#include <QPointer>

namespace ordovan::ui {

namespace {

// Qt's interface of the combo box with one change: the name is the accessible name. Qt's
// interface stays in the accessibility cache, which owns and deletes it.
class NamedComboBox : public QAccessibleInterface
{
public:
    NamedComboBox(QComboBox *combo, QAccessibleInterface *qt) : m_combo(combo), m_qt(qt) {}

    bool isValid() const override { return m_combo && m_qt->isValid(); }
    QObject *object() const override { return m_combo; }
    QWindow *window() const override { return m_qt->window(); }
    QList<QPair<QAccessibleInterface *, QAccessible::Relation>>
    relations(QAccessible::Relation match) const override
    {
        return m_qt->relations(match);
    }
    QAccessibleInterface *focusChild() const override { return m_qt->focusChild(); }
    QAccessibleInterface *childAt(int x, int y) const override { return m_qt->childAt(x, y); }
    QAccessibleInterface *parent() const override { return m_qt->parent(); }
    QAccessibleInterface *child(int index) const override { return m_qt->child(index); }
    int childCount() const override { return m_qt->childCount(); }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return m_qt->indexOfChild(child);
    }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name && m_combo && !m_combo->accessibleName().isEmpty())
            return m_combo->accessibleName();
        return m_qt->text(t);
    }
    void setText(QAccessible::Text t, const QString &text) override { m_qt->setText(t, text); }
    QRect rect() const override { return m_qt->rect(); }
    QAccessible::Role role() const override { return m_qt->role(); }
    QAccessible::State state() const override { return m_qt->state(); }
    QColor foregroundColor() const override { return m_qt->foregroundColor(); }
    QColor backgroundColor() const override { return m_qt->backgroundColor(); }
    void *interface_cast(QAccessible::InterfaceType type) override
    {
        return m_qt->interface_cast(type);
    }

private:
    QPointer<QComboBox> m_combo;
    QAccessibleInterface *m_qt;
};

bool g_askingQt = false;

QAccessibleInterface *namedComboBoxes(const QString &key, QObject *object)
{
    if (g_askingQt || key != QLatin1String("QComboBox"))
        return nullptr;
    auto *combo = qobject_cast<QComboBox *>(object);
    if (!combo || combo->accessibleName().isEmpty())
        return nullptr;
    // Qt's own interface, made by the factories after this one.
    g_askingQt = true;
    QAccessibleInterface *qt = QAccessible::queryAccessibleInterface(object);
    g_askingQt = false;
    return qt ? new NamedComboBox(combo, qt) : nullptr;
}

} // namespace

void keepComboBoxNames()
{
    static bool installed = false;
    if (!installed)
        QAccessible::installFactory(namedComboBoxes);
    installed = true;
}

} // namespace ordovan::ui
