// The diary's place: a refused write names its cause (a read-only mount, the file's or the
// folder's permissions), a link that loops is named at the start, a file with other names is
// not replaced without the user's word, and the build files of a killed rebuild are removed at
// the next start unless a process still holds them.

#include "data/DemoDiary.h"
#include "data/Mirvola.h"
#include "data/engine/DiaryPlace.h"
#include "forms/frmMain.h"
#include "support/Diary.h"
#include "support/Operations.h"
#include "support/OtherProcess.h"
#include "support/Script.h"
#include "support/Widgets.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace testing_support;
using ui::Answer;

namespace {

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

// The operation runner as a user without special rights: nobody where the test runs as root.
QStringList runAsUser(const QString& operation, const QString& dir) {
    const RunnerExit exit = runRunner(
        {operation, dir}, ::geteuid() != 0 ? QStringList()
                                           : qs({"setpriv", "--reuid=65534", "--regid=65534",
                                                 "--clear-groups", "env", "HOME=/tmp"}));
    EXPECT_EQ(exit.exitCode, 0) << exit.errors.toStdString();
    return exit.reported();
}

void giveToUser(const QStringList& paths) {
    const uid_t uid = ::geteuid() == 0 ? 65534 : ::geteuid();
    const gid_t gid = ::geteuid() == 0 ? 65534 : ::getegid();
    for (const QString& path : paths) {
        ASSERT_EQ(::chown(QFile::encodeName(path).constData(), uid, gid), 0);
    }
}

void setMode(const QString& path, mode_t mode) {
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), mode), 0);
}

QString refused(const QString& text) {
    return u"error Wystąpił błąd numer 3027\nNie można zapisać zmian: "_s + text;
}

// A file system of its own, mounted read-only once the diary is on it; root only.
class ReadOnlyMount {
  public:
    explicit ReadOnlyMount(const QString& dir) : m_dir(dir) {
        m_mounted = QProcess::execute(u"mount"_s, {u"-t"_s, u"tmpfs"_s, u"tmpfs"_s, dir}) == 0;
    }
    bool remountReadOnly() {
        return m_mounted && QProcess::execute(u"mount"_s, {u"-o"_s, u"remount,ro"_s, m_dir}) == 0;
    }
    ~ReadOnlyMount() {
        if (m_mounted) {
            QProcess::execute(u"umount"_s, {m_dir});
        }
    }
    bool mounted() const { return m_mounted; }

  private:
    QString m_dir;
    bool m_mounted = false;
};

}  // namespace

// ---- why a write is refused -------------------------------------------------------------------

// The same refused deletion of a match, for each cause its own words.
TEST(RefusedWrite, NamesTheFileTheFolderOrTheMount) {
    if (::geteuid() == 0 && QStandardPaths::findExecutable(u"setpriv"_s).isEmpty()) {
        GTEST_SKIP() << "running as root without setpriv: no user without rights to the file";
    }
    DemoDiary d;
    giveToUser({d.dir(), d.path()});
    const QByteArray bytes = fileBytes(d.path());

    setMode(d.dir(), 0755);
    setMode(d.path(), 0444);
    EXPECT_EQ(
        runAsUser(u"usuniecie_meczu"_s, d.dir()),
        QStringList{refused(u"plik %1 jest tylko do odczytu (brak prawa zapisu do pliku)."_s.arg(
            native(d.path())))});

    setMode(d.path(), 0644);
    setMode(d.dir(), 0555);
    EXPECT_EQ(runAsUser(u"usuniecie_meczu"_s, d.dir()),
              QStringList{refused(u"katalog %1 jest tylko do odczytu (brak prawa zapisu do "
                                  "katalogu), a zapis potrzebuje w nim pliku tymczasowego."_s.arg(
                                      native(d.dir())))});
    setMode(d.dir(), 0755);
    EXPECT_EQ(fileBytes(d.path()), bytes);
}

