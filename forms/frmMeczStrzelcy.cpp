// The match editor's scorers grids: the score pickers, the players lists, the goal rows and
// their menu.

#include "forms/frmMecz.h"

#include "ui_frmMecz.h"

#include "data/Mirvola.h"
#include "forms/Dialogs.h"
#include "forms/Toolkit.h"
#include "forms/frmMeczWspolne.h"
#include "forms/frmPoprawaGola.h"

#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QStyle>
#include <QTableWidget>
#include <QTimer>

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

using namespace Qt::StringLiterals;
using namespace mecz;

namespace {

// The minute answer: a number written with a decimal point or comma.
std::optional<double> liczba(const QString& odpowiedz) {
    QString tekst = odpowiedz.trimmed();
    tekst.replace(u',', u'.');
    bool ok = false;
    const double wartosc = tekst.toDouble(&ok);
    if (!ok || !std::isfinite(wartosc)) {
        return std::nullopt;
    }
    return wartosc;
}

}  // namespace

// ---------------------------------------------------------------------------- the grids

void frmMecz::UlozSiatke(int strona) {
    QTableWidget* g = m_fgrdStrzelcy[strona];
    g->clear();
    g->setRowCount(0);
    g->setColumnCount(5);
    g->setHorizontalHeaderLabels({u"Zawodnik"_s, u"Minuta"_s, u"Jak"_s, QString(), QString()});
    g->setEditTriggers(QAbstractItemView::NoEditTriggers);
    g->setSelectionBehavior(QAbstractItemView::SelectRows);
    g->setSelectionMode(QAbstractItemView::SingleSelection);
    g->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    g->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    g->setWordWrap(false);
    // The grid is one stop of the window's Tab order; the arrow keys move inside it.
    g->setTabKeyNavigation(false);
    g->verticalHeader()->hide();
    g->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    g->verticalHeader()->setDefaultSectionSize(ui::twips(kWysokoscWiersza, g));

    QHeaderView* naglowek = g->horizontalHeader();
    naglowek->setSectionResizeMode(QHeaderView::Fixed);
    naglowek->setStretchLastSection(false);
    naglowek->setSectionsClickable(false);
    naglowek->setHighlightSections(false);
    naglowek->setDefaultAlignment(Qt::AlignCenter);
    // The header keeps the colours of the old grid: light yellow on the desktop blue.
    naglowek->setStyleSheet(
        u"QHeaderView::section { background-color: rgb(58, 110, 165); color: rgb(255, 255, 128);"
        " font-weight: bold; border: 0px; border-right: 1px solid rgb(40, 80, 125);"
        " padding: 2px 0px; }"_s);

    g->setColumnWidth(kZawodnik, ui::twips(kSzerokoscZawodnika, g));
    g->setColumnWidth(kMinuta, ui::twips(kSzerokoscMinuty, g));
    g->setColumnHidden(kIdGracza, true);
    g->setColumnHidden(kIdJak, true);
    UstawSzerokoscJak(strona);

    const int ramka = 2 * g->frameWidth();
    const int wiersz = ui::twips(kWysokoscWiersza, g);
    g->setFixedHeight(ramka + naglowek->sizeHint().height() + kWidoczneWiersze * wiersz +
                      wiersz / 2);
    // A hidden grid keeps its place, so the controls below it do not jump.
    QSizePolicy polityka = g->sizePolicy();
    polityka.setRetainSizeWhenHidden(true);
    g->setSizePolicy(polityka);
    g->setVisible(true);
}

// The "Jak" column holds every kind of goal of the dictionary whole; the grid widens with it.
void frmMecz::UstawSzerokoscJak(int strona) {
    QTableWidget* g = m_fgrdStrzelcy[strona];
    const int margines =
        2 * (g->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, g) + 1) + 2;
    int szerokosc = ui::twips(kSzerokoscJak, g);
    for (int i = 0; i < cboDane[3]->count(); ++i) {
        szerokosc = std::max(
            szerokosc, g->fontMetrics().horizontalAdvance(cboDane[3]->itemText(i)) + margines);
    }
    g->setColumnWidth(kJak, szerokosc);
    g->setFixedWidth(ui::twips(kSzerokoscZawodnika + kSzerokoscMinuty, g) + szerokosc +
                     2 * g->frameWidth());
}

