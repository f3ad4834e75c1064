// The repair of a damaged diary: every row still readable on the file's pages goes into a fresh
// file, which replaces the damaged one; the damaged one is kept beside it. Declared in
// FileOps.h.
//
// SQLite stops reading a table at its first damaged page, and a damaged interior or root page
// hides every leaf page below it, so the rows are read from the pages themselves
// (PageReader.h): each table's b-tree from its root as far as it goes, then every table page
// that no tree reached and the free list does not hold, given to the damaged table whose
// columns its rows fit. The Debian SQLite library has no recovery extension built in.

#include "data/engine/Connection.h"
#include "data/engine/DiaryCheck.h"
#include "data/engine/Error.h"
#include "data/engine/FileBuild.h"
#include "data/engine/FileOps.h"
#include "data/engine/PageReader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace engine {

using namespace files;
using namespace Qt::StringLiterals;

namespace {

const QString kSequence = QStringLiteral("sqlite_sequence");

QString setAsideTable(const QString& table) {
    return QStringLiteral("Odlaczone_") + table;
}

// The damaged file, open for reading only. Opened before SQLite locks the file and closed after
// SQLite has let it go: closing any descriptor of a file drops this process's locks on it.
class ReadOnlyFile {
  public:
    explicit ReadOnlyFile(const QString& path) : m_path(path) {
        m_fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
        if (m_fd < 0) {
            throw diskError(QStringLiteral("Nie można odczytać pliku "), path, errno);
        }
    }
    ~ReadOnlyFile() { ::close(m_fd); }
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    QByteArray readAll() const {
        struct stat info {};
        if (::fstat(m_fd, &info) != 0) {
            throw diskError(QStringLiteral("Nie można odczytać pliku "), m_path, errno);
        }
        QByteArray bytes(static_cast<qsizetype>(info.st_size), Qt::Uninitialized);
        qint64 done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::pread(m_fd, bytes.data() + done, bytes.size() - done, done);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0) {
                throw diskError(QStringLiteral("Nie można odczytać pliku "), m_path, errno);
            }
            if (n == 0) {
                bytes.truncate(done);
                break;
            }
            done += n;
        }
        return bytes;
    }

  private:
    QString m_path;
    int m_fd = -1;
};

// Keeps other processes and connections away from the file while it is read and replaced,
// without writing into it: an exclusive lock taken by a transaction that changes nothing and
// is never committed. Null when SQLite cannot open the file at all (its first page is gone),
// and then nobody else can use it either.
std::shared_ptr<Connection> holdAgainstOthers(const QString& real) {
    std::shared_ptr<Connection> connection;
    try {
        connection = Connection::open(real);
    } catch (const Error& e) {
        if (e.number() == err::NotADatabase || e.number() == err::Corrupt) {
            return nullptr;
        }
        throw;
    }
    if (Connection::openCount(connection->path()) > 1) {
        throw errorFromSqlite(SQLITE_BUSY);
    }
    try {
        connection->exec("BEGIN EXCLUSIVE");
    } catch (const Error& e) {
        if (e.number() != err::Corrupt && e.number() != err::NotADatabase) {
            throw;
        }
    }
    return connection;
}

// What a table's rows must look like, from its definition in the new file.
struct Shape {
    QString table;
    QStringList columns;
    int key = -1;  // the column that is the row id (INTEGER PRIMARY KEY), or -1
    std::vector<bool> text;
    std::vector<bool> notNull;
    bool withoutRowid = false;
};

Shape shapeOf(const Connection& fresh, const QString& table) {
    Shape shape;
    shape.table = table;
    int keys = 0;
    int keyColumn = -1;
    QString keyType;
    Statement columns(fresh, QStringLiteral("SELECT name, upper(type), \"notnull\", pk FROM "
                                            "pragma_table_info(") +
                                 quotedText(table) + u')');
    while (columns.step()) {
        const auto text = [&](int i) {
            return QString::fromUtf8(
                reinterpret_cast<const char*>(sqlite3_column_text(columns.get(), i)));
        };
        const QString type = text(1);
        shape.columns << text(0);
        // SQLite's affinity rules: INT first, then text.
        shape.text.push_back(
            !type.contains(u"INT"_s) &&
            (type.contains(u"CHAR"_s) || type.contains(u"CLOB"_s) || type.contains(u"TEXT"_s)));
        shape.notNull.push_back(sqlite3_column_int(columns.get(), 2) != 0);
        if (sqlite3_column_int(columns.get(), 3) > 0) {
            ++keys;
            keyColumn = static_cast<int>(shape.columns.size()) - 1;
            keyType = type;
        }
    }
    Statement kind(fresh, QStringLiteral("SELECT wr FROM pragma_table_list WHERE name = ") +
                              quotedText(table));
    shape.withoutRowid = kind.step() && sqlite3_column_int(kind.get(), 0) != 0;
    if (keys == 1 && keyType == u"INTEGER"_s && !shape.withoutRowid) {
        shape.key = keyColumn;
    }
    return shape;
}

