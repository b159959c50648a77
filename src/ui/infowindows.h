#pragma once

#include <QDialog>
#include <QString>

class QButtonGroup;
class QComboBox;
class QPlainTextEdit;

namespace ordovan::platform {
class Desktop;
}

namespace ordovan::ui {

// "Info ...": the program's name, version and licence, and the Qt version it runs on.
class AboutWindow : public QDialog
{
    Q_OBJECT

public:
    explicit AboutWindow(QWidget *parent = nullptr);
    static QString text();
};

// Where the survey's answers go: the user's own mail program sends them, the program itself
// sends nothing.
extern const QString kSurveyAddress;

struct SurveyAnswers
{
    QString satisfaction; // "Wie zufrieden sind Sie mit Ordovan Profi?"
    QString missing;      // "Was fehlt Ihnen im Programm?"
    QString recommend;    // "Würden Sie Ordovan Profi weiterempfehlen?"
};
// The mailto address of a mail holding the answers, subject and body filled in.
QString surveyMail(const SurveyAnswers &answers);

// "UMFRAGE zur Verbesserung des Programmes": three questions; "Senden" opens a prepared
// mail in the desktop's mail program.
class SurveyWindow : public QDialog
{
    Q_OBJECT

public:
    SurveyWindow(platform::Desktop *desktop, QWidget *parent = nullptr);
    SurveyAnswers answers() const;
    void send();

private:
    platform::Desktop *m_desktop;
    QComboBox *m_satisfaction;
    QPlainTextEdit *m_missing;
    QButtonGroup *m_recommend;
};

} // namespace ordovan::ui
