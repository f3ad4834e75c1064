#include "data/MiejsceDziennika.h"

#include "data/Mirvola.h"
#include "data/engine/Error.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>

namespace dziennik {
namespace {

const QString kNazwaBazy = QStringLiteral("/Mirvola.mdb");

QString& katalogDanych() {
    static QString katalog;
    return katalog;
}

QString bezKoncowegoSeparatora(QString katalog) {
    while (katalog.size() > 1 && katalog.endsWith(u'/')) {
        katalog.chop(1);
    }
    return katalog;
}

bool jestPlikiem(const QString& sciezka) {
    return QFileInfo(sciezka).isFile();
}

// The folders of PATH and those under /usr are shared by many programs: a diary does not
// belong there even when the user may write into them (root, or ~/.local/bin).
bool katalogWspolny(const QString& katalog) {
    const QString kanoniczny = QFileInfo(katalog).canonicalFilePath();
    if (kanoniczny == QStringLiteral("/usr") || kanoniczny.startsWith(QStringLiteral("/usr/")) ||
        kanoniczny == QStringLiteral("/bin") || kanoniczny == QStringLiteral("/sbin")) {
        return true;
    }
    const QStringList sciezki =
        qEnvironmentVariable("PATH").split(QDir::listSeparator(), Qt::SkipEmptyParts);
    for (const QString& s : sciezki) {
        if (QFileInfo(s).canonicalFilePath() == kanoniczny) {
            return true;
        }
    }
    return false;
}

}  // namespace

QString BazaObokProgramu() {
    return Mirvola::KatalogProgramu() + kNazwaBazy;
}

QString KatalogDanych() {
    if (!katalogDanych().isEmpty()) {
        return katalogDanych();
    }
    // The folder is named after the program, whatever the organisation name that settings
    // use: ~/.local/share/Mirvola.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Mirvola");
}

QString BazaUzytkownika() {
    return KatalogDanych() + kNazwaBazy;
}

void UstawKatalogDanych(const QString& katalog) {
    katalogDanych() = bezKoncowegoSeparatora(katalog);
}

QString ZnajdzBaze() {
    for (const QString& sciezka : {BazaObokProgramu(), BazaUzytkownika()}) {
        if (jestPlikiem(sciezka)) {
            return sciezka;
        }
    }
    return QString();
}

QString DomyslnaBaza() {
    const QString znaleziona = ZnajdzBaze();
    return znaleziona.isEmpty() ? MiejsceNowejBazy() : znaleziona;
}

bool KatalogProgramuWlasny() {
    const QString katalog = Mirvola::KatalogProgramu();
    const QFileInfo info(katalog);
    return info.isDir() && info.isWritable() && !katalogWspolny(katalog);
}

QString MiejsceNowejBazy() {
    return KatalogProgramuWlasny() ? BazaObokProgramu() : BazaUzytkownika();
}

KatalogNowejBazy::KatalogNowejBazy(const QString& sciezkaBazy) {
    QString katalog = QFileInfo(sciezkaBazy).absolutePath();
    QStringList brakujace;
    while (!QFileInfo::exists(katalog)) {
        brakujace.append(katalog);
        const QString wyzej = QFileInfo(katalog).absolutePath();
        if (wyzej == katalog) {
            break;
        }
        katalog = wyzej;
    }
    // Made from the top down; remembered deepest first for the removal.
    for (auto it = brakujace.crbegin(); it != brakujace.crend(); ++it) {
        if (!QDir().mkdir(*it)) {
            usun();
            throw engine::Error(
                engine::err::CannotOpen,
                QStringLiteral("Nie można utworzyć katalogu ") + engine::quotedPath(*it) + u'.');
        }
        m_utworzone.prepend(*it);
    }
}

KatalogNowejBazy::~KatalogNowejBazy() {
    usun();
}

void KatalogNowejBazy::usun() {
    for (const QString& katalog : m_utworzone) {
        QDir().rmdir(katalog);  // only when empty
    }
}

}  // namespace dziennik
