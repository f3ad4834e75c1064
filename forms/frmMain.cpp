#include "forms/frmMain.h"

#include "data/MiejsceDziennika.h"
#include "data/Mirvola.h"
#include "data/engine/DiaryCheck.h"
#include "data/engine/DiaryPlace.h"
#include "data/engine/Error.h"
#include "data/engine/FileOps.h"
#include "data/engine/Workspace.h"
#include "forms/DawnyDziennik.h"
#include "forms/Dialogs.h"
#include "forms/DolaczenieMeczow.h"
#include "forms/KopiaZapasowa.h"
#include "forms/ListExport.h"
#include "forms/ListRows.h"
#include "forms/PierwszyStart.h"
#include "forms/Podrecznik.h"
#include "forms/Toolkit.h"
#include "forms/frmAbout.h"
#include "forms/frmMecz.h"
#include "forms/frmMecze.h"
#include "forms/frmRaport.h"
#include "forms/frmRekordy.h"
#include "forms/frmSlowniki.h"
#include "forms/frmStatystykiMecze.h"
#include "forms/frmStatystykiPilkarze.h"
#include "forms/frmWykresySezonow.h"
#include "ui_frmMain.h"

#include <QCloseEvent>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>

#include <algorithm>
#include <array>

namespace {

using ui::Answer;
using ui::Buttons;
using ui::Icon;

// Columns of lstMecze; the first one, hidden, carries the row's Id_meczu as item text.
enum Kolumna { kId, kNr, kSezon, kData, kMecz, kWynik, kRozgrywki, kKomentarz, kKolumn };

struct OpisKolumny {
    Qt::Alignment wyrownanie;
    int szerokosc;  // twips
};

constexpr OpisKolumny kKolumny[kKolumn] = {
    {Qt::AlignLeft, 0},       {Qt::AlignRight, 850}, {Qt::AlignHCenter, 900},
    {Qt::AlignHCenter, 1050}, {Qt::AlignLeft, 3200}, {Qt::AlignHCenter, 700},
    {Qt::AlignHCenter, 1600}, {Qt::AlignLeft, 1750},
};

// Rows the list shows without a vertical scroll bar; a longer list narrows the comment column
// to make room for the bar.
constexpr int kWidoczneWiersze = 22;
constexpr int kKomentarzSzeroki = 2000;
constexpr int kKomentarzWaski = 1750;
constexpr int kDlugoscPodpowiedzi = 76;

const QString kFiltrOficjalne = QStringLiteral("= True");
const QString kFiltrNieoficjalne = QStringLiteral("= False");
const QString kFiltrWszystkie = QStringLiteral("In (False, True)");

const QString kDaneUsuniete = QStringLiteral("Dane zostały usunięte.");

QString zapytanieListy(const QString& strFiltr) {
    return QStringLiteral(
               "SELECT Mecze.Id_meczu, Sezony.Sezon, Mecze.Data, IIf(Mecze.Gdzie = 'W', "
               "Kluby.Druzyna & ' - Mirvola Wendrow' ,'Mirvola Wendrow - ' & Kluby.Druzyna) AS "
               "Para, Mecze.Wyn1 & ':' & Mecze.Wyn2 AS Wynik, Rozgrywki.Nazwa, "
               "Rozgrywki.Oficjalny, Mecze.Komentarz FROM Rozgrywki RIGHT JOIN (Kluby LEFT JOIN "
               "(Mecze LEFT JOIN Sezony ON Mecze.Id_sezonu = Sezony.Id_sezonu) ON Kluby.Id_klubu "
               "= Mecze.Id_klubu) ON Rozgrywki.Id_rozgrywki = Mecze.Id_rozgrywki WHERE "
               "Rozgrywki.Oficjalny ") +
           strFiltr + QStringLiteral(" ORDER BY Sezony.Sezon DESC, Mecze.Data DESC");
}

// "   7." below ten, "  42." below a hundred, " 512." and " 1024." from there on.
QString numerMeczu(int n) {
    const int spacje = n < 10 ? 3 : (n < 100 ? 2 : 1);
    return QString(spacje, QLatin1Char(' ')) + QString::number(n) + QLatin1Char('.');
}

QString tekstPola(const QVariant& wartosc) {
    if (wartosc.isNull()) {
        return QString();
    }
    if (wartosc.typeId() == QMetaType::QDate) {
        return wartosc.toDate().toString(QStringLiteral("yyyy-MM-dd"));
    }
    return wartosc.toString();
}

// A comment's tooltip: line feeds dropped (the carriage returns stay, as the old list did),
// long comments cut; a blank comment has none.
QString podpowiedzKomentarza(const QString& komentarz) {
    if (komentarz.trimmed().isEmpty()) {
        return QString();
    }
    QString tekst = komentarz;
    tekst.remove(QLatin1Char('\n'));
    if (tekst.size() > kDlugoscPodpowiedzi) {
        tekst = tekst.left(kDlugoscPodpowiedzi) + QStringLiteral("...");
    }
    return tekst;
}

// A comment cell shows its lines run together on one line, as the old list did: a line break
// would make its row taller, and with the list's uniform row heights a tall first row makes
// every row tall.
class JednaLinia : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QString displayText(const QVariant& wartosc, const QLocale&) const override {
        QString tekst = wartosc.toString();
        tekst.replace(QLatin1String("\r\n"), QLatin1String(" "));
        tekst.replace(QLatin1Char('\n'), QLatin1Char(' '));
        tekst.replace(QLatin1Char('\r'), QLatin1Char(' '));
        return tekst;
    }
};

