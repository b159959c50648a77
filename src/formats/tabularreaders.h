#pragma once

#include "tabular.h"

#include <memory>

namespace ordovan::formats {

class ZipArchive;

// The readers behind FileTabularProvider, one per file kind. Each throws Error when the
// file cannot be opened as that kind.
std::unique_ptr<TabularConnection> openXlsxWorkbook(std::shared_ptr<ZipArchive> zip,
                                                    const TabularLimits &limits);
std::unique_ptr<TabularConnection> openOdsWorkbook(std::shared_ptr<ZipArchive> zip,
                                                   const TabularLimits &limits);
std::unique_ptr<TabularConnection> openXlsWorkbook(const QString &path,
                                                   const TabularLimits &limits);
std::unique_ptr<TabularConnection> openAccessDatabase(const QString &path,
                                                      const TabularLimits &limits);

// Whether an .xlsx number format shows a date or a time ("dd.mm.yyyy", "[h]:mm",
// "hh:mm AM/PM"), looking past quoted text, escapes and colour or locale brackets.
bool isDateFormatCode(QStringView code);
bool isBuiltInDateFormat(int numFmtId);

} // namespace ordovan::formats
