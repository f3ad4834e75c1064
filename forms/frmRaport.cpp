#include "forms/frmRaport.h"

#include "data/Mirvola.h"
#include "forms/Dialogs.h"
#include "forms/ListRows.h"
#include "forms/Toolkit.h"
#include "forms/frmStatystykiMecze.h"
#include "report/RaportPdf.h"
#include "ui_frmRaport.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QListWidget>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>

#include <array>

namespace {

const QString kKluczKatalogu = QStringLiteral("raport/katalog");

}  // namespace

frmRaport::frmRaport(QWidget* parent)
    : QDialog(parent),
      ui(std::make_unique<Ui::frmRaport>()),
      m_drukarka(std::make_unique<QPrinter>(QPrinter::HighResolution)) {
    ui->setupUi(this);
    raport::UstawStrone(m_drukarka.get());
    m_podglad = new QPrintPreviewWidget(m_drukarka.get(), ui->fraPodglad);
    m_podglad->setObjectName(QStringLiteral("pvwRaport"));
    m_podglad->setZoomMode(QPrintPreviewWidget::FitToWidth);
    ui->fraPodglad->layout()->addWidget(m_podglad);
    connect(m_podglad, &QPrintPreviewWidget::paintRequested, this,
            [this](QPrinter* drukarka) { raport::Rysuj(m_raport, drukarka, ui::today()); });
    ui::followKeyboardRow(ui->lstRozgr);
    ui::followKeyboardRow(ui->lstSezony);

    const bool wczytane = statystyki::WczytajRozgrywki(this, ui->lstRozgr) && WczytajSezony();
    m_wczytywanie = false;
    if (wczytane) {
        Odswiez();
    }

    connect(ui->lstRozgr, &QListWidget::itemChanged, this, &frmRaport::Odswiez);
    connect(ui->lstSezony, &QListWidget::itemChanged, this, &frmRaport::Odswiez);
    connect(ui->chkWszystkieSezony, &QCheckBox::toggled, this, [this](bool wszystkie) {
        ui->lstSezony->setEnabled(!wszystkie);
        Odswiez();
    });
    for (QCheckBox* chk : {ui->chkOpcja_0, ui->chkOpcja_1, ui->chkOpcja_2, ui->chkSekcja_0,
                           ui->chkSekcja_2, ui->chkSekcja_3, ui->chkSekcja_4, ui->chkKomentarze}) {
        connect(chk, &QCheckBox::toggled, this, &frmRaport::Odswiez);
    }
    connect(ui->chkSekcja_1, &QCheckBox::toggled, this, [this](bool mecze) {
        ui->chkKomentarze->setEnabled(mecze);
        Odswiez();
    });
    connect(ui->cmdDrukuj, &QPushButton::clicked, this, &frmRaport::cmdDrukuj_Click);
    connect(ui->cmdPdf, &QPushButton::clicked, this, &frmRaport::cmdPdf_Click);
    connect(ui->cmdZamknij, &QPushButton::clicked, this, &QDialog::reject);
}

frmRaport::~frmRaport() = default;

// Every season, oldest first; the newest one checked, as the season is what gets printed most.
bool frmRaport::WczytajSezony() {
    try {
        ui::Hourglass klepsydra;
        Mirvola::strSQL = QStringLiteral("SELECT * FROM Sezony ORDER BY Sezon");
        Mirvola::StrazBazy baza(Mirvola::strSQL);
        for (engine::Recordset& rs = *Mirvola::rsDane; !rs.eof(); rs.moveNext()) {
            auto* item =
                new QListWidgetItem(rs.value(QStringLiteral("Sezon")).toString(), ui->lstSezony);
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setData(Qt::UserRole, rs.value(QStringLiteral("Id_sezonu")));
            item->setCheckState(Qt::Unchecked);
        }
    } catch (const engine::Error& e) {
        ui->lstSezony->clear();
        ui::pokazBlad(this, e);
        return false;
    }
    if (const int n = ui->lstSezony->count(); n > 0) {
        ui->lstSezony->item(n - 1)->setCheckState(Qt::Checked);
        ui->lstSezony->setCurrentRow(n - 1);
    } else {
        ui->chkWszystkieSezony->setChecked(true);
        ui->lstSezony->setEnabled(false);
    }
    return true;
}

