#include "forms/DawnyDziennik.h"

#include "data/JetImport.h"
#include "data/MiejsceDziennika.h"
#include "data/Mirvola.h"
#include "data/engine/Error.h"
#include "data/engine/FileOps.h"
#include "forms/Dialogs.h"
#include "forms/Toolkit.h"
#include "forms/frmMain.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProgressDialog>

#include <optional>
#include <type_traits>

namespace DawnyDziennik {
namespace {

using ui::Answer;
using ui::Buttons;
using ui::Icon;

// The old file converted in place stays as "Mirvola.jet.mdb"; a diary replaced from the menu as
// "Mirvola.poprzedni.mdb".
const QString kZnacznikDawnego = QStringLiteral("jet");
const QString kZnacznikPoprzedniego = QStringLiteral("poprzedni");

const QString kEtapOdczytu = QStringLiteral("Odczyt dawnego dziennika...");
const QString kEtapZapisu = QStringLiteral("Zapis dziennika w nowym formacie...");

QString nazwaPliku(const QString& sciezka) {
    return QFileInfo(sciezka).fileName();
}

// The name under which the file would be kept now: the first free one beside the real file.
QString nazwaZachowanego(const QString& sciezka, const QString& znacznik) {
    const QString plik = engine::realFile(sciezka);
    return nazwaPliku(
        engine::firstFreeName([&](int n) { return jet::keptName(plik, znacznik, n); }));
}

QString pominieteBramki(const jet::ImportResult& wynik) {
    if (wynik.droppedGoals == 0) {
        return QString();
    }
    return QStringLiteral(
               "\n\nPominięto bramki meczów, których nie było w dawnym dzienniku: "
               "%1.")
        .arg(wynik.droppedGoals);
}

void pokazBlad(QWidget* okno, const engine::Error& e, const QString& coZostalo) {
    ui::messageBox(okno, ui::tytul::kKomunikat,
                   ui::tekstBledu(e) + QStringLiteral("\n\n") + coZostalo, Buttons::Ok,
                   Icon::Exclamation);
}

// Runs one stage of a conversion with the hourglass and the progress window. An engine error
// ends the command: it is shown with what stayed as it was, and there is no result.
template <class Praca>
auto zPostepem(QWidget* okno, const QString& coZostalo, Praca&& praca)
    -> std::optional<std::invoke_result_t<Praca, OknoPostepu&>> {
    try {
        const ui::Hourglass klepsydra;
        OknoPostepu postep(okno);
        return praca(postep);
    } catch (const engine::Error& e) {
        pokazBlad(okno, e, coZostalo);
        return std::nullopt;
    }
}

// `tekst` names with %1 where the file that had the name was kept.
void pokazWynik(QWidget* okno, const QString& tekst, const jet::ImportResult& wynik) {
    const QString dodane = jet::additionsReport(wynik);
    ui::messageBox(okno, ui::tytul::kInfo,
                   tekst.arg(nazwaPliku(wynik.keptAs)) + pominieteBramki(wynik) +
                       (dodane.isEmpty() ? QString() : QStringLiteral("\n\n") + dodane),
                   Buttons::Ok, Icon::Information);
}

bool czyWczytac(QWidget* okno, const QString& plik, const jet::OldDiary& dziennik,
                const QString& baza) {
    const auto mecze = static_cast<qint64>(dziennik.table(QStringLiteral("Mecze")).rows.size());
    const QString pytanie =
        QStringLiteral(
            "Dziennik z pliku %1 zawiera %2.\n"
            "Czy wczytać go w miejsce bieżącego dziennika?\n\n"
            "Bieżący dziennik zostanie zachowany jako kopia zapasowa %3 obok niego.")
            .arg(QDir::toNativeSeparators(plik), ui::liczbaMeczow(mecze),
                 nazwaZachowanego(baza, kZnacznikPoprzedniego));
    return ui::messageBox(okno, ui::tytul::kPytanie, pytanie, Buttons::YesNo, Icon::Question,
                          Answer::No) == Answer::Yes;
}

}  // namespace

OknoPostepu::OknoPostepu(QWidget* okno) : m_dialog(std::make_unique<QProgressDialog>(okno)) {
    QProgressDialog& d = *m_dialog;
    d.setWindowTitle(QStringLiteral("Przenoszenie dziennika"));
    d.setCancelButton(nullptr);
    d.setAutoClose(false);
    d.setAutoReset(false);
    d.setMinimumDuration(0);
    d.setWindowModality(Qt::ApplicationModal);
    d.setRange(0, 200);
    d.setLabelText(kEtapOdczytu);
    d.setMinimumWidth(ui::twips(5400, &d));
    d.show();
    pokaz(kEtapOdczytu, 0, 0, 0);
}

OknoPostepu::~OknoPostepu() = default;

jet::Progress OknoPostepu::odczyt() {
    return
        [this](qint64 zrobione, qint64 wszystkie) { pokaz(kEtapOdczytu, zrobione, wszystkie, 0); };
}

jet::Progress OknoPostepu::zapis() {
    pokaz(kEtapZapisu, 0, 1, 100);
    return
        [this](qint64 zrobione, qint64 wszystkie) { pokaz(kEtapZapisu, zrobione, wszystkie, 100); };
}

// Reading fills the first half of the bar, writing the second. The window is redrawn only when
// the bar moves: a diary of thousands of matches reports every row.
void OknoPostepu::pokaz(const QString& etap, qint64 zrobione, qint64 wszystkie, int od) {
    const int wartosc = od + (wszystkie > 0 ? static_cast<int>(100 * zrobione / wszystkie) : 0);
    if (wartosc == m_wartosc && etap == m_etap) {
        return;
    }
    m_wartosc = wartosc;
    m_etap = etap;
    m_dialog->setLabelText(etap);
    m_dialog->setValue(wartosc);
    QCoreApplication::processEvents();
}

bool PrzeniesPrzyStarcie(QWidget* okno) {
    const QString baza = Mirvola::SciezkaBazy();
    if (!jet::isJetFile(baza)) {
        return true;
    }
    const QString pytanie = QStringLiteral(
                                "Plik %1 jest dziennikiem dawnej wersji programu.\n"
                                "Czy przenieść dziennik do nowego formatu?\n\n"
                                "Dawny plik zostanie zachowany bez zmian jako %2.")
                                .arg(nazwaPliku(baza), nazwaZachowanego(baza, kZnacznikDawnego));
    if (ui::messageBox(okno, ui::tytul::kPytanie, pytanie, Buttons::YesNo, Icon::Question) !=
        Answer::Yes) {
        return false;
    }
    const auto wynik = zPostepem(
        okno, QStringLiteral("Dawny plik nie został zmieniony."), [&](OknoPostepu& postep) {
            const jet::OldDiary dziennik = jet::readOldDiary(baza, postep.odczyt());
            return jet::importReplacing(dziennik, baza, kZnacznikDawnego, postep.zapis());
        });
    if (!wynik) {
        return false;
    }
    pokazWynik(okno,
               QStringLiteral("Dziennik został przeniesiony do nowego formatu.\n"
                              "Dawny plik zachowano jako %1."),
               *wynik);
    return true;
}

namespace {

std::optional<QString> wybierzDawnyPlik(QWidget* okno, const QString& katalog) {
    const ui::FileRequest prosba{
        ui::FileMode::Open,
        QStringLiteral("Wczytaj dziennik z dawnej wersji"),
        katalog,
        {},
        QStringLiteral("Dzienniki dawnej wersji (*.mdb);;Wszystkie pliki (*)")};
    return ui::fileDialog(okno, prosba);
}

}  // namespace

bool PrzeniesDoNowego(QWidget* okno, const QString& cel) {
    const std::optional<QString> plik = wybierzDawnyPlik(okno, QDir::homePath());
    if (!plik) {
        return false;
    }
    const QString nieutworzony = QStringLiteral("Dziennik nie został utworzony.");
    const auto dziennik = zPostepem(okno, nieutworzony, [&](OknoPostepu& postep) {
        return jet::readOldDiary(*plik, postep.odczyt());
    });
    if (!dziennik) {
        return false;
    }
    const auto mecze = static_cast<qint64>(dziennik->table(QStringLiteral("Mecze")).rows.size());
    const QString pytanie = QStringLiteral(
                                "Dziennik z pliku %1 zawiera %2.\n"
                                "Czy przenieść go do nowego dziennika w pliku %3?\n\n"
                                "Dawny plik pozostanie bez zmian.")
                                .arg(QDir::toNativeSeparators(*plik), ui::liczbaMeczow(mecze),
                                     QDir::toNativeSeparators(cel));
    if (ui::messageBox(okno, ui::tytul::kPytanie, pytanie, Buttons::YesNo, Icon::Question,
                       Answer::Yes) != Answer::Yes) {
        return false;
    }
    const auto wynik = zPostepem(okno, nieutworzony, [&](OknoPostepu& postep) {
        ::dziennik::KatalogNowejBazy katalog(cel);
        auto zapisany = jet::importToNewFile(*dziennik, cel, postep.zapis());
        katalog.keep();
        return zapisany;
    });
    if (!wynik) {
        return false;
    }
    ui::messageBox(okno, ui::tytul::kInfo,
                   QStringLiteral("Dziennik został przeniesiony do pliku\n%1")
                           .arg(QDir::toNativeSeparators(cel)) +
                       pominieteBramki(*wynik),
                   Buttons::Ok, Icon::Information);
    return true;
}

void Wczytaj(frmMain* okno) {
    const std::optional<QString> plik = wybierzDawnyPlik(okno, Mirvola::KatalogProgramu());
    if (!plik) {
        return;
    }
    const QString baza = Mirvola::SciezkaBazy();
    const QString niezmieniony = QStringLiteral("Bieżący dziennik nie został zmieniony.");
    const auto dziennik = zPostepem(okno, niezmieniony, [&](OknoPostepu& postep) {
        return jet::readOldDiary(*plik, postep.odczyt());
    });
    if (!dziennik || !czyWczytac(okno, *plik, *dziennik, baza)) {
        return;
    }
    const auto wynik = zPostepem(okno, niezmieniony, [&](OknoPostepu& postep) {
        return jet::importReplacing(*dziennik, baza, kZnacznikPoprzedniego, postep.zapis());
    });
    if (!wynik) {
        return;
    }
    pokazWynik(okno,
               QStringLiteral("Dane zostały wczytane.\nPoprzedni dziennik zachowano jako %1."),
               *wynik);
    ui::polecenie(okno, [okno] { okno->WypelnijListe(); });
}

}  // namespace DawnyDziennik
