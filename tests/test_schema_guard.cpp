// A file from elsewhere brings rows, never code: what a schema may hold besides the program's
// own, restores that refuse code, connections on which the schema's code does not run, and
// whole-file work that keeps the schema and the user's own tables and columns.

#include "data/Backup.h"
#include "data/Mirvola.h"
#include "data/engine/Connection.h"
#include "data/engine/Database.h"
#include "data/engine/FileOps.h"
#include "data/engine/SchemaGuard.h"
#include "forms/frmMain.h"
#include "support/Diary.h"
#include "support/EngineError.h"
#include "support/Script.h"
#include "support/WholeFile.h"
#include "support/Widgets.h"

#include <QAction>
#include <QFile>

#include <sqlite3.h>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace testing_support;

namespace {

const QDate kDzien(2026, 12, 7);

// The trigger of a diary that came from elsewhere: the next match saved deletes every goal.
const QString kWyzwalacz =
    u"CREATE TRIGGER t AFTER INSERT ON Mecze BEGIN DELETE FROM Bramki; END"_s;
const QString kWidok = u"CREATE VIEW v AS SELECT * FROM Bramki"_s;

QStringList described(const QString& path) {
    QStringList texts;
    for (const engine::ForeignObject& object : engine::objectsProgramDoesNotCreate(path)) {
        texts << object.describe();
    }
    texts.sort();
    return texts;
}

// Plain SQLite statements on a file, several allowed.
void execIn(const QString& path, const QString& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
    char* error = nullptr;
    const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error);
    EXPECT_EQ(rc, SQLITE_OK) << (error ? error : "") << "\n" << sql.toStdString();
    sqlite3_free(error);
    sqlite3_close(db);
}

QString copyOf(const Diary& d, const QString& name) {
    const QString path = d.dir() + u'/' + name;
    EXPECT_TRUE(QFile::copy(d.path(), path));
    return path;
}

int pragma(sqlite3* db, const char* sql) {
    sqlite3_stmt* raw = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &raw, nullptr);
    const int value = sqlite3_step(raw) == SQLITE_ROW ? sqlite3_column_int(raw, 0) : -1;
    sqlite3_finalize(raw);
    return value;
}

}  // namespace

// ---- what a schema may hold ---------------------------------------------------------------

// A diary of the program, also with the user's own plain table and column, holds nothing to
// report; every kind of code is named, each on its own.
TEST(ForeignSchema, EveryKindOfCodeIsNamedAndPlainAdditionsAreNot) {
    SampleDiary d;
    EXPECT_EQ(described(d.path()), QStringList());
    addUsersOwnData(d.path());
    EXPECT_EQ(described(d.path()), QStringList()) << "the user's own rows are no code";

    const struct {
        QString sql;
        QString named;
    } cases[] = {
        {kWyzwalacz, u"wyzwalacz t (tabela Mecze)"_s},
        {kWidok, u"widok v"_s},
        {u"CREATE VIRTUAL TABLE Szukaj USING fts5(Tekst)"_s, u"tabela wirtualna Szukaj"_s},
        {u"CREATE UNIQUE INDEX Mecze_Data ON Mecze (Data)"_s,
         u"indeks Mecze_Data (tabela Mecze)"_s},
        // The program's name for an index of another kind: duplicate names would pass.
        {u"DROP INDEX Kluby_Druzyna; CREATE INDEX Kluby_Druzyna ON Kluby (Druzyna)"_s,
         u"indeks Kluby_Druzyna (tabela Kluby)"_s},
        {u"ALTER TABLE Mecze ADD COLUMN Roznica INTEGER GENERATED ALWAYS AS (Wyn1 - Wyn2)"_s,
         u"kolumna wyliczana Roznica (tabela Mecze)"_s},
        {u"CREATE TABLE Oceny (Ocena INTEGER CHECK (Ocena > 0))"_s,
         u"warunek CHECK (tabela Oceny)"_s},
        // Deleting a match would be refused.
        {u"CREATE TABLE Bilety (Id_meczu INTEGER REFERENCES Mecze ON DELETE RESTRICT)"_s,
         u"klucz obcy Id_meczu -> Mecze (tabela Bilety)"_s},
        // Deleting a competition would take its matches along.
        {u"CREATE TABLE R (Id_rozgrywki INTEGER PRIMARY KEY AUTOINCREMENT, Nazwa VARCHAR(50), "
         "Oficjalny BOOLEAN NOT NULL DEFAULT 0); DROP TABLE Rozgrywki; "
         "ALTER TABLE R RENAME TO Rozgrywki; "
         "CREATE UNIQUE INDEX Rozgrywki_Nazwa ON Rozgrywki (Nazwa COLLATE NOCASE)"_s,
         u"zmieniona kolumna Oficjalny (tabela Rozgrywki)"_s},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.named.toStdString());
        const QString path = copyOf(d, u"obcy.mdb"_s);
        execIn(path, c.sql);
        EXPECT_EQ(described(path), QStringList{c.named});
        QFile::remove(path);
    }
    const QString wszystko = copyOf(d, u"wszystko.mdb"_s);
    execIn(wszystko, kWyzwalacz + u';' + kWidok);
    const auto connection = engine::Connection::open(wszystko);
    EXPECT_EQ(engine::describeForeignObjects(engine::objectsProgramDoesNotCreate(*connection)),
              u"wyzwalacz t (tabela Mecze), widok v"_s);
}

