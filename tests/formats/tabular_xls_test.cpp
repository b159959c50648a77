// What .xls files hold beyond FreeXL's view: formula results, booleans and errors, read from
// the sheet's own records; sheets whose such cells cannot be read fail; broken containers
// and records never crash.
#include "base/error.h"
#include "formats/tabular.h"
#include "formats/xlscompound.h"
#include "tabularfixtures.h"
#include "tabularxlswriter.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QtEndian>

using namespace ordovan;
using namespace ordovan::formats;

namespace {

QString dataFile(const char *name)
{
    return QStringLiteral(ORDOVAN_TEST_DATA "/tabular/") + QString::fromUtf8(name);
}

QStringList row(std::initializer_list<const char *> texts)
{
    QStringList out;
    for (const char *t : texts)
        out << QString::fromUtf8(t);
    return out;
}

class XlsReader : public ::testing::Test
{
protected:
    QString write(const QByteArray &bytes)
    {
        const QString path = dir.filePath(QStringLiteral("t%1.xls").arg(++m_count));
        test::writeFile(path, bytes);
        return path;
    }
    QString write(const QByteArray &cells, int rows, int columns)
    {
        return write(test::xls::compoundFile(
            test::xls::workbookStream({{QStringLiteral("Blatt"), cells, rows, columns}})));
    }
    QList<QStringList> read(const QString &path, const QString &sheet = QStringLiteral("Blatt"))
    {
        auto connection = provider.connect(path, TabularKind::Workbook);
        auto rows = connection->openTable(sheet);
        return test::readAll(*rows);
    }

    QTemporaryDir dir;
    FileTabularProvider provider;

private:
    int m_count = 0;
};

} // namespace

TEST_F(XlsReader, AnOfficeSuitesWorkbookGivesStoredFormulaResults)
{
    const QString path = dataFile("formeln.xls");
    EXPECT_EQ(read(path, QStringLiteral("Zahlungen")), test::samplePayments());

    const QList<QStringList> checks = read(path, QStringLiteral("Prüfwerte"));
    ASSERT_EQ(checks.size(), 12); // up to the row that holds only a formula
    const QString longText = QString(9000, QChar(0xE4)) + QStringLiteral("Ende");
    const QList<QStringList> expected{
        row({"Art", "Wert", ""}),
        row({"wahr", "WAHR", ""}),
        row({"falsch", "FALSCH", ""}),
        row({"Fehler", "#N/A", ""}),
        row({"Formelfehler", "#DIV/0!", ""}),
        row({"Formel wahr", "WAHR", ""}),
        row({"leerer Text", "", ""}),
        row({"Zahl", "1234567,891", ""}),
        row({"Zeit", "14:30:05", ""}),
        {QStringLiteral("lang"), longText, QString()},
        row({"Wertfehler", "#VALUE!", ""}),
        row({"", "", "5"}),
    };
    EXPECT_EQ(checks, expected);
}

