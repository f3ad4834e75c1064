// The translator's structure where it decides semantics (precedence, collation placement,
// parameters of conditions) and its refusal of texts it cannot read. What a translation costs,
// cold and cached, is measured by the benchmark.
#include "data/engine/Error.h"
#include "data/engine/SqlTranslator.h"
#include "support/Widgets.h"

#include <QHash>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using engine::SqlTranslator;

namespace {

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

TEST(SqlTranslator, PrecedenceAndCollationOnlyWhereTextIsCompared) {
    const std::pair<QString, QString> conditions[] = {
        // & binds below arithmetic and above comparison: a chain is one call, and the
        // comparison takes the joined text.
        {u"a & b & c = 'x'"_s, u"mv_concat(a, b, c) COLLATE MIRVOLA_PL = 'x'"_s},
        // And binds tighter than Or, Not looser than comparisons.
        {u"Not a = 1 Or b = 2 And c = 3"_s, u"(NOT (a = 1)) OR ((b = 2) AND (c = 3))"_s},
        {u"a + b * c - d / e > 1"_s, u"((a + (b * c)) - (d * 1.0 / e)) > 1"_s},
        // Ids, numbers, yes/no, dates and two columns keep SQLite's own comparison (and
        // indexes).
        {u"Id_meczu = 7"_s, u"Id_meczu = 7"_s},
        {u"Oficjalny = True"_s, u"Oficjalny = -1"_s},
        {u"Data = #2002-03-31#"_s, u"Data = '2002-03-31'"_s},
        {u"Id_rozgrywki In (1, 4)"_s, u"Id_rozgrywki IN (1, 4)"_s},
        // Texts compare in the Polish case-insensitive way.
        {u"Nazwa = 'Liga'"_s, u"Nazwa COLLATE MIRVOLA_PL = 'Liga'"_s},
        {u"Gdzie In ('D','N')"_s, u"Gdzie COLLATE MIRVOLA_PL IN ('D', 'N')"_s},
        {u"Trim(Imie) = Nazwisko"_s, u"trim(Imie) COLLATE MIRVOLA_PL = Nazwisko"_s},
    };
    for (const auto& [condition, expected] : conditions) {
        const QString sql = SqlTranslator::translate(u"SELECT * FROM t WHERE "_s + condition);
        EXPECT_EQ(sql.mid(sql.indexOf(u"WHERE "_s) + 6), expected) << sql.toStdString();
    }
    // The whole sum is one operand of &.
    EXPECT_EQ(SqlTranslator::translate(u"SELECT 'a' & 1+2"_s),
              u"SELECT mv_concat('a', 1 + 2) AS Expr1000"_s);
    // Every ORDER BY term gets the collation.
    EXPECT_EQ(SqlTranslator::translate(u"SELECT Sezon FROM t ORDER BY Sezony.Sezon DESC, Data"_s),
              u"SELECT Sezon AS Sezon FROM t ORDER BY Sezony.Sezon COLLATE MIRVOLA_PL DESC, Data "
              u"COLLATE MIRVOLA_PL"_s);
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
    EXPECT_TRUE(one.sql.endsWith(
        u"WHERE (Id_klubu = ?1) AND (Wyn1 > ?2) ORDER BY 1 COLLATE MIRVOLA_PL DESC"_s))
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
    // A failing text fails again instead of being remembered (cached) as something else.
    EXPECT_THROW(SqlTranslator::translate(u"SELECT (("_s), engine::Error);
    EXPECT_THROW(SqlTranslator::translate(u"SELECT (("_s), engine::Error);
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

}  // namespace
