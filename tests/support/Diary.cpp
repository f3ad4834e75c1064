#include "support/Diary.h"

#include "data/Mirvola.h"
#include "data/engine/FileOps.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <memory>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace testing_support {
namespace {

struct Handle {
    sqlite3* db = nullptr;
    ~Handle() { sqlite3_close(db); }
};

std::unique_ptr<Handle> openRaw(const QString& path) {
    auto h = std::make_unique<Handle>();
    if (sqlite3_open_v2(path.toUtf8().constData(), &h->db, SQLITE_OPEN_READWRITE, nullptr) !=
        SQLITE_OK) {
        ADD_FAILURE() << "cannot open " << path.toStdString();
    }
    sqlite3_exec(h->db, "PRAGMA foreign_keys = ON", nullptr, nullptr, nullptr);
    return h;
}

}  // namespace

std::vector<QStringList> rowsOf(sqlite3* db, const QString& sql) {
    std::vector<QStringList> result;
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &stmt, nullptr) != SQLITE_OK) {
        ADD_FAILURE() << "query failed: " << sqlite3_errmsg(db) << "\n" << sql.toStdString();
        return result;
    }
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        QStringList row;
        for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
            row << (text ? QString::fromUtf8(text) : u"NULL"_s);
        }
        result.push_back(row);
    }
    if (rc != SQLITE_DONE) {
        ADD_FAILURE() << "query failed: " << sqlite3_errmsg(db) << "\n" << sql.toStdString();
    }
    sqlite3_finalize(stmt);
    return result;
}

QByteArray fileHash(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&file);
    return hash.result().toHex();
}

QStringList filesIn(const QString& directory) {
    return QDir(directory).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

struct stat statOf(const QString& path) {
    struct stat s {};
    EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &s), 0) << path.toStdString();
    return s;
}

QStringList dumpDiary(const QString& path) {
    const auto handle = openRaw(path);
    QStringList lines;
    for (const char* table : {"Sezony", "Kluby", "Rozgrywki", "Jak", "Gracze", "Mecze", "Bramki"}) {
        const QString name = QLatin1String(table);
        const QString order = name == u"Bramki"_s ? u"1, 2"_s : u"1"_s;
        for (const QStringList& row :
             rowsOf(handle->db, u"SELECT * FROM "_s + name + u" ORDER BY "_s + order)) {
            lines << name + u'|' + row.join(u'|');
        }
    }
    // Tables of the user's own go through every operation too.
    for (const QStringList& table :
         rowsOf(handle->db,
                u"SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT "
                "LIKE 'sqlite_%' AND name NOT IN ('Sezony', 'Kluby', 'Rozgrywki', "
                "'Jak', 'Gracze', 'Mecze', 'Bramki') ORDER BY name"_s)) {
        for (const QStringList& row :
             rowsOf(handle->db, u"SELECT rowid, * FROM \""_s + table[0] + u"\" ORDER BY rowid"_s)) {
            lines << table[0] + u'|' + row.join(u'|');
        }
    }
    return lines;
}

std::vector<QStringList> rowsOf(const QString& path, const QString& sql) {
    return rowsOf(openRaw(path)->db, sql);
}

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

Diary::Diary() {
    EXPECT_TRUE(m_dir.isValid());
    Mirvola::UstawKatalogProgramu(m_dir.path());
    engine::createDatabase(path());
}

Diary::~Diary() = default;

QString Diary::dir() const {
    return m_dir.path();
}

QString Diary::path() const {
    return m_dir.path() + u"/Mirvola.mdb"_s;
}

void Diary::exec(const QString& sql) const {
    auto h = openRaw(path());
    char* error = nullptr;
    if (sqlite3_exec(h->db, sql.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK) {
        ADD_FAILURE() << "fixture SQL failed: " << (error ? error : "?") << "\n"
                      << sql.toStdString();
        sqlite3_free(error);
    }
}

std::vector<QStringList> Diary::rows(const QString& sql) const {
    return rowsOf(path(), sql);
}

QStringList Diary::column(const QString& sql) const {
    QStringList result;
    for (const QStringList& row : rows(sql)) {
        result << row.value(0);
    }
    return result;
}

QVariant Diary::value(const QString& sql) const {
    const auto r = rows(sql);
    if (r.empty() || r.front().isEmpty() || r.front().front() == u"NULL"_s) {
        return QVariant();
    }
    return r.front().front();
}

long long Diary::count(const QString& table) const {
    return value(u"SELECT count(*) FROM "_s + table).toLongLong();
}

void Diary::fillSample() const {
    exec(QStringLiteral(R"SQL(
INSERT INTO Sezony (Id_sezonu, Sezon) VALUES (1, '2001/02'), (2, '2002/03');
INSERT INTO Kluby (Id_klubu, Druzyna) VALUES (1, 'Legia'), (2, 'Wisła'), (3, 'Łódzki KS'),
  (4, 'O''Higgins');
INSERT INTO Rozgrywki (Id_rozgrywki, Nazwa, Oficjalny) VALUES (1, 'Liga', -1), (2, 'Puchar', -1),
  (3, 'Sparing', 0);
INSERT INTO Jak (Id_jak, Jak, CzySam) VALUES (1, 'z gry', 0), (2, 'karny', 0),
  (3, 'samobójczy', -1);
INSERT INTO Gracze (Id_gracza, Imie, Nazwisko, Przydomek) VALUES
  (1, 'Jan', 'Kowalski', 'Kowal'), (2, 'Adam', 'Nowak', NULL), (3, NULL, NULL, 'Ronaldinho'),
  (4, 'Piotr', 'Żuk', NULL), (5, 'Sean', 'O''Neil', NULL);
INSERT INTO Mecze (Id_meczu, Id_sezonu, Data, Gdzie, Id_klubu, Wyn1, Wyn2, Id_rozgrywki,
  Komentarz) VALUES
  (1, 1, '2001-08-05', 'D', 1, 2, 1, 1, 'Pierwszy mecz'),
  (2, 1, '2002-05-05', 'W', 2, 1, 2, 1, NULL),
  (3, 2, '2002-09-01', 'N', 3, 0, 0, 3, 'Sparing' || char(13) || char(10) || 'w deszczu'),
  (4, 2, '2003-03-15', 'D', 4, 3, 3, 2, NULL),
  (5, 2, '2003-04-20', 'W', 1, NULL, NULL, 1, NULL);
INSERT INTO Bramki (Id_meczu, Nr_pozycji, Czy_Mirvola, Id_gracza, Minuta, Id_jak) VALUES
  (1, 1, -1, 1, 10, 1), (1, 2, -1, 2, 50, 2), (1, 3, 0, 3, 30, 1),
  (2, 1, 0, 3, 7, 1), (2, 2, -1, 1, 20, 1), (2, 3, -1, 4, 88, 3),
  (4, 1, -1, 5, 1, 1), (4, 2, 0, 3, 45, 2);
)SQL"));
}

}  // namespace testing_support
