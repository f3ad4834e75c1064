#include "forms/frmStatystykiMecze.h"

#include "data/Bilans.h"
#include "data/Mirvola.h"
#include "forms/Dialogs.h"
#include "forms/ListExport.h"
#include "forms/ListRows.h"
#include "forms/Toolkit.h"
#include "forms/frmMecze.h"
#include "ui_frmStatystykiMecze.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QTreeWidget>

#include <vector>

namespace statystyki {
namespace {

void DodajRozgrywki(engine::Recordset& rs, QListWidget* lstRozgr) {
    for (; !rs.eof(); rs.moveNext()) {
        auto* item = new QListWidgetItem(rs.value(QStringLiteral("Nazwa")).toString(), lstRozgr);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setData(Qt::UserRole, rs.value(QStringLiteral("Id_rozgrywki")));
        item->setCheckState(
            rs.value(QStringLiteral("Oficjalny")).toLongLong() != 0 ? Qt::Checked : Qt::Unchecked);
    }
    if (lstRozgr->count() > 0) {
        lstRozgr->setCurrentRow(0);
    }
}

}  // namespace

bool WczytajRozgrywki(QWidget* okno, QListWidget* lstRozgr) {
    try {
        ui::Hourglass klepsydra;
        Mirvola::strSQL = QStringLiteral("SELECT * FROM Rozgrywki ORDER BY Nazwa");
        Mirvola::StrazBazy baza(Mirvola::strSQL);
        DodajRozgrywki(*Mirvola::rsDane, lstRozgr);
    } catch (const engine::Error& e) {
        lstRozgr->clear();
        ui::pokazBlad(okno, e);
        return false;
    }
    return true;
}

QString UstalRozgrywki(const QListWidget* lstRozgr) {
    QStringList id;
    for (int i = 0; i < lstRozgr->count(); ++i) {
        const QListWidgetItem* item = lstRozgr->item(i);
        if (item->checkState() == Qt::Checked) {
            id << item->data(Qt::UserRole).toString();
        }
    }
    return id.isEmpty() ? QStringLiteral("(0)")
                        : QStringLiteral("(") + id.join(QStringLiteral(", ")) + QStringLiteral(")");
}

QString UstalMiejsca(const QCheckBox* dom, const QCheckBox* wyjazd, const QCheckBox* neutralny) {
    QStringList kody;
    if (dom->isChecked()) {
        kody << QStringLiteral("'D'");
    }
    if (wyjazd->isChecked()) {
        kody << QStringLiteral("'W'");
    }
    if (neutralny->isChecked()) {
        kody << QStringLiteral("'N'");
    }
    return kody.isEmpty()
               ? QStringLiteral("('A')")
               : QStringLiteral("(") + kody.join(QStringLiteral(", ")) + QStringLiteral(")");
}

void UstawWysokoscRozgrywek(QListWidget* lstRozgr) {
    constexpr int kWidoczneRozgrywki = 8;
    auto proba = std::make_unique<QListWidgetItem>(QStringLiteral("Ąg"));
    proba->setFlags(proba->flags() | Qt::ItemIsUserCheckable);
    proba->setCheckState(Qt::Checked);
    lstRozgr->addItem(proba.get());
    const int wiersz = lstRozgr->sizeHintForRow(0);
    lstRozgr->takeItem(0);
    lstRozgr->setMinimumHeight(kWidoczneRozgrywki * (wiersz + 2 * lstRozgr->spacing()) +
                               2 * lstRozgr->frameWidth());
}

void UstawRozmiarListy(QTreeWidget* lista, int wierszeBezPaska) {
    QStringList teksty;
    for (int k = 0; k < lista->columnCount(); ++k) {
        teksty << QStringLiteral("Ąg");
    }
    // The row height comes from a sample row, as the style and font draw it.
    auto proba = std::make_unique<QTreeWidgetItem>(teksty);
    lista->addTopLevelItem(proba.get());
    const int wiersz = lista->sizeHintForRow(0);
    lista->takeTopLevelItem(0);
    const int ramka = 2 * lista->frameWidth();
    lista->setFixedSize(lista->header()->length() + ramka + 2,
                        lista->header()->sizeHint().height() + wierszeBezPaska * wiersz + ramka);
}

}  // namespace statystyki

