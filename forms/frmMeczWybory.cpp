// The match editor's pickers and players lists, and bringing them in line after the
// dictionaries window.

#include "forms/frmMecz.h"

#include "ui_frmMecz.h"

#include "data/Mirvola.h"
#include "forms/Dialogs.h"
#include "forms/Toolkit.h"
#include "forms/frmMeczWspolne.h"
#include "forms/frmSlowniki.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>

#include <algorithm>

using namespace Qt::StringLiterals;
using namespace mecz;

// ---------------------------------------------------------------------------- pickers and lists

std::vector<double>& frmMecz::IdListy(int Index) {
    switch (Index) {
        case 0:
            return dblIdSezonu;
        case 1:
            return dblIdKlubu;
        case 2:
            return dblIdRozgrywki;
        default:
            return dblIdJak;
    }
}

void frmMecz::WypelnijCombo(int Index, const QString& IdField, const QString& NameField,
                            const QString& Table) {
    const ui::Hourglass klepsydra;
    Mirvola::strSQL = u"SELECT "_s + IdField + u", "_s + NameField + u" FROM "_s + Table +
                      u" ORDER BY "_s + NameField;
    Mirvola::StrazBazy baza;
    Mirvola::OtworzBaze(Mirvola::strSQL);
    engine::Recordset& rs = *Mirvola::rsDane;

    // The picker starts without a choice, as the old list did, so that the selection that
    // follows always raises its handling.
    const QSignalBlocker blokada(cboDane[Index]);
    cboDane[Index]->clear();
    std::vector<double> ids;
    while (!rs.eof()) {
        ids.push_back(rs.value(0).toDouble());
        cboDane[Index]->addItem(rs.value(1).toString());
        rs.moveNext();
    }
    cboDane[Index]->setCurrentIndex(-1);
    if (Index != 4) {
        IdListy(Index) = std::move(ids);
    }
}

QString frmMecz::ZapytanieGraczy(bool blnFiltr, const QString& strFiltr) {
    QString sql =
        u"SELECT Id_gracza, Trim(IIf(IsNull(Nazwisko), Przydomek, Imie & ' ' & Nazwisko & "
        "IIf(IsNull(Przydomek), '', ' ' & Przydomek))) AS Zawodnik FROM Gracze"_s;
    if (blnFiltr) {
        sql +=
            u" WHERE Trim(IIf(IsNull(Nazwisko), Przydomek, Imie & ' ' & Nazwisko & "
            "IIf(IsNull(Przydomek), '', Przydomek))) LIKE '*"_s +
            Mirvola::PodwojApostrofy(strFiltr) + u"*'"_s;
    }
    sql +=
        u" ORDER BY Trim(IIf(IsNull(Nazwisko), Przydomek, Nazwisko & ' ' & Imie & "
        "IIf(IsNull(Przydomek), '', Przydomek)))"_s;
    return sql;
}

void frmMecz::WypelnijGraczy(int Index) {
    const ui::Hourglass klepsydra;
    Mirvola::strSQL = ZapytanieGraczy(blnFiltr[Index], strFiltr[Index]);
    Mirvola::StrazBazy baza;
    Mirvola::OtworzBaze(Mirvola::strSQL);
    engine::Recordset& rs = *Mirvola::rsDane;

    // The ids always follow the list, also when it comes back empty, so no goal row is ever
    // matched against players the list no longer shows.
    QListWidget* lista = lstGracze[Index];
    lista->clear();
    std::vector<double> ids;
    while (!rs.eof()) {
        ids.push_back(rs.value(u"Id_gracza"_s).toDouble());
        lista->addItem(rs.value(u"Zawodnik"_s).toString());
        rs.moveNext();
    }
    IdGraczy(Index) = std::move(ids);
    Mirvola::ZamknijBaze();
    if (lista->count() > 0) {
        lista->setCurrentRow(0);
    }
}

void frmMecz::WybierzDane(int Index, int pozycja) {
    {
        const QSignalBlocker blokada(cboDane[Index]);
        cboDane[Index]->setCurrentIndex(pozycja);
    }
    if (pozycja >= 0) {
        cboDane_Click(Index);
    }
}

