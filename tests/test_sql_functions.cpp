// The old engine's SQL semantics, executed: every text goes through the translator and runs on
// a real diary file with the program's schema and the registered functions.
#include "data/engine/Error.h"
#include "data/engine/SqlFunctions.h"
#include "data/engine/SqlTranslator.h"

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <vector>

using namespace Qt::Literals::StringLiterals;

// Readable values in failure messages.
void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace {

// A diary with the schema on a raw connection that has the SQL functions registered.
class SqlDb {
  public:
    SqlDb() {
        EXPECT_TRUE(m_dir.isValid());
        const QByteArray path = (m_dir.path() + u"/Mirvola.mdb"_s).toUtf8();
        EXPECT_EQ(sqlite3_open(path.constData(), &m_db), SQLITE_OK);
        engine::registerSqlFunctions(m_db);
        QFile schema(u":/data/schema.sql"_s);
        EXPECT_TRUE(schema.open(QIODevice::ReadOnly));
        // One transaction: a file write per statement would make every test slow.
        execPlain(u"BEGIN;"_s + QString::fromUtf8(schema.readAll()) + u";COMMIT;"_s);
    }
    ~SqlDb() { sqlite3_close(m_db); }

    void execPlain(const QString& sql) const {
        char* error = nullptr;
        if (sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK) {
            ADD_FAILURE() << error << "\n" << sql.toStdString();
            sqlite3_free(error);
        }
    }

    // Translates an old-dialect text and runs it; each value as text, "NULL" for Null.
    std::vector<QStringList> rows(const QString& oldSql) const {
        const QString sql = engine::SqlTranslator::translate(oldSql);
        std::vector<QStringList> result;
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(m_db, sql.toUtf8().constData(), -1, &stmt, nullptr) != SQLITE_OK) {
            ADD_FAILURE() << sqlite3_errmsg(m_db) << "\n" << sql.toStdString();
            return result;
        }
        int rc;
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            QStringList row;
            for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
                row << (sqlite3_column_type(stmt, i) == SQLITE_NULL
                            ? u"NULL"_s
                            : QString::fromUtf8(
                                  reinterpret_cast<const char*>(sqlite3_column_text(stmt, i))));
            }
            result.push_back(row);
        }
        if (rc != SQLITE_DONE) {
            ADD_FAILURE() << sqlite3_errmsg(m_db) << "\n" << sql.toStdString();
        }
        sqlite3_finalize(stmt);
        return result;
    }

    // The first column of every row.
    QStringList column(const QString& oldSql) const {
        QStringList values;
        for (const QStringList& row : rows(oldSql)) {
            values << row.value(0);
        }
        return values;
    }

    QString scalar(const QString& oldSql) const { return column(oldSql).value(0); }

    QStringList columnNames(const QString& oldSql) const {
        const QString sql = engine::SqlTranslator::translate(oldSql);
        sqlite3_stmt* stmt = nullptr;
        QStringList names;
        if (sqlite3_prepare_v2(m_db, sql.toUtf8().constData(), -1, &stmt, nullptr) == SQLITE_OK) {
            for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
                names << QString::fromUtf8(sqlite3_column_name(stmt, i));
            }
        }
        sqlite3_finalize(stmt);
        return names;
    }

    // Runs a translated text that SQLite must refuse; returns SQLite's message.
    QString failure(const QString& oldSql) const {
        const QString sql = engine::SqlTranslator::translate(oldSql);
        char* error = nullptr;
        const int rc = sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &error);
        const QString message = QString::fromUtf8(error ? error : "");
        sqlite3_free(error);
        EXPECT_NE(rc, SQLITE_OK) << sql.toStdString();
        return message;
    }

    sqlite3* handle() const { return m_db; }

  private:
    QTemporaryDir m_dir;
    sqlite3* m_db = nullptr;
};