namespace {

enum Kolumna { kId, kPrzeciwnik, kMecze, kZ, kR, kP, kStrzelone, kStracone };

// Twips. The opponent column gives up room for the scroll bar from 14 rows on.
constexpr int kSzerokoscPrzeciwnika = 2050;
constexpr int kSzerokoscPrzeciwnikaZPaskiem = 1820;
constexpr int kSzerokoscLiczby = 765;
constexpr int kWierszeBezPaska = 13;

// Colours are from the old program's 0xBBGGRR values: &HFF0000 blue, &H8000 green, &HFF red.
const QColor kKolorZ(0x00, 0x00, 0xFF);
const QColor kKolorR(0x00, 0x80, 0x00);
const QColor kKolorP(0xFF, 0x00, 0x00);
// The balance rows: &HC00000 dark blue, &H8000 green, &HC0 dark red.
const std::array<QColor, 3> kKoloryBilansu = {QColor(0x00, 0x00, 0xC0), QColor(0x00, 0x80, 0x00),
                                              QColor(0xC0, 0x00, 0x00)};

// One opponent's line of the table.
struct Przeciwnik {
    QString id;
    QString druzyna;
    int mecze = 0;
    int zwyciestwa = 0;
    int remisy = 0;
    int porazki = 0;
    int strzelone = 0;
    int stracone = 0;
};

// Adds one match; Wyn1 is the first-named side's, which is the opponent's away.
void DodajMecz(Przeciwnik& p, const engine::Recordset& rs) {
    ++p.mecze;
    const QVariant wyn1 = rs.value(QStringLiteral("Wyn1"));
    const QVariant wyn2 = rs.value(QStringLiteral("Wyn2"));
    if (wyn1.isNull() || wyn2.isNull()) {
        return;
    }
    const bool wyjazd = rs.value(QStringLiteral("Gdzie")).toString() == QStringLiteral("W");
    const int strzelone = static_cast<int>((wyjazd ? wyn2 : wyn1).toLongLong());
    const int stracone = static_cast<int>((wyjazd ? wyn1 : wyn2).toLongLong());
    p.strzelone += strzelone;
    p.stracone += stracone;
    if (strzelone > stracone) {
        ++p.zwyciestwa;
    } else if (strzelone == stracone) {
        ++p.remisy;
    } else {
        ++p.porazki;
    }
}

void UstawKolorTekstu(QWidget* w, const QColor& kolor) {
    QPalette paleta = w->palette();
    paleta.setColor(QPalette::WindowText, kolor);
    w->setPalette(paleta);
}

}  // namespace

frmStatystykiMecze::frmStatystykiMecze(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::frmStatystykiMecze>()) {
    ui->setupUi(this);
    for (size_t p = 0; p < 4; ++p) {
        for (size_t r = 0; r < 4; ++r) {
            const QString nr = QStringLiteral("_%1_%2").arg(p).arg(r);
            lblLiczba[p][r] = findChild<QLabel*>(QStringLiteral("lblLiczba") + nr);
            lblProcent[p][r] = findChild<QLabel*>(QStringLiteral("lblProcent") + nr);
        }
    }
    UstawKolory();
    statystyki::UstawWysokoscRozgrywek(ui->lstRozgr);

    QTreeWidget* lista = ui->lstKluby;
    lista->setColumnWidth(kId, 0);
    lista->setColumnHidden(kId, true);
    lista->setColumnWidth(kPrzeciwnik, ui::szerokoscKolumny(kSzerokoscPrzeciwnika, lista));
    for (int k = kMecze; k <= kStracone; ++k) {
        lista->setColumnWidth(k, ui::szerokoscKolumny(kSzerokoscLiczby, lista));
        lista->headerItem()->setTextAlignment(k, Qt::AlignCenter);
    }
    statystyki::UstawRozmiarListy(lista, kWierszeBezPaska);
    // At least those rows; a taller window shows more opponents.
    lista->setMinimumHeight(lista->height());
    lista->setMaximumHeight(QWIDGETSIZE_MAX);
    sortowanie = std::make_unique<ui::ListSorter>(lista);
    lista->installEventFilter(this);
    ui::dodajEksportCsv(lista, QStringLiteral("statystyki-mecze"));
    DodajEksportBilansu();
    ui::followKeyboardRow(lista);
    ui::followKeyboardRow(ui->lstRozgr);

    Wczytaj();

    connect(ui->lstRozgr, &QListWidget::itemChanged, this, &frmStatystykiMecze::lstRozgr_ItemCheck);
    for (QCheckBox* chk : {ui->chkOpcja_0, ui->chkOpcja_1, ui->chkOpcja_2}) {
        connect(chk, &QCheckBox::toggled, this, &frmStatystykiMecze::chkOpcja_Click);
    }
    connect(lista->header(), &QHeaderView::sectionClicked, this,
            [this](int kolumna) { sortowanie->headerClicked(kolumna, intKolumna); });
    connect(lista, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item) { lstKluby_DblClick(item); });
}

