#include "support/Diary.h"
#include "support/Operations.h"
#include "support/Tool.h"

#include <QFile>
#include <QProcess>

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace testing_support;

namespace {

struct ToolTest : ::testing::Test {
    QString file(const QString& name) const { return diary.dir() + u'/' + name; }
    SampleDiary diary;
};

// The rows of a plain SQLite query (the checks below use SQLite's own syntax), tab-separated.
QStringList lines(const QString& path, const QString& sql) {
    QStringList result;
    for (const QStringList& row : rowsOf(path, sql)) {
        result << row.join(u'\t');
    }
    return result;
}

TEST_F(ToolTest, CreateQueryAndExec) {
    const QString path = file(u"Nowa.mdb"_s);
    EXPECT_EQ(tool({u"create"_s, path}).status, 0);
    EXPECT_EQ(tool({u"check"_s, path}).out, u"ok\n"_s);
    EXPECT_EQ(
        tool({u"query"_s, path, u"SELECT * FROM Mecze"_s}).out,
        u"Id_meczu\tId_sezonu\tData\tGdzie\tId_klubu\tWyn1\tWyn2\tId_rozgrywki\tKomentarz\n"_s);
    const QByteArray before = fileBytes(diary.path());
    const ToolRun again = tool({u"create"_s, diary.path()});
    EXPECT_EQ(again.status, 1);
    EXPECT_TRUE(again.err.contains(u"3204"_s));
    EXPECT_EQ(fileBytes(diary.path()), before);

    // Rows in their plain forms.
    diary.exec(u"UPDATE Mecze SET Komentarz = 'a\tb\\c' WHERE Id_meczu = 4"_s);
    ToolRun run = tool({u"query"_s, diary.path(),
                        u"SELECT Id_meczu, Data, Wyn1, Komentarz FROM Mecze WHERE Id_meczu >= 3 "
                        "ORDER BY Id_meczu"_s});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out,
              u"Id_meczu\tData\tWyn1\tKomentarz\n3\t2002-09-01\t0\tSparing\\r\\nw deszczu\n"
              "4\t2003-03-15\t3\ta\\tb\\\\c\n5\t2003-04-20\tNULL\tNULL\n"_s);
    EXPECT_EQ(tool({u"query"_s, diary.path(),
                    u"SELECT Nazwa, Oficjalny FROM Rozgrywki ORDER BY Id_rozgrywki"_s})
                  .out,
              u"Nazwa\tOficjalny\nLiga\t-1\nPuchar\t-1\nSparing\t0\n"_s);

    // exec prints the number of rows changed.
    run = tool({u"exec"_s, diary.path(), u"DELETE FROM Mecze WHERE Id_meczu = 1"_s});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, u"1\n"_s);
    EXPECT_EQ(diary.count(u"Bramki"_s), 5);
}