class SqlFunctions : public ::testing::Test {
  protected:
    void SetUp() override {
        db.execPlain(
            uR"(BEGIN;
INSERT INTO Gracze (Id_gracza, Imie, Nazwisko, Przydomek) VALUES
  (1, 'Jan', 'Kowalski', 'Kowal'), (2, 'Adam', 'Nowak', NULL), (3, NULL, NULL, 'Ronaldinho'),
  (4, 'Piotr', 'Żuk', NULL), (5, 'Zenon', 'Łata', NULL), (6, 'Ewa', 'Lis', NULL),
  (7, 'Olga', 'Śliwa', NULL), (8, 'Ola', 'Sowa', NULL), (9, 'Zofia', 'Źrebiec', NULL),
  (10, 'Ala', 'zając', NULL), (11, 'Ignacy', 'ŁĄCKI', NULL), (12, 'Adam', 'Nowak', 'Mały');
INSERT INTO Sezony (Id_sezonu, Sezon) VALUES (1, '2002/03'), (2, '1999/00'), (3, '2001/02');
INSERT INTO Rozgrywki (Id_rozgrywki, Nazwa, Oficjalny) VALUES (1, 'Liga', -1), (2, 'Sparing', 0);
INSERT INTO Kluby (Id_klubu, Druzyna) VALUES (1, 'Legia'), (2, 'Wisła');
INSERT INTO Mecze (Id_meczu, Id_sezonu, Data, Gdzie, Id_klubu, Wyn1, Wyn2, Id_rozgrywki)
  VALUES (1, 1, '2002-09-01', 'D', 1, 2, 1, 1), (2, 1, '2003-03-31', 'W', 2, 1, 2, 1),
  (3, 3, '2001-10-10', 'N', 1, 0, 0, 2), (4, 2, '1999-08-08', 'W', 2, NULL, NULL, 1);
COMMIT;)"_s);
    }

    SqlDb db;
};

TEST_F(SqlFunctions, ConcatenationCountsNullAsEmptyAndBindsBelowArithmetic) {
    EXPECT_EQ(db.scalar(u"SELECT 'a' & 1+2"_s), u"a3"_s);
    EXPECT_EQ(db.scalar(u"SELECT 2*3 & 'x' & 10/4"_s), u"6x2.5"_s);
    EXPECT_EQ(db.scalar(u"SELECT Null & 'x'"_s), u"x"_s);
    EXPECT_EQ(db.scalar(u"SELECT Null & Null"_s), u"NULL"_s);
    EXPECT_EQ(db.scalar(u"SELECT Null & Null & Null"_s), u"NULL"_s);
    EXPECT_EQ(db.scalar(u"SELECT Null & Null & 'z' & Null"_s), u"z"_s);
    // A comparison takes the joined text, not a part of it.
    EXPECT_EQ(db.scalar(u"SELECT IIf('a' & 'b' = 'ab', 1, 0)"_s), u"1"_s);
    // Scores join without decimals, a missing score counts as empty text.
    EXPECT_EQ(db.column(u"SELECT Wyn1 & ':' & Wyn2 AS Wynik FROM Mecze ORDER BY Id_meczu"_s),
              (QStringList{u"2:1"_s, u"1:2"_s, u"0:0"_s, u":"_s}));
    EXPECT_EQ(db.scalar(u"SELECT 1.5 & '|' & 3.0"_s), u"1.5|3"_s);
}