TEST_F(XlsReader, ResultsOfEveryKindInExcelsRecords)
{
    namespace x = test::xls;
    // A text continued in a record of two-byte characters after one of one-byte characters.
    QByteArray first;
    first.append("\x07\x00\x00", 3).append("Mie");
    QByteArray rest("\x01", 1);
    for (const char16_t c : u"t\u20ACe!")
        rest.append(char(c & 0xff)).append(char(c >> 8));
    const QByteArray cells =
        x::formula(0, 0, x::numberResult(11.58)) + x::formula(0, 1, x::numberResult(44903), 1) +
        x::formula(0, 2, x::numberResult(0.5), 2) + x::formula(0, 3, x::numberResult(44903.75), 3) +
        x::formula(1, 0, x::textResult()) + x::record(0x04BC, QByteArray(10, '\0')) +
        x::string(QStringLiteral("Grüße"), false) + x::formula(1, 1, x::textResult()) +
        x::record(0x0207, first) + x::record(0x003C, rest.left(rest.size() - 2)) +
        x::formula(1, 2, x::booleanResult(false)) + x::formula(1, 3, x::errorResult(0x17)) +
        x::formula(2, 0, x::emptyTextResult()) + x::boolErr(2, 1, 1, false) +
        x::boolErr(2, 2, 0x24, true) + x::label(2, 3, QStringLiteral("Text")) +
        // Outside the rectangle FreeXL knows.
        x::formula(4, 4, x::numberResult(-0.5));
    const QList<QStringList> expected{
        row({"11,58", "08.12.2022", "12:00:00", "08.12.2022 18:00:00", ""}),
        row({"Grüße", "Miet€e!", "FALSCH", "#REF!", ""}),
        row({"", "WAHR", "#NUM!", "Text", ""}),
        row({"", "", "", "", ""}),
        row({"", "", "", "", "-0,5"}),
    };
    EXPECT_EQ(read(write(cells, 3, 4)), expected);

    // In the 1904 date system the same serial is four years and a day later.
    const QString path = write(x::compoundFile(x::workbookStream(
        {{QStringLiteral("Blatt"), x::formula(0, 0, x::numberResult(43441), 1), 1, 1}}, false,
        true)));
    EXPECT_EQ(read(path), QList<QStringList>{row({"08.12.2022"})});
}

TEST_F(XlsReader, NumbersFollowTheirOwnFormatNotFreeXlsGuess)
{
    namespace x = test::xls;
    // Quoted texts with "d", "m" or "s" in an amount format make no date of the amount.
    const quint32 rk1158 = (1158u << 2) | 2;      // the integer 1158
    const quint32 rk1158by100 = (1158u << 2) | 3; // 11.58 as an integer over 100
    const quint32 rkHalf = 0x3FE00000u;           // 0.5 as the upper half of a double
    const quint32 rkDate = (44903u << 2) | 2;     // 08.12.2022 as a serial
    const QByteArray cells = x::number(0, 0, 11.58, 4) + x::rk(0, 1, rk1158, 4) +
                             x::rk(0, 2, rk1158by100, 4) + x::number(0, 3, -7.5, 4) +
                             x::mulRk(1, 0, {rk1158by100, rkHalf, rkDate, rk1158}, 4) +
                             x::mulRk(2, 1, {rkDate, rkDate + 4}, 1) + x::number(2, 3, 44903.75, 3);
    const QList<QStringList> expected{
        row({"11,58", "1158", "11,58", "-7,5"}),
        row({"11,58", "0,5", "44903", "1158"}),
        row({"", "08.12.2022", "09.12.2022", "08.12.2022 18:00:00"}),
    };
    EXPECT_EQ(read(write(cells, 3, 4)), expected);
}

TEST_F(XlsReader, LongTextsAcrossRecordsInBothWidths)
{
    namespace x = test::xls;
    const QString text = QString(5000, u'x') + QStringLiteral("äöü") + QString(5000, u'y');
    const QByteArray cells = x::formula(0, 0, x::textResult()) + x::string(text, true, 1000) +
                             x::formula(0, 1, x::textResult()) + x::string(text, false, 777);
    EXPECT_EQ(read(write(cells, 1, 2)), (QList<QStringList>{{text, text}}));
}

TEST_F(XlsReader, FormulaCellsThatCannotBeReadFailTheRead)
{
    namespace x = test::xls;
    const QByteArray amount = x::label(0, 0, QStringLiteral("Betrag"));
    const struct
    {
        const char *what;
        QByteArray cells;
    } cases[] = {
        {"text result without its text",
         x::formula(1, 0, x::textResult()) + x::label(2, 0, QStringLiteral("a"))},
        {"text result at the sheet's end", x::formula(1, 0, x::textResult())},
        {"text cut short", x::formula(1, 0, x::textResult()) +
                               x::record(0x0207, QByteArray("\x32\x00\x00", 3) + "abcdefghij")},
        {"text cut inside a record",
         x::formula(1, 0, x::textResult()) + x::string(QString(50, u'a'), false, 20).left(40)},
        {"unknown error", x::formula(1, 0, x::errorResult(0x63))},
        {"unknown result kind", x::formula(1, 0, QByteArray::fromHex("090000000000ffff"))},
        {"short formula", x::record(0x0006, QByteArray(12, '\0'))},
        {"unknown error cell", x::boolErr(1, 0, 0x63, true)},
        {"short error cell", x::record(0x0205, QByteArray(6, '\0'))},
    };
    for (const auto &c : cases) {
        EXPECT_THROW(read(write(amount + c.cells, 3, 1)), Error) << c.what;
    }
}

