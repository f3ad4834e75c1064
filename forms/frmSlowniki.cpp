#include "forms/frmSlowniki.h"

#include "ui_frmSlowniki.h"

#include "data/Mirvola.h"
#include "data/engine/Error.h"
#include "data/engine/Recordset.h"
#include "data/engine/Workspace.h"
#include "forms/Dialogs.h"
#include "forms/ListExport.h"
#include "forms/ListRows.h"
#include "forms/Toolkit.h"
#include "forms/frmGracz.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLayout>

#include <algorithm>
#include <array>

namespace {

constexpr int kKluby = 0;
constexpr int kGracze = 1;
constexpr int kRozgrywki = 2;
constexpr int kSezony = 3;
constexpr int kRodzajeGoli = 4;

struct Slownik {
    QString strSlownik;  // tab caption
    QString strTabela;
    QString strPoleId;
    QString strPoleNazwa;
    int intLimit;  // longest name stored
    QString strDopisanie;
    QString strModyfikacja;
};

// In the order of the tabs. Players have no name column of their own: the list computes
// Zawodnik, and frmGracz edits them.
const std::array<Slownik, 5>& slowniki() {
    static const std::array<Slownik, 5> tabela = {{
        {QStringLiteral("Kluby"), QStringLiteral("Kluby"), QStringLiteral("Id_klubu"),
         QStringLiteral("Druzyna"), 21, QStringLiteral("nowy klub (maksymalnie 21 znaków)"),
         QStringLiteral("nową nazwę klubu (maksymalnie 21 znaków)")},
        {QStringLiteral("Gracze"), QStringLiteral("Gracze"), QStringLiteral("Id_gracza"),
         QStringLiteral("Zawodnik"), 0, QString(), QString()},
        {QStringLiteral("Rozgrywki"), QStringLiteral("Rozgrywki"), QStringLiteral("Id_rozgrywki"),
         QStringLiteral("Nazwa"), 18,
         QStringLiteral("nowy rodzaj rozgrywek (maksymalnie 18 znaków)"),
         QStringLiteral("nową nazwę rodzaju rozgrywek (maksymalnie 18 znaków)")},
        {QStringLiteral("Sezony"), QStringLiteral("Sezony"), QStringLiteral("Id_sezonu"),
         QStringLiteral("Sezon"), 7, QStringLiteral("nowy sezon (maksymalnie 7 znaków)"),
         QStringLiteral("nową nazwę sezonu (maksymalnie 7 znaków)")},
        {QStringLiteral("Rodzaje goli"), QStringLiteral("Jak"), QStringLiteral("Id_jak"),
         QStringLiteral("Jak"), 10, QStringLiteral("nowy rodzaj gola (maksymalnie 10 znaków)"),
         QStringLiteral("nową nazwę rodzaju gola (maksymalnie 10 znaków)")},
    }};
    return tabela;
}

ui::Answer zapytaj(QWidget* parent, const QString& tekst, ui::Answer domyslna) {
    return ui::messageBox(parent, ui::tytul::kPytanie, tekst, ui::Buttons::YesNo,
                          ui::Icon::Question, domyslna);
}

void komunikat(QWidget* parent, const QString& tekst) {
    ui::messageBox(parent, ui::tytul::kKomunikat, tekst, ui::Buttons::Ok, ui::Icon::Exclamation);
}

void informacja(QWidget* parent, const QString& tekst) {
    ui::messageBox(parent, ui::tytul::kInfo, tekst, ui::Buttons::Ok, ui::Icon::Information);
}

bool sameCyfry(QStringView tekst) {
    return !tekst.isEmpty() && std::all_of(tekst.begin(), tekst.end(), [](QChar c) {
        return c >= QLatin1Char('0') && c <= QLatin1Char('9');
    });
}

QString liczbaSQL(double id) {
    return QString::number(static_cast<qlonglong>(id));
}

// The write of one command: committed explicitly, rolled back on every other way out.
class Transakcja {
  public:
    Transakcja() { engine::Workspace::beginTrans(); }
    Transakcja(const Transakcja&) = delete;
    Transakcja& operator=(const Transakcja&) = delete;
    ~Transakcja() {
        if (m_otwarta) {
            try {
                engine::Workspace::rollback();
            } catch (const engine::Error&) {
                // Nothing more can be done; the connection ends with the transaction undone.
            }
        }
    }
    void zatwierdz() {
        engine::Workspace::commitTrans();
        m_otwarta = false;
    }