// ---------------------------------------------------------------------------- score and goals

int frmMecz::LiczbaBramek(int strona) const {
    return m_fgrdStrzelcy[strona]->rowCount();
}

int frmMecz::Wynik(int strona) const {
    return cboWyn[strona]->currentText().toInt();
}

void frmMecz::UstawStrone(int Index, bool Enabled) {
    cboDane[Index + 3]->setEnabled(Enabled);
    lstGracze[Index]->setEnabled(Enabled);
    txtFiltr[Index]->setEnabled(Enabled);
    cmdFiltruj[Index]->setEnabled(Enabled);
}

void frmMecz::UstawListyGraczy() {
    for (int i = 0; i < 2; ++i) {
        lstGracze[i]->setEnabled(Wynik(i) > LiczbaBramek(i));
    }
}

void frmMecz::cboWyn_Click(int Index) {
    m_ui->lblWynik->setText(cboWyn[0]->currentText() + u" - "_s + cboWyn[1]->currentText());
    if (blnPominWynik) {
        blnPominWynik = false;
        return;
    }
    const int s = Wynik(Index);
    const int n = LiczbaBramek(Index);
    const bool zero = cboWyn[Index]->currentText() == u"0"_s;
    if (s >= n) {
        if (s == n || zero) {
            UstawStrone(Index, false);
            if (zero) {
                m_fgrdStrzelcy[Index]->hide();
            }
        } else {
            UstawStrone(Index, true);
        }
        return;
    }
    ui::messageBox(this, ui::tytul::kKomunikat,
                   u"Liczba bramek będzie mniejsza od liczby wpisanych strzelców !!!\n"
                   "Należy usunąć szczegółowe dane dotyczące strzelonych goli."_s,
                   ui::Buttons::Ok, ui::Icon::Exclamation);
    blnPominWynik = true;
    UstawStrone(Index, false);
    WybierzWynik(Index, cboWyn[Index]->findText(QString::number(n)));
}

void frmMecz::lstGracze_DblClick(int Index) {
    QListWidget* lista = lstGracze[Index];
    if (lista->count() == 0 || !lista->isEnabled()) {
        return;
    }
    QComboBox* jak = cboDane[Index + 3];
    if (jak->count() == 0) {
        ui::messageBox(this, ui::tytul::kKomunikat,
                       u"Brak zdefinowanych sposobów strzelenia bramki !!!"_s, ui::Buttons::Ok,
                       ui::Icon::Exclamation);
        return;
    }
    const int gracz = lista->currentRow();
    const std::vector<double>& ids = IdGraczy(Index);
    if (gracz < 0 || static_cast<size_t>(gracz) >= ids.size() || jak->currentIndex() < 0 ||
        static_cast<size_t>(jak->currentIndex()) >= dblIdJak.size()) {
        return;
    }

    const QString pytanie = u"W której minucie "_s + lista->item(gracz)->text() + u" strzelił"_s +
                            u" bramkę ("_s + jak->currentText() + u")?"_s;
    double minuta = 0;
    for (;;) {
        const std::optional<QString> odpowiedz = ui::inputBox(this, pytanie, ui::tytul::kPytanie);
        if (!odpowiedz || odpowiedz->isEmpty()) {
            return;
        }
        const std::optional<double> wartosc = liczba(*odpowiedz);
        if (wartosc && *wartosc >= 1 && *wartosc <= 120) {
            minuta = *wartosc;
            break;
        }
    }
    // The default rounding mode rounds a half to the even neighbour.
    const int pelnaMinuta = static_cast<int>(std::nearbyint(minuta));

    DodajWiersz(Index, {lista->item(gracz)->text(), QString::number(pelnaMinuta),
                        jak->currentText(), tekstId(ids[static_cast<size_t>(gracz)]),
                        tekstId(dblIdJak[static_cast<size_t>(jak->currentIndex())])});
    UporzadkujSiatke(Index);
    UstawListyGraczy();
    if (Wynik(Index) == LiczbaBramek(Index)) {
        UstawStrone(Index, false);
    }
}

