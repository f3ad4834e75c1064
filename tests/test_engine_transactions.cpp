#include "data/Mirvola.h"
#include "data/engine/Error.h"
#include "data/engine/Workspace.h"
#include "support/Diary.h"
#include "support/EngineError.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using engine::Workspace;
using namespace testing_support;
namespace err = engine::err;

namespace {

class TransactionTest : public ::testing::Test {
  protected:
    void TearDown() override {
        Mirvola::rsDane.reset();
        Mirvola::dbBaza.reset();
        if (Workspace::inTransaction()) {
            Workspace::rollback();
        }
    }
    std::vector<QStringList> everything() const {
        std::vector<QStringList> all;
        for (const char* table : {"Mecze", "Bramki", "Kluby", "Gracze"}) {
            const auto rows =
                diary.rows(u"SELECT * FROM "_s + QLatin1String(table) + u" ORDER BY rowid"_s);
            all.insert(all.end(), rows.begin(), rows.end());
        }
        return all;
    }
    SampleDiary diary;
};

// The match editor's save: delete the old goals, then write them again; a failure on the way
// rolls back every separate command before it (a cascade too).
TEST_F(TransactionTest, RollbackAfterAFailureUndoesEverySeparateCommand) {
    const auto before = everything();
    Workspace::beginTrans();
    for (const char* sql :
         {"DELETE FROM Gracze", "DELETE FROM Kluby", "DELETE FROM Mecze WHERE Id_meczu = 1"}) {
        Mirvola::WykonajSQL(QLatin1String(sql));
    }
    Mirvola::OtworzBaze(u"Bramki"_s);
    EXPECT_EQ(errorOf([] {
                  Mirvola::rsDane->addNew();
                  Mirvola::rsDane->setValue(u"Id_meczu"_s, 2);
                  Mirvola::rsDane->setValue(u"Nr_pozycji"_s, 1);  // taken by match 2
                  Mirvola::rsDane->setValue(u"Czy_Mirvola"_s, u"True"_s);
                  Mirvola::rsDane->update();
              }),
              err::DuplicateKey);
    Mirvola::ZamknijBaze();
    Workspace::rollback();
    EXPECT_FALSE(Workspace::inTransaction());
    EXPECT_EQ(everything(), before);
}

TEST_F(TransactionTest, CommandsJoinTheTransactionAndCommitKeepsTheirWork) {
    Workspace::beginTrans();
    Mirvola::WykonajSQL(u"DELETE FROM Bramki WHERE Id_meczu = 2"_s);
    Mirvola::OtworzBaze(u"SELECT * FROM Bramki WHERE Id_meczu = 2"_s);
    EXPECT_EQ(Mirvola::rsDane->recordCount(), 0) << "the shared recordset sees the deletion";
    Mirvola::ZamknijBaze();
    EXPECT_EQ(diary.value(u"SELECT count(*) FROM Bramki WHERE Id_meczu = 2"_s).toInt(), 3)
        << "nobody outside the transaction sees it before the commit";

    Mirvola::OtworzBaze(u"Mecze"_s);
    Mirvola::rsDane->addNew();
    Mirvola::rsDane->setValue(u"Gdzie"_s, u"D"_s);
    Mirvola::rsDane->update();
    Mirvola::rsDane->moveToLastModified();
    EXPECT_EQ(Mirvola::rsDane->value(u"Id_meczu"_s).toLongLong(), 6);
    Mirvola::ZamknijBaze();
    Workspace::commitTrans();

    EXPECT_EQ(diary.value(u"SELECT count(*) FROM Bramki WHERE Id_meczu = 2"_s).toInt(), 0);
    EXPECT_EQ(diary.count(u"Mecze"_s), 6);
}

TEST_F(TransactionTest, NestingAndEndingWithoutBeginningAreErrors) {
    EXPECT_EQ(errorOf(&Workspace::commitTrans), err::NoTransaction);
    EXPECT_EQ(errorOf(&Workspace::rollback), err::NoTransaction);
    Workspace::beginTrans();
    EXPECT_EQ(errorOf(&Workspace::beginTrans), err::TransactionOpen);
    EXPECT_TRUE(Workspace::inTransaction());
    Workspace::commitTrans();
    EXPECT_FALSE(Workspace::inTransaction());
}

}  // namespace
