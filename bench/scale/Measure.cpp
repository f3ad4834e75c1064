#include "Scale.h"

#include "data/Mirvola.h"
#include "data/engine/SqlFunctions.h"

#include <QElapsedTimer>
#include <QFile>
#include <QStringList>

#include <sqlite3.h>

#include <QDate>
#include <QVariant>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <stdexcept>

#include <sys/resource.h>

namespace scale {
namespace {

constexpr int kMinRuns = 3;
constexpr int kMaxRuns = 30;
constexpr double kNoRepeatMs = 1000;

double elapsedMs(const QElapsedTimer& timer) {
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

// The first column of the first row of a plain query, as text.
QString firstValue(sqlite3* db, const char* sql) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK) {
        throw std::runtime_error(std::string("lookup failed: ") + sqlite3_errmsg(db));
    }
    QString value;
    if (sqlite3_step(stmt) == SQLITE_ROW) {
        value = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
    }
    sqlite3_finalize(stmt);
    return value;
}

}  // namespace

QString diaryPath(const QString& dir) {
    return dir + QStringLiteral("/Mirvola.mdb");
}

namespace {

// The rows read while a capture is on: the first run of a measurement, for the comparison of
// the program's rows with its twin's.
struct Capture {
    bool on = false;
    std::vector<QStringList> rows;
};

Capture& capture() {
    static Capture c;
    return c;
}

// A value as text, the same for the engine's QVariant and a bare SQLite column: yes/no as -1/0,
// dates as yyyy-MM-dd, whole numbers without a fraction.
QString cellText(const QVariant& v) {
    if (v.isNull()) {
        return QStringLiteral("<Null>");
    }
    switch (v.typeId()) {
        case QMetaType::Bool:
            return v.toBool() ? QStringLiteral("-1") : QStringLiteral("0");
        case QMetaType::QDate:
            return v.toDate().toString(Qt::ISODate);
        case QMetaType::Double: {
            const double d = v.toDouble();
            return d == std::trunc(d) && std::abs(d) < 9e15 ? QString::number(qint64(d))
                                                            : QString::number(d, 'g', 15);
        }
        default:
            return v.toString();
    }
}

QVariant bareValue(sqlite3_stmt* stmt, int i) {
    switch (sqlite3_column_type(stmt, i)) {
        case SQLITE_INTEGER:
            return qlonglong(sqlite3_column_int64(stmt, i));
        case SQLITE_FLOAT:
            return sqlite3_column_double(stmt, i);
        case SQLITE_NULL:
            return QVariant();
        default:
            return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, i)),
                                     sqlite3_column_bytes(stmt, i));
    }
}

}  // namespace

void beginCapture() {
    capture() = Capture{true, {}};
}

std::vector<QStringList> endCapture() {
    capture().on = false;
    return std::move(capture().rows);
}

namespace {

void captureRow(QStringList row) {
    if (capture().on) {
        capture().rows.push_back(std::move(row));
    }
}

}  // namespace

Measurement measure(const std::function<qint64()>& work, double budgetMs) {
    double start = threadCpuMs();
    Measurement result;
    result.rows = work();
    // Only the first run's rows are compared.
    capture().on = false;
    const double first = threadCpuMs() - start;
    if (first > kNoRepeatMs) {
        return {first, 1, result.rows};
    }
    std::vector<double> times;
    QElapsedTimer total;
    total.start();
    while (static_cast<int>(times.size()) < kMinRuns ||
           (elapsedMs(total) < budgetMs && static_cast<int>(times.size()) < kMaxRuns)) {
        start = threadCpuMs();
        result.rows = work();
        times.push_back(threadCpuMs() - start);
    }
    std::sort(times.begin(), times.end());
    result.ms = times[times.size() / 2];
    result.runs = static_cast<int>(times.size());
    return result;
}

