#include "data/engine/Recordset.h"

#include "data/engine/Connection.h"
#include "data/engine/Error.h"
#include "data/engine/ResultCells.h"
#include "data/engine/SqlFunctions.h"
#include "data/engine/SqlTranslator.h"

#include <QDate>
#include <QDateTime>
#include <QRegularExpression>

#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>

namespace engine {
namespace {

enum class EditMode : unsigned char { None, Add, Edit };

struct Column {
    QString name;
    Kind kind = Kind::Plain;
    QString table;   // base table of a plain column reference, empty for expressions
    QString origin;  // the column's name in that table
};

Kind kindOf(const char* declaredType) {
    if (declaredType == nullptr) {
        return Kind::Plain;
    }
    const QByteArray type = QByteArray(declaredType).toUpper();
    if (type == "BOOLEAN" || type == "BIT" || type == "YESNO") {
        return Kind::YesNo;
    }
    if (type == "DATE") {
        return Kind::Date;
    }
    return Kind::Plain;
}

QString quotedName(const QString& name) {
    QString copy = name;
    return u'"' + copy.replace(u'"', QStringLiteral("\"\"")) + u'"';
}

Error conversionError(const QVariant& value, const Column& column) {
    return Error(err::ConversionError, QStringLiteral("Wartość '") + value.toString() +
                                           QStringLiteral("' nie pasuje do typu pola '") +
                                           column.name + QStringLiteral("'."));
}

// Converts a value set by the program into what the column stores.
QVariant storedValue(const QVariant& value, const Column& column) {
    if (value.isNull()) {
        return {};
    }
    const int type = value.typeId();
    switch (column.kind) {
        case Kind::YesNo: {
            if (type == QMetaType::Bool) {
                return qlonglong(value.toBool() ? -1 : 0);
            }
            if (type == QMetaType::QString) {
                if (value.toString().trimmed().isEmpty()) {
                    return {};
                }
                if (const auto parsed = yesNoFromText(value.toString())) {
                    return *parsed;
                }
                throw conversionError(value, column);
            }
            bool ok = false;
            const double number = value.toDouble(&ok);
            if (!ok) {
                throw conversionError(value, column);
            }
            return qlonglong(number != 0 ? -1 : 0);
        }
        case Kind::Date: {
            QDate date;
            if (type == QMetaType::QDate) {
                date = value.toDate();
            } else if (type == QMetaType::QDateTime) {
                date = value.toDateTime().date();
            } else if (type == QMetaType::QString) {
                const QByteArray text = value.toString().trimmed().toUtf8();
                if (text.isEmpty()) {
                    return {};
                }
                date = parseIsoDate(text.constData(), static_cast<int>(text.size()));
            }
            if (!date.isValid()) {
                throw conversionError(value, column);
            }
            return date.toString(Qt::ISODate);
        }
        case Kind::Plain:
            break;
    }
    if (type == QMetaType::Bool) {
        return qlonglong(value.toBool() ? -1 : 0);
    }
    return value;
}

// One value of the statement's current row, as the recordset presents it.
QVariant readCell(sqlite3_stmt* stmt, int index, Kind kind) {
    ResultCells one(1);
    one.append(stmt, index, kind);
    return one.value(0, 0);
}

// A bare table name: "Mecze" or "[Mecze]".
std::optional<QString> bareTableName(const QString& source) {
    static const QRegularExpression pattern(
        QStringLiteral(R"(^\s*\[?([A-Za-z_][A-Za-z0-9_]*)\]?\s*$)"));
    const auto match = pattern.match(source);
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    return match.captured(1);
}

// The table of a single-table select of all or of plain columns, which can be written back
// row by row: "SELECT * FROM T [WHERE ...] [ORDER BY ...]".
std::optional<QString> singleTable(const QString& source) {
    static const QRegularExpression pattern(
        QStringLiteral(
            R"(^\s*SELECT\s+(\*|\[?\w+\]?\.\*|(?:\[?\w+\]?\.)?\[?\w+\]?(?:\s*,\s*(?:\[?\w+\]?\.)?\[?\w+\]?)*))"
            R"(\s+FROM\s+\[?([A-Za-z_][A-Za-z0-9_]*)\]?((?:\s+(?:WHERE|ORDER\s+BY)\s.*)?)\s*;?\s*$)"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression grouping(
        QStringLiteral(R"(\b(GROUP\s+BY|HAVING|UNION|JOIN)\b)"),
        QRegularExpression::CaseInsensitiveOption);
    const auto match = pattern.match(source);
    if (!match.hasMatch() || grouping.match(match.captured(3)).hasMatch()) {
        return std::nullopt;
    }
    return match.captured(2);
}

// Puts the row id after the select list of a translated single-table query, or returns
// nothing when the text does not have the expected shape. After it, not before: "ORDER BY 2"
// still names the second of the query's own columns.
std::optional<QString> withRowid(const QString& translated, const QString& table) {
    static const QRegularExpression shape(
        QStringLiteral(R"(^\s*SELECT\s+(?!DISTINCT\b|ALL\b)(.*?)( FROM .*)$)"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    const auto match = shape.match(translated);
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    return QStringLiteral("SELECT ") + match.captured(1) + QStringLiteral(", ") +
           quotedName(table) + QStringLiteral(".rowid") + match.captured(2);
}

}  // namespace

struct Recordset::State {
    std::shared_ptr<Connection> connection;
    std::vector<Column> columns;
    ResultCells cells;
    std::vector<qint64> rowids;  // of each row, when updatable
    int rows = 0;
    int position = 0;  // -1 before the first row, rows after the last
    QString table;     // the table written back to; empty when read-only

    EditMode mode = EditMode::None;
    std::vector<std::optional<QVariant>> pending;  // values set since addNew/edit
    std::optional<int> lastModified;               // row index

    int columnCount() const { return static_cast<int>(columns.size()); }
    bool hasCurrentRow() const { return position >= 0 && position < rows; }
    QVariant cell(int row, int column) const { return cells.value(row, column); }

    // A column compared with a number ("?1 = 7", the viewer's "Id_meczu = 7") is tested here
    // rather than by a statement per row, which made finding a match in a long selection cost
    // more than reading the selection. As in SQLite, only a number equals a number. The row,
    // -1 for none; nothing when the condition has another form.
    std::optional<int> findEqualNumber(const QString& condition) const {
        static const QRegularExpression shape(QStringLiteral(R"(^\?(\d+) = (\d+(\.\d+)?)$)"));
        const auto match = shape.match(condition);
        if (!match.hasMatch()) {
            return std::nullopt;
        }
        return cells.findNumber(match.captured(1).toInt() - 1, match.captured(2).toDouble());
    }

    void requireOpen() const {
        if (!connection) {
            throw Error(err::ObjectNotSet, QStringLiteral("Zbiór rekordów został już zamknięty."));
        }
    }
    void requireCurrentRow() const {
        requireOpen();
        if (!hasCurrentRow()) {
            throw Error(err::NoCurrentRecord, QStringLiteral("Brak bieżącego rekordu."));
        }
    }
    void requireEditing() const {
        requireOpen();
        if (mode == EditMode::None) {
            throw Error(err::CannotUpdate,
                        QStringLiteral("Operacja Update lub CancelUpdate bez AddNew lub Edit."));
        }
    }
    void requireUpdatable() const {
        requireOpen();
        if (table.isEmpty()) {
            throw Error(err::ReadOnly, QStringLiteral("Nie można aktualizować: zbiór rekordów jest "
                                                      "tylko do odczytu."));
        }
    }
    int checkedIndex(int index) const {
        if (index < 0 || index >= columnCount()) {
            throw Error(
                err::ItemNotFound,
                QStringLiteral("Element nie został odnaleziony w tej kolekcji (pole numer ") +
                    QString::number(index) + QStringLiteral(")."));
        }
        return index;
    }
    // The windows ask for every value by name, mostly spelt as the column is: that is tried
    // first, before comparing without regard to case.
    int find(const QString& name) const {
        for (int i = 0; i < columnCount(); ++i) {
            if (columns[static_cast<size_t>(i)].name == name) {
                return i;
            }
        }
        for (int i = 0; i < columnCount(); ++i) {
            if (columns[static_cast<size_t>(i)].name.compare(name, Qt::CaseInsensitive) == 0) {
                return i;
            }
        }
        return -1;
    }
    int indexOf(const QString& name) const {
        const int index = find(name);
        if (index < 0) {
            throw Error(err::ItemNotFound,
                        QStringLiteral("Element nie został odnaleziony w tej kolekcji (pole '") +
                            name + QStringLiteral("')."));
        }
        return index;
    }

    // `rowidLast`: the statement's last column is the row id of an updatable recordset.
    void load(const QString& sql, bool rowidLast, const std::vector<QVariant>& parameters = {});
    void readRows(Statement& statement, bool rowidLast);
    std::vector<QVariant> readRow(qint64 rowid) const;
    void checkUniqueIndexes(std::optional<qint64> excludedRowid) const;
    qint64 insertPending();
    qint64 updatePending(qint64 rowid);
};

void Recordset::State::load(const QString& sql, bool rowidLast,
                            const std::vector<QVariant>& parameters) {
    Statement statement(*connection, sql.toUtf8(), Statement::cached);
    for (size_t i = 0; i < parameters.size(); ++i) {
        statement.bind(static_cast<int>(i) + 1, parameters[i]);
    }
    sqlite3_stmt* stmt = statement.get();
    const int total = sqlite3_column_count(stmt);
    if (total == 0 || !statement.readOnly()) {
        throw Error(err::InvalidOperation,
                    QStringLiteral("Nie można otworzyć zbioru rekordów na instrukcji, która nie "
                                   "zwraca wierszy."));
    }
    const int count = rowidLast ? total - 1 : total;
    columns.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        Column column;
        column.name = QString::fromUtf8(sqlite3_column_name(stmt, i));
        column.kind = kindOf(sqlite3_column_decltype(stmt, i));
        if (const char* t = sqlite3_column_table_name(stmt, i)) {
            column.table = QString::fromUtf8(t);
            column.origin = QString::fromUtf8(sqlite3_column_origin_name(stmt, i));
        }
        columns.push_back(std::move(column));
    }
    if (rowidLast) {
        const bool oneTable = std::all_of(columns.begin(), columns.end(), [&](const Column& c) {
            return c.table.compare(table, Qt::CaseInsensitive) == 0;
        });
        if (!oneTable) {
            table.clear();
        }
    }
    readRows(statement, rowidLast);
}

void Recordset::State::readRows(Statement& statement, bool rowidLast) {
    sqlite3_stmt* stmt = statement.get();
    const int count = columnCount();
    cells = ResultCells(count);
    while (statement.step()) {
        if (rowidLast) {
            rowids.push_back(sqlite3_column_int64(stmt, count));
        }
        for (int i = 0; i < count; ++i) {
            cells.append(stmt, i, columns[static_cast<size_t>(i)].kind);
        }
        ++rows;
    }
    position = rows > 0 ? 0 : -1;
}

std::vector<QVariant> Recordset::State::readRow(qint64 rowid) const {
    QStringList names;
    for (const Column& column : columns) {
        names << quotedName(column.origin);
    }
    Statement statement(*connection, QStringLiteral("SELECT ") + names.join(QStringLiteral(", ")) +
                                         QStringLiteral(" FROM ") + quotedName(table) +
                                         QStringLiteral(" WHERE rowid = ?1"));
    statement.bind(1, qlonglong(rowid));
    if (!statement.step()) {
        throw Error(err::NoCurrentRecord, QStringLiteral("Rekord został usunięty."));
    }
    std::vector<QVariant> row;
    row.reserve(columns.size());
    for (int i = 0; i < columnCount(); ++i) {
        row.push_back(readCell(statement.get(), i, columns[static_cast<size_t>(i)].kind));
    }
    return row;
}

// SQLite's NOCASE folds ASCII letters only, so "Łódź" and "ŁÓDŹ" would both pass the unique
// index. Before a row is written, every unique index of the table is checked under the Polish
// case-insensitive collation as well.
void Recordset::State::checkUniqueIndexes(std::optional<qint64> excludedRowid) const {
    struct Index {
        QString name;
        QStringList columns;
    };
    std::vector<Index> indexes;
    {
        Statement list(*connection,
                       QStringLiteral("PRAGMA index_list(") + quotedName(table) + u')');
        while (list.step()) {
            const bool unique = sqlite3_column_int(list.get(), 2) != 0;
            const auto* origin = reinterpret_cast<const char*>(sqlite3_column_text(list.get(), 3));
            if (unique && origin != nullptr && std::strcmp(origin, "pk") != 0) {
                indexes.push_back({QString::fromUtf8(reinterpret_cast<const char*>(
                                       sqlite3_column_text(list.get(), 1))),
                                   {}});
            }
        }
    }
    for (Index& index : indexes) {
        Statement info(*connection,
                       QStringLiteral("PRAGMA index_info(") + quotedName(index.name) + u')');
        while (info.step()) {
            const auto* name = reinterpret_cast<const char*>(sqlite3_column_text(info.get(), 2));
            index.columns << (name ? QString::fromUtf8(name) : QString());
        }
    }
    for (const Index& index : indexes) {
        if (index.columns.contains(QString())) {
            continue;  // an index on an expression
        }
        std::vector<QVariant> values;
        bool changed = false;
        for (const QString& name : index.columns) {
            std::optional<QVariant> value;
            for (int i = 0; i < columnCount(); ++i) {
                const Column& column = columns[static_cast<size_t>(i)];
                if (column.origin.compare(name, Qt::CaseInsensitive) == 0 &&
                    pending[static_cast<size_t>(i)]) {
                    value = *pending[static_cast<size_t>(i)];
                    changed = true;
                }
            }
            if (!value && excludedRowid) {
                Statement current(*connection, QStringLiteral("SELECT ") + quotedName(name) +
                                                   QStringLiteral(" FROM ") + quotedName(table) +
                                                   QStringLiteral(" WHERE rowid = ?1"));
                current.bind(1, qlonglong(*excludedRowid));
                value = current.step() ? readCell(current.get(), 0, Kind::Plain) : QVariant();
            }
            values.push_back(value.value_or(QVariant()));
        }
        const bool hasNull =
            std::any_of(values.begin(), values.end(), [](const QVariant& v) { return v.isNull(); });
        if (!changed || hasNull) {
            continue;  // unchanged, or Null, which never duplicates
        }
        QStringList conditions;
        for (int i = 0; i < index.columns.size(); ++i) {
            conditions << quotedName(index.columns[i]) + QStringLiteral(" = ?") +
                              QString::number(i + 1) + QStringLiteral(" COLLATE ") +
                              QLatin1String(kCollation);
        }
        if (excludedRowid) {
            conditions << QStringLiteral("rowid <> ?") + QString::number(index.columns.size() + 1);
        }
        Statement probe(*connection, QStringLiteral("SELECT 1 FROM ") + quotedName(table) +
                                         QStringLiteral(" WHERE ") +
                                         conditions.join(QStringLiteral(" AND ")) +
                                         QStringLiteral(" LIMIT 1"));
        for (size_t i = 0; i < values.size(); ++i) {
            probe.bind(static_cast<int>(i) + 1, values[i]);
        }
        if (excludedRowid) {
            probe.bind(static_cast<int>(values.size()) + 1, qlonglong(*excludedRowid));
        }
        if (probe.step()) {
            throw errorFromSqlite(SQLITE_CONSTRAINT_UNIQUE);
        }
    }
}

qint64 Recordset::State::insertPending() {
    QStringList names;
    QStringList parameters;
    std::vector<QVariant> values;
    for (int i = 0; i < columnCount(); ++i) {
        if (const auto& value = pending[static_cast<size_t>(i)]) {
            names << quotedName(columns[static_cast<size_t>(i)].origin);
            parameters << u'?' + QString::number(names.size());
            values.push_back(*value);
        }
    }
    const QString sql =
        names.isEmpty()
            ? QStringLiteral("INSERT INTO ") + quotedName(table) + QStringLiteral(" DEFAULT VALUES")
            : QStringLiteral("INSERT INTO ") + quotedName(table) + QStringLiteral(" (") +
                  names.join(QStringLiteral(", ")) + QStringLiteral(") VALUES (") +
                  parameters.join(QStringLiteral(", ")) + u')';
    Statement insert(*connection, sql);
    for (size_t i = 0; i < values.size(); ++i) {
        insert.bind(static_cast<int>(i) + 1, values[i]);
    }
    insert.step();
    return sqlite3_last_insert_rowid(connection->handle());
}

qint64 Recordset::State::updatePending(qint64 rowid) {
    QStringList assignments;
    std::vector<QVariant> values;
    qint64 newRowid = rowid;
    for (int i = 0; i < columnCount(); ++i) {
        const auto& value = pending[static_cast<size_t>(i)];
        if (!value) {
            continue;
        }
        const Column& column = columns[static_cast<size_t>(i)];
        values.push_back(*value);
        assignments << quotedName(column.origin) + QStringLiteral(" = ?") +
                           QString::number(values.size());
        // Writing the INTEGER PRIMARY KEY moves the row to another row id.
        int primaryKey = 0;
        const char* type = nullptr;
        if (sqlite3_table_column_metadata(connection->handle(), "main", table.toUtf8().constData(),
                                          column.origin.toUtf8().constData(), &type, nullptr,
                                          nullptr, &primaryKey, nullptr) == SQLITE_OK &&
            primaryKey != 0 && type != nullptr && qstricmp(type, "INTEGER") == 0 &&
            !value->isNull()) {
            newRowid = value->toLongLong();
        }
    }
    if (assignments.isEmpty()) {
        return rowid;
    }
    Statement update(*connection,
                     QStringLiteral("UPDATE ") + quotedName(table) + QStringLiteral(" SET ") +
                         assignments.join(QStringLiteral(", ")) +
                         QStringLiteral(" WHERE rowid = ?") + QString::number(values.size() + 1));
    for (size_t i = 0; i < values.size(); ++i) {
        update.bind(static_cast<int>(i) + 1, values[i]);
    }
    update.bind(static_cast<int>(values.size()) + 1, qlonglong(rowid));
    update.step();
    if (sqlite3_changes(connection->handle()) == 0) {
        throw Error(err::NoCurrentRecord, QStringLiteral("Rekord został usunięty."));
    }
    return newRowid;
}

Recordset::Recordset(std::shared_ptr<Connection> connection, const QString& source)
    : d(std::make_unique<State>()) {
    d->connection = std::move(connection);
    d->requireOpen();
    if (const auto table = bareTableName(source)) {
        d->table = *table;
        d->load(QStringLiteral("SELECT *, rowid FROM ") + quotedName(*table), true);
        return;
    }
    const SqlTranslator::Translation translated = SqlTranslator::translateWithParameters(source);
    if (const auto table = singleTable(source)) {
        if (const auto sql = withRowid(translated.sql, *table)) {
            d->table = *table;
            try {
                d->load(*sql, true, translated.parameters);
                return;
            } catch (const Error&) {
                // Not the shape we took it for: open it read-only below, which reports the
                // query's own error if it has one.
                d->table.clear();
                d->columns.clear();
                d->cells.clear();
                d->rowids.clear();
                d->rows = 0;
            }
        }
    }
    d->load(translated.sql, false, translated.parameters);
}

Recordset::~Recordset() = default;

int Recordset::recordCount() const {
    d->requireOpen();
    return d->rows;
}

bool Recordset::eof() const {
    d->requireOpen();
    return d->rows == 0 || d->position >= d->rows;
}

bool Recordset::bof() const {
    d->requireOpen();
    return d->rows == 0 || d->position < 0;
}

void Recordset::moveFirst() {
    d->requireOpen();
    if (d->rows == 0) {
        throw Error(err::NoCurrentRecord, QStringLiteral("Brak bieżącego rekordu."));
    }
    d->mode = EditMode::None;
    d->position = 0;
}

void Recordset::moveLast() {
    d->requireOpen();
    if (d->rows == 0) {
        throw Error(err::NoCurrentRecord, QStringLiteral("Brak bieżącego rekordu."));
    }
    d->mode = EditMode::None;
    d->position = d->rows - 1;
}

void Recordset::moveNext() {
    if (eof()) {
        throw Error(err::NoCurrentRecord, QStringLiteral("Brak bieżącego rekordu."));
    }
    d->mode = EditMode::None;
    ++d->position;
}

void Recordset::movePrevious() {
    if (bof()) {
        throw Error(err::NoCurrentRecord, QStringLiteral("Brak bieżącego rekordu."));
    }
    d->mode = EditMode::None;
    --d->position;
}

int Recordset::absolutePosition() const {
    d->requireOpen();
    return d->hasCurrentRow() ? d->position : -1;
}

void Recordset::findFirst(const QString& criteria) {
    d->requireOpen();
    m_noMatch = true;
    const QString condition = SqlTranslator::translateCondition(
        criteria, [this](const QString& name) { return d->find(name); });
    if (const auto row = d->findEqualNumber(condition)) {
        if (*row >= 0) {
            d->mode = EditMode::None;
            d->position = *row;
            m_noMatch = false;
        }
        return;
    }
    Statement test(*d->connection, QStringLiteral("SELECT ") + condition);
    const int parameters = std::min(test.parameterCount(), d->columnCount());
    for (int row = 0; row < d->rows; ++row) {
        test.reset();
        for (int i = 0; i < parameters; ++i) {
            test.bind(i + 1, d->cell(row, i));
        }
        if (test.step() && sqlite3_column_type(test.get(), 0) != SQLITE_NULL &&
            sqlite3_column_int64(test.get(), 0) != 0) {
            d->mode = EditMode::None;
            d->position = row;
            m_noMatch = false;
            return;
        }
    }
}

int Recordset::fieldCount() const {
    d->requireOpen();
    return d->columnCount();
}

QString Recordset::fieldName(int index) const {
    d->requireOpen();
    return d->columns[static_cast<size_t>(d->checkedIndex(index))].name;
}

QVariant Recordset::value(const QString& name) const {
    d->requireOpen();
    return value(d->indexOf(name));
}

QVariant Recordset::value(int index) const {
    d->requireOpen();
    d->checkedIndex(index);
    if (d->mode != EditMode::None) {
        if (const auto& pending = d->pending[static_cast<size_t>(index)]) {
            return *pending;
        }
        if (d->mode == EditMode::Add) {
            return {};
        }
    }
    d->requireCurrentRow();
    return d->cell(d->position, index);
}

bool Recordset::updatable() const {
    d->requireOpen();
    return !d->table.isEmpty();
}

void Recordset::addNew() {
    d->requireUpdatable();
    d->pending.assign(d->columns.size(), std::nullopt);
    d->mode = EditMode::Add;
}

void Recordset::edit() {
    d->requireUpdatable();
    d->requireCurrentRow();
    d->pending.assign(d->columns.size(), std::nullopt);
    d->mode = EditMode::Edit;
}

void Recordset::setValue(const QString& name, const QVariant& value) {
    d->requireOpen();
    setValue(d->indexOf(name), value);
}

void Recordset::setValue(int index, const QVariant& value) {
    d->requireEditing();
    const Column& column = d->columns[static_cast<size_t>(d->checkedIndex(index))];
    d->pending[static_cast<size_t>(index)] = storedValue(value, column);
}

void Recordset::update() {
    d->requireEditing();
    if (d->mode == EditMode::Add) {
        d->checkUniqueIndexes(std::nullopt);
        const qint64 rowid = d->insertPending();
        const std::vector<QVariant> row = d->readRow(rowid);
        const bool atEnd = d->position >= d->rows;
        for (const QVariant& value : row) {
            d->cells.append(value);
        }
        d->rowids.push_back(rowid);
        ++d->rows;
        if (atEnd) {
            d->position = d->rows;
        }
        d->lastModified = d->rows - 1;
    } else {
        d->requireCurrentRow();
        const auto row = static_cast<size_t>(d->position);
        d->checkUniqueIndexes(d->rowids[row]);
        d->rowids[row] = d->updatePending(d->rowids[row]);
        const std::vector<QVariant> values = d->readRow(d->rowids[row]);
        for (int i = 0; i < d->columnCount(); ++i) {
            d->cells.set(d->position, i, values[static_cast<size_t>(i)]);
        }
        d->lastModified = d->position;
    }
    d->mode = EditMode::None;
    d->pending.clear();
}

void Recordset::cancelUpdate() {
    d->requireEditing();
    d->mode = EditMode::None;
    d->pending.clear();
}

void Recordset::moveToLastModified() {
    d->requireOpen();
    if (!d->lastModified) {
        throw Error(err::NoCurrentRecord, QStringLiteral("Brak bieżącego rekordu."));
    }
    d->mode = EditMode::None;
    d->position = *d->lastModified;
}

void Recordset::close() {
    d->connection.reset();
    d->cells.clear();
    d->rowids.clear();
    d->rows = 0;
}

}  // namespace engine