TEST_F(XlsReader, Excel95WorkbooksGiveWhatTheirExcel97TwinGives)
{
    namespace x = test::xls;
    const QByteArray cells =
        x::number(0, 0, 2.5) + x::boolErr(0, 1, 1, false) + x::boolErr(0, 2, 0x07, true);
    const QString path = write(x::compoundFile(
        x::workbookStream({{QStringLiteral("Blatt"), cells, 1, 3}}, true), QStringLiteral("Book")));
    EXPECT_EQ(read(path), QList<QStringList>{row({"2,5", "WAHR", "#DIV/0!"})});

    // An office suite's workbook saved as Excel 95 and as Excel 97: formula results, texts
    // in the code page and a text result of 9000 characters over CONTINUE records.
    const QString biff5 = dataFile("formeln95.xls");
    const QString biff8 = dataFile("formeln.xls");
    const QStringList sheets{QStringLiteral("Zahlungen"), QStringLiteral("Prüfwerte"),
                             QStringLiteral("Fehlerhaft")};
    EXPECT_EQ(provider.connect(biff5, TabularKind::Workbook)->tableNames(true), sheets);
    for (const QString &sheet : sheets)
        EXPECT_EQ(read(biff5, sheet), read(biff8, sheet)) << sheet.toStdString();
    EXPECT_EQ(read(biff5, QStringLiteral("Zahlungen")), test::samplePayments());
}

TEST(XlsCompound, FindsStreamsInSectorsAndInTheMiniStream)
{
    namespace x = test::xls;
    QByteArray big(10000, '\0');
    for (int i = 0; i < big.size(); ++i)
        big[i] = char(i * 7);
    const QByteArray small = big.left(1000);
    EXPECT_EQ(readCompoundStream(x::compoundFile(big), {QStringLiteral("workbook")}, 1 << 20)
                  .value_or(QByteArray()),
              big);
    EXPECT_EQ(readCompoundStream(x::compoundFile(small, QStringLiteral("Book")),
                                 {QStringLiteral("Workbook"), QStringLiteral("Book")}, 1 << 20)
                  .value_or(QByteArray()),
              small);
    EXPECT_FALSE(readCompoundStream(x::compoundFile(big), {QStringLiteral("Book")}, 1 << 20));
    EXPECT_FALSE(readCompoundStream(x::compoundFile(big), {QStringLiteral("Workbook")}, 9999));
}

TEST(XlsCompound, BrokenContainersEndTheReadWithoutCrashing)
{
    namespace x = test::xls;
    const QByteArray good = x::compoundFile(QByteArray(10000, 'a'));
    const QStringList names{QStringLiteral("Workbook")};
    const auto patched = [&](qsizetype at, quint32 value) {
        QByteArray bytes = good;
        qToLittleEndian<quint32>(value, bytes.data() + at);
        return bytes;
    };
    // The stream's chain runs in a circle; the directory's chain too.
    EXPECT_FALSE(readCompoundStream(patched(x::fatEntryOffset(10), 2), names, 1 << 20));
    EXPECT_FALSE(readCompoundStream(patched(x::fatEntryOffset(1), 1), names, 1 << 20));
    // Sectors past the end of the file; a stream larger than the file; a directory entry
    // pointing at itself.
    EXPECT_FALSE(readCompoundStream(patched(x::fatEntryOffset(5), 5000), names, 1 << 20));
    EXPECT_FALSE(readCompoundStream(patched(x::kStreamEntryOffset + 116, 90000), names, 1 << 20));
    EXPECT_FALSE(
        readCompoundStream(patched(x::kStreamEntryOffset + 120, 0x7FFFFFFF), names, 1LL << 40));
    EXPECT_FALSE(readCompoundStream(patched(x::kStreamEntryOffset + 68, 1), names, 1 << 20));
    EXPECT_FALSE(readCompoundStream(patched(0x2C, 0xFFFFFFF0), names, 1 << 20));
    // Cut anywhere before the stream's last byte.
    for (qsizetype size = 0; size < x::kFirstStreamSectorOffset + 10000; size += 97)
        EXPECT_FALSE(readCompoundStream(good.left(size), names, 1 << 20)) << size;
}

