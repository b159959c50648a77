#include "screenshottour.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QMainWindow>
#include <QPixmap>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTimer>

#include <cstdio>

namespace ordovan::ui {

namespace {

QString lettersAndDigits(const QString &text)
{
    QString out;
    for (QChar c : text) {
        if (c.isLetterOrNumber())
            out += c;
    }
    return out;
}

// Qt names the inner parts of its widgets "qt_..."; those are no names of ours.
bool isOwnName(const QString &name)
{
    return !name.isEmpty() && !name.startsWith(u"qt_");
}

QString pageName(QWidget *page, const QString &caption)
{
    if (isOwnName(page->objectName()))
        return page->objectName();
    return lettersAndDigits(caption);
}

void settle()
{
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

} // namespace

ScreenshotTour::ScreenshotTour(QString folder, QObject *parent)
    : QObject(parent), m_folder(std::move(folder))
{}

QString ScreenshotTour::windowName(const QWidget *window)
{
    if (qobject_cast<const QMainWindow *>(window))
        return QStringLiteral("main");
    if (isOwnName(window->objectName()))
        return window->objectName();
    return {};
}

void ScreenshotTour::start(int delayMs)
{
    QTimer::singleShot(delayMs, this, [this] {
        const QStringList files = captureAll();
        for (const QString &file : files)
            std::fprintf(stderr, "screenshot: %s\n", qPrintable(file));
        finish();
    });
}

QStringList ScreenshotTour::captureAll()
{
    QDir().mkpath(m_folder);
    QStringList written;
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        const QString name = windowName(window);
        if (name.isEmpty() || window->windowType() == Qt::Popup ||
            window->windowType() == Qt::ToolTip)
            continue;
        written += captureWindow(window, name);
    }
    return written;
}

QStringList ScreenshotTour::captureWindow(QWidget *window, const QString &name)
{
    QStringList written;
    // Windows the program keeps hidden until a menu opens them are shown for the picture
    // only, without their modal loop.
    const bool wasHidden = !window->isVisible();
    if (wasHidden)
        window->show();
    settle();
    if (save(window, name))
        written << name;

    for (QTabWidget *tabs : window->findChildren<QTabWidget *>()) {
        // Pages of another window (a dialog the window owns) are that window's pictures.
        if (tabs->window() != window)
            continue;
        const int shown = tabs->currentIndex();
        for (int i = 0; i < tabs->count(); ++i) {
            const QString page = pageName(tabs->widget(i), tabs->tabText(i));
            tabs->setCurrentIndex(i);
            settle();
            if (!page.isEmpty() && save(window, name + u'-' + page))
                written << name + u'-' + page;
        }
        tabs->setCurrentIndex(shown);
    }
    for (QStackedWidget *stack : window->findChildren<QStackedWidget *>()) {
        // The pages of a tab widget are already taken above.
        if (qobject_cast<QTabWidget *>(stack->parentWidget()) || stack->window() != window)
            continue;
        const int shown = stack->currentIndex();
        for (int i = 0; i < stack->count(); ++i) {
            const QString page = pageName(stack->widget(i), QString());
            stack->setCurrentIndex(i);
            settle();
            if (!page.isEmpty() && save(window, name + u'-' + page))
                written << name + u'-' + page;
        }
        stack->setCurrentIndex(shown);
    }
    if (wasHidden)
        window->hide();
    settle();
    for (QString &file : written)
        file += QStringLiteral(".png");
    return written;
}

bool ScreenshotTour::save(QWidget *window, const QString &fileName)
{
    const QPixmap picture = window->grab();
    return !picture.isNull() &&
           picture.save(QDir(m_folder).filePath(fileName + QStringLiteral(".png")), "PNG");
}

void ScreenshotTour::finish()
{
    // Whatever the program does next (a modal dialog that is open or opens later, the main
    // loop), it returns at once: exit() ends every running event loop and the ones after it.
    auto *again = new QTimer(this);
    connect(again, &QTimer::timeout, this, [] {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            if (auto *dialog = qobject_cast<QDialog *>(modal))
                dialog->reject();
            else
                modal->close();
        }
        QCoreApplication::exit(0);
    });
    again->start(50);
    QCoreApplication::exit(0);
}

void startScreenshotTourFromEnvironment(QObject *parent)
{
    const QString folder = qEnvironmentVariable("ORDOVAN_SCREENSHOTS");
    if (folder.isEmpty())
        return;
    // Start-up (and a first start's wizard timer) has run by then.
    (new ScreenshotTour(folder, parent))->start(1000);
}

} // namespace ordovan::ui