TEST_F(SqlFunctions, IIfIsNullAndTrueFalse) {
    EXPECT_EQ(db.scalar(u"SELECT IIf(1 > 2, 'tak', 'nie')"_s), u"nie"_s);
    EXPECT_EQ(db.scalar(u"SELECT IIf(Null, 'tak', 'nie')"_s), u"nie"_s);
    EXPECT_EQ(db.scalar(u"SELECT IIf(True, 'tak', 'nie')"_s), u"tak"_s);
    EXPECT_EQ(db.scalar(u"SELECT True"_s), u"-1"_s);
    EXPECT_EQ(db.scalar(u"SELECT False"_s), u"0"_s);
    // A comparison used as a value is the old engine's True.
    EXPECT_EQ(db.scalar(u"SELECT (2 > 1)"_s), u"-1"_s);
    EXPECT_EQ(db.scalar(u"SELECT IsNull(Null)"_s), u"-1"_s);
    EXPECT_EQ(db.scalar(u"SELECT IsNull(5)"_s), u"0"_s);
    EXPECT_EQ(db.column(u"SELECT Przydomek FROM Gracze WHERE IsNull(Nazwisko) = True"_s),
              QStringList{u"Ronaldinho"_s});
    EXPECT_EQ(db.column(u"SELECT Id_gracza FROM Gracze WHERE IsNull(Przydomek) = False "
                        u"ORDER BY Id_gracza"_s),
              (QStringList{u"1"_s, u"3"_s, u"12"_s}));
    // A yes/no column alone as the condition.
    EXPECT_EQ(db.column(u"SELECT IIf((Rozgrywki.Oficjalny), 'oficjalne', Nazwa) FROM Rozgrywki "
                        u"ORDER BY Id_rozgrywki"_s),
              (QStringList{u"oficjalne"_s, u"Sparing"_s}));
    EXPECT_EQ(db.column(u"SELECT Nazwa FROM Rozgrywki WHERE Oficjalny In (False, True) "
                        u"ORDER BY Nazwa DESC"_s),
              (QStringList{u"Sparing"_s, u"Liga"_s}));
    EXPECT_EQ(db.column(u"SELECT Nazwa FROM Rozgrywki WHERE Oficjalny = False"_s),
              QStringList{u"Sparing"_s});
    EXPECT_EQ(db.column(u"SELECT Nazwa FROM Rozgrywki WHERE Not Oficjalny = True"_s),
              QStringList{u"Sparing"_s});
}

TEST_F(SqlFunctions, TrimCountAggregatesAndNullTests) {
    EXPECT_EQ(db.scalar(u"SELECT '[' & Trim('  a b  ') & ']'"_s), u"[a b]"_s);
    EXPECT_EQ(db.scalar(u"SELECT Count(*) FROM Mecze"_s), u"4"_s);
    EXPECT_EQ(db.scalar(u"SELECT Count(Wyn1) FROM Mecze"_s), u"3"_s);
    EXPECT_EQ(db.rows(u"SELECT Sum(Wyn1), Min(Data), Max(Data), Avg(Wyn2) FROM Mecze"_s).at(0),
              (QStringList{u"3"_s, u"1999-08-08"_s, u"2003-03-31"_s, u"1.0"_s}));
    EXPECT_EQ(db.scalar(u"SELECT Count(*) FROM Gracze WHERE Nazwisko Is Not Null"_s), u"11"_s);
    EXPECT_EQ(db.scalar(u"SELECT Count(*) FROM Gracze WHERE Nazwisko Is Null"_s), u"1"_s);
    EXPECT_EQ(db.column(u"SELECT Id_meczu FROM Mecze WHERE Gdzie In ('D','N') ORDER BY 1"_s),
              (QStringList{u"1"_s, u"3"_s}));
    EXPECT_EQ(db.column(u"SELECT Id_meczu FROM Mecze WHERE Gdzie Not In ('d') ORDER BY 1"_s),
              (QStringList{u"2"_s, u"3"_s, u"4"_s}));
    EXPECT_EQ(db.column(u"SELECT Id_meczu FROM Mecze WHERE Wyn1 Between 1 And 2 ORDER BY 1"_s),
              (QStringList{u"1"_s, u"2"_s}));
}

TEST_F(SqlFunctions, ComparisonsWithNullAreNeverTrue) {
    EXPECT_EQ(db.scalar(u"SELECT Count(*) FROM Gracze WHERE Przydomek = Null"_s), u"0"_s);
    EXPECT_EQ(db.scalar(u"SELECT Count(*) FROM Gracze WHERE Przydomek <> Null"_s), u"0"_s);
    EXPECT_EQ(db.scalar(u"SELECT Count(*) FROM Gracze WHERE Not (Przydomek = Null)"_s), u"0"_s);
    EXPECT_EQ(db.scalar(u"SELECT Count(*) FROM Mecze WHERE Wyn1 > Wyn2 Or Wyn1 <= Wyn2"_s), u"3"_s);
}