  private:
    bool m_otwarta = true;
};

// The dictionary's list as shown, under the tab's caption.
csv::Table tabelaSlownika(const QListWidget* lista, const QString& naglowek) {
    csv::Table tabela{{naglowek}, {}};
    for (int r = 0; r < lista->count(); ++r) {
        tabela.rows.push_back({lista->item(r)->text()});
    }
    return tabela;
}

}  // namespace

frmSlowniki::frmSlowniki(QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::frmSlowniki>()) {
    m_ui->setupUi(this);
    ui::followKeyboardRow(m_ui->lstDane);
    m_ui->lstDane->installEventFilter(this);
    m_ui->txtFiltr->installEventFilter(this);
    // No button is the window's default (Enter in the list modifies, in the filter box it
    // moves on); Enter on a focused button presses that button.
    for (QPushButton* przycisk :
         {m_ui->cmdFiltruj, m_ui->cmdDodaj, m_ui->cmdPopraw, m_ui->cmdUsun}) {
        przycisk->installEventFilter(this);
    }

    const auto polecenie = [this](void (frmSlowniki::*metoda)()) {
        return [this, metoda] { ui::polecenie(this, [this, metoda] { (this->*metoda)(); }); };
    };
    connect(m_ui->tstSlowniki, &QTabWidget::currentChanged, this, [this](int index) {
        ui::polecenie(this, [this, index] { tstSlowniki_Click(index); });
    });
    connect(m_ui->lstDane, &QListWidget::itemDoubleClicked, this,
            polecenie(&frmSlowniki::cmdPopraw_Click));
    connect(m_ui->cmdFiltruj, &QPushButton::clicked, this,
            polecenie(&frmSlowniki::cmdFiltruj_Click));
    connect(m_ui->cmdDodaj, &QPushButton::clicked, this, polecenie(&frmSlowniki::cmdDodaj_Click));
    connect(m_ui->cmdPopraw, &QPushButton::clicked, this, polecenie(&frmSlowniki::cmdPopraw_Click));
    connect(m_ui->cmdUsun, &QPushButton::clicked, this, polecenie(&frmSlowniki::cmdUsun_Click));

    ui::dodajEksportCsv(
        m_ui->lstDane, [this] { return tabelaSlownika(m_ui->lstDane, strSlownik); },
        [this] { return strSlownik.toLower().replace(u' ', u'-'); });

    m_ui->tstSlowniki->setCurrentIndex(kKluby);
    ui::polecenie(this, [this] { tstSlowniki_Click(kKluby); });
}

frmSlowniki::~frmSlowniki() = default;