// A row of the match list. A lifetime diary lists tens of thousands of matches, so a row keeps
// only its texts: the alignment of its cells, the number it sorts by and the comment's tooltip
// follow from them when the list asks.
class WierszMeczu : public ui::SortableItem {
  public:
    WierszMeczu(std::array<QString, kKolumn> teksty, int numer)
        : m_teksty(std::move(teksty)), m_numer(numer) {}

    QVariant data(int kolumna, int rola) const override {
        if (kolumna < 0 || kolumna >= kKolumn) {
            return {};
        }
        switch (rola) {
            case Qt::DisplayRole:
            case Qt::EditRole:
                return m_teksty[static_cast<size_t>(kolumna)];
            case Qt::TextAlignmentRole:
                return static_cast<int>(kKolumny[kolumna].wyrownanie | Qt::AlignVCenter);
            case Qt::ToolTipRole:
                if (kolumna == kKomentarz) {
                    const QString podpowiedz = podpowiedzKomentarza(m_teksty[kKomentarz]);
                    return podpowiedz.isEmpty() ? QVariant() : QVariant(podpowiedz);
                }
                return {};
            case ui::kSortRole:
                return kolumna == kNr ? QVariant(double(m_numer)) : QVariant();
            default:
                return SortableItem::data(kolumna, rola);
        }
    }

  private:
    std::array<QString, kKolumn> m_teksty;
    int m_numer;
};

// Compaction after deleting matches: failures are not reported, and the diary is replaced
// only by a copy this run has written and checked completely.
void KompaktujPoCichu() {
    // Compaction would part a file with other names from them, and nobody is asked here.
    if (engine::otherHardLinks(Mirvola::SciezkaBazy()) > 0) {
        return;
    }
    const ui::Hourglass klepsydra;
    try {
        engine::compactInPlace(Mirvola::SciezkaBazy());
    } catch (const engine::Error&) {
        // The diary stays as it was, uncompacted.
    }
}

// The six deletions of "Usuń wszystko" in one transaction: a refused statement leaves every
// table as it was instead of emptying only some of them.
void UsunWszystkieDane() {
    engine::Workspace::beginTrans();
    try {
        // The dictionaries go first; the goals go with the matches.
        for (const char* tabela : {"Gracze", "Jak", "Kluby", "Rozgrywki", "Sezony", "Mecze"}) {
            Mirvola::strSQL = QStringLiteral("DELETE FROM ") + QLatin1String(tabela);
            Mirvola::WykonajSQL(Mirvola::strSQL);
        }
        engine::Workspace::commitTrans();
    } catch (...) {
        try {
            engine::Workspace::rollback();
        } catch (const engine::Error&) {
            // Closing the connection undoes the transaction all the same.
        }
        throw;
    }
}

}  // namespace

frmMain::frmMain(QWidget* parent) : QMainWindow(parent), m_ui(std::make_unique<Ui::frmMain>()) {
    m_ui->setupUi(this);
    setWindowIcon(QIcon(QStringLiteral(":/icons/mirvola.svg")));
    UstawListe();
    UstawPasekStanu();
    PolaczPolecenia();
    UstawPolecenia(true);

    if (!DawnyDziennik::PrzeniesPrzyStarcie(this)) {
        blnBrakBazy = true;
        return;
    }
    if (!SprawdzBaze()) {
        blnBrakBazy = true;
        return;
    }
    UstawRozmiar();
}

frmMain::~frmMain() = default;

// ---- set-up ------------------------------------------------------------------------------

