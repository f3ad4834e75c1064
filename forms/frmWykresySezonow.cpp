#include "forms/frmWykresySezonow.h"

#include "data/Mirvola.h"
#include "forms/Dialogs.h"
#include "forms/SeasonChartLabels.h"
#include "forms/Toolkit.h"
#include "forms/WyborMeczow.h"
#include "ui_frmWykresySezonow.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLineSeries>
#include <QPixmap>
#include <QSaveFile>
#include <QScrollArea>
#include <QSettings>
#include <QStackedBarSeries>
#include <QStandardPaths>
#include <QStyle>
#include <QToolTip>
#include <QValueAxis>

#include <algorithm>
#include <functional>

namespace {

enum Wykres { kWyniki, kBramki, kMecze };

// The colours of the match statistics' balance rows, and the club's green for the matches.
const QColor kKolorZwyciestw(0x00, 0x00, 0xC0);
const QColor kKolorRemisow(0x00, 0x80, 0x00);
const QColor kKolorPorazek(0xC0, 0x00, 0x00);
const QColor kKolorMeczow(0x1D, 0x6B, 0x32);

const QString kKluczKatalogu = QStringLiteral("wykresy/katalog");

const std::array<const char*, 3> kNazwyPlikow = {"wyniki-sezonow.png", "bramki-sezonow.png",
                                                 "mecze-sezonow.png"};

using Liczba = std::function<int(const sezony::Sezon&)>;

QBarCategoryAxis* OsSezonow(const std::vector<sezony::Sezon>& sezony) {
    auto* os = new QBarCategoryAxis;
    os->setTitleText(QStringLiteral("Sezon"));
    for (const sezony::Sezon& s : sezony) {
        os->append(s.sezon);
    }
    return os;
}

// Whole numbers only, in steps of 1, 2, 5, 10, 20, 50 ... with at most ten of them.
QValueAxis* OsLiczb(const QString& tytul, int najwiecej) {
    int krok = 1;
    for (int mnoznik = 1; najwiecej > 10 * krok;) {
        for (const int k : {1, 2, 5}) {
            krok = k * mnoznik;
            if (najwiecej <= 10 * krok) {
                break;
            }
        }
        mnoznik *= 10;
    }
    const int gora = std::max(1, (najwiecej + krok - 1) / krok) * krok;
    auto* os = new QValueAxis;
    os->setTitleText(tytul);
    os->setRange(0, gora);
    os->setTickCount(gora / krok + 1);
    os->setLabelFormat(QStringLiteral("%d"));
    return os;
}

// A tenth of the height, at least 1: two numbers stacked over the highest point.
int Zapas(int najwiecej) {
    return std::max(1, (najwiecej + 9) / 10);
}

int Najwiecej(const std::vector<sezony::Sezon>& sezony, const Liczba& liczba) {
    int najwiecej = 0;
    for (const sezony::Sezon& s : sezony) {
        najwiecej = std::max(najwiecej, liczba(s));
    }
    return najwiecej;
}

QBarSet* Slupki(const QString& nazwa, const QColor& kolor, const std::vector<sezony::Sezon>& sezony,
                const Liczba& liczba) {
    auto* zestaw = new QBarSet(nazwa);
    zestaw->setColor(kolor);
    zestaw->setBorderColor(kolor);
    for (const sezony::Sezon& s : sezony) {
        zestaw->append(liczba(s));
    }
    return zestaw;
}

QLineSeries* Linia(const QString& nazwa, const QColor& kolor,
                   const std::vector<sezony::Sezon>& sezony, const Liczba& liczba) {
    auto* linia = new QLineSeries;
    linia->setName(nazwa);
    linia->setColor(kolor);
    linia->setPointsVisible(true);
    for (size_t i = 0; i < sezony.size(); ++i) {
        linia->append(static_cast<qreal>(i), liczba(sezony[i]));
    }
    return linia;
}

// A chart of `serie` over the seasons (across) and the numbers (up).
QChart* NowyWykres(const QString& tytul, const std::vector<QAbstractSeries*>& serie,
                   QBarCategoryAxis* osX, QValueAxis* osY) {
    auto* wykres = new QChart;
    wykres->setTitle(tytul);
    wykres->setAnimationOptions(QChart::NoAnimation);
    wykres->legend()->setAlignment(Qt::AlignBottom);
    wykres->addAxis(osX, Qt::AlignBottom);
    wykres->addAxis(osY, Qt::AlignLeft);
    for (QAbstractSeries* seria : serie) {
        wykres->addSeries(seria);
        seria->attachAxis(osX);
        seria->attachAxis(osY);
    }
    if (osX->categories().isEmpty()) {
        wykresy::BrakMeczow(wykres);
    } else {
        wykresy::NazwySezonow(wykres, osX, serie.front());
    }
    return wykres;
}

QString TekstLiczby(const QString& nazwa, const QString& sezon, qreal liczba) {
    return QStringLiteral("%1 (%2): %3").arg(nazwa, sezon).arg(liczba);
}

}  // namespace

