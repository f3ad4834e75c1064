// Where the diary is looked for and made, and the first start without one.

#include "frmMainTesty.h"

#include "data/MiejsceDziennika.h"
#include "data/Mirvola.h"
#include "data/engine/FileOps.h"
#include "forms/PierwszyStart.h"
#include "support/OldDiaries.h"

#include <QDialog>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>

#include <cerrno>

using namespace Qt::StringLiterals;
using namespace frmmain_testy;

namespace {

// A program's directory and a user's data folder (not made yet) in a temporary folder; PATH as
// the test sets it. Everything is put back at the end.
class Miejsca {
  public:
    Miejsca() : m_danePrzed(dziennik::KatalogDanych()), m_path(qgetenv("PATH")) {
        QDir().mkpath(program());
        Mirvola::UstawKatalogProgramu(program());
        dziennik::UstawKatalogDanych(dane());
    }
    ~Miejsca() {
        dziennik::UstawKatalogDanych(m_danePrzed);
        qputenv("PATH", m_path);
        engine::setFileStepHook({});
    }
    Miejsca(const Miejsca&) = delete;
    Miejsca& operator=(const Miejsca&) = delete;

    QString program() const { return m_tmp.path() + u"/program"_s; }
    QString dane() const { return m_tmp.path() + u"/dom/.local/share/Mirvola"_s; }
    QString bazaProgramu() const { return program() + u"/Mirvola.mdb"_s; }
    QString bazaUzytkownika() const { return dane() + u"/Mirvola.mdb"_s; }
    // The program's folder on PATH: a folder many programs share, as /usr/bin.
    void programNaPath() const { qputenv("PATH", program().toLocal8Bit() + ":/bin"); }
    // Every file and folder under the temporary folder.
    QStringList wszystko() const {
        QStringList wynik;
        QDirIterator it(m_tmp.path(),
                        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            wynik << it.next();
        }
        wynik.sort();
        return wynik;
    }

  private:
    QTemporaryDir m_tmp;
    QString m_danePrzed;
    QByteArray m_path;
};

void utworzDziennik(const QString& sciezka) {
    QDir().mkpath(QFileInfo(sciezka).absolutePath());
    engine::createDatabase(sciezka);
}

void kliknij(QDialog* okno, const char* przycisk) {
    child<QPushButton>(*okno, przycisk)->click();
}

QString natywna(const QString& sciezka) {
    return QDir::toNativeSeparators(sciezka);
}

const ui::Message kBrakPliku = notice(u"Brak pliku Mirvola.mdb !!!"_s);

// The tables of a real diary of this program.
QStringList tabele(const QString& sciezka) {
    QStringList wynik;
    for (const QStringList& w :
         rowsOf(sciezka,
                u"SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT "
                "LIKE 'sqlite%' ORDER BY name"_s)) {
        wynik << w.value(0);
    }
    return wynik;
}

}  // namespace

TEST(MiejsceDziennika, TheProgramsFolderFirstThenTheUsersDataFolder) {
    const Miejsca m;
    EXPECT_TRUE(dziennik::ZnajdzBaze().isEmpty());
    EXPECT_EQ(Mirvola::SciezkaBazy(), m.bazaProgramu());

    utworzDziennik(m.bazaUzytkownika());
    EXPECT_EQ(dziennik::ZnajdzBaze(), m.bazaUzytkownika());
    EXPECT_EQ(Mirvola::SciezkaBazy(), m.bazaUzytkownika());
    EXPECT_EQ(Mirvola::SciezkaKopiiBazy(), m.dane() + u"/KopiaMirvola.mdb"_s);

    // A copy beside the program wins: a portable copy keeps its own diary.
    utworzDziennik(m.bazaProgramu());
    EXPECT_EQ(Mirvola::SciezkaBazy(), m.bazaProgramu());
    EXPECT_EQ(Mirvola::SciezkaKopiiBazy(), m.program() + u"/KopiaMirvola.mdb"_s);

    // Only a file counts beside the program: a folder of that name or a dangling link does not.
    QFile::remove(m.bazaProgramu());
    QDir().mkdir(m.bazaProgramu());
    EXPECT_EQ(Mirvola::SciezkaBazy(), m.bazaUzytkownika());
    QDir().rmdir(m.bazaProgramu());
    QFile::link(m.program() + u"/gdzies.mdb"_s, m.bazaProgramu());
    EXPECT_EQ(Mirvola::SciezkaBazy(), m.bazaUzytkownika());
    // A link to a diary is a diary.
    utworzDziennik(m.program() + u"/gdzies.mdb"_s);
    EXPECT_EQ(Mirvola::SciezkaBazy(), m.bazaProgramu());
}