void frmMain::UstawListe() {
    QTreeWidget* lista = m_ui->lstMecze;
    QTreeWidgetItem* naglowek = lista->headerItem();
    // Without this the hidden id column keeps the header's minimum width and pushes the
    // visible columns to the right.
    lista->header()->setMinimumSectionSize(0);
    for (int i = 0; i < kKolumn; ++i) {
        naglowek->setTextAlignment(i, kKolumny[i].wyrownanie | Qt::AlignVCenter);
        lista->header()->resizeSection(i, szerokoscKolumny(kKolumny[i].szerokosc));
    }
    lista->setColumnHidden(kId, true);
    lista->setItemDelegateForColumn(kKomentarz, new JednaLinia(lista));
    lista->header()->setStretchLastSection(false);
    lista->header()->setSectionsMovable(false);
    lista->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    lista->installEventFilter(this);
    ui::followKeyboardRow(lista);
    ui::plainTextToolTips(lista);
    m_sortowanie = std::make_unique<ui::ListSorter>(lista);
    ui::dodajEksportCsv(lista, QStringLiteral("mecze"));
}

void frmMain::UstawPasekStanu() {
    const auto panel = [this](const char* nazwa, const QString& podpowiedz) {
        auto* etykieta = new QLabel(m_ui->sbarMirvola);
        etykieta->setObjectName(QLatin1String(nazwa));
        etykieta->setToolTip(podpowiedz);
        etykieta->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        etykieta->setContentsMargins(4, 0, 4, 0);
        return etykieta;
    };
    m_panelTytul = panel("sbarMirvola_1", QStringLiteral("Mirvola forever"));
    m_panelTytul->setText(QStringLiteral("Mirvola - mecze, na których byłem (c) 2026"));
    m_panelData = panel("sbarMirvola_2", QStringLiteral("Data"));
    m_panelData->setAlignment(Qt::AlignCenter);
    m_panelGodzina = panel("sbarMirvola_3", QStringLiteral("Godzina"));
    m_panelGodzina->setAlignment(Qt::AlignCenter);
    m_ui->sbarMirvola->addWidget(m_panelTytul, 1);
    m_ui->sbarMirvola->addPermanentWidget(m_panelData);
    m_ui->sbarMirvola->addPermanentWidget(m_panelGodzina);
    m_ui->sbarMirvola->setSizeGripEnabled(true);

    m_zegar = new QTimer(this);
    m_zegar->setInterval(1000);
    connect(m_zegar, &QTimer::timeout, this, &frmMain::sbarMirvola_Odswiez);
    m_zegar->start();
    sbarMirvola_Odswiez();
}

void frmMain::PolaczPolecenia() {
    auto& f = *m_ui;
    const auto polacz = [this](QAction* polecenie, void (frmMain::*procedura)()) {
        connect(polecenie, &QAction::triggered, this, procedura);
    };
    for (auto [menu, przycisk, procedura] : {
             std::tuple{f.itmOpis, f.tlbMain_1, &frmMain::itmOpis_Click},
             std::tuple{f.itmDodaj, f.tlbMain_2, &frmMain::itmDodaj_Click},
             std::tuple{f.itmPopraw, f.tlbMain_3, &frmMain::itmPopraw_Click},
             std::tuple{f.sitmZaznaczony, f.tlbMain_4, &frmMain::sitmZaznaczony_Click},
             std::tuple{f.sitmWszystkie, f.tlbMain_5, &frmMain::sitmWszystkie_Click},
             std::tuple{f.itmStatystykiMecze, f.tlbMain_7, &frmMain::itmStatystykiMecze_Click},
             std::tuple{f.itmStatystykiPilkarze, f.tlbMain_8,
                        &frmMain::itmStatystykiPilkarze_Click},
             std::tuple{f.itmSlowniki, f.tlbMain_10, &frmMain::itmSlowniki_Click},
             std::tuple{f.itmUsunWszystko, f.tlbMain_12, &frmMain::itmUsunWszystko_Click},
         }) {
        polacz(menu, procedura);
        polacz(przycisk, procedura);
    }
    polacz(f.itmRekordy, &frmMain::itmRekordy_Click);
    polacz(f.itmWykresySezonow, &frmMain::itmWykresySezonow_Click);
    connect(f.itmRaport, &QAction::triggered, this, [this] {
        ui::polecenie(this, [this] {
            frmRaport okno(this);
            ui::showModal(&okno);
        });
    });
    polacz(f.itmOdswiez, &frmMain::itmOdswiez_Click);
    polacz(f.itmDefragmentacja, &frmMain::itmDefragmentacja_Click);
    polacz(f.itmNaprawa, &frmMain::itmNaprawa_Click);
    polacz(f.itmOProgramie, &frmMain::itmOProgramie_Click);
    connect(f.itmPodrecznik, &QAction::triggered, this, [this] { Podrecznik::Pokaz(this); });
    // F1 of the menu item acts in this window only; other windows, the item's own child
    // windows too, have theirs from the application's F1 (Podrecznik).
    f.itmPodrecznik->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(f.itmPodrecznik);
    connect(f.itmEksportuj, &QAction::triggered, this, [this] {
        ui::EksportujDoCsv(this, ui::tabelaListy(m_ui->lstMecze), QStringLiteral("mecze"));
    });
    connect(f.itmKopiaZapasowa, &QAction::triggered, this, [this] { KopiaZapasowa::Utworz(this); });
    connect(f.itmPrzywrocZKopii, &QAction::triggered, this,
            [this] { KopiaZapasowa::Przywroc(this); });
    connect(f.itmWczytajDawnyDziennik, &QAction::triggered, this,
            [this] { DawnyDziennik::Wczytaj(this); });
    connect(f.itmDolaczMecze, &QAction::triggered, this,
            [this] { DolaczenieMeczow::Dolacz(this); });
    connect(f.itmKoniec, &QAction::triggered, this, &QWidget::close);
    connect(f.itmTylkoOficjalne, &QAction::triggered, this, &frmMain::itmTylkoOficjalne_Click);
    connect(f.itmTylkoNieoficjalne, &QAction::triggered, this,
            &frmMain::itmTylkoNieoficjalne_Click);
    connect(f.lstMecze->header(), &QHeaderView::sectionClicked, this,
            &frmMain::lstMecze_ColumnClick);
    connect(f.lstMecze, &QTreeWidget::itemDoubleClicked, this, &frmMain::lstMecze_DblClick);

    m_poleceniaMeczu = {f.itmOpis,
                        f.itmPopraw,
                        f.itmUsun->menuAction(),
                        f.sitmZaznaczony,
                        f.sitmWszystkie,
                        f.itmOdswiez,
                        f.itmStatystykiMecze,
                        f.itmStatystykiPilkarze,
                        f.itmRekordy,
                        f.itmWykresySezonow,
                        f.itmRaport,
                        f.itmEksportuj,
                        f.tlbMain_1,
                        f.tlbMain_3,
                        f.tlbMain_4,
                        f.tlbMain_5,
                        f.tlbMain_7,
                        f.tlbMain_8};
}

