#include "forms/frmBramkiPilkarza.h"

#include "data/Mirvola.h"
#include "forms/ListExport.h"
#include "forms/ListRows.h"
#include "forms/Toolkit.h"
#include "forms/frmStatystykiMecze.h"
#include "ui_frmBramkiPilkarza.h"

#include <QHeaderView>
#include <QStyle>
#include <QTreeWidget>

#include <algorithm>
#include <array>

namespace {

enum Kolumna { kId, kSezon, kData, kMecz, kBramkaDla, kWynik, kMinuta, kJak, kRozgrywki };

// Design widths of the columns after the hidden id, in twips.
constexpr std::array<int, 8> kSzerokosci = {900, 1050, 3350, 1755, 700, 700, 1025, 1600};
constexpr int kSzerokoscMeczuZPaskiem = 3100;
constexpr int kWierszeBezPaska = 17;

const QString kZapytanie = QStringLiteral(
    "SELECT Gracze.Id_gracza, Sezony.Sezon, Mecze.Data, IIf(Mecze.Gdzie='W', Kluby.Druzyna & ' - "
    "Mirvola Wendrow', 'Mirvola Wendrow - ' & Kluby.Druzyna) AS Para, IIf((Bramki.Czy_Mirvola), "
    "'Mirvola Wendrow' , Kluby.Druzyna) AS BramkaDla, Mecze.Wyn1 & ':' & Mecze.Wyn2 AS Wynik, "
    "Bramki.Minuta, Jak.Jak, Rozgrywki.Nazwa FROM Sezony RIGHT JOIN (Rozgrywki RIGHT JOIN ((Kluby "
    "RIGHT JOIN Mecze ON Kluby.Id_klubu = Mecze.Id_klubu) RIGHT JOIN (Jak RIGHT JOIN (Gracze LEFT "
    "JOIN Bramki ON Gracze.Id_gracza = Bramki.Id_gracza) ON Jak.Id_jak = Bramki.Id_jak) ON "
    "Mecze.Id_meczu = Bramki.Id_meczu) ON Rozgrywki.Id_rozgrywki = Mecze.Id_rozgrywki) ON "
    "Sezony.Id_sezonu = Mecze.Id_sezonu WHERE (Gracze.Id_gracza = ");

QString tekst(const QVariant& v) {
    return v.isNull() ? QString() : v.toString();
}

}  // namespace

QString frmBramkiPilkarza::Zapytanie(const QString& id, const QString& strRozgrywki,
                                     const QString& strGdzie, const QString& strWarunek) {
    return kZapytanie + id + QStringLiteral(" AND Mecze.Id_rozgrywki ") + QStringLiteral("In ") +
           strRozgrywki + QStringLiteral(" AND Mecze.Gdzie In ") + strGdzie + strWarunek +
           QStringLiteral(") ") +
           QStringLiteral("ORDER BY Sezony.Sezon, Mecze.Data, Bramki.Minuta");
}

frmBramkiPilkarza::frmBramkiPilkarza(QWidget* parent, double idGracza, const QString& strRozgrywki,
                                     const QString& strGdzie, const QString& strWarunek)
    : QDialog(parent), ui(std::make_unique<Ui::frmBramkiPilkarza>()) {
    ui->setupUi(this);

    QTreeWidget* lista = ui->lstBramki;
    lista->setColumnWidth(kId, 0);
    lista->setColumnHidden(kId, true);
    for (int k = kSezon; k <= kRozgrywki; ++k) {
        lista->setColumnWidth(k,
                              ui::szerokoscKolumny(kSzerokosci[static_cast<size_t>(k - 1)], lista));
        if (k != kMecz) {
            lista->headerItem()->setTextAlignment(k, Qt::AlignCenter);
        }
    }
    // The sorter widens a column to its caption and arrow: before the list takes its width.
    sortowanie = std::make_unique<ui::ListSorter>(lista);
    // The design width was made for a smaller font than today's; a date must stay readable.
    lista->setColumnWidth(
        kData, std::max(lista->columnWidth(kData),
                        lista->fontMetrics().horizontalAdvance(QStringLiteral("0000-00-00")) + 12));
    statystyki::UstawRozmiarListy(lista, kWierszeBezPaska);
    // At least those rows; a taller window shows more goals.
    lista->setMinimumHeight(lista->height());
    lista->setMaximumHeight(QWIDGETSIZE_MAX);
    ui::dodajEksportCsv(lista, QStringLiteral("bramki-pilkarza"));
    ui::followKeyboardRow(lista);
    connect(lista->header(), &QHeaderView::sectionClicked, this,
            [this](int kolumna) { sortowanie->headerClicked(kolumna, intKolumna); });

    Wczytaj(QString::number(idGracza, 'f', 0), strRozgrywki, strGdzie, strWarunek);
}

