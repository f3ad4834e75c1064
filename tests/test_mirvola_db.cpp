#include "support/Diary.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

struct ToolRun {
    int status = -1;
    QString out;
    QString err;
};

ToolRun tool(const QStringList& arguments) {
    QProcess process;
    process.start(qEnvironmentVariable("MIRVOLA_DB_TOOL"), arguments);
    EXPECT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << "the tool crashed";
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

class ToolTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(qEnvironmentVariable("MIRVOLA_DB_TOOL").isEmpty());
        diary.fillSample();
    }
    QString file(const QString& name) const { return diary.dir() + u'/' + name; }
    Diary diary;
};

TEST_F(ToolTest, CreateMakesAnEmptyDiaryAndNeverOverwrites) {
    const QString path = file(QStringLiteral("Nowa.mdb"));
    EXPECT_EQ(tool({QStringLiteral("create"), path}).status, 0);
    EXPECT_EQ(tool({QStringLiteral("check"), path}).out, QStringLiteral("ok\n"));
    EXPECT_EQ(tool({QStringLiteral("query"), path, QStringLiteral("SELECT * FROM Mecze")}).out,
              QStringLiteral("Id_meczu\tId_sezonu\tData\tGdzie\tId_klubu\tWyn1\tWyn2\tId_"
                             "rozgrywki\tKomentarz\n"));
    const QByteArray before = fileBytes(diary.path());
    const ToolRun again = tool({QStringLiteral("create"), diary.path()});
    EXPECT_EQ(again.status, 1);
    EXPECT_TRUE(again.err.contains(QStringLiteral("3204")));
    EXPECT_EQ(fileBytes(diary.path()), before);
}

TEST_F(ToolTest, QueryPrintsRowsInTheirPlainForms) {
    diary.exec(QStringLiteral("UPDATE Mecze SET Komentarz = 'a\tb\\c' WHERE Id_meczu = 4"));
    const ToolRun run =
        tool({QStringLiteral("query"), diary.path(),
              QStringLiteral("SELECT Id_meczu, Data, Wyn1, Komentarz FROM Mecze WHERE "
                             "Id_meczu >= 3 ORDER BY Id_meczu")});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, QStringLiteral("Id_meczu\tData\tWyn1\tKomentarz\n"
                                      "3\t2002-09-01\t0\tSparing\\r\\nw deszczu\n"
                                      "4\t2003-03-15\t3\ta\\tb\\\\c\n"
                                      "5\t2003-04-20\tNULL\tNULL\n"));
    EXPECT_EQ(tool({QStringLiteral("query"), diary.path(),
                    QStringLiteral("SELECT Nazwa, Oficjalny FROM Rozgrywki ORDER BY Id_rozgrywki")})
                  .out,
              QStringLiteral("Nazwa\tOficjalny\nLiga\t-1\nPuchar\t-1\nSparing\t0\n"));
}

TEST_F(ToolTest, ExecPrintsTheNumberOfRowsChanged) {
    const ToolRun run = tool({QStringLiteral("exec"), diary.path(),
                              QStringLiteral("DELETE FROM Mecze WHERE Id_meczu = 1")});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, QStringLiteral("1\n"));
    EXPECT_EQ(diary.count(QStringLiteral("Bramki")), 5);
}