void frmMecz::DodajWiersz(int strona, const QStringList& komorki) {
    static const std::array<Qt::Alignment, 5> wyrownanie = {
        Qt::AlignRight | Qt::AlignVCenter, Qt::AlignCenter, Qt::AlignLeft | Qt::AlignVCenter,
        Qt::AlignCenter, Qt::AlignCenter};
    QTableWidget* g = m_fgrdStrzelcy[strona];
    g->show();
    const int wiersz = g->rowCount();
    g->insertRow(wiersz);
    for (int k = 0; k < 5; ++k) {
        auto* item = new QTableWidgetItem(komorki.value(k));
        item->setTextAlignment(wyrownanie[static_cast<size_t>(k)]);
        g->setItem(wiersz, k, item);
    }
}

void frmMecz::UporzadkujSiatke(int strona) {
    QTableWidget* g = m_fgrdStrzelcy[strona];
    std::vector<QStringList> wiersze;
    for (int r = 0; r < g->rowCount(); ++r) {
        QStringList w;
        for (int k = 0; k < 5; ++k) {
            w << komorka(g, r, k);
        }
        wiersze.push_back(w);
    }
    std::stable_sort(wiersze.begin(), wiersze.end(),
                     [](const QStringList& a, const QStringList& b) {
                         return a.at(kMinuta).toDouble() < b.at(kMinuta).toDouble();
                     });
    for (int r = 0; r < g->rowCount(); ++r) {
        for (int k = 0; k < 5; ++k) {
            g->item(r, k)->setText(wiersze[static_cast<size_t>(r)].at(k));
        }
    }
    UstawKoniecSiatki(strona);
}

void frmMecz::UstawKoniecSiatki(int strona) {
    OznaczBrakiJak(strona);
    QTableWidget* g = m_fgrdStrzelcy[strona];
    if (g->rowCount() >= 4) {
        g->setColumnWidth(kZawodnik, ui::twips(kWaskiZawodnik, g));
    }
    if (g->rowCount() > 0) {
        ZaznaczWiersz(strona, g->rowCount() - 1);
    }
}

// A goal whose kind of goal was deleted from the dictionary before the editor opened has no
// kind; it is marked until a kind is chosen for it, and the match is not saved meanwhile.
void frmMecz::OznaczBrakiJak(int strona) {
    static const QBrush kBrak(QColor(255, 200, 200));
    QTableWidget* g = m_fgrdStrzelcy[strona];
    for (int r = 0; r < g->rowCount(); ++r) {
        const bool brak = komorka(g, r, kIdJak).isEmpty();
        for (int k = kZawodnik; k <= kJak; ++k) {
            if (QTableWidgetItem* item = g->item(r, k)) {
                item->setBackground(brak ? kBrak : QBrush());
                item->setToolTip(brak
                                     ? u"Brak rodzaju gola: należy go wybrać, poprawiając bramkę."_s
                                     : QString());
            }
        }
    }
}

QString frmMecz::BrakJak() const {
    for (const QTableWidget* g : m_fgrdStrzelcy) {
        for (int r = 0; r < g->rowCount(); ++r) {
            if (komorka(g, r, kIdJak).isEmpty()) {
                return u"Brak rodzaju gola dla bramki, którą strzelił "_s +
                       komorka(g, r, kZawodnik) + u" w "_s + komorka(g, r, kMinuta) +
                       u" minucie !!!\nNależy go wybrać, poprawiając bramkę."_s;
            }
        }
    }
    return QString();
}

void frmMecz::ZaznaczWiersz(int strona, int wiersz) {
    QTableWidget* g = m_fgrdStrzelcy[strona];
    g->setCurrentCell(wiersz, kZawodnik);
    g->clearSelection();
    g->setRangeSelected(QTableWidgetSelectionRange(wiersz, kZawodnik, wiersz, kJak), true);
    g->scrollToItem(g->item(wiersz, kZawodnik));
}

