#include "forms/PierwszyStart.h"

#include "data/MiejsceDziennika.h"
#include "data/engine/Error.h"
#include "data/engine/FileOps.h"
#include "forms/DawnyDziennik.h"
#include "forms/Dialogs.h"
#include "forms/KopiaZapasowa.h"
#include "forms/Toolkit.h"
#include "ui_frmPierwszyStart.h"

#include <QDir>
#include <QIcon>
#include <QPushButton>

namespace {

QString natywna(const QString& sciezka) {
    return QDir::toNativeSeparators(sciezka);
}

bool UtworzNowy(QWidget* okno, const QString& cel) {
    try {
        const ui::Hourglass klepsydra;
        dziennik::KatalogNowejBazy katalog(cel);
        engine::createDatabase(cel);
        katalog.keep();
    } catch (const engine::Error& e) {
        ui::messageBox(okno, ui::tytul::kKomunikat,
                       ui::tekstBledu(e) + QStringLiteral("\n\nDziennik nie został utworzony."),
                       ui::Buttons::Ok, ui::Icon::Exclamation);
        return false;
    }
    ui::messageBox(okno, ui::tytul::kInfo,
                   QStringLiteral("Utworzono nowy, pusty dziennik w pliku\n%1").arg(natywna(cel)),
                   ui::Buttons::Ok, ui::Icon::Information);
    return true;
}

}  // namespace

frmPierwszyStart::frmPierwszyStart(QWidget* parent, const QString& cel)
    : QDialog(parent), m_ui(std::make_unique<Ui::frmPierwszyStart>()) {
    m_ui->setupUi(this);
    setObjectName(QStringLiteral("frmPierwszyStart"));
    m_ui->picIcon->setPixmap(QIcon(QStringLiteral(":/icons/mirvola.svg")).pixmap(48, 48));
    m_ui->lblOpis->setText(
        QStringLiteral("Program nie znalazł dziennika Mirvola.mdb ani w swoim katalogu, ani w "
                       "katalogu Twoich danych. Skąd wziąć dziennik?"));
    m_ui->lblNowy->setText(
        QStringLiteral("Nowy dziennik zostanie zapisany w pliku %1").arg(natywna(cel)));
    const auto wybor = [this](QPushButton* przycisk, Wybor kod) {
        connect(przycisk, &QPushButton::clicked, this, [this, kod] { done(kod); });
    };
    wybor(m_ui->cmdNowy, Nowy);
    wybor(m_ui->cmdDawny, Dawny);
    wybor(m_ui->cmdKopia, Kopia);
    connect(m_ui->cmdKoniec, &QPushButton::clicked, this, &QDialog::reject);
}

frmPierwszyStart::~frmPierwszyStart() = default;

namespace PierwszyStart {

bool Uruchom(QWidget* okno) {
    const QString cel = dziennik::MiejsceNowejBazy();
    for (;;) {
        int wybor = frmPierwszyStart::Koniec;
        {
            frmPierwszyStart pytanie(okno, cel);
            wybor = ui::showModal(&pytanie);
        }
        bool jest = false;
        switch (wybor) {
            case frmPierwszyStart::Nowy:
                jest = UtworzNowy(okno, cel);
                break;
            case frmPierwszyStart::Dawny:
                jest = DawnyDziennik::PrzeniesDoNowego(okno, cel);
                break;
            case frmPierwszyStart::Kopia:
                jest = KopiaZapasowa::PrzywrocDoNowego(okno, cel);
                break;
            default:
                return false;
        }
        if (jest) {
            return true;
        }
    }
}

}  // namespace PierwszyStart