TEST_F(ToolTest, BadInputIsOneLineAndLeavesFilesAlone) {
    const QString missing = file(QStringLiteral("Brak.mdb"));
    const QString text = file(QStringLiteral("tekst.mdb"));
    const QString foreign = file(QStringLiteral("obcy.db"));
    {
        QFile f(text);
        f.open(QIODevice::WriteOnly);
        f.write("to nie jest baza");
        sqlite3* raw = nullptr;
        sqlite3_open(foreign.toUtf8().constData(), &raw);
        sqlite3_exec(raw, "CREATE TABLE Mecze (x)", nullptr, nullptr, nullptr);
        sqlite3_close(raw);
    }
    const QString select = QStringLiteral("SELECT * FROM Mecze");
    const QString del = QStringLiteral("DELETE FROM Mecze");
    const struct {
        QStringList arguments;
        const char* number;
    } cases[] = {
        {{QStringLiteral("query"), missing, select}, "3024"},
        {{QStringLiteral("exec"), missing, del}, "3024"},
        {{QStringLiteral("check"), missing}, "3024"},
        {{QStringLiteral("query"), text, select}, "3343"},
        {{QStringLiteral("exec"), foreign, del}, "3343"},
        {{QStringLiteral("check"), foreign}, "3343"},
        {{QStringLiteral("query"), diary.path(), QStringLiteral("SELEKT * FROM Mecze")}, ""},
        {{QStringLiteral("query"), diary.path(), QStringLiteral("SELECT * FROM Brak")}, "3078"},
        {{QStringLiteral("query"), diary.path(), del}, "3219"},
        {{QStringLiteral("exec"), diary.path(), QStringLiteral("DELETE FROM Brak")}, "3078"},
        {{QStringLiteral("exec"), diary.path(), select}, "3065"},
        {{QStringLiteral("exec"), diary.path(), del + QStringLiteral("; ") + del}, ""},
    };
    const QByteArray before[] = {fileBytes(text), fileBytes(foreign), fileBytes(diary.path())};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(u' ').toStdString());
        const ToolRun run = tool(c.arguments);
        EXPECT_EQ(run.status, 1);
        EXPECT_TRUE(run.out.isEmpty());
        EXPECT_EQ(run.err.count(u'\n'), 1) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(QLatin1String(c.number))) << run.err.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(missing));
    EXPECT_EQ(fileBytes(text), before[0]);
    EXPECT_EQ(fileBytes(foreign), before[1]);
    EXPECT_EQ(fileBytes(diary.path()), before[2]);

    for (const QStringList& wrong :
         {QStringList{}, QStringList{QStringLiteral("drop"), diary.path()},
          QStringList{QStringLiteral("query"), diary.path()},
          QStringList{QStringLiteral("check"), diary.path(), QStringLiteral("x")},
          QStringList{QStringLiteral("demo"), file(QStringLiteral("d.mdb")),
                      QStringLiteral("0")}}) {
        SCOPED_TRACE(wrong.join(u' ').toStdString());
        const ToolRun run = tool(wrong);
        EXPECT_EQ(run.status, 2);
        EXPECT_TRUE(run.err.contains(QStringLiteral("usage:")));
    }
}

// The rows of a plain SQLite query (the checks below use SQLite's own syntax), tab-separated.
QStringList column(const QString& path, const QString& sql) {
    QStringList lines;
    for (const QStringList& row : rowsOf(path, sql)) {
        lines << row.join(u'\t');
    }
    return lines;
}

int number(const QString& path, const QString& sql) {
    return column(path, sql).value(0, QStringLiteral("-1")).toInt();
}

