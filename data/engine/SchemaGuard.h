#pragma once

#include <QString>

#include <vector>

struct sqlite3;

// A diary file may come from elsewhere (a backup, a merge, a file someone sent): it brings rows,
// never code. SQLite keeps code in the schema itself (triggers, views, CHECK constraints,
// computed columns, index expressions, cascading foreign keys), and that code runs on the
// user's machine whenever the program writes. Every connection is therefore opened so that the
// schema runs as little as possible, and files from elsewhere are searched for what the
// program's own schema does not hold before they are taken.
namespace engine {

class Connection;

// How much of SQLite's schema-borne code a connection lets run.
enum class SchemaTrust {
    // Every connection of the program: no triggers, no views (the program creates neither),
    // no SQL function or virtual table from the schema unless SQLite deems it innocuous
    // (PRAGMA trusted_schema = OFF), and the defensive mode, which refuses the statements that
    // can corrupt a file on purpose (writable_schema, schema_version, ...).
    Guarded,
    // The same, without the defensive mode: for reading a damaged file, which needs
    // writable_schema.
    GuardedSalvage,
};

// Applies `trust` to a freshly opened handle. Throws the engine error when SQLite refuses.
void guardConnection(sqlite3* db, SchemaTrust trust);

// An object of a file's schema that the program never creates.
struct ForeignObject {
    enum class Kind {
        Trigger,
        View,
        VirtualTable,
        Index,            // an index the program's schema does not hold, or holds otherwise
        ComputedColumn,   // GENERATED ALWAYS AS (...)
        CheckConstraint,  // CHECK (...)
        ForeignKey,       // a reference the program's schema does not declare
        ChangedColumn,    // a column of the program's tables with another type, default or key
    };
    Kind kind;
    QString name;   // of the object; for a foreign key "column -> table"
    QString table;  // the table it belongs to (empty for a view or a table)

    // In the user's words, e.g. "wyzwalacz t (tabela Mecze)".
    QString describe() const;
    bool operator==(const ForeignObject&) const = default;
};

// Objects in this file's schema that the program does not create: every trigger, view and
// virtual table, indexes other than the program's, and in any table computed columns, CHECK
// constraints and references other than the program's; in the program's seven tables, columns
// whose definition differs from the program's. Plain tables and plain columns of the user's own
// (brought over from an old diary, say) are rows, not code, and are not listed. Empty for a
// diary this program wrote. Reads the schema only.
std::vector<ForeignObject> objectsProgramDoesNotCreate(const Connection& connection);
// The same for the file `path`, opened read-only (errors of opening as Connection::open).
std::vector<ForeignObject> objectsProgramDoesNotCreate(const QString& path);

// Whether the program's schema has an object (table, index) of this name, in any case: a table
// of the user's own cannot take it.
bool isProgramObjectName(const QString& name);

// The objects joined in the user's words: "wyzwalacz t (tabela Mecze), widok v".
QString describeForeignObjects(const std::vector<ForeignObject>& objects);

}  // namespace engine