Context lookUp(const QString& dir) {
    BareConnection bare(dir);
    sqlite3* db = bare.db;
    Context c;
    c.dir = dir;
    const QString official = firstValue(
        db,
        "SELECT group_concat(Id_rozgrywki, ', ') FROM (SELECT Id_rozgrywki FROM Rozgrywki "
        "WHERE Oficjalny = -1 ORDER BY Id_rozgrywki)");
    c.officialIn = QStringLiteral("(") + official + QStringLiteral(")");
    c.allIn = QStringLiteral("(") +
              firstValue(db,
                         "SELECT group_concat(Id_rozgrywki, ', ') FROM (SELECT Id_rozgrywki "
                         "FROM Rozgrywki ORDER BY Id_rozgrywki)") +
              QStringLiteral(")");
    c.firstCompetition = official.section(u',', 0, 0).toLongLong();
    // Among the official matches with a few goals, so that the viewer and the editor have
    // scorers to show.
    c.middleMatch =
        firstValue(db,
                   "WITH w AS (SELECT m.Id_meczu, s.Sezon, m.Data FROM Mecze m JOIN Rozgrywki r "
                   "ON r.Id_rozgrywki = m.Id_rozgrywki LEFT JOIN Sezony s ON s.Id_sezonu = "
                   "m.Id_sezonu WHERE r.Oficjalny = -1 AND (SELECT count(*) FROM Bramki b WHERE "
                   "b.Id_meczu = m.Id_meczu) >= 3) SELECT Id_meczu FROM w ORDER BY Sezon, Data, "
                   "Id_meczu LIMIT 1 OFFSET (SELECT count(*) / 2 FROM w)")
            .toLongLong();
    c.busyClub = firstValue(db,
                            "SELECT Id_klubu FROM Mecze GROUP BY Id_klubu ORDER BY count(*) "
                            "DESC, Id_klubu LIMIT 1")
                     .toLongLong();
    c.topScorer = firstValue(db,
                             "SELECT b.Id_gracza FROM Bramki b JOIN Jak j ON j.Id_jak = b.Id_jak "
                             "WHERE j.CzySam = 0 AND b.Czy_Mirvola = -1 GROUP BY b.Id_gracza "
                             "ORDER BY count(*) DESC, b.Id_gracza LIMIT 1")
                      .toLongLong();
    c.matchDuplicate = firstValue(
        db, QStringLiteral("SELECT 'Id_sezonu = ' || Id_sezonu || ' AND Data = #' || Data "
                           "|| '# AND Gdzie = ''' || Gdzie || ''' AND Id_klubu = ' || "
                           "Id_klubu || ' AND Wyn1 = ' || Wyn1 || ' AND Wyn2 = ' || Wyn2 "
                           "|| ' AND Id_rozgrywki = ' || Id_rozgrywki FROM Mecze WHERE "
                           "Id_meczu = %1")
                .arg(c.middleMatch)
                .toUtf8()
                .constData());
    return c;
}

double threadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

double processCpuMs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) / 1e3;
    };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

qint64 peakResidentKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return 0;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:")) {
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
        }
    }
    return 0;
}

qint64 engineRows(const QString& sql) {
    const Mirvola::StrazBazy baza(sql);
    engine::Recordset& rs = *Mirvola::rsDane;
    const int fields = rs.fieldCount();
    qint64 rows = 0;
    for (; !rs.eof(); rs.moveNext()) {
        QStringList row;
        for (int i = 0; i < fields; ++i) {
            const QVariant value = rs.value(i);
            if (capture().on) {
                row << cellText(value);
            }
        }
        captureRow(std::move(row));
        ++rows;
    }
    Mirvola::ZamknijBaze();
    return rows;
}

qint64 bareRows(sqlite3* db, const QByteArray& sql) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql.constData(), static_cast<int>(sql.size()), &stmt, nullptr) !=
        SQLITE_OK) {
        throw std::runtime_error(std::string("hand-written query failed: ") + sqlite3_errmsg(db));
    }
    const int columns = sqlite3_column_count(stmt);
    qint64 rows = 0;
    volatile qint64 sink = 0;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        if (capture().on) {
            QStringList row;
            for (int i = 0; i < columns; ++i) {
                row << cellText(bareValue(stmt, i));
            }
            captureRow(std::move(row));
        }
        for (int i = 0; i < columns; ++i) {
            switch (sqlite3_column_type(stmt, i)) {
                case SQLITE_INTEGER:
                    sink = sink + sqlite3_column_int64(stmt, i);
                    break;
                case SQLITE_FLOAT:
                    sink = sink + static_cast<qint64>(sqlite3_column_double(stmt, i));
                    break;
                case SQLITE_TEXT:
                    sink = sink + (sqlite3_column_text(stmt, i) != nullptr) +
                           sqlite3_column_bytes(stmt, i);
                    break;
                default:
                    break;
            }
        }
        ++rows;
    }
    sqlite3_finalize(stmt);
    return rows;
}

sqlite3_stmt* prepared(sqlite3* db, const QByteArray& sql) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql.constData(), static_cast<int>(sql.size()), &stmt, nullptr) !=
        SQLITE_OK) {
        throw std::runtime_error(std::string("hand-written query failed: ") + sqlite3_errmsg(db));
    }
    return stmt;
}

BareConnection::BareConnection(const QString& dir) {
    if (sqlite3_open_v2(QFile::encodeName(diaryPath(dir)).constData(), &db, SQLITE_OPEN_READONLY,
                        nullptr) != SQLITE_OK) {
        throw std::runtime_error("cannot open the diary");
    }
    engine::registerSqlFunctions(db);
}

BareConnection::~BareConnection() {
    sqlite3_close_v2(db);
}

}  // namespace scale