int frmMain::szerokoscKolumny(int twipy) const {
    return ui::szerokoscKolumny(twipy, m_ui->lstMecze);
}

// The window's first size shows 22 rows and every column without scrolling, and still every
// column when a longer list brings the vertical scroll bar.
void frmMain::UstawRozmiar() {
    QTreeWidget* lista = m_ui->lstMecze;
    int szerokosc = 2 * lista->frameWidth();
    for (int i = kNr; i < kKomentarz; ++i) {
        szerokosc += lista->header()->sectionSize(i);
    }
    const int pasekPrzewijania =
        lista->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, lista);
    szerokosc += std::max(szerokoscKolumny(kKomentarzSzeroki),
                          szerokoscKolumny(kKomentarzWaski) + pasekPrzewijania);
    const int wiersz = lista->topLevelItemCount() > 0 ? lista->sizeHintForRow(0)
                                                      : lista->fontMetrics().height() + 4;
    const int wysokoscListy = 2 * lista->frameWidth() + lista->header()->sizeHint().height() +
                              kWidoczneWiersze * wiersz + 2;
    // Menu, toolbar and status bar take what the window's layout gives them beyond the list.
    const int paski = sizeHint().height() - centralWidget()->sizeHint().height();
    resize(szerokosc, paski + wysokoscListy);
}

// ---- start-up ----------------------------------------------------------------------------

// Start-up test of the diary. False when the program has to end: the file is missing, or it is
// not a usable diary of this program; the user has been told which.
bool frmMain::SprawdzBaze() {
    // A looping link beside the program is named, not passed over for the user's folder.
    const QString obok = dziennik::BazaObokProgramu();
    if (engine::isLinkLoop(obok)) {
        ui::messageBox(this, ui::tytul::kKomunikat, engine::describeLinkLoop(obok), Buttons::Ok,
                       Icon::Exclamation);
        return false;
    }
    if (!QFileInfo(Mirvola::SciezkaBazy()).isFile()) {
        ui::messageBox(this, ui::tytul::kKomunikat, QStringLiteral("Brak pliku Mirvola.mdb !!!"),
                       Buttons::Ok, Icon::Exclamation);
        if (!PierwszyStart::Uruchom(this)) {
            return false;
        }
    }
    const QFileInfo plik(Mirvola::SciezkaBazy());
    Mirvola::strSciezka = plik.fileName();
    m_panelTytul->setToolTip(QStringLiteral("Mirvola forever\nDziennik: ") +
                             QDir::toNativeSeparators(plik.absoluteFilePath()));
    if (!BazaGotowa()) {
        return false;
    }
    // Nothing of this program holds the diary yet: what a killed rebuild left beside it goes.
    engine::removeLeftovers(plik.filePath());
    strFiltr = kFiltrOficjalne;
    try {
        WypelnijListe();
    } catch (const engine::Error& e) {
        const QString sciezka = QDir::toNativeSeparators(plik.absoluteFilePath());
        ui::messageBox(this, ui::tytul::kKomunikat,
                       QStringLiteral("Nie można odczytać pliku %1\nWystąpił błąd numer %2\n%3")
                           .arg(sciezka)
                           .arg(e.number())
                           .arg(e.description()),
                       Buttons::Ok, Icon::Exclamation);
        return false;
    }
    return true;
}

