// The match editor's save: the checks, the writing in one transaction, and what happens when
// another program changed the match meanwhile.

#include "forms/frmMecz.h"

#include "ui_frmMecz.h"

#include "data/Duplikaty.h"
#include "data/Mirvola.h"
#include "data/StanMeczu.h"
#include "data/engine/Workspace.h"
#include "forms/Dialogs.h"
#include "forms/Toolkit.h"
#include "forms/frmMeczWspolne.h"

#include <QComboBox>
#include <QDateEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTableWidget>

#include <array>
#include <optional>

using namespace Qt::StringLiterals;
using namespace mecz;

// ---------------------------------------------------------------------------- saving

QString frmMecz::BrakujaceDane() const {
    static const std::array<QString, 3> nazwy = {u"- Sezon"_s, u"- Przeciwnik"_s, u"- Rozgrywki"_s};
    QString brak;
    for (size_t i = 0; i < nazwy.size(); ++i) {
        if (cboDane[i]->currentIndex() < 0) {
            brak += u"\n"_s + nazwy[i];
        }
    }
    return brak.isEmpty() ? QString() : u"Należy podać brakujące dane:\n"_s + brak;
}

QString frmMecz::KodMiejsca() const {
    if (optWybor[0]->isChecked()) {
        return u"D"_s;
    }
    return optWybor[1]->isChecked() ? u"W"_s : u"N"_s;
}

bool frmMecz::CzyDuplikat(const QString& strGdzie) {
    duplikaty::Mecz mecz;
    mecz.idSezonu = idNaPozycji(dblIdSezonu, cboDane[0]->currentIndex());
    mecz.data = m_ui->DTPDataMeczu->date();
    mecz.gdzie = strGdzie;
    mecz.idKlubu = idNaPozycji(dblIdKlubu, cboDane[1]->currentIndex());
    mecz.wyn1 = cboWyn[0]->currentText().toLongLong();
    mecz.wyn2 = cboWyn[1]->currentText().toLongLong();
    mecz.idRozgrywki = idNaPozycji(dblIdRozgrywki, cboDane[2]->currentIndex());
    Mirvola::strSQL = duplikaty::zapytanieMeczu(mecz);
    Mirvola::StrazBazy baza;
    Mirvola::OtworzBaze(Mirvola::strSQL);
    return !Mirvola::rsDane->eof();
}

