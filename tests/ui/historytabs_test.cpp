// The two history tabs after runs: filters that follow the tabs and the selected history row,
// sorting by a click on a column title, deleting rows, and the buttons of the history.
#include "windowfixture.h"

#include "ui/recordgrid.h"
#include "ui/tablemodel.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTabWidget>

using namespace ordovan;
using test::WindowTest;

namespace {

class HistoryTabs : public WindowTest
{
protected:
    void SetUp() override
    {
        prepareFilled();
        open();
        click<QPushButton>("BStart");
        ASSERT_EQ(ctx->data.ClientDataSetHisAZV.recordCount(), 2);
    }

    QStringList columnTexts(const char *grid, int column)
    {
        QStringList out;
        QAbstractItemModel *m = find<QTableView>(grid)->model();
        for (int r = 0; r < m->rowCount(); ++r)
            out << m->index(r, column).data().toString();
        return out;
    }
};

} // namespace

TEST_F(HistoryTabs, BookingHistoryShowsAllRecordsAndSortsByTheClickedTitle)
{
    // A second run: the main tab shows only its records, the history tab everything.
    click<QPushButton>("BStart"); // the same source again: the repeat question, default "Nein"
    dialogs.pushButton(platform::Yes);
    click<QPushButton>("BStart");
    EXPECT_EQ(find<QTableView>("DBGrid6")->model()->rowCount(), 2);
    window->tabs()->setCurrentIndex(3);
    EXPECT_FALSE(ctx->data.ClientDataSetAZV.filtered());
    EXPECT_EQ(find<QTableView>("DBGrid7")->model()->rowCount(), 4);
    EXPECT_EQ(columnTexts("DBGrid7", 1),
              (QStringList{QStringLiteral("Anna Schäfer"), QStringLiteral("Bernd Ölmann"),
                           QStringLiteral("Anna Schäfer"), QStringLiteral("Bernd Ölmann")}));

    auto *grid = find<QTableView>("DBGrid7");
    const int amount = 13;
    ASSERT_EQ(grid->model()->headerData(amount, Qt::Horizontal).toString(),
              QStringLiteral("Betrag"));
    grid->horizontalHeader()->sectionClicked(amount);
    EXPECT_EQ(ctx->data.ClientDataSetHisAZV.indexField(), QStringLiteral("Betrag"));
    EXPECT_EQ(columnTexts("DBGrid7", amount),
              (QStringList{QStringLiteral("12,00 €"), QStringLiteral("12,00 €"),
                           QStringLiteral("234,50 €"), QStringLiteral("234,50 €")}));
    EXPECT_TRUE(grid->horizontalHeader()->isSortIndicatorShown());

    // Back on the main tab the filters are on again.
    window->tabs()->setCurrentIndex(0);
    EXPECT_TRUE(ctx->data.ClientDataSetAZV.filtered());
    EXPECT_EQ(find<QTableView>("DBGrid6")->model()->rowCount(), 2);
}

TEST_F(HistoryTabs, EditingAnArchivedRecordConvertsOrRefusesWithAGermanMessage)
{
    window->tabs()->setCurrentIndex(3);
    QAbstractItemModel *m = find<QTableView>("DBGrid7")->model();
    EXPECT_TRUE(m->setData(m->index(0, 13), QStringLiteral("99,95 €")));
    EXPECT_EQ(m->index(0, 13).data().toString(), QStringLiteral("99,95 €"));
    EXPECT_EQ(m->index(0, 13).data(Qt::EditRole).toString(), QStringLiteral("99,95"));

    dialogs.clear();
    EXPECT_FALSE(m->setData(m->index(0, 15), QStringLiteral("31.02.2022")));
    ASSERT_EQ(dialogs.shown().size(), 1);
    EXPECT_EQ(dialogs.shown().first().what, QStringLiteral("error"));
    EXPECT_FALSE(dialogs.shown().first().text.isEmpty());
    EXPECT_EQ(m->index(0, 15).data().toString(), QStringLiteral("08.12.2022")) << "unchanged";
    EXPECT_EQ(ctx->data.ClientDataSetHisAZV.state(), store::Table::State::Browse);
}

TEST_F(HistoryTabs, SepaHistoryShowsTheRecordsOfTheSelectedRun)
{
    window->tabs()->setCurrentIndex(4);
    auto *history = find<QTableView>("DBGrid4");
    ASSERT_EQ(history->model()->rowCount(), 1);
    EXPECT_EQ(history->currentIndex().row(), 0) << "the last row is selected";
    EXPECT_EQ(history->model()->headerData(14, Qt::Horizontal).toString(),
              QStringLiteral("Gesamtzahl Sätze"));
    EXPECT_EQ(history->model()->index(0, 4).data().toString(), QStringLiteral("246,50 €"));
    EXPECT_EQ(history->model()->index(0, 5).data().toString(), QStringLiteral("Gutschrift"));
    EXPECT_EQ(find<QTableView>("DBGrid8")->model()->rowCount(), 2);
    EXPECT_EQ(find<QTableView>("DBGrid5")->model()->rowCount(), 0);
    EXPECT_EQ(ctx->data.ClientDataSetAZV.filter(), QStringLiteral("ID >= 1 and ID <=3"));

    click<QPushButton>("BLogAnzeigen");
    ASSERT_EQ(desktop.opened.size(), 1);
    EXPECT_TRUE(desktop.opened.first().contains(QStringLiteral("/Log/Log_")));

    click<QPushButton>("SRColorButton5");
    click<QPushButton>("SRColorButton6");
    ASSERT_EQ(printing.jobs().size(), 2);
    EXPECT_TRUE(printing.jobs().at(1).texts().join(u' ').contains(QStringLiteral("Anna Sch")));
}

TEST_F(HistoryTabs, DeletingAsksFirstAndRemovesOnlyWhatItSays)
{
    window->tabs()->setCurrentIndex(4);
    click<QPushButton>("BZeileLoeschen"); // default answer: No
    EXPECT_EQ(ctx->data.ClientDataSet2.recordCount(), 1);
    EXPECT_EQ(dialogs.shown().last().text,
              QStringLiteral("Möchten Sie diese Zeile wirklich löschen?"));
    dialogs.pushButton(platform::Yes);
    click<QPushButton>("BZeileLoeschen");
    EXPECT_EQ(find<QTableView>("DBGrid4")->model()->rowCount(), 0);
    EXPECT_EQ(ctx->data.ClientDataSetHisAZV.recordCount(), 2) << "the archive stays";

    window->tabs()->setCurrentIndex(3);
    dialogs.pushButton(platform::Yes);
    click<QPushButton>("BHistorienLoeschen");
    EXPECT_EQ(dialogs.shown().last().caption, QStringLiteral("Frage"));
    EXPECT_EQ(find<QTableView>("DBGrid7")->model()->rowCount(), 0);
    EXPECT_EQ(find<QTableView>("DBGrid3")->model()->rowCount(), 0);
    EXPECT_EQ(ctx->data.ClientDataSetAZV.recordCount(), 2) << "the payment records stay";
}
