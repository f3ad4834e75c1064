#include "support/Operations.h"

#include "data/Backup.h"
#include "data/DemoDiary.h"
#include "data/Mirvola.h"
#include "data/engine/Database.h"
#include "data/engine/DiaryCheck.h"
#include "data/engine/FileOps.h"
#include "forms/frmGracz.h"
#include "forms/frmMain.h"
#include "forms/frmMecz.h"
#include "forms/frmSlowniki.h"
#include "support/Diary.h"
#include "support/Widgets.h"

#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

#include <algorithm>
#include <csignal>
#include <memory>

using namespace Qt::StringLiterals;

namespace testing_support {
namespace {

void choose(const QWidget& window, const QString& combo, const QString& text) {
    auto* box = child<QComboBox>(window, combo);
    box->setCurrentIndex(box->findText(text));
}

void click(const QWidget& window, const QString& button) {
    child<QPushButton>(window, button)->click();
}

// ---- the match editor

std::unique_ptr<frmMecz> editor(std::optional<double> match) {
    Mirvola::blnPoprawa = match ? Mirvola::True : Mirvola::False;
    Mirvola::dblIdMeczu = match.value_or(0);
    return std::make_unique<frmMecz>();
}

void goal(User& user, frmMecz& window, int side, int row, const QString& minute) {
    auto* players = child<QListWidget>(window, u"lstGracze_%1"_s.arg(side));
    players->setCurrentRow(row);
    user.type({minute});
    QTest::keyClick(players, Qt::Key_Return);
}

void newMatch(User& user, const std::function<void()>& start) {
    const auto window = editor(std::nullopt);
    choose(*window, u"cboDane_0"_s, u"2009/10"_s);
    child<QComboBox>(*window, "cboDane_1")->setCurrentIndex(0);
    choose(*window, u"cboDane_2"_s, u"Liga"_s);
    child<QDateEdit>(*window, "DTPDataMeczu")->setDate(QDate(2010, 5, 30));
    child<QRadioButton>(*window, "optWybor_0")->setChecked(true);
    choose(*window, u"cboWyn_0"_s, u"1"_s);
    choose(*window, u"cboWyn_1"_s, u"1"_s);
    goal(user, *window, 0, 0, u"10"_s);
    goal(user, *window, 1, 0, u"30"_s);
    child<QPlainTextEdit>(*window, "txtKomentarz")->setPlainText(u"Nowy mecz"_s);
    start();
    click(*window, u"cmdOK"_s);
}

void editedMatch(User&, const std::function<void()>& start) {
    const auto window = editor(1);
    child<QPlainTextEdit>(*window, "txtKomentarz")->setPlainText(u"Poprawiony komentarz"_s);
    start();
    click(*window, u"cmdOK"_s);
}

// ---- the main window

using Run = std::function<void(User&, const std::function<void()>&)>;

// A command of the main window; `prepare` readies the open window for it.
Run command(const QString& action, const std::function<void(frmMain&)>& prepare = {}) {
    return [action, prepare](User&, const std::function<void()>& start) {
        frmMain window;
        if (prepare) {
            prepare(window);
        }
        start();
        child<QAction>(window, action)->trigger();
    };
}

// The diary merged in: the starting diary with one match's score changed (a conflict) and a
// new club with a match and its goals. Made once, beside the folder of the run.
QString otherDiary() {
    const QString diary = Mirvola::SciezkaBazy();
    const QString path =
        QFileInfo(QFileInfo(diary).absolutePath()).absolutePath() + u"/dolaczany.mdb"_s;
    if (!QFile::exists(path)) {
        const QString building = path + u".tmp"_s;
        QFile::remove(building);
        QFile::copy(diary, building);
        for (const QString& sql :
             {u"UPDATE Mecze SET Wyn1 = Wyn1 + 1 WHERE Id_meczu = 2"_s,
              u"INSERT INTO Kluby (Druzyna) VALUES ('Dołączony KS')"_s,
              u"INSERT INTO Mecze (Id_sezonu, Data, Gdzie, Id_klubu, Wyn1, Wyn2, Id_rozgrywki) "
              "SELECT 1, '2010-05-29', 'W', max(Id_klubu), 1, 2, 1 FROM Kluby"_s,
              u"INSERT INTO Bramki (Id_meczu, Nr_pozycji, Czy_Mirvola, Id_gracza, Minuta, Id_jak) "
              "SELECT max(Id_meczu), 1, 0, 1, 17, 1 FROM Mecze"_s,
              u"INSERT INTO Bramki (Id_meczu, Nr_pozycji, Czy_Mirvola, Id_gracza, Minuta, Id_jak) "
              "SELECT max(Id_meczu), 2, -1, 2, 80, 1 FROM Mecze"_s}) {
            rowsOf(building, sql);
        }
        QFile::rename(building, path);
    }
    return path;
}

void merge(User& user, const std::function<void()>& start) {
    user.choose({otherDiary()});
    frmMain window;
    start();
    child<QAction>(window, u"itmDolaczMecze"_s)->trigger();
}

// A backup of the diary with one match fewer, put back through the main window's menu. The
// backup lies beside the program's folder, where no stray file of the diary is looked for.
void restore(User& user, const std::function<void()>& start) {
    const QFileInfo program(Mirvola::KatalogProgramu());
    const QString folder = program.dir().filePath(u"kopie-"_s + program.fileName());
    QDir(folder).removeRecursively();
    const QString copy = backup::createBackup(Mirvola::SciezkaBazy(), folder, QDate(2010, 6, 1));
    engine::Database::open(copy)->execute(u"DELETE FROM Mecze WHERE Id_meczu = 1"_s);
    user.choose({copy});
    frmMain window;
    start();
    child<QAction>(window, "itmPrzywrocZKopii")->trigger();
}

void repairAtStart(User&, const std::function<void()>& start) {
    start();
    frmMain window;
}

// ---- the dictionaries

enum Tab { kKluby, kGracze, kRozgrywki, kSezony, kRodzajeGoli };

// Adds (cmdDodaj), renames (cmdPopraw) or deletes (cmdUsun) an entry of a dictionary; a change
// concerns its first entry.
Operation entry(const QString& name, Tab tab, const QString& button, const QString& value = {}) {
    return {name, false, false,
            [tab, button, value](User& user, const std::function<void()>& start) {
                Mirvola::blnPoprawa = Mirvola::False;
                frmSlowniki window;
                child<QTabWidget>(window, "tstSlowniki")->setCurrentIndex(tab);
                if (button != u"cmdDodaj"_s) {
                    child<QListWidget>(window, "lstDane")->setCurrentRow(0);
                }
                if (!value.isNull()) {
                    user.type({value});
                }
                start();
                click(window, button);
            }};
}

Run player(std::optional<double> id, const QStringList& names) {
    return [id, names](User&, const std::function<void()>& start) {
        Mirvola::dblIdMeczu = id.value_or(0);
        frmGracz window(id.has_value());
        const char* const boxes[] = {"txtImie", "txtNazwisko", "txtPrzydomek"};
        for (int i = 0; i < 3; ++i) {
            child<QLineEdit>(window, QLatin1String(boxes[i]))->setText(names.value(i));
        }
        start();
        click(window, u"cmdOK"_s);
    };
}

}  // namespace

const std::vector<Operation>& operations() {
    static const std::vector<Operation> all = {
        {u"nowy_mecz"_s, false, false, newMatch},
        {u"poprawa_meczu"_s, false, false, editedMatch},
        {u"usuniecie_meczu"_s, false, false,
         command(u"sitmZaznaczony"_s,
                 [](frmMain& window) {
                     auto* list = child<QTreeWidget>(window, "lstMecze");
                     list->setCurrentItem(list->topLevelItem(0));
                 })},
        {u"usuniecie_meczow"_s, false, true, command(u"sitmWszystkie"_s)},
        entry(u"dopisanie_klubu"_s, kKluby, u"cmdDodaj"_s, u"Odra Opole"_s),
        entry(u"zmiana_klubu"_s, kKluby, u"cmdPopraw"_s, u"Zmieniony Klub"_s),
        entry(u"usuniecie_klubu"_s, kKluby, u"cmdUsun"_s),
        entry(u"dopisanie_rozgrywek"_s, kRozgrywki, u"cmdDodaj"_s, u"Puchar Ligi"_s),
        entry(u"zmiana_rozgrywek"_s, kRozgrywki, u"cmdPopraw"_s, u"Ekstraklasa"_s),
        entry(u"usuniecie_rozgrywek"_s, kRozgrywki, u"cmdUsun"_s),
        entry(u"dopisanie_sezonu"_s, kSezony, u"cmdDodaj"_s, u"2010/11"_s),
        entry(u"zmiana_sezonu"_s, kSezony, u"cmdPopraw"_s, u"1800/01"_s),
        entry(u"usuniecie_sezonu"_s, kSezony, u"cmdUsun"_s),
        entry(u"dopisanie_rodzaju_gola"_s, kRodzajeGoli, u"cmdDodaj"_s, u"przewrotka"_s),
        entry(u"zmiana_rodzaju_gola"_s, kRodzajeGoli, u"cmdPopraw"_s, u"strzał"_s),
        entry(u"usuniecie_rodzaju_gola"_s, kRodzajeGoli, u"cmdUsun"_s),
        {u"dopisanie_gracza"_s, false, false,
         player(std::nullopt, {u"Jan"_s, u"Testowy"_s, QString()})},
        {u"zmiana_gracza"_s, false, false, player(1, {u"Adam"_s, u"Zmieniony"_s, u"Nowy"_s})},
        entry(u"usuniecie_gracza"_s, kGracze, u"cmdUsun"_s),
        {u"defragmentacja"_s, false, false, command(u"itmDefragmentacja"_s)},
        {u"naprawa"_s, true, false,
         command(u"itmNaprawa"_s, [](frmMain&) { damageMatches(Mirvola::SciezkaBazy()); })},
        {u"naprawa_przy_starcie"_s, true, false, repairAtStart},
        {u"naprawa_z_notatkami"_s, true, false, repairAtStart, true},
        {u"przywrocenie_kopii"_s, false, false, restore},
        {u"usuniecie_wszystkiego"_s, false, true, command(u"itmUsunWszystko"_s)},
        {u"dolaczenie_meczow"_s, false, false, merge},
    };
    return all;
}

User::User() {
    ui::setHandler(this);
}

User::~User() {
    ui::setHandler(nullptr);
}

void User::type(const QStringList& answers) {
    m_typed.insert(m_typed.end(), answers.begin(), answers.end());
}

ui::Answer User::message(QWidget*, const ui::Message& m) {
    shown.all << m.title + u" | "_s + m.text;
    if (m.title == u"Info"_s) {
        shown.successes << m.text;
        return ui::Answer::Ok;
    }
    if (m.title == u"Pytanie"_s) {
        if (m.text.contains(u"Czy dopisać kolejn"_s)) {
            shown.successes << m.text;
            return ui::Answer::No;
        }
        return ui::Answer::Yes;
    }
    if (m.title == u"Komunikat"_s && m.text.startsWith(u"Baza danych została naprawiona."_s)) {
        shown.successes << m.text;  // a repair that lost rows
        return ui::Answer::Ok;
    }
    if (m.title == u"Błąd"_s || m.title == u"Komunikat"_s) {
        shown.errors << m.text;
        return m.buttons == ui::Buttons::RetryCancel ? ui::Answer::Cancel : ui::Answer::Ok;
    }
    return m.buttons == ui::Buttons::YesNo ? ui::Answer::Yes : ui::Answer::Ok;
}

std::optional<QString> User::input(QWidget*, const ui::Input& input) {
    shown.all << input.title + u" | "_s + input.prompt;
    if (m_typed.empty()) {
        return std::nullopt;
    }
    QString answer = m_typed.front();
    m_typed.pop_front();
    return answer;
}

void User::choose(const QStringList& paths) {
    m_chosen.insert(m_chosen.end(), paths.begin(), paths.end());
}

std::optional<QString> User::file(QWidget*, const ui::FileRequest& request) {
    shown.all << request.title;
    if (m_chosen.empty()) {
        return std::nullopt;
    }
    QString path = m_chosen.front();
    m_chosen.pop_front();
    return path;
}

int User::modal(QDialog* dialog) {
    shown.all << dialog->objectName();
    return QDialog::Rejected;
}

Originals::Originals(int scale) {
    demo::createDiary(sound, scale);
    QFile::copy(sound, damaged);
    damageMatches(damaged);
    QFile::copy(sound, extended);
    for (const QString& sql :
         {u"CREATE TABLE Notatki (Id INTEGER PRIMARY KEY, Tekst TEXT)"_s,
          u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 40) "
          "INSERT INTO Notatki (Tekst) SELECT 'notatka ' || i FROM n"_s,
          u"ALTER TABLE Mecze ADD COLUMN Widzowie INTEGER"_s,
          u"UPDATE Mecze SET Widzowie = 1000 + 7 * Id_meczu"_s}) {
        rowsOf(extended, sql);
    }
    damageMatches(extended);
    soundRows = dumpDiary(sound);
    damagedBytes = fileBytes(damaged);
    extendedBytes = fileBytes(extended);
}