frmBramkiPilkarza::~frmBramkiPilkarza() = default;

void frmBramkiPilkarza::Wczytaj(const QString& id, const QString& strRozgrywki,
                                const QString& strGdzie, const QString& strWarunek) {
    try {
        ui::Hourglass klepsydra;
        Mirvola::strSQL =
            QStringLiteral(
                "SELECT Trim(IIf(IsNull(Nazwisko), Przydomek, Imie & ' ' & Nazwisko & "
                "IIf(IsNull(Przydomek), '', ' ' & Przydomek))) AS Zawodnik FROM "
                "Gracze WHERE Id_gracza = ") +
            id;
        {
            Mirvola::StrazBazy baza(Mirvola::strSQL);
            const QString zawodnik =
                Mirvola::rsDane->eof() ? QString()
                                       : tekst(Mirvola::rsDane->value(QStringLiteral("Zawodnik")));
            setWindowTitle(QStringLiteral("Bramki piłkarza - ") + zawodnik);
        }

        Mirvola::strSQL = Zapytanie(id, strRozgrywki, strGdzie, strWarunek);
        Mirvola::StrazBazy baza(Mirvola::strSQL);
        QTreeWidget* lista = ui->lstBramki;
        lista->clear();
        for (engine::Recordset& rs = *Mirvola::rsDane; !rs.eof(); rs.moveNext()) {
            auto* item = new ui::SortableItem(lista);
            item->setText(kId, tekst(rs.value(QStringLiteral("Id_gracza"))));
            item->setText(kSezon, tekst(rs.value(QStringLiteral("Sezon"))));
            item->setText(
                kData,
                rs.value(QStringLiteral("Data")).toDate().toString(QStringLiteral("yyyy-MM-dd")));
            item->setText(kMecz, tekst(rs.value(QStringLiteral("Para"))));
            item->setText(kBramkaDla, tekst(rs.value(QStringLiteral("BramkaDla"))));
            item->setText(kWynik, tekst(rs.value(QStringLiteral("Wynik"))));
            const QVariant minuta = rs.value(QStringLiteral("Minuta"));
            if (minuta.isNull()) {
                // Sorts before minute 1.
                ui::setNumber(item, kMinuta, QString(), -1);
            } else {
                const qlonglong m = minuta.toLongLong();
                ui::setNumber(
                    item, kMinuta,
                    m < 10 ? QStringLiteral(" ") + QString::number(m) : QString::number(m),
                    static_cast<double>(m));
            }
            item->setText(kJak, tekst(rs.value(QStringLiteral("Jak"))));
            item->setText(kRozgrywki, tekst(rs.value(QStringLiteral("Nazwa"))));
            for (int k = kSezon; k <= kRozgrywki; ++k) {
                if (k != kMecz) {
                    item->setTextAlignment(k, Qt::AlignCenter);
                }
            }
        }
        if (lista->topLevelItemCount() > kWierszeBezPaska) {
            lista->setColumnWidth(kMecz, ui::szerokoscKolumny(kSzerokoscMeczuZPaskiem, lista));
            // The narrower column leaves less room than today's scroll bars take: the list
            // widens by the rest, so that no column is cut.
            const int pasek =
                lista->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, lista);
            lista->setFixedWidth(std::max(
                lista->width(), lista->header()->length() + pasek + 2 * lista->frameWidth() + 2));
        }
    } catch (const engine::Error& e) {
        ui::pokazBlad(this, e);
    }
    intKolumna = 0;
}
