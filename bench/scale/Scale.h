#pragma once

// The scale benchmark: every query a window issues and the opening and refilling of the heavy
// windows, on demo diaries of several sizes, with each query beside the same rows written by
// hand for SQLite and run through the bare C API.
//
// The parent process builds the diaries and runs every measurement in a child process of its
// own, so that a runaway measurement can be stopped without losing the others and each child's
// peak memory is its own.

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <functional>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace scale {

// What a measurement needs to know of the diary it runs on, looked up with plain SQLite.
struct Context {
    QString dir;                  // the program's directory: the diary is dir + "/Mirvola.mdb"
    qint64 middleMatch = 0;       // the official match in the middle of the season/date order
    qint64 busyClub = 0;          // the opponent met most often
    qint64 topScorer = 0;         // the home club's top scorer of regular goals
    QString officialIn;           // "(1, 2, 3)": the official competitions
    QString allIn;                // every competition
    qint64 firstCompetition = 0;  // an official competition, for single-competition filters
    QString matchDuplicate;       // the condition that finds the middle match by its values
};
Context lookUp(const QString& dir);
QString diaryPath(const QString& dir);

struct Measurement {
    double ms = 0;  // median CPU time of one run
    int runs = 0;
    qint64 rows = 0;  // what the work reported (rows read, rows listed)
};

// Runs `work` once to warm caches and the file, then again until about `budgetMs` are spent
// (at least three runs, at most thirty) and returns the median CPU time of the calling thread.
// A first run of more than a second is reported as it is, without repetition.
Measurement measure(const std::function<qint64()>& work, double budgetMs = 400);

// One row of the table: the program's way and, for queries, the hand-written twin.
struct Item {
    QString name;
    std::function<Measurement(const Context&)> program;
    std::function<Measurement(const Context&)> twin;  // empty for windows and steps
};
std::vector<Item> queryItems();
std::vector<Item> windowItems();

// Child-process work that is not one item: the cold start and a whole session, both ending
// with the process's peak resident memory.
int coldStartChild(const QString& dir);
int sessionChild(const QString& dir);

// VmHWM of this process in kB.
qint64 peakResidentKb();
// CPU time of the calling thread, which does all the work of a measurement (SQLite and the
// offscreen windows run in it): unlike the wall clock it leaves out the time that other
// programs take on a busy machine.
double threadCpuMs();
// User and system CPU time of this process so far.
double processCpuMs();

// ---- helpers shared by the query items

// Opens the diary the program's way (Mirvola::OtworzBaze), reads every column of every row and
// closes it again; returns the number of rows.
qint64 engineRows(const QString& sql);
// The rows read by engineRows and bareRows from beginCapture() to the end of the first run of
// the next measurement, as text: the program's rows and its twin's are compared once per run.
void beginCapture();
std::vector<QStringList> endCapture();

// Prepares `sql` on an open bare connection, reads every column of every row, finalizes; a
// query that SQLite refuses throws.
qint64 bareRows(sqlite3* db, const QByteArray& sql);
// A prepared statement of `sql`; a query that SQLite refuses throws.
sqlite3_stmt* prepared(sqlite3* db, const QByteArray& sql);
// A bare connection to the diary, read-only, with the engine's collation registered (names
// must sort in the Polish order in the hand-written queries too).
struct BareConnection {
    explicit BareConnection(const QString& dir);
    ~BareConnection();
    BareConnection(const BareConnection&) = delete;
    BareConnection& operator=(const BareConnection&) = delete;
    sqlite3* db = nullptr;
};

}  // namespace scale