frmStatystykiMecze::~frmStatystykiMecze() = default;

// The four panels as one table, a panel a row: counts and percentages as shown.
csv::Table frmStatystykiMecze::TabelaBilansu() const {
    csv::Table tabela;
    tabela.header << QStringLiteral("Bilans");
    for (size_t r = 0; r < 4; ++r) {
        const QString wiersz = findChild<QLabel*>(QStringLiteral("lblBilans_0_%1").arg(r))->text();
        tabela.header << wiersz << wiersz + QStringLiteral(" %");
    }
    const QGroupBox* panele[] = {ui->fraBilans, ui->fraBilansDom, ui->fraBilansWyj,
                                 ui->fraBilansNeu};
    for (size_t p = 0; p < 4; ++p) {
        QStringList komorki{panele[p]->title()};
        for (size_t r = 0; r < 4; ++r) {
            komorki << lblLiczba[p][r]->text() << lblProcent[p][r]->text();
        }
        tabela.rows.push_back(komorki);
    }
    return tabela;
}

void frmStatystykiMecze::DodajEksportBilansu() {
    for (QGroupBox* panel : {ui->fraBilans, ui->fraBilansDom, ui->fraBilansWyj, ui->fraBilansNeu}) {
        ui::dodajEksportCsv(
            panel, [this] { return TabelaBilansu(); }, [] { return QStringLiteral("bilans"); });
    }
}

void frmStatystykiMecze::UstawKolory() {
    for (size_t p = 0; p < 4; ++p) {
        for (size_t r = 0; r < 3; ++r) {
            const QString nr = QStringLiteral("_%1_%2").arg(p).arg(r);
            UstawKolorTekstu(findChild<QLabel*>(QStringLiteral("lblBilans") + nr),
                             kKoloryBilansu[r]);
            UstawKolorTekstu(lblLiczba[p][r], kKoloryBilansu[r]);
            UstawKolorTekstu(lblProcent[p][r], kKoloryBilansu[r]);
        }
    }
}

void frmStatystykiMecze::Wczytaj() {
    blnWczytywanie = true;
    if (statystyki::WczytajRozgrywki(this, ui->lstRozgr) && WypelnijKluby()) {
        LiczBilans();
    }
    intKolumna = 0;
    blnWczytywanie = false;
}

