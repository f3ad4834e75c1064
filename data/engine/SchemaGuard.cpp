#include "data/engine/SchemaGuard.h"

#include "data/engine/Connection.h"
#include "data/engine/Error.h"
#include "data/engine/FileBuild.h"

#include <QRegularExpression>
#include <QStringList>

#include <sqlite3.h>

#include <algorithm>
#include <map>
#include <memory>
#include <tuple>

namespace engine {
namespace {

QString textAt(sqlite3_stmt* statement, int column) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    return text ? QString::fromUtf8(text) : QString();
}

bool isNullAt(sqlite3_stmt* statement, int column) {
    return sqlite3_column_type(statement, column) == SQLITE_NULL;
}

// Rows of a query with one text parameter, each value as text; a failed query gives no rows
// (a table SQLite cannot describe is judged by what else is known of it).
std::vector<QStringList> rows(sqlite3* db, const char* sql, const QString& parameter = {}) {
    sqlite3_stmt* raw = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &raw, nullptr);
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> statement(raw, &sqlite3_finalize);
    std::vector<QStringList> result;
    if (!statement) {
        return result;
    }
    const QByteArray bound = parameter.toUtf8();
    if (sqlite3_bind_parameter_count(raw) > 0) {
        sqlite3_bind_text(raw, 1, bound.constData(), static_cast<int>(bound.size()), SQLITE_STATIC);
    }
    while (sqlite3_step(raw) == SQLITE_ROW) {
        QStringList row;
        for (int i = 0; i < sqlite3_column_count(raw); ++i) {
            row << (isNullAt(raw, i) ? QStringLiteral("\x01null") : textAt(raw, i));
        }
        result.push_back(row);
    }
    return result;
}

struct Column {
    QString name;
    QString type;
    QString notNull;
    QString defaultValue;
    QString key;
    int hidden = 0;
};

// A reference: column, referred table and column, ON UPDATE, ON DELETE.
using Reference = std::tuple<QString, QString, QString, QString, QString>;

struct Table {
    QString name;
    QString sql;
    std::vector<Column> columns;
    std::map<Reference, QString> references;  // compared in lower case; shown as written
};

struct Entry {
    QString type;
    QString name;
    QString table;
    QString sql;
};

struct Schema {
    std::vector<Entry> entries;
    std::map<QString, Table> tables;   // by lower-case name
    std::map<QString, Entry> indexes;  // by lower-case name
};

QString key(const QString& name) {
    return name.toLower();
}

Table describeTable(sqlite3* db, const Entry& entry) {
    Table table{entry.name, entry.sql, {}, {}};
    for (const QStringList& c :
         rows(db,
              "SELECT name, upper(type), \"notnull\", dflt_value, pk, hidden "
              "FROM pragma_table_xinfo(?1)",
              entry.name)) {
        table.columns.push_back({c[0], c[1], c[2], c[3], c[4], c[5].toInt()});
    }
    for (const QStringList& r : rows(db,
                                     "SELECT \"from\", \"table\", \"to\", on_update, on_delete "
                                     "FROM pragma_foreign_key_list(?1)",
                                     entry.name)) {
        table.references[{key(r[0]), key(r[1]), key(r[2]), r[3], r[4]}] =
            r[0] + QStringLiteral(" -> ") + r[1];
    }
    return table;
}

bool isVirtual(const Entry& entry) {
    static const QRegularExpression create(QStringLiteral(R"(^\s*CREATE\s+VIRTUAL\s+TABLE\b)"),
                                           QRegularExpression::CaseInsensitiveOption);
    return create.match(entry.sql).hasMatch();
}

Schema schemaOf(sqlite3* db) {
    Schema schema;
    for (const QStringList& r :
         rows(db, "SELECT type, name, tbl_name, sql FROM sqlite_master ORDER BY rowid")) {
        Entry entry{r[0], r[1], r[2], r[3]};
        if (entry.type == QStringLiteral("table") && !isVirtual(entry) &&
            !entry.name.startsWith(QStringLiteral("sqlite_"), Qt::CaseInsensitive)) {
            schema.tables[key(entry.name)] = describeTable(db, entry);
        } else if (entry.type == QStringLiteral("index")) {
            schema.indexes[key(entry.name)] = entry;
        }
        schema.entries.push_back(std::move(entry));
    }
    return schema;
}

// The schema the program creates, as SQLite describes it.
const Schema& programSchema() {
    static const Schema schema = [] {
        sqlite3* raw = nullptr;
        sqlite3_open(":memory:", &raw);
        const std::unique_ptr<sqlite3, int (*)(sqlite3*)> db(raw, &sqlite3_close);
        guardConnection(db.get(), SchemaTrust::Guarded);
        sqlite3_exec(db.get(), files::schemaText().constData(), nullptr, nullptr, nullptr);
        return schemaOf(db.get());
    }();
    return schema;
}

const Column* findColumn(const Table& table, const QString& name) {
    for (const Column& c : table.columns) {
        if (key(c.name) == key(name)) {
            return &c;
        }
    }
    return nullptr;
}

