#include "forms/frmMecz.h"

#include "ui_frmMecz.h"

#include "data/Mirvola.h"
#include "data/StanMeczu.h"
#include "forms/Dialogs.h"
#include "forms/ListRows.h"
#include "forms/Toolkit.h"
#include "forms/frmMeczWspolne.h"

#include <QCalendarWidget>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QTextCharFormat>

#include <algorithm>

using namespace Qt::StringLiterals;
using namespace mecz;

namespace {

// The old date picker selected the field that was clicked, so that digits typed replaced it,
// and moved from field to field with the Left and Right keys; Qt's only puts the text cursor
// there, where digits are refused.
class WyborPolaDaty : public QObject {
  public:
    explicit WyborPolaDaty(QDateEdit* data) : QObject(data), m_data(data) {
        data->installEventFilter(this);
        if (auto* pole = data->findChild<QLineEdit*>()) {
            pole->installEventFilter(this);
        }
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonRelease && watched != m_data) {
            m_data->setSelectedSection(m_data->currentSection());
        } else if (event->type() == QEvent::KeyPress && watched == m_data) {
            const auto* klawisz = static_cast<QKeyEvent*>(event);
            const int krok = klawisz->key() == Qt::Key_Left    ? -1
                             : klawisz->key() == Qt::Key_Right ? 1
                                                               : 0;
            if (krok != 0 && klawisz->modifiers() == Qt::NoModifier) {
                const int pole =
                    std::clamp(m_data->currentSectionIndex() + krok, 0, m_data->sectionCount() - 1);
                m_data->setCurrentSectionIndex(pole);
                m_data->setSelectedSection(m_data->sectionAt(pole));
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    QDateEdit* m_data;
};

// Days outside the picker's range cannot be chosen; the calendar shows them greyed.
void wyszarzDniPozaZakresem(QDateEdit* data) {
    QCalendarWidget* kalendarz = data->calendarWidget();
    const auto wyszarz = [data, kalendarz](int rok, int miesiac) {
        QTextCharFormat szary;
        szary.setForeground(kalendarz->palette().brush(QPalette::Disabled, QPalette::Text));
        // The page shows up to two weeks of the months before and after.
        const QDate pierwszy(rok, miesiac, 1);
        for (QDate d = pierwszy.addDays(-14); d <= pierwszy.addMonths(1).addDays(14);
             d = d.addDays(1)) {
            if (d < data->minimumDate() || d > data->maximumDate()) {
                kalendarz->setDateTextFormat(d, szary);
            }
        }
    };
    QObject::connect(kalendarz, &QCalendarWidget::currentPageChanged, kalendarz, wyszarz);
    wyszarz(data->date().year(), data->date().month());
}

}  // namespace

// ---------------------------------------------------------------------------- opening

frmMecz::frmMecz(QWidget* parent) : QDialog(parent), m_ui(std::make_unique<Ui::frmMecz>()) {
    m_ui->setupUi(this);
    zbierzKontrolki();
    polaczZdarzenia();

    m_blnPoprawa = Mirvola::blnPoprawa != Mirvola::False;
    blnBezDaty = false;
    blnPytaj = true;

    m_ui->DTPDataMeczu->setDateRange(QDate(1800, 1, 1), ui::today());

    for (QComboBox* wynik : cboWyn) {
        const QSignalBlocker blokada(wynik);
        for (int i = 0; i <= 99; ++i) {
            wynik->addItem(QString::number(i));
        }
        wynik->setCurrentIndex(-1);
    }

    WypelnijCombo(0, u"Id_sezonu"_s, u"Sezon"_s, u"Sezony"_s);
    WypelnijCombo(1, u"Id_klubu"_s, u"Druzyna"_s, u"Kluby"_s);
    WypelnijCombo(2, u"Id_rozgrywki"_s, u"Nazwa"_s, u"Rozgrywki"_s);
    WypelnijCombo(3, u"Id_jak"_s, u"Jak"_s, u"Jak"_s);
    WypelnijCombo(4, u"Id_jak"_s, u"Jak"_s, u"Jak"_s);
    for (int i = 3; i <= 4; ++i) {
        if (cboDane[i]->count() > 0) {
            WybierzDane(i, 0);
        }
    }

    WypelnijGraczy(0);
    WypelnijGraczy(1);

    UlozSiatke(0);
    UlozSiatke(1);

    if (m_blnPoprawa) {
        WczytajMecz();
    } else {
        UstawDodawanie();
    }
    new WyborPolaDaty(m_ui->DTPDataMeczu);
    wyszarzDniPozaZakresem(m_ui->DTPDataMeczu);
    UstawMiejscaFokus();
    m_ui->lblWynik->setText(cboWyn[0]->currentText() + u" - "_s + cboWyn[1]->currentText());
}

frmMecz::~frmMecz() = default;

void frmMecz::zbierzKontrolki() {
    cboDane = {m_ui->cboDane_0, m_ui->cboDane_1, m_ui->cboDane_2, m_ui->cboDane_3, m_ui->cboDane_4};
    optWybor = {m_ui->optWybor_0, m_ui->optWybor_1, m_ui->optWybor_2};
    cboWyn = {m_ui->cboWyn_0, m_ui->cboWyn_1};
    m_fgrdStrzelcy = {m_ui->fgrdStrzelcy_0, m_ui->fgrdStrzelcy_1};
    lstGracze = {m_ui->lstGracze_0, m_ui->lstGracze_1};
    txtFiltr = {m_ui->txtFiltr_0, m_ui->txtFiltr_1};
    cmdFiltruj = {m_ui->cmdFiltruj_0, m_ui->cmdFiltruj_1};
    for (QComboBox* lista : findChildren<QComboBox*>()) {
        ui::ograniczListe(lista);
    }

    mnuOperacje = new QMenu(u"Operacje"_s, this);
    mnuOperacje->setObjectName(u"mnuOperacje"_s);
    itmPopraw = mnuOperacje->addAction(u"&Popraw"_s);
    itmPopraw->setObjectName(u"itmPopraw"_s);
    itmUsun = mnuOperacje->addAction(u"U&suń"_s);
    itmUsun->setObjectName(u"itmUsun"_s);
}

void frmMecz::polaczZdarzenia() {
    for (int i = 0; i < 5; ++i) {
        connect(cboDane[i], &QComboBox::currentIndexChanged, this, [this, i](int pozycja) {
            if (pozycja >= 0) {
                cboDane_Click(i);
            }
        });
    }
    for (QRadioButton* opcja : optWybor) {
        connect(opcja, &QRadioButton::toggled, this, [this](bool wybrana) {
            UstawMiejscaFokus();
            if (wybrana) {
                UstawEtykiety();
            }
        });
    }
    for (int i = 0; i < 2; ++i) {
        connect(cboWyn[i], &QComboBox::currentIndexChanged, this, [this, i](int pozycja) {
            if (pozycja >= 0) {
                cboWyn_Click(i);
            }
        });
        connect(cmdFiltruj[i], &QPushButton::clicked, this, [this, i] { cmdFiltruj_Click(i); });
        connect(lstGracze[i], &QListWidget::itemDoubleClicked, this,
                [this, i] { lstGracze_DblClick(i); });
        txtFiltr[i]->installEventFilter(this);
        ui::followKeyboardRow(lstGracze[i]);
        ui::followKeyboardRow(m_fgrdStrzelcy[i]);
        lstGracze[i]->installEventFilter(this);
        m_fgrdStrzelcy[i]->installEventFilter(this);
        m_fgrdStrzelcy[i]->viewport()->installEventFilter(this);
        m_fgrdStrzelcy[i]->horizontalHeader()->viewport()->installEventFilter(this);
    }
    connect(m_ui->cmdOK, &QPushButton::clicked, this, &frmMecz::cmdOK_Click);
    connect(m_ui->cmdHelp, &QPushButton::clicked, this, &frmMecz::cmdHelp_Click);
    connect(m_ui->cmdSlowniki, &QPushButton::clicked, this, &frmMecz::cmdSlowniki_Click);
    connect(itmPopraw, &QAction::triggered, this, &frmMecz::itmPopraw_Click);
    connect(itmUsun, &QAction::triggered, this, &frmMecz::itmUsun_Click);
}

// Only the opening venue option is a stop of the Tab order, so that Tab never lands on an
// option that Space would then choose.
void frmMecz::UstawMiejscaFokus() {
    for (QRadioButton* opcja : optWybor) {
        opcja->setFocusPolicy(opcja->isChecked() ? Qt::StrongFocus : Qt::ClickFocus);
    }
}

void frmMecz::WczytajMecz() {
    setWindowTitle(u"Mecze - modyfikacja"_s);
    strIdMeczu = tekstId(Mirvola::dblIdMeczu);
    setProperty("Tag", strIdMeczu);
    // Taken before the window's own reads: a change made in between is then reported at the
    // save rather than overwritten.
    m_stanMeczu = Mirvola::OdczytajStanMeczu(strIdMeczu);

    Mirvola::strSQL =
        u"SELECT Mecze.Id_meczu, Sezony.Id_sezonu, Sezony.Sezon, Mecze.Data, Mecze.Gdzie, "
        "Mecze.Id_klubu, Kluby.Druzyna, Mecze.Wyn1, Mecze.Wyn2, Rozgrywki.Id_rozgrywki, "
        "Rozgrywki.Nazwa, Mecze.Komentarz FROM Rozgrywki RIGHT JOIN (Kluby RIGHT JOIN (Mecze "
        "LEFT JOIN Sezony ON Mecze.Id_sezonu = Sezony.Id_sezonu) ON Kluby.Id_klubu = "
        "Mecze.Id_klubu) ON Rozgrywki.Id_rozgrywki = Mecze.Id_rozgrywki WHERE Mecze.Id_meczu = "_s +
        strIdMeczu;
    {
        Mirvola::StrazBazy baza;
        Mirvola::OtworzBaze(Mirvola::strSQL);
        const engine::Recordset& rs = *Mirvola::rsDane;

        WybierzDane(0, cboDane[0]->findText(rs.value(u"Sezon"_s).toString()));
        WybierzDane(1, cboDane[1]->findText(rs.value(u"Druzyna"_s).toString()));
        WybierzDane(2, cboDane[2]->findText(rs.value(u"Nazwa"_s).toString()));
        m_ui->DTPDataMeczu->setDate(rs.value(u"Data"_s).toDate());

        const QString gdzie = rs.value(u"Gdzie"_s).toString();
        const QString rywal = cboDane[1]->currentText();
        if (gdzie == u"D"_s) {
            optWybor[0]->setChecked(true);
            m_ui->lblGosp->setText(Mirvola::kKlubMirvola);
            m_ui->lblGosc->setText(rywal);
        } else if (gdzie == u"W"_s) {
            optWybor[1]->setChecked(true);
            m_ui->lblGosp->setText(rywal);
            m_ui->lblGosc->setText(Mirvola::kKlubMirvola);
        } else if (gdzie == u"N"_s) {
            optWybor[2]->setChecked(true);
            m_ui->lblGosp->setText(Mirvola::kKlubMirvola);
            m_ui->lblGosc->setText(rywal);
        }

        // A score the editor never wrote (Null) opens as 0, the only score it can show.
        WybierzWynik(0, cboWyn[0]->findText(QString::number(rs.value(u"Wyn1"_s).toInt())));
        WybierzWynik(1, cboWyn[1]->findText(QString::number(rs.value(u"Wyn2"_s).toInt())));

        QString komentarz = rs.value(u"Komentarz"_s).toString();
        komentarz.replace(u"\r\n"_s, u"\n"_s);
        m_ui->txtKomentarz->setPlainText(komentarz);
    }

    WczytajBramki();

    for (int strona = 0; strona < 2; ++strona) {
        if (LiczbaBramek(strona) > 0) {
            UstawKoniecSiatki(strona);
        }
    }
    UstawListyGraczy();
    for (int strona = 0; strona < 2; ++strona) {
        if (Wynik(strona) == LiczbaBramek(strona)) {
            UstawStrone(strona, false);
        }
    }
}

void frmMecz::WczytajBramki() {
    Mirvola::strSQL =
        u"SELECT Bramki.Id_meczu, Bramki.Nr_pozycji, Bramki.Czy_Mirvola, Bramki.Id_gracza, "
        "IIf(Nazwisko Is Not Null, Gracze.Imie & ' ' & Gracze.Nazwisko, Gracze.Przydomek) AS "
        "Strzelec, Bramki.Minuta, Jak.Id_jak, Jak.Jak FROM Mecze LEFT JOIN (Jak RIGHT JOIN "
        "(Gracze RIGHT JOIN Bramki ON Gracze.Id_gracza = Bramki.Id_gracza) ON Jak.Id_jak = "
        "Bramki.Id_jak) ON Mecze.Id_meczu = Bramki.Id_meczu WHERE Bramki.Id_meczu = "_s +
        strIdMeczu + u" ORDER BY Bramki.Nr_pozycji"_s;
    Mirvola::StrazBazy baza;
    Mirvola::OtworzBaze(Mirvola::strSQL);
    engine::Recordset& rs = *Mirvola::rsDane;

    // Goals are stored host side first. The first goal's side follows from whom it counted
    // for; from the first change of Czy_Mirvola on, every goal belongs to the guest.
    const bool goscToMirvola = m_ui->lblGosc->text() == Mirvola::kKlubMirvola;
    int strona = 0;
    bool pierwsza = true;
    bool poprzednia = false;
    // Read by position: the engine may qualify a name that the joined tables share.
    enum { kCzyMirvola = 2, kIdGracza = 3, kStrzelec = 4, kMinuta = 5, kIdJak = 6, kJak = 7 };
    while (!rs.eof()) {
        const bool dlaMirvoli = rs.value(kCzyMirvola).toLongLong() != 0;
        if (pierwsza) {
            strona = (dlaMirvoli == goscToMirvola) ? 1 : 0;
        } else if (dlaMirvoli != poprzednia) {
            strona = 1;
        }
        pierwsza = false;
        poprzednia = dlaMirvoli;
        DodajWiersz(strona, {rs.value(kStrzelec).toString(), rs.value(kMinuta).toString(),
                             rs.value(kJak).toString(), rs.value(kIdGracza).toString(),
                             rs.value(kIdJak).toString()});
        rs.moveNext();
    }
}

void frmMecz::UstawDodawanie() {
    if (cboDane[0]->count() > 0) {
        WybierzDane(0, cboDane[0]->count() - 1);
    }
    if (cboDane[1]->count() > 0) {
        WybierzDane(1, 0);
    }
    if (cboDane[2]->count() > 0) {
        WybierzDane(2, 0);
    }
    m_ui->DTPDataMeczu->setDate(ui::today());
    WybierzWynik(0, 0);
    WybierzWynik(1, 0);
    m_ui->lblGosp->setText(Mirvola::kKlubMirvola);
    m_ui->lblGosc->setText(cboDane[1]->currentText());
}

// ---------------------------------------------------------------------------- closing

bool frmMecz::PozwolZamknac() {
    if (!blnPytaj) {
        return true;
    }
    const QString pytanie =
        u"Czy przerwać "_s + (m_blnPoprawa ? u"edycję"_s : u"dodawanie"_s) + u" danych?"_s;
    return ui::messageBox(this, ui::tytul::kPytanie, pytanie, ui::Buttons::YesNo,
                          ui::Icon::Question) == ui::Answer::Yes;
}

void frmMecz::closeEvent(QCloseEvent* event) {
    if (!isVisible()) {
        event->accept();
        return;
    }
    if (!PozwolZamknac()) {
        event->ignore();
        return;
    }
    event->accept();
    done(QDialog::Rejected);
}

void frmMecz::reject() {
    if (PozwolZamknac()) {
        QDialog::reject();
    }
}