void frmMecz::WybierzWynik(int Index, int pozycja) {
    {
        const QSignalBlocker blokada(cboWyn[Index]);
        cboWyn[Index]->setCurrentIndex(pozycja);
    }
    if (pozycja >= 0) {
        cboWyn_Click(Index);
    }
}

void frmMecz::cboDane_Click(int Index) {
    if (Index == 0) {
        if (blnBezDaty) {
            blnBezDaty = false;
            return;
        }
        bool liczba = false;
        const int rok = cboDane[0]->currentText().left(4).toInt(&liczba);
        if (!liczba || rok < 1800) {
            return;
        }
        const QDate data = m_ui->DTPDataMeczu->date();
        const int dzien = std::min(data.day(), QDate(rok, data.month(), 1).daysInMonth());
        m_ui->DTPDataMeczu->setDate(QDate(rok, data.month(), dzien));
    } else if (Index == 1) {
        UstawEtykiety();
    }
}

void frmMecz::UstawEtykiety() {
    const QString rywal = cboDane[1]->currentText();
    if (optWybor[1]->isChecked()) {
        m_ui->lblGosp->setText(rywal);
        m_ui->lblGosc->setText(Mirvola::kKlubMirvola);
    } else {
        m_ui->lblGosp->setText(Mirvola::kKlubMirvola);
        m_ui->lblGosc->setText(rywal);
    }
}

void frmMecz::cmdFiltruj_Click(int Index) {
    // Trimmed however the button is pressed: its access key leaves the focus in the box.
    const QString tekst = txtFiltr[Index]->text().trimmed();
    if (tekst != txtFiltr[Index]->text()) {
        txtFiltr[Index]->setText(tekst);
    }
    blnFiltr[Index] = !tekst.isEmpty();
    strFiltr[Index] = tekst;
    ui::polecenie(this, [&] { WypelnijGraczy(Index); });
}

void frmMecz::cmdHelp_Click() {
    ui::messageBox(this, ui::tytul::kInfo,
                   u"Aby dodać strzelca bramki należy dwukrotnie kliknąć\nna żądanego zawodnika."_s,
                   ui::Buttons::Ok, ui::Icon::Information);
}

// ---------------------------------------------------------------------------- dictionaries

// The dictionaries window works on the database itself; the editor only brings its pickers,
// lists and goal rows in line with what it left behind.
void frmMecz::cmdSlowniki_Click() {
    const Zapamietane z = Zapamietaj();
    ui::polecenie(this, [this] {
        frmSlowniki okno(this);
        ui::showModal(&okno);
    });
    OdswiezPoSlownikach(z);
}

frmMecz::Zapamietane frmMecz::Zapamietaj() {
    Zapamietane z;
    for (size_t i = 0; i < z.dane.size(); ++i) {
        z.dane[i] = cboDane[i]->currentText();
    }
    for (size_t i = 0; i < z.gracze.size(); ++i) {
        const QListWidgetItem* item = lstGracze[i]->currentItem();
        z.gracze[i] = item ? item->text() : QString();
    }
    blnBezDaty = true;
    return z;
}

