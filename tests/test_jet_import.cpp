// Reading old (Jet) diaries and converting them into diaries of this program: every row and id
// carried over from Jet 3 and Jet 4 files, and every bad file refused with a clear message,
// without a diary written and with the old file's bytes untouched.

#include "data/DemoDiary.h"
#include "data/JetImport.h"
#include "data/JetReader.h"
#include "data/engine/Error.h"
#include "data/engine/FileOps.h"
#include "support/EngineError.h"
#include "support/OldDiaries.h"
#include "support/Tool.h"

#include <QCoreApplication>
#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <algorithm>

#include <gtest/gtest.h>

#include <functional>
#include <numeric>

#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace testing_support;
using jetfile::Options;
using jetfile::Type;
using jetfile::Version;

namespace {

// Options of `version` as `change` sets them.
Options with(Version version, const std::function<void(Options&)>& change) {
    Options options(version);
    change(options);
    return options;
}

const struct {
    const char* name;
    Options options;
    jet::Format format;
} kVariants[] = {
    {"Jet 3", Version::Jet3, jet::Format::Jet3},
    {"Jet 3 naming a western code page", with(Version::Jet3, [](Options& o) { o.codePage = 1252; }),
     jet::Format::Jet3},
    {"Jet 4", Version::Jet4, jet::Format::Jet4},
    {"Jet 4, compressed texts", with(Version::Jet4, [](Options& o) { o.compressedText = true; }),
     jet::Format::Jet4},
};

class OldDiaryTest : public ::testing::Test {
  protected:
    void SetUp() override { fillAwkwardDiary(original); }

    QString file(const QString& name) const { return original.dir() + u'/' + name; }

    QString saved(const QString& name, const QByteArray& bytes) const {
        QFile f(file(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) >= 0);
        return file(name);
    }

    // The awkward diary as an old file.
    QString oldFile(const Options& options, const QString& name = u"Stary.mdb"_s) const {
        writeOldDiary(original.path(), file(name), options);
        return file(name);
    }

    // `tables` (the old diary's layout, changed by the test) as an old file.
    QString oldFile(const std::vector<jetfile::Table>& tables, const Options& options = {},
                    const QString& name = u"Inny.mdb"_s) const {
        jetfile::writeJetFile(file(name), tables, options);
        return file(name);
    }

    std::vector<jetfile::Table> awkwardTables() const {
        return jetfile::oldDiaryTables(original.path());
    }

