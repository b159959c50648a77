// .xls workbooks as office suites and exporters write them, put together record by record:
// shared strings across CONTINUE records, Excel 95 texts in their code page, workbook streams
// of every name and size, sheet lists with charts and wrong offsets, encryption, and files
// cut short. A workbook is read whole or refused with the reason, never read in part.
#include "base/codec.h"
#include "base/error.h"
#include "formats/tabular.h"
#include "tabularfixtures.h"
#include "tabularxlswriter.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QtEndian>

using namespace ordovan;
using namespace ordovan::formats;
namespace x = ordovan::test::xls;

namespace {

class XlsRecords : public ::testing::Test
{
protected:
    QString write(const QByteArray &bytes)
    {
        const QString path = dir.filePath(QStringLiteral("t%1.xls").arg(++m_count));
        test::writeFile(path, bytes);
        return path;
    }
    QString writeBook(const QList<x::Sheet> &sheets, const x::WorkbookOptions &options = {},
                      const QString &stream = QStringLiteral("Workbook"))
    {
        return write(x::compoundFile(x::workbookStream(sheets, options), stream));
    }
    QList<QStringList> read(const QString &path, const QString &sheet = QStringLiteral("Blatt"))
    {
        auto connection = provider.connect(path, TabularKind::Workbook);
        return test::readAll(*connection->openTable(sheet));
    }
    // The message of the Error that opening or reading every sheet ends in; empty when all
    // of it was read.
    QString refusal(const QString &path)
    {
        try {
            auto connection = provider.connect(path, TabularKind::Workbook);
            for (const QString &name : connection->tableNames(true))
                test::readAll(*connection->openTable(name));
        } catch (const Error &e) {
            return e.message();
        }
        return {};
    }

    QTemporaryDir dir;
    FileTabularProvider provider;

private:
    int m_count = 0;
};

QString longMixedText()
{
    // Latin-1 for thousands of characters, then a euro sign: Excel writes the string in two
    // bytes a character, and after a cut in one byte a character again where the rest fits.
    return QString(3000, u'ä') + QStringLiteral("€") + QString(3000, u'b');
}

} // namespace

TEST_F(XlsRecords, SharedStringsAcrossContinueRecordsInBothWidths)
{
    const QStringList texts{QStringLiteral("Müller, Anna"), longMixedText(), QString(),
                            QStringLiteral("Straße 1 – Hof"), QString(300, u'x')};
    QByteArray cells;
    QList<QStringList> expected;
    for (int i = 0; i < texts.size(); ++i) {
        cells += x::labelSst(i, 0, quint32(i));
        expected << QStringList{texts[i]};
    }
    // Every cut: inside heads' neighbours, characters, formatting runs and phonetic blocks.
    for (const int chunk : {17, 18, 19, 20, 101, 8224}) {
        for (const bool rich : {false, true}) {
            x::WorkbookOptions options;
            options.globals = x::sharedStrings(texts, chunk, rich);
            const QString path = writeBook({{QStringLiteral("Blatt"), cells, 5, 1}}, options);
            EXPECT_EQ(read(path), expected) << chunk << rich;
        }
    }
}

TEST_F(XlsRecords, AMissingSharedStringRefusesTheWorkbook)
{
    x::WorkbookOptions options;
    options.globals = x::sharedStrings({QStringLiteral("a"), QStringLiteral("b")});
    const QString beyond = writeBook(
        {{QStringLiteral("Blatt"), x::labelSst(0, 0, 0) + x::labelSst(1, 0, 2), 2, 1}}, options);
    EXPECT_EQ(refusal(beyond), QStringLiteral("\"%1\" ist beschädigt.").arg(beyond));

    // A string whose characters end before its count does.
    QByteArray cut = x::sharedStrings({QString(40, u'z')});
    cut.chop(10);
    qToLittleEndian<quint16>(quint16(cut.size() - 4), cut.data() + 2);
    options.globals = cut;
    const QString shortened =
        writeBook({{QStringLiteral("Blatt"), x::labelSst(0, 0, 0), 1, 1}}, options);
    EXPECT_EQ(refusal(shortened), QStringLiteral("\"%1\" ist beschädigt.").arg(shortened));
}

