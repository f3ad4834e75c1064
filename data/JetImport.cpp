#include "data/JetImport.h"

#include "data/engine/Connection.h"
#include "data/engine/Error.h"
#include "data/engine/FileBuild.h"
#include "data/engine/FileOps.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QStringList>

#include <sqlite3.h>

#include <algorithm>
#include <functional>

using engine::Error;
namespace err = engine::err;

namespace jet {
namespace {

// A row named by its first two values: the key and the name of a dictionary row, the match and
// the position of a goal.
QString rowName(const Table& table, const QVariantList& values) {
    QStringList parts;
    for (qsizetype i = 0; i < std::min<qsizetype>(2, values.size()); ++i) {
        parts << table.columns[i] + u' ' +
                     (values[i].isNull() ? QStringLiteral("Null") : values[i].toString());
    }
    return parts.join(QStringLiteral(", "));
}

using engine::files::quotedName;

QString quotedNames(const QStringList& names) {
    QStringList quoted;
    for (const QString& name : names) {
        quoted << quotedName(name);
    }
    return quoted.join(QStringLiteral(", "));
}

// The user's own columns into their table, the user's own tables as tables: plain columns of
// the types SQLite holds, without keys, defaults or constraints of their own.
void createAdditions(engine::Connection& db, const Table& table) {
    if (table.addedByUser()) {
        QStringList columns;
        for (qsizetype i = 0; i < table.columns.size(); ++i) {
            columns << quotedName(table.columns[i]) + u' ' + table.addedTypes[i];
        }
        db.exec((QStringLiteral("CREATE TABLE ") + quotedName(table.name) + QStringLiteral(" (") +
                 columns.join(QStringLiteral(", ")) + u')')
                    .toUtf8()
                    .constData());
        return;
    }
    for (qsizetype i = table.ownColumns; i < table.columns.size(); ++i) {
        db.exec((QStringLiteral("ALTER TABLE ") + quotedName(table.name) +
                 QStringLiteral(" ADD COLUMN ") + quotedName(table.columns[i]) + u' ' +
                 table.addedTypes[i - table.ownColumns])
                    .toUtf8()
                    .constData());
    }
}

void insertRows(engine::Connection& db, const Table& table, qint64& done, qint64 total,
                const Progress& progress) {
    QStringList parameters;
    for (qsizetype i = 1; i <= table.columns.size(); ++i) {
        parameters << u'?' + QString::number(i);
    }
    engine::Statement insert(db, QStringLiteral("INSERT INTO ") + quotedName(table.name) +
                                     QStringLiteral(" (") + quotedNames(table.columns) +
                                     QStringLiteral(") VALUES (") +
                                     parameters.join(QStringLiteral(", ")) + u')');
    for (const QVariantList& values : table.rows) {
        insert.reset();
        for (qsizetype i = 0; i < values.size(); ++i) {
            insert.bind(static_cast<int>(i) + 1, values[i]);
        }
        try {
            insert.step();
        } catch (const Error& e) {
            throw Error(e.number(), QStringLiteral("Nie można przenieść wiersza (%1) tabeli "
                                                   "'%2': %3")
                                        .arg(rowName(table, values), table.name, e.description()));
        }
        if (progress) {
            progress(++done, total);
        }
    }
}

// Writes every row in one transaction; returns the number of goals left out.
qint64 fill(engine::Connection& db, const OldDiary& diary, const Progress& progress) {
    db.exec("BEGIN");
    db.exec(engine::files::schemaText().constData());
    qint64 done = 0;
    const qint64 total = diary.rowCount();
    for (const Table& table : diary.tables) {
        createAdditions(db, table);
        insertRows(db, table, done, total, progress);
    }
    db.exec("DELETE FROM Bramki WHERE Id_meczu NOT IN (SELECT Id_meczu FROM Mecze)");
    const qint64 dropped = sqlite3_changes(db.handle());
    db.exec("COMMIT");
    return dropped;
}

// The goals that were written: those of a match the old file holds.
std::function<bool(const QVariantList&)> writtenRows(const OldDiary& diary, const Table& table) {
    if (table.name != QStringLiteral("Bramki")) {
        return [](const QVariantList&) { return true; };
    }
    QSet<qlonglong> matches;
    for (const QVariantList& match : diary.table(QStringLiteral("Mecze")).rows) {
        matches.insert(match[0].toLongLong());
    }
    return [matches](const QVariantList& goal) { return matches.contains(goal[0].toLongLong()); };
}

// Every value of the user's own columns came over; the report counts them.
void verifyAdditions(const engine::Connection& db, const OldDiary& diary, const Table& table,
                     ImportResult& result) {
    if (table.addedByUser()) {
        result.added.push_back({table.name, QString(), static_cast<qint64>(table.rows.size())});
        return;
    }
    for (qsizetype i = table.ownColumns; i < table.columns.size(); ++i) {
        engine::Statement count(db, QStringLiteral("SELECT count(") + quotedName(table.columns[i]) +
                                        QStringLiteral(") FROM ") + quotedName(table.name));
        count.step();
        const qint64 written = sqlite3_column_int64(count.get(), 0);
        const auto expected =
            std::count_if(table.rows.begin(), table.rows.end(),
                          [&, kept = writtenRows(diary, table)](const QVariantList& row) {
                              return !row[i].isNull() && kept(row);
                          });
        if (written != expected) {
            throw Error(err::Corrupt, QStringLiteral("Nowy dziennik ma %1 z %2 wartości kolumny "
                                                     "'%3' tabeli '%4'.")
                                          .arg(written)
                                          .arg(expected)
                                          .arg(table.columns[i], table.name));
        }
        result.added.push_back({table.name, table.columns[i], written});
    }
}

// "1 wiersz", "2 wiersze", "5 wierszy".
QString counted(qint64 n, const char* one, const char* few, const char* many) {
    const qint64 tens = n % 100;
    const qint64 units = n % 10;
    const char* word = n == 1                                                 ? one
                       : units >= 2 && units <= 4 && (tens < 12 || tens > 14) ? few
                                                                              : many;
    return QString::number(n) + u' ' + QString::fromUtf8(word);
}

// The written file must pass the integrity check and hold every row of the old one.
void verify(const QString& path, const OldDiary& diary, ImportResult& result) {
    const QString problems = engine::checkDatabase(path);
    if (problems != QStringLiteral("ok")) {
        throw Error(err::Corrupt,
                    QStringLiteral("Nowy dziennik nie przeszedł sprawdzenia: ") + problems);
    }
    const auto db = engine::Connection::open(path, engine::Connection::Mode::ReadOnly);
    for (const Table& table : diary.tables) {
        const qint64 written = engine::files::rowCount(*db, table.name);
        qint64 expected = static_cast<qint64>(table.rows.size());
        if (table.name == QStringLiteral("Bramki")) {
            expected -= result.droppedGoals;
        }
        if (written != expected) {
            throw Error(err::Corrupt, QStringLiteral("Nowy dziennik ma %1 z %2 wierszy tabeli "
                                                     "'%3'.")
                                          .arg(written)
                                          .arg(expected)
                                          .arg(table.name));
        }
        result.rows.emplace_back(table.name, written);
        verifyAdditions(*db, diary, table, result);
    }
    result.leftBehind = diary.leftBehind;
}

ImportResult build(const OldDiary& diary, const engine::files::BuildFile& built,
                   const Progress& progress) {
    ImportResult result;
    {
        const auto db = engine::Connection::openNew(built.path());
        result.droppedGoals = fill(*db, diary, progress);
    }
    verify(built.path(), diary, result);
    return result;
}

}  // namespace

ImportResult importToNewFile(const OldDiary& diary, const QString& target,
                             const Progress& progress) {
    if (QFileInfo::exists(target)) {
        throw engine::files::BuildFile::destinationExists(target);
    }
    engine::files::BuildFile built(target);
    ImportResult result = build(diary, built, progress);
    built.publishNew(target, engine::files::newFileAttributes());
    return result;
}

ImportResult importReplacing(const OldDiary& diary, const QString& target, const QString& tag,
                             const Progress& progress) {
    // A diary kept as a symbolic link is replaced where it really lies; the link stays.
    const QString real = engine::realFile(target);
    engine::Connection::closeIdle(engine::Connection::canonical(real));
    engine::files::BuildFile built(real);
    ImportResult result = build(diary, built, progress);
    engine::files::Attributes attributes = engine::files::newFileAttributes();
    if (QFileInfo::exists(real)) {
        attributes = engine::files::attributesOf(real);
        // Nothing is replaced when the file cannot be kept (err::DiskError).
        result.keptAs =
            engine::files::keepUnderFreeName(real, [&](int n) { return keptName(real, tag, n); });
    }
    built.replace(real, attributes);
    return result;
}

QString additionsReport(const ImportResult& result) {
    QStringList lines;
    if (!result.added.empty()) {
        lines << QStringLiteral(
            "Przeniesiono także dane dodane do dawnego dziennika przez "
            "użytkownika:");
        for (const ImportResult::Added& a : result.added) {
            lines << (a.column.isEmpty()
                          ? QStringLiteral("- tabelę %1 (%2)")
                                .arg(a.table, counted(a.count, "wiersz", "wiersze", "wierszy"))
                          : QStringLiteral("- kolumnę %1 tabeli %2 (%3)")
                                .arg(a.column, a.table,
                                     counted(a.count, "wartość", "wartości", "wartości")));
        }
    }
    if (!result.leftBehind.empty()) {
        if (!lines.isEmpty()) {
            lines << QString();
        }
        lines << QStringLiteral("Nie przeniesiono:");
        for (const LeftBehind& l : result.leftBehind) {
            lines << (l.column.isEmpty() ? QStringLiteral("- tabeli %1: %2").arg(l.table, l.why)
                                         : QStringLiteral("- kolumny %1 tabeli %2: %3")
                                               .arg(l.column, l.table, l.why));
        }
    }
    return lines.join(u'\n');
}

QString keptName(const QString& path, const QString& tag, int n) {
    const QFileInfo info(path);
    QString name = info.completeBaseName() + u'.' + tag;
    if (n > 1) {
        name += u'.' + QString::number(n);
    }
    if (!info.suffix().isEmpty()) {
        name += u'.' + info.suffix();
    }
    return info.dir().filePath(name);
}

}  // namespace jet
