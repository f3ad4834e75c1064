#include "data/engine/Database.h"
#include "data/engine/Error.h"
#include "data/engine/Recordset.h"
#include "support/Diary.h"
#include "support/EngineError.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using engine::Database;
using namespace testing_support;
namespace err = engine::err;

namespace {

class RecordsetTest : public ::testing::Test {
  protected:
    void SetUp() override { db = Database::open(diary.path()); }

    // The first column of every row, read through the engine.
    QStringList values(const QString& sql) const {
        QStringList result;
        for (const auto rs = db->openRecordset(sql); !rs->eof(); rs->moveNext()) {
            result << rs->value(0).toString();
        }
        return result;
    }

    SampleDiary diary;
    std::unique_ptr<Database> db;
};

TEST_F(RecordsetTest, MovesBothWaysAndReportsPastEitherEnd) {
    const auto empty = db->openRecordset(u"SELECT * FROM Mecze WHERE Id_meczu = 99"_s);
    EXPECT_EQ(empty->recordCount(), 0);
    EXPECT_TRUE(empty->eof() && empty->bof());
    EXPECT_EQ(empty->absolutePosition(), -1);
    EXPECT_EQ(errorOf([&] { empty->value(0); }), err::NoCurrentRecord);
    EXPECT_EQ(errorOf([&] { empty->moveNext(); }), err::NoCurrentRecord);

    const auto rs = db->openRecordset(u"SELECT * FROM Mecze ORDER BY Id_meczu"_s);
    ASSERT_EQ(rs->recordCount(), 5);
    EXPECT_EQ(rs->absolutePosition(), 0);
    rs->moveLast();
    EXPECT_EQ(rs->value(0).toLongLong(), 5);
    rs->moveNext();
    EXPECT_TRUE(rs->eof());
    EXPECT_EQ(errorOf([&] { rs->moveNext(); }), err::NoCurrentRecord);
    rs->moveFirst();
    rs->movePrevious();
    EXPECT_TRUE(rs->bof());
    EXPECT_EQ(errorOf([&] { rs->movePrevious(); }), err::NoCurrentRecord);
    rs->moveNext();
    EXPECT_EQ(rs->value(0).toLongLong(), 1);
}

TEST_F(RecordsetTest, ValuesByNameAndPositionWithTheirTypesUnknownNamesAreErrors) {
    const auto rs = db->openRecordset(u"SELECT * FROM Mecze WHERE Id_meczu = 3"_s);
    ASSERT_EQ(rs->recordCount(), 1);
    EXPECT_EQ(rs->fieldCount(), 9);
    EXPECT_EQ(rs->fieldName(8), u"Komentarz"_s);
    EXPECT_EQ(rs->value(0).typeId(), QMetaType::LongLong);
    EXPECT_EQ(rs->value(u"data"_s), QVariant(QDate(2002, 9, 1)));
    EXPECT_EQ(rs->value(8).toString(), u"Sparing\r\nw deszczu"_s);
    EXPECT_EQ(errorOf([&] { rs->value(u"Nieznane"_s); }), err::ItemNotFound);
    EXPECT_EQ(errorOf([&] { rs->value(9); }), err::ItemNotFound);

    const auto nulls = db->openRecordset(u"SELECT * FROM Mecze WHERE Id_meczu = 5"_s);
    EXPECT_TRUE(nulls->value(u"Wyn1"_s).isNull());
    EXPECT_EQ(db->openRecordset(u"SELECT 9223372036854775808 AS Duza"_s)->value(0).typeId(),
              QMetaType::Double);
    // Unknown tables and statements without rows are errors.
    EXPECT_EQ(errorOf([&] { db->openRecordset(u"Klubyy"_s); }), err::TableNotFound);
    EXPECT_EQ(errorOf([&] { db->openRecordset(u"SELECT Nic FROM Kluby"_s); }),
              err::TooFewParameters);
    EXPECT_EQ(errorOf([&] { db->openRecordset(u"DELETE FROM Kluby"_s); }), err::InvalidOperation);
    EXPECT_EQ(diary.count(u"Kluby"_s), 4);
}

TEST_F(RecordsetTest, AddEditAndCancelWriteThroughOnlyWhereUpdatable) {
    // A bare table name opens the table for adding.
    const auto rs = db->openRecordset(u"Kluby"_s);
    ASSERT_TRUE(rs->updatable());
    rs->addNew();
    rs->setValue(u"Druzyna"_s, u"Górnik Zabrze"_s);
    rs->update();
    EXPECT_EQ(rs->recordCount(), 5);
    EXPECT_EQ(rs->absolutePosition(), 0) << "the current row stays where it was";
    rs->moveToLastModified();
    EXPECT_EQ(rs->value(u"Id_klubu"_s), QVariant(qlonglong(5)));
    EXPECT_EQ(diary.value(u"SELECT Druzyna FROM Kluby WHERE Id_klubu = 5"_s), u"Górnik Zabrze"_s);

    // Columns not written take the table's defaults: a new competition is official.
    const auto competitions = db->openRecordset(u"Rozgrywki"_s);
    competitions->addNew();
    competitions->setValue(1, u"Superpuchar"_s);
    competitions->update();
    competitions->moveToLastModified();
    EXPECT_EQ(competitions->value(2), QVariant(qlonglong(-1)));

    const auto match = db->openRecordset(u"SELECT * FROM Mecze WHERE Id_meczu = 2"_s);
    match->edit();
    match->setValue(u"Wyn1"_s, 3);
    match->setValue(u"Komentarz"_s, QVariant());
    match->update();
    EXPECT_EQ(diary.rows(u"SELECT Wyn1, Wyn2, Komentarz FROM Mecze WHERE Id_meczu = 2"_s).front(),
              qs({"3", "2", "NULL"}));
    match->edit();
    match->setValue(u"Wyn2"_s, 9);
    match->cancelUpdate();
    EXPECT_EQ(match->value(u"Wyn2"_s).toInt(), 2);
    EXPECT_EQ(diary.value(u"SELECT Wyn2 FROM Mecze WHERE Id_meczu = 2"_s).toInt(), 2);
    EXPECT_EQ(errorOf([&] { match->update(); }), err::CannotUpdate);
    EXPECT_EQ(errorOf([&] { match->setValue(0, 1); }), err::CannotUpdate);

    // A condition in the program's dialect keeps the recordset updatable.
    const auto columns = db->openRecordset(
        u"SELECT Id_klubu, Druzyna FROM Kluby WHERE Druzyna = 'LEGIA' AND Id_klubu In (1, 2)"_s);
    ASSERT_EQ(columns->recordCount(), 1);
    ASSERT_TRUE(columns->updatable());
    columns->edit();
    columns->setValue(1, u"Legia Warszawa"_s);
    columns->update();
    EXPECT_EQ(diary.value(u"SELECT Druzyna FROM Kluby WHERE Id_klubu = 1"_s), u"Legia Warszawa"_s);

    const auto joined = db->openRecordset(
        u"SELECT Mecze.Id_meczu, Kluby.Druzyna FROM Mecze LEFT JOIN Kluby ON "
        "Kluby.Id_klubu = Mecze.Id_klubu"_s);
    EXPECT_FALSE(joined->updatable());
    EXPECT_EQ(errorOf([&] { joined->addNew(); }), err::ReadOnly);
    db->execute(u"UPDATE Mecze SET Wyn2 = 4 WHERE Id_meczu = 3"_s);
    EXPECT_EQ(db->recordsAffected(), 1);
    EXPECT_EQ(diary.value(u"SELECT Wyn2 FROM Mecze WHERE Id_meczu = 3"_s).toString(), u"4"_s);
}

// Positioning on a number compares as SQLite does: a text never equals a number, a real one
// equals a whole one of the same value; texts ignore case.
TEST_F(RecordsetTest, FindFirstMovesToTheMatchOrReportsNoMatch) {
    const auto rs = db->openRecordset(
        u"SELECT Id_meczu, Gdzie, Id_klubu, Wyn1 & '' AS Tekst, Wyn1 / 1 AS Liczba FROM Mecze "
        u"ORDER BY Id_meczu"_s);
    rs->moveNext();
    rs->findFirst(u"Id_meczu = 4"_s);
    EXPECT_FALSE(rs->noMatch());
    EXPECT_EQ(rs->absolutePosition(), 3);
    rs->findFirst(u"Id_meczu = 99"_s);
    EXPECT_TRUE(rs->noMatch());
    EXPECT_EQ(rs->absolutePosition(), 3);
    rs->findFirst(u"Gdzie = 'w' AND Id_klubu = 1"_s);
    EXPECT_EQ(rs->value(0).toLongLong(), 5);
    rs->findFirst(u"Tekst = 3"_s);
    EXPECT_TRUE(rs->noMatch());
    rs->findFirst(u"Liczba = 3"_s);
    EXPECT_EQ(rs->value(u"Id_meczu"_s).toLongLong(), 4);
    rs->findFirst(u"Id_meczu = 2.0"_s);
    EXPECT_EQ(rs->absolutePosition(), 1);
}

// Ids and other numbers go to SQLite as parameters of a shared statement; a number after
// ORDER BY still names a result column.
TEST_F(RecordsetTest, NumbersMeanWhatSQLiteMakesOfThem) {
    const struct {
        QString sql;
        QStringList expected;
    } cases[] = {
        {u"SELECT Druzyna, Id_klubu FROM Kluby ORDER BY 2 DESC"_s,
         qs({"O'Higgins", "Łódzki KS", "Wisła", "Legia"})},
        {u"SELECT Id_meczu FROM Mecze WHERE Wyn1 = 2 AND Id_klubu = 1"_s, qs({"1"})},
        {u"SELECT Id_meczu FROM Mecze WHERE Wyn1 = 1 AND Id_klubu = 2"_s, qs({"2"})},
        {u"SELECT Id_meczu FROM Mecze WHERE Wyn1 / 2 = 1.5"_s, qs({"4"})},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(values(c.sql), c.expected) << c.sql.toStdString();
    }
    // In lists, also with Null in them, select the rows SQLite's own In selects.
    for (const QString& condition : {u"Wyn1 Not In (0, 2, 3)"_s, u"Wyn1 Not In (0, 2, Null)"_s,
                                     u"Gdzie In ('d', 'N', 'x')"_s}) {
        QString native = condition;
        native.replace(u"Null"_s, u"NULL"_s).replace(u"'d'"_s, u"'D'"_s);
        EXPECT_EQ(values(u"SELECT Id_meczu FROM Mecze WHERE "_s + condition + u" ORDER BY 1"_s),
                  diary.column(u"SELECT Id_meczu FROM Mecze WHERE "_s + native + u" ORDER BY 1"_s))
            << condition.toStdString();
    }
}

// A long result (a lifetime diary's lists hold a quarter of a million values and more) with
// repeated and distinct texts in every column, dates, numbers and Nulls reads back exactly as
// SQLite gives it, also while SQLite sorts it in memory of its own.
TEST(RecordsetValues, ALongResultReadsBackAsStored) {
    Diary diary;
    diary.exec(
        uR"SQL(
WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 49999)
INSERT INTO Mecze (Data, Gdzie, Wyn1, Komentarz)
SELECT printf('20%d-0%d-1%d', i % 10, 1 + i % 9, i % 10), char(65 + i % 26),
  CASE WHEN i % 7 = 0 THEN NULL ELSE i % 13 END,
  CASE WHEN i % 5 = 0 THEN NULL ELSE 'komentarz ' || CASE WHEN i % 3 = 0 THEN i ELSE i % 40 END
    || ' ąę' || substr(replace(hex(zeroblob(200)), '0', 'ż'), 1, CASE WHEN i % 3 = 0 THEN i % 200
    ELSE 0 END) END
FROM n;
UPDATE Mecze SET Komentarz = replace(hex(zeroblob(35000)), '0', 'ś') WHERE Id_meczu = 1500;
)SQL"_s);
    const QString sql =
        u"SELECT Id_meczu, Data, Gdzie, Wyn1, Komentarz, Wyn1 + 0.5 AS Pol FROM "
        u"Mecze ORDER BY Gdzie DESC, Id_meczu"_s;
    const auto rs = Database::open(diary.path())->openRecordset(sql);
    const std::vector<QStringList> expected = diary.rows(sql);
    ASSERT_EQ(expected.size(), 50000u);
    ASSERT_EQ(rs->recordCount(), 50000);
    for (const QStringList& row : expected) {
        QStringList values;
        for (int i = 0; i < rs->fieldCount(); ++i) {
            const QVariant v = rs->value(i);  // a date's text is ISO, as stored
            values << (v.isNull() ? u"NULL"_s : v.toString());
        }
        ASSERT_EQ(values, row);
        rs->moveNext();
    }
    // Read again from the last row back: the values do not depend on the reading order.
    rs->moveLast();
    EXPECT_EQ(rs->value(u"Id_meczu"_s).toString(), expected.back().value(0));
    rs->findFirst(u"Id_meczu = 1500"_s);
    EXPECT_EQ(rs->value(u"Komentarz"_s).toString(), QString(70000, u'ś'));
}

