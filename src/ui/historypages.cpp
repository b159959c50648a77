#include "historypages.h"

#include "recordgrid.h"

#include "app/state.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace ordovan::ui {

namespace {

QPushButton *button(const QString &name, const QString &caption, QWidget *parent)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(name);
    return b;
}

QHBoxLayout *buttonBar(std::initializer_list<QPushButton *> buttons)
{
    auto *h = new QHBoxLayout;
    h->setSpacing(6);
    for (QPushButton *b : buttons)
        h->addWidget(b);
    h->addStretch(1);
    return h;
}

QVBoxLayout *pageLayout(QWidget *page)
{
    auto *v = new QVBoxLayout(page);
    v->setContentsMargins(6, 6, 6, 6);
    v->setSpacing(4);
    return v;
}

} // namespace

LogPage::LogPage(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("TabSheetLog"));
    Button9 = button(QStringLiteral("Button9"), QStringLiteral("Löschen"), this);
    Button10 = button(QStringLiteral("Button10"), QStringLiteral("Speichern"), this);
    MLog = new QPlainTextEdit(this);
    MLog->setObjectName(QStringLiteral("MLog"));
    MLog->setAccessibleName(QStringLiteral("Log"));
    MLog->setLineWrapMode(QPlainTextEdit::NoWrap);
    MLog->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    MLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    auto *v = pageLayout(this);
    v->addLayout(buttonBar({Button9, Button10}));
    v->addWidget(MLog, 1);
}

void LogPage::show(const app::MainState &s)
{
    const QStringList &lines = s.log.MLog.lines();
    if (lines == m_shown && !MLog->document()->isModified())
        return;
    m_shown = lines;
    MLog->setPlainText(lines.join(u'\n'));
    MLog->document()->setModified(false);
    MLog->moveCursor(QTextCursor::End);
}

void LogPage::collect(app::MainState &s) const
{
    // Only what the user typed replaces the lines (a shown copy could be out of date).
    if (!MLog->document()->isModified())
        return;
    const QString text = MLog->toPlainText();
    QStringList &lines = s.log.MLog.lines();
    lines = text.isEmpty() ? QStringList() : text.split(u'\n');
    const_cast<LogPage *>(this)->m_shown = lines;
    MLog->document()->setModified(false);
}

BookingHistoryPage::BookingHistoryPage(RecordGrid *domestic, RecordGrid *sepa, QWidget *parent)
    : QWidget(parent), m_domestic(domestic), m_sepa(sepa)
{
    setObjectName(QStringLiteral("TabSheetBuchungsHistorie"));
    BHistorienLoeschen =
        button(QStringLiteral("BHistorienLoeschen"), QStringLiteral("Historien löschen"), this);
    auto *v = pageLayout(this);
    v->addLayout(buttonBar({BHistorienLoeschen}));
    // The grids grow to the height the window gives them; what is left stays empty below.
    v->addWidget(domestic, 1);
    v->addWidget(sepa, 1);
    v->addStretch(0);
}

void BookingHistoryPage::setGridHeight(int height)
{
    m_domestic->setShareOfHeight(height);
    m_sepa->setShareOfHeight(height);
}

SepaHistoryPage::SepaHistoryPage(RecordGrid *history, RecordGrid *domestic, RecordGrid *sepa,
                                 QWidget *parent)
    : QWidget(parent), m_domestic(domestic), m_sepa(sepa)
{
    setObjectName(QStringLiteral("TabSheetSepaHistorie"));
    BZeileLoeschen =
        button(QStringLiteral("BZeileLoeschen"), QStringLiteral("Zeile löschen"), this);
    BLogAnzeigen =
        button(QStringLiteral("BLogAnzeigen"), QStringLiteral("Log-Datei anzeigen"), this);
    SRColorButton5 =
        button(QStringLiteral("SRColorButton5"), QStringLiteral("Begleitzettel drucken"), this);
    SRColorButton6 =
        button(QStringLiteral("SRColorButton6"), QStringLiteral(" Buchungsliste drucken"), this);
    auto *v = pageLayout(this);
    v->addLayout(buttonBar({BZeileLoeschen, BLogAnzeigen, SRColorButton5, SRColorButton6}));
    // The record grids take the height the window gives them first, the file grid the rest.
    v->addWidget(history, 1);
    v->addWidget(domestic, 1000);
    v->addWidget(sepa, 1000);
}

void SepaHistoryPage::setGridHeight(int height)
{
    m_domestic->setShareOfHeight(height);
    m_sepa->setShareOfHeight(height);
}

} // namespace ordovan::ui