TEST(MiejsceDziennika, ANewDiaryGoesBesideAProgramOfItsOwnElseToTheUsersFolder) {
    const Miejsca m;
    EXPECT_TRUE(dziennik::KatalogProgramuWlasny());
    EXPECT_EQ(dziennik::MiejsceNowejBazy(), m.bazaProgramu());
    EXPECT_EQ(dziennik::DomyslnaBaza(), m.bazaProgramu());
    m.programNaPath();
    EXPECT_FALSE(dziennik::KatalogProgramuWlasny());
    EXPECT_EQ(dziennik::MiejsceNowejBazy(), m.bazaUzytkownika());
    EXPECT_EQ(dziennik::DomyslnaBaza(), m.bazaUzytkownika());
    // A diary found is the default whatever the place for a new one.
    utworzDziennik(m.bazaProgramu());
    EXPECT_EQ(dziennik::DomyslnaBaza(), m.bazaProgramu());
}

// The diary in the user's folder is read, named and maintained where it lies; the program's
// folder gets nothing.
TEST(MiejsceDziennika, TheUsersDiaryIsShownNamedAndMaintainedWhereItLies) {
    SampleDiary kopia;  // a backup to restore
    const Miejsca m;
    m.programNaPath();
    utworzDziennik(m.bazaUzytkownika());
    Script s;
    frmMain okno;
    ASSERT_FALSE(okno.koniecProgramu());
    EXPECT_TRUE(kolumna(okno, 0).isEmpty());
    EXPECT_TRUE(child<QLabel>(okno, "sbarMirvola_1")
                    ->toolTip()
                    .endsWith(u"Dziennik: "_s + natywna(m.bazaUzytkownika())));
    s.modal(u"frmAbout"_s, [&](QDialog* d) {
        EXPECT_EQ(labelText(*d, "lblDziennik"), u"Dziennik: "_s + natywna(m.bazaUzytkownika()));
        d->close();
    });
    akcja(okno, "itmOProgramie")->trigger();

    s.file(u"Przywróć z kopii"_s, kopia.path());
    s.intercept = [](const ui::Message& m) -> std::optional<ui::Answer> {
        if (m.title == u"Pytanie"_s) {
            return ui::Answer::Yes;
        }
        return m.title == u"Info"_s ? std::optional(ui::Answer::Ok) : std::nullopt;
    };
    akcja(okno, "itmPrzywrocZKopii")->trigger();
    EXPECT_EQ(kolumna(okno, 0).size(), 4);
    s.intercept = {};
    s.message(u"Pytanie"_s, u"Czy przeprowadzić defragmentację bazy danych?"_s, ui::Answer::Yes);
    s.message(info(u"Defragmentacja zakończyła się pomyślnie."_s), ui::Answer::Ok);
    akcja(okno, "itmDefragmentacja")->trigger();
    s.verify();
    EXPECT_EQ(filesIn(m.dane()), qs({"Mirvola.mdb", "Mirvola.mdb.przed-przywroceniem"}));
    EXPECT_TRUE(filesIn(m.program()).isEmpty());
}

TEST(PierwszyStart, ANewEmptyDiaryBesideAProgramOfItsOwn) {
    const Miejsca m;
    Script s;
    s.message(kBrakPliku, ui::Answer::Ok);
    s.modal(u"frmPierwszyStart"_s, [&](QDialog* d) {
        EXPECT_EQ(labelText(*d, "lblNowy"),
                  u"Nowy dziennik zostanie zapisany w pliku "_s + natywna(m.bazaProgramu()));
        kliknij(d, "cmdNowy");
    });
    s.message(info(u"Utworzono nowy, pusty dziennik w pliku\n"_s + natywna(m.bazaProgramu())),
              ui::Answer::Ok);
    frmMain okno;
    s.verify();
    ASSERT_FALSE(okno.koniecProgramu());
    EXPECT_FALSE(lista(okno)->isVisible());
    EXPECT_EQ(tabele(m.bazaProgramu()),
              qs({"Bramki", "Gracze", "Jak", "Kluby", "Mecze", "Rozgrywki", "Sezony"}));
    EXPECT_EQ(engine::checkDatabase(m.bazaProgramu()), u"ok"_s);
    EXPECT_FALSE(QFileInfo::exists(m.dane()));
}

