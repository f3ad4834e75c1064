#include "data/engine/Database.h"
#include "data/engine/Error.h"
#include "data/engine/Recordset.h"
#include "support/Diary.h"
#include "support/EngineError.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <functional>

using namespace Qt::StringLiterals;

using engine::Database;
using namespace testing_support;
namespace err = engine::err;

namespace {

class RecordsetTest : public ::testing::Test {
  protected:
    void SetUp() override { db = Database::open(diary.path()); }
    SampleDiary diary;
    std::unique_ptr<Database> db;
};

TEST_F(RecordsetTest, EmptyResultIsAtBothEndsAtOnce) {
    const auto rs = db->openRecordset(u"SELECT * FROM Mecze WHERE Id_meczu = 99"_s);
    EXPECT_EQ(rs->recordCount(), 0);
    EXPECT_TRUE(rs->eof());
    EXPECT_TRUE(rs->bof());
    EXPECT_EQ(rs->absolutePosition(), -1);
    EXPECT_EQ(errorOf([&] { rs->value(0); }), err::NoCurrentRecord);
    EXPECT_EQ(errorOf([&] { rs->moveNext(); }), err::NoCurrentRecord);
    EXPECT_EQ(errorOf([&] { rs->moveFirst(); }), err::NoCurrentRecord);
}

TEST_F(RecordsetTest, MovesBothWaysAndReportsPastEitherEnd) {
    const auto rs = db->openRecordset(u"SELECT * FROM Mecze ORDER BY Id_meczu"_s);
    ASSERT_EQ(rs->recordCount(), 5);
    EXPECT_EQ(rs->absolutePosition(), 0);
    rs->moveLast();
    EXPECT_EQ(rs->value(0).toLongLong(), 5);
    rs->moveNext();
    EXPECT_TRUE(rs->eof());
    EXPECT_EQ(errorOf([&] { rs->value(u"Id_meczu"_s); }), err::NoCurrentRecord);
    EXPECT_EQ(errorOf([&] { rs->moveNext(); }), err::NoCurrentRecord);
    rs->moveFirst();
    rs->movePrevious();
    EXPECT_TRUE(rs->bof());
    EXPECT_EQ(errorOf([&] { rs->movePrevious(); }), err::NoCurrentRecord);
    rs->moveNext();
    EXPECT_EQ(rs->value(0).toLongLong(), 1);
}

TEST_F(RecordsetTest, ValuesByNameAndPositionWithTheirTypes) {
    const auto rs = db->openRecordset(u"SELECT * FROM Mecze WHERE Id_meczu = 3"_s);
    ASSERT_EQ(rs->recordCount(), 1);
    QStringList names;
    for (int i = 0; i < rs->fieldCount(); ++i) {
        names << rs->fieldName(i);
    }
    EXPECT_EQ(names.join(u','),
              u"Id_meczu,Id_sezonu,Data,Gdzie,Id_klubu,Wyn1,Wyn2,"
              "Id_rozgrywki,Komentarz"_s);
    EXPECT_EQ(rs->value(0).typeId(), QMetaType::LongLong);
    EXPECT_EQ(rs->value(u"data"_s), QVariant(QDate(2002, 9, 1)));
    EXPECT_EQ(rs->value(u"GDZIE"_s).toString(), u"N"_s);
    EXPECT_EQ(rs->value(8).toString(), u"Sparing\r\nw deszczu"_s);
    EXPECT_EQ(errorOf([&] { rs->value(u"Nieznane"_s); }), err::ItemNotFound);
    EXPECT_EQ(errorOf([&] { rs->value(9); }), err::ItemNotFound);

    const auto nulls = db->openRecordset(u"SELECT * FROM Mecze WHERE Id_meczu = 5"_s);
    EXPECT_TRUE(nulls->value(u"Komentarz"_s).isNull());
    EXPECT_TRUE(nulls->value(u"Wyn1"_s).isNull());

    const auto flags = db->openRecordset(u"SELECT * FROM Rozgrywki ORDER BY Id_rozgrywki"_s);
    EXPECT_EQ(flags->value(2), QVariant(qlonglong(-1)));
    flags->moveLast();
    EXPECT_EQ(flags->value(u"Oficjalny"_s), QVariant(qlonglong(0)));
}

TEST_F(RecordsetTest, BareTableNameOpensTheTableForAdding) {
    const auto rs = db->openRecordset(u"Kluby"_s);
    EXPECT_EQ(rs->recordCount(), 4);
    ASSERT_TRUE(rs->updatable());
    rs->addNew();
    rs->setValue(u"Druzyna"_s, u"Górnik Zabrze"_s);
    rs->update();
    EXPECT_EQ(rs->recordCount(), 5);
    EXPECT_EQ(rs->absolutePosition(), 0) << "the current row stays where it was";
    rs->moveToLastModified();
    EXPECT_EQ(rs->value(u"Id_klubu"_s), QVariant(qlonglong(5)));
    EXPECT_EQ(diary.value(u"SELECT Druzyna FROM Kluby WHERE Id_klubu = 5"_s).toString(),
              u"Górnik Zabrze"_s);

    // Columns not written take the table's defaults: a new competition is official.
    const auto competitions = db->openRecordset(u"Rozgrywki"_s);
    competitions->addNew();
    competitions->setValue(1, u"Superpuchar"_s);
    competitions->update();
    competitions->moveToLastModified();
    EXPECT_EQ(competitions->value(2), QVariant(qlonglong(-1)));
}

TEST_F(RecordsetTest, EditWritesBackAndCancelDiscards) {
    const auto rs = db->openRecordset(u"SELECT * FROM Mecze WHERE Id_meczu = 2"_s);
    rs->edit();
    rs->setValue(u"Wyn1"_s, 3);
    rs->setValue(u"Komentarz"_s, QVariant());
    EXPECT_EQ(rs->value(u"Wyn1"_s).toInt(), 3) << "the edited value reads back";
    rs->update();
    EXPECT_EQ(diary.rows(u"SELECT Wyn1, Wyn2, Komentarz FROM Mecze WHERE Id_meczu = 2"_s)
                  .front()
                  .join(u','),
              u"3,2,NULL"_s);

    rs->edit();
    rs->setValue(u"Wyn2"_s, 9);
    rs->cancelUpdate();
    EXPECT_EQ(rs->value(u"Wyn2"_s).toInt(), 2);
    EXPECT_EQ(diary.value(u"SELECT Wyn2 FROM Mecze WHERE Id_meczu = 2"_s).toInt(), 2);
    EXPECT_EQ(errorOf([&] { rs->update(); }), err::CannotUpdate);
    EXPECT_EQ(errorOf([&] { rs->setValue(0, 1); }), err::CannotUpdate);

    // A condition in the program's dialect keeps the recordset updatable.
    const auto columns = db->openRecordset(
        u"SELECT Id_klubu, Druzyna FROM Kluby WHERE Druzyna = 'LEGIA' AND Id_klubu "
        "In (1, 2)"_s);
    ASSERT_EQ(columns->recordCount(), 1);
    ASSERT_TRUE(columns->updatable());
    columns->edit();
    columns->setValue(1, u"Legia Warszawa"_s);
    columns->update();
    EXPECT_EQ(diary.value(u"SELECT Druzyna FROM Kluby WHERE Id_klubu = 1"_s).toString(),
              u"Legia Warszawa"_s);

    const auto joined = db->openRecordset(
        u"SELECT Mecze.Id_meczu, Kluby.Druzyna FROM Mecze LEFT JOIN Kluby ON "
        "Kluby.Id_klubu = Mecze.Id_klubu"_s);
    EXPECT_FALSE(joined->updatable());
    EXPECT_EQ(errorOf([&] { joined->addNew(); }), err::ReadOnly);
}

TEST_F(RecordsetTest, FindFirstMovesToTheMatchOrReportsNoMatch) {
    const auto rs = db->openRecordset(u"SELECT * FROM Mecze ORDER BY Id_meczu"_s);
    rs->moveNext();
    rs->findFirst(u"Id_meczu = 4"_s);
    EXPECT_FALSE(rs->noMatch());
    EXPECT_EQ(rs->absolutePosition(), 3);
    rs->findFirst(u"Id_meczu = 99"_s);
    EXPECT_TRUE(rs->noMatch());
    EXPECT_EQ(rs->absolutePosition(), 3);
    rs->findFirst(u"Gdzie = 'w' AND Id_klubu = 1"_s);  // texts ignore case
    EXPECT_EQ(rs->value(0).toLongLong(), 5);
}

// Ids and other numbers go to SQLite as parameters of a shared statement; a number after
// ORDER BY still names a result column.
TEST_F(RecordsetTest, NumbersMeanWhatSQLiteMakesOfThem) {
    const auto column = [&](const QString& sql) {
        QStringList values;
        for (const auto rs = db->openRecordset(sql); !rs->eof(); rs->moveNext()) {
            values << rs->value(0).toString();
        }
        return values;
    };
    EXPECT_EQ(column(u"SELECT Druzyna, Id_klubu FROM Kluby ORDER BY 2 DESC"_s),
              (QStringList{u"O'Higgins"_s, u"Łódzki KS"_s, u"Wisła"_s, u"Legia"_s}));
    EXPECT_EQ(column(u"SELECT Druzyna, Id_klubu FROM Kluby ORDER BY 1 DESC"_s),
              (QStringList{u"Wisła"_s, u"O'Higgins"_s, u"Łódzki KS"_s, u"Legia"_s}));
    EXPECT_EQ(column(u"SELECT Id_meczu FROM Mecze WHERE Wyn1 = 2 AND Id_klubu = 1"_s),
              QStringList{u"1"_s});
    EXPECT_EQ(column(u"SELECT Id_meczu FROM Mecze WHERE Wyn1 = 1 AND Id_klubu = 2"_s),
              QStringList{u"2"_s});
    EXPECT_EQ(column(u"SELECT Id_meczu FROM Mecze WHERE Wyn1 / 2 = 1.5"_s), QStringList{u"4"_s});
    // In lists, also with Null in them, select the rows SQLite's own In selects.
    for (const QString& condition :
         {u"Wyn1 In (0, 2, 3)"_s, u"Wyn1 Not In (0, 2, 3)"_s, u"Wyn1 Not In (0, 2, Null)"_s,
          u"Gdzie In ('d', 'N', 'x', 'y')"_s, u"Wyn1 In (1, 2) Or Wyn2 In (1, 2, 3)"_s}) {
        QString native = condition;
        native.replace(u"Null"_s, u"NULL"_s).replace(u"'d'"_s, u"'D'"_s);
        EXPECT_EQ(
            column(u"SELECT Id_meczu FROM Mecze WHERE "_s + condition + u" ORDER BY Id_meczu"_s),
            diary.column(u"SELECT Id_meczu FROM Mecze WHERE "_s + native + u" ORDER BY Id_meczu"_s))
            << condition.toStdString();
    }
    const auto big = db->openRecordset(u"SELECT 9223372036854775808 AS Duza"_s);
    EXPECT_EQ(big->value(0).typeId(), QMetaType::Double);
    db->execute(u"UPDATE Mecze SET Wyn2 = 4 WHERE Id_meczu = 3"_s);
    EXPECT_EQ(db->recordsAffected(), 1);
    EXPECT_EQ(diary.value(u"SELECT Wyn2 FROM Mecze WHERE Id_meczu = 3"_s).toString(), u"4"_s);
}

// Positioning on a number compares as SQLite does: a text never equals a number, a real one
// equals a whole one of the same value.
TEST_F(RecordsetTest, FindFirstComparesNumbersAsSQLiteDoes) {
    const auto rs = db->openRecordset(
        u"SELECT Id_meczu, Wyn1 & '' AS Tekst, Wyn1 / 1 AS Liczba FROM Mecze ORDER BY Id_meczu"_s);
    rs->findFirst(u"Tekst = 3"_s);
    EXPECT_TRUE(rs->noMatch());
    rs->findFirst(u"Liczba = 3"_s);
    EXPECT_EQ(rs->value(u"Id_meczu"_s).toLongLong(), 4);
    rs->findFirst(u"Id_meczu = 2.0"_s);
    EXPECT_EQ(rs->absolutePosition(), 1);
    rs->findFirst(u"Tekst = '1'"_s);
    EXPECT_EQ(rs->value(u"Id_meczu"_s).toLongLong(), 2);
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
    const QString order = u" FROM Mecze ORDER BY Gdzie DESC, Id_meczu"_s;
    const auto rs = Database::open(diary.path())
                        ->openRecordset(
                            u"SELECT Id_meczu, Data, Gdzie, Wyn1, Komentarz, Wyn1 + "
                            u"0.5 AS Pol"_s +
                            order);
    const std::vector<QStringList> expected =
        diary.rows(u"SELECT Id_meczu, Data, Gdzie, Wyn1, Komentarz, Wyn1 + 0.5"_s + order);
    ASSERT_EQ(rs->recordCount(), static_cast<int>(expected.size()));
    ASSERT_EQ(expected.size(), 50000u);
    for (const QStringList& row : expected) {
        QStringList values;
        for (int i = 0; i < rs->fieldCount(); ++i) {
            const QVariant v = rs->value(i);
            values << (v.isNull()                       ? u"NULL"_s
                       : v.typeId() == QMetaType::QDate ? v.toDate().toString(Qt::ISODate)
                                                        : v.toString());
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
    EXPECT_EQ(addKind(u"c"_s, true), u"-1"_s);
    EXPECT_EQ(addKind(u"d"_s, 1), u"-1"_s);
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
    EXPECT_EQ(storeDate(u"1800-01-01"_s), u"1800-01-01"_s);
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
    EXPECT_EQ(addClub(u"LEGIA"_s), err::DuplicateKey);
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

TEST_F(RecordsetTest, UnknownTablesAndStatementsWithoutRowsAreErrors) {
    EXPECT_EQ(errorOf([&] { db->openRecordset(u"Klubyy"_s); }), err::TableNotFound);
    EXPECT_EQ(errorOf([&] { db->openRecordset(u"SELECT Nic FROM Kluby"_s); }),
              err::TooFewParameters);
    EXPECT_EQ(errorOf([&] { db->openRecordset(u"DELETE FROM Kluby"_s); }), err::InvalidOperation);
    EXPECT_EQ(diary.count(u"Kluby"_s), 4);
}

TEST(OpeningTest, RefusesMissingForeignAndNonDatabaseFiles) {
    Diary diary;
    const QString dir = diary.dir();
    const QString missing = dir + u"/Brak.mdb"_s;
    try {
        Database::open(missing);
        FAIL() << "opened a missing file";
    } catch (const engine::Error& e) {
        EXPECT_EQ(e.number(), err::FileNotFound);
        EXPECT_EQ(e.description(), u"Nie można odnaleźć pliku '"_s + missing + u"'."_s);
    }
    EXPECT_FALSE(QFileInfo::exists(missing)) << "opening must never create the file";

    const auto writeFile = [&](const QString& name, const QByteArray& bytes) {
        QFile file(dir + u'/' + name);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    };
    const QString text = writeFile(u"tekst.mdb"_s, QByteArray(5000, 'x'));
    const QString empty = writeFile(u"pusty.mdb"_s, {});
    const QString foreign = dir + u"/obcy.db"_s;
    {
        sqlite3* raw = nullptr;
        sqlite3_open(foreign.toUtf8().constData(), &raw);
        sqlite3_exec(raw, "CREATE TABLE t (x)", nullptr, nullptr, nullptr);
        sqlite3_close(raw);
    }
    for (const QString& path : {text, empty, foreign}) {
        const QByteArray before = fileBytes(path);
        try {
            Database::open(path);
            ADD_FAILURE() << "opened " << path.toStdString();
        } catch (const engine::Error& e) {
            EXPECT_EQ(e.number(), err::NotADatabase) << path.toStdString();
            EXPECT_TRUE(e.description().contains(path));
        }
        EXPECT_EQ(fileBytes(path), before) << "the file must stay untouched";
    }
}

}  // namespace