// The shape of SQLite's own table of the last row ids given.
Shape sequenceShape() {
    Shape shape;
    shape.table = kSequence;
    shape.columns = {QStringLiteral("name"), QStringLiteral("seq")};
    shape.text = {true, false};
    shape.notNull = {true, true};
    return shape;
}

// Whether a record can be a row of the table. `strictly`: also as this program and SQLite
// write rows, with every column present and no text in a numeric column.
bool fits(const pages::Record& record, const Shape& shape, bool strictly) {
    if (record.size() > static_cast<size_t>(shape.columns.size()) ||
        (strictly && record.size() != static_cast<size_t>(shape.columns.size()))) {
        return false;
    }
    for (size_t i = 0; i < record.size(); ++i) {
        const pages::Value::Kind kind = record[i].kind;
        const bool null = kind == pages::Value::Kind::Null;
        if (static_cast<int>(i) == shape.key) {
            if (!null) {
                return false;  // the row id stands in for it
            }
            continue;
        }
        if ((shape.notNull[i] && null) ||
            (shape.text[i] &&
             (kind == pages::Value::Kind::Integer || kind == pages::Value::Kind::Real)) ||
            (strictly && !shape.text[i] && kind == pages::Value::Kind::Text)) {
            return false;
        }
    }
    return true;
}

bool allFit(const pages::Rows& rows, const Shape& shape, bool strictly) {
    return std::all_of(rows.begin(), rows.end(),
                       [&](const auto& row) { return fits(row.second, shape, strictly); });
}

// A table of the new file and what was read for it.
struct Table {
    Shape shape;
    pages::Rows rows;
    bool rooted = false;        // its b-tree was read from its root
    bool rootComplete = false;  // ... to the end
    int strays = 0;             // trees without a root given to it
    bool straysComplete = true;
    qint64 indexed = -1;  // the most entries an undamaged index of it holds

    bool complete() const {
        return rooted ? rootComplete && strays == 0 : strays == 1 && straysComplete;
    }
};

struct Entries {
    std::vector<pages::SchemaEntry> list;
    bool complete = false;

    const pages::SchemaEntry* find(const QString& type, const QString& name) const {
        for (const pages::SchemaEntry& e : list) {
            if (e.type == type && e.name == name) {
                return &e;
            }
        }
        return nullptr;
    }
};

// The tables, indexes and other objects of the diary as the program creates them.
std::vector<pages::SchemaEntry> programSchema() {
    const auto memory = Connection::openNew(QStringLiteral(":memory:"));
    memory->exec(schemaText().constData());
    std::vector<pages::SchemaEntry> entries;
    Statement list(*memory, QByteArrayLiteral("SELECT type, name, tbl_name, sql FROM "
                                              "sqlite_master WHERE sql IS NOT NULL ORDER BY "
                                              "rowid"));
    while (list.step()) {
        const auto text = [&](int i) {
            return QString::fromUtf8(
                reinterpret_cast<const char*>(sqlite3_column_text(list.get(), i)));
        };
        entries.push_back({text(0), text(1), text(2), 0, text(3)});
    }
    return entries;
}

bool tryExec(Connection& fresh, const QString& sql) {
    try {
        fresh.exec(sql.toUtf8().constData());
        return true;
    } catch (const Error&) {
        return false;
    }
}

