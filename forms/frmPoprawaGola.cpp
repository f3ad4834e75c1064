#include "forms/frmPoprawaGola.h"

#include "ui_frmPoprawaGola.h"

#include "data/Mirvola.h"
#include "forms/Dialogs.h"
#include "forms/ListRows.h"
#include "forms/Toolkit.h"
#include "forms/frmMecz.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QTableWidget>
#include <QTimer>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr int kOdstepLewejSiatki = 1000;
constexpr int kOdstepPrawejSiatki = 6650;
constexpr int kOdstepGorny = 3700;

// The position of an id in an id list, or -1.
int pozycjaId(const std::vector<double>& ids, const QString& id) {
    if (id.isEmpty()) {
        return -1;
    }
    const auto it = std::find(ids.begin(), ids.end(), id.toDouble());
    return it == ids.end() ? -1 : static_cast<int>(it - ids.begin());
}

void ustawKomorke(QTableWidget* g, int wiersz, int kolumna, const QString& tekst) {
    if (QTableWidgetItem* item = g->item(wiersz, kolumna)) {
        item->setText(tekst);
    } else {
        g->setItem(wiersz, kolumna, new QTableWidgetItem(tekst));
    }
}

QString komorka(const QTableWidget* g, int wiersz, int kolumna) {
    const QTableWidgetItem* item = g->item(wiersz, kolumna);
    return item ? item->text() : QString();
}

}  // namespace

frmPoprawaGola::frmPoprawaGola(frmMecz* edytor)
    : QDialog(edytor),
      m_ui(std::make_unique<Ui::frmPoprawaGola>()),
      m_edytor(edytor),
      m_strona(edytor->intSiatka),
      m_wiersz(edytor->fgrdStrzelcy(edytor->intSiatka)->currentRow()) {
    m_ui->setupUi(this);
    ui::followKeyboardRow(m_ui->lstGraczePopr);
    ui::ograniczListe(m_ui->cboJak);
    connect(m_ui->cmdFiltrujPopr, &QPushButton::clicked, this,
            &frmPoprawaGola::cmdFiltrujPopr_Click);
    connect(m_ui->cmdOK, &QPushButton::clicked, this, &frmPoprawaGola::cmdOK_Click);
    m_ui->txtFiltrPopr->installEventFilter(this);
    m_ui->medtMinuta->installEventFilter(this);

    const QTableWidget* g = m_edytor->fgrdStrzelcy(m_strona);

    WypelnijGraczyPopr();
    // The row shows a stored scorer without his nickname, so the player is found by his id,
    // not by the text of the row.
    const int gracz = pozycjaId(dblIdGraczaPopr, komorka(g, m_wiersz, frmMecz::kIdGracza));
    m_ui->lstGraczePopr->setCurrentRow(gracz);
    if (gracz < 0) {
        m_ui->lstGraczePopr->clearSelection();
    }

    m_ui->medtMinuta->setText(komorka(g, m_wiersz, frmMecz::kMinuta));

    WypelnijJak();
    m_ui->cboJak->setCurrentIndex(pozycjaId(dblIdJakPopr, komorka(g, m_wiersz, frmMecz::kIdJak)));
}

frmPoprawaGola::~frmPoprawaGola() = default;

void frmPoprawaGola::WypelnijGraczyPopr() {
    const ui::Hourglass klepsydra;
    Mirvola::strSQL = frmMecz::ZapytanieGraczy(blnFiltrPopr, m_ui->txtFiltrPopr->text());
    Mirvola::StrazBazy baza;
    Mirvola::OtworzBaze(Mirvola::strSQL);
    engine::Recordset& rs = *Mirvola::rsDane;

    QListWidget* lista = m_ui->lstGraczePopr;
    lista->clear();
    dblIdGraczaPopr.clear();
    while (!rs.eof()) {
        dblIdGraczaPopr.push_back(rs.value(u"Id_gracza"_s).toDouble());
        lista->addItem(rs.value(u"Zawodnik"_s).toString());
        rs.moveNext();
    }
    Mirvola::ZamknijBaze();
    if (lista->count() > 0) {
        lista->setCurrentRow(0);
    }
}

void frmPoprawaGola::WypelnijJak() {
    const ui::Hourglass klepsydra;
    Mirvola::strSQL = u"SELECT Id_jak, Jak FROM Jak ORDER BY Jak"_s;
    Mirvola::StrazBazy baza;
    Mirvola::OtworzBaze(Mirvola::strSQL);
    engine::Recordset& rs = *Mirvola::rsDane;

    m_ui->cboJak->clear();
    dblIdJakPopr.clear();
    while (!rs.eof()) {
        dblIdJakPopr.push_back(rs.value(u"Id_jak"_s).toDouble());
        m_ui->cboJak->addItem(rs.value(u"Jak"_s).toString());
        rs.moveNext();
    }
}

void frmPoprawaGola::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    UstawPolozenie();
}