TEST_F(SqlFunctions, DateLiterals) {
    for (const QString& literal :
         {u"#2003-03-31#"_s, u"#2003/03/31#"_s, u"#3/31/2003#"_s, u"#2003-3-31#"_s}) {
        EXPECT_EQ(db.scalar(u"SELECT Id_meczu FROM Mecze WHERE Data = "_s + literal), u"2"_s)
            << literal.toStdString();
    }
    EXPECT_EQ(db.column(u"SELECT Id_meczu FROM Mecze WHERE Data < #2002-01-01# ORDER BY Data"_s),
              (QStringList{u"4"_s, u"3"_s}));
}

TEST_F(SqlFunctions, LikeWithTheOldWildcards) {
    auto like = [this](const QString& value, const QString& pattern) {
        return db.scalar(u"SELECT IIf('"_s + value + u"' Like '"_s + pattern + u"', 'T', 'F')"_s) ==
               u"T"_s;
    };
    EXPECT_TRUE(like(u"Kowalski"_s, u"*wal*"_s));
    EXPECT_TRUE(like(u"Kowalski"_s, u"kow*"_s));
    EXPECT_FALSE(like(u"Kowalski"_s, u"*walk*"_s));
    EXPECT_TRUE(like(u"abc"_s, u"a?c"_s));
    EXPECT_FALSE(like(u"abbc"_s, u"a?c"_s));
    EXPECT_TRUE(like(u"a1c"_s, u"a#c"_s));
    EXPECT_FALSE(like(u"abc"_s, u"a#c"_s));
    EXPECT_TRUE(like(u"bat"_s, u"[bc]at"_s));
    EXPECT_FALSE(like(u"rat"_s, u"[bc]at"_s));
    EXPECT_TRUE(like(u"rat"_s, u"[!bc]at"_s));
    EXPECT_FALSE(like(u"cat"_s, u"[!bc]at"_s));
    EXPECT_TRUE(like(u"Mat"_s, u"[a-z]at"_s));
    EXPECT_TRUE(like(u"łat"_s, u"[a-z]at"_s));
    EXPECT_FALSE(like(u"1at"_s, u"[a-z]at"_s));
    EXPECT_TRUE(like(u"a*b"_s, u"a[*]b"_s));
    EXPECT_FALSE(like(u"axb"_s, u"a[*]b"_s));
    EXPECT_TRUE(like(u"2002/03"_s, u"####/##"_s));
    EXPECT_TRUE(like(u"ŻÓŁW"_s, u"*żół*"_s));
    EXPECT_TRUE(like(u"źdźbło"_s, u"ŹDŹ*"_s));
    EXPECT_TRUE(like(u"Ćma"_s, u"ć?a"_s));
    EXPECT_FALSE(like(u"cma"_s, u"ćma"_s));
    EXPECT_TRUE(like(u""_s, u"*"_s));
    EXPECT_TRUE(like(u"aXbXc"_s, u"a*c"_s));
    EXPECT_TRUE(like(u"abcabd"_s, u"*abd"_s));
    EXPECT_EQ(db.scalar(u"SELECT Null Like '*'"_s), u"NULL"_s);
    EXPECT_EQ(db.column(u"SELECT Nazwisko FROM Gracze WHERE Nazwisko Not Like '*a*' "
                        u"ORDER BY Nazwisko"_s),
              (QStringList{u"Lis"_s, u"ŁĄCKI"_s, u"Źrebiec"_s, u"Żuk"_s}));
    // An unclosed set is an error of the statement, not a silent mismatch.
    EXPECT_TRUE(
        db.failure(u"SELECT Nazwisko FROM Gracze WHERE Nazwisko Like '[ab'"_s).contains(u"]"_s));
}

