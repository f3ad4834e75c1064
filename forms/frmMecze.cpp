#include "forms/frmMecze.h"

#include "data/Mirvola.h"
#include "data/OpisMeczu.h"
#include "forms/Toolkit.h"
#include "ui_frmMecze.h"

#include <QHeaderView>
#include <QPixmap>
#include <QPushButton>
#include <QTableWidget>

#include <algorithm>

namespace {

const QString kZapytanieMeczow = QStringLiteral(
    "SELECT Mecze.Id_meczu, Sezony.Id_sezonu, Sezony.Sezon, Mecze.Data, "
    "Mecze.Gdzie, Mecze.Id_klubu, Kluby.Druzyna, Mecze.Wyn1, Mecze.Wyn2, "
    "Rozgrywki.Id_rozgrywki, Rozgrywki.Nazwa, Mecze.Komentarz FROM "
    "Rozgrywki RIGHT JOIN (Kluby RIGHT JOIN (Mecze LEFT JOIN Sezony ON "
    "Mecze.Id_sezonu = Sezony.Id_sezonu) ON Kluby.Id_klubu = Mecze.Id_klubu) "
    "ON Rozgrywki.Id_rozgrywki = Mecze.Id_rozgrywki");

constexpr int kSzerokoscKolumny = 4025;   // twips
constexpr int kSzerokoscZPaskiem = 3700;  // twips, leaves room for the scroll bar
constexpr int kWierszeBezPaska = 15;

// A missing value shows as empty text.
QString tekst(const QVariant& v) {
    return v.isNull() ? QString() : v.toString();
}

}  // namespace

frmMecze::frmMecze(QWidget* parent, bool blnOknoGlowne, const FiltrMeczow& filtr)
    : QDialog(parent), blnOknoGlowne(blnOknoGlowne), ui(std::make_unique<Ui::frmMecze>()) {
    ui->setupUi(this);
    cmdZmiana = {ui->cmdZmiana_0, ui->cmdZmiana_1, ui->cmdZmiana_2, ui->cmdZmiana_3};
    fgrdStrzelcy = {ui->fgrdStrzelcy_0, ui->fgrdStrzelcy_1};

    const QPixmap herb(QStringLiteral(":/images/herb.svg"));
    ui->imgFoto_0->setPixmap(herb);
    ui->imgFoto_1->setPixmap(herb);

    // Fifteen rows fit; the sixteenth brings the scroll bar that the narrower column makes
    // room for.
    for (QTableWidget* siatka : fgrdStrzelcy) {
        const int wiersz = siatka->fontMetrics().height() + 6;
        siatka->verticalHeader()->setDefaultSectionSize(wiersz);
        siatka->verticalHeader()->setMinimumSectionSize(wiersz);
        siatka->setFixedSize(ui::twips(kSzerokoscKolumny, this) + 2 * siatka->frameWidth(),
                             kWierszeBezPaska * wiersz + 2 * siatka->frameWidth());
    }

    // Four buttons of one width, with room around captions that a wider font fills.
    int szerokoscPrzycisku = 0;
    for (const QPushButton* przycisk : cmdZmiana) {
        szerokoscPrzycisku = std::max(szerokoscPrzycisku, przycisk->sizeHint().width());
    }
    for (QPushButton* przycisk : cmdZmiana) {
        przycisk->setMinimumWidth(szerokoscPrzycisku + ui::twips(180, this));
    }

    for (int i = 0; i < 4; ++i) {
        connect(cmdZmiana[static_cast<size_t>(i)], &QPushButton::clicked, this,
                [this, i] { cmdZmiana_Click(i); });
    }

    Wczytaj(filtr);
}

frmMecze::~frmMecze() {
    Zamknij();
}

void frmMecze::done(int result) {
    Zamknij();
    QDialog::done(result);
}

void frmMecze::Zamknij() {
    if (rsMecze) {
        rsMecze->close();
        rsMecze.reset();
    }
    if (dbMecze) {
        dbMecze->close();
        dbMecze.reset();
    }
}