// The installed program: its folder is shared, so the diary and its folders go to the user's
// data folder, and the program goes on with it as with any diary (the exit question).
TEST(PierwszyStart, ANewEmptyDiaryInTheUsersDataFolder) {
    const Miejsca m;
    m.programNaPath();
    Script s;
    s.message(kBrakPliku, ui::Answer::Ok);
    s.modal(u"frmPierwszyStart"_s, [](QDialog* d) { kliknij(d, "cmdNowy"); });
    s.message(info(u"Utworzono nowy, pusty dziennik w pliku\n"_s + natywna(m.bazaUzytkownika())),
              ui::Answer::Ok);
    frmMain okno;
    s.verify();
    ASSERT_FALSE(okno.koniecProgramu());
    EXPECT_EQ(Mirvola::SciezkaBazy(), m.bazaUzytkownika());
    EXPECT_EQ(tabele(m.bazaUzytkownika()).size(), 7);
    EXPECT_EQ(rowsOf(m.bazaUzytkownika(), u"SELECT count(*) FROM Mecze"_s).front().value(0),
              u"0"_s);
    EXPECT_TRUE(filesIn(m.program()).isEmpty());
    okno.show();
    s.message(u"Koniec programu Mirvola"_s, u"Jesteś pewien ?"_s, ui::Answer::Yes);
    EXPECT_TRUE(okno.close());
}

TEST(PierwszyStart, AnOldDiaryIsBroughtOverAndTheMainWindowListsIt) {
    SampleDiary zrodlo;
    QTemporaryDir inny;
    const QString stary = inny.path() + u"/STARY.MDB"_s;
    writeOldDiary(zrodlo.path(), stary, jetfile::Version::Jet3);
    const QStringList wiersze = dumpDiary(zrodlo.path());
    const Miejsca m;
    m.programNaPath();
    Script s;
    s.message(kBrakPliku, ui::Answer::Ok);
    s.modal(u"frmPierwszyStart"_s, [](QDialog* d) { kliknij(d, "cmdDawny"); });
    s.file(u"Wczytaj dziennik z dawnej wersji"_s, stary);
    s.message(question(u"Dziennik z pliku "_s + natywna(stary) +
                       u" zawiera 5 meczów.\nCzy przenieść go do nowego dziennika w pliku "_s +
                       natywna(m.bazaUzytkownika()) + u"?\n\nDawny plik pozostanie bez zmian."_s),
              ui::Answer::Yes);
    s.message(info(u"Dziennik został przeniesiony do pliku\n"_s + natywna(m.bazaUzytkownika())),
              ui::Answer::Ok);
    frmMain okno;
    s.verify();
    ASSERT_FALSE(okno.koniecProgramu());
    EXPECT_EQ(kolumna(okno, 0).size(), 4);  // the official ones
    EXPECT_EQ(dumpDiary(m.bazaUzytkownika()), wiersze);
    EXPECT_EQ(filesIn(inny.path()), qs({"STARY.MDB"}));
}

TEST(PierwszyStart, ABackupIsRestoredAndTheMainWindowListsIt) {
    SampleDiary kopia;
    const Miejsca m;
    Script s;
    s.message(kBrakPliku, ui::Answer::Ok);
    s.modal(u"frmPierwszyStart"_s, [](QDialog* d) { kliknij(d, "cmdKopia"); });
    s.file(u"Przywróć z kopii"_s, kopia.path());
    s.message(question(u"Czy przywrócić dziennik z kopii z pliku\n"_s + natywna(kopia.path()) +
                       u"\n(5 meczów)?\n\nDziennik zostanie zapisany w pliku\n"_s +
                       natywna(m.bazaProgramu())),
              ui::Answer::Yes);
    s.message(info(u"Dziennik został przywrócony z kopii do pliku\n"_s + natywna(m.bazaProgramu())),
              ui::Answer::Ok);
    frmMain okno;
    s.verify();
    ASSERT_FALSE(okno.koniecProgramu());
    EXPECT_EQ(kolumna(okno, 0).size(), 4);
    EXPECT_EQ(dumpDiary(m.bazaProgramu()), dumpDiary(kopia.path()));
}

