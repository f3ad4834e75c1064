#include "forms/frmRekordy.h"

#include "data/Mirvola.h"
#include "forms/Dialogs.h"
#include "forms/ListExport.h"
#include "forms/ListRows.h"
#include "forms/Toolkit.h"
#include "forms/WyborMeczow.h"
#include "forms/frmMecze.h"
#include "ui_frmRekordy.h"

#include <QHeaderView>
#include <QStringList>
#include <QTreeWidget>

#include <algorithm>

namespace {

enum Kolumna { kId, kRekord, kWartosc, kSzczegoly, kData, kMecz, kWynik, kRozgrywki, kKolumn };

// Twips, as the main list measures its columns.
constexpr int kSzerokosci[kKolumn] = {0, 3500, 750, 2000, 1050, 3200, 700, 1600};
constexpr int kWierszeBezPaska = 16;

// Where a row points: its record and the line of that record.
constexpr int kRolaRekordu = Qt::UserRole;
constexpr int kRolaPozycji = Qt::UserRole + 1;
// The position of the row that stands for the ties not shown.
constexpr int kReszta = -1;
// Ties shown before "i N innych".
constexpr size_t kPierwszeRemisy = 5;

const QColor kKolorBraku(0x80, 0x80, 0x80);

QString listaSQL(const std::vector<qint64>& id) {
    QStringList teksty;
    teksty.reserve(static_cast<qsizetype>(id.size()));
    for (const qint64 i : id) {
        teksty << QString::number(i);
    }
    return u'(' + teksty.join(QStringLiteral(", ")) + u')';
}

}  // namespace

frmRekordy::frmRekordy(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::frmRekordy>()) {
    ui->setupUi(this);
    QTreeWidget* lista = ui->lstRekordy;
    lista->header()->setMinimumSectionSize(0);
    for (int k = 0; k < kKolumn; ++k) {
        lista->setColumnWidth(k, ui::szerokoscKolumny(kSzerokosci[k], lista));
    }
    lista->setColumnHidden(kId, true);
    for (const int k : {kWartosc, kData, kWynik, kRozgrywki}) {
        lista->headerItem()->setTextAlignment(k, Qt::AlignCenter);
    }
    // The records keep their order: the list does not sort.
    lista->header()->setSectionsClickable(false);
    lista->installEventFilter(this);
    ui::followKeyboardRow(lista);
    ui::plainTextToolTips(lista);
    ui::dodajEksportCsv(lista, QStringLiteral("rekordy"));
    connect(lista, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item) { lstRekordy_DblClick(item); });

    int szerokosc = 2 * lista->frameWidth() + 2;
    for (int k = kRekord; k < kKolumn; ++k) {
        szerokosc += lista->columnWidth(k);
    }
    const int wiersz = lista->fontMetrics().height() + 6;
    // The list shows every column where the screen has room for them; on a smaller screen
    // (1024 x 768) the window fits and the list scrolls sideways.
    const int najwezsza = lista->columnWidth(kRekord) + lista->columnWidth(kWartosc);
    lista->setMinimumSize(
        std::min(szerokosc, najwezsza),
        lista->header()->sizeHint().height() + kWierszeBezPaska * wiersz + 2 * lista->frameWidth());
    lista->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    const QSize poczatkowa = QDialog::sizeHint();
    m_rozmiar =
        QSize(ui::szerokoscNaEkranie(this, poczatkowa.width() - lista->minimumWidth() + szerokosc),
              poczatkowa.height());
    resize(m_rozmiar);

    wybor = std::make_unique<WyborMeczow>(
        this, ui->lstRozgr, std::array{ui->chkOpcja_0, ui->chkOpcja_1, ui->chkOpcja_2},
        [this] { WypelnijRekordy(); });
    if (wybor->Wczytaj()) {
        WypelnijRekordy();
    }
}

frmRekordy::~frmRekordy() = default;

QSize frmRekordy::sizeHint() const {
    return m_rozmiar.isValid() ? m_rozmiar : QDialog::sizeHint();
}

void frmRekordy::WypelnijRekordy() {
    const wybor::Filtr filtr = wybor->filtr();
    std::vector<rekordy::Rekord> wyniki;
    try {
        ui::Hourglass klepsydra;
        wyniki = rekordy::Rekordy(Mirvola::SciezkaBazy(), filtr);
    } catch (const engine::Error& e) {
        // The list keeps the records it showed, and with them the filter they were made for.
        ui::pokazBlad(this, e);
        return;
    }
    m_rekordy = std::move(wyniki);
    m_filtr = filtr;
    ui->lstRekordy->clear();
    for (size_t nr = 0; nr < m_rekordy.size(); ++nr) {
        DodajRekord(static_cast<int>(nr), m_rekordy[nr]);
    }
}