// ---- restore ------------------------------------------------------------------------------

// The backup of the report: a trigger that deletes every goal and a view. Refused from the
// menu with the objects named; the diary and its folder stay as they were. A backup with the
// user's own table and column is taken, and they come back.
TEST(ForeignSchemaRestore, ABackupWithCodeIsRefusedNamingItAndOneWithRowsIsTaken) {
    SampleDiary d;
    addUsersOwnData(d.path());
    const FixedClock zegar(kDzien);
    const QString kopia = backup::createBackup(d.path(), d.dir() + u"/kopie"_s, kDzien);
    const QString zKodem = d.dir() + u"/kopie/z-kodem.mdb"_s;
    ASSERT_TRUE(QFile::copy(kopia, zKodem));
    execIn(zKodem, kWyzwalacz + u';' + kWidok);
    execIn(d.path(), u"DELETE FROM Notatki WHERE Id = 3; UPDATE Mecze SET Widzowie = 7"_s);

    frmMain okno;
    QAction* przywroc = child<QAction>(okno, "itmPrzywrocZKopii");
    const QByteArray przed = fileHash(d.path());
    const QStringList pliki = filesIn(d.dir());
    Script s;
    s.file(u"Przywróć z kopii"_s, zKodem);
    s.message({u"Komunikat"_s,
               u"Plik '%1' nie jest kopią dziennika programu Mirvola: zawiera obiekty, których "
               "program nie tworzy, a które mogłyby zmieniać lub usuwać dane dziennika: "
               "wyzwalacz t (tabela Mecze), widok v.\nDziennik nie został zmieniony."_s.arg(zKodem),
               ui::Buttons::Ok, ui::Icon::Exclamation, ui::Answer::Ok},
              ui::Answer::Ok);
    przywroc->trigger();
    s.verify();
    EXPECT_EQ(fileHash(d.path()), przed);
    EXPECT_EQ(filesIn(d.dir()), pliki);
    EXPECT_EQ(errorOf([&] { backup::restoreBackup(zKodem, d.path()); }), engine::err::NotADatabase);
    EXPECT_EQ(fileHash(d.path()), przed);

    // The question and the acknowledgement of a restore are tested with the backups.
    s.intercept = [](const ui::Message& m) -> std::optional<ui::Answer> {
        if (m.title == u"Pytanie"_s) {
            return ui::Answer::Yes;
        }
        return m.title == u"Info"_s ? std::optional(ui::Answer::Ok) : std::nullopt;
    };
    s.file(u"Przywróć z kopii"_s, kopia);
    przywroc->trigger();
    s.verify();
    EXPECT_EQ(schemaOf(d.path()), schemaOf(kopia));
    EXPECT_EQ(everyRow(d.path()), everyRow(kopia));
    EXPECT_EQ(rowsOf(d.path(), u"SELECT count(*) FROM Notatki"_s).front().front(), u"3"_s);
}

// ---- connections --------------------------------------------------------------------------

// A diary that already holds a trigger and a view (restored by an older version): the program's
// writes do not set the trigger off, the view cannot be read, and the goals still go with their
// match through the cascading reference.
TEST(GuardedConnections, TriggersAndViewsOfTheFileNeverRun) {
    SampleDiary d;
    d.exec(kWyzwalacz + u';' + kWidok);
    const long long bramki = d.count(u"Bramki"_s);
    ASSERT_GT(bramki, 0);
    {
        const auto db = engine::Database::open(d.path());
        db->execute(
            u"INSERT INTO Mecze (Id_sezonu, Data, Gdzie, Id_klubu, Wyn1, Wyn2, Id_rozgrywki) "
            "VALUES (1, #2003-05-04#, 'D', 1, 1, 0, 1)"_s);
        EXPECT_EQ(d.count(u"Bramki"_s), bramki) << "the trigger ran";
        EXPECT_NE(errorOf([&] { db->openRecordset(u"SELECT * FROM v"_s); }), 0);
    }
    const long long goalsOfFirst =
        d.value(u"SELECT count(*) FROM Bramki WHERE Id_meczu = 1"_s).toLongLong();
    ASSERT_GT(goalsOfFirst, 0);
    Mirvola::WykonajSQL(u"DELETE FROM Mecze WHERE Id_meczu = 1"_s);
    EXPECT_EQ(d.count(u"Bramki"_s), bramki - goalsOfFirst);
}