TEST_F(SqlFunctions, TextEqualityIgnoresCaseWithPolishLetters) {
    EXPECT_EQ(db.column(u"SELECT Imie FROM Gracze WHERE Nazwisko = 'kowalski'"_s),
              QStringList{u"Jan"_s});
    EXPECT_EQ(db.column(u"SELECT Imie FROM Gracze WHERE Nazwisko = 'ŻUK'"_s),
              QStringList{u"Piotr"_s});
    EXPECT_EQ(db.column(u"SELECT Imie FROM Gracze WHERE Nazwisko = 'łącki'"_s),
              QStringList{u"Ignacy"_s});
    EXPECT_TRUE(db.column(u"SELECT Imie FROM Gracze WHERE Nazwisko = 'Zuk'"_s).isEmpty());
    EXPECT_EQ(db.scalar(u"SELECT Id_rozgrywki FROM Rozgrywki WHERE Nazwa = 'LIGA'"_s), u"1"_s);
    EXPECT_EQ(db.column(u"SELECT Id_meczu FROM Mecze WHERE Gdzie In ('d', 'n') ORDER BY 1"_s),
              (QStringList{u"1"_s, u"3"_s}));
    // A concatenated text compares the same way.
    EXPECT_EQ(db.column(u"SELECT Id_gracza FROM Gracze WHERE Imie & ' ' & Nazwisko = "
                        u"'PIOTR żuk'"_s),
              QStringList{u"4"_s});
}

TEST_F(SqlFunctions, OrderByFollowsThePolishAlphabetIgnoringCase) {
    EXPECT_EQ(db.column(u"SELECT Nazwisko FROM Gracze WHERE Nazwisko Is Not Null "
                        u"ORDER BY Nazwisko, Imie"_s),
              (QStringList{u"Kowalski"_s, u"Lis"_s, u"Łata"_s, u"ŁĄCKI"_s, u"Nowak"_s, u"Nowak"_s,
                           u"Sowa"_s, u"Śliwa"_s, u"zając"_s, u"Źrebiec"_s, u"Żuk"_s}));
    EXPECT_EQ(db.column(u"SELECT Sezon FROM Sezony ORDER BY Sezon DESC"_s),
              (QStringList{u"2002/03"_s, u"2001/02"_s, u"1999/00"_s}));
    EXPECT_EQ(db.column(u"SELECT Wyn1 FROM Mecze WHERE Wyn1 Is Not Null ORDER BY Wyn1 DESC"_s),
              (QStringList{u"2"_s, u"1"_s, u"0"_s}));
    // A result column named by its alias.
    EXPECT_EQ(db.column(u"SELECT Nazwisko & Imie AS N FROM Gracze WHERE Nazwisko Like 'Ł*' "
                        u"ORDER BY N DESC"_s),
              (QStringList{u"ŁĄCKIIgnacy"_s, u"ŁataZenon"_s}));
}

TEST_F(SqlFunctions, SelectStarDistinctAndGroupBy) {
    EXPECT_EQ(db.columnNames(u"SELECT * FROM Mecze WHERE Id_meczu = 1"_s),
              (QStringList{u"Id_meczu"_s, u"Id_sezonu"_s, u"Data"_s, u"Gdzie"_s, u"Id_klubu"_s,
                           u"Wyn1"_s, u"Wyn2"_s, u"Id_rozgrywki"_s, u"Komentarz"_s}));
    EXPECT_EQ(db.columnNames(u"SELECT Mecze.Id_meczu, Wyn1 & ':' & Wyn2, Count(*) FROM Mecze "
                             u"GROUP BY Mecze.Id_meczu, Wyn1, Wyn2"_s),
              (QStringList{u"Id_meczu"_s, u"Expr1000"_s, u"Expr1001"_s}));
    EXPECT_EQ(db.column(u"SELECT DISTINCT Imie FROM Gracze WHERE Nazwisko = 'Nowak'"_s),
              QStringList{u"Adam"_s});
    EXPECT_EQ(db.rows(u"SELECT Gdzie, Count(*) AS Ile FROM Mecze GROUP BY Gdzie "
                      u"HAVING Count(*) > 0 ORDER BY Count(*) DESC, Gdzie"_s),
              (std::vector<QStringList>{{u"W"_s, u"2"_s}, {u"D"_s, u"1"_s}, {u"N"_s, u"1"_s}}));
}