bool frmStatystykiMecze::WypelnijKluby() {
    const QString rozgrywki = statystyki::UstalRozgrywki(ui->lstRozgr);
    const QString gdzie = statystyki::UstalMiejsca(ui->chkOpcja_0, ui->chkOpcja_1, ui->chkOpcja_2);
    std::vector<Przeciwnik> przeciwnicy;
    try {
        ui::Hourglass klepsydra;
        // The shared recordset serves the matches of one opponent at a time, so the opponents
        // themselves are walked on a connection of this fill's own.
        auto dbKluby = engine::Database::open(Mirvola::SciezkaBazy());
        auto rsKluby = dbKluby->openRecordset(
            QStringLiteral(
                "SELECT DISTINCT Mecze.Id_klubu, Kluby.Druzyna FROM Kluby LEFT JOIN "
                "Mecze ON Kluby.Id_klubu = Mecze.Id_klubu WHERE (Mecze.Id_rozgrywki In ") +
            rozgrywki + QStringLiteral(" AND Mecze.Gdzie In ") + gdzie +
            QStringLiteral(") ORDER BY Kluby.Druzyna"));
        for (; !rsKluby->eof(); rsKluby->moveNext()) {
            Przeciwnik p;
            p.id = rsKluby->value(QStringLiteral("Id_klubu")).toString();
            p.druzyna = rsKluby->value(QStringLiteral("Druzyna")).toString();
            Mirvola::strSQL =
                QStringLiteral(
                    "SELECT Gdzie, Id_klubu, Wyn1, Wyn2, Id_rozgrywki FROM Mecze WHERE "
                    "(Id_klubu = ") +
                p.id + QStringLiteral(" AND ") + QStringLiteral("Id_rozgrywki In ") + rozgrywki +
                QStringLiteral(" AND Gdzie In ") + gdzie + QStringLiteral(")");
            Mirvola::StrazBazy baza(Mirvola::strSQL);
            for (engine::Recordset& rs = *Mirvola::rsDane; !rs.eof(); rs.moveNext()) {
                DodajMecz(p, rs);
            }
            przeciwnicy.push_back(std::move(p));
        }
        rsKluby->close();
        dbKluby->close();
    } catch (const engine::Error& e) {
        // The table keeps what it showed, and the filters stay those of the table.
        ui::pokazBlad(this, e);
        return false;
    }

    strRozgrywki = rozgrywki;
    strGdzie = gdzie;
    QTreeWidget* lista = ui->lstKluby;
    lista->clear();
    for (const Przeciwnik& p : przeciwnicy) {
        auto* item = new ui::SortableItem(lista);
        item->setText(kId, p.id);
        item->setText(kPrzeciwnik, p.druzyna);
        const std::array<int, 6> liczby = {p.mecze,   p.zwyciestwa, p.remisy,
                                           p.porazki, p.strzelone,  p.stracone};
        for (int k = kMecze; k <= kStracone; ++k) {
            const int n = liczby[static_cast<size_t>(k - kMecze)];
            ui::setNumber(item, k, ui::padded(n, 3), n);
            item->setTextAlignment(k, Qt::AlignCenter);
        }
        item->setForeground(kZ, kKolorZ);
        item->setForeground(kR, kKolorR);
        item->setForeground(kP, kKolorP);
    }
    lista->setColumnWidth(kPrzeciwnik, ui::szerokoscKolumny(przeciwnicy.size() > kWierszeBezPaska
                                                                ? kSzerokoscPrzeciwnikaZPaskiem
                                                                : kSzerokoscPrzeciwnika,
                                                            lista));
    sortowanie->resort();
    return true;
}

void frmStatystykiMecze::LiczBilans() {
    strRozgrywki = statystyki::UstalRozgrywki(ui->lstRozgr);
    try {
        ui::Hourglass klepsydra;
        for (size_t p = 0; p < 4; ++p) {
            std::array<int, 3> liczba{};
            for (size_t r = 0; r < 3; ++r) {
                lblLiczba[p][r]->setText(QStringLiteral("0"));
            }
            for (size_t r = 0; r < 3; ++r) {
                Mirvola::strSQL = bilans::ZapytanieBilansu(static_cast<int>(p), static_cast<int>(r),
                                                           strRozgrywki);
                Mirvola::StrazBazy baza(Mirvola::strSQL);
                liczba[r] = Mirvola::rsDane->recordCount();
                lblLiczba[p][r]->setText(QString::number(liczba[r]));
            }
            const int razem = liczba[0] + liczba[1] + liczba[2];
            const std::array<int, 4> procenty = bilans::Procenty(liczba);
            for (size_t r = 0; r < 4; ++r) {
                lblProcent[p][r]->setText(QString::number(procenty[r]) + QStringLiteral("%"));
            }
            lblLiczba[p][3]->setText(QString::number(razem));
        }
    } catch (const engine::Error& e) {
        ui::pokazBlad(this, e);
    }
}

void frmStatystykiMecze::lstRozgr_ItemCheck() {
    if (blnWczytywanie) {
        return;
    }
    sortowanie->off();
    if (WypelnijKluby()) {
        LiczBilans();
    }
    intKolumna = 0;
}

void frmStatystykiMecze::chkOpcja_Click() {
    sortowanie->off();
    WypelnijKluby();
    intKolumna = 0;
}

void frmStatystykiMecze::lstKluby_DblClick(QTreeWidgetItem* item) {
    if (!item) {
        return;
    }
    Mirvola::dblIdMeczu = item->text(kId).toDouble();
    FiltrMeczow filtr;
    filtr.strRozgrywki = strRozgrywki;
    filtr.strGdzie = strGdzie;
    frmMecze okno(this, false, filtr);
    ui::showModal(&okno);
    ui::sendRightArrow();
}

bool frmStatystykiMecze::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui->lstKluby && ::ui::nacisnietoEnter(event)) {
        const QList<QTreeWidgetItem*> zaznaczone = ui->lstKluby->selectedItems();
        if (!zaznaczone.isEmpty()) {
            lstKluby_DblClick(zaznaczone.front());
        }
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
