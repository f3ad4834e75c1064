// What the user added to his old diary himself: his columns of the seven tables and his own
// tables come over typed, the report says what came and what could not, and the new diary keeps
// them through compaction, backups and restores with its schema whole.

#include "frmMainTesty.h"

#include "data/Backup.h"
#include "data/JetImport.h"
#include "data/JetReader.h"
#include "data/engine/Connection.h"
#include "data/engine/Database.h"
#include "data/engine/FileOps.h"
#include "data/engine/SchemaGuard.h"
#include "support/OldDiaries.h"
#include "support/Tool.h"
#include "support/WholeFile.h"

#include <QFile>

using namespace Qt::StringLiterals;
using namespace frmmain_testy;
using jetfile::Type;
using jetfile::Version;

namespace {

const QString kOle =
    u"obiekt OLE (obraz lub dokument zapisany przez inny program), którego dziennik nie "
    "przechowuje"_s;

// Written by hand from what the fixture holds: five matches of six with an attendance, forty
// notes, and three things that cannot come.
const QString kRaport =
    u"Przeniesiono także dane dodane do dawnego dziennika przez użytkownika:\n"
    "- kolumnę Widzowie tabeli Mecze (5 wartości)\n"
    "- tabelę Notatki (40 wierszy)\n"
    "\n"
    "Nie przeniesiono:\n"
    "- kolumny Zdjecie tabeli Mecze: "_s +
    kOle + u"\n- kolumny Skan tabeli Notatki: "_s + kOle +
    u"\n- tabeli Skany: nie ma w niej kolumny, którą dziennik może przechowywać"_s;

class UsersOwnData : public ::testing::Test {
  protected:
    void SetUp() override { fillAwkwardDiary(original); }

    QString file(const QString& name) const { return original.dir() + u'/' + name; }

    // The awkward diary with the user's additions, and a table of nothing but pictures.
    QString oldFile(Version version, const QString& name = u"Stary.mdb"_s) const {
        std::vector<jetfile::Table> tables = jetfile::oldDiaryTables(original.path());
        jetfile::addUserAdditions(tables, 40);
        tables.push_back({u"Skany"_s, {{u"Obraz"_s, Type::Ole}}, {{QByteArray("obraz")}}});
        jetfile::writeJetFile(file(name), tables, {version});
        return file(name);
    }

    // A new diary of the program with the user's column and table as the import should add
    // them: written out here, not by the code under test.
    QString expectedSchemaFile() const {
        const QString path = file(u"Wzor.mdb"_s);
        QFile::remove(path);
        engine::createDatabase(path);
        rowsOf(path, uR"(ALTER TABLE "Mecze" ADD COLUMN "Widzowie" INTEGER)"_s);
        rowsOf(path,
               uR"(CREATE TABLE "Notatki" ("Id" INTEGER, "Tytul" TEXT, "Tresc" TEXT, )"
               uR"("Kiedy" DATETIME, "Wazne" BOOLEAN, "Koszt" REAL, "Ocena" REAL))"_s);
        return path;
    }

    Diary original;
};

std::vector<QStringList> table(const QString& path, const QString& sql) {
    return rowsOf(path, sql);
}

}  // namespace

