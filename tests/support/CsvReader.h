#pragma once

#include <QByteArray>
#include <QStringList>

#include <vector>

namespace testing_support {

// Reads a CSV file of the spreadsheet dialect the program writes (UTF-8 with a byte-order mark,
// ';' separators, CR LF line ends, quoted fields with doubled quotes), independently of the
// writer: every record with its fields. A malformed file (no mark, a stray quote, a bare line
// feed outside quotes, records of different lengths) fails the test.
std::vector<QStringList> readCsv(const QByteArray& bytes);

}  // namespace testing_support