TEST_F(ToolTest, BadInputIsOneLineAndLeavesFilesAlone) {
    const QString missing = file(u"Brak.mdb"_s);
    const QString text = file(u"tekst.mdb"_s);
    const QString foreign = file(u"obcy.db"_s);
    QFile textFile(text);
    ASSERT_TRUE(textFile.open(QIODevice::WriteOnly) && textFile.write("to nie jest baza") > 0);
    textFile.close();
    // SQLite takes an empty file for an empty database.
    ASSERT_TRUE(QFile(foreign).open(QIODevice::WriteOnly));
    rowsOf(foreign, u"CREATE TABLE Mecze (x)"_s);
    const QString select = u"SELECT * FROM Mecze"_s;
    const QString del = u"DELETE FROM Mecze"_s;
    // A failing command says so in one line (with the engine's error number) and exits with 1;
    // a wrong command line shows the usage and exits with 2.
    const struct {
        QStringList arguments;
        QString says;
        int status = 1;
    } cases[] = {
        {{u"query"_s, missing, select}, u"3024"_s},
        {{u"exec"_s, missing, del}, u"3024"_s},
        {{u"check"_s, missing}, u"3024"_s},
        {{u"query"_s, text, select}, u"3343"_s},
        {{u"exec"_s, foreign, del}, u"3343"_s},
        {{u"check"_s, foreign}, u"3343"_s},
        {{u"query"_s, diary.path(), u"SELEKT * FROM Mecze"_s}, u""_s},
        {{u"query"_s, diary.path(), u"SELECT * FROM Brak"_s}, u"3078"_s},
        {{u"query"_s, diary.path(), del}, u"3219"_s},
        {{u"exec"_s, diary.path(), u"DELETE FROM Brak"_s}, u"3078"_s},
        {{u"exec"_s, diary.path(), select}, u"3065"_s},
        {{u"exec"_s, diary.path(), del + u"; "_s + del}, u""_s},
        {{}, u"użycie:"_s, 2},
        {{u"drop"_s, diary.path()}, u"użycie:"_s, 2},
        {{u"query"_s, diary.path()}, u"użycie:"_s, 2},
        {{u"demo"_s, file(u"d.mdb"_s), u"0"_s}, u"użycie:"_s, 2},
    };
    const auto contents = [&] {
        return QList<QByteArray>{fileBytes(text), fileBytes(foreign), fileBytes(diary.path())};
    };
    const auto before = contents();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(u' ').toStdString());
        const ToolRun run = tool(c.arguments);
        EXPECT_EQ(run.status, c.status);
        EXPECT_TRUE(run.err.contains(c.says)) << run.err.toStdString();
        if (c.status == 1) {
            EXPECT_TRUE(run.out.isEmpty());
            EXPECT_EQ(run.err.count(u'\n'), 1) << run.err.toStdString();
        }
    }
    // repair names what is no diary in the start-up's words.
    const ToolRun refused = tool({u"repair"_s, text});
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(refused.err.startsWith(
        u"mirvola-db: Plik %1 nie jest bazą danych programu Mirvola !!!\n"_s.arg(text)))
        << refused.err.toStdString();
    EXPECT_EQ(tool({u"repair"_s, missing}).status, 1);
    EXPECT_FALSE(QFile::exists(missing));
    EXPECT_FALSE(QFile::exists(file(u"d.mdb"_s)));
    EXPECT_EQ(contents(), before);
}