    Diary original;
};

// Long comments lie outside their rows, in one long value page or in a chain of them. Jet 3
// texts are read as the Polish code page whatever the header names and whatever the
// environment asks of mdbtools; the environment is left as it was. Goals of a match the old
// file lacks cannot be kept (no window showed them, and the new diary's goals belong to a
// match): they are left out and counted.
TEST_F(OldDiaryTest, JetThreeAndFourFilesCarryEveryRowIdAndValue) {
    const QString line = u"Zażółć gęślą jaźń – długi komentarz.\r\n"_s;
    original.exec(
        u"UPDATE Mecze SET Komentarz = '%1' WHERE Id_meczu = 2;"
        u"UPDATE Mecze SET Komentarz = '%2' WHERE Id_meczu = 3"_s.arg(line.repeated(20),
                                                                      line.repeated(3000)));
    std::vector<jetfile::Table> tables = awkwardTables();
    jetfile::table(tables, u"Bramki"_s).rows.push_back({77, 1, true, 1, 5, 1});
    jetfile::table(tables, u"Bramki"_s).rows.push_back({77, 2, false, 2, 6, 1});
    qputenv("MDB_JET3_CHARSET", "CP1252");
    qputenv("MDBICONV", "ISO-8859-2");
    for (const auto& v : kVariants) {
        SCOPED_TRACE(v.name);
        const QString old = oldFile(tables, v.options);
        const QByteArray oldHash = fileHash(old);
        const QString converted = file(u"Nowy.mdb"_s);
        QFile::remove(converted);

        const jet::OldDiary diary = jet::readOldDiary(old);
        EXPECT_EQ(diary.format, v.format);
        EXPECT_EQ(qgetenv("MDB_JET3_CHARSET"), "CP1252");
        EXPECT_EQ(qgetenv("MDBICONV"), "ISO-8859-2");
        EXPECT_EQ(jet::importToNewFile(diary, converted).droppedGoals, 2);

        EXPECT_EQ(engine::checkDatabase(converted), u"ok"_s);
        EXPECT_EQ(dumpDiary(converted), dumpDiary(original.path()));
        // The key counters continue after the largest id (Mecze: 9), as in the original.
        const QString sequences = u"SELECT name, seq FROM sqlite_sequence ORDER BY name"_s;
        EXPECT_EQ(rowsOf(converted, sequences), rowsOf(original.path(), sequences));
        EXPECT_EQ(fileHash(old), oldHash);
    }
    qunsetenv("MDB_JET3_CHARSET");
    qunsetenv("MDBICONV");
    jet::readOldDiary(oldFile(Version::Jet3));
    EXPECT_FALSE(qEnvironmentVariableIsSet("MDB_JET3_CHARSET"));
    EXPECT_FALSE(qEnvironmentVariableIsSet("MDBICONV"));
}

// What the reader gives for each kind of column, also for column types the old program did
// not use but a file touched by hand may have.
TEST_F(OldDiaryTest, ValuesComeTypedWithNullEmptyTextDaysAndYesNoKept) {
    std::vector<jetfile::Table> tables = jetfile::oldDiaryLayout();
    jetfile::Table& mecze = jetfile::table(tables, u"Mecze"_s);
    mecze.columns[1].type = Type::Double;   // Id_sezonu
    mecze.columns[5].type = Type::Integer;  // Wyn1
    mecze.columns[6].type = Type::Integer;  // Wyn2: 16 bits with a sign
    mecze.rows = {
        {1, 2.0, -1.25, u"D"_s, 1, 300, -2, 1, u""_s},
        {2, QVariant(), 36000.75, u"W"_s, QVariant(), QVariant(), QVariant(), 1, QVariant()},
    };
    jetfile::Table& rozgrywki = jetfile::table(tables, u"Rozgrywki"_s);
    rozgrywki.columns[2].type = Type::Integer;  // Oficjalny as a number
    rozgrywki.rows = {{1, u"Liga"_s, 1}, {2, u"Sparing"_s, 0}, {3, u"Puchar"_s, QVariant()}};
    jetfile::table(tables, u"Jak"_s).rows = {{1, u"samobójczy"_s, true}, {2, u"z gry"_s, false}};

    for (const Version version : {Version::Jet3, Version::Jet4}) {
        const jet::OldDiary diary = jet::readOldDiary(oldFile(tables, {version}));
        const auto& m = diary.table(u"Mecze"_s).rows;
        ASSERT_EQ(m.size(), 2u);
        EXPECT_EQ(m[0][2].toDate(), QDate(1899, 12, 29)) << "the day of a time before 1900";
        EXPECT_EQ(m[1][2].toDate(), QDate(1998, 7, 24)) << "the day of a time after noon";
        EXPECT_EQ(m[0][1], QVariant(qlonglong(2)));
        EXPECT_EQ(m[0][5], QVariant(qlonglong(300)));
        EXPECT_EQ(m[0][6], QVariant(qlonglong(-2)));
        EXPECT_EQ(m[0][8], QVariant(u""_s)) << "an empty comment is not Null";
        EXPECT_TRUE(m[1][8].isNull() && m[1][1].isNull() && m[1][5].isNull());
        for (const char* name : {"Rozgrywki", "Jak"}) {  // yes is -1 whatever the file holds
            const auto& rows = diary.table(QString::fromLatin1(name)).rows;
            EXPECT_EQ(rows[0][2], QVariant(qlonglong(-1))) << name;
            EXPECT_EQ(rows[1][2], QVariant(qlonglong(0))) << name;
        }
        // An empty yes/no held as a number is no, not Null.
        EXPECT_EQ(diary.table(u"Rozgrywki"_s).rows[2][2], QVariant(qlonglong(0)));
    }
}

TEST_F(OldDiaryTest, ProgressCountsEveryRowUpToTheTotal) {
    jet::JetReader reader(oldFile(Version::Jet3));
    EXPECT_EQ(reader.declaredRows(), 35);
    std::vector<qint64> steps[2];
    const auto recorder = [&](int i) {
        return [&, i](qint64 done, qint64 total) {
            EXPECT_EQ(total, 35);
            steps[i].push_back(done);
        };
    };
    jet::importToNewFile(reader.read(recorder(0)), file(u"Nowy.mdb"_s), recorder(1));
    std::vector<qint64> everyRow(35);
    std::iota(everyRow.begin(), everyRow.end(), 1);
    EXPECT_EQ(steps[0], everyRow) << "reading";
    EXPECT_EQ(steps[1], everyRow) << "writing";
}

// Every kind of bad file, and rows the new diary's keys refuse: a clear Polish message with its
// number naming the file or the row, no diary written, the file's bytes untouched.
TEST_F(OldDiaryTest, BadFilesAreRefusedClearlyAndLeftAlone) {
    const QByteArray jet3 = fileBytes(oldFile(Version::Jet3, u"Dobry3.mdb"_s));
    const QByteArray jet4 = fileBytes(oldFile(Version::Jet4, u"Dobry4.mdb"_s));
    const auto replaced = [](QByteArray bytes, qsizetype at, qsizetype length, char fill) {
        return bytes.replace(at, length, QByteArray(length, fill));
    };
    // The Jet 3 file with its one data page of six rows, the matches', scribbled over.
    const auto scribbledMatches = [&] {
        for (qsizetype at = 3 * 2048; at < jet3.size(); at += 2048) {
            if (jet3[at] == 0x01 && jet3.mid(at + 8, 2) == QByteArray("\x06\x00", 2)) {
                return replaced(jet3, at + 10, 2048 - 10, '\xab');
            }
        }
        ADD_FAILURE() << "no page of six matches";
        return jet3;
    };
    const qsizetype longComments = jet4.indexOf("LVAL") / 4096 * 4096;
    ASSERT_GT(longComments, 2 * 4096);

    const std::vector<jetfile::Table> otherTables{
        {u"Klienci"_s, {{u"Id"_s}, {u"Nazwa"_s, Type::Text}}, {{1, u"Kowalski"_s}}}};
    std::vector<jetfile::Table> noNickname = jetfile::oldDiaryLayout();
    jetfile::table(noNickname, u"Gracze"_s).columns.pop_back();
    std::vector<jetfile::Table> textDates = jetfile::oldDiaryLayout();
    jetfile::table(textDates, u"Mecze"_s).columns[2].type = Type::Text;
    std::vector<jetfile::Table> twoClubs = awkwardTables(), noMatchId = twoClubs,
                                halfGoal = twoClubs;
    jetfile::table(twoClubs, u"Kluby"_s).rows.push_back({6, u"ŁKS Łódź"_s});
    jetfile::table(noMatchId, u"Mecze"_s).rows[2][0] = QVariant();
    jetfile::table(halfGoal, u"Mecze"_s).columns[5].type = Type::Double;
    jetfile::table(halfGoal, u"Mecze"_s).rows[1][5] = 2.5;
    const QString notOld = u"nie jest dziennikiem dawnej wersji programu Mirvola"_s;
    const QString noCatalog = u"nie można odczytać spisu tabel"_s;
    namespace err = engine::err;

    const struct {
        QString path;
        int number;
        QString words;
    } cases[] = {
        {file(u"Brak.mdb"_s), err::FileNotFound, u"Nie można odnaleźć pliku"_s},
        {saved(u"Pusty.mdb"_s, {}), err::NotADatabase, u"jest pusty"_s},
        {original.path(), err::NotADatabase, notOld},
        {oldFile(otherTables, Version::Jet4, u"Obcy.mdb"_s), err::TableNotFound,
         notOld + u": brak tabeli 'Sezony'"_s},
        {oldFile(noNickname, Version::Jet3, u"BezPrzydomka.mdb"_s), err::ItemNotFound,
         u"w tabeli 'Gracze' brak kolumny 'Przydomek'"_s},
        {oldFile(textDates, Version::Jet3, u"DatyTekstem.mdb"_s), err::ConversionError,
         u"kolumna 'Data' tabeli 'Mecze' ma typ Tekst"_s},
        {oldFile(twoClubs, Version::Jet3, u"DwaKluby.mdb"_s), err::DuplicateKey,
         u"Nie można przenieść wiersza (Id_klubu 6, Druzyna ŁKS Łódź) tabeli 'Kluby'"_s},
        {oldFile(noMatchId, Version::Jet4, u"BezId.mdb"_s), err::ConversionError,
         u"w tabeli 'Mecze', wierszu 3, kolumna 'Id_meczu' jest pusta"_s},
        {oldFile(halfGoal, Version::Jet3, u"PolGola.mdb"_s), err::ConversionError,
         u"kolumna 'Wyn1' zawiera 2.5 zamiast liczby całkowitej"_s},
        {oldFile(with(Version::Jet3, [](Options& o) { o.password = u"tajne"_s; }), u"Haslo3.mdb"_s),
         err::InvalidPassword, u"jest chroniony hasłem"_s},
        {oldFile(with(Version::Jet4, [](Options& o) { o.password = u"żółw"_s; }), u"Haslo4.mdb"_s),
         err::InvalidPassword, u"jest chroniony hasłem"_s},
        {saved(u"Nowszy.mdb"_s, replaced(jet4, 0x14, 1, 0x03)), err::NotADatabase,
         u"w nowszym formacie"_s},
        {saved(u"Uciety.mdb"_s, jet3.left(jet3.size() - 1000)), err::Corrupt,
         u"jest uszkodzony lub niekompletny: jego długość"_s},
        {saved(u"Poczatek.mdb"_s, jet4.left(4 * 4096)), err::Corrupt, noCatalog},
        {saved(u"BezSpisu.mdb"_s, replaced(jet3, 2 * 2048, 2048, '\xab')), err::Corrupt, noCatalog},
        {saved(u"BezKomentarzy.mdb"_s, replaced(jet4, longComments, 4096, '\0')), err::Corrupt,
         u"nie można odczytać całego tekstu w tabeli 'Mecze', wierszu 1, kolumnie 'Komentarz'"_s},
        {saved(u"Bazgroly.mdb"_s, scribbledMatches()), err::Corrupt,
         u"tabela 'Mecze' ma 0 z 6 wierszy"_s},
    };
    const QString converted = file(u"Nowy.mdb"_s);
    const QStringList before = filesIn(original.dir());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        const QByteArray hash = fileHash(c.path);
        const QString error =
            errorText([&] { jet::importToNewFile(jet::readOldDiary(c.path), converted); });
        EXPECT_TRUE(error.startsWith(u"Wystąpił błąd numer %1\n"_s.arg(c.number)) &&
                    error.contains(c.words))
            << error.toStdString();
        if (c.number != err::DuplicateKey) {
            EXPECT_TRUE(error.contains(QFileInfo(c.path).fileName())) << "names the file";
        }
        EXPECT_EQ(fileHash(c.path), hash);
        EXPECT_EQ(filesIn(original.dir()), before);
    }
}