frmWykresySezonow::frmWykresySezonow(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::frmWykresySezonow>()) {
    ui->setupUi(this);
    const std::array<QWidget*, 3> zakladki = {ui->tabWyniki, ui->tabBramki, ui->tabMecze};
    const std::array<const char*, 3> nazwy = {"chtWyniki", "chtBramki", "chtMecze"};
    for (size_t i = 0; i < chtWykres.size(); ++i) {
        // Many seasons make the chart wider than the window: it scrolls sideways.
        auto* przewijanie = new QScrollArea(zakladki[i]);
        przewijanie->setWidgetResizable(true);
        przewijanie->setFrameShape(QFrame::NoFrame);
        przewijanie->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        auto* widok = new QChartView;
        widok->setObjectName(QLatin1String(nazwy[i]));
        widok->setRenderHint(QPainter::Antialiasing);
        widok->setMinimumSize(ui::twips(10800, this), ui::twips(6600, this));
        przewijanie->setWidget(widok);
        przewijanie->setMinimumSize(
            widok->minimumWidth(),
            widok->minimumHeight() + przewijanie->style()->pixelMetric(QStyle::PM_ScrollBarExtent,
                                                                       nullptr, przewijanie));
        zakladki[i]->layout()->setContentsMargins(0, 0, 0, 0);
        zakladki[i]->layout()->addWidget(przewijanie);
        chtWykres[i] = widok;
    }
    connect(ui->cmdZapisz, &QPushButton::clicked, this, &frmWykresySezonow::cmdZapisz_Click);

    wybor = std::make_unique<WyborMeczow>(
        this, ui->lstRozgr, std::array{ui->chkOpcja_0, ui->chkOpcja_1, ui->chkOpcja_2},
        [this] { WypelnijWykresy(); });
    if (wybor->Wczytaj()) {
        WypelnijWykresy();
    }
}

frmWykresySezonow::~frmWykresySezonow() = default;