TEST(RefusedWrite, NamesAReadOnlyMount) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "mounting a file system needs root";
    }
    QTemporaryDir root;
    const QString dir = root.path() + u"/dysk"_s;
    ASSERT_TRUE(QDir().mkpath(dir));
    ReadOnlyMount mount(dir);
    if (!mount.mounted()) {
        GTEST_SKIP() << "no file system can be mounted here";
    }
    demo::createDiary(dir + u"/Mirvola.mdb"_s);
    ASSERT_TRUE(mount.remountReadOnly());
    EXPECT_EQ(runRunner({u"usuniecie_meczu"_s, dir}).reported(),
              QStringList{refused(u"dysk, na którym leży plik %1, jest zamontowany tylko do "
                                  "odczytu."_s.arg(native(dir + u"/Mirvola.mdb"_s)))});
    EXPECT_EQ(runRunner({u"defragmentacja"_s, dir}).reported(),
              QStringList{u"error Wystąpił błąd numer 3027\nDysk, na którym leży plik '%1', jest "
                          "zamontowany tylko do odczytu, więc nie można przeprowadzić jego "
                          "defragmentacji. Plik pozostał bez zmian."_s.arg(
                              native(dir + u"/Mirvola.mdb"_s))});
}

// Mirvola.mdb -> Mirvola.mdb: not a missing diary but a link to fix.
TEST(DiaryStartPlace, ALinkThatLoopsIsNamed) {
    Diary d;
    QFile::remove(d.path());
    ASSERT_TRUE(QFile::link(u"Mirvola.mdb"_s, d.path()));
    Script s;
    s.message(notice(u"%1 jest dowiązaniem symbolicznym, które prowadzi w kółko (pętla "
                     "dowiązań), a nie do pliku dziennika !!!\nPopraw lub usuń to dowiązanie i "
                     "umieść w tym miejscu plik dziennika."_s.arg(native(d.path()))),
              Answer::Ok);
    frmMain window;
    EXPECT_TRUE(window.koniecProgramu());
}

// ---- a diary with other names ---------------------------------------------------------------

// Compaction and repair would leave the other names with the old file: the user is asked,
// No leaves both names on the one file, Yes does it. The silent compaction after deleting
// matches does not part them.
TEST(HardLinkedDiary, IsReplacedOnlyWithTheUsersWord) {
    DemoDiary d;
    const QString other = d.dir() + u"/Kopia robocza.mdb"_s;
    const QString third = d.dir() + u"/Trzecia.mdb"_s;
    ASSERT_EQ(::link(QFile::encodeName(d.path()).constData(), QFile::encodeName(other).constData()),
              0);
    ASSERT_EQ(::link(QFile::encodeName(d.path()).constData(), QFile::encodeName(third).constData()),
              0);
    const auto ask = [&](const QString& what, const QString& action) {
        return question(
            u"Plik %1 ma jeszcze 2 inne nazwy (dowiązania twarde).\n%2 zastąpi go "
            "nowym plikiem, więc pod tamtymi nazwami pozostanie dotychczasowa "
            "zawartość dziennika.\n\nCzy mimo to %3?"_s.arg(native(d.path()), what, action),
            Answer::No);
    };
    const ui::Message compaction = ask(u"Defragmentacja"_s, u"przeprowadzić defragmentację"_s);
    frmMain window;
    {
        Script s;
        s.message(question(u"Czy przeprowadzić defragmentację bazy danych?"_s), Answer::Yes);
        s.message(compaction, Answer::No);
        child<QAction>(window, "itmDefragmentacja")->trigger();
        s.message(question(u"Czy naprawić bazę danych?"_s), Answer::Yes);
        s.message(ask(u"Naprawa"_s, u"naprawić bazę danych"_s), Answer::No);
        child<QAction>(window, "itmNaprawa")->trigger();
    }
    EXPECT_EQ(statOf(d.path()).st_nlink, 3u);

    {
        Script s;
        s.message(
            question(u"Czy na pewno usunąć wszystkie mecze i strzelone bramki?"_s, Answer::No),
            Answer::Yes);
        s.message(info(u"Dane zostały usunięte."_s), Answer::Ok);
        child<QAction>(window, "sitmWszystkie")->trigger();
    }
    EXPECT_EQ(statOf(d.path()).st_nlink, 3u);
    EXPECT_EQ(countIn(other, u"SELECT count(*) FROM Mecze"_s), 0);

    const QByteArray old = fileBytes(other);
    Script s;
    s.message(question(u"Czy przeprowadzić defragmentację bazy danych?"_s), Answer::Yes);
    s.message(compaction, Answer::Yes);
    s.message(info(u"Defragmentacja zakończyła się pomyślnie."_s), Answer::Ok);
    child<QAction>(window, "itmDefragmentacja")->trigger();
    EXPECT_EQ(statOf(d.path()).st_nlink, 1u);
    EXPECT_EQ(fileBytes(other), old);
}

