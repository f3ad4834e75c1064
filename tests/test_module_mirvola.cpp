#include "data/Mirvola.h"
#include "data/engine/Error.h"
#include "support/Diary.h"
#include "support/EngineError.h"

#include <QFileInfo>

#include <gtest/gtest.h>

using testing_support::Diary;
namespace err = engine::err;

using testing_support::errorOf;

namespace {

class ModuleTest : public ::testing::Test {
  protected:
    void SetUp() override { diary.fillSample(); }
    void TearDown() override {
        Mirvola::rsDane.reset();
        Mirvola::dbBaza.reset();
    }
    Diary diary;
};

TEST_F(ModuleTest, ZamknijBazeEmptiesBothAndASecondCallIsAnError) {
    Mirvola::OtworzBaze(QStringLiteral("SELECT * FROM Mecze WHERE Id_meczu = 1"));
    ASSERT_TRUE(Mirvola::dbBaza && Mirvola::rsDane);
    EXPECT_EQ(Mirvola::rsDane->recordCount(), 1);
    Mirvola::ZamknijBaze();
    EXPECT_FALSE(Mirvola::dbBaza);
    EXPECT_FALSE(Mirvola::rsDane);
    EXPECT_EQ(errorOf(&Mirvola::ZamknijBaze), err::ObjectNotSet);
}

TEST_F(ModuleTest, OtworzBazeWithoutTheFileCreatesNothing) {
    QFile::remove(diary.path());
    EXPECT_EQ(errorOf([] { Mirvola::OtworzBaze(QStringLiteral("Mecze")); }), err::FileNotFound);
    EXPECT_FALSE(QFileInfo::exists(diary.path()));
}

TEST_F(ModuleTest, WykonajSqlDeletesWithTheDatabaseRules) {
    const auto goals = [&] { return diary.count(QStringLiteral("Bramki")); };
    Mirvola::WykonajSQL(QStringLiteral("DELETE FROM Mecze WHERE Id_meczu = 99"));
    EXPECT_EQ(diary.count(QStringLiteral("Mecze")), 5);
    EXPECT_EQ(goals(), 8);

    // The goals go with their match, and only those.
    Mirvola::WykonajSQL(QStringLiteral("DELETE FROM Mecze WHERE Id_meczu = 1"));
    EXPECT_EQ(diary.count(QStringLiteral("Mecze")), 4);
    EXPECT_EQ(goals(), 5);
    EXPECT_EQ(diary.value(QStringLiteral("SELECT count(*) FROM Bramki WHERE Id_meczu = 1")).toInt(),
              0);

    // A dictionary row still referred to is deleted all the same; the goals stay.
    Mirvola::WykonajSQL(QStringLiteral("DELETE FROM Gracze WHERE Id_gracza = 3"));
    EXPECT_EQ(diary.count(QStringLiteral("Gracze")), 4);
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
    Mirvola::WykonajSQL(QStringLiteral("DELETE FROM Bramki WHERE Id_meczu = 2"));
    EXPECT_EQ(busyCalls, 2);
    EXPECT_EQ(busyDepth, 0);
    EXPECT_EQ(errorOf([] { Mirvola::WykonajSQL(QStringLiteral("DELETE FROM Nieznana")); }),
              err::TableNotFound);
    EXPECT_EQ(busyCalls, 4);
    EXPECT_EQ(busyDepth, 0);
    QFile::remove(diary.path());
    EXPECT_EQ(errorOf([] { Mirvola::WykonajSQL(QStringLiteral("DELETE FROM Mecze")); }),
              err::FileNotFound);
    EXPECT_EQ(busyDepth, 0);
    Mirvola::UstawKursorZajetosci(previous);
}

TEST_F(ModuleTest, PathsAndQuotedTexts) {
    Mirvola::UstawKatalogProgramu(QStringLiteral("/opt/mirvola/"));
    EXPECT_EQ(Mirvola::KatalogProgramu(), QStringLiteral("/opt/mirvola"));
    EXPECT_EQ(Mirvola::SciezkaBazy(), QStringLiteral("/opt/mirvola/Mirvola.mdb"));
    EXPECT_EQ(Mirvola::SciezkaKopiiBazy(), QStringLiteral("/opt/mirvola/KopiaMirvola.mdb"));
    Mirvola::UstawKatalogProgramu(diary.dir());

    EXPECT_EQ(Mirvola::TekstSQL(QStringLiteral("O'Neil")), QStringLiteral("'O''Neil'"));
    EXPECT_EQ(Mirvola::TekstSQL(QString()), QStringLiteral("''"));
    EXPECT_EQ(Mirvola::PodwojApostrofy(QStringLiteral("'a''")), QStringLiteral("''a''''"));

    // A name with an apostrophe finds its row when quoted this way.
    Mirvola::OtworzBaze(QStringLiteral("SELECT * FROM Kluby WHERE Druzyna = ") +
                        Mirvola::TekstSQL(QStringLiteral("O'Higgins")));
    EXPECT_EQ(Mirvola::rsDane->recordCount(), 1);
    Mirvola::ZamknijBaze();
}

}  // namespace