TEST(OldDiaryNames, ANameWithoutExtensionGetsTheTagAtItsEnd) {
    EXPECT_EQ(jet::keptName(u"/a/dziennik"_s, u"poprzedni"_s, 1), u"/a/dziennik.poprzedni"_s);
}

// ---- mirvola-db import ---------------------------------------------------------------------

TEST_F(OldDiaryTest, ToolImportsPrintsTheRowsAndNeverOverwrites) {
    ASSERT_FALSE(qEnvironmentVariable("MIRVOLA_DB_TOOL").isEmpty());
    const QString old = oldFile(Version::Jet4);
    const QString converted = file(u"Nowy.mdb"_s);
    const ToolRun run = tool({u"import"_s, old, converted});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out,
              u"Jet 4\nSezony\t3\nKluby\t4\nRozgrywki\t3\nJak\t4\nGracze\t5\nMecze\t6\n"
              "Bramki\t10\n"_s);
    EXPECT_EQ(dumpDiary(converted), dumpDiary(original.path()));

    const QByteArray before = fileHash(converted);
    const ToolRun again = tool({u"import"_s, old, converted});
    EXPECT_EQ(again.status, 1);
    EXPECT_TRUE(again.err.contains(u"3204"_s)) << again.err.toStdString();
    EXPECT_EQ(fileHash(converted), before);

    const ToolRun bad = tool({u"import"_s, original.path(), file(u"Inny.mdb"_s)});
    EXPECT_EQ(bad.status, 1);
    EXPECT_TRUE(bad.err.startsWith(u"mirvola-db: błąd 3343: "_s)) << bad.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(file(u"Inny.mdb"_s)));
    EXPECT_EQ(tool({u"import"_s, old}).status, 2);
}

