#include "forms/Toolkit.h"

#include "data/Mirvola.h"
#include "forms/Dialogs.h"
#include "forms/Podrecznik.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLibraryInfo>
#include <QLocale>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QTranslator>
#include <QWidget>

#include <algorithm>
#include <array>

namespace ui {

Hourglass::Hourglass() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

Hourglass::~Hourglass() {
    QApplication::restoreOverrideCursor();
}

namespace {

void busyCursor(bool busy) {
    if (busy) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
}

void loadPolishTranslations() {
    const QString dir = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    for (const char* name : {"qtbase_pl", "qt_pl"}) {
        auto* translator = new QTranslator(qApp);
        if (translator->load(QString::fromLatin1(name), dir)) {
            QApplication::installTranslator(translator);
        } else {
            delete translator;
        }
    }
}

}  // namespace

void installToolkit() {
    static bool installed = false;
    if (installed) {
        return;
    }
    installed = true;
    Mirvola::UstawKursorZajetosci(&busyCursor);
    QLocale::setDefault(QLocale(QLocale::Polish, QLocale::Poland));
    loadPolishTranslations();
    Podrecznik::ZainstalujF1();
}

int twips(int tw, const QWidget* widget) {
    const QScreen* screen = widget ? widget->screen() : QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInch() : 96.0;
    return qRound(tw / 15.0 * dpi / 96.0);
}

int szerokoscKolumny(int tw, const QWidget* widget) {
    // The old font's digits were 6 pixels wide at 96 dpi.
    const double cyfry = widget->fontMetrics().horizontalAdvance(QStringLiteral("0123456789"));
    const double skala = std::max(1.0, cyfry / twips(10 * 6 * 15, widget));
    return qRound(twips(tw, widget) * skala);
}

QRect naEkranie(QRect ramka, const QWidget* widget) {
    const QScreen* screen = widget ? widget->screen() : QGuiApplication::primaryScreen();
    if (!screen) {
        return ramka;
    }
    const QRect obszar = screen->availableGeometry();
    ramka.moveLeft(
        std::max(obszar.left(), std::min(ramka.left(), obszar.right() - ramka.width() + 1)));
    ramka.moveTop(
        std::max(obszar.top(), std::min(ramka.top(), obszar.bottom() - ramka.height() + 1)));
    return ramka;
}

int szerokoscNaEkranie(const QWidget* okno, int szerokosc) {
    // What a window manager's frame takes at the sides.
    constexpr int kRamka = 16;
    const QScreen* screen = okno ? okno->screen() : QGuiApplication::primaryScreen();
    return screen ? std::min(szerokosc, screen->availableGeometry().width() - kRamka) : szerokosc;
}

void ograniczListe(QComboBox* lista) {
    lista->setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
    lista->setMaxVisibleItems(20);
}

bool nacisnietoEnter(const QEvent* event) {
    if (event->type() != QEvent::KeyPress) {
        return false;
    }
    const int klawisz = static_cast<const QKeyEvent*>(event)->key();
    return klawisz == Qt::Key_Return || klawisz == Qt::Key_Enter;
}

void sendRightArrow() {
    if (QWidget* focus = QApplication::focusWidget()) {
        QApplication::postEvent(focus,
                                new QKeyEvent(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier));
        QApplication::postEvent(focus,
                                new QKeyEvent(QEvent::KeyRelease, Qt::Key_Right, Qt::NoModifier));
    }
}

QString dataSlownie(const QDate& data) {
    return Mirvola::DataSlownie(data);
}

QString dzienTygodnia(const QDate& data) {
    static const std::array<const char*, 7> dni = {"poniedziałek", "wtorek", "środa",    "czwartek",
                                                   "piątek",       "sobota", "niedziela"};
    if (!data.isValid()) {
        return QString();
    }
    return QString::fromUtf8(dni[static_cast<size_t>(data.dayOfWeek() - 1)]);
}

QString zapamietanyKatalog(const QString& klucz) {
    const QString zapamietany = QSettings().value(klucz).toString();
    if (!zapamietany.isEmpty() && QFileInfo(zapamietany).isDir()) {
        return zapamietany;
    }
    const QString dokumenty = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(dokumenty).isDir() ? dokumenty : QDir::homePath();
}

void zapamietajKatalog(const QString& klucz, const QString& katalog) {
    QSettings().setValue(klucz, katalog);
}

QString liczbaMeczow(qint64 n) {
    const qint64 jednosci = n % 10;
    const qint64 setki = n % 100;
    if (n == 1) {
        return QStringLiteral("1 mecz");
    }
    if (jednosci >= 2 && jednosci <= 4 && (setki < 12 || setki > 14)) {
        return QStringLiteral("%1 mecze").arg(n);
    }
    return QStringLiteral("%1 meczów").arg(n);
}

QString tekstBledu(const engine::Error& e, bool niezapisane) {
    QString tekst =
        QStringLiteral("Wystąpił błąd numer %1\n%2").arg(e.number()).arg(e.description());
    if (niezapisane) {
        tekst += QStringLiteral("\n\nDane nie zostały zapisane.");
    }
    return tekst;
}

void pokazBlad(QWidget* parent, const engine::Error& e, bool niezapisane) {
    messageBox(parent, ui::tytul::kBlad, tekstBledu(e, niezapisane), Buttons::Ok, Icon::Critical);
}

bool ponowicGdyZajeta(QWidget* parent) {
    return messageBox(parent, tytul::kKomunikat,
                      QStringLiteral("Baza jest używana przez inny proces !!!"),
                      Buttons::RetryCancel, Icon::None) == Answer::Retry;
}

bool wykonajPonawiajac(QWidget* parent, const std::function<void()>& krok,
                       const std::function<void(const engine::Error&)>& naBlad) {
    for (;;) {
        try {
            krok();
            return true;
        } catch (const engine::Error& e) {
            if (e.number() != engine::err::FileInUse) {
                naBlad(e);
                return false;
            }
            if (!ponowicGdyZajeta(parent)) {
                return false;
            }
        }
    }
}

}  // namespace ui
