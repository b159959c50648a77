#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QWidget;

// Screenshots for the manual, taken by the program itself (scripts/screenshots.sh starts it
// under Xvfb with ORDOVAN_SCREENSHOTS set to a folder). Once the program has started, every
// window it created is shown, photographed and hidden again, each tab and page on its own;
// then the program ends, whatever dialog is open. The names follow the objectNames, so the
// manual can name its pictures before they exist:
//
//   <window>.png             the window as it opens ("main" for the main window)
//   <window>-<page>.png      each page of a tab widget or stacked widget in it
//
// A page without an objectName is named after its tab caption, letters and digits only.

namespace ordovan::ui {

class ScreenshotTour : public QObject
{
    Q_OBJECT

public:
    explicit ScreenshotTour(QString folder, QObject *parent = nullptr);

    // After delayMs in the event loop: take the screenshots, then end the program.
    void start(int delayMs);

    // Takes the screenshots of every named top-level window now; returns the files written.
    QStringList captureAll();

    // The name of a top-level window in the file names; empty for a window to leave out
    // (message boxes and other windows without an objectName).
    static QString windowName(const QWidget *window);

private:
    QStringList captureWindow(QWidget *window, const QString &name);
    bool save(QWidget *window, const QString &fileName);
    void finish();

    QString m_folder;
};

// Starts the tour when ORDOVAN_SCREENSHOTS names a folder; a no-op otherwise.
void startScreenshotTourFromEnvironment(QObject *parent);

} // namespace ordovan::ui
