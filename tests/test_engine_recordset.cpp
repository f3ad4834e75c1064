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

using engine::Database;
using namespace testing_support;
namespace err = engine::err;

namespace {

class RecordsetTest : public ::testing::Test {
  protected:
    void SetUp() override {
        diary.fillSample();
        db = Database::open(diary.path());
    }
    Diary diary;
    std::unique_ptr<Database> db;
};

TEST_F(RecordsetTest, EmptyResultIsAtBothEndsAtOnce) {
    const auto rs = db->openRecordset(QStringLiteral("SELECT * FROM Mecze WHERE Id_meczu = 99"));
    EXPECT_EQ(rs->recordCount(), 0);
    EXPECT_TRUE(rs->eof());
    EXPECT_TRUE(rs->bof());
    EXPECT_EQ(rs->absolutePosition(), -1);
    EXPECT_EQ(errorOf([&] { rs->value(0); }), err::NoCurrentRecord);
    EXPECT_EQ(errorOf([&] { rs->moveNext(); }), err::NoCurrentRecord);
    EXPECT_EQ(errorOf([&] { rs->moveFirst(); }), err::NoCurrentRecord);
}

TEST_F(RecordsetTest, MovesBothWaysAndReportsPastEitherEnd) {
    const auto rs = db->openRecordset(QStringLiteral("SELECT * FROM Mecze ORDER BY Id_meczu"));
    ASSERT_EQ(rs->recordCount(), 5);
    EXPECT_EQ(rs->absolutePosition(), 0);
    rs->moveLast();
    EXPECT_EQ(rs->value(0).toLongLong(), 5);
    rs->moveNext();
    EXPECT_TRUE(rs->eof());
    EXPECT_EQ(errorOf([&] { rs->value(QStringLiteral("Id_meczu")); }), err::NoCurrentRecord);
    EXPECT_EQ(errorOf([&] { rs->moveNext(); }), err::NoCurrentRecord);
    rs->moveFirst();
    rs->movePrevious();
    EXPECT_TRUE(rs->bof());
    EXPECT_EQ(errorOf([&] { rs->movePrevious(); }), err::NoCurrentRecord);
    rs->moveNext();
    EXPECT_EQ(rs->value(0).toLongLong(), 1);
}

TEST_F(RecordsetTest, ValuesByNameAndPositionWithTheirTypes) {
    const auto rs = db->openRecordset(QStringLiteral("SELECT * FROM Mecze WHERE Id_meczu = 3"));
    ASSERT_EQ(rs->recordCount(), 1);
    QStringList names;
    for (int i = 0; i < rs->fieldCount(); ++i) {
        names << rs->fieldName(i);
    }
    EXPECT_EQ(names.join(u','), QStringLiteral("Id_meczu,Id_sezonu,Data,Gdzie,Id_klubu,Wyn1,Wyn2,"
                                               "Id_rozgrywki,Komentarz"));
    EXPECT_EQ(rs->value(0).typeId(), QMetaType::LongLong);
    EXPECT_EQ(rs->value(QStringLiteral("data")), QVariant(QDate(2002, 9, 1)));
    EXPECT_EQ(rs->value(QStringLiteral("GDZIE")).toString(), QStringLiteral("N"));
    EXPECT_EQ(rs->value(8).toString(), QStringLiteral("Sparing\r\nw deszczu"));
    EXPECT_EQ(errorOf([&] { rs->value(QStringLiteral("Nieznane")); }), err::ItemNotFound);
    EXPECT_EQ(errorOf([&] { rs->value(9); }), err::ItemNotFound);

    const auto nulls = db->openRecordset(QStringLiteral("SELECT * FROM Mecze WHERE Id_meczu = 5"));
    EXPECT_TRUE(nulls->value(QStringLiteral("Komentarz")).isNull());
    EXPECT_TRUE(nulls->value(QStringLiteral("Wyn1")).isNull());

    const auto flags =
        db->openRecordset(QStringLiteral("SELECT * FROM Rozgrywki ORDER BY Id_rozgrywki"));
    EXPECT_EQ(flags->value(2), QVariant(qlonglong(-1)));
    flags->moveLast();
    EXPECT_EQ(flags->value(QStringLiteral("Oficjalny")), QVariant(qlonglong(0)));
}

TEST_F(RecordsetTest, BareTableNameOpensTheTableForAdding) {
    const auto rs = db->openRecordset(QStringLiteral("Kluby"));
    EXPECT_EQ(rs->recordCount(), 4);
    ASSERT_TRUE(rs->updatable());
    rs->addNew();
    rs->setValue(QStringLiteral("Druzyna"), QStringLiteral("Górnik Zabrze"));
    rs->update();
    EXPECT_EQ(rs->recordCount(), 5);
    EXPECT_EQ(rs->absolutePosition(), 0) << "the current row stays where it was";
    rs->moveToLastModified();
    EXPECT_EQ(rs->value(QStringLiteral("Id_klubu")), QVariant(qlonglong(5)));
    EXPECT_EQ(
        diary.value(QStringLiteral("SELECT Druzyna FROM Kluby WHERE Id_klubu = 5")).toString(),
        QStringLiteral("Górnik Zabrze"));

    // Columns not written take the table's defaults: a new competition is official.
    const auto competitions = db->openRecordset(QStringLiteral("Rozgrywki"));
    competitions->addNew();
    competitions->setValue(1, QStringLiteral("Superpuchar"));
    competitions->update();
    competitions->moveToLastModified();
    EXPECT_EQ(competitions->value(2), QVariant(qlonglong(-1)));
}

TEST_F(RecordsetTest, EditWritesBackAndCancelDiscards) {
    const auto rs = db->openRecordset(QStringLiteral("SELECT * FROM Mecze WHERE Id_meczu = 2"));
    rs->edit();
    rs->setValue(QStringLiteral("Wyn1"), 3);
    rs->setValue(QStringLiteral("Komentarz"), QVariant());
    EXPECT_EQ(rs->value(QStringLiteral("Wyn1")).toInt(), 3) << "the edited value reads back";
    rs->update();
    EXPECT_EQ(
        diary.rows(QStringLiteral("SELECT Wyn1, Wyn2, Komentarz FROM Mecze WHERE Id_meczu = 2"))
            .front()
            .join(u','),
        QStringLiteral("3,2,NULL"));

    rs->edit();
    rs->setValue(QStringLiteral("Wyn2"), 9);
    rs->cancelUpdate();
    EXPECT_EQ(rs->value(QStringLiteral("Wyn2")).toInt(), 2);
    EXPECT_EQ(diary.value(QStringLiteral("SELECT Wyn2 FROM Mecze WHERE Id_meczu = 2")).toInt(), 2);
    EXPECT_EQ(errorOf([&] { rs->update(); }), err::CannotUpdate);
    EXPECT_EQ(errorOf([&] { rs->setValue(0, 1); }), err::CannotUpdate);

    // A condition in the program's dialect keeps the recordset updatable.
    const auto columns = db->openRecordset(
        QStringLiteral("SELECT Id_klubu, Druzyna FROM Kluby WHERE Druzyna = 'LEGIA' AND Id_klubu "
                       "In (1, 2)"));
    ASSERT_EQ(columns->recordCount(), 1);
    ASSERT_TRUE(columns->updatable());
    columns->edit();
    columns->setValue(1, QStringLiteral("Legia Warszawa"));
    columns->update();
    EXPECT_EQ(
        diary.value(QStringLiteral("SELECT Druzyna FROM Kluby WHERE Id_klubu = 1")).toString(),
        QStringLiteral("Legia Warszawa"));

    const auto joined = db->openRecordset(
        QStringLiteral("SELECT Mecze.Id_meczu, Kluby.Druzyna FROM Mecze LEFT JOIN Kluby ON "
                       "Kluby.Id_klubu = Mecze.Id_klubu"));
    EXPECT_FALSE(joined->updatable());
    EXPECT_EQ(errorOf([&] { joined->addNew(); }), err::ReadOnly);
}

TEST_F(RecordsetTest, FindFirstMovesToTheMatchOrReportsNoMatch) {
    const auto rs = db->openRecordset(QStringLiteral("SELECT * FROM Mecze ORDER BY Id_meczu"));
    rs->moveNext();
    rs->findFirst(QStringLiteral("Id_meczu = 4"));
    EXPECT_FALSE(rs->noMatch());
    EXPECT_EQ(rs->absolutePosition(), 3);
    rs->findFirst(QStringLiteral("Id_meczu = 99"));
    EXPECT_TRUE(rs->noMatch());
    EXPECT_EQ(rs->absolutePosition(), 3);
    rs->findFirst(QStringLiteral("Gdzie = 'w' AND Id_klubu = 1"));  // texts ignore case
    EXPECT_EQ(rs->value(0).toLongLong(), 5);
}

TEST_F(RecordsetTest, YesNoAndDateColumnsConvertWhatTheyAreGiven) {
    const auto kinds = db->openRecordset(QStringLiteral("Jak"));
    const auto addKind = [&](const QString& name, const QVariant& ownGoal) {
        kinds->addNew();
        kinds->setValue(QStringLiteral("Jak"), name);
        kinds->setValue(QStringLiteral("CzySam"), ownGoal);
        kinds->update();
        kinds->moveToLastModified();
        return diary.value(QStringLiteral("SELECT CzySam FROM Jak WHERE Jak = '") + name + u'\'')
            .toString();
    };
    EXPECT_EQ(addKind(QStringLiteral("a"), QStringLiteral("True")), QStringLiteral("-1"));
    EXPECT_EQ(kinds->value(QStringLiteral("CzySam")), QVariant(qlonglong(-1)));
    EXPECT_EQ(addKind(QStringLiteral("b"), QStringLiteral("false")), QStringLiteral("0"));
    EXPECT_EQ(addKind(QStringLiteral("c"), true), QStringLiteral("-1"));
    EXPECT_EQ(addKind(QStringLiteral("d"), 1), QStringLiteral("-1"));
    kinds->addNew();
    EXPECT_EQ(errorOf([&] { kinds->setValue(QStringLiteral("CzySam"), QStringLiteral("może")); }),
              err::ConversionError);
    kinds->cancelUpdate();

    const auto match = db->openRecordset(QStringLiteral("SELECT * FROM Mecze WHERE Id_meczu = 1"));
    const auto storeDate = [&](const QVariant& date) {
        match->edit();
        match->setValue(QStringLiteral("Data"), date);
        match->update();
        return diary.value(QStringLiteral("SELECT Data FROM Mecze WHERE Id_meczu = 1")).toString();
    };
    EXPECT_EQ(storeDate(QDate(2003, 5, 1)), QStringLiteral("2003-05-01"));
    EXPECT_EQ(match->value(QStringLiteral("Data")), QVariant(QDate(2003, 5, 1)));
    EXPECT_EQ(storeDate(QDateTime(QDate(1999, 12, 31), QTime(23, 59))),
              QStringLiteral("1999-12-31"));
    EXPECT_EQ(storeDate(QStringLiteral("1800-01-01")), QStringLiteral("1800-01-01"));
    match->edit();
    EXPECT_EQ(errorOf([&] { match->setValue(QStringLiteral("Data"), QStringLiteral("jutro")); }),
              err::ConversionError);
}

TEST_F(RecordsetTest, DuplicateNamesAreRefusedIgnoringCaseAlsoInPolishLetters) {
    const auto clubs = db->openRecordset(QStringLiteral("Kluby"));
    const auto addClub = [&](const QString& name) {
        return errorOf([&] {
            clubs->addNew();
            clubs->setValue(1, name);
            clubs->update();
        });
    };
    EXPECT_EQ(addClub(QStringLiteral("LEGIA")), err::DuplicateKey);
    EXPECT_EQ(addClub(QStringLiteral("ŁÓDZKI KS")), err::DuplicateKey);
    EXPECT_EQ(addClub(QStringLiteral("wisła")), err::DuplicateKey);
    EXPECT_EQ(diary.count(QStringLiteral("Kluby")), 4);
    clubs->cancelUpdate();
    EXPECT_EQ(addClub(QStringLiteral("Łódź")), 0);
    EXPECT_EQ(addClub(QStringLiteral("Lodz")), 0) << "ł and l are different letters";

    // Renaming onto another row's name is refused; a row may change the case of its own name.
    const auto club = db->openRecordset(QStringLiteral("SELECT * FROM Kluby WHERE Id_klubu = 2"));
    club->edit();
    club->setValue(QStringLiteral("Druzyna"), QStringLiteral("ŁÓDŹ"));
    EXPECT_EQ(errorOf([&] { club->update(); }), err::DuplicateKey);
    club->cancelUpdate();
    club->edit();
    club->setValue(QStringLiteral("Druzyna"), QStringLiteral("WISŁA"));
    EXPECT_EQ(errorOf([&] { club->update(); }), 0);
    EXPECT_EQ(
        diary.value(QStringLiteral("SELECT Druzyna FROM Kluby WHERE Id_klubu = 2")).toString(),
        QStringLiteral("WISŁA"));
}

TEST_F(RecordsetTest, UnknownTablesAndStatementsWithoutRowsAreErrors) {
    EXPECT_EQ(errorOf([&] { db->openRecordset(QStringLiteral("Klubyy")); }), err::TableNotFound);
    EXPECT_EQ(errorOf([&] { db->openRecordset(QStringLiteral("SELECT Nic FROM Kluby")); }),
              err::TooFewParameters);
    EXPECT_EQ(errorOf([&] { db->openRecordset(QStringLiteral("DELETE FROM Kluby")); }),
              err::InvalidOperation);
    EXPECT_EQ(diary.count(QStringLiteral("Kluby")), 4);
}

TEST(OpeningTest, RefusesMissingForeignAndNonDatabaseFiles) {
    Diary diary;
    const QString dir = diary.dir();
    const QString missing = dir + QStringLiteral("/Brak.mdb");
    try {
        Database::open(missing);
        FAIL() << "opened a missing file";
    } catch (const engine::Error& e) {
        EXPECT_EQ(e.number(), err::FileNotFound);
        EXPECT_EQ(e.description(),
                  QStringLiteral("Nie można odnaleźć pliku '") + missing + QStringLiteral("'."));
    }
    EXPECT_FALSE(QFileInfo::exists(missing)) << "opening must never create the file";

    const auto writeFile = [&](const QString& name, const QByteArray& bytes) {
        QFile file(dir + u'/' + name);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    };
    const QString text = writeFile(QStringLiteral("tekst.mdb"), QByteArray(5000, 'x'));
    const QString empty = writeFile(QStringLiteral("pusty.mdb"), {});
    const QString foreign = dir + QStringLiteral("/obcy.db");
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
