// The test writer of old (Jet) diaries, checked by an independent reader: mdbtools' own
// command-line tools must print back what the writer was given.

#include "support/Diary.h"
#include "support/JetWriter.h"
#include "support/Tool.h"

#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace jetfile;
using namespace testing_support;

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace {

class JetWriterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* name : {"mdb-ver", "mdb-tables", "mdb-export"}) {
            if (QStandardPaths::findExecutable(QString::fromLatin1(name)).isEmpty()) {
                GTEST_SKIP() << name << " is missing: mdbtools' command-line tools (Debian "
                             << "package mdbtools) check the writer";
            }
        }
        // The header's code page alone must name the Jet 3 text encoding, so that a wrong code
        // page there shows as wrong letters.
        qunsetenv("MDB_JET3_CHARSET");
        qunsetenv("MDBICONV");
    }

    static ToolRun mdbTool(const QString& name, const QStringList& arguments) {
        return runProgram(QStandardPaths::findExecutable(name), arguments);
    }

    // What mdb-export prints for `table` of the file `path`.
    static QString exported(const QString& path, const QString& table) {
        const ToolRun run = mdbTool(
            u"mdb-export"_s, {u"-e"_s, u"-0"_s, u"NULL"_s, u"-T"_s, u"%Y-%m-%d"_s, path, table});
        EXPECT_EQ(run.status, 0) << run.err.toStdString();
        return run.out;
    }

    QTemporaryDir dir;
};

// Every kind of column the old diary has, with the awkward values: Polish letters, quotes,
// control characters, Nulls in every column, the extremes of each number type; memos inside
// their rows or on long value pages; tables over many pages.
TEST_F(JetWriterTest, MdbtoolsReadsEveryKindOfValueInBothFormats) {
    Table all{u"Wszystko"_s,
              {{u"Id"_s},
               {u"Bajt"_s, Type::Byte},
               {u"Liczba"_s, Type::Integer},
               {u"Dluga"_s, Type::Long},
               {u"Ulamek"_s, Type::Double},
               {u"Dzien"_s, Type::DateTime},
               {u"TakNie"_s, Type::Bool},
               {u"Nazwa"_s, Type::Text, 40},
               {u"Opis"_s, Type::Memo}},
              {}};
    all.rows = {
        {1, 0, -32768, -2147483647LL - 1, 2.5, QDate(1899, 12, 30), true, u"Zażółć gęślą jaźń"_s,
         u"Pierwszy wiersz\r\ndrugi wiersz"_s},
        {2, 255, 32767, 2147483647LL, -0.1, QDate(2003, 5, 4), false, u"ŁÓDŹ „Widzew” – 100 €"_s,
         u"cudzysłów \" i \\ oraz\ttab"_s},
        {3, QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), QVariant(),
         QVariant()},
        {4, 7, 0, 0, 0.0, QDate(2009, 12, 31), true, u"Śląsk Wrocław"_s, u""_s},
    };
    // What `mdb-export -e -0 NULL -T %Y-%m-%d` prints: an empty text as Null, escapes in texts.
    QString expected =
        uR"(Id,Bajt,Liczba,Dluga,Ulamek,Dzien,TakNie,Nazwa,Opis