const Operation* findOperation(const QString& name) {
    const auto found = std::find_if(operations().begin(), operations().end(),
                                    [&](const Operation& o) { return o.name == name; });
    return found == operations().end() ? nullptr : &*found;
}

void setOperationClock() {
    ui::setClock([] { return QDateTime(QDate(2010, 6, 1), QTime(12, 0)); });
}

void damageMatches(const QString& path) {
    // The middle leaf page of the matches: neither the first nor the last rows.
    const auto pages = rowsOf(path,
                              u"SELECT pageno FROM dbstat WHERE name = 'Mecze' AND pagetype = "
                              "'leaf' ORDER BY pageno LIMIT 1 OFFSET (SELECT count(*) / 2 FROM "
                              "dbstat WHERE name = 'Mecze' AND pagetype = 'leaf')"_s);
    const int page = pages.empty() ? 0 : pages[0].value(0).toInt();
    QFile file(path);
    if (page < 2 || !file.open(QIODevice::ReadWrite)) {
        qFatal("no page of matches to damage in %s", qPrintable(path));
    }
    // Page header and cell pointers stay; the cells themselves become noise.
    file.seek((page - 1) * qint64(4096) + 100);
    file.write(QByteArray(3000, '\x5a'));
}

QString startingDiary(const Operation& operation, const Originals& originals, const QString& dir) {
    QDir(dir).removeRecursively();
    QDir().mkpath(dir);
    const QString path = dir + u"/Mirvola.mdb"_s;
    // The menu's repair damages the diary itself, once its window is open.
    QFile::copy(operation.extended                                    ? originals.extended
                : operation.damaged && operation.name != u"naprawa"_s ? originals.damaged
                                                                      : originals.sound,
                path);
    return path;
}

