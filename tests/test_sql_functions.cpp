// The old engine's SQL semantics, executed: every text goes through the translator and runs on
// a real diary file with the program's schema and the registered functions.
#include "data/engine/SqlFunctions.h"
#include "data/engine/SqlTranslator.h"
#include "support/Diary.h"
#include "support/Widgets.h"

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace {

// An old-dialect query and the first column of its rows, joined by '|'.
struct Case {
    const char16_t* sql;
    const char16_t* expected;
};

class SqlFunctions : public ::testing::Test {
  protected:
    SqlFunctions() {
        diary.exec(
            uR"(
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
  (3, 3, '2001-10-10', 'N', 1, 0, 0, 2), (4, 2, '1999-08-08', 'W', 2, NULL, NULL, 1);)"_s);
        EXPECT_EQ(sqlite3_open(diary.path().toUtf8().constData(), &db), SQLITE_OK);
        engine::registerSqlFunctions(db);
    }
    ~SqlFunctions() override { sqlite3_close(db); }

    // Translates an old-dialect text and runs it; each value as text, "NULL" for Null.
    std::vector<QStringList> rows(const QString& oldSql) const {
        return testing_support::rowsOf(db, engine::SqlTranslator::translate(oldSql));
    }

    QString column(const QString& oldSql) const {
        QStringList values;
        for (const QStringList& row : rows(oldSql)) {
            values << row.value(0);
        }
        return values.join(u'|');
    }

    void check(std::initializer_list<Case> cases) const {
        for (const Case& c : cases) {
            EXPECT_EQ(column(QString::fromUtf16(c.sql)), QString::fromUtf16(c.expected))
                << QString::fromUtf16(c.sql).toStdString();
        }
    }

    // Each "value pattern T|F": whether the value is Like the pattern.
    void checkLike(std::initializer_list<const char16_t*> cases) const {
        for (const char16_t* c : cases) {
            const QStringList p = QString::fromUtf16(c).split(u' ');
            const QString sql = u"SELECT IIf('%1' Like '%2', 'T', 'F')"_s.arg(p[0], p[1]);
            EXPECT_EQ(column(sql), p[2]) << sql.toStdString();
        }
    }

    testing_support::Diary diary;
    sqlite3* db = nullptr;
};

TEST_F(SqlFunctions, OperatorsFunctionsNullsAndDates) {
    check({
        // Concatenation counts Null as empty and binds below arithmetic.
        {u"SELECT 'a' & 1+2", u"a3"},
        {u"SELECT 2*3 & 'x' & 10/4", u"6x2.5"},
        {u"SELECT Null & 'x'", u"x"},
        {u"SELECT Null & Null", u"NULL"},
        {u"SELECT Null & Null & 'z' & Null", u"z"},
        // A comparison takes the joined text, not a part of it.
        {u"SELECT IIf('a' & 'b' = 'ab', 1, 0)", u"1"},
        // Scores join without decimals, a missing score counts as empty text.
        {u"SELECT Wyn1 & ':' & Wyn2 AS Wynik FROM Mecze ORDER BY Id_meczu", u"2:1|1:2|0:0|:"},
        {u"SELECT 1.5 & '|' & 3.0", u"1.5|3"},
        // IIf, IsNull, True and False.
        {u"SELECT IIf(Null, 'tak', 'nie')", u"nie"},
        {u"SELECT IIf(True, 'tak', 'nie')", u"tak"},
        {u"SELECT True", u"-1"},
        // A comparison used as a value is the old engine's True.
        {u"SELECT (2 > 1)", u"-1"},
        {u"SELECT IsNull(Null)", u"-1"},
        {u"SELECT Przydomek FROM Gracze WHERE IsNull(Nazwisko) = True", u"Ronaldinho"},
        // A yes/no column alone as the condition.
        {u"SELECT IIf((Rozgrywki.Oficjalny), 'oficjalne', Nazwa) FROM Rozgrywki ORDER BY "
         u"Id_rozgrywki",
         u"oficjalne|Sparing"},
        {u"SELECT Nazwa FROM Rozgrywki WHERE Oficjalny In (False, True) ORDER BY Nazwa DESC",
         u"Sparing|Liga"},
        {u"SELECT Nazwa FROM Rozgrywki WHERE Not Oficjalny = True", u"Sparing"},
        // Trim, Count, In, Between and Null tests.
        {u"SELECT '[' & Trim('  a b  ') & ']'", u"[a b]"},
        {u"SELECT Count(Wyn1) FROM Mecze", u"3"},
        {u"SELECT Count(*) FROM Gracze WHERE Nazwisko Is Not Null", u"11"},
        {u"SELECT Id_meczu FROM Mecze WHERE Gdzie Not In ('d') ORDER BY 1", u"2|3|4"},
        {u"SELECT Id_meczu FROM Mecze WHERE Wyn1 Between 1 And 2 ORDER BY 1", u"1|2"},
        // Comparisons with Null are never true.
        {u"SELECT Count(*) FROM Gracze WHERE Przydomek = Null", u"0"},
        {u"SELECT Count(*) FROM Gracze WHERE Not (Przydomek = Null)", u"0"},
        {u"SELECT Count(*) FROM Mecze WHERE Wyn1 > Wyn2 Or Wyn1 <= Wyn2", u"3"},
        // Date literals.
        {u"SELECT Id_meczu FROM Mecze WHERE Data = #2003-03-31#", u"2"},
        {u"SELECT Id_meczu FROM Mecze WHERE Data = #2003/03/31#", u"2"},
        {u"SELECT Id_meczu FROM Mecze WHERE Data = #3/31/2003#", u"2"},
        {u"SELECT Id_meczu FROM Mecze WHERE Data = #2003-3-31#", u"2"},
        {u"SELECT Id_meczu FROM Mecze WHERE Data < #2002-01-01# ORDER BY Data", u"4|3"},
    });
    EXPECT_EQ(rows(u"SELECT Sum(Wyn1), Min(Data), Max(Data), Avg(Wyn2) FROM Mecze"_s).at(0),
              (QStringList{u"3"_s, u"1999-08-08"_s, u"2003-03-31"_s, u"1.0"_s}));
}

TEST_F(SqlFunctions, TextsCompareAndSortInThePolishWayIgnoringCase) {
    check({
        {u"SELECT Imie FROM Gracze WHERE Nazwisko = 'kowalski'", u"Jan"},
        {u"SELECT Imie FROM Gracze WHERE Nazwisko = 'łącki'", u"Ignacy"},
        {u"SELECT Imie FROM Gracze WHERE Nazwisko = 'Zuk'", u""},
        // A concatenated text compares the same way.
        {u"SELECT Id_gracza FROM Gracze WHERE Imie & ' ' & Nazwisko = 'PIOTR żuk'", u"4"},
        // ORDER BY follows the Polish alphabet.
        {u"SELECT Nazwisko FROM Gracze WHERE Nazwisko Is Not Null ORDER BY Nazwisko, Imie",
         u"Kowalski|Lis|Łata|ŁĄCKI|Nowak|Nowak|Sowa|Śliwa|zając|Źrebiec|Żuk"},
        {u"SELECT Sezon FROM Sezony ORDER BY Sezon DESC", u"2002/03|2001/02|1999/00"},
        // A result column named by its alias.
        {u"SELECT Nazwisko & Imie AS N FROM Gracze WHERE Nazwisko Like 'Ł*' ORDER BY N DESC",
         u"ŁĄCKIIgnacy|ŁataZenon"},
    });
}

TEST_F(SqlFunctions, LikeWithTheOldWildcards) {
    checkLike({u"Kowalski *wal* T", u"Kowalski *walk* F", u"abc a?c T",     u"abbc a?c F",
               u"a1c a#c T",        u"a0c a#c T",         u"a9c a#c T",     u"abc a#c F",
               u"rat [bc]at F",     u"rat [!bc]at T",     u"cat [!bc]at F", u"łat [a-z]at T",
               u"1at [a-z]at F",    u"a*b a[*]b T",       u"axb a[*]b F",   u"ŻÓŁW *żół* T",
               u"Ćma ć?a T",        u"cma ćma F",         u" * T",          u"abcabd *abd T"});
    // An unclosed bracket is a literal and the wildcards after it still work: what a user may
    // type into a filter box, put between the filter's two stars.
    checkLike({u"a[b *[* T", u"ab *[* F", u"x[ab *[ab* T", u"xab *[ab* F", u"[1] *[#* T",
               u"[ab [a? T", u"[!x *[!* T", u"a[b]c[d *[b]c[* F", u"abc[d *[b]c[* T",
               u"Ż[ó ż[Ó T"});
    check({
        {u"SELECT Null Like '*'", u"NULL"},
        {u"SELECT Nazwisko FROM Gracze WHERE Nazwisko Not Like '*a*' ORDER BY Nazwisko",
         u"Lis|ŁĄCKI|Źrebiec|Żuk"},
        {u"SELECT Nazwisko FROM Gracze WHERE Nazwisko Like '*[ab*'", u""},
    });
}

TEST_F(SqlFunctions, SelectStarDistinctGroupByActionsAndBracketedNames) {
    sqlite3_stmt* stmt = nullptr;
    const auto columnNames = [&](const QString& oldSql) {
        const QByteArray sql = engine::SqlTranslator::translate(oldSql).toUtf8();
        sqlite3_prepare_v2(db, sql.constData(), -1, &stmt, nullptr);
        QStringList names;
        for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
            names << QString::fromUtf8(sqlite3_column_name(stmt, i));
        }
        sqlite3_finalize(stmt);
        return names;
    };
    EXPECT_EQ(columnNames(u"SELECT * FROM Mecze WHERE Id_meczu = 1"_s),
              (QStringList{u"Id_meczu"_s, u"Id_sezonu"_s, u"Data"_s, u"Gdzie"_s, u"Id_klubu"_s,
                           u"Wyn1"_s, u"Wyn2"_s, u"Id_rozgrywki"_s, u"Komentarz"_s}));
    EXPECT_EQ(columnNames(u"SELECT Mecze.Id_meczu, Wyn1 & ':' & Wyn2, Count(*) FROM Mecze "
                          u"GROUP BY Mecze.Id_meczu, Wyn1, Wyn2"_s),
              (QStringList{u"Id_meczu"_s, u"Expr1000"_s, u"Expr1001"_s}));
    EXPECT_EQ(rows(u"SELECT Gdzie, Count(*) AS Ile FROM Mecze GROUP BY Gdzie "
                   u"HAVING Count(*) > 0 ORDER BY Count(*) DESC, Gdzie"_s),
              (std::vector<QStringList>{{u"W"_s, u"2"_s}, {u"D"_s, u"1"_s}, {u"N"_s, u"1"_s}}));
    rows(u"INSERT INTO Kluby (Druzyna) VALUES ('Górnik')"_s);
    rows(u"UPDATE Kluby SET Kluby.Druzyna = 'Górnik ' & 'Zabrze' WHERE Druzyna = 'górnik'"_s);
    rows(
        u"INSERT INTO Rozgrywki (Nazwa, Oficjalny) SELECT Druzyna, False FROM Kluby "
        u"WHERE Id_klubu = 3"_s);
    check({
        {u"SELECT DISTINCT Imie FROM Gracze WHERE Nazwisko = 'Nowak'", u"Adam"},
        {u"SELECT Druzyna FROM Kluby WHERE Id_klubu = 3", u"Górnik Zabrze"},
        {u"SELECT Oficjalny FROM Rozgrywki WHERE Nazwa = 'górnik zabrze'", u"0"},
        {u"SELECT [Gracze].[Nazwisko] AS [Nazwisko gracza] FROM [Gracze] WHERE [Id_gracza] = 2",
         u"Nowak"},
    });
    rows(u"DELETE * FROM Kluby WHERE Id_klubu = 3"_s);
    rows(u"DELETE FROM Mecze WHERE Data = #1999-08-08#"_s);
    check({{u"SELECT Count(*) FROM Kluby", u"2"}, {u"SELECT Count(*) FROM Mecze", u"3"}});
    // A misspelt bracketed name is an error, never a text constant.
    const QByteArray misspelt =
        engine::SqlTranslator::translate(u"SELECT [Nazwsko] FROM Gracze"_s).toUtf8();
    EXPECT_NE(sqlite3_prepare_v2(db, misspelt.constData(), -1, &stmt, nullptr), SQLITE_OK);
    sqlite3_finalize(stmt);
}

