// Dialogs open centred on the main window, every time, whoever opened them last.
#include "ui/placement.h"

#include <QDialog>
#include <QLabel>
#include <QMainWindow>
#include <QVBoxLayout>

#include <gtest/gtest.h>

TEST(Placement, ADialogOpensCentredOnItsParentsWindowEachTime)
{
    QMainWindow main;
    main.setGeometry(100, 80, 700, 600);
    QWidget *inner = new QWidget(&main);
    main.setCentralWidget(inner);

    QDialog dialog(inner);
    auto *layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(QStringLiteral("Mandantenverwaltung"), &dialog));
    ordovan::ui::centreOnParent(&dialog);
    EXPECT_EQ(dialog.size(), dialog.sizeHint()) << "never sized: the layout's size";
    EXPECT_LE((dialog.geometry().center() - main.geometry().center()).manhattanLength(), 2);

    // Moved away and opened again: back in the middle.
    dialog.resize(300, 200);
    dialog.move(0, 0);
    main.move(400, 300);
    ordovan::ui::centreOnParent(&dialog);
    EXPECT_EQ(dialog.size(), QSize(300, 200));
    EXPECT_LE((dialog.geometry().center() - main.geometry().center()).manhattanLength(), 2);
}