// Creates the tables the damaged file names, then those of the program it lacks, and adds the
// program's columns that a table lacks. Returns the names of the tables to fill.
QStringList createTables(Connection& fresh, const Entries& found, RepairReport& report) {
    QStringList created;
    for (const pages::SchemaEntry& e : found.list) {
        if (e.type != u"table"_s || e.name.startsWith(u"sqlite_"_s)) {
            continue;
        }
        if (!e.sql.isEmpty() && tryExec(fresh, e.sql)) {
            created << e.name;
        } else {
            report.dropped
                << QStringLiteral("tabela %1 (nie udało się odczytać jej opisu)").arg(e.name);
        }
    }
    for (const pages::SchemaEntry& e : programSchema()) {
        if (e.type != u"table"_s || created.contains(e.name) || e.name.startsWith(u"sqlite_"_s)) {
            continue;
        }
        fresh.exec(e.sql.toUtf8().constData());
        created << e.name;
        // A file whose list of tables was read whole really lacked the table; otherwise its
        // rows may yet be found on the pages.
        if (found.complete) {
            report.added << QStringLiteral("tabela %1").arg(e.name);
        }
    }
    for (const auto& [table, columns] : diaryLayout()) {
        const QStringList has =
            singleColumn(fresh, QStringLiteral("SELECT name FROM pragma_table_info(") +
                                    quotedText(table) + u')');
        for (const QString& column : columns) {
            if (has.contains(column)) {
                continue;
            }
            // The column as the program defines it: its type, and a default where it has one.
            const auto memory = Connection::openNew(QStringLiteral(":memory:"));
            memory->exec(schemaText().constData());
            Statement info(*memory, QStringLiteral("SELECT type, dflt_value FROM "
                                                   "pragma_table_info(") +
                                        quotedText(table) + QStringLiteral(") WHERE name = ") +
                                        quotedText(column));
            QString sql = QStringLiteral("ALTER TABLE ") + quotedName(table) +
                          QStringLiteral(" ADD COLUMN ") + quotedName(column);
            if (info.step()) {
                sql += u' ' + QString::fromUtf8(reinterpret_cast<const char*>(
                                  sqlite3_column_text(info.get(), 0)));
                if (sqlite3_column_type(info.get(), 1) != SQLITE_NULL) {
                    sql += QStringLiteral(" DEFAULT ") +
                           QString::fromUtf8(
                               reinterpret_cast<const char*>(sqlite3_column_text(info.get(), 1)));
                }
            }
            if (tryExec(fresh, sql)) {
                report.added << QStringLiteral("kolumna %1 w tabeli %2").arg(column, table);
            }
        }
    }
    return created;
}

// Gives the trees that no root reached to the damaged tables whose columns their rows fit.
// Tables of equal shape are told apart by the order they were created in, which the order of
// their root pages keeps.
void assignStrays(std::vector<pages::Tree>& strays, std::vector<Table>& tables, Table& sequence,
                  RepairReport& report) {
    std::vector<Table*> candidates;
    for (Table& table : tables) {
        if (!table.rooted || !table.rootComplete) {
            candidates.push_back(&table);
        }
    }
    if (!sequence.rooted || !sequence.rootComplete) {
        candidates.push_back(&sequence);
    }
    for (pages::Tree& tree : strays) {
        // Rows that fit a table as written are its rather than another's they merely could
        // be; then a table that has no tree yet comes before one that has.
        Table* chosen = nullptr;
        int best = -1;
        for (Table* table : candidates) {
            if (!allFit(tree.rows, table->shape, false)) {
                continue;
            }
            const int score = (allFit(tree.rows, table->shape, true) ? 2 : 0) +
                              (!table->rooted && table->strays == 0 ? 1 : 0);
            if (score > best) {
                best = score;
                chosen = table;
            }
        }
        if (!chosen) {
            // With every table read whole, a page outside them held rows deleted long ago (a
            // free page whose list is damaged): they stay deleted.
            if (!candidates.empty()) {
                report.unassigned += static_cast<qint64>(tree.rows.size());
            }
            continue;
        }
        ++chosen->strays;
        chosen->straysComplete = chosen->straysComplete && tree.complete;
        // A row read through the table's own tree wins over one found elsewhere.
        chosen->rows.merge(tree.rows);
    }
}

void bindValue(sqlite3_stmt* statement, int index, const pages::Value& value) {
    switch (value.kind) {
        case pages::Value::Kind::Null:
            sqlite3_bind_null(statement, index);
            break;
        case pages::Value::Kind::Integer:
            sqlite3_bind_int64(statement, index, value.integer);
            break;
        case pages::Value::Kind::Real:
            sqlite3_bind_double(statement, index, value.real);
            break;
        case pages::Value::Kind::Text:
            sqlite3_bind_text(statement, index, value.bytes.constData(),
                              static_cast<int>(value.bytes.size()), SQLITE_TRANSIENT);
            break;
        case pages::Value::Kind::Blob:
            sqlite3_bind_blob(statement, index, value.bytes.constData(),
                              static_cast<int>(value.bytes.size()), SQLITE_TRANSIENT);
            break;
    }
}

