#pragma once

#include <QString>
#include <QStringList>

#include <map>
#include <optional>
#include <vector>

// CSV files opened by a real spreadsheet program: LibreOffice Calc, headless, converts them to
// .xlsx with the Polish locale and the ';' / UTF-8 text filter; openpyxl reads the cells back.
namespace testing_support {

// A cell as the spreadsheet holds it: kind "n" number, "s" text, "d" date or time, "f" formula,
// "b" truth value, "e" empty; text: the value (a number as Python writes it, a date in ISO form).
struct SheetCell {
    QString kind;
    QString text;
};
using Sheet = std::vector<std::vector<SheetCell>>;

// Why the round trip cannot run here (no soffice, no Python with openpyxl), or nothing.
std::optional<QString> spreadsheetMissing();

// Opens every CSV file in one run of the spreadsheet program and returns the sheets by file name
// ("mecze.csv" -> its sheet). `detectSpecialNumbers` is the import's "Detect special numbers"
// (dates, times, percentages, currency); formulas are evaluated, as in a default import.
std::map<QString, Sheet> openInSpreadsheet(const QStringList& csvFiles, bool detectSpecialNumbers);

}  // namespace testing_support
