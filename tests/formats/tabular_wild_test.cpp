// Workbooks from the wild (tests/data/wild, see its README): real files of other readers'
// test suites, written by Excel for Windows and Mac, LibreOffice, .NET packaging and Windows
// exporters. Each is read with the values Excel shows, or refused with the reason.
#include "base/error.h"
#include "formats/tabular.h"
#include "tabularfixtures.h"

#include <gtest/gtest.h>

using namespace ordovan;
using namespace ordovan::formats;

namespace {

QString wild(const char *name)
{
    return QStringLiteral(ORDOVAN_TEST_DATA "/wild/") + QString::fromUtf8(name);
}

struct Cell
{
    const char *sheet;
    int row;
    int column;
    const char *text;
};

struct WildCase
{
    const char *file;
    std::vector<const char *> sheets; // empty: refused
    std::vector<Cell> cells;
    const char *refusal = ""; // %1 stands for the path
};

const WildCase kCases[] = {
    {"xlrd_Formate.xls",
     {"Blätt1", "ÖÄÜ", "Blätt3", "Formate"},
     {{"Blätt1", 0, 0, "Huber"},
      {"Blätt1", 0, 1, "03.07.1907"},
      {"Blätt1", 1, 0, "Äcker"},
      {"Blätt1", 5, 1, "17:47:13"},
      {"Blätt1", 9, 1, "1,2"},
      {"ÖÄÜ", 0, 0, "-100"},
      {"Blätt3", 11, 0, "1200"},
      {"Formate", 2, 1, "BLUE"}}},
    {"calamine_biff5-rich-text-string.xls",
     {"Sheet1"},
     {{"Sheet1", 2, 1, "Surname in full."},
      {"Sheet1", 3, 0, "1788"},
      {"Sheet1", 9, 5, "Luípésklip"}}},
    {"calamine_empty-string.xls", {"Sheet1"}, {{"Sheet1", 0, 0, ""}, {"Sheet1", 0, 1, "FALSCH"}}},
    {"calamine_xls_cross_sheet_chart.xls",
     {"Report", "Data"},
     {{"Report", 0, 0, "HEADER TEXT A1"},
      {"Report", 5, 2, "VALUE C6"},
      {"Data", 0, 1, "1,75"},
      {"Data", 7, 4, "24"}}},
    {"calamine_capitalized_wbook_stream.xls", {"Sheet1"}, {}},
    {"calamine_biff5_write.xls",
     {"SheetJS"},
     {{"SheetJS", 0, 2, "3"},
      {"SheetJS", 1, 0, "WAHR"},
      {"SheetJS", 1, 3, "sheetjs"},
      {"SheetJS", 2, 2, "19.02.2014 14:30:00"},
      {"SheetJS", 2, 3, "0.3"}}},
    {"calamine_issue_643_biff5_formula.xls",
     {"SheetJS"},
     {{"SheetJS", 3, 0, "baz"}, {"SheetJS", 3, 1, "1"}, {"SheetJS", 3, 2, "qux"}}},
    {"calamine_issue_385.xls", {}, {}, "\"%1\" ist verschlüsselt oder kennwortgeschützt."},
    {"calamine_pass_protected.xlsx", {}, {}, "\"%1\" ist verschlüsselt oder kennwortgeschützt."},
    {"calamine_pass_protected.ods", {}, {}, "\"%1\" ist verschlüsselt oder kennwortgeschützt."},
    {"calamine_issue_530.xlsx",
     {"出勤分类组织汇总表"},
     {{"出勤分类组织汇总表", 0, 1, "于国栋"}, {"出勤分类组织汇总表", 4, 7, "9"}}},
    {"openpyxl_reader__tests__data__bug304.xlsx",
     {"Sheet1", "Sheet2", "Sheet3"},
     {{"Sheet1", 1, 1, "Ахметжанова Румия Тагировна"}, {"Sheet1", 1, 2, "198"}}},
    {"calamine_vba.xlsm", {"Sheet1", "Sheet2", "Sheet3"}, {}},
    {"xlrd_sample.xlsb",
     {},
     {},
     "Das Format .xlsb wird nicht unterstützt. Bitte die Arbeitsmappe als .xlsx speichern."},
    // Excel for Mac's 1904 date system: 42735 is 1 January 2021 there.
    {"calamine_date_1904.xlsx",
     {"Sheet1"},
     {{"Sheet1", 0, 0, "01.01.2021"}, {"Sheet1", 1, 0, "02.01.2021"}, {"Sheet1", 2, 1, "17"}}},
};

class WildWorkbook : public ::testing::TestWithParam<WildCase>
{};

} // namespace

TEST_P(WildWorkbook, IsReadAsExcelShowsItOrRefusedWithTheReason)
{
    const WildCase &c = GetParam();
    const QString path = wild(c.file);
    FileTabularProvider provider;
    if (c.sheets.empty()) {
        try {
            provider.connect(path, TabularKind::Workbook);
            ADD_FAILURE() << "opened";
        } catch (const Error &e) {
            const QString refusal = QString::fromUtf8(c.refusal);
            EXPECT_EQ(e.message(), refusal.contains(u"%1") ? refusal.arg(path) : refusal);
        }
        return;
    }
    auto connection = provider.connect(path, TabularKind::Workbook);
    QStringList sheets;
    for (const char *s : c.sheets)
        sheets << QString::fromUtf8(s);
    ASSERT_EQ(connection->tableNames(true), sheets);
    for (const QString &sheet : sheets) {
        const QList<QStringList> rows = test::readAll(*connection->openTable(sheet));
        for (const Cell &cell : c.cells) {
            if (QString::fromUtf8(cell.sheet) == sheet) {
                EXPECT_EQ(rows.value(cell.row).value(cell.column), QString::fromUtf8(cell.text))
                    << cell.sheet << " " << cell.row << "," << cell.column;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Files, WildWorkbook, ::testing::ValuesIn(kCases), [](const auto &info) {
    std::string name = info.param.file;
    for (char &ch : name) {
        if (!std::isalnum(static_cast<unsigned char>(ch)))
            ch = '_';
    }
    return name;
});
