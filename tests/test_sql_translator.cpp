// The translator's structure where it decides semantics (precedence, collation placement,
// parameters of conditions) and its refusal of texts it cannot read.
#include "data/engine/Error.h"
#include "data/engine/SqlTranslator.h"

#include <QElapsedTimer>
#include <QHash>

#include <gtest/gtest.h>

#include <iostream>

using namespace Qt::Literals::StringLiterals;
using engine::SqlTranslator;

void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace {

const QString kListQuery =
    u"SELECT Mecze.Id_meczu, Sezony.Sezon, Mecze.Data, IIf(Mecze.Gdzie = 'W', Kluby.Druzyna & "
    u"' - Mirvola Wendrow' ,'Mirvola Wendrow - ' & Kluby.Druzyna) AS Para, Mecze.Wyn1 & ':' & "
    u"Mecze.Wyn2 AS Wynik, Rozgrywki.Nazwa, Rozgrywki.Oficjalny, Mecze.Komentarz FROM Rozgrywki "
    u"RIGHT JOIN (Kluby LEFT JOIN (Mecze LEFT JOIN Sezony ON Mecze.Id_sezonu = Sezony.Id_sezonu) "
    u"ON Kluby.Id_klubu = Mecze.Id_klubu) ON Rozgrywki.Id_rozgrywki = Mecze.Id_rozgrywki WHERE "
    u"Rozgrywki.Oficjalny = True ORDER BY Sezony.Sezon DESC, Mecze.Data DESC"_s;

// The engine error a text raises; fails the test when it translates.
engine::Error errorOf(const QString& sql) {
    try {
        const QString translated = SqlTranslator::translate(sql);
        ADD_FAILURE() << "translated: " << translated.toStdString();
    } catch (const engine::Error& e) {
        return e;
    }
    return engine::Error(0, QString());
}

TEST(SqlTranslator, ConcatenationBindsBelowArithmeticAndAboveComparison) {
    // The whole sum is one operand of &.
    EXPECT_EQ(SqlTranslator::translate(u"SELECT 'a' & 1+2"_s),
              u"SELECT mv_concat('a', 1 + 2) AS Expr1000"_s);
    // A chain is one call, and the comparison takes the joined text.
    const QString where = SqlTranslator::translate(u"SELECT a FROM t WHERE a & b & c = 'x'"_s);
    EXPECT_TRUE(where.endsWith(u"WHERE mv_concat(a, b, c) COLLATE MIRVOLA_PL = 'x'"_s))
        << where.toStdString();
    // And binds tighter than Or, Not looser than comparisons.
    EXPECT_TRUE(SqlTranslator::translate(u"SELECT a FROM t WHERE Not a = 1 Or b = 2 And c = 3"_s)
                    .endsWith(u"WHERE (NOT (a = 1)) OR ((b = 2) AND (c = 3))"_s));
    EXPECT_TRUE(SqlTranslator::translate(u"SELECT a FROM t WHERE a + b * c - d / e > 1"_s)
                    .endsWith(u"WHERE ((a + (b * c)) - (d * 1.0 / e)) > 1"_s));
}

TEST(SqlTranslator, CollationOnlyWhereTextIsCompared) {
    auto where = [](const QString& condition) {
        const QString sql = SqlTranslator::translate(u"SELECT * FROM t WHERE "_s + condition);
        return sql.mid(sql.indexOf(u"WHERE "_s) + 6);
    };
    // Ids, numbers, yes/no, dates and two columns keep SQLite's own comparison (and indexes).
    EXPECT_EQ(where(u"Id_meczu = 7"_s), u"Id_meczu = 7"_s);
    EXPECT_EQ(where(u"a.x = b.y"_s), u"a.x = b.y"_s);
    EXPECT_EQ(where(u"Oficjalny = True"_s), u"Oficjalny = -1"_s);
    EXPECT_EQ(where(u"Data = #2002-03-31#"_s), u"Data = '2002-03-31'"_s);
    EXPECT_EQ(where(u"Id_rozgrywki In (1, 4)"_s), u"Id_rozgrywki IN (1, 4)"_s);
    // Texts compare in the Polish case-insensitive way.
    EXPECT_EQ(where(u"Nazwa = 'Liga'"_s), u"Nazwa COLLATE MIRVOLA_PL = 'Liga'"_s);
    EXPECT_EQ(where(u"Gdzie In ('D','N')"_s), u"Gdzie COLLATE MIRVOLA_PL IN ('D', 'N')"_s);
    EXPECT_EQ(where(u"Trim(Imie) = Nazwisko"_s), u"trim(Imie) COLLATE MIRVOLA_PL = Nazwisko"_s);
    // Every ORDER BY term gets the collation.
    EXPECT_TRUE(SqlTranslator::translate(kListQuery)
                    .endsWith(u" ORDER BY Sezony.Sezon COLLATE MIRVOLA_PL DESC, Mecze.Data "
                              u"COLLATE MIRVOLA_PL DESC"_s));
}

TEST(SqlTranslator, ConditionOfFindFirstUsesParameters) {
    const QHash<QString, int> columns = {{u"Id_meczu"_s, 0}, {u"Nazwa"_s, 3}, {u"Data"_s, 2}};
    const auto index = [&](const QString& name) { return columns.value(name, -1); };
    EXPECT_EQ(SqlTranslator::translateCondition(u"Id_meczu = 7"_s, index), u"?1 = 7"_s);
    EXPECT_EQ(SqlTranslator::translateCondition(
                  u"Mecze.Id_meczu > 2 And [Id_meczu] < 9 And Nazwa Like 'L*'"_s, index),
              u"((?1 > 2) AND (?1 < 9)) AND (mv_like(?4, 'L*'))"_s);
    EXPECT_EQ(SqlTranslator::translateCondition(u"Data = #2002-03-31#"_s, index),
              u"?3 = '2002-03-31'"_s);
    try {
        SqlTranslator::translateCondition(u"Id_klubu = 3"_s, index);
        ADD_FAILURE() << "unknown column accepted";
    } catch (const engine::Error& e) {
        EXPECT_TRUE(e.description().contains(u"Id_klubu"_s)) << e.what();
    }
}

// Texts that differ in their ids share one translation; a number that names a result column
// (ORDER BY 2) stays written, and a text that differs there gets a translation of its own.
TEST(SqlTranslator, NumbersBecomeParametersExceptWhereTheyNameAColumn) {
    const auto one = SqlTranslator::translateWithParameters(
        u"SELECT Wyn1 FROM Mecze WHERE Id_klubu = 12 AND Wyn1 > 1.5 ORDER BY 1 DESC"_s);
    const auto other = SqlTranslator::translateWithParameters(
        u"SELECT Wyn1 FROM Mecze WHERE Id_klubu = 13 AND Wyn1 > 007 ORDER BY 1 DESC"_s);
    EXPECT_EQ(one.sql, other.sql);
    EXPECT_TRUE(
        one.sql.endsWith(u"WHERE (Id_klubu = ?1) AND (Wyn1 > ?2) ORDER BY 1 COLLATE "
                         u"MIRVOLA_PL DESC"_s))
        << one.sql.toStdString();
    EXPECT_EQ(one.parameters, (std::vector<QVariant>{qlonglong(12), 1.5}));
    EXPECT_EQ(other.parameters, (std::vector<QVariant>{qlonglong(13), qlonglong(7)}));
    const auto second = SqlTranslator::translateWithParameters(
        u"SELECT Wyn1 FROM Mecze WHERE Id_klubu = 12 AND Wyn1 > 1.5 ORDER BY 2 DESC"_s);
    EXPECT_TRUE(second.sql.contains(u"ORDER BY 2 "_s)) << second.sql.toStdString();
    // Beyond 64 bits SQLite reads a whole number as a real one.
    EXPECT_EQ(SqlTranslator::translateWithParameters(u"SELECT 18446744073709551616"_s).parameters,
              (std::vector<QVariant>{18446744073709551616.0}));
    EXPECT_EQ(SqlTranslator::translateWithParameters(u"SELECT Count(*) FROM Mecze GROUP BY 1"_s)
                  .parameters,
              std::vector<QVariant>());
}

TEST(SqlTranslator, TextsItCannotReadAreSyntaxErrors) {
    struct Case {
        QString sql;
        QString expected;  // part of the description
    };
    const Case cases[] = {
        {u"SELECT * FROM Mecze WHERE (Id_meczu = 1"_s, u"brak nawiasu zamykającego"_s},
        {u"SELECT * FROM Mecze WHERE Id_meczu = 1)"_s, u"nadmiarowy nawias"_s},
        {u"CREATE TABLE X (a INTEGER)"_s, u"nieobsługiwany rodzaj polecenia 'CREATE'"_s},
        {u"DROP TABLE Mecze"_s, u"'DROP' na pozycji 1"_s},
        {u"SELECT * FROM Gracze WHERE Nazwisko = 'O'Neil'"_s, u"niezamknięty tekst"_s},
        {u"SELECT * FROM Gracze WHERE Nazwisko = 'Kowal"_s, u"rozpoczęty na pozycji 39"_s},
        {u"SELECT * FROM Mecze WHERE Id_meczu = 1 xyz abc"_s, u"'xyz' na pozycji 40"_s},
        {u"SELECT * FROM Mecze; DELETE FROM Mecze"_s, u"'DELETE'"_s},
        {u"SELECT * FROM Mecze WHERE Data = #2002-02-30#"_s, u"nieprawidłowa data"_s},
        {u"SELECT * FROM Mecze WHERE Data = #2002-02-03"_s, u"niezamknięta data"_s},
        {u"SELECT * FROM [Mecze WHERE Id_meczu = 1"_s, u"nawiasie kwadratowym"_s},
        {u"SELECT Foo(Id_meczu) FROM Mecze"_s, u"nieznana funkcja 'Foo'"_s},
        {u"SELECT IIf(a, b) FROM Mecze"_s, u"IIf"_s},
        {u"SELECT * FROM Mecze WHERE Id_meczu = "_s, u"koniec tekstu"_s},
        {u"SELECT * FROM Mecze WHERE Id_meczu = 1 AND"_s, u"oczekiwano wyrażenia"_s},
        {u"SELECT * FROM Mecze WHERE Wyn1 ! 2"_s, u"niedozwolony znak '!'"_s},
        {u"SELECT * FROM Mecze WHERE Id_meczu = 12abc"_s, u"nieprawidłowa liczba"_s},
        {u"SELECT TOP 5 * FROM Mecze"_s, u"'TOP'"_s},
        {u"SELECT * FROM Mecze WHERE Gdzie Is 'D'"_s, u"oczekiwano NULL"_s},
        {u"   "_s, u"puste polecenie"_s},
    };
    for (const Case& c : cases) {
        const engine::Error e = errorOf(c.sql);
        EXPECT_EQ(e.number(), engine::err::SyntaxError) << c.sql.toStdString();
        EXPECT_TRUE(e.description().contains(c.expected))
            << c.sql.toStdString() << "\n -> " << e.description().toStdString();
    }
}

TEST(SqlTranslator, DeepNestingIsRefusedNotACrash) {
    const QString fifty = u"SELECT "_s + QString(50, u'(') + u"1"_s + QString(50, u')');
    EXPECT_NO_THROW(SqlTranslator::translate(fifty));
    for (const QString& deep : {u"SELECT "_s + QString(100000, u'(') + u"1"_s,
                                u"SELECT "_s + u"Not "_s.repeated(100000) + u"1"_s,
                                u"SELECT "_s + QString(100000, u'-') + u"1"_s,
                                u"SELECT * FROM "_s + QString(100000, u'(') + u"Mecze"_s}) {
        EXPECT_TRUE(errorOf(deep).description().contains(u"zbyt głęboko"_s));
    }
    // A long chain of joins nests no parentheses, but SQLite joins at most 64 tables.
    const auto chain = [](int tables) {
        QString sql = u"SELECT * FROM T0"_s;
        for (int i = 1; i < tables; ++i) {
            sql += u" LEFT JOIN T%1 ON T%1.a = T0.a"_s.arg(i);
        }
        return sql;
    };
    EXPECT_NO_THROW(SqlTranslator::translate(chain(64)));
    EXPECT_TRUE(errorOf(chain(65)).description().contains(u"zbyt wiele tabel"_s));
}

// The cache: the same translation, faster; printed with the cost of a first translation.
TEST(SqlTranslator, CacheGivesTheSameTranslationFaster) {
    constexpr int rounds = 2000;
    QElapsedTimer timer;
    timer.start();
    // A distinct text each round, so every one is translated from scratch.
    for (int i = 0; i < rounds; ++i) {
        QString text = kListQuery;
        SqlTranslator::translate(text.replace(u"= True"_s, u"= "_s + QString::number(i)));
    }
    const double cold = timer.nsecsElapsed() / 1000.0 / rounds;
    timer.restart();
    for (int i = 0; i < rounds * 10; ++i) {
        SqlTranslator::translate(kListQuery);
    }
    const double cached = timer.nsecsElapsed() / 1000.0 / (rounds * 10);
    std::cout << "list query: cold " << cold << " us, cached " << cached << " us\n";
    EXPECT_LT(cached, cold);
    EXPECT_EQ(SqlTranslator::translate(kListQuery), SqlTranslator::translate(kListQuery));
    // A failing text fails again instead of being remembered as something else.
    EXPECT_THROW(SqlTranslator::translate(u"SELECT (("_s), engine::Error);
    EXPECT_THROW(SqlTranslator::translate(u"SELECT (("_s), engine::Error);
}

}  // namespace
