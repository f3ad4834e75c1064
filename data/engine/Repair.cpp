// The repair of a damaged diary: what can be read goes into a fresh file, which replaces the
// damaged one; the damaged one is kept beside it. Declared in FileOps.h.

#include "data/engine/FileOps.h"

#include "data/engine/Connection.h"
#include "data/engine/Error.h"
#include "data/engine/FileBuild.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

#include <unistd.h>

namespace engine {

using namespace files;

namespace {

// How many rows a damaged table held by the file's own account: the largest count that the
// table's b-tree or one of its indexes still gives (an index holds one entry per row and often
// survives the loss of a table page). -1 when none of them can be read to the end.
qint64 claimedRows(Connection& damaged, const QString& table) {
    qint64 best = -1;
    const auto count = [&](const QString& sql) {
        try {
            Statement statement(damaged, sql);
            if (statement.step()) {
                best = std::max<qint64>(best, sqlite3_column_int64(statement.get(), 0));
            }
        } catch (const Error&) {
            // This b-tree is damaged too.
        }
    };
    count(QStringLiteral("SELECT count(*) FROM ") + quotedName(table) +
          QStringLiteral(" NOT INDEXED"));
    QStringList indexes;
    try {
        indexes = singleColumn(damaged, QStringLiteral("SELECT name FROM pragma_index_list(") +
                                            quotedText(table) + u')');
    } catch (const Error&) {
        return best;
    }
    for (const QString& index : indexes) {
        QStringList order;
        try {
            Statement columns(
                damaged, QStringLiteral("SELECT name, coll FROM pragma_index_xinfo(") +
                             quotedText(index) + QStringLiteral(") WHERE key = 1 ORDER BY seqno"));
            while (columns.step()) {
                const auto text = [&](int i) {
                    return QString::fromUtf8(
                        reinterpret_cast<const char*>(sqlite3_column_text(columns.get(), i)));
                };
                order << quotedName(text(0)) + QStringLiteral(" COLLATE ") + text(1);
            }
        } catch (const Error&) {
            continue;
        }
        if (order.isEmpty()) {
            continue;
        }
        // Only the index's own columns are read, so the scan never visits the table's pages.
        count(QStringLiteral("SELECT count(*) FROM (SELECT ") + order.first().section(u' ', 0, 0) +
              QStringLiteral(" FROM ") + quotedName(table) + QStringLiteral(" INDEXED BY ") +
              quotedName(index) + QStringLiteral(" ORDER BY ") + order.join(QStringLiteral(", ")) +
              u')');
    }
    return best;
}

// Copies the readable rows of one table from a damaged file. A damaged page stops a scan, so
// the rows after it are sought from further row ids on, and finally from the end backwards;
// rows met twice are ignored by the new file's keys.
qint64 copyReadableRows(Connection& damaged, Connection& fresh, const QString& table) {
    QStringList columns;
    for (const QString& column :
         singleColumn(fresh, QStringLiteral("SELECT name FROM pragma_table_info(") +
                                 quotedText(table) + u')')) {
        columns << quotedName(column);
    }
    const QString list = columns.join(QStringLiteral(", "));
    QStringList parameters;
    for (int i = 1; i <= columns.size(); ++i) {
        parameters << u'?' + QString::number(i);
    }
    Statement insert(fresh, QStringLiteral("INSERT OR IGNORE INTO ") + quotedName(table) +
                                QStringLiteral(" (") + list + QStringLiteral(") VALUES (") +
                                parameters.join(QStringLiteral(", ")) + u')');
    qint64 copied = 0;
    // Errors of the damaged file end a scan; errors of the new file end the repair.
    const auto copyFrom = [&](const QString& sql, qint64 from, qint64& last) {
        qint64 read = 0;
        std::optional<Statement> scan;
        try {
            scan.emplace(damaged, sql);
            if (scan->parameterCount() > 0) {
                scan->bind(1, qlonglong(from));
            }
        } catch (const Error&) {
            return std::pair{read, false};
        }
        for (;;) {
            try {
                if (!scan->step()) {
                    return std::pair{read, true};
                }
            } catch (const Error&) {
                return std::pair{read, false};
            }
            last = sqlite3_column_int64(scan->get(), 0);
            ++read;
            insert.reset();
            for (int i = 0; i < columns.size(); ++i) {
                sqlite3_bind_value(insert.get(), i + 1, sqlite3_column_value(scan->get(), i + 1));
            }
            insert.step();
            copied += sqlite3_changes(fresh.handle());
        }
    };
    const QString forward = QStringLiteral("SELECT rowid, ") + list + QStringLiteral(" FROM ") +
                            quotedName(table) + QStringLiteral(" WHERE rowid >= ?1 ORDER BY rowid");
    qint64 next = std::numeric_limits<qint64>::min();
    qint64 gap = 1;
    for (int attempt = 0; attempt < 64; ++attempt) {
        qint64 last = next;
        const auto [read, complete] = copyFrom(forward, next, last);
        if (complete) {
            return copied;
        }
        if (read > 0) {
            next = last + 1;
            gap = 1;
        } else {
            if (next > std::numeric_limits<qint64>::max() - gap) {
                break;
            }
            next = next < 0 ? 0 : next + gap;
            gap *= 2;
        }
    }
    qint64 unused = 0;
    copyFrom(QStringLiteral("SELECT rowid, ") + list + QStringLiteral(" FROM ") +
                 quotedName(table) + QStringLiteral(" ORDER BY rowid DESC"),
             0, unused);
    return copied;
}

// Rows that refer to a lost row (goals of a match that could not be read) go too: the new
// file must pass the check.
void dropOrphans(Connection& fresh) {
    std::vector<std::pair<QString, qint64>> orphans;
    {
        Statement references(fresh, QByteArrayLiteral("PRAGMA foreign_key_check"));
        while (references.step()) {
            orphans.emplace_back(QString::fromUtf8(reinterpret_cast<const char*>(
                                     sqlite3_column_text(references.get(), 0))),
                                 sqlite3_column_int64(references.get(), 1));
        }
    }
    for (const auto& [table, rowid] : orphans) {
        Statement remove(fresh, QStringLiteral("DELETE FROM ") + quotedName(table) +
                                    QStringLiteral(" WHERE rowid = ?1"));
        remove.bind(1, qlonglong(rowid));
        remove.step();
    }
}

// What could not be read is lost from the repaired file; the damaged one stays beside it under
// a new name ("Mirvola.mdb.uszkodzona", then ".uszkodzona2", ...) for tools that dig deeper.
// Returns that name.
QString keepDamagedCopy(const QString& path) {
    return keepUnderFreeName(path, [&](int n) {
        return path + QStringLiteral(".uszkodzona") + (n > 1 ? QString::number(n) : QString());
    });
}

std::vector<TableRows> countRows(Connection& connection) {
    std::vector<TableRows> rows;
    for (const QString& table : tableNames(connection)) {
        const qint64 n = rowCount(connection, table);
        rows.push_back({table, n, n});
    }
    return rows;
}

}  // namespace

bool RepairReport::lostRows() const {
    return std::any_of(tables.begin(), tables.end(), [](const TableRows& rows) {
        return rows.before < 0 || rows.after < rows.before;
    });
}

RepairReport repairDatabase(const QString& path) {
    const QString real = realFile(path);
    if (QFileInfo::exists(real)) {
        refuseReadOnly(real, QStringLiteral("nie można go naprawić"));
    }
    Connection::closeIdle(Connection::canonical(real));
    const auto damaged = Connection::open(real, Connection::Mode::Salvage);
    lockExclusively(*damaged);
    RepairReport report;
    if (problems(*damaged).isEmpty()) {
        report.tables = countRows(*damaged);
        return report;
    }
    sweepLeftovers(real);
    BuildFile built(real);
    qint64 copied = 0;
    {
        const auto fresh = Connection::openNew(built.path());
        fresh->exec("BEGIN");
        fresh->exec(schemaText().constData());
        for (const QString& table : tableNames(*fresh)) {
            copied += copyReadableRows(*damaged, *fresh, table);
        }
        dropOrphans(*fresh);
        fresh->exec("COMMIT");
        report.tables = countRows(*fresh);
        for (TableRows& rows : report.tables) {
            rows.before = claimedRows(*damaged, rows.table);
            if (rows.before >= 0 && rows.before < rows.after) {
                rows.before = rows.after;  // the counts themselves were damaged
            }
        }
    }
    if (copied == 0) {
        throw Error(err::Corrupt, QStringLiteral("Pliku ") + quotedPath(real) +
                                      QStringLiteral(" nie da się naprawić: nie udało się "
                                                     "odczytać z niego żadnych danych."));
    }
    {
        const auto check = Connection::open(built.path(), Connection::Mode::ReadOnly);
        if (!problems(*check).isEmpty()) {
            throw Error(err::Corrupt, QStringLiteral("Pliku ") + quotedPath(real) +
                                          QStringLiteral(" nie da się naprawić: odtworzona "
                                                         "baza danych nie przeszła "
                                                         "sprawdzenia."));
        }
    }
    report.damagedCopy = keepDamagedCopy(real);
    try {
        built.replace(real, attributesOf(real));
    } catch (const Error&) {
        // The damaged file is still the diary: the second name would only mislead.
        QFile::remove(report.damagedCopy);
        throw;
    }
    report.rebuilt = true;
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
        if (rows.before < 0) {
            text += QStringLiteral("liczba wierszy przed naprawą nieznana, odzyskano %1")
                        .arg(rows.after);
        } else {
            text += QStringLiteral("było %1, odzyskano %2").arg(rows.before).arg(rows.after);
            if (rows.before > rows.after) {
                text += QStringLiteral(", utracono %1").arg(rows.before - rows.after);
            }
        }
    }
    text += report.lostRows() ? QStringLiteral(
                                    "\n\nUtraconych wierszy nie udało się odczytać z uszkodzonego "
                                    "pliku.")
                              : QStringLiteral("\n\nOdzyskano wszystkie wiersze.");
    text += QStringLiteral(" Uszkodzony plik zachowano jako ") +
            QDir::toNativeSeparators(report.damagedCopy) + u'.';
    return text;
}

}  // namespace engine