// A folder the user may not write in: nothing is written, the old file stays, the message
// says why. Root writes anywhere, so as root the tool runs as the unprivileged user nobody.
TEST_F(OldDiaryTest, ToolLeavesAFolderItMayNotWriteInAlone) {
    const QString setpriv = QStandardPaths::findExecutable(u"setpriv"_s);
    const bool root = ::geteuid() == 0;
    if (root && setpriv.isEmpty()) {
        GTEST_SKIP() << "running as root, and setpriv (util-linux) is missing to run the tool as "
                        "an unprivileged user";
    }
    const QString old = oldFile(Version::Jet3);
    const QByteArray hash = fileHash(old);
    const QStringList before = filesIn(original.dir());
    const auto readable = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
    ASSERT_TRUE(QFile::setPermissions(old, readable));
    ASSERT_TRUE(QFile::setPermissions(
        original.dir(), readable | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther));
    QStringList command{qEnvironmentVariable("MIRVOLA_DB_TOOL"), u"import"_s, old,
                        file(u"Nowy.mdb"_s)};
    if (root) {
        command = qs({"--reuid=nobody", "--regid=nogroup", "--clear-groups"}) + command;
        command.prepend(setpriv);
    }
    const QString program = command.takeFirst();
    const ToolRun result = runProgram(program, command);
    QFile::setPermissions(original.dir(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(result.err.contains(u"błąd 3043: Nie można utworzyć pliku w katalogu"_s))
        << result.err.toStdString();
    EXPECT_EQ(fileHash(old), hash);
    EXPECT_EQ(filesIn(original.dir()), before);
}

// ---- a conversion killed at any moment ----------------------------------------------------

// Run by ConversionKilledAtAnyMomentLeavesAWholeDiary in a child process of its own.
TEST(OldDiaryChild, DISABLED_ConvertsTheDiaryWhereItLies) {
    const QString diary = qEnvironmentVariable("MIRVOLA_CHILD_DIARY");
    ASSERT_FALSE(diary.isEmpty());
    jet::importReplacing(jet::readOldDiary(diary), diary, u"jet"_s);
}

// The conversion of the program's own diary, killed at moments spread over its run: the name
// Mirvola.mdb holds at every moment either the old file, unchanged, or the whole new diary,
// and then the old file is kept beside it.
TEST(OldDiaryKilled, ConversionKilledAtAnyMomentLeavesAWholeDiary) {
    Diary big;
    const QString demo = big.dir() + u"/Demo.mdb"_s;
    const QString old = big.dir() + u"/Stary.mdb"_s;
    demo::createDiary(demo, 20);
    writeOldDiary(demo, old, Version::Jet3);
    const QByteArray oldHash = fileHash(old);
    const QStringList expected = dumpDiary(demo);
    const QString diary = big.path();
    const QString kept = big.dir() + u"/Mirvola.jet.mdb"_s;

    qputenv("MIRVOLA_CHILD_DIARY", QFile::encodeName(diary));
    bool finished = false;
    int converted = 0;
    int inside = 0;  // kills while the new diary was being written
    for (int delay = 0; !finished && delay < 5000; delay += 40) {
        SCOPED_TRACE(::testing::Message() << "killed after " << delay << " ms");
        for (const QString& name : filesIn(big.dir())) {
            if (name != u"Stary.mdb"_s && name != u"Demo.mdb"_s) {
                QFile::remove(big.dir() + u'/' + name);
            }
        }
        ASSERT_TRUE(QFile::copy(old, diary));
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
                    {u"--gtest_also_run_disabled_tests"_s,
                     u"--gtest_filter=OldDiaryChild.DISABLED_ConvertsTheDiaryWhereItLies"_s});
        ASSERT_TRUE(child.waitForStarted());
        finished = child.waitForFinished(delay);
        if (!finished) {
            child.kill();
            child.waitForFinished();
        } else {
            EXPECT_EQ(child.exitCode(), 0) << child.readAllStandardOutput().toStdString();
        }
        if (fileHash(diary) == oldHash) {
            EXPECT_TRUE(!QFileInfo::exists(kept) || fileHash(kept) == oldHash);
            // The new diary's half-built file, left behind: the kill struck while it was
            // being written.
            const bool building = std::ranges::any_of(filesIn(big.dir()), [](const QString& n) {
                return n.startsWith(u".Mirvola.mdb."_s);
            });
            inside += !finished && building ? 1 : 0;
            continue;
        }
        ++converted;
        EXPECT_EQ(engine::checkDatabase(diary), u"ok"_s);
        EXPECT_EQ(dumpDiary(diary), expected);
        EXPECT_EQ(fileHash(kept), oldHash) << "the old file is kept";
    }
    EXPECT_TRUE(finished) << "the conversion never ended";
    EXPECT_GE(converted, 1);
    EXPECT_GE(inside, 1) << "no kill landed inside the conversion";
}

}  // namespace
