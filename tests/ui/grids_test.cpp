// Record grids read their tables in place: formats, filters, deferred updates, editing.
#include "base/error.h"
#include "store/schema.h"
#include "store/table.h"
#include "ui/recordgrid.h"
#include "ui/tablemodel.h"

#include <QDate>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace ordovan;

namespace {

void addRecord(store::Table &t, int id, const QString &name, double amount)
{
    t.insert();
    t.setValue(u"ID", id);
    t.setValue(u"Name1", name);
    t.setValue(u"Betrag", amount);
    t.setValue(u"Datum", QDate(2022, 12, 8));
    t.setValue(u"Verwendungszweck", QStringLiteral("Zeile 1\r\nZeile 2"));
    t.post();
}

QList<ui::FieldColumn> columns()
{
    return {{QStringLiteral("ID"), QStringLiteral("ID")},
            {QStringLiteral("Name1"), QStringLiteral("Name")},
            {QStringLiteral("Betrag"), QStringLiteral("Betrag")},
            {QStringLiteral("Datum"), QStringLiteral("Datum")},
            {QStringLiteral("Verwendungszweck"), QStringLiteral("Verwendungszweck")},
            {QStringLiteral("Fehlt"), QStringLiteral("Fehlt")}};
}

} // namespace

TEST(TableModel, ShowsAmountsDatesAndPurposesAsTheUserReadsThem)
{
    store::Table t(QStringLiteral("ClientDataSetAZV"));
    t.createEmpty(store::sepaPaymentFields());
    addRecord(t, 7, QStringLiteral("Anna"), 1234.5);
    ui::TableModel m(t, columns(), false);
    ASSERT_EQ(m.rowCount(), 1);
    EXPECT_EQ(m.index(0, 0).data().toString(), QStringLiteral("7"));
    EXPECT_EQ(m.index(0, 2).data().toString(), QStringLiteral("1234,50 €"));
    EXPECT_EQ(m.index(0, 3).data().toString(), QStringLiteral("08.12.2022"));
    EXPECT_EQ(m.index(0, 4).data().toString(), QStringLiteral("Zeile 1 Zeile 2"));
    EXPECT_FALSE(m.index(0, 5).data().isValid()) << "a field the table lacks stays empty";
    EXPECT_EQ(m.headerData(1, Qt::Horizontal).toString(), QStringLiteral("Name"));
    EXPECT_FALSE(m.flags(m.index(0, 1)) & Qt::ItemIsEditable);
    EXPECT_FALSE(m.setData(m.index(0, 1), QStringLiteral("x")));
    EXPECT_EQ(m.index(0, 2).data(Qt::TextAlignmentRole).toInt() & Qt::AlignRight, Qt::AlignRight);
}

TEST(TableModel, FollowsFiltersRowsAndDeletionsAndCatchesUpAfterARun)
{
    store::Table t(QStringLiteral("ClientDataSetAZV"));
    t.createEmpty(store::sepaPaymentFields());
    for (int id = 1; id <= 5; ++id)
        addRecord(t, id, QStringLiteral("R%1").arg(id), id);
    ui::TableModel m(t, columns(), false);
    QSignalSpy resets(&m, &QAbstractItemModel::modelReset);
    t.setFilter(QStringLiteral("ID > 3"));
    t.setFiltered(true);
    EXPECT_EQ(m.rowCount(), 2);
    EXPECT_EQ(m.index(0, 1).data().toString(), QStringLiteral("R4"));

    // While deferred, a run's thousand changes cost one reset at the end.
    const int before = int(resets.size());
    m.setDeferred(true);
    for (int id = 6; id <= 20; ++id)
        addRecord(t, id, QStringLiteral("R%1").arg(id), id);
    t.locate(u"ID", 4);
    t.remove();
    EXPECT_EQ(resets.size(), before);
    EXPECT_EQ(m.rowCount(), 2) << "not yet caught up";
    EXPECT_FALSE(m.index(1, 1).data().toString().isEmpty());
    m.setDeferred(false);
    EXPECT_EQ(resets.size(), before + 1);
    EXPECT_EQ(m.rowCount(), 16);
    EXPECT_EQ(m.index(0, 1).data().toString(), QStringLiteral("R5"));

    // A row asked for beyond what the table still holds reads as empty, never out of bounds.
    m.setDeferred(true);
    t.setFilter(QStringLiteral("ID=0"));
    EXPECT_FALSE(m.index(3, 1).data().isValid());
}