// Writes the rows read into the new table under their own row ids. A record may hold fewer
// values than the table has columns (columns added later): the rest take their defaults.
void insertRows(Connection& fresh, const Table& table) {
    std::map<size_t, std::unique_ptr<Statement>> statements;
    for (const auto& [rowid, record] : table.rows) {
        auto& statement = statements[record.size()];
        if (!statement) {
            QStringList names{QStringLiteral("rowid")};
            QStringList values{QStringLiteral("?1")};
            for (size_t i = 0; i < record.size(); ++i) {
                if (static_cast<int>(i) != table.shape.key) {
                    names << quotedName(table.shape.columns[static_cast<int>(i)]);
                    values << u'?' + QString::number(i + 2);
                }
            }
            statement = std::make_unique<Statement>(
                fresh, QStringLiteral("INSERT OR IGNORE INTO ") + quotedName(table.shape.table) +
                           u'(' + names.join(u", "_s) + QStringLiteral(") VALUES (") +
                           values.join(u", "_s) + u')');
        }
        statement->reset();
        sqlite3_clear_bindings(statement->get());
        sqlite3_bind_int64(statement->get(), 1, rowid);
        for (size_t i = 0; i < record.size(); ++i) {
            if (static_cast<int>(i) != table.shape.key) {
                bindValue(statement->get(), static_cast<int>(i) + 2, record[i]);
            }
        }
        statement->step();
    }
}

// Rows that refer to a lost row (goals of a match that could not be read) cannot stay where
// they are: the new file must pass the check. They are readable all the same, so they go
// into a table of their own beside it ("Odlaczone_Bramki"), where the user finds them.
void setAsideOrphans(Connection& fresh, std::vector<TableRows>& counts) {
    std::vector<std::tuple<QString, qint64, QString>> orphans;
    {
        Statement references(fresh, QByteArrayLiteral("PRAGMA foreign_key_check"));
        while (references.step()) {
            const auto text = [&](int i) {
                return QString::fromUtf8(
                    reinterpret_cast<const char*>(sqlite3_column_text(references.get(), i)));
            };
            orphans.emplace_back(text(0), sqlite3_column_int64(references.get(), 1), text(2));
        }
    }
    for (const auto& [table, rowid, parent] : orphans) {
        const QString aside = quotedName(setAsideTable(table));
        fresh.exec((QStringLiteral("CREATE TABLE IF NOT EXISTS ") + aside +
                    QStringLiteral(" AS SELECT * FROM ") + quotedName(table) +
                    QStringLiteral(" WHERE 0"))
                       .toUtf8()
                       .constData());
        Statement move(fresh, QStringLiteral("INSERT INTO ") + aside +
                                  QStringLiteral(" SELECT * FROM ") + quotedName(table) +
                                  QStringLiteral(" WHERE rowid = ?1"));
        move.bind(1, qlonglong(rowid));
        move.step();
        Statement remove(fresh, QStringLiteral("DELETE FROM ") + quotedName(table) +
                                    QStringLiteral(" WHERE rowid = ?1"));
        remove.bind(1, qlonglong(rowid));
        remove.step();
        for (TableRows& rows : counts) {
            if (rows.table == table) {
                ++rows.withoutParent;
                rows.parent = parent;
            }
        }
    }
}

// Indexes, views and triggers of the damaged file, then the program's indexes it lacks. Made
// after the rows, so that no trigger fires on them.
void createOtherObjects(Connection& fresh, const Entries& found, const QStringList& tables,
                        RepairReport& report) {
    const auto words = [](const QString& type) {
        return type == u"index"_s  ? QStringLiteral("indeks")
               : type == u"view"_s ? QStringLiteral("widok")
                                   : QStringLiteral("wyzwalacz");
    };
    QStringList made;
    for (const QString& type : {u"index"_s, u"view"_s, u"trigger"_s}) {
        for (const pages::SchemaEntry& e : found.list) {
            if (e.type != type || e.sql.isEmpty()) {
                continue;  // the indexes of keys come with their tables
            }
            if (tables.contains(e.table) || type == u"view"_s) {
                if (tryExec(fresh, e.sql)) {
                    made << e.name;
                    continue;
                }
            }
            report.dropped << words(type) + u' ' + e.name;
        }
    }
    for (const pages::SchemaEntry& e : programSchema()) {
        if (e.type == u"index"_s && !made.contains(e.name) && !found.find(e.type, e.name)) {
            tryExec(fresh, e.sql);
        }
    }
}