void frmRekordy::DodajRekord(int nr, const rekordy::Rekord& rekord) {
    QTreeWidget* lista = ui->lstRekordy;
    const size_t wierszy = std::max<size_t>(1, rekord.pozycje.size());
    // A long run of ties (157 matches with one goal of a player) would swamp the list: the
    // first ones stand for them, the rest come on asking.
    const size_t pokazane = wierszy > kPierwszeRemisy + 1 ? kPierwszeRemisy : wierszy;
    for (size_t i = 0; i < pokazane; ++i) {
        lista->addTopLevelItem(NowyWiersz(nr, rekord, i));
    }
    if (pokazane < wierszy) {
        auto* reszta = NowyWiersz(nr, rekord, wierszy);
        reszta->setText(kSzczegoly, QStringLiteral("i %1 innych").arg(wierszy - pokazane));
        reszta->setData(kId, kRolaPozycji, kReszta);
        reszta->setToolTip(kSzczegoly, QStringLiteral("Dwuklik lub Enter pokazuje wszystkie"));
        lista->addTopLevelItem(reszta);
    }
}

QTreeWidgetItem* frmRekordy::NowyWiersz(int nr, const rekordy::Rekord& rekord, size_t i) const {
    const QTreeWidget* lista = ui->lstRekordy;
    auto* item = new QTreeWidgetItem;
    item->setData(kId, kRolaRekordu, nr);
    item->setData(kId, kRolaPozycji, static_cast<int>(i));
    // Every other record shaded, so that its lines read as one.
    if (nr % 2 == 1) {
        for (int k = 0; k < kKolumn; ++k) {
            item->setBackground(k, lista->palette().alternateBase());
        }
    }
    for (const int k : {kWartosc, kData, kWynik, kRozgrywki}) {
        item->setTextAlignment(k, Qt::AlignCenter);
    }
    if (i == 0) {
        item->setText(kRekord, rekord.nazwa);
        item->setText(kWartosc, rekord.tekstWartosci());
        QFont gruby = item->font(kRekord);
        gruby.setBold(true);
        item->setFont(kRekord, gruby);
        item->setFont(kWartosc, gruby);
    }
    if (!rekord.wartosc) {
        item->setForeground(kWartosc, kKolorBraku);
        return item;
    }
    if (i >= rekord.pozycje.size()) {
        return item;
    }
    item->setText(kSzczegoly, rekordy::OpisPozycji(rekord, i));
    if (const auto& mecz = rekord.pozycje[i].mecz) {
        item->setText(kId, QString::number(mecz->idMeczu));
        item->setText(kData, mecz->data.toString(QStringLiteral("yyyy-MM-dd")));
        item->setText(kMecz, mecz->para);
        item->setText(kWynik, mecz->wynik);
        item->setText(kRozgrywki, mecz->rozgrywki);
    }
    return item;
}

// The row "i N innych" gives way to the ties it stood for.
void frmRekordy::PokazReszte(QTreeWidgetItem* reszta) {
    QTreeWidget* lista = ui->lstRekordy;
    const int nr = reszta->data(kId, kRolaRekordu).toInt();
    const rekordy::Rekord& rekord = m_rekordy[static_cast<size_t>(nr)];
    int miejsce = lista->indexOfTopLevelItem(reszta);
    delete reszta;
    for (size_t i = kPierwszeRemisy; i < rekord.pozycje.size(); ++i) {
        lista->insertTopLevelItem(miejsce++, NowyWiersz(nr, rekord, i));
    }
    lista->setCurrentItem(
        lista->topLevelItem(miejsce - static_cast<int>(rekord.pozycje.size() - kPierwszeRemisy)));
}

void frmRekordy::lstRekordy_DblClick(QTreeWidgetItem* item) {
    if (!item) {
        return;
    }
    if (item->data(kId, kRolaPozycji).toInt() == kReszta) {
        PokazReszte(item);
        return;
    }
    const size_t nr = item->data(kId, kRolaRekordu).toUInt();
    const size_t i = item->data(kId, kRolaPozycji).toUInt();
    if (nr >= m_rekordy.size() || i >= m_rekordy[nr].pozycje.size()) {
        return;  // "brak"
    }
    const rekordy::Rekord& rekord = m_rekordy[nr];
    const rekordy::Pozycja& pozycja = rekord.pozycje[i];
    FiltrMeczow filtr;
    if (pozycja.mecz) {
        Mirvola::dblIdMeczu = static_cast<double>(pozycja.mecz->idMeczu);
        filtr.strIdMeczow = listaSQL(rekord.mecze);
    } else {
        Mirvola::dblIdMeczu = static_cast<double>(pozycja.idKlubu);
        filtr.strRozgrywki = m_filtr.strRozgrywki;
        filtr.strGdzie = m_filtr.strGdzie;
    }
    frmMecze okno(this, false, filtr);
    ui::showModal(&okno);
    ui::sendRightArrow();
}

bool frmRekordy::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui->lstRekordy && ::ui::nacisnietoEnter(event)) {
        const QList<QTreeWidgetItem*> zaznaczone = ui->lstRekordy->selectedItems();
        if (!zaznaczone.isEmpty()) {
            lstRekordy_DblClick(zaznaczone.front());
        }
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