// Code in a table's definition may call only what SQLite deems harmless: a function of the
// process that is not marked so never runs from the schema, though it runs when called
// directly. And the schema cannot be rewritten from SQL (the defensive mode) except by the
// repair's reading of a damaged file.
TEST(GuardedConnections, TheSchemaCallsNoUntrustedFunctionAndCannotBeRewritten) {
    Diary d;
    // A function of the process, not marked innocuous, that counts its calls.
    const auto podglad = [](sqlite3* db, int* calls) {
        return sqlite3_create_function_v2(
            db, "podglad", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, calls,
            [](sqlite3_context* context, int, sqlite3_value**) {
                ++*static_cast<int*>(sqlite3_user_data(context));
                sqlite3_result_int(context, 1);
            },
            nullptr, nullptr, nullptr);
    };
    {
        // SQLite takes a CHECK only with the function known.
        sqlite3* db = nullptr;
        int unused = 0;
        ASSERT_EQ(sqlite3_open(QFile::encodeName(d.path()).constData(), &db), SQLITE_OK);
        ASSERT_EQ(podglad(db, &unused), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db, "CREATE TABLE Notatki (Tresc TEXT CHECK (podglad(Tresc)))",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(db);
    }
    const auto connection = engine::Connection::open(d.path());
    int calls = 0;
    ASSERT_EQ(podglad(connection->handle(), &calls), SQLITE_OK);
    EXPECT_NE(errorOf([&] { connection->exec("INSERT INTO Notatki VALUES ('x')"); }), 0);
    EXPECT_EQ(calls, 0) << "the schema called an untrusted function";
    connection->exec("SELECT podglad('y')");
    EXPECT_EQ(calls, 1);

    const QStringList schema = schemaOf(d.path());
    EXPECT_NE(errorOf([&] {
                  connection->exec(
                      "PRAGMA writable_schema = ON; UPDATE sqlite_master SET sql = "
                      "'CREATE TABLE Notatki (Tresc TEXT)' WHERE name = 'Notatki'");
              }),
              0);
    EXPECT_EQ(schemaOf(d.path()), schema);

    const auto salvage = engine::Connection::open(d.path(), engine::Connection::Mode::Salvage);
    EXPECT_EQ(pragma(salvage->handle(), "PRAGMA writable_schema"), 1);
    EXPECT_EQ(pragma(salvage->handle(), "PRAGMA trusted_schema"), 0);
    const auto fresh = engine::Connection::openNew(d.dir() + u"/nowy.mdb"_s);
    EXPECT_EQ(pragma(fresh->handle(), "PRAGMA trusted_schema"), 0);
}

// ---- whole-file work ----------------------------------------------------------------------

// Compaction, a backup and a restore keep the whole schema (indexes, references, user_version,
// application_id) and every row, also of the user's own table and column.
TEST(WholeFileSchema, CompactionBackupAndRestoreKeepTheSchemaAndTheUsersData) {
    SampleDiary d;
    addUsersOwnData(d.path());
    const QStringList schema = schemaOf(d.path());
    const QStringList rows = everyRow(d.path());
    ASSERT_TRUE(schema.contains(u"user_version=1"_s) &&
                schema.contains(u"application_id=1297499202"_s));
    ASSERT_TRUE(rows.contains(u"Notatki|integer:3|text:Trzecia – żółć|real:-1.0"_s))
        << rows.join(u'\n').toStdString();
    // What the comparisons must find again, named here once.
    const auto indexes = [&] {
        return rowsOf(d.path(),
                      u"SELECT name FROM sqlite_master WHERE type = 'index' AND sql "
                      "IS NOT NULL ORDER BY name"_s);
    };
    const auto cascade = [&] {
        return rowsOf(d.path(),
                      u"SELECT \"table\", \"from\", on_delete FROM "
                      "pragma_foreign_key_list('Bramki')"_s);
    };
    const std::vector<QStringList> ownIndexes{qs({"Bramki_Id_gracza"}), qs({"Jak_Jak"}),
                                              qs({"Kluby_Druzyna"}),    qs({"Mecze_Id_klubu"}),
                                              qs({"Mecze_Id_sezonu"}),  qs({"Rozgrywki_Nazwa"}),
                                              qs({"Sezony_Sezon"})};
    const std::vector<QStringList> ownCascade{qs({"Mecze", "Id_meczu", "CASCADE"})};
    ASSERT_EQ(indexes(), ownIndexes);
    ASSERT_EQ(cascade(), ownCascade);

    engine::compactInPlace(d.path());
    EXPECT_EQ(schemaOf(d.path()), schema) << "compaction";
    EXPECT_EQ(everyRow(d.path()), rows) << "compaction";

    const QString kopia = backup::createBackup(d.path(), d.dir() + u"/kopie"_s, kDzien);
    EXPECT_EQ(schemaOf(kopia), schema) << "backup";
    EXPECT_EQ(everyRow(kopia), rows) << "backup";

    execIn(d.path(), u"DROP TABLE Notatki; DROP INDEX Mecze_Id_klubu; PRAGMA user_version = 0"_s);
    backup::restoreBackup(kopia, d.path());
    EXPECT_EQ(schemaOf(d.path()), schema) << "restore";
    EXPECT_EQ(everyRow(d.path()), rows) << "restore";
    EXPECT_EQ(indexes(), ownIndexes);
    EXPECT_EQ(cascade(), ownCascade);
}