TEST_F(SqlFunctions, ActionQueries) {
    db.rows(u"INSERT INTO Kluby (Druzyna) VALUES ('Górnik')"_s);
    db.rows(u"UPDATE Kluby SET Kluby.Druzyna = 'Górnik ' & 'Zabrze' WHERE Druzyna = 'górnik'"_s);
    EXPECT_EQ(db.scalar(u"SELECT Druzyna FROM Kluby WHERE Id_klubu = 3"_s), u"Górnik Zabrze"_s);
    db.rows(
        u"INSERT INTO Rozgrywki (Nazwa, Oficjalny) SELECT Druzyna, False FROM Kluby "
        u"WHERE Id_klubu = 3"_s);
    EXPECT_EQ(db.scalar(u"SELECT Oficjalny FROM Rozgrywki WHERE Nazwa = 'górnik zabrze'"_s),
              u"0"_s);
    db.rows(u"DELETE * FROM Kluby WHERE Id_klubu = 3"_s);
    db.rows(u"DELETE FROM Mecze WHERE Data = #1999-08-08#"_s);
    EXPECT_EQ(db.scalar(u"SELECT Count(*) FROM Kluby"_s), u"2"_s);
    EXPECT_EQ(db.scalar(u"SELECT Count(*) FROM Mecze"_s), u"3"_s);
}

TEST_F(SqlFunctions, BracketedNamesAndUnknownNames) {
    EXPECT_EQ(db.scalar(u"SELECT [Gracze].[Nazwisko] AS [Nazwisko gracza] FROM [Gracze] "
                        u"WHERE [Id_gracza] = 2"_s),
              u"Nowak"_s);
    // A misspelt bracketed name is an error, never a text constant.
    EXPECT_FALSE(db.failure(u"SELECT [Nazwsko] FROM Gracze"_s).isEmpty());
}

// The shared expressions of the player name (display, filter and sort forms) on the edge
// cases the program relies on.
TEST_F(SqlFunctions, PlayerNameForms) {
    const QString display =
        u"Trim(IIf(IsNull(Nazwisko), Przydomek, Imie & ' ' & Nazwisko & "
        u"IIf(IsNull(Przydomek), '', ' ' & Przydomek)))"_s;
    const QString filter =
        u"Trim(IIf(IsNull(Nazwisko), Przydomek, Imie & ' ' & Nazwisko & "
        u"IIf(IsNull(Przydomek), '', Przydomek)))"_s;
    const QString sort =
        u"Trim(IIf(IsNull(Nazwisko), Przydomek, Nazwisko & ' ' & Imie & "
        u"IIf(IsNull(Przydomek), '', Przydomek)))"_s;
    auto byFilter = [&](const QString& text) {
        return db.column(u"SELECT Id_gracza FROM Gracze WHERE "_s + filter + u" LIKE '*"_s + text +
                         u"*' ORDER BY Id_gracza"_s);
    };
    EXPECT_EQ(db.scalar(u"SELECT "_s + display + u" AS Zawodnik FROM Gracze WHERE Id_gracza = 1"_s),
              u"Jan Kowalski Kowal"_s);
    EXPECT_EQ(db.scalar(u"SELECT "_s + display + u" FROM Gracze WHERE Id_gracza = 3"_s),
              u"Ronaldinho"_s);
    EXPECT_EQ(db.scalar(u"SELECT "_s + filter + u" FROM Gracze WHERE Id_gracza = 3"_s),
              u"Ronaldinho"_s);
    EXPECT_EQ(db.scalar(u"SELECT "_s + sort + u" FROM Gracze WHERE Id_gracza = 1"_s),
              u"Kowalski JanKowal"_s);
    EXPECT_EQ(byFilter(u"Kowalski"_s), QStringList{u"1"_s});
    EXPECT_EQ(byFilter(u"KowalskiKowal"_s), QStringList{u"1"_s});
    EXPECT_TRUE(byFilter(u"Kowalski Kowal"_s).isEmpty());
    EXPECT_EQ(byFilter(u"ronaldin"_s), QStringList{u"3"_s});
    // Sorted by surname, first name and nickname; the nickname-only player by his nickname.
    EXPECT_EQ(db.column(u"SELECT "_s + display +
                        u" AS Zawodnik FROM Gracze WHERE Id_gracza In "
                        u"(1, 2, 3, 12) ORDER BY "_s +
                        sort),
              (QStringList{u"Jan Kowalski Kowal"_s, u"Adam Nowak"_s, u"Adam Nowak Mały"_s,
                           u"Ronaldinho"_s}));
}