Held heldRows(const Operation& operation, const Originals& originals, const QString& path,
              const QStringList& after, QString& problem) {
    if (operation.damaged && fileBytes(path) == (operation.extended ? originals.extendedBytes
                                                                    : originals.damagedBytes)) {
        return Held::Before;
    }
    if (const engine::Examination found = engine::examineDiary(path);
        found.condition != engine::Condition::Sound) {
        problem = u"the next start finds: "_s + engine::describeExamination(found);
        return Held::Neither;
    }
    if (engine::checkDatabase(path) != u"ok"_s) {
        problem = u"the integrity check fails"_s;
        return Held::Neither;
    }
    const QStringList rows = dumpDiary(path);
    if (rows == after) {
        return Held::After;
    }
    if (!operation.damaged && rows == originals.soundRows) {
        return Held::Before;
    }
    problem = u"rows lost or changed"_s;
    return Held::Neither;
}

QStringList strayFiles(const QString& dir, bool keptCopies) {
    QStringList stray;
    for (const QString& name : filesIn(dir)) {
        // A repair's report waits beside the diary until the next start shows it.
        if (name != u"Mirvola.mdb"_s &&
            !(keptCopies && (name.startsWith(u"Mirvola.mdb.uszkodzona"_s) ||
                             name.startsWith(u"Mirvola.mdb.przed-dolaczeniem"_s) ||
                             name.startsWith(u"Mirvola.mdb.przed-przywroceniem"_s) ||
                             name == u"Mirvola.mdb.raport-naprawy"_s))) {
            stray << name;
        }
    }
    return stray;
}