TEST_F(XlsRecords, Excel95TextsAreReadInTheWorkbooksCodePage)
{
    x::WorkbookOptions biff5;
    biff5.biff5 = true;
    const QByteArray cells = x::label5(0, 0, codec::toCp1252(u"Grüße aus Köln – 5 €")) +
                             x::formula(0, 1, x::textResult()) +
                             x::string5(codec::toCp1252(u"Weiß & Söhne")) +
                             x::formula(0, 2, x::numberResult(44903), 1);
    const QString path =
        writeBook({{QStringLiteral("Prüfung"), cells, 1, 3}}, biff5, QStringLiteral("Book"));
    auto connection = provider.connect(path, TabularKind::Workbook);
    EXPECT_EQ(connection->tableNames(true), QStringList{QStringLiteral("Prüfung")});
    EXPECT_EQ(read(path, QStringLiteral("Prüfung")),
              (QList<QStringList>{{QStringLiteral("Grüße aus Köln – 5 €"),
                                   QStringLiteral("Weiß & Söhne"), QStringLiteral("08.12.2022")}}));

    // Excel for Mac's and an Eastern European office's code pages.
    const struct
    {
        int codePage;
        QByteArray bytes;
        QString text;
    } pages[] = {
        {10000,
         "Gr\x9f\xa7"
         "e",
         QStringLiteral("Grüße")},
        {0x8000, "K\x9aln", QStringLiteral("Köln")},
        {1250,
         "\xa3\xf3"
         "d\x9f",
         QStringLiteral("Łódź")},
        {1251, "\xcc\xee\xf1\xea\xe2\xe0", QStringLiteral("Москва")},
    };
    for (const auto &page : pages) {
        biff5.codePage = page.codePage;
        const QString file =
            writeBook({{QStringLiteral("Blatt"), x::label5(0, 0, page.bytes), 1, 1}}, biff5);
        EXPECT_EQ(read(file), QList<QStringList>{{page.text}}) << page.codePage;
    }
}

TEST_F(XlsRecords, TheWorkbookStreamIsFoundByAnyNameAndSize)
{
    // A small workbook lies in the container's mini stream, a large one in its sectors.
    QByteArray large;
    QList<QStringList> expected;
    for (int r = 0; r < 400; ++r) {
        large += x::number(r, 0, r + 0.5);
        expected << QStringList{QString::number(r) + QStringLiteral(",5")};
    }
    const QByteArray small = x::number(0, 0, 11.58);
    for (const QString &name :
         {QStringLiteral("Workbook"), QStringLiteral("WORKBOOK"), QStringLiteral("Book")}) {
        const QByteArray smallStream = x::workbookStream({{QStringLiteral("Blatt"), small, 1, 1}});
        ASSERT_LT(smallStream.size(), 4096);
        EXPECT_EQ(read(write(x::compoundFile(smallStream, name))),
                  QList<QStringList>{{QStringLiteral("11,58")}})
            << name.toStdString();
        const QByteArray largeStream =
            x::workbookStream({{QStringLiteral("Blatt"), large, 400, 1}});
        ASSERT_GT(largeStream.size(), 4096);
        EXPECT_EQ(read(write(x::compoundFile(largeStream, name))), expected) << name.toStdString();
    }
}

TEST_F(XlsRecords, OtherContainersAreNoWorkbooksAndEncryptedOnesSaySo)
{
    const QByteArray stream = x::workbookStream({{QStringLiteral("Blatt"), {}, 0, 0}});
    const QString letter = write(x::compoundFile(stream, QStringLiteral("WordDocument")));
    EXPECT_EQ(
        refusal(letter),
        QStringLiteral("\"%1\" ist keine Excel- oder OpenDocument-Arbeitsmappe.").arg(letter));

    // An .xlsx saved with a password is an OLE container of an encrypted package.
    const QString package =
        write(x::compoundFile(QByteArray(5000, 'e'), QStringLiteral("EncryptedPackage")));
    EXPECT_EQ(refusal(package),
              QStringLiteral("\"%1\" ist verschlüsselt oder kennwortgeschützt.").arg(package));

    // An .xls saved with a password: its records after FILEPASS are ciphertext.
    x::WorkbookOptions options;
    options.globals = x::record(0x002F, QByteArray::fromHex("0100010000000000"));
    for (const bool biff5 : {false, true}) {
        options.biff5 = biff5;
        const QString path =
            writeBook({{QStringLiteral("Blatt"), x::number(0, 0, 1), 1, 1}}, options,
                      biff5 ? QStringLiteral("Book") : QStringLiteral("Workbook"));
        EXPECT_EQ(refusal(path),
                  QStringLiteral("\"%1\" ist verschlüsselt oder kennwortgeschützt.").arg(path));
    }
}

