#include "data/Mirvola.h"
#include "data/engine/Error.h"
#include "support/Diary.h"
#include "support/EngineError.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using testing_support::SampleDiary;
namespace err = engine::err;

using testing_support::errorOf;

namespace {

class ModuleTest : public ::testing::Test {
  protected:
    void TearDown() override {
        Mirvola::rsDane.reset();
        Mirvola::dbBaza.reset();
    }
    SampleDiary diary;
};

TEST_F(ModuleTest, ZamknijBazeEmptiesBothAndASecondCallIsAnError) {
    Mirvola::OtworzBaze(u"SELECT * FROM Mecze WHERE Id_meczu = 1"_s);
    ASSERT_TRUE(Mirvola::dbBaza && Mirvola::rsDane);
    Mirvola::ZamknijBaze();
    EXPECT_FALSE(Mirvola::dbBaza || Mirvola::rsDane);
    EXPECT_EQ(errorOf(&Mirvola::ZamknijBaze), err::ObjectNotSet);
}

TEST_F(ModuleTest, WykonajSqlDeletesWithTheDatabaseRules) {
    const auto goals = [&] { return diary.count(u"Bramki"_s); };
    // The goals go with their match, and only those.
    Mirvola::WykonajSQL(u"DELETE FROM Mecze WHERE Id_meczu = 1"_s);
    EXPECT_EQ(diary.count(u"Mecze"_s), 4);
    EXPECT_EQ(goals(), 5);
    EXPECT_EQ(diary.value(u"SELECT count(*) FROM Bramki WHERE Id_meczu = 1"_s).toInt(), 0);

    // A dictionary row still referred to is deleted all the same; the goals stay.
    Mirvola::WykonajSQL(u"DELETE FROM Gracze WHERE Id_gracza = 3"_s);
    EXPECT_EQ(diary.count(u"Gracze"_s), 4);
    EXPECT_EQ(goals(), 5);
    EXPECT_FALSE(Mirvola::dbBaza) << "WykonajSQL keeps no connection";
}

int busyDepth = 0;
int busyCalls = 0;
void countingCursor(bool busy) {
    busyDepth += busy ? 1 : -1;
    ++busyCalls;
}

TEST_F(ModuleTest, WykonajSqlRestoresTheCursorAlsoOnError) {
    const auto previous = Mirvola::UstawKursorZajetosci(&countingCursor);
    busyDepth = busyCalls = 0;
    Mirvola::WykonajSQL(u"DELETE FROM Bramki WHERE Id_meczu = 2"_s);
    EXPECT_EQ(busyCalls, 2);
    EXPECT_EQ(busyDepth, 0);
    EXPECT_EQ(errorOf([] { Mirvola::WykonajSQL(u"DELETE FROM Nieznana"_s); }), err::TableNotFound);
    EXPECT_EQ(busyCalls, 4);
    EXPECT_EQ(busyDepth, 0);
    QFile::remove(diary.path());
    EXPECT_EQ(errorOf([] { Mirvola::WykonajSQL(u"DELETE FROM Mecze"_s); }), err::FileNotFound);
    EXPECT_EQ(busyDepth, 0);
    Mirvola::UstawKursorZajetosci(previous);
}

TEST_F(ModuleTest, PathsAndQuotedTexts) {
    Mirvola::UstawKatalogProgramu(u"/opt/mirvola/"_s);
    EXPECT_EQ(Mirvola::KatalogProgramu(), u"/opt/mirvola"_s);
    EXPECT_EQ(Mirvola::SciezkaBazy(), u"/opt/mirvola/Mirvola.mdb"_s);
    EXPECT_EQ(Mirvola::SciezkaKopiiBazy(), u"/opt/mirvola/KopiaMirvola.mdb"_s);
    Mirvola::UstawKatalogProgramu(diary.dir());

    EXPECT_EQ(Mirvola::TekstSQL(u"O'Neil"_s), u"'O''Neil'"_s);
    EXPECT_EQ(Mirvola::TekstSQL(QString()), u"''"_s);
    EXPECT_EQ(Mirvola::PodwojApostrofy(u"'a''"_s), u"''a''''"_s);

    // A name with an apostrophe finds its row when quoted this way.
    Mirvola::OtworzBaze(u"SELECT * FROM Kluby WHERE Druzyna = "_s +
                        Mirvola::TekstSQL(u"O'Higgins"_s));
    EXPECT_EQ(Mirvola::rsDane->recordCount(), 1);
    Mirvola::ZamknijBaze();
}

}  // namespace
