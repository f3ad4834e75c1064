#pragma once

#include <QString>
#include <QStringList>

namespace testing_support {

// The schema of a database file as plain SQLite sees it: every object of sqlite_master with its
// SQL text (tables with their keys, defaults and references, indexes), then the file's
// user_version and application_id. Two files with the same lines have the same schema.
QStringList schemaOf(const QString& path);

// Every row of every table (also tables and columns the program does not know), table by table
// in rowid order, each value with its SQLite type: "Mecze|integer:1|text:2001-08-05|...".
QStringList everyRow(const QString& path);

// The user's additions as an old diary's import brings them: the column Widzowie (a whole
// number) in Mecze, filled for every match, and the table Notatki with three rows.
void addUsersOwnData(const QString& path);

}  // namespace testing_support
