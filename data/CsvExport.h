#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

// Tables written as CSV files that a Polish spreadsheet opens without asking anything: UTF-8
// with a byte-order mark, ';' between fields, CR LF after every line, a field quoted when it
// holds a ';', a '"' or a line break (quotes inside doubled), a header line first.
// Whole numbers, decimals ("1,5"), percentages and dates (RRRR-MM-DD) are written so that the
// spreadsheet reads them as numbers and dates. A text that it would read as something else -- a
// score "1:1" as a time, "=1+1" as a formula -- starts with kTextMark, which keeps it text.
namespace csv {

// U+2060 WORD JOINER: invisible and of no width, so the cell shows what the window shows.
inline const QString kTextMark = QStringLiteral("\u2060");

struct Table {
    QStringList header;
    std::vector<QStringList> rows;
};

// The whole file's bytes.
QByteArray encode(const Table& table);

// Writes `bytes` to `path` through a temporary file beside it, flushed to the disk and renamed
// over the target only when complete: a failure (full disk, no permission) raises
// engine::Error with a Polish description and leaves an earlier file at `path` as it was.
void writeFile(const QString& path, const QByteArray& bytes);

// Writes every table of the diary `diaryPath` into the folder `dir` (made when missing) as
// "<Table>.csv": the stored values as they are, the column names as the header. Existing files
// are refused (err::DestinationExists) before anything is written, unless `overwrite`.
// Returns the paths written.
QStringList exportDiary(const QString& diaryPath, const QString& dir, bool overwrite);

}  // namespace csv