TEST_F(XlsReader, BrokenWorkbooksNeverCrash)
{
    namespace x = test::xls;
    const QByteArray cells =
        x::label(0, 0, QStringLiteral("Betrag")) + x::formula(1, 0, x::numberResult(12.5)) +
        x::formula(2, 0, x::textResult()) + x::string(QString(3000, u'z'), true);
    const QByteArray stream = x::workbookStream({{QStringLiteral("Blatt"), cells, 3, 1}});
    const QByteArray good = x::compoundFile(stream);
    ASSERT_EQ(read(write(good)).value(1), row({"12,5"}));

    const auto attempt = [&](const QByteArray &bytes) {
        try {
            auto connection = provider.connect(write(bytes), TabularKind::Workbook);
            for (const QString &name : connection->tableNames(true)) {
                auto rows = connection->openTable(name);
                const QList<QStringList> all = test::readAll(*rows);
                // Whatever is read holds no wrong amount.
                for (const QStringList &r : all)
                    EXPECT_TRUE(r.value(0).isEmpty() || r.value(0) == u"Betrag" ||
                                r.value(0) == u"12,5" || r.value(0).startsWith(u'z'));
            }
        } catch (const Error &) {
        }
    };
    for (qsizetype size = 0; size < good.size(); size += 211)
        attempt(good.left(size));
    // The sheet's offset past the end of the stream, or inside a record.
    const qsizetype boundSheet = good.indexOf(QByteArray::fromHex("85001200"));
    ASSERT_GT(boundSheet, 0);
    for (const quint32 offset : {0xFFFFFFF0u, quint32(stream.size()), 3u}) {
        QByteArray bytes = good;
        qToLittleEndian<quint32>(offset, bytes.data() + boundSheet + 4);
        attempt(bytes);
    }
    // A record claiming more bytes than the stream has left.
    QByteArray longRecord = good;
    const qsizetype formulaAt = good.indexOf(QByteArray::fromHex("06001900"));
    ASSERT_GT(formulaAt, 0);
    qToLittleEndian<quint16>(0xFFFF, longRecord.data() + formulaAt + 2);
    attempt(longRecord);
    // The workbook stream's chain in a circle.
    QByteArray circle = good;
    qToLittleEndian<quint32>(2, circle.data() + x::fatEntryOffset(4));
    attempt(circle);
}

TEST_F(XlsReader, DamagedOfficeWorkbooksEndInAnErrorNotACrash)
{
    // Bytes of a real workbook changed here and there: FreeXL must not take the program
    // down with it, whatever it makes of them.
    const QByteArray good = test::readFile(dataFile("formeln.xls"));
    ASSERT_FALSE(good.isEmpty());
    QList<QByteArray> damaged;
    QByteArray known = good; // this one made FreeXL crash
    known[23645] = '\0';
    damaged << known;
    quint32 seed = 12345;
    for (int i = 0; i < 60; ++i) {
        QByteArray bytes = good;
        for (int k = 0; k < 4; ++k) {
            seed = seed * 1103515245u + 12345u;
            bytes[qsizetype(seed % quint32(bytes.size()))] = char(seed >> 24);
        }
        damaged << bytes;
    }
    for (const QByteArray &bytes : damaged) {
        try {
            auto connection = provider.connect(write(bytes), TabularKind::Workbook);
            for (const QString &name : connection->tableNames(true))
                test::readAll(*connection->openTable(name));
        } catch (const Error &) {
        }
    }
}