bool sameDefinition(const Column& a, const Column& b) {
    return a.type == b.type && a.notNull == b.notNull && a.defaultValue == b.defaultValue &&
           a.key == b.key && a.hidden == b.hidden;
}

bool hasCheck(const QString& sql) {
    static const QRegularExpression check(QStringLiteral(R"(\bCHECK\s*\()"),
                                          QRegularExpression::CaseInsensitiveOption);
    return check.match(sql).hasMatch();
}

using Kind = ForeignObject::Kind;

void inspectTable(const Table& table, const Table* program, std::vector<ForeignObject>& found) {
    for (const Column& column : table.columns) {
        const Column* own = program ? findColumn(*program, column.name) : nullptr;
        if (column.hidden == 2 || column.hidden == 3) {
            found.push_back({Kind::ComputedColumn, column.name, table.name});
        } else if (own && !sameDefinition(column, *own)) {
            found.push_back({Kind::ChangedColumn, column.name, table.name});
        }
    }
    if (hasCheck(table.sql)) {
        found.push_back({Kind::CheckConstraint, QString(), table.name});
    }
    for (const auto& [reference, shown] : table.references) {
        if (!program || !program->references.contains(reference)) {
            found.push_back({Kind::ForeignKey, shown, table.name});
        }
    }
}

void inspectIndex(const Entry& index, std::vector<ForeignObject>& found) {
    if (index.sql.isNull() || index.sql == QStringLiteral("\x01null")) {
        return;  // SQLite's own index of a key or UNIQUE column
    }
    const auto& own = programSchema().indexes;
    const auto it = own.find(key(index.name));
    if (it == own.end() || it->second.sql != index.sql) {
        found.push_back({Kind::Index, index.name, index.table});
    }
}

}  // namespace

void guardConnection(sqlite3* db, SchemaTrust trust) {
    const struct {
        int option;
        int value;
    } settings[] = {
        {SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0},
        {SQLITE_DBCONFIG_ENABLE_TRIGGER, 0},
        {SQLITE_DBCONFIG_ENABLE_VIEW, 0},
        {SQLITE_DBCONFIG_DEFENSIVE, trust == SchemaTrust::Guarded ? 1 : 0},
    };
    for (const auto& s : settings) {
        const int rc = sqlite3_db_config(db, s.option, s.value, nullptr);
        if (rc != SQLITE_OK) {
            throw errorFromSqlite(rc, QString::fromUtf8(sqlite3_errmsg(db)));
        }
    }
}

QString ForeignObject::describe() const {
    switch (kind) {
        case Kind::Trigger:
            return QStringLiteral("wyzwalacz %1 (tabela %2)").arg(name, table);
        case Kind::View:
            return QStringLiteral("widok %1").arg(name);
        case Kind::VirtualTable:
            return QStringLiteral("tabela wirtualna %1").arg(name);
        case Kind::Index:
            return QStringLiteral("indeks %1 (tabela %2)").arg(name, table);
        case Kind::ComputedColumn:
            return QStringLiteral("kolumna wyliczana %1 (tabela %2)").arg(name, table);
        case Kind::CheckConstraint:
            return QStringLiteral("warunek CHECK (tabela %1)").arg(table);
        case Kind::ForeignKey:
            return QStringLiteral("klucz obcy %1 (tabela %2)").arg(name, table);
        case Kind::ChangedColumn:
            return QStringLiteral("zmieniona kolumna %1 (tabela %2)").arg(name, table);
    }
    return name;
}

std::vector<ForeignObject> objectsProgramDoesNotCreate(const Connection& connection) {
    const Schema schema = schemaOf(connection.handle());
    const Schema& program = programSchema();
    std::vector<ForeignObject> found;
    for (const Entry& entry : schema.entries) {
        if (entry.type == QStringLiteral("trigger")) {
            found.push_back({Kind::Trigger, entry.name, entry.table});
        } else if (entry.type == QStringLiteral("view")) {
            found.push_back({Kind::View, entry.name, QString()});
        } else if (entry.type == QStringLiteral("index")) {
            inspectIndex(entry, found);
        } else if (isVirtual(entry)) {
            found.push_back({Kind::VirtualTable, entry.name, QString()});
        } else if (const auto it = schema.tables.find(key(entry.name)); it != schema.tables.end()) {
            const auto own = program.tables.find(key(entry.name));
            inspectTable(it->second, own == program.tables.end() ? nullptr : &own->second, found);
        }
    }
    return found;
}

bool isProgramObjectName(const QString& name) {
    const auto& entries = programSchema().entries;
    return std::any_of(entries.begin(), entries.end(),
                       [&](const Entry& entry) { return key(entry.name) == key(name); });
}

std::vector<ForeignObject> objectsProgramDoesNotCreate(const QString& path) {
    return objectsProgramDoesNotCreate(*Connection::open(path, Connection::Mode::ReadOnly));
}

QString describeForeignObjects(const std::vector<ForeignObject>& objects) {
    QStringList parts;
    for (const ForeignObject& object : objects) {
        parts << object.describe();
    }
    return parts.join(QStringLiteral(", "));
}

}  // namespace engine
