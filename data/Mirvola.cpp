#include "data/Mirvola.h"

#include "data/MiejsceDziennika.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <array>
#include <utility>

namespace Mirvola {

std::unique_ptr<engine::Database> dbBaza;
std::unique_ptr<engine::Recordset> rsDane;
QString strSciezka;
QString strSQL;
double dblIdMeczu = 0;
qint16 blnPoprawa = False;

namespace {

QString& katalogProgramu() {
    static QString katalog;
    return katalog;
}

BusyCursorHook& kursorZajetosci() {
    static BusyCursorHook hook = nullptr;
    return hook;
}

// The busy cursor for the lifetime of the object, restored on every path out of WykonajSQL.
class Klepsydra {
  public:
    Klepsydra() : m_hook(kursorZajetosci()) {
        if (m_hook) {
            m_hook(true);
        }
    }
    ~Klepsydra() {
        if (m_hook) {
            m_hook(false);
        }
    }
    Klepsydra(const Klepsydra&) = delete;
    Klepsydra& operator=(const Klepsydra&) = delete;

  private:
    BusyCursorHook m_hook;
};

}  // namespace

void OtworzBaze(const QString& sql) {
    rsDane.reset();
    dbBaza = engine::Database::open(SciezkaBazy());
    rsDane = dbBaza->openRecordset(sql);
}

void ZamknijBaze() {
    if (rsDane) {
        rsDane->close();
        rsDane.reset();
    }
    if (!dbBaza) {
        throw engine::Error(engine::err::ObjectNotSet,
                            QStringLiteral("Zmienna obiektowa nie jest ustawiona: baza danych nie "
                                           "jest otwarta."));
    }
    dbBaza->close();
    dbBaza.reset();
}

void WykonajSQL(const QString& sql) {
    // A connection of its own (joined to an open workspace transaction); dbBaza and rsDane of
    // the calling command stay as they are, and the cursor and connection are released even
    // when the statement fails.
    const Klepsydra klepsydra;
    const auto baza = engine::Database::open(SciezkaBazy());
    baza->execute(sql);
    baza->close();
}

void ZamknijBazeCicho() noexcept {
    rsDane.reset();
    dbBaza.reset();
}

StrazBazy::StrazBazy(const QString& sql) {
    try {
        OtworzBaze(sql);
    } catch (...) {
        ZamknijBazeCicho();
        throw;
    }
}

QString KatalogProgramu() {
    const QString& katalog = katalogProgramu();
    return katalog.isEmpty() ? QCoreApplication::applicationDirPath() : katalog;
}

QString SciezkaBazy() {
    const QString znaleziona = dziennik::ZnajdzBaze();
    return znaleziona.isEmpty() ? dziennik::BazaObokProgramu() : znaleziona;
}

QString SciezkaKopiiBazy() {
    return QFileInfo(SciezkaBazy()).absolutePath() + QStringLiteral("/KopiaMirvola.mdb");
}

void UstawKatalogProgramu(const QString& katalog) {
    QString bezSeparatora = katalog;
    while (bezSeparatora.size() > 1 && bezSeparatora.endsWith(u'/')) {
        bezSeparatora.chop(1);
    }
    katalogProgramu() = bezSeparatora;
}

BusyCursorHook UstawKursorZajetosci(BusyCursorHook hook) {
    return std::exchange(kursorZajetosci(), hook);
}

QString TekstSQL(const QString& tekst) {
    return u'\'' + PodwojApostrofy(tekst) + u'\'';
}

QString PodwojApostrofy(const QString& tekst) {
    QString wynik = tekst;
    return wynik.replace(u'\'', QStringLiteral("''"));
}

QString DataSlownie(const QDate& data) {
    static const std::array<const char*, 12> miesiace = {
        "stycznia", "lutego",   "marca",    "kwietnia",     "maja",      "czerwca",
        "lipca",    "sierpnia", "września", "października", "listopada", "grudnia"};
    if (!data.isValid()) {
        return QString();
    }
    return QStringLiteral("%1 %2 %3")
        .arg(data.day())
        .arg(QString::fromUtf8(miesiace[static_cast<size_t>(data.month() - 1)]))
        .arg(data.year());
}

}  // namespace Mirvola