// The demo diary, then the start-up's check and repair from the command line: a damaged diary
// is repaired with the same report and a sound one is left alone.
TEST_F(ToolTest, DemoIsRealisticAndTheSameEveryTimeAndRepairTellsWhatItSaved) {
    const QString path = file(u"Demo.mdb"_s);
    ASSERT_EQ(tool({u"demo"_s, path}).status, 0);
    EXPECT_EQ(tool({u"check"_s, path}).out, u"ok\n"_s);

    EXPECT_EQ(lines(path,
                    u"SELECT (SELECT count(*) FROM Sezony), (SELECT count(*) FROM Kluby), "
                    "(SELECT count(*) FROM Gracze), count(*), count(DISTINCT Gdzie), "
                    "(SELECT count(DISTINCT Id_jak) FROM Bramki), (SELECT count(*) FROM Jak "
                    "WHERE CzySam = -1), (SELECT count(*) FROM Rozgrywki WHERE Oficjalny = 0), "
                    "min(min(Wyn1), min(Wyn2)), max(max(Wyn1), max(Wyn2)) FROM Mecze"_s),
              qs({"10\t30\t150\t300\t3\t5\t1\t1\t0\t7"}));

    // Counts of "SELECT count(*) FROM ..." that must lie between `least` and `most`. The
    // storage rule: positions 1.. without gaps, the host's goals first, the home club's goals
    // marked, no side with more goal rows than goals, minutes ascending per side.
    const QString host = u"(CASE WHEN m.Gdzie = 'W' THEN 0 ELSE -1 END)"_s;
    const struct {
        QString from;
        int least, most;
    } counts[] = {
        {u"Kluby WHERE Druzyna GLOB '*[ąćęłńóśźżŁŚŻ]*'"_s, 4, 30},
        {u"Gracze WHERE Nazwisko IS NULL AND Imie IS NULL AND Przydomek IS NOT NULL"_s, 1, 150},
        {u"Gracze WHERE Nazwisko = 'O''Neil'"_s, 1, 1},
        {u"Mecze WHERE Komentarz LIKE '%' || char(13, 10) || '%'"_s, 1, 300},
        {u"Bramki"_s, 600, 300 * 14},
        // Some goals were not entered.
        {u"Mecze m WHERE Wyn1 + Wyn2 > (SELECT count(*) FROM Bramki b WHERE b.Id_meczu = "
         "m.Id_meczu)"_s,
         1, 300},
        {u"Mecze m WHERE (SELECT count(*) FROM Bramki b WHERE b.Id_meczu = m.Id_meczu) <> "
         "coalesce((SELECT max(Nr_pozycji) FROM Bramki b WHERE b.Id_meczu = m.Id_meczu), 0)"_s,
         0, 0},
        {u"Bramki b JOIN Mecze m USING (Id_meczu) WHERE (b.Czy_Mirvola = %1) <> (b.Nr_pozycji <= "
         "(SELECT count(*) FROM Bramki h WHERE h.Id_meczu = m.Id_meczu AND h.Czy_Mirvola = %1))"_s
             .arg(host),
         0, 0},
        {u"Mecze m WHERE (SELECT count(*) FROM Bramki b WHERE b.Id_meczu = m.Id_meczu AND "
         "b.Czy_Mirvola = %1) > m.Wyn1 OR (SELECT count(*) FROM Bramki b WHERE b.Id_meczu = "
         "m.Id_meczu AND b.Czy_Mirvola <> %1) > m.Wyn2"_s.arg(host),
         0, 0},
        {u"Bramki a JOIN Bramki b ON a.Id_meczu = b.Id_meczu AND a.Czy_Mirvola = b.Czy_Mirvola "
         "AND a.Nr_pozycji < b.Nr_pozycji WHERE a.Minuta > b.Minuta OR a.Minuta NOT BETWEEN 1 "
         "AND 120"_s,
         0, 0},
    };
    for (const auto& c : counts) {
        const int n = lines(path, u"SELECT count(*) FROM "_s + c.from).value(0, u"-1"_s).toInt();
        EXPECT_TRUE(n >= c.least && n <= c.most) << n << " from " << c.from.toStdString();
    }
    const QString again = file(u"Demo2.mdb"_s);
    ASSERT_EQ(tool({u"demo"_s, again}).status, 0);
    EXPECT_EQ(fileBytes(again), fileBytes(path));
    EXPECT_EQ(tool({u"demo"_s, again}).status, 1) << "never overwrites";

    const QByteArray sound = fileBytes(path);
    EXPECT_EQ(tool({u"repair"_s, path}).out, u"ok\n"_s);
    EXPECT_EQ(fileBytes(path), sound);
    damageMatches(path);
    const QByteArray damaged = fileBytes(path);
    const ToolRun run = tool({u"repair"_s, path});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    const int left = lines(path, u"SELECT count(*) FROM Mecze"_s).value(0).toInt();
    EXPECT_TRUE(run.out.startsWith(
        u"Plik %1 jest uszkodzony: nie przeszedł sprawdzenia spójności (uszkodzone tabele: "
        "Mecze).\nBaza danych została naprawiona.\n\nMecze: było 300, odzyskano %2, nie udało "
        "się odczytać %3\n"_s.arg(path)
            .arg(left)
            .arg(300 - left)))
        << run.out.toStdString();
    EXPECT_TRUE(run.out.endsWith(u"Uszkodzony plik zachowano jako %1.uszkodzona.\n"_s.arg(path)));
    EXPECT_EQ(fileBytes(path + u".uszkodzona"_s), damaged);
    EXPECT_EQ(tool({u"check"_s, path}).out, u"ok\n"_s);
}

}  // namespace