// The last row ids given stay as they were, so that a deleted row's id is not given again.
void restoreSequence(Connection& fresh, const Table& sequence, const QStringList& tables) {
    for (const auto& [rowid, record] : sequence.rows) {
        if (record.size() != 2 || record[0].kind != pages::Value::Kind::Text ||
            record[1].kind != pages::Value::Kind::Integer) {
            continue;
        }
        const QString name = QString::fromUtf8(record[0].bytes);
        if (!tables.contains(name)) {
            continue;
        }
        Statement update(fresh, QByteArrayLiteral("UPDATE sqlite_sequence SET seq = max(seq, ?2) "
                                                  "WHERE name = ?1"));
        update.bind(1, name);
        update.bind(2, qlonglong(record[1].integer));
        update.step();
        if (sqlite3_changes(fresh.handle()) == 0) {
            Statement insert(fresh, QByteArrayLiteral("INSERT INTO sqlite_sequence (name, seq) "
                                                      "SELECT ?1, ?2 WHERE EXISTS (SELECT 1 FROM "
                                                      "sqlite_master WHERE name = "
                                                      "'sqlite_sequence')"));
            insert.bind(1, name);
            insert.bind(2, qlonglong(record[1].integer));
            insert.step();
        }
    }
}

// Builds the repaired diary into `built` from the image of the damaged file.
void rebuild(const pages::Image& image, const QString& built, RepairReport& report) {
    Entries found;
    found.list = image.schema(found.complete);
    const auto fresh = Connection::openNew(built);
    fresh->exec("BEGIN");
    const int version = image.hasHeader() ? image.userVersion() : kNewestSchemaVersion;
    fresh->exec(QStringLiteral("PRAGMA user_version = %1").arg(version).toUtf8().constData());
    const int application = image.hasHeader() ? image.applicationId() : 0;
    if (application != 0) {
        fresh->exec(
            QStringLiteral("PRAGMA application_id = %1").arg(application).toUtf8().constData());
    } else {
        for (const QString& line : QString::fromUtf8(schemaText()).split(u'\n')) {
            if (line.startsWith(u"PRAGMA application_id"_s)) {
                fresh->exec(line.section(u';', 0, 0).toUtf8().constData());
            }
        }
    }
    const QStringList names = createTables(*fresh, found, report);

    std::set<quint32> claimed;
    const auto claimTree = [&](quint32 root, Table& table) {
        if (root == 0) {
            return;
        }
        pages::Tree tree =
            image.readTable(root, static_cast<int>(table.shape.columns.size()), claimed);
        claimed.insert(tree.pages.begin(), tree.pages.end());
        table.rooted = !tree.pages.empty();
        table.rootComplete = tree.complete;
        table.rows = std::move(tree.rows);
    };
    {
        Table master;
        master.shape.columns = QStringList(5, QString());
        master.shape.text.assign(5, false);
        master.shape.notNull.assign(5, false);
        if (image.hasHeader()) {
            claimTree(1, master);
        }
    }
    std::vector<Table> tables;
    for (const QString& name : names) {
        Table table;
        table.shape = shapeOf(*fresh, name);
        if (table.shape.withoutRowid) {
            report.dropped << QStringLiteral(
                                  "wiersze tabeli %1 (tabela bez identyfikatorów "
                                  "wierszy)")
                                  .arg(name);
            continue;
        }
        if (const pages::SchemaEntry* e = found.find(u"table"_s, name)) {
            claimTree(e->root, table);
        }
        tables.push_back(std::move(table));
    }
    Table sequence;
    sequence.shape = sequenceShape();
    if (const pages::SchemaEntry* e = found.find(u"table"_s, kSequence)) {
        claimTree(e->root, sequence);
    }
    for (const pages::SchemaEntry& e : found.list) {
        if (e.type == u"index"_s && e.root != 0) {
            qint64 entries = -1;
            const std::set<quint32> used = image.indexPages(e.root, entries);
            claimed.insert(used.begin(), used.end());
            for (Table& table : tables) {
                if (table.shape.table == e.table) {
                    table.indexed = std::max(table.indexed, entries);
                }
            }
        }
    }
    std::vector<pages::Tree> strays = image.strayTrees(claimed);
    assignStrays(strays, tables, sequence, report);

    for (const Table& table : tables) {
        insertRows(*fresh, table);
        report.tables.push_back({table.shape.table, 0, 0, 0, QString()});
    }
    setAsideOrphans(*fresh, report.tables);
    createOtherObjects(*fresh, found, names, report);
    restoreSequence(*fresh, sequence, names);
    fresh->exec("COMMIT");

    for (size_t i = 0; i < tables.size(); ++i) {
        TableRows& rows = report.tables[i];
        const Table& table = tables[i];
        rows.after = rowCount(*fresh, rows.table);
        const qint64 read = static_cast<qint64>(table.rows.size());
        rows.before = std::max(read, table.indexed);
        if (!table.complete() && table.indexed < 0) {
            rows.before = -1;
        }
    }
}

