#include "forms/frmGracz.h"

#include "ui_frmGracz.h"

#include "data/Duplikaty.h"
#include "data/Mirvola.h"
#include "data/engine/Error.h"
#include "data/engine/Recordset.h"
#include "forms/Dialogs.h"
#include "forms/Toolkit.h"

#include <QEvent>
#include <QKeyEvent>

#include <algorithm>
#include <array>

namespace {

ui::Answer zapytaj(QWidget* parent, const QString& tekst) {
    return ui::messageBox(parent, ui::tytul::kPytanie, tekst, ui::Buttons::YesNo,
                          ui::Icon::Question, ui::Answer::Yes);
}

void komunikat(QWidget* parent, const QString& tekst) {
    ui::messageBox(parent, ui::tytul::kKomunikat, tekst, ui::Buttons::Ok, ui::Icon::Exclamation);
}

void informacja(QWidget* parent, const QString& tekst) {
    ui::messageBox(parent, ui::tytul::kInfo, tekst, ui::Buttons::Ok, ui::Icon::Information);
}

QString liczbaSQL(double id) {
    return QString::number(static_cast<qlonglong>(id));
}

QVariant wartoscPola(const QString& tekst) {
    return tekst.isEmpty() ? QVariant() : QVariant(tekst);
}

void przytnij(QLineEdit* pole) {
    const QString tekst = pole->text().trimmed();
    if (tekst != pole->text()) {
        pole->setText(tekst);
    }
}

// The limit stops typing only: a longer stored name is shown whole, so that saving the
// player does not cut it.
void wpisz(QLineEdit* pole, const QString& tekst) {
    pole->setMaxLength(std::max(pole->maxLength(), static_cast<int>(tekst.size())));
    pole->setText(tekst);
}

}  // namespace

frmGracz::frmGracz(bool blnModyfikacja, QWidget* parent)
    : QDialog(parent), blnModyfikacja(blnModyfikacja), m_ui(std::make_unique<Ui::frmGracz>()) {
    m_ui->setupUi(this);
    for (QLineEdit* pole : {m_ui->txtImie, m_ui->txtNazwisko, m_ui->txtPrzydomek}) {
        pole->installEventFilter(this);
    }
    connect(m_ui->cmdOK, &QPushButton::clicked, this, &frmGracz::cmdOK_Click);
    connect(m_ui->cmdHelp, &QPushButton::clicked, this, &frmGracz::cmdHelp_Click);

    if (blnModyfikacja) {
        dblIdGracza = Mirvola::dblIdMeczu;
        try {
            WczytajGracza();
        } catch (const engine::Error& e) {
            m_loaded = false;
            ui::pokazBlad(parent, e);
        }
    }
}

frmGracz::~frmGracz() = default;

void frmGracz::WczytajGracza() {
    const ui::Hourglass klepsydra;
    const Mirvola::StrazBazy straz;
    Mirvola::strSQL =
        QStringLiteral("SELECT * FROM Gracze WHERE Id_gracza = ") + liczbaSQL(dblIdGracza);
    Mirvola::OtworzBaze(Mirvola::strSQL);
    setWindowTitle(QStringLiteral("Gracze - modyfikacja"));
    const engine::Recordset& rs = *Mirvola::rsDane;
    m_strImie = rs.value(QStringLiteral("Imie")).toString();
    m_strNazwisko = rs.value(QStringLiteral("Nazwisko")).toString();
    m_strPrzydomek = rs.value(QStringLiteral("Przydomek")).toString();
    wpisz(m_ui->txtImie, m_strImie);
    wpisz(m_ui->txtNazwisko, m_strNazwisko);
    wpisz(m_ui->txtPrzydomek, m_strPrzydomek);
    Mirvola::ZamknijBaze();
}

