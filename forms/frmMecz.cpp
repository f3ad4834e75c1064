#include "forms/frmMecz.h"

#include "ui_frmMecz.h"

#include "data/Duplikaty.h"
#include "data/Mirvola.h"
#include "data/engine/Workspace.h"
#include "forms/Dialogs.h"
#include "forms/ListRows.h"
#include "forms/Toolkit.h"
#include "forms/frmPoprawaGola.h"
#include "forms/frmSlowniki.h"

#include <QCalendarWidget>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QTableWidget>
#include <QTextCharFormat>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

constexpr int kSzerokoscZawodnika = 2700;
constexpr int kWaskiZawodnik = 2465;  // leaves room for the scroll bar from 4 goal rows on
constexpr int kSzerokoscMinuty = 700;
constexpr int kSzerokoscJak = 1120;
constexpr int kWysokoscWiersza = 270;
constexpr int kWidoczneWiersze = 3;

QString tekstId(double id) {
    return QString::number(id, 'f', 0);
}

// The id at a list position; a position without an id is the old engine's "subscript out of
// range", so a save that meets it rolls back like any other failed write.
qlonglong idNaPozycji(const std::vector<double>& ids, int pozycja) {
    if (pozycja < 0 || static_cast<size_t>(pozycja) >= ids.size()) {
        throw engine::Error(9, u"Indeks poza zakresem"_s);
    }
    return static_cast<qlonglong>(ids[static_cast<size_t>(pozycja)]);
}

// A hidden id cell as a column value; an empty cell (a goal whose kind of goal no longer
// exists) is stored as Null.
QVariant idKomorki(const QTableWidgetItem* item) {
    const QString tekst = item ? item->text() : QString();
    if (tekst.isEmpty()) {
        return QVariant();
    }
    return static_cast<qlonglong>(tekst.toDouble());
}

QString komorka(const QTableWidget* g, int wiersz, int kolumna) {
    const QTableWidgetItem* item = g->item(wiersz, kolumna);
    return item ? item->text() : QString();
}

// The key under which an id cell is looked up in a dictionary read from the database.
QString klucz(const QString& id) {
    return tekstId(id.toDouble());
}

// Id (as text) and name of every row of a two-column query.
QHash<QString, QString> slownik(const QString& sql) {
    Mirvola::StrazBazy baza;
    Mirvola::OtworzBaze(sql);
    QHash<QString, QString> wpisy;
    for (engine::Recordset& rs = *Mirvola::rsDane; !rs.eof(); rs.moveNext()) {
        wpisy.insert(tekstId(rs.value(0).toDouble()), rs.value(1).toString());
    }
    return wpisy;
}

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

void frmMecz::ZapiszMecz(const QString& strGdzie) {
    engine::Workspace::beginTrans();

    QString komentarz = m_ui->txtKomentarz->toPlainText();
    komentarz.replace(u"\n"_s, u"\r\n"_s);

    qlonglong idMeczu = 0;
    {
        Mirvola::StrazBazy baza;
        if (m_blnPoprawa) {
            Mirvola::strSQL = u"SELECT * FROM Mecze WHERE Id_meczu = "_s + strIdMeczu;
            Mirvola::OtworzBaze(Mirvola::strSQL);
            Mirvola::rsDane->edit();
        } else {
            Mirvola::OtworzBaze(u"Mecze"_s);
            Mirvola::rsDane->addNew();
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

    try {
        ZapiszMecz(strGdzie);
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