// The match row and its goals in one transaction. In modify mode the match is first compared,
// inside the transaction, with what the editor loaded: when another program changed or deleted
// it meanwhile, nothing is written and the state found is returned. The look and the write
// are one transaction, so a program that changes the match after the look waits for the save.
std::optional<Mirvola::StanMeczu> frmMecz::ZapiszMecz(const QString& strGdzie) {
    engine::Workspace::beginTrans();
    if (m_blnPoprawa) {
        Mirvola::StanMeczu teraz = Mirvola::OdczytajStanMeczu(strIdMeczu);
        if (teraz != m_stanMeczu) {
            engine::Workspace::rollback();
            return teraz;
        }
    }
    // A match that another program deleted and the user keeps is written again under its id.
    const bool nowyWiersz = !m_blnPoprawa || !m_stanMeczu.istnieje;

    QString komentarz = m_ui->txtKomentarz->toPlainText();
    komentarz.replace(u"\n"_s, u"\r\n"_s);

    qlonglong idMeczu = 0;
    {
        Mirvola::StrazBazy baza;
        if (!nowyWiersz) {
            Mirvola::strSQL = u"SELECT * FROM Mecze WHERE Id_meczu = "_s + strIdMeczu;
            Mirvola::OtworzBaze(Mirvola::strSQL);
            Mirvola::rsDane->edit();
        } else {
            Mirvola::OtworzBaze(u"Mecze"_s);
            Mirvola::rsDane->addNew();
            if (m_blnPoprawa) {
                Mirvola::rsDane->setValue(u"Id_meczu"_s, strIdMeczu.toLongLong());
            }
        }
        engine::Recordset& rs = *Mirvola::rsDane;
        rs.setValue(u"Id_sezonu"_s, idNaPozycji(dblIdSezonu, cboDane[0]->currentIndex()));
        rs.setValue(u"Data"_s, m_ui->DTPDataMeczu->date());
        rs.setValue(u"Gdzie"_s, strGdzie);
        rs.setValue(u"Id_klubu"_s, idNaPozycji(dblIdKlubu, cboDane[1]->currentIndex()));
        rs.setValue(u"Wyn1"_s, Wynik(0));
        rs.setValue(u"Wyn2"_s, Wynik(1));
        rs.setValue(u"Id_rozgrywki"_s, idNaPozycji(dblIdRozgrywki, cboDane[2]->currentIndex()));
        rs.setValue(u"Komentarz"_s, komentarz.isEmpty() ? QVariant() : QVariant(komentarz));
        rs.update();
        rs.moveToLastModified();
        idMeczu = rs.value(u"Id_meczu"_s).toLongLong();
    }

    if (m_blnPoprawa) {
        Mirvola::WykonajSQL(u"DELETE FROM Bramki WHERE Id_meczu = "_s + strIdMeczu);
    }

    if (LiczbaBramek(0) + LiczbaBramek(1) > 0) {
        Mirvola::StrazBazy baza;
        Mirvola::OtworzBaze(u"Bramki"_s);
        engine::Recordset& rs = *Mirvola::rsDane;
        int pozycja = 1;
        for (int strona = 0; strona < 2; ++strona) {
            // Host goals count for the home club at home and on neutral ground, guest goals
            // away.
            const bool dlaMirvoli = (strona == 1) == (strGdzie == u"W"_s);
            const QTableWidget* g = m_fgrdStrzelcy[strona];
            for (int r = 0; r < g->rowCount(); ++r) {
                rs.addNew();
                rs.setValue(u"Id_meczu"_s, idMeczu);
                rs.setValue(u"Nr_pozycji"_s, pozycja);
                rs.setValue(u"Czy_Mirvola"_s, dlaMirvoli ? u"True"_s : u"False"_s);
                rs.setValue(u"Id_gracza"_s, idKomorki(g->item(r, kIdGracza)));
                rs.setValue(u"Minuta"_s, komorka(g, r, kMinuta).toInt());
                rs.setValue(u"Id_jak"_s, idKomorki(g->item(r, kIdJak)));
                rs.update();
                ++pozycja;
            }
        }
    }

    engine::Workspace::commitTrans();
    return std::nullopt;
}

// Another program changed or deleted the match while it was open here: the user chooses whose
// version stays. Yes takes the diary's (the match is loaded again, or the editor closes when
// it is gone), No writes his own over it, Cancel goes back to the editor.
ui::Answer frmMecz::ZapytajOZmiane(const Mirvola::StanMeczu& teraz) {
    const QString tekst =
        teraz.istnieje
            ? u"Ten mecz zmienił inny program, gdy był tu otwarty do poprawy.\n\n"
              "Tak - wczytaj mecz tak, jak jest teraz zapisany (Twoje zmiany przepadną).\n"
              "Nie - zapisz Twoją wersję meczu w miejsce tamtych zmian.\n"
              "Anuluj - wróć do poprawiania bez zapisywania."_s
            : u"Ten mecz usunął inny program, gdy był tu otwarty do poprawy.\n\n"
              "Tak - zamknij okno; mecz pozostanie usunięty.\n"
              "Nie - zapisz Twoją wersję meczu ponownie.\n"
              "Anuluj - wróć do poprawiania bez zapisywania."_s;
    return ui::messageBox(this, ui::tytul::kPytanie, tekst, ui::Buttons::YesNoCancel,
                          ui::Icon::Question, ui::Answer::Cancel);
}

void frmMecz::WczytajPonownie() {
    UlozSiatke(0);
    UlozSiatke(1);
    WczytajMecz();
}

