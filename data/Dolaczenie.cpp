#include "data/Dolaczenie.h"

#include "data/DolaczeniePlan.h"
#include "data/engine/Connection.h"
#include "data/engine/Error.h"
#include "data/engine/FileBuild.h"
#include "data/engine/FileOps.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <sqlite3.h>

#include <sys/stat.h>

#include <utility>
#include <vector>

namespace dolaczenie {
namespace {

using engine::Error;
namespace err = engine::err;

// Names of added entries the plan's line shows; more are counted only.
constexpr int kPokazaneNazwy = 5;

// ---- the files

// Copies the whole database of `from` into the file `to` through SQLite's online backup.
void kopiuj(const engine::Connection& from, const QString& to) {
    const auto cel = engine::Connection::openNew(to);
    sqlite3_backup* kopia = sqlite3_backup_init(cel->handle(), "main", from.handle(), "main");
    if (kopia == nullptr) {
        throw cel->error(sqlite3_errcode(cel->handle()));
    }
    const int krok = sqlite3_backup_step(kopia, -1);
    const int koniec = sqlite3_backup_finish(kopia);
    if (krok != SQLITE_DONE) {
        throw engine::errorFromSqlite(krok);
    }
    if (koniec != SQLITE_OK) {
        throw cel->error(koniec);
    }
}

qint64 wierszy(const Wiersze& w, const QString& tabela) {
    if (tabela == u"Kluby")
        return static_cast<qint64>(w.kluby.size());
    if (tabela == u"Rozgrywki")
        return static_cast<qint64>(w.rozgrywki.size());
    if (tabela == u"Sezony")
        return static_cast<qint64>(w.sezony.size());
    if (tabela == u"Jak")
        return static_cast<qint64>(w.jak.size());
    if (tabela == u"Gracze")
        return static_cast<qint64>(w.gracze.size());
    if (tabela == u"Mecze")
        return static_cast<qint64>(w.mecze.size());
    return static_cast<qint64>(w.bramki.size());
}

// The merged file passes the integrity check and holds the diary's rows and the added ones.
void sprawdz(const QString& path, const Wiersze& przed, const Plan& plan) {
    const QString problemy = engine::checkDatabase(path);
    if (problemy != QStringLiteral("ok")) {
        throw Error(err::Corrupt,
                    QStringLiteral("Połączony dziennik nie przeszedł sprawdzenia: ") + problemy);
    }
    const auto db = engine::Connection::open(path, engine::Connection::Mode::ReadOnly);
    // The dictionaries in the order of Plan::slowniki.
    const std::array<std::pair<QString, qint64>, 7> oczekiwane = {{
        {QStringLiteral("Kluby"), plan.slowniki[0].doDodania},
        {QStringLiteral("Gracze"), plan.slowniki[1].doDodania},
        {QStringLiteral("Rozgrywki"), plan.slowniki[2].doDodania},
        {QStringLiteral("Sezony"), plan.slowniki[3].doDodania},
        {QStringLiteral("Jak"), plan.slowniki[4].doDodania},
        {QStringLiteral("Mecze"), plan.meczeDoDodania},
        {QStringLiteral("Bramki"), plan.bramkiDoDodania},
    }};
    for (const auto& [tabela, dodane] : oczekiwane) {
        const qint64 jest = engine::files::rowCount(*db, tabela);
        if (jest != wierszy(przed, tabela) + dodane) {
            throw Error(err::Corrupt, QStringLiteral("Połączony dziennik ma %1 zamiast %2 wierszy "
                                                     "tabeli %3.")
                                          .arg(jest)
                                          .arg(wierszy(przed, tabela) + dodane)
                                          .arg(tabela));
        }
    }
}

bool tenSamPlik(const QString& a, const QString& b) {
    struct stat sa {};
    struct stat sb {};
    return ::stat(QFile::encodeName(a).constData(), &sa) == 0 &&
           ::stat(QFile::encodeName(b).constData(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

}  // namespace

bool Plan::pusty() const {
    if (meczeDoDodania > 0) {
        return false;
    }
    for (const Slownik& s : slowniki) {
        if (s.doDodania > 0) {
            return false;
        }
    }
    return true;
}

QStringList Plan::linie() const {
    QStringList l;
    l << QStringLiteral("Mecze do dodania: %1 (bramek: %2)")
             .arg(meczeDoDodania)
             .arg(bramkiDoDodania);
    l << QStringLiteral("Mecze pominięte, bo są już w dzienniku: %1").arg(meczePominiete);
    l << QStringLiteral("Mecze sprzeczne z dziennikiem, pozostawione bez zmian: %1")
             .arg(konflikty.size());
    for (const Slownik& s : slowniki) {
        QString linia = s.nazwa + QStringLiteral(" do dodania: ") + QString::number(s.doDodania);
        if (!s.dodawane.isEmpty()) {
            QStringList nazwy = s.dodawane.mid(0, kPokazaneNazwy);
            if (s.dodawane.size() > kPokazaneNazwy) {
                nazwy << QStringLiteral("...");
            }
            linia += QStringLiteral(" (") + nazwy.join(QStringLiteral(", ")) + u')';
        }
        l << linia + QStringLiteral(", już w dzienniku: ") + QString::number(s.wDzienniku);
    }
    l << QStringLiteral("Różnice oznaczeń (zostają oznaczenia z dziennika): %1")
             .arg(roznice.size());
    l << QStringLiteral("Odwołania do wierszy, których brak w dołączanym pliku (zostaną puste): %1")
             .arg(pusteOdwolania);
    if (!roznice.isEmpty()) {
        l << QStringLiteral("Różnice oznaczeń:");
        for (const QString& r : roznice) {
            l << QStringLiteral("- ") + r;
        }
    }
    if (!konflikty.isEmpty()) {
        l << QStringLiteral("Mecze sprzeczne z dziennikiem:");
        for (const QString& k : konflikty) {
            l << QStringLiteral("- ") + k;
        }
    }
    if (!obceObiekty.isEmpty()) {
        l << QStringLiteral(
            "Obiekty dołączanego pliku, których program nie tworzy (nie zostaną "
            "przeniesione):");
        for (const QString& o : obceObiekty) {
            l << QStringLiteral("- ") + o;
        }
    }
    return l;
}

Plan przygotuj(const QString& dziennik, const QString& inny) {
    const Wiersze obce = wczytajPlik(inny);
    const auto db = engine::Connection::open(dziennik, engine::Connection::Mode::ReadOnly);
    db->exec("BEGIN");
    Wiersze wlasne;
    try {
        wlasne = wczytajZPolaczenia(db->handle());
    } catch (...) {
        db->exec("ROLLBACK");
        throw;
    }
    db->exec("COMMIT");
    return Scalanie(wlasne, obce, inny).plan();
}

Wynik dolacz(const QString& dziennik, const QString& inny) {
    const Wiersze obce = wczytajPlik(inny);
    // A diary kept as a symbolic link is changed where it really lies; the link stays.
    const QString plik = engine::realFile(dziennik);
    if (!QFileInfo::exists(plik)) {
        throw Error(err::FileNotFound, QStringLiteral("Nie można odnaleźć pliku ") +
                                           engine::quotedPath(dziennik) + u'.');
    }
    engine::files::refuseReadOnly(plik, QStringLiteral("nie można dołączyć do niego meczów"));
    // The diary to itself while it is merged into: no other connection, no other process.
    engine::Connection::closeIdle(engine::Connection::canonical(plik));
    const auto obecny = engine::Connection::open(plik);
    engine::files::lockExclusively(*obecny);
    engine::files::sweepLeftovers(plik);

    engine::files::BuildFile zbudowany(plik);
    kopiuj(*obecny, zbudowany.path());
    Wynik wynik;
    Wiersze wlasne;
    {
        const auto db = engine::Connection::openNew(zbudowany.path());
        wlasne = wczytajZPolaczenia(db->handle());
        Scalanie scalanie(wlasne, obce, inny);
        wynik.plan = scalanie.plan();
        if (wynik.plan.pusty()) {
            return wynik;  // the copy goes with `zbudowany`; the diary was not touched
        }
        db->exec("BEGIN");
        scalanie.zapisz(*db);
        db->exec("COMMIT");
    }
    sprawdz(zbudowany.path(), wlasne, wynik.plan);
    // Nothing is replaced when the diary cannot be kept (err::DiskError).
    wynik.zachowany =
        engine::files::keepUnderFreeName(plik, [&](int n) { return keptName(plik, n); });
    try {
        // Replaced while the lock is still held: nobody can write into the old file meanwhile.
        zbudowany.replace(plik, engine::files::attributesOf(plik));
    } catch (const Error&) {
        // Still the diary as it was under its name: the kept name is not wanted. Once the new
        // file has the name, the kept one is all that is left of the old diary.
        if (tenSamPlik(wynik.zachowany, plik)) {
            QFile::remove(wynik.zachowany);
        }
        throw;
    }
    return wynik;
}

QString keptName(const QString& diaryPath, int n) {
    return diaryPath + QStringLiteral(".przed-dolaczeniem") +
           (n > 1 ? QString::number(n) : QString());
}

QString podsumowanie(const Wynik& wynik) {
    const Plan& p = wynik.plan;
    if (wynik.zachowany.isEmpty()) {
        return QStringLiteral(
                   "Dziennik zawiera już wszystko, co można dołączyć z pliku\n%1\n"
                   "Dziennik nie został zmieniony.")
            .arg(QFileInfo(p.plik).fileName());
    }
    QStringList dodane;
    dodane << QStringLiteral("mecze: %1").arg(p.meczeDoDodania)
           << QStringLiteral("bramki: %1").arg(p.bramkiDoDodania);
    for (const Slownik& s : p.slowniki) {
        dodane << s.nazwa.toLower() + QStringLiteral(": ") + QString::number(s.doDodania);
    }
    QString tekst = QStringLiteral(
                        "Mecze z pliku\n%1\nzostały dołączone do dziennika.\n\n"
                        "Dodano: %2.")
                        .arg(QFileInfo(p.plik).fileName(), dodane.join(QStringLiteral(", ")));
    if (p.meczePominiete > 0) {
        tekst += QStringLiteral("\nPominięto mecze, które już są w dzienniku: %1.")
                     .arg(p.meczePominiete);
    }
    if (!p.konflikty.isEmpty()) {
        tekst += QStringLiteral("\nPozostawiono bez zmian mecze sprzeczne z dziennikiem: %1.")
                     .arg(p.konflikty.size());
    }
    return tekst + QStringLiteral("\n\nDziennik sprzed dołączenia zachowano w pliku\n%1")
                       .arg(QFileInfo(wynik.zachowany).fileName());
}

}  // namespace dolaczenie