// Both formats: the column into its table, the table as a table, each value with the type
// SQLite holds it in; the schema is the program's plus exactly these; the report lists them and
// the OLE objects left behind; and nothing the program does not create came along.
TEST_F(UsersOwnData, ColumnsAndTablesComeOverTypedAndTheReportSaysWhatCameAndWhatNot) {
    const QString wzor = expectedSchemaFile();
    for (const Version version : {Version::Jet3, Version::Jet4}) {
        SCOPED_TRACE(version == Version::Jet3 ? "Jet 3" : "Jet 4");
        const QString converted = file(u"Nowy.mdb"_s);
        QFile::remove(converted);
        const jet::ImportResult result =
            jet::importToNewFile(jet::readOldDiary(oldFile(version)), converted);

        EXPECT_EQ(engine::checkDatabase(converted), u"ok"_s);
        EXPECT_EQ(schemaOf(converted), schemaOf(wzor));
        EXPECT_EQ(
            table(converted, u"SELECT Id_meczu, Widzowie, typeof(Widzowie) FROM Mecze"_s),
            (std::vector<QStringList>{qs({"1", "100", "integer"}), qs({"2", "200", "integer"}),
                                      qs({"3", "NULL", "null"}), qs({"4", "400", "integer"}),
                                      qs({"5", "500", "integer"}), qs({"9", "900", "integer"})}));
        const QString notatki =
            u"SELECT Id, Tytul, Tresc, Kiedy, Wazne, Koszt, Ocena, typeof(Id) || ' ' || "
            "typeof(Kiedy) || ' ' || typeof(Wazne) || ' ' || typeof(Koszt) || ' ' || "
            "typeof(Ocena) FROM Notatki WHERE Id IN (1, 5, 40) ORDER BY Id"_s;
        const QString typy = u"integer text integer real real"_s;
        EXPECT_EQ(table(converted, notatki),
                  (std::vector<QStringList>{
                      {u"1"_s, u"Notatka 1 – żółć"_s, u"Treść\r\nnotatki 1"_s,
                       u"2000-01-02 18:15:00"_s, u"-1"_s, u"1.25"_s, u"0.5"_s, typy},
                      {u"5"_s, u"Notatka 5 – żółć"_s, u"NULL"_s, u"2000-01-06 18:15:00"_s, u"-1"_s,
                       u"6.25"_s, u"2.5"_s, typy},
                      {u"40"_s, u"Notatka 40 – żółć"_s, u"NULL"_s, u"2000-02-10 18:15:00"_s, u"0"_s,
                       u"50.0"_s, u"20.0"_s, typy}}));
        EXPECT_EQ(table(converted, u"SELECT count(*) FROM Notatki"_s).front(), qs({"40"}));

        EXPECT_EQ(jet::additionsReport(result), kRaport);
        const auto db = engine::Connection::open(converted, engine::Connection::Mode::ReadOnly);
        EXPECT_TRUE(engine::objectsProgramDoesNotCreate(*db).empty());
    }
}

// The tool prints the user's table among the others and the same report.
TEST_F(UsersOwnData, ToolPrintsTheUsersTableAndTheReport) {
    const ToolRun run = tool({u"import"_s, oldFile(Version::Jet4), file(u"Nowy.mdb"_s)});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out,
              u"Jet 4\nSezony\t3\nKluby\t4\nRozgrywki\t3\nJak\t4\nGracze\t5\nMecze\t6\n"
              "Bramki\t10\nNotatki\t40\n\n"_s +
                  kRaport + u'\n');
}

// At start the conversion's acknowledgement carries the report; the converted diary then goes
// through compaction, a backup and a restore with its schema and every row of the user's own.
TEST_F(UsersOwnData, TheWindowReportsThemAndWholeFileWorkKeepsThem) {
    Diary katalog;
    QFile::remove(katalog.path());
    ASSERT_TRUE(QFile::copy(oldFile(Version::Jet3), katalog.path()));
    {
        Script s;
        s.message(question(u"Plik Mirvola.mdb jest dziennikiem dawnej wersji programu.\n"
                           "Czy przenieść dziennik do nowego formatu?\n\n"
                           "Dawny plik zostanie zachowany bez zmian jako Mirvola.jet.mdb."_s),
                  ui::Answer::Yes);
        s.message(info(u"Dziennik został przeniesiony do nowego formatu.\n"
                       "Dawny plik zachowano jako Mirvola.jet.mdb.\n\n"_s +
                       kRaport),
                  ui::Answer::Ok);
        frmMain okno;
        s.verify();
        EXPECT_FALSE(okno.koniecProgramu());
    }
    const QString diary = katalog.path();
    const QStringList schema = schemaOf(diary);
    const QStringList rows = everyRow(diary);
    ASSERT_EQ(schema, schemaOf(expectedSchemaFile()));

    engine::compactInPlace(diary);
    EXPECT_EQ(schemaOf(diary), schema) << "compaction";
    EXPECT_EQ(everyRow(diary), rows) << "compaction";
    const QString kopia = backup::createBackup(diary, katalog.dir() + u"/kopie"_s, {2026, 12, 7});
    EXPECT_EQ(schemaOf(kopia), schema) << "backup";
    EXPECT_EQ(everyRow(kopia), rows) << "backup";
    rowsOf(diary, u"DROP TABLE Notatki"_s);
    backup::restoreBackup(kopia, diary);
    EXPECT_EQ(schemaOf(diary), schema) << "restore";
    EXPECT_EQ(everyRow(diary), rows) << "restore";
}