void frmMecz::OdswiezPoSlownikach(const Zapamietane& z) {
    // Each step stands alone: one that fails is skipped and the refresh goes on.
    const auto krok = [](auto&& dzialanie) {
        try {
            dzialanie();
        } catch (const engine::Error&) {
            Mirvola::ZamknijBazeCicho();
        }
    };
    // Selects the remembered entry, else the fallback (-1: none).
    const auto przywroc = [this](int Index, const QString& tekst, int zastepcza) {
        int pozycja = cboDane[Index]->findText(tekst);
        if (pozycja < 0) {
            pozycja = zastepcza;
        }
        if (pozycja >= 0 && pozycja < cboDane[Index]->count()) {
            WybierzDane(Index, pozycja);
        }
    };

    krok([&] {
        WypelnijCombo(0, u"Id_sezonu"_s, u"Sezon"_s, u"Sezony"_s);
        przywroc(0, z.dane[0], cboDane[0]->count() - 1);
    });
    krok([&] {
        WypelnijCombo(1, u"Id_klubu"_s, u"Druzyna"_s, u"Kluby"_s);
        przywroc(1, z.dane[1], 0);
        if (cboDane[1]->currentIndex() < 0) {
            (optWybor[1]->isChecked() ? m_ui->lblGosp : m_ui->lblGosc)->clear();
        }
    });
    krok([&] {
        WypelnijCombo(2, u"Id_rozgrywki"_s, u"Nazwa"_s, u"Rozgrywki"_s);
        przywroc(2, z.dane[2], 0);
    });
    for (int Index = 3; Index <= 4; ++Index) {
        krok([&] {
            WypelnijCombo(Index, u"Id_jak"_s, u"Jak"_s, u"Jak"_s);
            przywroc(Index, z.dane[static_cast<size_t>(Index)], 0);
        });
    }
    UstawSzerokoscJak(0);
    UstawSzerokoscJak(1);
    for (int strona = 0; strona < 2; ++strona) {
        krok([&] {
            WypelnijGraczy(strona);
            const QList<QListWidgetItem*> znalezione = lstGracze[strona]->findItems(
                z.gracze[static_cast<size_t>(strona)], Qt::MatchExactly);
            if (!znalezione.isEmpty()) {
                lstGracze[strona]->setCurrentItem(znalezione.first());
            }
        });
    }

    // Goal rows follow their players and kinds of goal: new names are shown, and a row goes
    // only when its player or its kind is gone from the dictionary. The whole dictionaries are
    // read for it: a side's list may be shortened by its filter, which says nothing about the
    // goals already entered.
    QStringList usuniete;
    krok([&] {
        const QHash<QString, QString> gracze = slownik(ZapytanieGraczy(false, QString()));
        const QHash<QString, QString> rodzaje = slownik(u"SELECT Id_jak, Jak FROM Jak"_s);
        for (int strona = 0; strona < 2; ++strona) {
            usuniete += UzgodnijBramki(strona, gracze, rodzaje);
        }
    });
    UstawListyGraczy();
    if (!usuniete.isEmpty()) {
        ui::messageBox(this, ui::tytul::kInfo,
                       u"Usunięto bramki: "_s + usuniete.join(u", "_s) + u"."_s, ui::Buttons::Ok,
                       ui::Icon::Information);
    }
}

// The rows of one side brought in line with the dictionaries; gives the rows removed, as
// "name minute'", in the grid's order.
QStringList frmMecz::UzgodnijBramki(int strona, const QHash<QString, QString>& gracze,
                                    const QHash<QString, QString>& rodzaje) {
    QTableWidget* g = m_fgrdStrzelcy[strona];
    QStringList usuniete;
    for (int r = g->rowCount() - 1; r >= 0; --r) {
        // An empty id has no entry to follow: such a row stays as it is (marked when its kind
        // is missing).
        const QString idGracza = komorka(g, r, kIdGracza);
        const QString idJak = komorka(g, r, kIdJak);
        const bool bezGracza = !idGracza.isEmpty() && !gracze.contains(klucz(idGracza));
        const bool bezJak = !idJak.isEmpty() && !rodzaje.contains(klucz(idJak));
        if (bezGracza || bezJak) {
            usuniete.prepend(komorka(g, r, kZawodnik) + u" "_s + komorka(g, r, kMinuta) + u"'"_s);
            intSiatka = strona;
            g->setCurrentCell(r, kZawodnik);
            UsunBramke();
            continue;
        }
        if (!idGracza.isEmpty()) {
            g->item(r, kZawodnik)->setText(gracze.value(klucz(idGracza)));
        }
        if (!idJak.isEmpty()) {
            g->item(r, kJak)->setText(rodzaje.value(klucz(idJak)));
        }
    }
    OznaczBrakiJak(strona);
    return usuniete;
}