// The report kept beside the diary until it has been shown: the repaired file's inode, whether
// rows were lost, then the text.
QString reportFile(const QString& real) {
    return real + QStringLiteral(".raport-naprawy");
}

void keepReport(const QString& real, const QString& built, const RepairReport& report) {
    struct stat info {};
    ::stat(QFile::encodeName(built).constData(), &info);
    const QString path = reportFile(real);
    QFile file(path);
    const QByteArray text = QByteArray::number(qulonglong(info.st_ino)) + ' ' +
                            (report.lostRows() ? '1' : '0') + '\n' +
                            describeRepair(report).toUtf8();
    if (!perform(FileStep::CreateFile, path, [&] {
            return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                           file.write(text) == text.size() && file.flush()
                       ? 0
                       : (errno = errno != 0 ? errno : EIO, -1);
        })) {
        file.close();
        QFile::remove(path);
        throw diskError(QStringLiteral("Nie można zapisać pliku "), path, errno);
    }
    file.close();
    syncFile(path);
}

// What could not be read is lost from the repaired file; the damaged one stays beside it under
// a new name ("Mirvola.mdb.uszkodzona", then ".uszkodzona2", ...) for tools that dig deeper.
QString keepDamagedCopy(const QString& path) {
    return keepUnderFreeName(path, [&](int n) {
        return path + QStringLiteral(".uszkodzona") + (n > 1 ? QString::number(n) : QString());
    });
}

std::vector<TableRows> countRows(Connection& connection) {
    std::vector<TableRows> rows;
    for (const QString& table : tableNames(connection)) {
        const qint64 n = rowCount(connection, table);
        rows.push_back({table, n, n, 0, QString()});
    }
    return rows;
}

// The start's refusal of a file that is not a diary this program may repair.
Error refusal(const Examination& e) {
    return Error(refusalNumber(e), describeExamination(e));
}

}  // namespace

bool RepairReport::lostRows() const {
    return !dropped.isEmpty() || unassigned > 0 ||
           std::any_of(tables.begin(), tables.end(), [](const TableRows& rows) {
               return rows.before < 0 || rows.after < rows.before;
           });
}

