#include "forms/frmStatystykiPilkarze.h"

#include "data/Mirvola.h"
#include "data/StatystykiPilkarzy.h"
#include "forms/Dialogs.h"
#include "forms/ListExport.h"
#include "forms/ListRows.h"
#include "forms/Toolkit.h"
#include "forms/frmBramkiPilkarza.h"
#include "forms/frmStatystykiMecze.h"
#include "ui_frmStatystykiPilkarze.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QListWidget>
#include <QTreeWidget>

#include <vector>

namespace {

enum Kolumna { kId, kPilkarz, kGole };

// Twips. The name column gives up room for the scroll bar from 21 players on.
constexpr int kSzerokoscPilkarza = 2965;
constexpr int kSzerokoscPilkarzaZPaskiem = 2700;
constexpr int kSzerokoscGoli = 800;
constexpr int kWierszeBezPaska = 20;

// The condition on one pair of options: nothing when both are checked; otherwise the value of
// the checked one, or Null (never equal to anything) when neither is.
QString Warunek(const QString& kolumna, bool pierwsza, const QString& wartoscPierwszej, bool druga,
                const QString& wartoscDrugiej) {
    if (pierwsza && druga) {
        return QString();
    }
    const QString wartosc =
        pierwsza ? wartoscPierwszej : (druga ? wartoscDrugiej : QStringLiteral("Null"));
    return QStringLiteral(" AND ") + kolumna + QStringLiteral(" = ") + wartosc;
}

}  // namespace

frmStatystykiPilkarze::frmStatystykiPilkarze(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::frmStatystykiPilkarze>()) {
    ui->setupUi(this);
    statystyki::UstawWysokoscRozgrywek(ui->lstRozgr);

    QTreeWidget* lista = ui->lstGracze;
    lista->setColumnWidth(kId, 0);
    lista->setColumnHidden(kId, true);
    lista->setColumnWidth(kPilkarz, ui::szerokoscKolumny(kSzerokoscPilkarza, lista));
    lista->setColumnWidth(kGole, ui::szerokoscKolumny(kSzerokoscGoli, lista));
    lista->headerItem()->setTextAlignment(kGole, Qt::AlignCenter);
    statystyki::UstawRozmiarListy(lista, kWierszeBezPaska);
    // At least those rows, and as tall as the filters beside it, so no gap is left below it.
    lista->setMinimumHeight(lista->height());
    lista->setMaximumHeight(QWIDGETSIZE_MAX);
    sortowanie = std::make_unique<ui::ListSorter>(lista);
    lista->installEventFilter(this);
    ui::dodajEksportCsv(lista, QStringLiteral("statystyki-pilkarze"));
    ui::followKeyboardRow(lista);
    ui::followKeyboardRow(ui->lstRozgr);

    blnWczytywanie = true;
    if (statystyki::WczytajRozgrywki(this, ui->lstRozgr)) {
        WypelnijStrzelcow(UstalWarunek());
    }
    intKolumna = 0;
    blnWczytywanie = false;

    connect(ui->lstRozgr, &QListWidget::itemChanged, this, [this] {
        if (!blnWczytywanie) {
            Odswiez();
        }
    });
    for (QCheckBox* chk : {ui->chkOpcja_0, ui->chkOpcja_1, ui->chkOpcja_2, ui->chkOpcja_3,
                           ui->chkOpcja_4, ui->chkOpcja_5, ui->chkOpcja_6}) {
        connect(chk, &QCheckBox::toggled, this, &frmStatystykiPilkarze::Odswiez);
    }
    connect(lista->header(), &QHeaderView::sectionClicked, this,
            [this](int kolumna) { sortowanie->headerClicked(kolumna, intKolumna); });
    connect(lista, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item) { lstGracze_DblClick(item); });
}

frmStatystykiPilkarze::~frmStatystykiPilkarze() = default;

QString frmStatystykiPilkarze::UstalWarunek() const {
    const bool prawidlowe = ui->chkOpcja_3->isChecked();
    const bool samobojcze = ui->chkOpcja_4->isChecked();
    const bool dlaMirvoli = ui->chkOpcja_5->isChecked();
    const bool przeciwko = ui->chkOpcja_6->isChecked();
    if (prawidlowe && samobojcze && dlaMirvoli && przeciwko) {
        return QString();
    }
    return Warunek(QStringLiteral("Jak.CzySam"), prawidlowe, QStringLiteral("False"), samobojcze,
                   QStringLiteral("True")) +
           Warunek(QStringLiteral("Bramki.Czy_Mirvola"), dlaMirvoli, QStringLiteral("True"),
                   przeciwko, QStringLiteral("False"));
}

QString frmStatystykiPilkarze::Zapytanie(const QString& rozgrywki, const QString& gdzie,
                                         const QString& warunek) {
    return pilkarze::Zapytanie(rozgrywki, gdzie, warunek);
}

void frmStatystykiPilkarze::Odswiez() {
    sortowanie->off();
    WypelnijStrzelcow(UstalWarunek());
    intKolumna = 0;
}

bool frmStatystykiPilkarze::WypelnijStrzelcow(const QString& warunek) {
    const QString rozgrywki = statystyki::UstalRozgrywki(ui->lstRozgr);
    const QString gdzie = statystyki::UstalMiejsca(ui->chkOpcja_0, ui->chkOpcja_1, ui->chkOpcja_2);
    std::vector<pilkarze::Strzelec> strzelcy;
    try {
        ui::Hourglass klepsydra;
        Mirvola::strSQL = Zapytanie(rozgrywki, gdzie, warunek);
        Mirvola::StrazBazy baza(Mirvola::strSQL);
        strzelcy = pilkarze::CzytajStrzelcow(*Mirvola::rsDane);
    } catch (const engine::Error& e) {
        // The list keeps what it showed, and the filters stay those of the list.
        ui::pokazBlad(this, e);
        return false;
    }

    strRozgrywki = rozgrywki;
    strGdzie = gdzie;
    strWarunek = warunek;
    QTreeWidget* lista = ui->lstGracze;
    lista->clear();
    for (const pilkarze::Strzelec& s : strzelcy) {
        auto* item = new ui::SortableItem(lista);
        item->setText(kId, s.id);
        item->setText(kPilkarz, s.zawodnik);
        ui::setNumber(item, kGole, ui::padded(s.bramki, 3), static_cast<double>(s.bramki));
        item->setTextAlignment(kGole, Qt::AlignCenter);
    }
    lista->setColumnWidth(kPilkarz, ui::szerokoscKolumny(strzelcy.size() > kWierszeBezPaska
                                                             ? kSzerokoscPilkarzaZPaskiem
                                                             : kSzerokoscPilkarza,
                                                         lista));
    sortowanie->resort();
    return true;
}

void frmStatystykiPilkarze::lstGracze_DblClick(QTreeWidgetItem* item) {
    if (!item) {
        return;
    }
    frmBramkiPilkarza okno(this, item->text(kId).toDouble(), strRozgrywki, strGdzie, strWarunek);
    ui::showModal(&okno);
    ui::sendRightArrow();
}

bool frmStatystykiPilkarze::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui->lstGracze && ::ui::nacisnietoEnter(event)) {
        const QList<QTreeWidgetItem*> zaznaczone = ui->lstGracze->selectedItems();
        if (!zaznaczone.isEmpty()) {
            lstGracze_DblClick(zaznaczone.front());
        }
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