TEST_F(RecordsetTest, YesNoAndDateColumnsConvertWhatTheyAreGiven) {
    const auto kinds = db->openRecordset(u"Jak"_s);
    const auto addKind = [&](const QString& name, const QVariant& ownGoal) {
        kinds->addNew();
        kinds->setValue(u"Jak"_s, name);
        kinds->setValue(u"CzySam"_s, ownGoal);
        kinds->update();
        kinds->moveToLastModified();
        return diary.value(u"SELECT CzySam FROM Jak WHERE Jak = '"_s + name + u'\'').toString();
    };
    EXPECT_EQ(addKind(u"a"_s, u"True"_s), u"-1"_s);
    EXPECT_EQ(kinds->value(u"CzySam"_s), QVariant(qlonglong(-1)));
    EXPECT_EQ(addKind(u"b"_s, u"false"_s), u"0"_s);
    EXPECT_EQ(addKind(u"c"_s, 1), u"-1"_s);
    kinds->addNew();
    EXPECT_EQ(errorOf([&] { kinds->setValue(u"CzySam"_s, u"może"_s); }), err::ConversionError);
    kinds->cancelUpdate();

    const auto match = db->openRecordset(u"SELECT * FROM Mecze WHERE Id_meczu = 1"_s);
    const auto storeDate = [&](const QVariant& date) {
        match->edit();
        match->setValue(u"Data"_s, date);
        match->update();
        return diary.value(u"SELECT Data FROM Mecze WHERE Id_meczu = 1"_s).toString();
    };
    EXPECT_EQ(storeDate(QDate(2003, 5, 1)), u"2003-05-01"_s);
    EXPECT_EQ(match->value(u"Data"_s), QVariant(QDate(2003, 5, 1)));
    EXPECT_EQ(storeDate(QDateTime(QDate(1999, 12, 31), QTime(23, 59))), u"1999-12-31"_s);
    match->edit();
    EXPECT_EQ(errorOf([&] { match->setValue(u"Data"_s, u"jutro"_s); }), err::ConversionError);
}