// Every way back from a choice offers the choices again; ending then leaves no file and no
// folder that was not there, and the files chosen unchanged.
TEST(PierwszyStart, RefusalsAndFailuresLeaveNothingBehind) {
    SampleDiary kopia;
    QTemporaryDir inny;
    const QString stary = inny.path() + u"/STARY.MDB"_s;
    writeOldDiary(kopia.path(), stary, jetfile::Version::Jet4);
    const QByteArray skrotKopii = fileHash(kopia.path());
    const QByteArray skrotDawnego = fileHash(stary);
    const Miejsca m;
    m.programNaPath();
    const QStringList przed = m.wszystko();

    Script s;
    int bledy = 0;
    s.intercept = [&](const ui::Message& msg) -> std::optional<ui::Answer> {
        if (msg.title == u"Komunikat"_s && msg.text.endsWith(u"Dziennik nie został utworzony."_s)) {
            ++bledy;
            return ui::Answer::Ok;
        }
        return std::nullopt;
    };
    const auto wybierz = [&s](const char* przycisk) {
        s.modal(u"frmPierwszyStart"_s, [przycisk](QDialog* d) { kliknij(d, przycisk); });
    };
    s.message(kBrakPliku, ui::Answer::Ok);
    wybierz("cmdDawny");
    s.file(u"Wczytaj dziennik z dawnej wersji"_s, std::nullopt);
    wybierz("cmdDawny");
    s.file(u"Wczytaj dziennik z dawnej wersji"_s, stary);
    s.message(u"Pytanie"_s,
              u"Dziennik z pliku "_s + natywna(stary) +
                  u" zawiera 5 meczów.\nCzy przenieść go do nowego dziennika w pliku "_s +
                  natywna(m.bazaUzytkownika()) + u"?\n\nDawny plik pozostanie bez zmian."_s,
              ui::Answer::No);
    wybierz("cmdKopia");
    s.file(u"Przywróć z kopii"_s, std::nullopt);
    wybierz("cmdKopia");
    s.file(u"Przywróć z kopii"_s, kopia.path());
    s.message(u"Pytanie"_s,
              u"Czy przywrócić dziennik z kopii z pliku\n"_s + natywna(kopia.path()) +
                  u"\n(5 meczów)?\n\nDziennik zostanie zapisany w pliku\n"_s +
                  natywna(m.bazaUzytkownika()),
              ui::Answer::No);
    // The file cannot be given its name: the new folders go again.
    engine::setFileStepHook([](engine::FileStep krok, const QString&) {
        return krok == engine::FileStep::Link || krok == engine::FileStep::Rename ? EIO : 0;
    });
    wybierz("cmdNowy");
    wybierz("cmdKopia");
    s.file(u"Przywróć z kopii"_s, kopia.path());
    s.message(u"Pytanie"_s,
              u"Czy przywrócić dziennik z kopii z pliku\n"_s + natywna(kopia.path()) +
                  u"\n(5 meczów)?\n\nDziennik zostanie zapisany w pliku\n"_s +
                  natywna(m.bazaUzytkownika()),
              ui::Answer::Yes);
    s.collectErrors();
    wybierz("cmdKoniec");

    frmMain okno;
    s.verify();
    EXPECT_TRUE(okno.koniecProgramu());
    EXPECT_EQ(bledy, 1);
    EXPECT_EQ(s.errors().size(), 1);
    EXPECT_EQ(m.wszystko(), przed);
    EXPECT_FALSE(QFileInfo::exists(m.dane()));
    EXPECT_FALSE(QFileInfo::exists(m.dane() + u"/.."_s));
    EXPECT_TRUE(filesIn(m.program()).isEmpty());
    EXPECT_EQ(fileHash(kopia.path()), skrotKopii);
    EXPECT_EQ(fileHash(stary), skrotDawnego);
}