bool frmSlowniki::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_ui->lstDane && event->type() == QEvent::KeyPress) {
        const auto* klawisz = static_cast<QKeyEvent*>(event);
        if (ui::nacisnietoEnter(event)) {
            ui::polecenie(this, [this] { cmdPopraw_Click(); });
            return true;
        }
        if (klawisz->key() == Qt::Key_Delete) {
            if (m_ui->cmdUsun->isEnabled()) {
                ui::polecenie(this, [this] { cmdUsun_Click(); });
            }
            return true;
        }
    } else if (auto* przycisk = qobject_cast<QPushButton*>(watched);
               przycisk != nullptr && ui::nacisnietoEnter(event)) {
        przycisk->click();
        return true;
    } else if (watched == m_ui->txtFiltr) {
        QLineEdit* filtr = m_ui->txtFiltr;
        switch (event->type()) {
            case QEvent::FocusIn:
                filtr->selectAll();
                break;
            case QEvent::FocusOut:
                if (filtr->text() != filtr->text().trimmed()) {
                    filtr->setText(filtr->text().trimmed());
                }
                break;
            case QEvent::KeyPress:
                // Enter only leads to the button; the filter applies when the button is pressed.
                if (ui::nacisnietoEnter(event)) {
                    m_ui->cmdFiltruj->setFocus(Qt::TabFocusReason);
                    return true;
                }
                break;
            default:
                break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmSlowniki::tstSlowniki_Click(int index) {
    if (index < 0 || index >= static_cast<int>(slowniki().size())) {
        return;
    }
    m_ui->txtFiltr->clear();
    const Slownik& slownik = slowniki()[static_cast<size_t>(index)];
    intSlownik = index;
    strSlownik = slownik.strSlownik;
    strTabela = slownik.strTabela;
    strPoleId = slownik.strPoleId;
    strPoleNazwa = slownik.strPoleNazwa;
    blnFiltr = false;

    // One set of controls serves all five tabs: it moves to the page being shown.
    QWidget* strona = m_ui->tstSlowniki->widget(index);
    if (m_ui->fraDane->parentWidget() != strona) {
        strona->layout()->addWidget(m_ui->fraDane);
        m_ui->fraDane->show();
    }
    WczytajDane();
}

void frmSlowniki::cmdFiltruj_Click() {
    const QString tekst = m_ui->txtFiltr->text().trimmed();
    if (tekst != m_ui->txtFiltr->text()) {
        m_ui->txtFiltr->setText(tekst);
    }
    blnFiltr = !tekst.isEmpty();
    WczytajDane();
}

void frmSlowniki::cmdDodaj_Click() {
    if (intSlownik == kGracze) {
        PokazGracza(false);
        return;
    }
    const Slownik& slownik = slowniki()[static_cast<size_t>(intSlownik)];
    const auto strWartosc = PodajNazwe(QStringLiteral("Podaj ") + slownik.strDopisanie,
                                       strSlownik + QStringLiteral(" - dopisanie"), QString());
    if (!strWartosc || (intSlownik == kSezony && !SprawdzSezon(*strWartosc))) {
        return;
    }
    ZapiszDane(*strWartosc, std::nullopt);
}

void frmSlowniki::cmdPopraw_Click() {
    const int wiersz = WybranyWiersz();
    if (wiersz < 0) {
        komunikat(this, QStringLiteral("Nie wybrano danych do modyfikacji !!!"));
        return;
    }
    const double dblIdWiersza = dblId[static_cast<size_t>(wiersz)];
    if (intSlownik == kGracze) {
        Mirvola::dblIdMeczu = dblIdWiersza;
        PokazGracza(true);
        return;
    }
    const Slownik& slownik = slowniki()[static_cast<size_t>(intSlownik)];
    const auto strWartosc = PodajNazwe(QStringLiteral("Podaj ") + slownik.strModyfikacja,
                                       strSlownik + QStringLiteral(" - modyfikacja"),
                                       m_ui->lstDane->item(wiersz)->text());
    if (!strWartosc || (intSlownik == kSezony && !SprawdzSezon(*strWartosc))) {
        return;
    }
    ZapiszDane(*strWartosc, dblIdWiersza);
}

void frmSlowniki::cmdUsun_Click() {
    const int wiersz = WybranyWiersz();
    if (wiersz < 0) {
        komunikat(this, QStringLiteral("Nie wybrano danych do usunięcia !!!"));
        return;
    }
    const QString strTekst = m_ui->lstDane->item(wiersz)->text();
    if (zapytaj(this, QStringLiteral("Czy usunąć następujące dane?\n\n") + strTekst,
                ui::Answer::No) != ui::Answer::Yes) {
        return;
    }
    Mirvola::strSQL = QStringLiteral("DELETE FROM ") + strTabela + QStringLiteral(" WHERE ") +
                      strPoleId + QStringLiteral(" = ") +
                      liczbaSQL(dblId[static_cast<size_t>(wiersz)]);
    Mirvola::WykonajSQL(Mirvola::strSQL);
    WczytajDane();
    informacja(this, QStringLiteral("Dane zostały usunięte."));
}

QString frmSlowniki::ZapytanieListy() const {
    const QString strFiltr = Mirvola::PodwojApostrofy(m_ui->txtFiltr->text());
    QString sql;
    if (intSlownik == kGracze) {
        sql = QStringLiteral(
            "SELECT Id_gracza, Trim(IIf(IsNull(Nazwisko), Przydomek, Imie & ' ' & "
            "Nazwisko & IIf(IsNull(Przydomek), '', ' ' & Przydomek))) AS Zawodnik FROM Gracze");
        if (blnFiltr) {
            sql += QStringLiteral(
                       " WHERE Trim(IIf(IsNull(Nazwisko), Przydomek, Imie & ' ' & "
                       "Nazwisko & IIf(IsNull(Przydomek), '', Przydomek))) LIKE '*") +
                   strFiltr + QStringLiteral("*'");
        }
        sql += QStringLiteral(
            " ORDER BY Trim(IIf(IsNull(Nazwisko), Przydomek, Nazwisko "
            "& ' ' & Imie & IIf(IsNull(Przydomek), '', Przydomek)))");
        return sql;
    }
    sql = QStringLiteral("SELECT * FROM ") + strTabela;
    if (blnFiltr) {
        sql += QStringLiteral(" WHERE ") + strPoleNazwa + QStringLiteral(" LIKE '*") + strFiltr +
               QStringLiteral("*'");
    }
    sql += QStringLiteral(" ORDER BY ") + strPoleNazwa;
    return sql;
}

void frmSlowniki::WczytajDane() {
    const ui::Hourglass klepsydra;
    UstawUsuwanie();
    Mirvola::strSQL = ZapytanieListy();
    m_ui->lstDane->clear();
    dblId.clear();

    const Mirvola::StrazBazy straz;
    Mirvola::OtworzBaze(Mirvola::strSQL);
    engine::Recordset& rs = *Mirvola::rsDane;
    dblId.reserve(static_cast<size_t>(std::max(rs.recordCount(), 0)));
    while (!rs.eof()) {
        m_ui->lstDane->addItem(rs.value(1).toString());
        dblId.push_back(rs.value(0).toDouble());
        rs.moveNext();
    }
    Mirvola::ZamknijBaze();
}

// While the match editor modifies a stored match, its pickers hold clubs, competitions and
// seasons that must stay; players and kinds of goal may go (the editor drops their goal rows).
void frmSlowniki::UstawUsuwanie() {
    if (Mirvola::blnPoprawa != Mirvola::False) {
        m_ui->cmdUsun->setEnabled(intSlownik == kGracze || intSlownik == kRodzajeGoli);
    }
}

bool frmSlowniki::SprawdzSezon(const QString& strSezon) {
    // Digits only: a sign, a decimal point or an exponent never make a year.
    if (strSezon.size() < 5 || !sameCyfry(QStringView(strSezon).left(4)) ||
        strSezon.at(4) != QLatin1Char('/') || !sameCyfry(QStringView(strSezon).right(2))) {
        komunikat(this, QStringLiteral("Prawidłowy zapis sezonu to rrrr/rr, np. 2002/03!!!"));
        return false;
    }
    const int intRok = QStringView(strSezon).left(4).toInt();
    if (intRok < 1800) {
        komunikat(this, QStringLiteral("Sezon nie może być mniejszy od 1800/01!!!"));
        return false;
    }
    const int intBiezacyRok = ui::today().year();
    if (intRok > intBiezacyRok) {
        komunikat(this, QStringLiteral("Teraz mamy rok ") + QString::number(intBiezacyRok) +
                            QStringLiteral("!!!\nWartość ") + strSezon +
                            QStringLiteral(" nie jest prawidłowa."));
        return false;
    }
    const QString strKoniec = QStringLiteral("%1").arg((intRok + 1) % 100, 2, 10, QLatin1Char('0'));
    if (strSezon.right(2) != strKoniec) {
        komunikat(this, QStringLiteral("Zły format zapisu!!! Prawidłowy to np. 2002/03."));
        return false;
    }
    return true;
}

std::optional<QString> frmSlowniki::PodajNazwe(const QString& strPodpowiedz,
                                               const QString& strTytul,
                                               const QString& strDomyslna) {
    const auto odpowiedz = ui::inputBox(this, strPodpowiedz, strTytul, strDomyslna);
    if (!odpowiedz) {
        return std::nullopt;
    }
    const int intLimit = slowniki()[static_cast<size_t>(intSlownik)].intLimit;
    QString strWartosc = odpowiedz->left(intLimit).trimmed();
    if (strWartosc.isEmpty()) {
        return std::nullopt;
    }
    return strWartosc;
}

// Adds (no id) or renames the entry. The names' uniqueness is the database's: a duplicate
// fails the write with DuplicateKey and the existing entry is shown selected.
void frmSlowniki::ZapiszDane(const QString& strWartosc, std::optional<double> dblIdWiersza) {
    if (zapytaj(this, QStringLiteral("Czy zapisać następujące dane?\n\n") + strWartosc,
                ui::Answer::Yes) == ui::Answer::Yes) {
        const std::optional<bool> blnFlaga = ZapytajOFlage(dblIdWiersza.has_value());
        try {
            ZapiszWiersz(strWartosc, dblIdWiersza, blnFlaga);
        } catch (const engine::Error& e) {
            if (e.number() == engine::err::DuplicateKey) {
                komunikat(this, QStringLiteral("Takie dane już istnieją !!!"));
                ZaznaczWiersz(strWartosc);
            } else {
                ui::pokazBlad(this, e, true);
            }
            return;
        }
        // Acknowledged only once the transaction is committed.
        informacja(this, QStringLiteral("Dane zostały zapisane."));
        WczytajDane();
    }
    ZaznaczWiersz(strWartosc);
}

// The flag to write into the third column, or nothing to keep the column's default: a new
// competition is official and a new kind of goal is not an own goal unless the user says so.
std::optional<bool> frmSlowniki::ZapytajOFlage(bool blnModyfikacjaWiersza) {
    if (intSlownik == kRozgrywki) {
        const bool blnOficjalne = zapytaj(this, QStringLiteral("Czy są to rozgrywki oficjalne?"),
                                          ui::Answer::Yes) == ui::Answer::Yes;
        if (blnModyfikacjaWiersza || !blnOficjalne) {
            return blnOficjalne;
        }
    } else if (intSlownik == kRodzajeGoli) {
        const bool blnSamobojczy = zapytaj(this, QStringLiteral("Czy jest to gol samobójczy?"),
                                           ui::Answer::No) == ui::Answer::Yes;
        if (blnModyfikacjaWiersza || blnSamobojczy) {
            return blnSamobojczy;
        }
    }
    return std::nullopt;
}

void frmSlowniki::ZapiszWiersz(const QString& strWartosc, std::optional<double> dblIdWiersza,
                               std::optional<bool> blnFlaga) {
    const ui::Hourglass klepsydra;
    Transakcja transakcja;
    {
        const Mirvola::StrazBazy straz;
        if (dblIdWiersza) {
            Mirvola::strSQL = QStringLiteral("SELECT * FROM ") + strTabela +
                              QStringLiteral(" WHERE ") + strPoleId + QStringLiteral(" = ") +
                              liczbaSQL(*dblIdWiersza);
            Mirvola::OtworzBaze(Mirvola::strSQL);
            Mirvola::rsDane->edit();
        } else {
            Mirvola::OtworzBaze(strTabela);
            Mirvola::rsDane->addNew();
        }
        Mirvola::rsDane->setValue(1, strWartosc);
        if (blnFlaga) {
            Mirvola::rsDane->setValue(2, *blnFlaga);
        }
        Mirvola::rsDane->update();
        Mirvola::ZamknijBaze();
    }
    transakcja.zatwierdz();
}

void frmSlowniki::PokazGracza(bool blnModyfikacja) {
    {
        frmGracz okno(blnModyfikacja, this);
        if (okno.loaded()) {
            ui::showModal(&okno);
        }
    }
    WczytajDane();
}

int frmSlowniki::WybranyWiersz() const {
    const QList<QListWidgetItem*> wybrane = m_ui->lstDane->selectedItems();
    if (wybrane.isEmpty()) {
        return -1;
    }
    const int wiersz = m_ui->lstDane->row(wybrane.front());
    return wiersz < static_cast<int>(dblId.size()) ? wiersz : -1;
}

// The row showing this name; the database compares names without regard to letter case, so
// an entry differing only in case is the one meant.
void frmSlowniki::ZaznaczWiersz(const QString& strTekst) {
    QListWidget* lista = m_ui->lstDane;
    for (const Qt::CaseSensitivity wielkosc : {Qt::CaseSensitive, Qt::CaseInsensitive}) {
        for (int i = 0; i < lista->count(); ++i) {
            if (lista->item(i)->text().compare(strTekst, wielkosc) == 0) {
                lista->setCurrentRow(i);
                lista->scrollToItem(lista->item(i));
                return;
            }
        }
    }
}
