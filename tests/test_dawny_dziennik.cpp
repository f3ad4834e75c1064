// Where the user meets the old diary: the question at start when Mirvola.mdb is still the old
// program's file, and the menu item that brings an old file over in place of the current diary.

#include "frmMainTesty.h"

#include "data/JetReader.h"
#include "forms/DawnyDziennik.h"
#include "support/EngineError.h"
#include "support/OldDiaries.h"

#include <QDir>
#include <QFile>
#include <QMenu>
#include <QProgressDialog>

using namespace Qt::StringLiterals;
using namespace frmmain_testy;
using jetfile::Version;

namespace {

const QString kTytulPliku = u"Wczytaj dziennik z dawnej wersji"_s;

QString pytanieStartowe(const QString& zachowany) {
    return u"Plik Mirvola.mdb jest dziennikiem dawnej wersji programu.\n"
           "Czy przenieść dziennik do nowego formatu?\n\n"
           "Dawny plik zostanie zachowany bez zmian jako "_s +
           zachowany + u'.';
}

QString pytanieMenu(const QString& plik) {
    return u"Dziennik z pliku "_s + QDir::toNativeSeparators(plik) +
           u" zawiera 6 meczów.\nCzy wczytać go w miejsce bieżącego dziennika?\n\n"
           "Bieżący dziennik zostanie zachowany jako kopia zapasowa Mirvola.poprzedni.mdb obok "
           "niego."_s;
}

// The list the main window shows on a diary, cell by cell.
QStringList listaOkna(const frmMain& okno) {
    return rows(lista(okno), 0);
}

// The awkward old diary and the list the main window shows on it.
struct StaryDziennik {
    StaryDziennik() {
        fillAwkwardDiary(zrodlo);
        Script s;
        frmMain okno;
        lista = listaOkna(okno);
        wiersze = dumpDiary(zrodlo.path());
    }
    QString zapisz(const QString& sciezka, Version wersja) const {
        writeOldDiary(zrodlo.path(), sciezka, wersja);
        return sciezka;
    }
    Diary zrodlo;
    QStringList lista;
    QStringList wiersze;
};

// Nie, or a conversion that fails, ends the program with everything as it was; Tak converts the
// old file, keeps it under a free name and opens the list.
TEST(DawnyDziennikStart, NieFailureAndTakAtStart) {
    const StaryDziennik stary;
    Diary katalog;  // the program's directory
    QFile::remove(katalog.path());
    stary.zapisz(katalog.path(), Version::Jet3);
    // An earlier conversion's kept file takes the first name.
    QFile::copy(katalog.path(), katalog.dir() + u"/Mirvola.jet.mdb"_s);
    const QByteArray skrot = fileHash(katalog.path());
    const QStringList pliki = filesIn(katalog.dir());
    const QString pytanie = pytanieStartowe(u"Mirvola.jet.2.mdb"_s);
    {
        Script s;
        s.message(question(pytanie), ui::Answer::No);
        frmMain okno;
        EXPECT_TRUE(okno.koniecProgramu());
    }
    EXPECT_EQ(fileHash(katalog.path()), skrot);
    EXPECT_EQ(filesIn(katalog.dir()), pliki);

    // The same file cut short: the conversion fails, says why and changes nothing.
    QFile plik(katalog.path());
    ASSERT_TRUE(plik.resize(plik.size() - 2048));
    const QByteArray uciety = fileHash(katalog.path());
    {
        Script s;
        s.message(question(pytanie), ui::Answer::Yes);
        s.message(notice(errorText([&] { jet::readOldDiary(katalog.path()); }) +
                         u"\n\nDawny plik nie został zmieniony."_s),
                  ui::Answer::Ok);
        frmMain okno;
        EXPECT_TRUE(okno.koniecProgramu());
    }
    EXPECT_EQ(fileHash(katalog.path()), uciety);
    EXPECT_EQ(filesIn(katalog.dir()), pliki);

    // The whole file again, now as Jet 4.
    stary.zapisz(katalog.path(), Version::Jet4);
    const QByteArray skrot4 = fileHash(katalog.path());
    Script s;
    s.message(question(pytanie), ui::Answer::Yes);
    s.message(info(u"Dziennik został przeniesiony do nowego formatu.\n"
                   "Dawny plik zachowano jako Mirvola.jet.2.mdb."_s),
              ui::Answer::Ok);
    frmMain okno;
    s.verify();
    EXPECT_FALSE(okno.koniecProgramu());
    EXPECT_EQ(listaOkna(okno), stary.lista);
    EXPECT_EQ(dumpDiary(katalog.path()), stary.wiersze);
    EXPECT_EQ(fileHash(katalog.dir() + u"/Mirvola.jet.2.mdb"_s), skrot4);
    EXPECT_EQ(fileHash(katalog.dir() + u"/Mirvola.jet.mdb"_s), skrot);
    EXPECT_EQ(filesIn(katalog.dir()), qs({"Mirvola.jet.2.mdb", "Mirvola.jet.mdb", "Mirvola.mdb"}));
}

// A diary of this program is not asked about at start. The menu item answers its access key,
// which no other item of the menu shares; Cancel, Nie and a bad file leave the diary alone; Tak
// brings the old file over in place of the diary, which is kept beside it.
TEST(DawnyDziennikMenu, CancelNieABadFileAndTak) {
    const StaryDziennik stary;
    const QString plik = stary.zapisz(stary.zrodlo.dir() + u"/Stary dziennik.mdb"_s, Version::Jet4);
    const QByteArray skrotStarego = fileHash(plik);
    SampleDiary biezacy;
    const QByteArray skrotBiezacego = fileHash(biezacy.path());
    Script s;  // no box at start
    frmMain okno;
    okno.show();

    auto* opcje = child<QMenu>(okno, "mnuOpcje");
    ASSERT_NE(opcje, nullptr);
    int zT = 0;
    for (const QAction* a : opcje->actions()) {
        zT += a->text().contains(u"&t"_s, Qt::CaseInsensitive);
    }
    EXPECT_EQ(zT, 1);
    s.file(kTytulPliku, std::nullopt, [&](const ui::FileRequest& r) {
        EXPECT_EQ(r.mode, ui::FileMode::Open);
        EXPECT_EQ(r.directory, biezacy.dir());
        EXPECT_TRUE(r.filter.contains(u"(*.mdb)"_s)) << r.filter.toStdString();
    });
    opcje->popup(okno.mapToGlobal(QPoint(10, 10)));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(opcje));
    QTest::keyClick(opcje, Qt::Key_T);
    s.verify();