raport::Wybor frmRaport::UstalWybor() const {
    raport::Wybor w;
    w.filtr.strRozgrywki = statystyki::UstalRozgrywki(ui->lstRozgr);
    w.filtr.strGdzie = statystyki::UstalMiejsca(ui->chkOpcja_0, ui->chkOpcja_1, ui->chkOpcja_2);
    if (!ui->chkWszystkieSezony->isChecked()) {
        QStringList id;
        for (int i = 0; i < ui->lstSezony->count(); ++i) {
            const QListWidgetItem* item = ui->lstSezony->item(i);
            if (item->checkState() == Qt::Checked) {
                id << item->data(Qt::UserRole).toString();
            }
        }
        // No season checked covers no match, as an empty choice does in the statistics.
        w.filtr.strSezony =
            id.isEmpty() ? QStringLiteral("(0)") : u'(' + id.join(QStringLiteral(", ")) + u')';
    }
    const std::array<const QCheckBox*, raport::kSekcji> sekcje = {
        ui->chkSekcja_0, ui->chkSekcja_1, ui->chkSekcja_2, ui->chkSekcja_3, ui->chkSekcja_4};
    for (size_t i = 0; i < sekcje.size(); ++i) {
        w.sekcje[i] = sekcje[i]->isChecked();
    }
    w.komentarze = w.sekcje[raport::kMecze] && ui->chkKomentarze->isChecked();
    return w;
}

void frmRaport::Odswiez() {
    if (m_wczytywanie) {
        return;
    }
    try {
        ui::Hourglass klepsydra;
        m_raport = raport::Zbierz(Mirvola::SciezkaBazy(), UstalWybor());
    } catch (const engine::Error& e) {
        // The preview keeps the report it showed.
        ui::pokazBlad(this, e);
        return;
    }
    ui::Hourglass klepsydra;
    m_podglad->updatePreview();
}

void frmRaport::cmdDrukuj_Click() {
    QPrintDialog okno(m_drukarka.get(), this);
    okno.setObjectName(QStringLiteral("dlgDrukuj"));
    okno.setWindowTitle(QStringLiteral("Drukuj raport"));
    if (ui::showModal(&okno) != QDialog::Accepted) {
        return;
    }
    ui::Hourglass klepsydra;
    raport::Rysuj(m_raport, m_drukarka.get(), ui::today());
}

void frmRaport::cmdPdf_Click() {
    const QString propozycja = QStringLiteral("Raport-") +
                               ui::today().toString(QStringLiteral("yyyy-MM-dd")) +
                               QStringLiteral(".pdf");
    const std::optional<QString> plik =
        ui::fileDialog(this, {ui::FileMode::Save, QStringLiteral("Zapisz jako PDF"),
                              ui::zapamietanyKatalog(kKluczKatalogu), propozycja,
                              QStringLiteral("Pliki PDF (*.pdf)")});
    if (!plik) {
        return;
    }
    try {
        ui::Hourglass klepsydra;
        // The save dialog has already asked before replacing a file.
        raport::ZapiszPdf(m_raport, *plik, true, ui::today());
    } catch (const raport::BladZapisu& e) {
        ui::messageBox(this, ui::tytul::kBlad, e.komunikat(), ui::Buttons::Ok, ui::Icon::Critical);
        return;
    }
    ui::zapamietajKatalog(kKluczKatalogu, QFileInfo(*plik).absolutePath());
    ui::messageBox(
        this, ui::tytul::kInfo,
        QStringLiteral("Raport został zapisany w pliku ") + QDir::toNativeSeparators(*plik) + u'.',
        ui::Buttons::Ok, ui::Icon::Information);
}
