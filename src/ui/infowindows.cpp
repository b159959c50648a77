#include "infowindows.h"

#include "platform/desktop.h"
#include "platform/dialogs.h"

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QUrl>
#include <QUrlQuery>
#include <QVBoxLayout>

namespace ordovan::ui {

const QString kSurveyAddress = QStringLiteral("umfrage@brunnhold-software.de");

AboutWindow::AboutWindow(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("Info"));
    auto *icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(48, 48));
    auto *label = new QLabel(text(), this);
    label->setObjectName(QStringLiteral("AboutText"));
    label->setTextFormat(Qt::PlainText);
    auto *buttons = new QDialogButtonBox(this);
    QPushButton *ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("OK"));
    // No "About Qt" button: Qt's own box is English; the text below names Qt and its licence.
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto *h = new QHBoxLayout;
    h->addWidget(icon, 0, Qt::AlignTop);
    h->addWidget(label, 1);
    auto *v = new QVBoxLayout(this);
    v->addLayout(h);
    v->addWidget(buttons);
}

QString AboutWindow::text()
{
    return QStringLiteral("%1\nVersion %2\n\nBrunnhold Software\nLizenz: Alle Rechte vorbehalten."
                          "\n\nErstellt mit Qt %3 (LGPL-3.0), zur Laufzeit Qt %4.")
        .arg(platform::kApplicationTitle, QStringLiteral(ORDOVAN_VERSION),
             QStringLiteral(QT_VERSION_STR), QString::fromLatin1(qVersion()));
}

QString surveyMail(const SurveyAnswers &a)
{
    const QString body =
        QStringLiteral("Wie zufrieden sind Sie mit Ordovan Profi?\n%1\n\n"
                       "Was fehlt Ihnen im Programm?\n%2\n\n"
                       "Würden Sie Ordovan Profi weiterempfehlen?\n%3\n\n"
                       "Version %4")
            .arg(a.satisfaction, a.missing, a.recommend, QStringLiteral(ORDOVAN_VERSION));
    QUrl url;
    url.setScheme(QStringLiteral("mailto"));
    url.setPath(kSurveyAddress);
    QUrlQuery query;
    // Percent-encoded in full: a "&" or "+" in an answer must not cut the mail short.
    query.addQueryItem(QStringLiteral("subject"),
                       QString::fromLatin1(QUrl::toPercentEncoding(
                           QStringLiteral("Umfrage zur Verbesserung von Ordovan Profi"))));
    query.addQueryItem(QStringLiteral("body"), QString::fromLatin1(QUrl::toPercentEncoding(body)));
    url.setQuery(query);
    return url.toString(QUrl::FullyEncoded);
}

SurveyWindow::SurveyWindow(platform::Desktop *desktop, QWidget *parent)
    : QDialog(parent), m_desktop(desktop)
{
    setObjectName(QStringLiteral("Umfrage"));
    setWindowTitle(QStringLiteral("Umfrage zur Verbesserung des Programmes"));
    auto *intro = new QLabel(QStringLiteral("Helfen Sie uns, Ordovan Profi zu verbessern. "
                                            "\"Senden\" öffnet eine vorbereitete E-Mail in "
                                            "Ihrem E-Mail-Programm; das Programm selbst "
                                            "sendet nichts."),
                             this);
    intro->setWordWrap(true);

    m_satisfaction = new QComboBox(this);
    m_satisfaction->setObjectName(QStringLiteral("Zufriedenheit"));
    m_satisfaction->addItems({QStringLiteral("sehr zufrieden"), QStringLiteral("zufrieden"),
                              QStringLiteral("weniger zufrieden"), QStringLiteral("unzufrieden")});
    m_satisfaction->setAccessibleName(QStringLiteral("Wie zufrieden sind Sie mit Ordovan Profi?"));
    m_missing = new QPlainTextEdit(this);
    m_missing->setObjectName(QStringLiteral("Vermisst"));
    m_missing->setAccessibleName(QStringLiteral("Was fehlt Ihnen im Programm?"));
    m_missing->setTabChangesFocus(true);
    m_missing->setMinimumHeight(70);
    m_recommend = new QButtonGroup(this);
    auto *yes = new QRadioButton(QStringLiteral("Ja"), this);
    auto *no = new QRadioButton(QStringLiteral("Nein"), this);
    yes->setObjectName(QStringLiteral("EmpfehlungJa"));
    no->setObjectName(QStringLiteral("EmpfehlungNein"));
    yes->setChecked(true);
    m_recommend->addButton(yes);
    m_recommend->addButton(no);
    auto *recommend = new QHBoxLayout;
    recommend->addWidget(yes);
    recommend->addWidget(no);
    recommend->addStretch(1);

    auto *form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignLeft);
    form->setRowWrapPolicy(QFormLayout::WrapAllRows);
    form->addRow(QStringLiteral("Wie zufrieden sind Sie mit Ordovan Profi?"), m_satisfaction);
    form->addRow(QStringLiteral("Was fehlt Ihnen im Programm?"), m_missing);
    form->addRow(QStringLiteral("Würden Sie Ordovan Profi weiterempfehlen?"), recommend);

    auto *buttons = new QDialogButtonBox(this);
    QPushButton *send = buttons->addButton(QStringLiteral("Senden"), QDialogButtonBox::AcceptRole);
    send->setObjectName(QStringLiteral("Senden"));
    QPushButton *cancel =
        buttons->addButton(QStringLiteral("Abbrechen"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("Abbrechen"));
    connect(send, &QPushButton::clicked, this, [this] {
        this->send();
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *v = new QVBoxLayout(this);
    v->addWidget(intro);
    v->addLayout(form);
    v->addWidget(buttons);
    resize(420, sizeHint().height());
}

SurveyAnswers SurveyWindow::answers() const
{
    return {m_satisfaction->currentText(), m_missing->toPlainText().trimmed(),
            m_recommend->checkedButton() ? m_recommend->checkedButton()->text() : QString()};
}

void SurveyWindow::send()
{
    if (m_desktop)
        m_desktop->openWithDefault(surveyMail(answers()));
}

} // namespace ordovan::ui