// A column of the user's own in Bramki counts only the goals that came over: those of a match
// the old file lacks are left out, with their values.
TEST_F(UsersOwnData, AColumnOfGoalsCountsTheGoalsThatCameOver) {
    std::vector<jetfile::Table> tables = jetfile::oldDiaryTables(original.path());
    jetfile::Table& bramki = jetfile::table(tables, u"Bramki"_s);
    bramki.rows.push_back({77, 1, true, 1, 5, 1});
    bramki.rows.push_back({77, 2, false, 2, 6, 1});
    bramki.columns.push_back({u"Asysta"_s, Type::Long});
    for (QVariantList& goal : bramki.rows) {
        goal << goal[3];
    }
    jetfile::writeJetFile(file(u"Gole.mdb"_s), tables, {Version::Jet4});
    const jet::ImportResult result =
        jet::importToNewFile(jet::readOldDiary(file(u"Gole.mdb"_s)), file(u"Nowy.mdb"_s));
    EXPECT_EQ(result.droppedGoals, 2);
    EXPECT_EQ(jet::additionsReport(result),
              u"Przeniesiono także dane dodane do dawnego dziennika przez użytkownika:\n"
              "- kolumnę Asysta tabeli Bramki (10 wartości)"_s);
    EXPECT_EQ(table(file(u"Nowy.mdb"_s), u"SELECT count(*) FROM Bramki WHERE Asysta = Id_gracza"_s)
                  .front(),
              qs({"10"}));
}

// The match editor's writes go on beside the user's column: a new match leaves it Null, a
// changed match keeps its value.
TEST_F(UsersOwnData, TheProgramWritesMatchesBesideTheUsersColumn) {
    const QString converted = file(u"Nowy.mdb"_s);
    jet::importToNewFile(jet::readOldDiary(oldFile(Version::Jet4)), converted);
    const auto db = engine::Database::open(converted);
    {
        const auto mecze = db->openRecordset(u"Mecze"_s);
        mecze->addNew();
        mecze->setValue(u"Id_sezonu"_s, 1);
        mecze->setValue(u"Data"_s, QDate(2003, 5, 4));
        mecze->setValue(u"Gdzie"_s, u"D"_s);
        mecze->setValue(u"Id_klubu"_s, 1);
        mecze->update();
    }
    {
        const auto mecz = db->openRecordset(u"SELECT * FROM Mecze WHERE Id_meczu = 1"_s);
        mecz->edit();
        mecz->setValue(u"Komentarz"_s, u"zmieniony"_s);
        mecz->update();
    }
    db->close();
    EXPECT_EQ(
        table(converted,
              u"SELECT Id_meczu, Komentarz, Widzowie FROM Mecze "
              "WHERE Id_meczu IN (1, 10)"_s),
        (std::vector<QStringList>{qs({"1", "zmieniony", "100"}), qs({"10", "NULL", "NULL"})}));
}

// A table of the user's own whose name the new diary already gives to an index, or SQLite
// keeps for itself, stays behind with the reason; the rest comes over.
TEST_F(UsersOwnData, ATableWhoseNameIsTakenStaysBehindAndTheRestComes) {
    std::vector<jetfile::Table> tables = jetfile::oldDiaryTables(original.path());
    tables.push_back({u"kluby_druzyna"_s, {{u"Id"_s}}, {{1}}});
    tables.push_back({u"SQLITE_X"_s, {{u"Id"_s}}, {{2}}});
    jetfile::writeJetFile(file(u"Nazwy.mdb"_s), tables, {Version::Jet3});
    const jet::ImportResult result =
        jet::importToNewFile(jet::readOldDiary(file(u"Nazwy.mdb"_s)), file(u"Nowy.mdb"_s));
    EXPECT_EQ(jet::additionsReport(result),
              u"Nie przeniesiono:\n"
              "- tabeli kluby_druzyna: tę nazwę nosi w dzienniku indeks programu\n"
              "- tabeli SQLITE_X: tę nazwę zastrzega dla siebie baza SQLite"_s);
    engine::createDatabase(file(u"Pusty.mdb"_s));
    EXPECT_EQ(schemaOf(file(u"Nowy.mdb"_s)), schemaOf(file(u"Pusty.mdb"_s)));
}