namespace {

// Runs the tool as another user (nobody) when the tests run as root, who may read anything.
ToolRun toolAsOtherUser(const QStringList& arguments) {
    QProcess process;
    if (::geteuid() == 0) {
        process.setChildProcessModifier([] {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0) {
                ::_exit(99);
            }
        });
    }
    process.start(qEnvironmentVariable("MIRVOLA_DB_TOOL"), arguments);
    EXPECT_TRUE(process.waitForFinished(60000));
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

}  // namespace

// The tool speaks Polish: its usage (also for --help), an unknown command named, and why a file
// cannot be opened, never advice meant for the program's windows.
TEST_F(ToolTest, SpeaksPolishAndSaysWhyAFileCannotBeOpened) {
    const ToolRun help = tool({u"--help"_s});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.startsWith(u"użycie: mirvola-db POLECENIE PLIK [ARGUMENT]\n"_s));
    for (const char* command : {"create", "demo", "query", "exec", "check", "records", "seasons",
                                "export", "backup", "import", "repair", "merge", "report"}) {
        EXPECT_TRUE(help.out.contains(u"\n  "_s + QLatin1String(command) + u' '))
            << command << " missing from the usage";
    }
    EXPECT_FALSE(help.out.contains(u"the "_s)) << "English left in the usage";

    ToolRun run = tool({u"frob"_s, diary.path()});
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.err.startsWith(u"mirvola-db: nieznane polecenie „frob”\nużycie:"_s))
        << run.err.toStdString();
    run = tool({u"check"_s});
    EXPECT_TRUE(run.err.startsWith(u"mirvola-db: zła liczba argumentów polecenia check\n"_s))
        << run.err.toStdString();

    const QString folder = file(u"brak"_s);
    const struct {
        QStringList arguments;
        QString says;
    } cases[] = {
        {{u"check"_s, folder + u"/d.mdb"_s},
         u"błąd 3024: Nie można otworzyć pliku '%1/d.mdb': katalog '%1' nie istnieje."_s.arg(
             folder)},
        {{u"records"_s, file(u"d.mdb"_s)},
         u"błąd 3024: Nie można otworzyć pliku '%1': plik nie istnieje."_s.arg(file(u"d.mdb"_s))},
        {{u"query"_s, diary.dir(), u"SELECT 1"_s},
         u"błąd 3051: Nie można otworzyć pliku '%1': to katalog, a nie plik."_s.arg(diary.dir())},
        {{u"create"_s, folder + u"/d.mdb"_s},
         u"błąd 3024: Nie można utworzyć pliku '%1/d.mdb': katalog '%1' nie istnieje."_s.arg(
             folder)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(u' ').toStdString());
        run = tool(c.arguments);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, u"mirvola-db: "_s + c.says + u'\n');
    }

    // Another user: a folder closed to him, then a diary he may not read.
    run = toolAsOtherUser({u"check"_s, diary.path()});
    EXPECT_EQ(run.err,
              u"mirvola-db: błąd 3051: Nie można otworzyć pliku '%1': brak uprawnień do "
              "katalogu '%2'.\n"_s.arg(diary.path(), diary.dir()));
    ASSERT_EQ(::chmod(QFile::encodeName(diary.dir()).constData(), 0755), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(diary.path()).constData(), 0600), 0);
    run = toolAsOtherUser({u"repair"_s, diary.path()});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err,
              u"mirvola-db: błąd 3051: Nie można otworzyć pliku '%1': brak uprawnień do "
              "odczytu pliku.\n"_s.arg(diary.path()));
    EXPECT_FALSE(run.err.contains(u"uruchom program"_s));
    ::chmod(QFile::encodeName(diary.dir()).constData(), 0700);
}
