// The diary's file as the program meets it: its rights and place through the commands that
// rebuild it, what the start-up does with damaged, foreign and hostile files, and another
// process holding the file while the program starts, saves, deletes and compacts.

#include "data/DemoDiary.h"
#include "data/Mirvola.h"
#include "forms/frmMain.h"
#include "forms/frmMecz.h"
#include "support/Diary.h"
#include "support/Operations.h"
#include "support/OtherProcess.h"
#include "support/Script.h"
#include "support/Widgets.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace testing_support;
using ui::Answer;

namespace {

// The diary's owner: another user where the test runs as root.
const uid_t kUid = ::geteuid() == 0 ? 65534 : ::geteuid();
const gid_t kGid = ::geteuid() == 0 ? 65534 : ::getegid();

// Another process with a write transaction open (a change not yet committed).
const char kWriting[] = "BEGIN IMMEDIATE; DELETE FROM Mecze WHERE Id_meczu = 1;";

const ui::Message kZajeta{u"Komunikat"_s, u"Baza jest używana przez inny proces !!!"_s,
                          ui::Buttons::RetryCancel, ui::Icon::None, Answer::Retry};

// The demo diary as Mirvola.mdb of a program's directory.
struct DemoDiary : Diary {
    DemoDiary() {
        QFile::remove(path());
        demo::createDiary(path());
    }
};

QString native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

qint64 countIn(const QString& path, const QString& sql) {
    return rowsOf(path, sql).at(0).at(0).toLongLong();
}

// Copies the diary of `from` into `to` while a write to it is half done: the copy has a hot
// journal, as a crash in the middle of a write leaves it.
void copyInTheMiddleOfAWrite(const QString& from, const QString& to) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(from + u"/Mirvola.mdb"_s).constData(), &db),
              SQLITE_OK);
    // A tiny cache makes SQLite write changed pages into the file before the commit.
    sqlite3_exec(db,
                 "PRAGMA cache_size = 2; BEGIN; UPDATE Mecze SET Komentarz = "
                 "hex(randomblob(200));",
                 nullptr, nullptr, nullptr);
    ASSERT_TRUE(QFileInfo::exists(from + u"/Mirvola.mdb-journal"_s));
    for (const char* name : {"/Mirvola.mdb", "/Mirvola.mdb-journal"}) {
        ASSERT_TRUE(QFile::copy(from + QLatin1String(name), to + QLatin1String(name)));
    }
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

QString damagedQuestion(const QString& path, const QString& what) {
    return u"Plik %1 jest uszkodzony: nie przeszedł sprawdzenia spójności (%2).\n\nCzy naprawić "
           "bazę danych?\nProgram przepisze do nowego pliku wszystko, co da się z niego "
           "odczytać, a uszkodzony plik zachowa obok."_s.arg(native(path), what);
}

qint64 officialMatches(const QString& path) {
    return countIn(path,
                   u"SELECT count(*) FROM Mecze JOIN Rozgrywki USING (Id_rozgrywki) WHERE "
                   "Oficjalny"_s);
}

// The operation that is only the program's start (with the repair it offers).
const QString kStart = u"naprawa_przy_starcie"_s;

// The operation runner as the user of the diary: nobody where the test runs as root.
QStringList runAsUser(const QString& operation, const QString& dir) {
    const RunnerExit exit = runRunner(
        {operation, dir}, ::geteuid() != 0 ? QStringList()
                                           : qs({"setpriv", "--reuid=65534", "--regid=65534",
                                                 "--clear-groups", "env", "HOME=/tmp"}));
    EXPECT_EQ(exit.exitCode, 0) << exit.errors.toStdString();
    return exit.reported();
}

bool noOtherUser() {
    return ::geteuid() == 0 && QStandardPaths::findExecutable(u"setpriv"_s).isEmpty();
}

}  // namespace

// ---- rights and place ---------------------------------------------------------------------