// The diary is looked at, read-only, before anything reads it for the list or writes into it.
// True when it can be used: it is sound, or a damaged one has just been repaired.
bool frmMain::BazaGotowa() {
    for (;;) {
        const engine::Examination stan = engine::examineDiary(Mirvola::SciezkaBazy());
        switch (stan.condition) {
            case engine::Condition::Sound:
                PokazZaleglyRaport();
                return true;
            case engine::Condition::InUse:
                if (ui::ponowicGdyZajeta(this)) {
                    continue;
                }
                return false;
            case engine::Condition::Damaged:
                return NaprawPrzyStarcie(stan);
            default:
                ui::messageBox(this, ui::tytul::kKomunikat, engine::describeExamination(stan),
                               Buttons::Ok, Icon::Exclamation);
                return false;
        }
    }
}

// A damaged diary is never written into without the user's word: No ends the program and
// leaves the file as it is.
bool frmMain::NaprawPrzyStarcie(const engine::Examination& stan) {
    const QString pytanie =
        engine::describeExamination(stan) +
        QStringLiteral(
            "\n\nCzy naprawić bazę danych?\nProgram przepisze do nowego pliku "
            "wszystko, co da się z niego odczytać, a uszkodzony plik zachowa obok.");
    if (ui::messageBox(this, ui::tytul::kPytanie, pytanie, Buttons::YesNo, Icon::Question,
                       Answer::Yes) != Answer::Yes) {
        return false;
    }
    return Napraw();
}

// ---- the list ----------------------------------------------------------------------------

void frmMain::WypelnijListe() {
    const ui::Hourglass klepsydra;
    QTreeWidget* lista = m_ui->lstMecze;
    {
        const Mirvola::StrazBazy zamknij;
        Mirvola::strSQL = zapytanieListy(strFiltr);
        Mirvola::OtworzBaze(Mirvola::strSQL);
        lista->clear();
        const int n = Mirvola::rsDane->recordCount();
        UstawPolecenia(n > 0);
        lista->header()->resizeSection(
            kKomentarz,
            szerokoscKolumny(n <= kWidoczneWiersze ? kKomentarzSzeroki : kKomentarzWaski));
        WypelnijWiersze(n);
        Mirvola::ZamknijBaze();
    }
    m_sortowanie->resort();
    if (QTreeWidgetItem* pierwszy = lista->topLevelItem(0)) {
        lista->setCurrentItem(pierwszy);
    }
}

// Rows in query order; the top row carries the number of rows, the oldest one 1. Each
// comment's tooltip comes with its row (WierszMeczu).
void frmMain::WypelnijWiersze(int n) {
    engine::Recordset& rs = *Mirvola::rsDane;
    QList<QTreeWidgetItem*> wiersze;
    wiersze.reserve(n);
    for (; !rs.eof(); rs.moveNext()) {
        wiersze.append(new WierszMeczu({tekstPola(rs.value(QStringLiteral("Id_meczu"))),
                                        numerMeczu(n), tekstPola(rs.value(QStringLiteral("Sezon"))),
                                        tekstPola(rs.value(QStringLiteral("Data"))),
                                        tekstPola(rs.value(QStringLiteral("Para"))),
                                        tekstPola(rs.value(QStringLiteral("Wynik"))),
                                        tekstPola(rs.value(QStringLiteral("Nazwa"))),
                                        tekstPola(rs.value(QStringLiteral("Komentarz")))},
                                       n));
        --n;
    }
    m_ui->lstMecze->addTopLevelItems(wiersze);
}

// The one place that decides which commands are available.
void frmMain::UstawPolecenia(bool saMecze) {
    for (QAction* polecenie : m_poleceniaMeczu) {
        polecenie->setEnabled(saMecze);
    }
    m_ui->lstMecze->setVisible(saMecze);
}

void frmMain::ZaznaczWierszZnacznika() {
    QTreeWidget* lista = m_ui->lstMecze;
    const QList<QTreeWidgetItem*> znalezione =
        lista->findItems(strTag, Qt::MatchExactly | Qt::MatchCaseSensitive, kId);
    if (znalezione.isEmpty()) {
        return;
    }
    lista->setCurrentItem(znalezione.first());
    lista->scrollToItem(znalezione.first());
}

