#include "forms/frmAbout.h"

#include "data/Mirvola.h"
#include "data/Wersja.h"
#include "forms/Dialogs.h"
#include "ui_frmAbout.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QProcess>
#include <QStandardPaths>

namespace {

const QString kAdresKibicow = QStringLiteral("www.ultras-mirvola.pl");

QString tytulAplikacji() {
    const QString nazwa = QApplication::applicationName();
    return nazwa.isEmpty() ? QStringLiteral("Mirvola") : nazwa;
}

}  // namespace

frmAbout::frmAbout(QWidget* parent) : QDialog(parent), m_ui(std::make_unique<Ui::frmAbout>()) {
    m_ui->setupUi(this);
    setObjectName(QStringLiteral("frmAbout"));

    const QString tytul = tytulAplikacji();
    setWindowTitle(QStringLiteral("O programie ") + tytul);
    m_ui->picIcon->setPixmap(QIcon(QStringLiteral(":/icons/mirvola.svg")).pixmap(64, 64));
    m_ui->lblTitle->setText(tytul);
    m_ui->lblVersion->setText(QStringLiteral("Wersja ") + wersja::Tekst());
    m_ui->lblDescription->setText(
        QStringLiteral("Program przeznaczony dla fanatyków najwspanialszego ") +
        QStringLiteral("klubu piłkarskiego na świecie - Mirvoli Wendrow!!! ") +
        QStringLiteral("Jeżeli program Ci się spodobał, możesz wpłacić kilka ") +
        QStringLiteral("złotych na akcje Ultras prowadzone przez kibiców Mirvoli ") +
        QStringLiteral("Wendrow. Więcej informacji uzyskasz pod adresem ") + kAdresKibicow);
    m_ui->lblDisclaimer->setText(
        QStringLiteral("Autorem programu jest Marek Wendrowski; uwagi i propozycje prosimy "
                       "przesyłać na adres marek.wendrowski@ultras-mirvola.pl."));
    // Which diary this copy of the program works on, for a user with more than one.
    m_ui->lblDziennik->setText(QStringLiteral("Dziennik: ") +
                               QDir::toNativeSeparators(Mirvola::SciezkaBazy()));

    // OK is the default and the cancel button: Enter and Esc both press it.
    connect(m_ui->cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_ui->cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);
}

frmAbout::~frmAbout() = default;

QStringList frmAbout::narzedziaSysInfo() {
    return {QStringLiteral("kinfocenter"),       QStringLiteral("hardinfo"),
            QStringLiteral("hardinfo2"),         QStringLiteral("gnome-system-monitor"),
            QStringLiteral("xfce4-taskmanager"), QStringLiteral("lxtask")};
}

QString frmAbout::ZnajdzSysInfo(const QStringList& narzedzia, const QStringList& katalogi) {
    for (const QString& narzedzie : narzedzia) {
        const QString sciezka = QStandardPaths::findExecutable(narzedzie, katalogi);
        if (!sciezka.isEmpty()) {
            return sciezka;
        }
    }
    return QString();
}

void frmAbout::cmdSysInfo_Click() {
    StartSysInfo();
}

void frmAbout::StartSysInfo() {
    const QString sciezka = ZnajdzSysInfo(narzedziaSysInfo());
    if (!sciezka.isEmpty() && QProcess::startDetached(sciezka, {})) {
        return;
    }
    ui::messageBox(this, tytulAplikacji(),
                   QStringLiteral("System Information Is Unavailable At This Time"),
                   ui::Buttons::Ok, ui::Icon::None);
}