int RunnerExit::calls() const {
    return output.startsWith(u"calls "_s) ? output.section(u'\n', 0, 0).mid(6).toInt() : 0;
}

std::vector<int> RunnerExit::publishingCalls() const {
    std::vector<int> calls;
    for (const QString& line : output.split(u'\n')) {
        if (line.startsWith(u"publishing"_s)) {
            for (const QString& number : line.mid(10).split(u' ', Qt::SkipEmptyParts)) {
                calls.push_back(number.toInt());
            }
        }
    }
    return calls;
}

QStringList RunnerExit::reported() const {
    QStringList lines;
    for (QString line : output.split(u'\n')) {
        if (line.startsWith(u"success "_s) || line.startsWith(u"error "_s)) {
            lines << line.replace(u"\\n"_s, u"\n"_s);
        }
    }
    return lines;
}

RunnerExit runRunner(const QStringList& args, const QStringList& prefix) {
    const QString runner = qEnvironmentVariable("MIRVOLA_RUNNER");
    const QStringList command = prefix + QStringList{runner} + args;
    QProcess process;
    process.start(command.first(), command.mid(1));
    RunnerExit exit;
    if (runner.isEmpty() || !process.waitForFinished(120000)) {
        return exit;
    }
    exit.killed = process.exitStatus() == QProcess::CrashExit && process.exitCode() == SIGKILL;
    exit.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    exit.output = QString::fromUtf8(process.readAllStandardOutput());
    exit.errors = QString::fromUtf8(process.readAllStandardError());
    return exit;
}

}  // namespace testing_support