void frmMecz::UsunBramke() {
    QTableWidget* g = m_fgrdStrzelcy[intSiatka];
    const int wiersz = g->currentRow();
    if (wiersz < 0) {
        return;
    }
    if (g->rowCount() == 1) {
        g->hide();
        g->removeRow(0);
    } else {
        g->removeRow(wiersz);
    }
    if (g->rowCount() < 4) {
        g->setColumnWidth(kZawodnik, ui::twips(kSzerokoscZawodnika, g));
    }
}

void frmMecz::PokazMenu(int Index, const QPoint& punkt) {
    QTableWidget* g = m_fgrdStrzelcy[Index];
    g->setFocus(Qt::MouseFocusReason);
    const int wiersz = g->rowAt(punkt.y());
    if (wiersz < 0) {
        return;
    }
    ZaznaczWiersz(Index, wiersz);
    intSiatka = Index;
    mnuOperacje->popup(g->viewport()->mapToGlobal(punkt));
}

void frmMecz::itmPopraw_Click() {
    if (m_fgrdStrzelcy[intSiatka]->currentRow() < 0) {
        return;
    }
    ui::polecenie(this, [this] {
        frmPoprawaGola okno(this);
        ui::showModal(&okno);
    });
}

void frmMecz::itmUsun_Click() {
    const QTableWidget* g = m_fgrdStrzelcy[intSiatka];
    const int wiersz = g->currentRow();
    if (wiersz < 0) {
        return;
    }
    const QString pytanie = u"Czy na pewno usunąć bramkę, którą strzelił "_s +
                            komorka(g, wiersz, kZawodnik) + u" w "_s + komorka(g, wiersz, kMinuta) +
                            u" minucie?"_s;
    if (ui::messageBox(this, ui::tytul::kPytanie, pytanie, ui::Buttons::YesNo,
                       ui::Icon::Question) != ui::Answer::Yes) {
        return;
    }
    UsunBramke();
    UstawListyGraczy();
    UstawStrone(intSiatka, true);
}

bool frmMecz::eventFilter(QObject* watched, QEvent* event) {
    for (int i = 0; i < 2; ++i) {
        if (watched == txtFiltr[i]) {
            QLineEdit* filtr = txtFiltr[i];
            if (event->type() == QEvent::FocusIn) {
                // After the focusing click has placed the cursor.
                QTimer::singleShot(0, filtr, &QLineEdit::selectAll);
            } else if (event->type() == QEvent::FocusOut) {
                if (filtr->text() != filtr->text().trimmed()) {
                    filtr->setText(filtr->text().trimmed());
                }
            } else if (ui::nacisnietoEnter(event)) {
                cmdFiltruj[i]->setFocus(Qt::TabFocusReason);
                return true;
            }
        } else if (watched == lstGracze[i]) {
            if (ui::nacisnietoEnter(event)) {
                lstGracze_DblClick(i);
                return true;
            }
        } else if (watched == m_fgrdStrzelcy[i]) {
            if (event->type() == QEvent::KeyPress) {
                const auto* klawisz = static_cast<QKeyEvent*>(event);
                if (ui::nacisnietoEnter(event)) {
                    intSiatka = i;
                    itmPopraw_Click();
                    return true;
                }
                if (klawisz->key() == Qt::Key_Delete) {
                    intSiatka = i;
                    itmUsun_Click();
                    return true;
                }
            }
        } else if (watched == m_fgrdStrzelcy[i]->viewport()) {
            if (event->type() == QEvent::MouseButtonPress &&
                static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
                PokazMenu(i, static_cast<QMouseEvent*>(event)->position().toPoint());
                return true;
            }
        } else if (watched == m_fgrdStrzelcy[i]->horizontalHeader()->viewport()) {
            if (event->type() == QEvent::MouseButtonPress &&
                static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
                m_fgrdStrzelcy[i]->setFocus(Qt::MouseFocusReason);
                if (LiczbaBramek(i) > 0) {
                    ZaznaczWiersz(i, 0);
                }
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}
