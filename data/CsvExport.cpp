#include "data/CsvExport.h"

#include "data/engine/Connection.h"
#include "data/engine/Error.h"
#include "data/engine/FileBuild.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QScopeGuard>

#include <sqlite3.h>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace csv {
namespace {

using engine::quotedPath;

bool needsQuotes(const QString& field) {
    for (const QChar c : field) {
        if (c == u';' || c == u'"' || c == u'\r' || c == u'\n') {
            return true;
        }
    }
    return false;
}

// Values a spreadsheet is meant to read as what they are: whole numbers ("-5" is a number, not a
// formula), decimals with the Polish comma, percentages and dates as the lists show them.
bool meantAsValue(const QString& field) {
    static const QRegularExpression value(QStringLiteral(
        R"(^(-?(0|[1-9]\d{0,14})(,\d+)?%?|\d{4}-(0[1-9]|1[0-2])-(0[1-9]|[12]\d|3[01]))$)"));
    return value.match(field).hasMatch();
}

// A text that a spreadsheet would run as a formula, or turn into a time ("1:1"), a date
// ("12 maja 2005"), a number ("1e5", "(5)", "1 000"), a sum of money ("5 zł") or a truth value.
bool spreadsheetWouldConvert(const QString& field) {
    static const QRegularExpression convertible(
        QStringLiteral(R"(^[=+\-@\t\r]|\d|^\s*(prawda|fałsz|true|false)\s*$)"),
        QRegularExpression::CaseInsensitiveOption);
    return !field.isEmpty() && !meantAsValue(field) && convertible.match(field).hasMatch();
}

// The cell's text as the spreadsheet must keep it. An invisible word joiner in front stops the
// spreadsheet's guessing, whatever its import settings: quotes would not (LibreOffice converts
// quoted fields too), an apostrophe would stay visible, and a formula such as ="1:1" would be
// shown as it is by an import that does not evaluate formulas.
QString asText(const QString& field) {
    return spreadsheetWouldConvert(field) ? kTextMark + field : field;
}

void appendField(QString& out, const QString& rawField) {
    const QString field = asText(rawField);
    if (!needsQuotes(field)) {
        out += field;
        return;
    }
    QString doubled = field;
    doubled.replace(u'"', QStringLiteral("\"\""));
    out += u'"' + doubled + u'"';
}

void appendLine(QString& out, const QStringList& fields) {
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0) {
            out += u';';
        }
        appendField(out, fields[i]);
    }
    out += QStringLiteral("\r\n");
}

// What went wrong, in words a user can act on: a file that cannot be made where no folder is.
QString reason(int code) {
    return code == ENOENT ? QStringLiteral("katalog nie istnieje") : engine::systemErrorText(code);
}

engine::Error writeError(const QString& path, int code) {
    return engine::Error(engine::err::DiskError, QStringLiteral("Nie można zapisać pliku ") +
                                                     quotedPath(path) + QStringLiteral(": ") +
                                                     reason(code) + u'.');
}

// A stored value as a spreadsheet cell: Null is an empty cell, numbers without any grouping.
QString cell(sqlite3_stmt* statement, int column) {
    switch (sqlite3_column_type(statement, column)) {
        case SQLITE_NULL:
            return QString();
        case SQLITE_INTEGER:
            return QString::number(sqlite3_column_int64(statement, column));
        case SQLITE_FLOAT:
            return QString::number(sqlite3_column_double(statement, column), 'g',
                                   QLocale::FloatingPointShortest);
        default:
            return QString::fromUtf8(
                reinterpret_cast<const char*>(sqlite3_column_text(statement, column)),
                sqlite3_column_bytes(statement, column));
    }
}

Table readTable(const engine::Connection& connection, const QString& name) {
    engine::Statement select(connection, QStringLiteral("SELECT * FROM ") +
                                             engine::files::quotedName(name) +
                                             QStringLiteral(" ORDER BY rowid"));
    Table table;
    const int columns = sqlite3_column_count(select.get());
    for (int i = 0; i < columns; ++i) {
        table.header << QString::fromUtf8(sqlite3_column_name(select.get(), i));
    }
    while (select.step()) {
        QStringList row;
        row.reserve(columns);
        for (int i = 0; i < columns; ++i) {
            row << cell(select.get(), i);
        }
        table.rows.push_back(std::move(row));
    }
    return table;
}

}  // namespace

QByteArray encode(const Table& table) {
    QString text;
    appendLine(text, table.header);
    for (const QStringList& row : table.rows) {
        appendLine(text, row);
    }
    return QByteArrayLiteral("\xEF\xBB\xBF") + text.toUtf8();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    const QFileInfo target(path);
    QByteArray temporary = QFile::encodeName(target.absolutePath() + QStringLiteral("/.") +
                                             target.fileName() + QStringLiteral(".XXXXXX"));
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        throw writeError(path, errno);
    }
    bool published = false;
    const auto cleanUp = qScopeGuard([&] {
        if (!published) {
            ::unlink(temporary.constData());
        }
    });
    // The new file gets the permissions of the one it replaces, or those of any new file.
    struct stat existing {};
    mode_t mode = 0;
    if (::stat(QFile::encodeName(path).constData(), &existing) == 0) {
        mode = existing.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    int failure = ::fchmod(fd, mode) == 0 ? 0 : errno;
    for (qsizetype done = 0; failure == 0 && done < bytes.size();) {
        const ssize_t n =
            ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n < 0 && errno != EINTR) {
            failure = errno;
        } else if (n > 0) {
            done += n;
        }
    }
    // The rename below must never publish a file whose contents are still only cached.
    if (failure == 0 && ::fsync(fd) != 0) {
        failure = errno;
    }
    if (::close(fd) != 0 && failure == 0) {
        failure = errno;
    }
    if (failure == 0 && ::rename(temporary.constData(), QFile::encodeName(path).constData()) != 0) {
        failure = errno;
    }
    if (failure != 0) {
        throw writeError(path, failure);
    }
    published = true;
}

QStringList exportDiary(const QString& diaryPath, const QString& dir, bool overwrite) {
    const auto connection = engine::Connection::open(diaryPath, engine::Connection::Mode::ReadOnly);
    const QStringList tables = engine::files::tableNames(*connection);
    const QDir folder(dir);
    QStringList paths;
    for (const QString& table : tables) {
        paths << folder.filePath(table + QStringLiteral(".csv"));
    }
    if (!overwrite) {
        for (const QString& path : paths) {
            if (QFileInfo::exists(path)) {
                throw engine::Error(
                    engine::err::DestinationExists,
                    QStringLiteral("Plik ") + quotedPath(path) + QStringLiteral(" już istnieje."));
            }
        }
    }
    if (!QDir().mkpath(dir)) {
        throw engine::Error(
            engine::err::CannotOpen,
            QStringLiteral("Nie można utworzyć katalogu ") + quotedPath(dir) + u'.');
    }
    for (qsizetype i = 0; i < tables.size(); ++i) {
        writeFile(paths[i], encode(readTable(*connection, tables[i])));
    }
    return paths;
}

}  // namespace csv