// An away match stored 1 : 2 reads opponent first with the score 1:2 and is a win.
TEST_F(SqlFunctions, AwayMatchReadsOpponentFirstAndCountsAsWin) {
    const auto row = db.rows(
        u"SELECT IIf(Mecze.Gdzie = 'W', Kluby.Druzyna & ' - Mirvola Wendrow' ,'Mirvola Wendrow - ' "
        u"& Kluby.Druzyna) AS Para, Mecze.Wyn1 & ':' & Mecze.Wyn2 AS Wynik FROM Kluby RIGHT JOIN "
        u"Mecze ON Kluby.Id_klubu = Mecze.Id_klubu WHERE Mecze.Id_meczu = 2"_s);
    EXPECT_EQ(row.at(0), (QStringList{u"Wisła - Mirvola Wendrow"_s, u"1:2"_s}));
    EXPECT_EQ(db.column(u"SELECT Id_klubu FROM Mecze WHERE ((((Wyn1 > Wyn2) AND (Gdzie In "
                        u"('D','N')) OR ((Wyn1 < Wyn2) AND (Gdzie = 'W'))) AND (Id_rozgrywki In "
                        u"(1))))"_s),
              (QStringList{u"1"_s, u"2"_s}));
}

TEST(ComparePolish, CollationOrder) {
    auto cmp = [](const QString& a, const QString& b) {
        const QByteArray x = a.toUtf8();
        const QByteArray y = b.toUtf8();
        return engine::comparePolish(x.constData(), static_cast<int>(x.size()), y.constData(),
                                     static_cast<int>(y.size()));
    };
    const QStringList ordered = {u"2002-03-31"_s, u"2002/03"_s, u"A"_s, u"ą"_s, u"B"_s,
                                 u"c"_s,          u"Ć"_s,       u"e"_s, u"Ę"_s, u"l"_s,
                                 u"Ł"_s,          u"n"_s,       u"ń"_s, u"O"_s, u"ó"_s,
                                 u"s"_s,          u"Ś"_s,       u"z"_s, u"Ź"_s, u"ż"_s};
    for (qsizetype i = 0; i + 1 < ordered.size(); ++i) {
        EXPECT_LT(cmp(ordered[i], ordered[i + 1]), 0) << ordered[i].toStdString();
        EXPECT_GT(cmp(ordered[i + 1], ordered[i]), 0) << ordered[i].toStdString();
    }
    EXPECT_LT(cmp(u"Nowak Adam"_s, u"NowakAdam"_s), 0);
    EXPECT_LT(cmp(u"2002-09-01"_s, u"2002-10-01"_s), 0);
    EXPECT_LT(cmp(u"Kowal"_s, u"Kowalski"_s), 0);
    EXPECT_EQ(cmp(u"ŻÓŁTY"_s, u"żółty"_s), 0);
    EXPECT_EQ(cmp(u"Kowalski"_s, u"kOWALSKI"_s), 0);
    // Other diacritics sort with the base letter but are not equal to it.
    EXPECT_LT(cmp(u"cafe"_s, u"café"_s), 0);
    EXPECT_LT(cmp(u"café"_s, u"cafg"_s), 0);
    EXPECT_LT(cmp(u"Müller"_s, u"Nowak"_s), 0);
    // Malformed UTF-8 still compares without reading past the end.
    const char broken[] = {'a', static_cast<char>(0xC5)};
    EXPECT_NE(engine::comparePolish(broken, 2, "a", 1), 0);
}

}  // namespace