// ---- leftovers of a killed rebuild --------------------------------------------------------------

// A compaction killed at moments between the building of its copy and the replacement leaves
// the hidden copy (and its journal); the next start removes them.
TEST(Leftovers, OfAKilledCompactionAreRemovedAtTheNextStart) {
    QTemporaryDir work;
    DemoDiary original;
    const QString reference = work.path() + u"/wzor"_s;
    QDir().mkpath(reference);
    QFile::copy(original.path(), reference + u"/Mirvola.mdb"_s);
    const int calls = runRunner({u"defragmentacja"_s, reference}).calls();
    ASSERT_GT(calls, 4);
    int leftBehind = 0;
    for (int kill = 2; kill <= calls; kill += std::max(1, calls / 12)) {
        SCOPED_TRACE(kill);
        const QString dir = work.path() + u"/proba"_s;
        QDir(dir).removeRecursively();
        QDir().mkpath(dir);
        QFile::copy(original.path(), dir + u"/Mirvola.mdb"_s);
        ASSERT_TRUE(runRunner({u"defragmentacja"_s, dir, QString::number(kill)}).killed);
        if (filesIn(dir).size() > 1) {
            ++leftBehind;
        }
        Mirvola::UstawKatalogProgramu(dir);
        Script none;
        frmMain window;
        EXPECT_FALSE(window.koniecProgramu());
        EXPECT_EQ(filesIn(dir), qs({"Mirvola.mdb"}));
    }
    EXPECT_GT(leftBehind, 0) << "no moment left a build file behind";
    Mirvola::UstawKatalogProgramu(original.dir());
}

// A build file that another process has open or locked may be a rebuild under way: it stays.
TEST(Leftovers, AreLeftAloneWhileAProcessHoldsThem) {
    DemoDiary d;
    const QString locked = d.dir() + u"/.Mirvola.mdb.Ab12Cd"_s;
    const QString open = d.dir() + u"/.Mirvola.mdb.Xy34Zw"_s;
    const QString orphan = d.dir() + u"/.Mirvola.mdb.Qq56Rr"_s;
    for (const QString& file : {locked, open, orphan}) {
        ASSERT_TRUE(QFile::copy(d.path(), file));
    }
    QFile journal(orphan + u"-journal"_s);
    ASSERT_TRUE(journal.open(QIODevice::WriteOnly));
    journal.write("journal");
    journal.close();

    OtherProcess holder(locked);
    if (!holder.holds()) {
        GTEST_SKIP() << "no sqlite3 shell to hold the file";
    }
    QProcess reader;
    reader.setStandardInputFile(open);
    reader.start(u"sleep"_s, {u"30"_s});
    ASSERT_TRUE(reader.waitForStarted());
    {
        Script none;
        frmMain window;
        EXPECT_FALSE(window.koniecProgramu());
    }
    EXPECT_EQ(filesIn(d.dir()), qs({".Mirvola.mdb.Ab12Cd", ".Mirvola.mdb.Xy34Zw", "Mirvola.mdb"}));

    holder.release();
    reader.kill();
    reader.waitForFinished();
    EXPECT_EQ(engine::removeLeftovers(d.path()),
              qs({".Mirvola.mdb.Ab12Cd", ".Mirvola.mdb.Xy34Zw"}));
    EXPECT_EQ(filesIn(d.dir()), qs({"Mirvola.mdb"}));
}