// The user's own diary as he set its rights. Write-protected: deleting is refused, compaction
// is refused with a clear message and never lifts the protection. Shared with a group: it stays
// so and his through a compaction he runs. Unreadable, or write-protected in a folder he may not
// write while a write cut short waits to be undone: the start-up says so and touches nothing.
TEST(DiaryRights, TheUsersRightsAreKeptAndNamed) {
    if (noOtherUser()) {
        GTEST_SKIP() << "running as root without setpriv: no user without rights to the file";
    }
    DemoDiary d;
    for (const QString& file : {d.dir(), d.path()}) {
        ASSERT_EQ(::chown(QFile::encodeName(file).constData(), kUid, kGid), 0);
    }
    ASSERT_EQ(::chmod(QFile::encodeName(d.dir()).constData(), 0755), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(d.path()).constData(), 0444), 0);
    QByteArray bytes = fileBytes(d.path());
    EXPECT_EQ(
        runAsUser(u"usuniecie_meczu"_s, d.dir()),
        QStringList{u"error Wystąpił błąd numer 3027\nNie można zapisać zmian: plik %1 jest "
                    "tylko do odczytu (brak prawa zapisu do pliku)."_s.arg(native(d.path()))});
    EXPECT_EQ(runAsUser(u"defragmentacja"_s, d.dir()),
              QStringList{u"error Wystąpił błąd numer 3027\nPlik '%1' jest tylko do odczytu, "
                          "więc nie można przeprowadzić jego defragmentacji. Uprawnienia pliku "
                          "pozostały bez zmian; jeśli dziennik ma być zmieniany, przywróć prawo "
                          "zapisu do pliku."_s.arg(native(d.path()))});
    EXPECT_EQ(statOf(d.path()).st_mode & 07777, 0444u);
    EXPECT_EQ(fileBytes(d.path()), bytes);
    EXPECT_EQ(filesIn(d.dir()), qs({"Mirvola.mdb"}));

    ASSERT_EQ(::chmod(QFile::encodeName(d.path()).constData(), 0640), 0);
    EXPECT_EQ(runAsUser(u"defragmentacja"_s, d.dir()),
              QStringList{u"success Defragmentacja zakończyła się pomyślnie."_s});
    EXPECT_EQ(statOf(d.path()).st_mode & 07777, 0640u);
    EXPECT_EQ(statOf(d.path()).st_uid, kUid);
    EXPECT_EQ(statOf(d.path()).st_gid, kGid);

    const QString refused =
        u"error Nie można odczytać pliku %1: brak uprawnień.\nSprawdź uprawnienia do pliku i stan "
        "dysku, a potem uruchom program ponownie."_s;
    QTemporaryDir crashed;
    copyInTheMiddleOfAWrite(d.dir(), crashed.path());
    const QString copy = crashed.path() + u"/Mirvola.mdb"_s;
    ASSERT_EQ(::chmod(QFile::encodeName(copy).constData(), 0444), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(crashed.path()).constData(), 0555), 0);
    const QByteArray half = fileBytes(copy);
    const QByteArray journal = fileBytes(copy + u"-journal"_s);
    EXPECT_EQ(runAsUser(kStart, crashed.path()), QStringList{refused.arg(native(copy))});
    EXPECT_EQ(fileBytes(copy), half);
    EXPECT_EQ(fileBytes(copy + u"-journal"_s), journal);
    ASSERT_EQ(::chmod(QFile::encodeName(crashed.path()).constData(), 0755), 0);

    ASSERT_EQ(::chmod(QFile::encodeName(d.path()).constData(), 0200), 0);
    bytes = fileBytes(d.path());
    EXPECT_EQ(runAsUser(kStart, d.dir()), QStringList{refused.arg(native(d.path()))});
    EXPECT_EQ(fileBytes(d.path()), bytes);
}

// Mirvola.mdb -> ../Dokumenty/Mecze.mdb: every command that rebuilds the file rebuilds the
// target in its folder; the link stays and the changes reach the target.
TEST(DiaryPlace, ALinkedDiaryStaysLinkedThroughEveryCommand) {
    QTemporaryDir root;
    const QString documents = root.path() + u"/Dokumenty"_s;
    const QString program = root.path() + u"/Program"_s;
    ASSERT_TRUE(QDir().mkpath(documents) && QDir().mkpath(program));
    const QString target = documents + u"/Mecze.mdb"_s;
    const QString link = program + u"/Mirvola.mdb"_s;
    demo::createDiary(target);
    ASSERT_TRUE(QFile::link(u"../Dokumenty/Mecze.mdb"_s, link));
    Mirvola::UstawKatalogProgramu(program);

    const auto stillLinked = [&] {
        EXPECT_EQ(QFileInfo(link).symLinkTarget(), target);
        EXPECT_EQ(filesIn(program), qs({"Mirvola.mdb"}));
    };
    frmMain window;
    User user;
    child<QAction>(window, "itmDefragmentacja")->trigger();
    stillLinked();
    EXPECT_EQ(filesIn(documents), qs({"Mecze.mdb"}));

    // The repair from the menu keeps the damaged file beside the target and refills the list.
    damageMatches(target);
    child<QAction>(window, "itmNaprawa")->trigger();
    stillLinked();
    EXPECT_EQ(child<QTreeWidget>(window, "lstMecze")->topLevelItemCount(), officialMatches(target));
    EXPECT_EQ(filesIn(documents), qs({"Mecze.mdb", "Mecze.mdb.uszkodzona"}));

    child<QAction>(window, "itmUsunWszystko")->trigger();
    stillLinked();
    EXPECT_EQ(countIn(target, u"SELECT count(*) FROM Gracze"_s), 0);
    EXPECT_EQ(user.shown.errors, QStringList());

    // A copy left over beside the target is never moved over it.
    QFile leftOver(documents + u"/KopiaMecze.mdb"_s);
    ASSERT_TRUE(leftOver.open(QIODevice::WriteOnly));
    leftOver.close();
    const QByteArray bytes = fileBytes(target);
    child<QAction>(window, "itmDefragmentacja")->trigger();
    EXPECT_TRUE(user.shown.all.last().startsWith(u"Komunikat | Wystąpił błąd numer 3204\n"_s))
        << user.shown.all.last().toStdString();
    EXPECT_EQ(fileBytes(target), bytes);
}