bool frmMain::tylkoOficjalne() const {
    return m_ui->itmTylkoOficjalne->isChecked();
}

bool frmMain::tylkoNieoficjalne() const {
    return m_ui->itmTylkoNieoficjalne->isChecked();
}

void frmMain::Odswiez() {
    // The list is back in query order for the next header click also when the refill fails.
    m_sortowanie->off();
    intKolumna = 0;
    WypelnijListe();
}

// The row the commands act on; with rows but none selected they do nothing.
const QTreeWidgetItem* frmMain::zaznaczonyWiersz() const {
    const QList<QTreeWidgetItem*> zaznaczone = m_ui->lstMecze->selectedItems();
    return zaznaczone.isEmpty() ? nullptr : zaznaczone.first();
}

void frmMain::UruchomPolecenie(QAction* polecenie) {
    if (polecenie->isEnabled()) {
        polecenie->trigger();
    }
}

void frmMain::lstMecze_ColumnClick(int kolumna) {
    m_sortowanie->headerClicked(kolumna, intKolumna);
}

void frmMain::lstMecze_DblClick() {
    UruchomPolecenie(m_ui->itmOpis);
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_ui->lstMecze && event->type() == QEvent::KeyPress) {
        switch (static_cast<QKeyEvent*>(event)->key()) {
            case Qt::Key_Return:
            case Qt::Key_Enter:
                UruchomPolecenie(m_ui->itmOpis);
                return true;
            case Qt::Key_Delete:
                UruchomPolecenie(m_ui->sitmZaznaczony);
                return true;
            default:
                break;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmMain::sbarMirvola_Odswiez() {
    const QDateTime teraz = ui::now();
    // The program speaks Polish whatever the system's language, dates included.
    const QLocale lokalne(QLocale::Polish, QLocale::Poland);
    m_panelData->setText(lokalne.toString(teraz.date(), QLocale::ShortFormat));
    m_panelGodzina->setText(lokalne.toString(teraz.time(), QLocale::ShortFormat));
}

void frmMain::closeEvent(QCloseEvent* event) {
    if (!blnBrakBazy && ui::messageBox(this, QStringLiteral("Koniec programu Mirvola"),
                                       QStringLiteral("Jesteś pewien ?"), Buttons::YesNo,
                                       Icon::Question) != Answer::Yes) {
        event->ignore();
        return;
    }
    m_zegar->stop();
    event->accept();
}

// ---- commands that open other windows -----------------------------------------------------
// Every other window is modal: the main window waits for it, then refreshes what it shows.

void frmMain::itmOpis_Click() {
    const QTreeWidgetItem* wiersz = zaznaczonyWiersz();
    if (!wiersz) {
        return;
    }
    Mirvola::dblIdMeczu = wiersz->text(kId).toDouble();
    ui::polecenie(this, [this] {
        const FiltrMeczow filtr{tylkoOficjalne(), tylkoNieoficjalne(), {}, {}};
        frmMecze okno(this, true, filtr);
        ui::showModal(&okno);
    });
    ui::sendRightArrow();
}

void frmMain::itmDodaj_Click() {
    Mirvola::blnPoprawa = Mirvola::False;
    ui::polecenie(this, [this] {
        frmMecz okno(this);
        ui::showModal(&okno);
    });
    ui::polecenie(this, [this] { WypelnijListe(); });
}

void frmMain::itmPopraw_Click() {
    const QTreeWidgetItem* wiersz = zaznaczonyWiersz();
    if (!wiersz) {
        return;
    }
    Mirvola::blnPoprawa = Mirvola::True;
    Mirvola::dblIdMeczu = wiersz->text(kId).toDouble();
    strTag = wiersz->text(kId);
    ui::polecenie(this, [this] {
        frmMecz okno(this);
        ui::showModal(&okno);
    });
    ui::polecenie(this, [this] {
        WypelnijListe();
        ZaznaczWierszZnacznika();
    });
}

// The statistics only read the diary: the list is not refilled afterwards.
void frmMain::itmStatystykiMecze_Click() {
    ui::polecenie(this, [this] {
        frmStatystykiMecze okno(this);
        ui::showModal(&okno);
    });
}

void frmMain::itmStatystykiPilkarze_Click() {
    ui::polecenie(this, [this] {
        frmStatystykiPilkarze okno(this);
        ui::showModal(&okno);
    });
}

void frmMain::itmRekordy_Click() {
    ui::polecenie(this, [this] {
        frmRekordy okno(this);
        ui::showModal(&okno);
    });
}

void frmMain::itmWykresySezonow_Click() {
    ui::polecenie(this, [this] {
        frmWykresySezonow okno(this);
        ui::showModal(&okno);
    });
}

void frmMain::itmSlowniki_Click() {
    Mirvola::blnPoprawa = Mirvola::False;
    ui::polecenie(this, [this] {
        frmSlowniki okno(this);
        ui::showModal(&okno);
    });
    ui::polecenie(this, [this] { WypelnijListe(); });
}

void frmMain::itmOProgramie_Click() {
    frmAbout okno(this);
    ui::showModal(&okno);
}

// ---- filters and refresh -----------------------------------------------------------------

void frmMain::itmTylkoOficjalne_Click(bool zaznaczony) {
    if (zaznaczony) {
        m_ui->itmTylkoNieoficjalne->setChecked(false);
        strFiltr = kFiltrOficjalne;
    } else {
        strFiltr = kFiltrWszystkie;
    }
    ui::polecenie(this, [this] { Odswiez(); });
}

void frmMain::itmTylkoNieoficjalne_Click(bool zaznaczony) {
    if (zaznaczony) {
        m_ui->itmTylkoOficjalne->setChecked(false);
        strFiltr = kFiltrNieoficjalne;
    } else {
        strFiltr = kFiltrWszystkie;
    }
    ui::polecenie(this, [this] { Odswiez(); });
}

void frmMain::itmOdswiez_Click() {
    ui::polecenie(this, [this] { Odswiez(); });
}

// ---- deleting matches --------------------------------------------------------------------

void frmMain::sitmZaznaczony_Click() {
    const QTreeWidgetItem* wiersz = zaznaczonyWiersz();
    if (!wiersz) {
        return;
    }
    const QString strId = wiersz->text(kId);
    Mirvola::strSciezka = QStringLiteral("Czy na pewno usunąć mecz ") + wiersz->text(kMecz) +
                          QLatin1Char(' ') + wiersz->text(kWynik) + QStringLiteral(" z ") +
                          ui::dataSlownie(QDate::fromString(wiersz->text(kData), Qt::ISODate)) +
                          QLatin1Char('?');
    if (ui::messageBox(this, ui::tytul::kPytanie, Mirvola::strSciezka, Buttons::YesNo,
                       Icon::Question, Answer::No) != Answer::Yes) {
        return;
    }
    const bool usuniety = Zmien([&strId] {
        Mirvola::strSQL = QStringLiteral("DELETE FROM Mecze WHERE Id_meczu = ") + strId;
        Mirvola::WykonajSQL(Mirvola::strSQL);
    });
    if (!usuniety) {
        return;
    }
    ui::messageBox(this, ui::tytul::kInfo, kDaneUsuniete, Buttons::Ok, Icon::Information);
    ui::polecenie(this, [this] { WypelnijListe(); });
}

void frmMain::sitmWszystkie_Click() {
    Mirvola::strSciezka = QStringLiteral("Czy na pewno usunąć wszystkie mecze i strzelone bramki?");
    if (ui::messageBox(this, ui::tytul::kPytanie, Mirvola::strSciezka, Buttons::YesNo,
                       Icon::Question, Answer::No) != Answer::Yes) {
        return;
    }
    const bool usuniete = Zmien([] {
        Mirvola::strSQL = QStringLiteral("DELETE FROM Mecze");
        Mirvola::WykonajSQL(Mirvola::strSQL);
    });
    if (!usuniete) {
        return;
    }
    KompaktujPoCichu();
    ui::messageBox(this, ui::tytul::kInfo, kDaneUsuniete, Buttons::Ok, Icon::Information);
    ui::polecenie(this, [this] { WypelnijListe(); });
}

// ---- maintenance -------------------------------------------------------------------------

// Runs one step of compaction or repair. Another process holding the file gets the
// Retry/Cancel question, and Retry runs the same step again; any other error is reported.
// False when the command has to end.
bool frmMain::WykonajKrok(const std::function<void()>& krok) {
    return ui::wykonajPonawiajac(
        this,
        [&] {
            const ui::Hourglass klepsydra;
            krok();
        },
        [this](const engine::Error& e) {
            ui::messageBox(
                this, ui::tytul::kKomunikat,
                QStringLiteral("Wystąpił błąd numer %1\n%2").arg(e.number()).arg(e.description()),
                Buttons::Ok, Icon::Exclamation);
        });
}

// Compaction and repair put a new file in place of the diary: other names of the old file (hard
// links) would keep its old contents, so the user decides. True when there are none.
bool frmMain::ZgodaNaNowyPlik(const QString& czynnosc, const QString& pytanie) {
    const int inne = engine::otherHardLinks(Mirvola::SciezkaBazy());
    return inne == 0 || ui::messageBox(this, ui::tytul::kPytanie,
                                       engine::hardLinksQuestion(Mirvola::SciezkaBazy(), inne,
                                                                 czynnosc, pytanie),
                                       Buttons::YesNo, Icon::Question, Answer::No) == Answer::Yes;
}

// The compacted copy replaces the diary in one rename, so a crash at any moment leaves either
// the old or the compacted diary under its name.
bool frmMain::Defragmentuj() {
    if (!ZgodaNaNowyPlik(QStringLiteral("Defragmentacja"),
                         QStringLiteral("przeprowadzić defragmentację"))) {
        return false;
    }
    return WykonajKrok([] { engine::compactInPlace(Mirvola::SciezkaBazy()); });
}

// A repair that replaced the diary just before the program ended (a crash, a kill) left its
// report beside the diary: the user learns of it at the next start.
void frmMain::PokazZaleglyRaport() {
    const QString raport = engine::takeRepairReport(Mirvola::SciezkaBazy());
    if (raport.isEmpty()) {
        return;
    }
    const bool utracono = !raport.contains(QStringLiteral("Odzyskano wszystkie wiersze."));
    ui::messageBox(this, utracono ? ui::tytul::kKomunikat : ui::tytul::kInfo,
                   raport + QStringLiteral("\n\nNaprawa odbyła się, zanim program zakończył "
                                           "poprzednio pracę; ten raport nie został wtedy "
                                           "pokazany."),
                   Buttons::Ok, utracono ? Icon::Exclamation : Icon::Information);
}

// The repair and its report: what each table held before and after, and where the damaged
// file was kept. False when the repair failed (the user has been told why).
bool frmMain::Napraw() {
    if (!ZgodaNaNowyPlik(QStringLiteral("Naprawa"), QStringLiteral("naprawić bazę danych"))) {
        return false;
    }
    engine::RepairReport raport;
    if (!WykonajKrok([&] { raport = engine::repairDatabase(Mirvola::SciezkaBazy()); })) {
        return false;
    }
    const QString tekst = engine::describeRepair(raport);
    // Shown now: the copy kept for a start after a crash goes.
    engine::takeRepairReport(Mirvola::SciezkaBazy());
    if (raport.rebuilt && raport.lostRows()) {
        ui::messageBox(this, ui::tytul::kKomunikat, tekst, Buttons::Ok, Icon::Exclamation);
    } else {
        ui::messageBox(this, ui::tytul::kInfo, tekst, Buttons::Ok, Icon::Information);
    }
    return true;
}

// Runs a change of the diary. Another process holding the file gets the Retry/Cancel question
// and Retry runs the change again; any other error gets the standard error message. False when
// the change was not made.
bool frmMain::Zmien(const std::function<void()>& zmiana) {
    return ui::wykonajPonawiajac(this, zmiana,
                                 [this](const engine::Error& e) { ui::pokazBlad(this, e); });
}

void frmMain::itmDefragmentacja_Click() {
    if (ui::messageBox(this, ui::tytul::kPytanie,
                       QStringLiteral("Czy przeprowadzić defragmentację bazy danych?"),
                       Buttons::YesNo, Icon::Question, Answer::Yes) != Answer::Yes) {
        return;
    }
    if (Defragmentuj()) {
        ui::messageBox(this, ui::tytul::kInfo,
                       QStringLiteral("Defragmentacja zakończyła się pomyślnie."), Buttons::Ok,
                       Icon::Information);
    }
}

void frmMain::itmNaprawa_Click() {
    if (ui::messageBox(this, ui::tytul::kPytanie, QStringLiteral("Czy naprawić bazę danych?"),
                       Buttons::YesNo, Icon::Question, Answer::Yes) != Answer::Yes) {
        return;
    }
    if (Napraw()) {
        // Rows may have gone with the damage: the list shows what the diary holds now.
        ui::polecenie(this, [this] { WypelnijListe(); });
    }
}

void frmMain::itmUsunWszystko_Click() {
    Mirvola::strSciezka = QStringLiteral(
        "Czy na pewno usunąć wszystkie mecze, strzelone bramki,\n"
        "a także wszystkie dane ze słowników?");
    if (ui::messageBox(this, ui::tytul::kPytanie, Mirvola::strSciezka, Buttons::YesNo,
                       Icon::Question, Answer::No) != Answer::Yes) {
        return;
    }
    if (!Zmien(UsunWszystkieDane)) {
        return;
    }
    KompaktujPoCichu();
    ui::messageBox(this, ui::tytul::kInfo, kDaneUsuniete, Buttons::Ok, Icon::Information);
    ui::polecenie(this, [this] { WypelnijListe(); });
}