TEST_F(ToolTest, DemoDiaryIsRealisticAndTheSameEveryTime) {
    const QString path = file(QStringLiteral("Demo.mdb"));
    ASSERT_EQ(tool({QStringLiteral("demo"), path}).status, 0);
    EXPECT_EQ(tool({QStringLiteral("check"), path}).out, QStringLiteral("ok\n"));

    const QStringList seasons =
        column(path, QStringLiteral("SELECT Sezon FROM Sezony ORDER BY Sezon"));
    ASSERT_GE(seasons.size(), 8);
    for (qsizetype i = 0; i < seasons.size(); ++i) {
        const int year = seasons[i].left(4).toInt();
        EXPECT_EQ(seasons[i],
                  QStringLiteral("%1/%2").arg(year).arg((year + 1) % 100, 2, 10, QLatin1Char('0')));
        EXPECT_TRUE(i == 0 || year == seasons[i - 1].left(4).toInt() + 1);
    }
    EXPECT_EQ(number(path, QStringLiteral("SELECT count(*) FROM Kluby")), 30);
    EXPECT_GT(number(path, QStringLiteral(
                               "SELECT count(*) FROM Kluby WHERE Druzyna GLOB '*[ąćęłńóśźżŁŚŻ]*'")),
              3);
    EXPECT_EQ(number(path, QStringLiteral("SELECT count(*) FROM Gracze")), 150);
    EXPECT_GT(number(path, QStringLiteral("SELECT count(*) FROM Gracze WHERE Nazwisko IS NULL AND "
                                          "Imie IS NULL AND Przydomek IS NOT NULL")),
              0);
    EXPECT_GT(number(path, QStringLiteral("SELECT count(*) FROM Gracze WHERE Nazwisko GLOB "
                                          "'*[ąćęłńóśźżŁŚŻ]*'")),
              0);
    EXPECT_EQ(
        number(path, QStringLiteral("SELECT count(*) FROM Gracze WHERE Nazwisko = 'O''Neil'")), 1);
    EXPECT_EQ(column(path, QStringLiteral("SELECT Nazwa, Oficjalny FROM Rozgrywki ORDER BY 1")),
              QStringList({QStringLiteral("Liga\t-1"), QStringLiteral("Puchar Polski\t-1"),
                           QStringLiteral("Puchar UEFA\t-1"), QStringLiteral("Sparing\t0")}));
    EXPECT_EQ(column(path, QStringLiteral("SELECT Jak FROM Jak WHERE CzySam = -1")),
              QStringList{QStringLiteral("samobójczy")});

    EXPECT_EQ(number(path, QStringLiteral("SELECT count(*) FROM Mecze")), 300);
    EXPECT_EQ(column(path, QStringLiteral("SELECT DISTINCT Gdzie FROM Mecze ORDER BY 1")),
              QStringList({QStringLiteral("D"), QStringLiteral("N"), QStringLiteral("W")}));
    EXPECT_EQ(column(path, QStringLiteral("SELECT min(min(Wyn1), min(Wyn2)), max(max(Wyn1), "
                                          "max(Wyn2)) FROM Mecze")),
              QStringList{QStringLiteral("0\t7")});
    EXPECT_GT(number(path, QStringLiteral("SELECT count(*) FROM Mecze WHERE Komentarz LIKE '%' || "
                                          "char(13, 10) || '%'")),
              0);

    EXPECT_GE(number(path, QStringLiteral("SELECT count(*) FROM Bramki")), 600);
    EXPECT_EQ(number(path, QStringLiteral("SELECT count(DISTINCT Id_jak) FROM Bramki")), 5);
    EXPECT_GT(number(path, QStringLiteral("SELECT count(*) FROM Mecze WHERE Wyn1 + Wyn2 > (SELECT "
                                          "count(*) FROM Bramki WHERE Bramki.Id_meczu = "
                                          "Mecze.Id_meczu)")),
              0)
        << "some goals were not entered";
    // The storage rule: positions 1.. without gaps, the host's goals first, the home club's
    // goals marked, no side with more goal rows than goals, minutes ascending per side.
    EXPECT_EQ(number(path, QStringLiteral(
                               "SELECT count(*) FROM Mecze m WHERE "
                               "(SELECT count(*) FROM Bramki b WHERE b.Id_meczu = m.Id_meczu) <> "
                               "coalesce((SELECT max(Nr_pozycji) FROM Bramki b WHERE b.Id_meczu = "
                               "m.Id_meczu), 0)")),
              0);
    const QString host = QStringLiteral("(CASE WHEN m.Gdzie = 'W' THEN 0 ELSE -1 END)");
    EXPECT_EQ(number(path, QStringLiteral("SELECT count(*) FROM Bramki b JOIN Mecze m USING "
                                          "(Id_meczu) WHERE (b.Czy_Mirvola = %1) <> (b.Nr_pozycji "
                                          "<= (SELECT count(*) FROM Bramki h WHERE h.Id_meczu = "
                                          "m.Id_meczu AND h.Czy_Mirvola = %1))")
                               .arg(host)),
              0);
    EXPECT_EQ(number(path, QStringLiteral("SELECT count(*) FROM Mecze m WHERE "
                                          "(SELECT count(*) FROM Bramki b WHERE b.Id_meczu = "
                                          "m.Id_meczu AND b.Czy_Mirvola = %1) > m.Wyn1 OR "
                                          "(SELECT count(*) FROM Bramki b WHERE b.Id_meczu = "
                                          "m.Id_meczu AND b.Czy_Mirvola <> %1) > m.Wyn2")
                               .arg(host)),
              0);
    EXPECT_EQ(number(path, QStringLiteral("SELECT count(*) FROM Bramki a JOIN Bramki b ON "
                                          "a.Id_meczu = b.Id_meczu AND a.Czy_Mirvola = "
                                          "b.Czy_Mirvola AND a.Nr_pozycji < b.Nr_pozycji WHERE "
                                          "a.Minuta > b.Minuta OR a.Minuta NOT BETWEEN 1 AND 120")),
              0);

    const QString again = file(QStringLiteral("Demo2.mdb"));
    ASSERT_EQ(tool({QStringLiteral("demo"), again}).status, 0);
    EXPECT_EQ(fileBytes(again), fileBytes(path));
    EXPECT_EQ(tool({QStringLiteral("demo"), again}).status, 1) << "never overwrites";
}

}  // namespace