QString frmMecze::ZapytanieMeczow(const FiltrMeczow& filtr) const {
    QString sql = kZapytanieMeczow;
    if (!blnOknoGlowne && !filtr.strIdMeczow.isEmpty()) {
        sql += QStringLiteral(" WHERE Mecze.Id_meczu In ") + filtr.strIdMeczow;
    } else if (!blnOknoGlowne) {
        sql += QStringLiteral(" WHERE (Mecze.Id_rozgrywki In ") + filtr.strRozgrywki +
               QStringLiteral(" AND ") + QStringLiteral("Mecze.Gdzie In ") + filtr.strGdzie +
               QStringLiteral(" AND ") + QStringLiteral("Mecze.Id_klubu = ") +
               QString::number(Mirvola::dblIdMeczu, 'f', 0) + QStringLiteral(")");
    } else if (filtr.blnTylkoOficjalne) {
        sql += QStringLiteral(" WHERE Rozgrywki.Oficjalny = True");
    } else if (filtr.blnTylkoNieoficjalne) {
        sql += QStringLiteral(" WHERE Rozgrywki.Oficjalny = False");
    }
    return sql + QStringLiteral(" ORDER BY Sezony.Sezon, Mecze.Data");
}

void frmMecze::Wczytaj(const FiltrMeczow& filtr) {
    ui::Hourglass klepsydra;
    for (QPushButton* przycisk : cmdZmiana) {
        przycisk->setEnabled(false);
    }
    try {
        dbMecze = engine::Database::open(Mirvola::SciezkaBazy());
        rsMecze = dbMecze->openRecordset(ZapytanieMeczow(filtr));
        if (rsMecze->recordCount() == 0) {
            return;
        }
        if (blnOknoGlowne || !filtr.strIdMeczow.isEmpty()) {
            rsMecze->findFirst(QStringLiteral("Id_meczu = ") +
                               QString::number(Mirvola::dblIdMeczu, 'f', 0));
        }
        cmdZmiana[0]->setEnabled(true);
        cmdZmiana[3]->setEnabled(true);
        UstawPrzyciskiNaKoncach();
        PokazMecz();
        PokazStrzelcow();
    } catch (const engine::Error& e) {
        Zamknij();
        for (QPushButton* przycisk : cmdZmiana) {
            przycisk->setEnabled(false);
        }
        ui::pokazBlad(this, e);
    }
}

void frmMecze::UstawPrzyciskiNaKoncach() {
    const int pozycja = rsMecze->absolutePosition();
    cmdZmiana[1]->setEnabled(pozycja > 0);
    cmdZmiana[2]->setEnabled(pozycja < rsMecze->recordCount() - 1);
}

void frmMecze::cmdZmiana_Click(int index) {
    if (!rsMecze || rsMecze->recordCount() == 0) {
        return;
    }
    ui::Hourglass klepsydra;
    WyczyscSiatki();
    try {
        const int ostatni = rsMecze->recordCount() - 1;
        switch (index) {
            case 0:
                rsMecze->moveFirst();
                cmdZmiana[2]->setEnabled(ostatni > 0);
                cmdZmiana[1]->setEnabled(false);
                break;
            case 1:
                rsMecze->movePrevious();
                cmdZmiana[2]->setEnabled(true);
                if (rsMecze->absolutePosition() == 0) {
                    // The pressed button goes grey; the way on is forward.
                    cmdZmiana[2]->setFocus();
                    cmdZmiana[1]->setEnabled(false);
                }
                break;
            case 2:
                rsMecze->moveNext();
                cmdZmiana[1]->setEnabled(true);
                if (rsMecze->absolutePosition() == ostatni) {
                    cmdZmiana[1]->setFocus();
                    cmdZmiana[2]->setEnabled(false);
                }
                break;
            case 3:
                rsMecze->moveLast();
                cmdZmiana[1]->setEnabled(ostatni > 0);
                cmdZmiana[2]->setEnabled(false);
                break;
            default:
                return;
        }
        PokazMecz();
        PokazStrzelcow();
    } catch (const engine::Error& e) {
        ui::pokazBlad(this, e);
    }
}