// ---- the start-up --------------------------------------------------------------------------

// A damaged diary is never written without the user's word; with it, the repair says what it
// saved and what it lost, and the list shows what is left.
TEST(DiaryStart, ADamagedDiaryIsRepairedOnlyWithTheUsersWord) {
    DemoDiary d;
    const qint64 matches = countIn(d.path(), u"SELECT count(*) FROM Mecze"_s);
    damageMatches(d.path());
    const QByteArray damaged = fileBytes(d.path());
    const ui::Message ask = question(damagedQuestion(d.path(), u"uszkodzone tabele: Mecze"_s));
    {
        Script s;
        s.message(ask, Answer::No);
        frmMain window;
        EXPECT_TRUE(window.koniecProgramu());
    }
    EXPECT_EQ(fileBytes(d.path()), damaged);
    EXPECT_EQ(filesIn(d.dir()), qs({"Mirvola.mdb"}));

    QString report;
    Script s;
    s.message(ask, Answer::Yes);
    s.intercept = [&](const ui::Message& m) -> std::optional<Answer> {
        if (!m.text.startsWith(u"Baza danych została naprawiona."_s)) {
            return std::nullopt;
        }
        EXPECT_EQ(m.title, u"Komunikat"_s);
        EXPECT_EQ(m.icon, ui::Icon::Exclamation);
        report = m.text;
        return Answer::Ok;
    };
    frmMain window;
    EXPECT_FALSE(window.koniecProgramu());
    const qint64 left = countIn(d.path(), u"SELECT count(*) FROM Mecze"_s);
    EXPECT_TRUE(
        report.startsWith(u"Baza danych została naprawiona.\n\nMecze: było %1, odzyskano "
                          "%2, nie udało się odczytać %3\n"_s.arg(matches)
                              .arg(left)
                              .arg(matches - left)))
        << report.toStdString();
    EXPECT_TRUE(report.endsWith(u"Uszkodzony plik zachowano jako "_s + native(d.path()) +
                                u".uszkodzona."_s))
        << report.toStdString();
    EXPECT_EQ(fileBytes(d.path() + u".uszkodzona"_s), damaged);
    EXPECT_EQ(child<QTreeWidget>(window, "lstMecze")->topLevelItemCount(),
              officialMatches(d.path()));
}