RepairReport repairDatabase(const QString& path) {
    const QString real = realFile(path);
    if (QFileInfo::exists(real)) {
        refuseReadOnly(real, QStringLiteral("nie można go naprawić"));
    }
    Connection::closeIdle(Connection::canonical(real));
    const Examination first = examineDiary(real);
    if (first.condition != Condition::Sound && first.condition != Condition::Damaged &&
        first.condition != Condition::InUse) {
        throw refusal(first);
    }
    const ReadOnlyFile source(real);
    const auto held = holdAgainstOthers(real);
    RepairReport report;
    if (held) {
        const Examination now = examineOpen(*held);
        if (now.condition == Condition::Sound) {
            report.tables = countRows(*held);
            return report;
        }
        if (now.condition == Condition::Newer) {
            throw refusal(now);
        }
    }
    const pages::Image image(source.readAll());
    if (image.hasHeader() && image.userVersion() > kNewestSchemaVersion) {
        Examination newer = first;
        newer.condition = Condition::Newer;
        newer.version = image.userVersion();
        throw refusal(newer);
    }
    sweepLeftovers(real);
    BuildFile built(real);
    rebuild(image, built.path(), report);
    qint64 recovered = 0;
    for (const TableRows& rows : report.tables) {
        recovered += rows.after;
    }
    if (recovered == 0) {
        throw Error(err::Corrupt, QStringLiteral("Pliku ") + quotedPath(real) +
                                      QStringLiteral(" nie da się naprawić: nie udało się "
                                                     "odczytać z niego żadnych danych."));
    }
    if (const Examination check = examineDiary(built.path()); check.condition != Condition::Sound) {
        throw Error(err::Corrupt,
                    QStringLiteral("Pliku ") + quotedPath(real) +
                        QStringLiteral(" nie da się naprawić: odtworzona baza danych nie "
                                       "przeszła sprawdzenia (") +
                        damageReasons(check).join(u"; "_s) + QStringLiteral(")."));
    }
    report.rebuilt = true;
    report.damagedCopy = keepDamagedCopy(real);
    try {
        keepReport(real, built.path(), report);
        built.replace(real, attributesOf(real));
    } catch (const Error&) {
        // The damaged file is still the diary: the second name and the report would mislead.
        // Once the repaired file has the diary's name, both stay for the next start.
        if (!built.published()) {
            QFile::remove(report.damagedCopy);
            QFile::remove(reportFile(real));
        }
        throw;
    }
    return report;
}

QString describeRepair(const RepairReport& report) {
    QString text = QStringLiteral("Baza danych została naprawiona.");
    if (!report.rebuilt) {
        return text;
    }
    // The matches and their goals first: they are what the user misses most.
    std::vector<TableRows> tables = report.tables;
    const auto rank = [](const QString& table) {
        return table == QStringLiteral("Mecze") ? 0 : (table == QStringLiteral("Bramki") ? 1 : 2);
    };
    std::stable_sort(tables.begin(), tables.end(), [&](const TableRows& a, const TableRows& b) {
        return rank(a.table) < rank(b.table);
    });
    text += QStringLiteral("\n");
    for (const TableRows& rows : tables) {
        text += u'\n' + rows.table + QStringLiteral(": ");
        const qint64 kept = rows.after + rows.withoutParent;
        if (rows.before < 0) {
            text += QStringLiteral("liczba wierszy przed naprawą nieznana, odzyskano %1")
                        .arg(rows.after);
        } else {
            text += QStringLiteral("było %1, odzyskano %2").arg(rows.before).arg(rows.after);
            if (rows.before > kept) {
                text += QStringLiteral(", nie udało się odczytać %1").arg(rows.before - kept);
            }
        }
        if (rows.withoutParent > 0) {
            text += QStringLiteral(
                        ", %1 odwołujących się do utraconych wierszy tabeli %2 przeniesiono do "
                        "tabeli %3")
                        .arg(rows.withoutParent)
                        .arg(rows.parent, setAsideTable(rows.table));
        }
    }
    if (!report.added.isEmpty()) {
        text += QStringLiteral("\n\nDodano brakujące: ") + report.added.join(u", "_s) + u'.';
    }
    if (!report.dropped.isEmpty()) {
        text += QStringLiteral("\n\nNie odtworzono: ") + report.dropped.join(u", "_s) + u'.';
    }
    if (report.unassigned > 0) {
        text += QStringLiteral(
                    "\n\nWierszy, których nie udało się przypisać do żadnej tabeli: "
                    "%1.")
                    .arg(report.unassigned);
    }
    text += report.lostRows()
                ? QStringLiteral("\n\nCzęści danych nie udało się odczytać z uszkodzonego pliku.")
                : QStringLiteral("\n\nOdzyskano wszystkie wiersze.");
    text += QStringLiteral(" Uszkodzony plik zachowano jako ") +
            QDir::toNativeSeparators(report.damagedCopy) + u'.';
    return text;
}

QString takeRepairReport(const QString& path) {
    const QString real = realFile(path);
    QFile file(reportFile(real));
    if (!file.open(QIODevice::ReadOnly)) {
        return QString();
    }
    const QByteArray first = file.readLine().trimmed();
    const QString text = QString::fromUtf8(file.readAll());
    file.close();
    file.remove();
    struct stat info {};
    if (::stat(QFile::encodeName(real).constData(), &info) != 0 ||
        first.split(' ').value(0).toULongLong() != qulonglong(info.st_ino)) {
        return QString();  // the repair never took the diary's place
    }
    return text;
}

}  // namespace engine