TEST(TableModel, EditsConvertGermanInputAndRefuseWhatDoesNotConvert)
{
    store::Table t(QStringLiteral("ClientDataSetHisAZV"));
    t.createEmpty(store::sepaPaymentFields());
    addRecord(t, 1, QStringLiteral("Anna"), 10);
    ui::TableModel m(t, columns(), true);
    QStringList errors;
    m.onEditError = [&errors](const QString &e) { errors << e; };
    EXPECT_TRUE(m.flags(m.index(0, 1)) & Qt::ItemIsEditable);
    EXPECT_TRUE(m.setData(m.index(0, 2), QStringLiteral("99,95 €")));
    EXPECT_EQ(t.valueAt(0, t.field(u"Betrag")).toDouble(), 99.95);
    EXPECT_TRUE(m.setData(m.index(0, 1), QStringLiteral("Änne")));
    EXPECT_EQ(m.index(0, 1).data().toString(), QStringLiteral("Änne"));

    errors.clear();
    EXPECT_FALSE(m.setData(m.index(0, 3), QStringLiteral("kein Datum")));
    ASSERT_EQ(errors.size(), 1);
    EXPECT_EQ(m.index(0, 3).data().toString(), QStringLiteral("08.12.2022"));
    EXPECT_EQ(t.state(), store::Table::State::Browse);
    EXPECT_TRUE(m.setData(m.index(0, 3), QString()));
    EXPECT_TRUE(m.index(0, 3).data().toString().isEmpty()) << "an emptied cell is empty";
}

TEST(RecordGrid, SelectingARowMovesTheTableAndTheTableMovesTheSelection)
{
    store::Table t(QStringLiteral("ClientDataSet2"));
    t.createEmpty(store::sepaPaymentFields());
    for (int id = 1; id <= 3; ++id)
        addRecord(t, id, QStringLiteral("R%1").arg(id), id);
    int scrolled = 0;
    t.afterScroll = [&scrolled](store::Table &) { ++scrolled; };
    auto *model = new ui::TableModel(t, columns(), false);
    ui::RecordGrid grid(QStringLiteral("DBGrid4"), QStringLiteral("Dateien"), model, false);
    model->setParent(&grid);
    EXPECT_EQ(grid.accessibleName(), QStringLiteral("Dateien"));
    EXPECT_EQ(grid.selectionBehavior(), QAbstractItemView::SelectRows);
    grid.setCurrentIndex(model->index(1, 0));
    EXPECT_EQ(t.recNo(), 2);
    EXPECT_EQ(scrolled, 1);
    t.last();
    model->refresh();
    EXPECT_EQ(grid.currentIndex().row(), 2);
    EXPECT_EQ(scrolled, 2) << "following the table does not move it again";
}

TEST(RecordGrid, AnEditThatTakesTheRowOutOfTheFilterClosesTheEditorSafely)
{
    store::Table t(QStringLiteral("ClientDataSetAZV"));
    t.createEmpty(store::sepaPaymentFields());
    for (int id = 1; id <= 3; ++id)
        addRecord(t, id, QStringLiteral("R%1").arg(id), id);
    t.setFilter(QStringLiteral("ID >= 1 and ID <=3"));
    t.setFiltered(true);
    auto *model = new ui::TableModel(t, columns(), true);
    ui::RecordGrid grid(QStringLiteral("DBGrid8"), QStringLiteral("SEPA-Datensätze der Datei"),
                        model, true);
    model->setParent(&grid);
    grid.show();
    const QModelIndex id = model->index(1, 0);
    grid.setCurrentIndex(id);
    grid.edit(id);
    auto *editor = grid.viewport()->findChild<QLineEdit *>();
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("99"));
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(model->rowCount(), 2) << "ID 99 lies outside the run's range";
    EXPECT_EQ(model->index(1, 1).data().toString(), QStringLiteral("R3"));
    t.setFiltered(false);
    EXPECT_EQ(t.recordCount(), 3);
}