bool frmGracz::eventFilter(QObject* watched, QEvent* event) {
    auto* pole = qobject_cast<QLineEdit*>(watched);
    if (pole != nullptr) {
        switch (event->type()) {
            case QEvent::FocusIn:
                pole->selectAll();
                break;
            case QEvent::FocusOut:
                przytnij(pole);
                break;
            case QEvent::KeyPress:
                if (PrzejdzKlawiszem(pole, static_cast<QKeyEvent*>(event)->key())) {
                    return true;
                }
                break;
            default:
                break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

// Enter and Down go to the next control of txtImie, txtNazwisko, txtPrzydomek, cmdOK; Up to
// the previous one, from the first name round to cmdOK.
bool frmGracz::PrzejdzKlawiszem(QLineEdit* pole, int klawisz) {
    struct Przejscie {
        QLineEdit* pole;
        QWidget* nastepny;
        QWidget* poprzedni;
    };
    const std::array<Przejscie, 3> przejscia = {{
        {m_ui->txtImie, m_ui->txtNazwisko, m_ui->cmdOK},
        {m_ui->txtNazwisko, m_ui->txtPrzydomek, m_ui->txtImie},
        {m_ui->txtPrzydomek, m_ui->cmdOK, m_ui->txtNazwisko},
    }};
    for (const Przejscie& p : przejscia) {
        if (p.pole != pole) {
            continue;
        }
        switch (klawisz) {
            case Qt::Key_Return:
            case Qt::Key_Enter:
            case Qt::Key_Down:
                p.nastepny->setFocus(Qt::TabFocusReason);
                return true;
            case Qt::Key_Up:
                p.poprzedni->setFocus(Qt::BacktabFocusReason);
                return true;
            default:
                return false;
        }
    }
    return false;
}

void frmGracz::cmdHelp_Click() {
    informacja(this, QStringLiteral("Dozwolone są następujące kombinacje: \n\n"
                                    "1) Imię + Nazwisko\n"
                                    "2) Imię + Nazwisko + Przydomek\n"
                                    "3) Przydomek"));
}

void frmGracz::cmdOK_Click() {
    // A click may come without the focus leaving a box: trim here too, so that blanks alone
    // never count as a name.
    for (QLineEdit* pole : {m_ui->txtImie, m_ui->txtNazwisko, m_ui->txtPrzydomek}) {
        przytnij(pole);
    }
    const QString strImie = m_ui->txtImie->text();
    const QString strNazwisko = m_ui->txtNazwisko->text();
    const QString strPrzydomek = m_ui->txtPrzydomek->text();

    QString strKomunikat;
    if (strImie.isEmpty() && (!strNazwisko.isEmpty() || strPrzydomek.isEmpty())) {
        strKomunikat += QStringLiteral("Należy podać imię zawodnika.\n");
    }
    if (strNazwisko.isEmpty() && (!strImie.isEmpty() || strPrzydomek.isEmpty())) {
        strKomunikat += QStringLiteral("Należy podać nazwisko zawodnika.\n");
    }
    if (!strKomunikat.isEmpty()) {
        komunikat(this, strKomunikat);
        return;
    }
    if (zapytaj(this, QStringLiteral("Czy dane są poprawne?")) != ui::Answer::Yes) {
        return;
    }

    // A player saved under the names he already had creates no namesake, even when one
    // exists (two players of the same names are allowed to stay as they are).
    bool blnIstnieje = false;
    try {
        blnIstnieje = !ImionaBezZmian() && IstniejeTakiGracz();
    } catch (const engine::Error& e) {
        ui::pokazBlad(this, e, true);
        return;
    }
    if (blnIstnieje) {
        komunikat(this, QStringLiteral("Taki zawodnik już istnieje !!!"));
        m_ui->txtImie->selectAll();
        m_ui->txtImie->setFocus();
        return;
    }
    ZapiszGracza();
}

// Another player with the same three names (text equality of the engine, without regard to
// letter case). Saving a player unchanged finds only the player himself, which is no duplicate.
bool frmGracz::IstniejeTakiGracz() {
    const ui::Hourglass klepsydra;
    const Mirvola::StrazBazy straz;
    Mirvola::strSQL = duplikaty::zapytanieGracza(
        {m_ui->txtImie->text(), m_ui->txtNazwisko->text(), m_ui->txtPrzydomek->text()});
    Mirvola::OtworzBaze(Mirvola::strSQL);
    engine::Recordset& rs = *Mirvola::rsDane;
    bool blnInny = false;
    for (; !rs.eof() && !blnInny; rs.moveNext()) {
        blnInny =
            !blnModyfikacja || rs.value(QStringLiteral("Id_gracza")).toDouble() != dblIdGracza;
    }
    Mirvola::ZamknijBaze();
    return blnInny;
}

// Unchanged as the engine compares names: blanks around them and letter case do not count.
bool frmGracz::ImionaBezZmian() const {
    const auto takieSame = [](const QString& zapisane, const QLineEdit* pole) {
        return zapisane.trimmed().compare(pole->text(), Qt::CaseInsensitive) == 0;
    };
    return blnModyfikacja && takieSame(m_strImie, m_ui->txtImie) &&
           takieSame(m_strNazwisko, m_ui->txtNazwisko) &&
           takieSame(m_strPrzydomek, m_ui->txtPrzydomek);
}

void frmGracz::ZapiszGracza() {
    try {
        ZapiszWiersz();
    } catch (const engine::Error& e) {
        ui::pokazBlad(this, e, true);
        return;
    }
    informacja(this, QStringLiteral("Dane zostały zapisane."));
    if (!blnModyfikacja &&
        zapytaj(this, QStringLiteral("Czy dopisać kolejnego zawodnika?")) == ui::Answer::Yes) {
        m_ui->txtImie->clear();
        m_ui->txtNazwisko->clear();
        m_ui->txtPrzydomek->clear();
        m_ui->txtImie->setFocus();
        return;
    }
    accept();
}

// One update of one row: when it fails, nothing of the player is stored.
void frmGracz::ZapiszWiersz() {
    const ui::Hourglass klepsydra;
    const Mirvola::StrazBazy straz;
    if (blnModyfikacja) {
        Mirvola::strSQL =
            QStringLiteral("SELECT * FROM Gracze WHERE Id_gracza = ") + liczbaSQL(dblIdGracza);
        Mirvola::OtworzBaze(Mirvola::strSQL);
        Mirvola::rsDane->edit();
    } else {
        Mirvola::OtworzBaze(QStringLiteral("Gracze"));
        Mirvola::rsDane->addNew();
    }
    Mirvola::rsDane->setValue(QStringLiteral("Nazwisko"), wartoscPola(m_ui->txtNazwisko->text()));
    Mirvola::rsDane->setValue(QStringLiteral("Imie"), wartoscPola(m_ui->txtImie->text()));
    Mirvola::rsDane->setValue(QStringLiteral("Przydomek"), wartoscPola(m_ui->txtPrzydomek->text()));
    Mirvola::rsDane->update();
    Mirvola::ZamknijBaze();
}