TEST_F(RecordsetTest, DuplicateNamesAreRefusedIgnoringCaseAlsoInPolishLetters) {
    const auto clubs = db->openRecordset(u"Kluby"_s);
    const auto addClub = [&](const QString& name) {
        return errorOf([&] {
            clubs->addNew();
            clubs->setValue(1, name);
            clubs->update();
        });
    };
    EXPECT_EQ(addClub(u"ŁÓDZKI KS"_s), err::DuplicateKey);
    EXPECT_EQ(addClub(u"wisła"_s), err::DuplicateKey);
    EXPECT_EQ(diary.count(u"Kluby"_s), 4);
    clubs->cancelUpdate();
    EXPECT_EQ(addClub(u"Łódź"_s), 0);
    EXPECT_EQ(addClub(u"Lodz"_s), 0) << "ł and l are different letters";

    // Renaming onto another row's name is refused; a row may change the case of its own name.
    const auto club = db->openRecordset(u"SELECT * FROM Kluby WHERE Id_klubu = 2"_s);
    club->edit();
    club->setValue(u"Druzyna"_s, u"ŁÓDŹ"_s);
    EXPECT_EQ(errorOf([&] { club->update(); }), err::DuplicateKey);
    club->cancelUpdate();
    club->edit();
    club->setValue(u"Druzyna"_s, u"WISŁA"_s);
    EXPECT_EQ(errorOf([&] { club->update(); }), 0);
    EXPECT_EQ(diary.value(u"SELECT Druzyna FROM Kluby WHERE Id_klubu = 2"_s).toString(),
              u"WISŁA"_s);
}

// Another program's SQLite database is refused by the connection pool's and the start-up tests.
TEST(OpeningTest, RefusesMissingAndNonDatabaseFilesLeavingThemUntouched) {
    Diary diary;
    const auto refusal = [](const QString& path) {
        try {
            Database::open(path);
        } catch (const engine::Error& e) {
            return e;
        }
        return engine::Error(0, QString());
    };
    const QString missing = diary.dir() + u"/Brak.mdb"_s;
    const engine::Error e = refusal(missing);
    EXPECT_EQ(e.number(), err::FileNotFound);
    EXPECT_EQ(e.description(), u"Nie można odnaleźć pliku '"_s + missing + u"'."_s);
    EXPECT_FALSE(QFileInfo::exists(missing)) << "opening must never create the file";
    for (const QByteArray& bytes : {QByteArray(5000, 'x'), QByteArray()}) {
        QFile file(missing);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        file.close();
        const engine::Error refused = refusal(missing);
        EXPECT_EQ(refused.number(), err::NotADatabase);
        EXPECT_TRUE(refused.description().contains(missing));
        EXPECT_EQ(fileBytes(missing), bytes) << "the file must stay untouched";
    }
}

}  // namespace
