#pragma once

#include <QString>
#include <QStringList>

#include <QVariant>

#include <functional>
#include <vector>

namespace engine {

// Translates SQL texts of the program's dialect (the old desktop engine's) into SQLite SQL.
// A text it cannot translate raises engine::Error(err::SyntaxError, ...) with a description of
// what and where; it never passes through something it did not understand.
//
// The dialect: & concatenation (Null counts as empty text, Null & Null is Null; binds below
// + and - and above comparisons), IIf, IsNull, Trim, Count, Is [Not] Null, In (...), True and
// False (-1/0), Null, #date# literals, LIKE with * ? # [..] [!..] wildcards, case-insensitive
// text comparison and Polish alphabetical ORDER BY, nested parenthesised LEFT/RIGHT JOINs.
class SqlTranslator {
  public:
    // The whole statement (SELECT, INSERT INTO, UPDATE, DELETE); results are cached per text.
    // Thread-safe. The result names the collation and functions of registerSqlFunctions().
    static QString translate(const QString& sql);

    // The same translation with the numbers of the text (ids, scores, minutes) as SQLite
    // parameters ?1, ?2 ..., except in ORDER BY and GROUP BY; `parameters` holds their values
    // in order (whole numbers as qlonglong, others as double). Texts that differ only in their
    // numbers share the translation, and a statement prepared once serves all of them.
    struct Translation {
        QString sql;
        std::vector<QVariant> parameters;
    };
    static Translation translateWithParameters(const QString& sql);

    // A condition alone (recordset findFirst): identifiers are replaced by SQLite parameters
    // "?N" where N is 1 + the index that `columnIndex` returns for the identifier's name
    // (Table.Column looks up Column; -1 for an unknown name is err::TooFewParameters).
    // "SELECT " + the result gives 1, 0 or Null. Bind each parameter with the value's own type
    // (whole numbers as integers, dates as ISO text): SQLite does not equate 7 and '7'.
    // Not cached: the numbering depends on the recordset.
    static QString translateCondition(const QString& condition,
                                      const std::function<int(const QString&)>& columnIndex);
};

}  // namespace engine