void frmMecze::PokazMecz() {
    const QDate data = rsMecze->value(QStringLiteral("Data")).toDate();
    ui->lblNaglowek->setText(tekst(rsMecze->value(QStringLiteral("Nazwa"))) +
                             QStringLiteral(", sezon ") +
                             tekst(rsMecze->value(QStringLiteral("Sezon"))) + QStringLiteral(", ") +
                             ui::dataSlownie(data) + QStringLiteral(" (") +
                             ui::dzienTygodnia(data) + QStringLiteral(")"));

    const QString przeciwnik = tekst(rsMecze->value(QStringLiteral("Druzyna")));
    if (tekst(rsMecze->value(QStringLiteral("Gdzie"))) == QStringLiteral("W")) {
        ui->lblGosp->setText(przeciwnik);
        ui->lblGosc->setText(Mirvola::kKlubMirvola);
    } else {
        ui->lblGosp->setText(Mirvola::kKlubMirvola);
        ui->lblGosc->setText(przeciwnik);
    }
    ui->lblWynik->setText(tekst(rsMecze->value(QStringLiteral("Wyn1"))) + QStringLiteral(" - ") +
                          tekst(rsMecze->value(QStringLiteral("Wyn2"))));

    // The comment was typed in a multi-line box on Windows: CR LF between lines.
    QString komentarz = tekst(rsMecze->value(QStringLiteral("Komentarz")));
    komentarz.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    ui->txtKomentarz->setPlainText(komentarz);

    ui->lblMecz->setText(QStringLiteral("Mecz %1 z %2")
                             .arg(rsMecze->absolutePosition() + 1)
                             .arg(rsMecze->recordCount()));
}

void frmMecze::WyczyscSiatki() {
    for (QTableWidget* siatka : fgrdStrzelcy) {
        siatka->setRowCount(0);
        siatka->setColumnWidth(0, ui::twips(kSzerokoscKolumny, this));
    }
}

void frmMecze::PokazStrzelcow() {
    Mirvola::strSQL = opis::ZapytanieBramekMeczu(tekst(rsMecze->value(QStringLiteral("Id_meczu"))));
    WyczyscSiatki();
    {
        Mirvola::StrazBazy baza(Mirvola::strSQL);
        engine::Recordset& rs = *Mirvola::rsDane;

        // The goals are numbered host's first; the first change of side starts the guest's.
        const bool goscToMirvola = ui->lblGosc->text() == Mirvola::kKlubMirvola;
        int strona = 0;
        bool poprzedniDlaMirvoli = false;
        for (bool pierwszy = true; !rs.eof(); rs.moveNext(), pierwszy = false) {
            const opis::Bramka bramka = opis::CzytajBramke(rs);
            const bool dlaMirvoli = bramka.dlaMirvoli;
            if (pierwszy) {
                strona = dlaMirvoli == goscToMirvola ? 1 : 0;
            } else if (dlaMirvoli != poprzedniDlaMirvoli) {
                strona = 1;
            }
            poprzedniDlaMirvoli = dlaMirvoli;

            QTableWidget* siatka = fgrdStrzelcy[static_cast<size_t>(strona)];
            const int wiersz = siatka->rowCount();
            siatka->insertRow(wiersz);
            auto komorka = std::make_unique<QTableWidgetItem>(opis::LiniaBramki(bramka));
            komorka->setTextAlignment(strona == 0 ? Qt::AlignRight | Qt::AlignVCenter
                                                  : Qt::AlignLeft | Qt::AlignVCenter);
            siatka->setItem(wiersz, 0, komorka.release());
        }
    }
    for (QTableWidget* siatka : fgrdStrzelcy) {
        if (siatka->rowCount() > kWierszeBezPaska) {
            siatka->setColumnWidth(0, ui::twips(kSzerokoscZPaskiem, this));
        }
    }
}