    s.file(kTytulPliku, plik);
    s.message(question(pytanieMenu(plik), ui::Answer::No), ui::Answer::No);
    akcja(okno, "itmWczytajDawnyDziennik")->trigger();
    s.verify();

    // The current diary itself is no old file.
    s.file(kTytulPliku, biezacy.path());
    s.message(notice(errorText([&] { jet::readOldDiary(biezacy.path()); }) +
                     u"\n\nBieżący dziennik nie został zmieniony."_s),
              ui::Answer::Ok);
    akcja(okno, "itmWczytajDawnyDziennik")->trigger();
    s.verify();

    // The kept copy and the folder show that nothing before Tak changed the diary.
    s.file(kTytulPliku, plik);
    s.message(question(pytanieMenu(plik), ui::Answer::No), ui::Answer::Yes);
    s.message(info(u"Dane zostały wczytane.\n"
                   "Poprzedni dziennik zachowano jako Mirvola.poprzedni.mdb."_s),
              ui::Answer::Ok);
    akcja(okno, "itmWczytajDawnyDziennik")->trigger();
    s.verify();
    EXPECT_EQ(listaOkna(okno), stary.lista);
    EXPECT_EQ(dumpDiary(biezacy.path()), stary.wiersze);
    EXPECT_EQ(fileHash(biezacy.dir() + u"/Mirvola.poprzedni.mdb"_s), skrotBiezacego);
    EXPECT_EQ(fileHash(plik), skrotStarego);
    EXPECT_EQ(filesIn(biezacy.dir()), qs({"Mirvola.mdb", "Mirvola.poprzedni.mdb"}));
}

TEST(DawnyDziennikPostep, ReadingFillsTheFirstHalfAndWritingTheSecond) {
    SampleDiary d;
    frmMain okno;
    DawnyDziennik::OknoPostepu postep(&okno);
    QProgressDialog* dialog = postep.dialog();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->labelText(), u"Odczyt dawnego dziennika..."_s);
    postep.odczyt()(50, 200);
    EXPECT_EQ(dialog->value(), 25);
    const jet::Progress zapis = postep.zapis();
    EXPECT_EQ(dialog->labelText(), u"Zapis dziennika w nowym formacie..."_s);
    zapis(3, 4);
    EXPECT_EQ(dialog->value(), 175);
    screenshot(*dialog, u"old-diary-progress"_s);
}

}  // namespace