void frmWykresySezonow::WypelnijWykresy() {
    try {
        ui::Hourglass klepsydra;
        m_sezony = sezony::Sezony(Mirvola::SciezkaBazy(), wybor->filtr());
    } catch (const engine::Error& e) {
        // The charts keep what they showed.
        ui::pokazBlad(this, e);
        return;
    }
    const auto& s = m_sezony;
    const Liczba zwyciestwa = [](const sezony::Sezon& x) { return x.zwyciestwa; };
    const Liczba remisy = [](const sezony::Sezon& x) { return x.remisy; };
    const Liczba porazki = [](const sezony::Sezon& x) { return x.porazki; };
    const Liczba wyniki = [](const sezony::Sezon& x) {
        return x.zwyciestwa + x.remisy + x.porazki;
    };
    const Liczba strzelone = [](const sezony::Sezon& x) { return x.strzelone; };
    const Liczba stracone = [](const sezony::Sezon& x) { return x.stracone; };
    const Liczba mecze = [](const sezony::Sezon& x) { return x.mecze; };

    auto* slupkiWynikow = new QStackedBarSeries;
    slupkiWynikow->append(Slupki(QStringLiteral("Zwycięstwa"), kKolorZwyciestw, s, zwyciestwa));
    slupkiWynikow->append(Slupki(QStringLiteral("Remisy"), kKolorRemisow, s, remisy));
    slupkiWynikow->append(Slupki(QStringLiteral("Porażki"), kKolorPorazek, s, porazki));
    const std::array<QLineSeries*, 2> linieBramek = {
        Linia(QStringLiteral("Bramki zdobyte"), kKolorZwyciestw, s, strzelone),
        Linia(QStringLiteral("Bramki stracone"), kKolorPorazek, s, stracone)};
    auto* slupkiMeczow = new QBarSeries;
    slupkiMeczow->append(Slupki(QStringLiteral("Mecze"), kKolorMeczow, s, mecze));

    const int najwiecejBramek = std::max(Najwiecej(s, strzelone), Najwiecej(s, stracone));
    const std::array<QChart*, 3> wykresy = {
        NowyWykres(QStringLiteral("Zwycięstwa, remisy i porażki w sezonach"), {slupkiWynikow},
                   OsSezonow(s), OsLiczb(QStringLiteral("Liczba meczów"), Najwiecej(s, wyniki))),
        NowyWykres(
            QStringLiteral("Bramki zdobyte i stracone w sezonach"),
            {linieBramek[0], linieBramek[1]}, OsSezonow(s),
            // Room above the highest point for the numbers of both lines.
            OsLiczb(QStringLiteral("Liczba bramek"), najwiecejBramek + Zapas(najwiecejBramek))),
        NowyWykres(QStringLiteral("Mecze w sezonach"), {slupkiMeczow}, OsSezonow(s),
                   OsLiczb(QStringLiteral("Liczba meczów"), Najwiecej(s, mecze))),
    };

    for (QAbstractBarSeries* slupki : {static_cast<QAbstractBarSeries*>(slupkiWynikow),
                                       static_cast<QAbstractBarSeries*>(slupkiMeczow)}) {
        QChartView* widok = chtWykres[slupki == slupkiMeczow ? kMecze : kWyniki];
        connect(slupki, &QAbstractBarSeries::hovered, this,
                [this, widok](bool status, int index, QBarSet* zestaw) {
                    PokazLiczbe(
                        widok, status,
                        TekstLiczby(zestaw->label(), m_sezony[static_cast<size_t>(index)].sezon,
                                    zestaw->at(index)));
                });
    }
    for (QLineSeries* linia : linieBramek) {
        connect(
            linia, &QLineSeries::hovered, this, [this, linia](const QPointF& punkt, bool status) {
                const qsizetype i = std::clamp<qsizetype>(qRound(punkt.x()), 0, linia->count() - 1);
                PokazLiczbe(chtWykres[kBramki], status,
                            TekstLiczby(linia->name(), m_sezony[static_cast<size_t>(i)].sezon,
                                        linia->at(i).y()));
            });
    }

    wykresy::LiczbyNadPunktami(wykresy[kBramki], {linieBramek[0], linieBramek[1]});
    QStringList nazwy;
    for (const sezony::Sezon& sezon : s) {
        nazwy << sezon.sezon;
    }
    const int szerokosc = wykresy::SzerokoscWykresu(
        static_cast<int>(s.size()),
        wykresy::MiejsceNaSezon(chtWykres[kBramki], nazwy, najwiecejBramek));
    for (size_t i = 0; i < chtWykres.size(); ++i) {
        // The view releases its old chart without deleting it.
        std::unique_ptr<QChart> stary(chtWykres[i]->chart());
        chtWykres[i]->setChart(wykresy[i]);
        chtWykres[i]->setMinimumWidth(std::max(ui::twips(10800, this), szerokosc));
    }
}

void frmWykresySezonow::PokazLiczbe(QChartView* wykres, bool widoczna, const QString& tekst) {
    wykres->setToolTip(widoczna ? tekst : QString());
    if (widoczna) {
        QToolTip::showText(QCursor::pos(), tekst, wykres);
    } else {
        QToolTip::hideText();
    }
}

void frmWykresySezonow::cmdZapisz_Click() {
    const int biezacy = ui->tabWykresy->currentIndex();
    // The folder of the last picture; the first time the pictures' folder.
    QString katalog = ui::zapamietanyKatalog(kKluczKatalogu);
    if (!QSettings().contains(kKluczKatalogu)) {
        const QString obrazy = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
        katalog = !obrazy.isEmpty() && QDir(obrazy).exists() ? obrazy : QDir::homePath();
    }
    const ui::FileRequest prosba{ui::FileMode::Save, QStringLiteral("Zapisz obraz"), katalog,
                                 QLatin1String(kNazwyPlikow[static_cast<size_t>(biezacy)]),
                                 QStringLiteral("Obrazy PNG (*.png)")};
    const std::optional<QString> plik = ui::fileDialog(this, prosba);
    if (!plik) {
        return;
    }
    const QPixmap obraz = chtWykres[static_cast<size_t>(biezacy)]->grab();
    // Written beside the chosen name and renamed over it: a failed save leaves an existing
    // picture as it was.
    QSaveFile zapis(*plik);
    ui::zapamietajKatalog(kKluczKatalogu, QFileInfo(*plik).absolutePath());
    if (!zapis.open(QIODevice::WriteOnly) || !obraz.save(&zapis, "PNG") || !zapis.commit()) {
        ui::messageBox(this, ui::tytul::kBlad,
                       QStringLiteral("Nie udało się zapisać obrazu w pliku ") +
                           QDir::toNativeSeparators(*plik) + QStringLiteral(".\n") +
                           zapis.errorString(),
                       ui::Buttons::Ok, ui::Icon::Critical);
    }
}