TEST_F(XlsRecords, SheetListsWithChartsAndWrongOffsets)
{
    const QList<x::Sheet> sheets{
        {QStringLiteral("Daten"), x::number(0, 0, 1), 1, 1},
        {QStringLiteral("Diagramm"), x::number(0, 0, 99), 1, 1, 2},
        {QStringLiteral("Zahlen"), x::number(0, 0, 2), 1, 1},
    };
    const QByteArray stream = x::workbookStream(sheets);
    const QString path = write(x::compoundFile(stream));
    auto connection = provider.connect(path, TabularKind::Workbook);
    EXPECT_EQ(connection->tableNames(true),
              (QStringList{QStringLiteral("Daten"), QStringLiteral("Zahlen")}));
    EXPECT_EQ(read(path, QStringLiteral("Zahlen")), QList<QStringList>{{QStringLiteral("2")}});

    // Offsets that point nowhere: the sheets follow the globals in the list's order.
    QByteArray wrong = stream;
    for (qsizetype at = 0; at + 4 <= wrong.size();) {
        const quint16 type = qFromLittleEndian<quint16>(wrong.constData() + at);
        if (type == 0x000A)
            break;
        if (type == 0x0085)
            qToLittleEndian<quint32>(7, wrong.data() + at + 4);
        at += 4 + qFromLittleEndian<quint16>(wrong.constData() + at + 2);
    }
    const QString moved = write(x::compoundFile(wrong));
    EXPECT_EQ(read(moved, QStringLiteral("Daten")), QList<QStringList>{{QStringLiteral("1")}});
    EXPECT_EQ(read(moved, QStringLiteral("Zahlen")), QList<QStringList>{{QStringLiteral("2")}});
}

TEST_F(XlsRecords, AWorkbookCutShortIsRefusedNeverReadInPart)
{
    QByteArray cells;
    QStringList texts;
    for (int r = 0; r < 300; ++r) {
        texts << QStringLiteral("Zahlung %1").arg(r);
        cells += x::labelSst(r, 0, quint32(r)) + x::number(r, 1, r * 1.5);
    }
    x::WorkbookOptions options;
    options.globals = x::sharedStrings(texts, 500);
    const QByteArray stream =
        x::workbookStream({{QStringLiteral("Blatt"), cells, 300, 2}}, options);
    const QByteArray good = x::compoundFile(stream);
    const QList<QStringList> whole = read(write(good));
    ASSERT_EQ(whole.size(), 300);
    for (qsizetype size = 0; size < good.size(); size += 331) {
        const QString path = write(good.left(size));
        try {
            EXPECT_EQ(read(path), whole) << size;
        } catch (const Error &e) {
            EXPECT_TRUE(e.message().endsWith(u"ist beschädigt.") ||
                        e.message().endsWith(u"Arbeitsmappe."))
                << e.message().toStdString();
        }
    }

    // The container whole, the sheet's records cut: the sheet list is there, its rows not.
    QByteArray cutSheet = stream.left(stream.size() - 200);
    const QString path = write(x::compoundFile(cutSheet));
    auto connection = provider.connect(path, TabularKind::Workbook);
    EXPECT_EQ(connection->tableNames(true), QStringList{QStringLiteral("Blatt")});
    auto rows = connection->openTable(QStringLiteral("Blatt"));
    try {
        rows->rowCount();
        ADD_FAILURE() << "a sheet without its end was read";
    } catch (const Error &e) {
        EXPECT_EQ(e.message(), QStringLiteral("\"%1\" ist beschädigt.").arg(path));
    }
}
