#include "store/schema.h"
#include "store/table.h"

#include <gtest/gtest.h>

using namespace ordovan::store;

TEST(TableCopy, ACopiedRowIsTheSameAsOneTypedIn)
{
    Table from(QStringLiteral("from"));
    from.createEmpty(sepaPaymentFields());
    for (int id : {7, 9}) {
        from.insert();
        from.setValue(u"ID", id);
        from.setValue(u"Name1", QStringLiteral("Müller %1").arg(id));
        from.setValue(u"Betrag", 11.58);
        from.setValue(u"Datum", QDate(2022, 12, 31));
        from.post();
    }
    Table typed(QStringLiteral("typed"));
    Table copied(QStringLiteral("copied"));
    typed.createEmpty(sepaPaymentFields());
    copied.createEmpty(sepaPaymentFields());
    for (from.first(); !from.eof(); from.next()) {
        ASSERT_TRUE(copied.insertCopyOf(from));
        typed.insert();
        for (int f = 0; f < from.storedFieldCount(); ++f)
            typed.setValue(f, from.value(f));
        typed.post();
    }
    EXPECT_EQ(copied.changeLog(), typed.changeLog());
    ASSERT_EQ(copied.recordCount(), 2);
    for (copied.first(), typed.first(); !copied.eof(); copied.next(), typed.next()) {
        for (int f = 0; f < copied.storedFieldCount(); ++f)
            EXPECT_EQ(copied.value(f), typed.value(f)) << f;
    }
    EXPECT_TRUE(copied.modified());
    EXPECT_EQ(copied.maxIntegerEver(0), 9);

    // A table that numbers its own rows, or another layout, is not copied into this way.
    Table numbered(QStringLiteral("numbered"));
    numbered.createEmpty(sepaPaymentFields());
    numbered.afterInsert = [](Table &t) { t.setValue(u"ID", 1); };
    from.first();
    EXPECT_FALSE(numbered.insertCopyOf(from));
    Table other(QStringLiteral("other"));
    other.createEmpty(domesticPaymentFields());
    EXPECT_FALSE(other.insertCopyOf(from));
    EXPECT_EQ(numbered.recordCount() + other.recordCount(), 0);
}