1,0,-32768,-2147483648,2.5,"1899-12-30",1,"Zażółć gęślą jaźń","Pierwszy wiersz\r\ndrugi wiersz"
2,255,32767,2147483647,-0.1,"2003-05-04",0,"ŁÓDŹ „Widzew” – 100 €","cudzysłów "" i \\ oraz\ttab"
3,NULL,NULL,NULL,NULL,NULL,0,NULL,NULL
4,7,0,0,0,"2009-12-31",1,"Śląsk Wrocław",NULL
)"_s;
    for (int n : {5, 14}) {  // a memo on one long value page, and one chained over several
        const QString memo = u"opis żółć\r\n"_s.repeated(3 * n * n);
        all.rows.push_back({n, n, n, n, n, QDate(2010, 1, n), n % 2, u"Długi opis"_s, memo});
        expected += u"%1,%1,%1,%1,%1,\"2010-01-%2\",%3,\"Długi opis\",\"%4\"\n"_s.arg(
            QString::number(n), QString::number(n).rightJustified(2, u'0'), QString::number(n % 2),
            QString(memo).replace(u"\r\n"_s, u"\\r\\n"_s));
    }
    Table many{u"Duza"_s, {{u"Id"_s}, {u"Nazwa"_s, Type::Text, 30}}, {}};
    QString expectedMany = u"Id,Nazwa\n"_s;
    for (int n = 1; n <= 1000; ++n) {
        many.rows.push_back({n, u"Wiersz numer %1 żółć"_s.arg(n)});
        expectedMany += u"%1,\"Wiersz numer %1 żółć\"\n"_s.arg(n);
    }
    // Each format plainly, then with usage maps on bitmap pages and (Jet 4) compressed texts.
    for (const auto& [version, name] :
         {std::pair{Version::Jet3, "JET3\n"}, {Version::Jet4, "JET4\n"}}) {
        for (const bool other : {false, true}) {
            SCOPED_TRACE(::testing::Message() << name << other);
            Options options(version);
            options.indirectUsageMaps = options.compressedText = other;
            const QString path = dir.filePath(u"Stary.mdb"_s);
            writeJetFile(path, {all, many}, options);
            EXPECT_EQ(mdbTool(u"mdb-ver"_s, {path}).out, QString::fromLatin1(name));
            // User tables only: the catalog must be flagged a system table.
            EXPECT_EQ(mdbTool(u"mdb-tables"_s, {u"-1"_s, path}).out, u"Wszystko\nDuza\n"_s);
            EXPECT_EQ(exported(path, all.name), expected);
            EXPECT_EQ(exported(path, many.name), expectedMany);
            // Else the compressed variant would silently check plain UTF-16 again.
            EXPECT_EQ(fileBytes(path).contains("\xff\xfeWiersz numer 1 "),
                      other && version == Version::Jet4);
        }
    }
}

// What a user added to his old diary: his own columns in Mecze, one of them an OLE object, and
// a table of his own with every other kind of value, read back by mdbtools.
TEST_F(JetWriterTest, MdbtoolsReadsTheUsersOwnColumnsAndTable) {
    std::vector<Table> tables = oldDiaryLayout();
    jetfile::table(tables, u"Mecze"_s).rows = {
        {2, 1, QDate(2001, 8, 5), u"D"_s, 1, 2, 1, 1, QVariant()},
        {3, 1, QDate(2001, 8, 12), u"W"_s, 2, 0, 0, 1, u"Remis"_s},
    };
    addUserAdditions(tables, 5);
    for (const auto& [version, name] :
         {std::pair{Version::Jet3, "JET3"}, {Version::Jet4, "JET4"}}) {
        SCOPED_TRACE(name);
        const QString path = dir.filePath(u"Dodatki.mdb"_s);
        writeJetFile(path, tables, Options(version));
        EXPECT_EQ(mdbTool(u"mdb-tables"_s, {u"-1"_s, path}).out,
                  u"Sezony\nKluby\nRozgrywki\nJak\nGracze\nMecze\nBramki\nNotatki\n"_s);
        const auto hexExport = [&](const QString& table) {
            const ToolRun run =
                mdbTool(u"mdb-export"_s, {u"-e"_s, u"-0"_s, u"NULL"_s, u"-b"_s, u"hex"_s, u"-T"_s,
                                          u"%Y-%m-%d %H:%M:%S"_s, path, table});
            EXPECT_EQ(run.status, 0) << run.err.toStdString();
            return run.out;
        };
        // "OLE2" and "OLE3" in hex; attendance 200 and Null.
        EXPECT_EQ(hexExport(u"Mecze"_s),
                  u"Id_meczu,Id_sezonu,Data,Gdzie,Id_klubu,Wyn1,Wyn2,Id_rozgrywki,Komentarz,"
                  "Widzowie,Zdjecie\n"
                  "2,1,\"2001-08-05 00:00:00\",\"D\",1,2,1,1,NULL,200,\"4F4C4532\"\n"
                  "3,1,\"2001-08-12 00:00:00\",\"W\",2,0,0,1,\"Remis\",NULL,\"4F4C4533\"\n"_s);
        // Money to four places, a single-precision number, a day with a quarter past six pm,
        // "skan1" ... in hex.
        QString notatki = u"Id,Tytul,Tresc,Kiedy,Wazne,Koszt,Ocena,Skan\n"_s;
        for (int n = 1; n <= 5; ++n) {
            notatki +=
                u"%1,\"Notatka %1 – żółć\",%2,\"2000-01-0%3 18:15:00\",%4,%5,%6,"
                "\"736B616E3%1\"\n"_s.arg(n)
                    .arg(n == 5 ? u"NULL"_s : u"\"Treść\\r\\nnotatki %1\""_s.arg(n))
                    .arg(n + 1)
                    .arg(n % 2)
                    .arg(QString::number(n * 1.25, 'f', 4))
                    .arg(n / 2.0);
        }
        EXPECT_EQ(hexExport(u"Notatki"_s), notatki);
    }
}

}  // namespace