TEST(ComparePolish, CollationOrder) {
    auto cmp = [](const QString& a, const QString& b) {
        const QByteArray x = a.toUtf8();
        const QByteArray y = b.toUtf8();
        return engine::comparePolish(x.constData(), static_cast<int>(x.size()), y.constData(),
                                     static_cast<int>(y.size()));
    };
    const QStringList ordered =
        u"2002-03-31 2002/03 A ą B c Ć e Ę l Ł n ń O ó s Ś z Ź ż"_s.split(u' ');
    for (qsizetype i = 0; i + 1 < ordered.size(); ++i) {
        EXPECT_LT(cmp(ordered[i], ordered[i + 1]), 0) << ordered[i].toStdString();
        EXPECT_GT(cmp(ordered[i + 1], ordered[i]), 0) << ordered[i].toStdString();
    }
    EXPECT_LT(cmp(u"Nowak Adam"_s, u"NowakAdam"_s), 0);
    EXPECT_LT(cmp(u"Kowal"_s, u"Kowalski"_s), 0);
    EXPECT_EQ(cmp(u"ŻÓŁTY"_s, u"żółty"_s), 0);
    // Other diacritics sort with the base letter but are not equal to it.
    EXPECT_LT(cmp(u"cafe"_s, u"café"_s), 0);
    EXPECT_LT(cmp(u"café"_s, u"cafg"_s), 0);
    // Malformed UTF-8 still compares without reading past the end.
    const char broken[] = {'a', static_cast<char>(0xC5)};
    EXPECT_NE(engine::comparePolish(broken, 2, "a", 1), 0);
}

}  // namespace