void frmMecz::cmdOK_Click() {
    const QString brak = BrakujaceDane();
    if (!brak.isEmpty()) {
        ui::messageBox(this, ui::tytul::kKomunikat, brak, ui::Buttons::Ok, ui::Icon::Exclamation);
        return;
    }
    // A goal without a kind would be stored with none.
    const QString brakJak = BrakJak();
    if (!brakJak.isEmpty()) {
        ui::messageBox(this, ui::tytul::kKomunikat, brakJak, ui::Buttons::Ok,
                       ui::Icon::Exclamation);
        return;
    }
    if (ui::messageBox(this, ui::tytul::kPytanie, u"Czy dane są poprawne?"_s, ui::Buttons::YesNo,
                       ui::Icon::Question) != ui::Answer::Yes) {
        return;
    }

    std::optional<ui::Hourglass> klepsydra(std::in_place);
    const QString strGdzie = KodMiejsca();
    if (!m_blnPoprawa) {
        bool duplikat = false;
        try {
            duplikat = CzyDuplikat(strGdzie);
        } catch (const engine::Error& e) {
            klepsydra.reset();
            ui::pokazBlad(this, e, true);
            return;
        }
        if (duplikat) {
            klepsydra.reset();
            ui::messageBox(this, ui::tytul::kKomunikat,
                           u"Taki mecz jest już zapisany w bazie !!!"_s, ui::Buttons::Ok,
                           ui::Icon::Exclamation);
            return;
        }
    }

    for (;;) {
        std::optional<Mirvola::StanMeczu> zmieniony;
        try {
            zmieniony = ZapiszMecz(strGdzie);
        } catch (const engine::Error& e) {
            Mirvola::ZamknijBazeCicho();
            if (engine::Workspace::inTransaction()) {
                try {
                    engine::Workspace::rollback();
                } catch (const engine::Error&) {
                    // The message below reports the write that failed.
                }
            }
            klepsydra.reset();
            ui::pokazBlad(this, e, true);
            return;
        }
        klepsydra.reset();
        if (!zmieniony) {
            break;
        }
        switch (ZapytajOZmiane(*zmieniony)) {
            case ui::Answer::Yes:
                if (zmieniony->istnieje) {
                    ui::polecenie(this, [this] { WczytajPonownie(); });
                } else {
                    blnPytaj = false;
                    done(QDialog::Rejected);
                }
                return;
            case ui::Answer::No:
                m_stanMeczu = std::move(*zmieniony);
                klepsydra.emplace();
                continue;
            default:
                return;
        }
    }

    if (m_blnPoprawa) {
        ui::messageBox(this, ui::tytul::kInfo, u"Dane zostały zapisane."_s, ui::Buttons::Ok,
                       ui::Icon::Information);
        blnPytaj = false;
        accept();
        return;
    }
    if (ui::messageBox(this, ui::tytul::kPytanie,
                       u"Dane zostały zapisane.\n\nCzy dopisać kolejny mecz?"_s, ui::Buttons::YesNo,
                       ui::Icon::Question) == ui::Answer::Yes) {
        PrzygotujKolejnyMecz();
    } else {
        blnPytaj = false;
        accept();
    }
}

void frmMecz::PrzygotujKolejnyMecz() {
    for (int strona = 0; strona < 2; ++strona) {
        intSiatka = strona;
        for (int r = LiczbaBramek(strona) - 1; r >= 0; --r) {
            m_fgrdStrzelcy[strona]->setCurrentCell(r, kZawodnik);
            UsunBramke();
        }
    }
    if (cboDane[1]->count() > 0) {
        WybierzDane(1, 0);
    }
    WybierzWynik(0, 0);
    WybierzWynik(1, 0);
    UstawListyGraczy();
    for (QListWidget* lista : lstGracze) {
        if (lista->count() > 0) {
            lista->setCurrentRow(0);
        }
    }
    m_ui->txtKomentarz->clear();
}