// Files that are no diary, or no longer one this program may touch: a message saying what is
// wrong and what to do, the program ends, and not a byte changes.
TEST(DiaryStart, HostileAndForeignFilesAreNamedAndLeftUntouched) {
    DemoDiary d;
    const QByteArray demo = fileBytes(d.path());
    const QString file = native(d.path());
    const QString noDatabase =
        u"Plik %1 nie jest bazą danych programu Mirvola !!!\nNie jest to plik bazy danych albo "
        u"jego początek został zniszczony, a tego "
        "nie da się naprawić. Przywróć dziennik z kopii zapasowej."_s.arg(file);

    QByteArray newer = demo;  // user_version 2: big-endian at offset 60 of the header
    newer.replace(60, 4, QByteArray("\0\0\0\2", 4));
    QByteArray header = demo;
    header.replace(0, 100, QByteArray(100, '\x11'));

    const struct {
        const char* name;
        QByteArray bytes;
        ui::Message expected;
    } cases[] = {
        {"empty", QByteArray(),
         notice(u"Plik %1 jest pusty: nie zawiera żadnych danych.\nPrzywróć dziennik z kopii "
                "zapasowej."_s.arg(file))},
        {"no database", QByteArray(20000, 'x'), notice(noDatabase)},
        // The pages after the header still hold every row: a repair reads them.
        {"header destroyed", header,
         question(damagedQuestion(d.path(), u"uszkodzona jest struktura pliku"_s))},
        {"newer diary", newer,
         notice(u"Plik %1 zapisała nowsza wersja programu Mirvola (układ bazy danych w wersji 2, "
                "ta wersja programu zna wersje do 1).\nUżyj nowszej wersji programu; ta wersja "
                "pliku nie zmienia."_s.arg(file))},
        {"truncated", demo.left(demo.size() / 2),
         question(damagedQuestion(d.path(), u"uszkodzona jest struktura pliku"_s))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        {
            QFile out(d.path());
            ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
            out.write(c.bytes);
        }
        Script s;
        s.message(c.expected, c.expected.buttons == ui::Buttons::YesNo ? Answer::No : Answer::Ok);
        frmMain window;
        EXPECT_TRUE(window.koniecProgramu());
        s.verify();
        EXPECT_TRUE(window.close());
        EXPECT_EQ(fileBytes(d.path()), c.bytes);
        EXPECT_EQ(filesIn(d.dir()), qs({"Mirvola.mdb"}));
    }
}

// ---- another process holding the diary ---------------------------------------------------

TEST(DiaryHeld, TheStartWaitsForTheUsersRetry) {
    DemoDiary d;
    const QByteArray bytes = fileBytes(d.path());
    OtherProcess locked(d.path());
    REQUIRE_HOLD(locked);
    {
        Script s;
        s.message(kZajeta, Answer::Retry);
        s.message(kZajeta, Answer::Cancel);
        frmMain window;
        EXPECT_TRUE(window.koniecProgramu());
    }
    Script s;
    s.intercept = [&](const ui::Message& m) -> std::optional<Answer> {
        if (m.text == kZajeta.text) {
            locked.release();
        }
        return std::nullopt;
    };
    s.message(kZajeta, Answer::Retry);
    frmMain window;
    EXPECT_FALSE(window.koniecProgramu());
    EXPECT_EQ(fileBytes(d.path()), bytes);
    EXPECT_EQ(child<QTreeWidget>(window, "lstMecze")->topLevelItemCount(),
              officialMatches(d.path()));
}

// Saving a match: a clear message, nothing changed, the editor keeps the data, and success once
// the other process has let go. (Compaction's wait: the deletion tests of the main window.)
TEST(DiaryHeld, ASaveWaitsForTheOtherProcess) {
    DemoDiary d;
    FixedClock clock(QDate(2010, 6, 1));
    const QStringList rows = dumpDiary(d.path());
    OtherProcess writer(d.path(), kWriting);
    REQUIRE_HOLD(writer);
    Mirvola::blnPoprawa = Mirvola::True;
    Mirvola::dblIdMeczu = 2;
    frmMecz editor;
    editor.show();
    child<QPlainTextEdit>(editor, "txtKomentarz")->setPlainText(u"Po meczu"_s);
    // A writer that has not committed lets the program start on the diary as it was.
    {
        Script none;
        frmMain window;
        EXPECT_FALSE(window.koniecProgramu());
        EXPECT_EQ(child<QTreeWidget>(window, "lstMecze")->topLevelItemCount(),
                  officialMatches(d.path()));
    }
    for (const bool released : {false, true}) {
        SCOPED_TRACE(released ? "released" : "held");
        Script s;
        s.message(question(u"Czy dane są poprawne?"_s), Answer::Yes);
        s.message(released ? info(u"Dane zostały zapisane."_s)
                           : ui::Message{u"Błąd"_s,
                                         u"Wystąpił błąd numer 3356\nBaza danych jest używana "
                                         "przez inny proces.\n\nDane nie zostały zapisane."_s,
                                         ui::Buttons::Ok, ui::Icon::Critical},
                  Answer::Ok);
        child<QPushButton>(editor, "cmdOK")->click();
        EXPECT_TRUE(released || editor.isVisible()) << "the editor keeps the data for another try";
        writer.release();
        EXPECT_EQ(dumpDiary(d.path()) == rows, !released);
    }
    EXPECT_EQ(countIn(d.path(),
                      u"SELECT count(*) FROM Mecze WHERE Id_meczu = 2 AND "
                      "Komentarz = 'Po meczu'"_s),
              1);
}