// Over the half of the editor that holds the corrected grid; where the distances would carry it
// past the editor's right or bottom edge it moves back over the editor, and it never leaves the
// screen.
void frmPoprawaGola::UstawPolozenie() {
    const int odstep = m_strona == 0 ? kOdstepLewejSiatki : kOdstepPrawejSiatki;
    QRect ramka = frameGeometry();
    ramka.moveTopLeft(QPoint(m_edytor->x() + ui::twips(odstep, this),
                             m_edytor->y() + ui::twips(kOdstepGorny, this)));
    const QRect edytor = m_edytor->frameGeometry();
    if (ramka.right() > edytor.right()) {
        ramka.moveRight(std::max(edytor.right(), edytor.left() + ramka.width() - 1));
    }
    if (ramka.bottom() > edytor.bottom()) {
        ramka.moveBottom(std::max(edytor.bottom(), edytor.top() + ramka.height() - 1));
    }
    move(ui::naEkranie(ramka, m_edytor).topLeft());
}

void frmPoprawaGola::cmdFiltrujPopr_Click() {
    // Trimmed however the button is pressed: its access key leaves the focus in the box.
    const QString tekst = m_ui->txtFiltrPopr->text().trimmed();
    if (tekst != m_ui->txtFiltrPopr->text()) {
        m_ui->txtFiltrPopr->setText(tekst);
    }
    blnFiltrPopr = !tekst.isEmpty();
    ui::polecenie(this, [this] { WypelnijGraczyPopr(); });
}

bool frmPoprawaGola::SprawdzMinute() {
    QLineEdit* minuta = m_ui->medtMinuta;
    if (minuta->text().isEmpty()) {
        ui::messageBox(this, ui::tytul::kKomunikat,
                       u"Należy podać minutę, w której padła bramka!!!"_s, ui::Buttons::Ok,
                       ui::Icon::Exclamation);
        minuta->setCursorPosition(0);
        return false;
    }
    const int wartosc = minuta->text().toInt();
    minuta->setText(QString::number(wartosc));
    if (wartosc < 1 || wartosc > 120) {
        ui::messageBox(this, ui::tytul::kKomunikat, u"Bramka może paść między 1 a 120 minutą!!!"_s,
                       ui::Buttons::Ok, ui::Icon::Exclamation);
        minuta->selectAll();
        return false;
    }
    return true;
}

void frmPoprawaGola::cmdOK_Click() {
    // "&OK" checks the minute itself: its shortcut and Enter do not take the focus from the box.
    if (!SprawdzMinute()) {
        m_ui->medtMinuta->setFocus(Qt::OtherFocusReason);
        return;
    }
    QTableWidget* g = m_edytor->fgrdStrzelcy(m_strona);
    if (m_wiersz >= 0 && m_wiersz < g->rowCount()) {
        // Without a chosen player or kind of goal the row keeps its own, so an id never
        // belongs to another name than the one shown.
        const int gracz = m_ui->lstGraczePopr->currentRow();
        if (gracz >= 0 && static_cast<size_t>(gracz) < dblIdGraczaPopr.size() &&
            m_ui->lstGraczePopr->currentItem()->isSelected()) {
            ustawKomorke(g, m_wiersz, frmMecz::kZawodnik, m_ui->lstGraczePopr->item(gracz)->text());
            ustawKomorke(g, m_wiersz, frmMecz::kIdGracza,
                         QString::number(dblIdGraczaPopr[static_cast<size_t>(gracz)], 'f', 0));
        }
        ustawKomorke(g, m_wiersz, frmMecz::kMinuta, m_ui->medtMinuta->text());
        const int jak = m_ui->cboJak->currentIndex();
        if (jak >= 0 && static_cast<size_t>(jak) < dblIdJakPopr.size()) {
            ustawKomorke(g, m_wiersz, frmMecz::kJak, m_ui->cboJak->currentText());
            ustawKomorke(g, m_wiersz, frmMecz::kIdJak,
                         QString::number(dblIdJakPopr[static_cast<size_t>(jak)], 'f', 0));
        }
        m_edytor->UporzadkujSiatke(m_strona);
    }
    m_zamykanie = true;
    accept();
}

void frmPoprawaGola::reject() {
    m_zamykanie = true;
    QDialog::reject();
}

bool frmPoprawaGola::eventFilter(QObject* watched, QEvent* event) {
    const bool enter = ui::nacisnietoEnter(event);
    if (watched == m_ui->txtFiltrPopr) {
        QLineEdit* filtr = m_ui->txtFiltrPopr;
        if (event->type() == QEvent::FocusIn) {
            QTimer::singleShot(0, filtr, &QLineEdit::selectAll);
        } else if (event->type() == QEvent::FocusOut) {
            if (filtr->text() != filtr->text().trimmed()) {
                filtr->setText(filtr->text().trimmed());
            }
        } else if (enter) {
            m_ui->cmdFiltrujPopr->setFocus(Qt::TabFocusReason);
            return true;
        }
    } else if (watched == m_ui->medtMinuta) {
        QLineEdit* minuta = m_ui->medtMinuta;
        if (event->type() == QEvent::FocusIn) {
            QTimer::singleShot(0, minuta, &QLineEdit::selectAll);
        } else if (event->type() == QEvent::FocusOut) {
            const Qt::FocusReason powod = static_cast<QFocusEvent*>(event)->reason();
            // Not when the dialog closes or another window takes over, and not on the way to
            // "&OK", which checks the minute itself.
            const bool pomin = m_zamykanie || powod == Qt::ActiveWindowFocusReason ||
                               powod == Qt::PopupFocusReason ||
                               QApplication::focusWidget() == m_ui->cmdOK;
            if (!pomin && !SprawdzMinute()) {
                QTimer::singleShot(0, minuta, [minuta] { minuta->setFocus(Qt::OtherFocusReason); });
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}
