// Two programs on one diary: a second start of the program on the same diary, a match changed
// or deleted by another process while the editor has it open, a write that meets a diary
// another process has replaced, and an exception that reaches the event loop.

#include "data/DemoDiary.h"
#include "data/Mirvola.h"
#include "data/engine/Database.h"
#include "data/engine/Error.h"
#include "data/engine/Workspace.h"
#include "forms/Aplikacja.h"
#include "forms/JedenProgram.h"
#include "forms/Toolkit.h"
#include "forms/frmMecz.h"
#include "support/Diary.h"
#include "support/Operations.h"
#include "support/Script.h"
#include "support/Tool.h"
#include "support/Widgets.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <stdexcept>

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

// ---- one program per diary

ui::Message alreadyOpen(const QString& path) {
    return notice(
        u"Dziennik %1 jest już otwarty w innym oknie programu Mirvola !!!\nProgram "
        "przełączy do tamtego okna; dwa okna na jednym dzienniku mogłyby nawzajem "
        "zastępować swoje zmiany."_s.arg(native(path)));
}

// A start of the program in a process of its own (the operation runner's "program").
class SecondStart {
  public:
    SecondStart(const QString& dir, bool hold) {
        QStringList args{u"program"_s, dir};
        if (hold) {
            args << u"hold"_s;
        }
        m_process.start(qEnvironmentVariable("MIRVOLA_RUNNER"), args);
    }
    ~SecondStart() {
        m_process.kill();
        m_process.waitForFinished();
    }
    // Its report up to the line "claimed N" (and what it showed before), waiting for it.
    QString claim() {
        while (!m_output.contains("claimed ") || !m_output.endsWith('\n')) {
            if (!m_process.waitForReadyRead(20000)) {
                break;
            }
            m_output += m_process.readAllStandardOutput();
        }
        return QString::fromUtf8(m_output);
    }
    QString finish() {
        // The first program answers the call in its event loop meanwhile.
        for (int i = 0; i < 400 && m_process.state() != QProcess::NotRunning; ++i) {
            QTest::qWait(50);
        }
        m_output += m_process.readAllStandardOutput();
        return QString::fromUtf8(m_output);
    }
    void killHard() {
        m_process.kill();  // SIGKILL: nothing of the program's own clean-up runs
        m_process.waitForFinished();
    }

  private:
    QProcess m_process;
    QByteArray m_output;
};

TEST(OneProgramPerDiary, ASecondStartIsToldAndCallsTheFirstWindow) {
    DemoDiary d;
    JedenProgram first(d.path());
    {
        Script none;
        ASSERT_TRUE(first.zajmij());
    }
    QSignalSpy called(&first, &JedenProgram::wezwano);
    SecondStart second(d.dir(), false);
    const QString out = second.finish();
    EXPECT_TRUE(out.startsWith(u"claimed 0\nshown Komunikat | "_s +
                               alreadyOpen(d.path()).text.replace(u'\n', u"\\n"_s)))
        << out.toStdString();
    EXPECT_TRUE(called.count() == 1 || called.wait(5000));

    // The same diary through a symbolic link is the same diary; another diary is free.
    QTemporaryDir other;
    ASSERT_TRUE(QFile::link(d.path(), other.path() + u"/Mirvola.mdb"_s));
    EXPECT_TRUE(SecondStart(other.path(), false).finish().startsWith(u"claimed 0\n"_s));
    QFile::remove(other.path() + u"/Mirvola.mdb"_s);
    demo::createDiary(other.path() + u"/Mirvola.mdb"_s);
    EXPECT_EQ(SecondStart(other.path(), false).finish(), u"claimed 1\n"_s);
}

// A program killed with SIGKILL leaves its lock file behind; the next start takes it over,
// while the program lives it does not.
TEST(OneProgramPerDiary, TheLockOfAKilledProgramDoesNotBlock) {
    DemoDiary d;
    SecondStart holder(d.dir(), true);
    ASSERT_EQ(holder.claim(), u"claimed 1\n"_s);
    {
        Script s;
        s.message(alreadyOpen(d.path()), Answer::Ok);
        JedenProgram refused(d.path());
        EXPECT_FALSE(refused.zajmij());
    }
    holder.killHard();
    Script none;
    JedenProgram next(d.path());
    EXPECT_TRUE(next.zajmij());
}

// ---- a match changed by another process while the editor has it open

const QString kMine = u"Moja wersja"_s;

ui::Message changedQuestion(bool deleted) {
    return {u"Pytanie"_s,
            deleted ? u"Ten mecz usunął inny program, gdy był tu otwarty do poprawy.\n\n"
                      "Tak - zamknij okno; mecz pozostanie usunięty.\n"
                      "Nie - zapisz Twoją wersję meczu ponownie.\n"
                      "Anuluj - wróć do poprawiania bez zapisywania."_s
                    : u"Ten mecz zmienił inny program, gdy był tu otwarty do poprawy.\n\n"
                      "Tak - wczytaj mecz tak, jak jest teraz zapisany (Twoje zmiany przepadną).\n"
                      "Nie - zapisz Twoją wersję meczu w miejsce tamtych zmian.\n"
                      "Anuluj - wróć do poprawiania bez zapisywania."_s,
            ui::Buttons::YesNoCancel, ui::Icon::Question, Answer::Cancel};
}

// mirvola-db, a process of its own, changes the diary.
void otherProgram(const QString& path, const QStringList& statements) {
    for (const QString& sql : statements) {
        const ToolRun run = tool({u"exec"_s, path, sql});
        ASSERT_EQ(run.status, 0) << run.err.toStdString();
    }
}

const QStringList kChange = {
    u"UPDATE Mecze SET Wyn2 = 4, Komentarz = 'Inny program' WHERE Id_meczu = 2"_s,
    u"INSERT INTO Bramki (Id_meczu, Nr_pozycji, Czy_Mirvola, Id_gracza, Minuta, Id_jak) "
    "VALUES (2, 5, True, 1, 89, 1)"_s};
const QStringList kDeletion = {u"DELETE FROM Mecze WHERE Id_meczu = 2"_s};

QStringList match2(const QString& path) {
    QStringList rows;
    for (const QStringList& row :
         rowsOf(path,
                u"SELECT 'Mecze', * FROM Mecze WHERE Id_meczu = 2 UNION ALL SELECT "
                "'Bramki', Id_meczu, Nr_pozycji, Czy_Mirvola, Id_gracza, Minuta, Id_jak, "
                "NULL, NULL, NULL FROM Bramki WHERE Id_meczu = 2 ORDER BY 1 DESC, 3"_s)) {
        rows << row.join(u'|');
    }
    return rows;
}

class Editor {
  public:
    Editor() {
        Mirvola::blnPoprawa = Mirvola::True;
        Mirvola::dblIdMeczu = 2;
        window = std::make_unique<frmMecz>();
        window->show();
        comment()->setPlainText(kMine);
    }
    QPlainTextEdit* comment() const { return child<QPlainTextEdit>(*window, "txtKomentarz"); }
    void save() const { child<QPushButton>(*window, "cmdOK")->click(); }
    std::unique_ptr<frmMecz> window;
};

// Every answer to every change: the table holds what the answer promises, and nothing is
// written without the user's word.
TEST(MatchChangedMeanwhile, EachAnswerKeepsWhatItSays) {
    FixedClock clock(QDate(2010, 6, 1));
    for (const bool deleted : {false, true}) {
        for (const Answer answer : {Answer::Yes, Answer::No, Answer::Cancel}) {
            SCOPED_TRACE(u"%1, answer %2"_s.arg(deleted ? u"deleted"_s : u"changed"_s)
                             .arg(static_cast<int>(answer))
                             .toStdString());
            DemoDiary d;
            const QStringList before = match2(d.path());
            ASSERT_EQ(before.size(), 5);
            QStringList mine = before;
            mine[0] = mine[0].section(u'|', 0, -2) + u'|' + kMine;
            Editor editor;
            otherProgram(d.path(), deleted ? kDeletion : kChange);
            const QStringList theirs = match2(d.path());

            Script s;
            s.message(question(u"Czy dane są poprawne?"_s), Answer::Yes);
            s.message(changedQuestion(deleted), answer);
            if (answer == Answer::No) {
                s.message(info(u"Dane zostały zapisane."_s), Answer::Ok);
            }
            editor.save();
            s.verify();
            switch (answer) {
                case Answer::No:
                    EXPECT_EQ(match2(d.path()), mine);
                    EXPECT_FALSE(editor.window->isVisible());
                    break;
                case Answer::Cancel:
                    EXPECT_EQ(match2(d.path()), theirs);
                    EXPECT_TRUE(editor.window->isVisible());
                    EXPECT_EQ(editor.comment()->toPlainText(), kMine);
                    break;
                default:
                    EXPECT_EQ(match2(d.path()), theirs);
                    EXPECT_EQ(editor.window->isVisible(), !deleted);
                    break;
            }
            if (!editor.window->isVisible()) {
                continue;
            }
            if (answer == Answer::Yes) {
                // The editor shows the other program's match, and saves it without a question.
                EXPECT_EQ(editor.comment()->toPlainText(), u"Inny program"_s);
                EXPECT_EQ(child<QLabel>(*editor.window, "lblWynik")->text(), u"3 - 4"_s);
                EXPECT_EQ(child<QTableWidget>(*editor.window, "fgrdStrzelcy_1")->rowCount(), 2);
                s.message(question(u"Czy dane są poprawne?"_s), Answer::Yes);
                s.message(info(u"Dane zostały zapisane."_s), Answer::Ok);
            } else {
                // Cancel wrote nothing and changed nothing: the next save asks again.
                s.message(question(u"Czy dane są poprawne?"_s), Answer::Yes);
                s.message(changedQuestion(deleted), Answer::Cancel);
            }
            editor.save();
            s.verify();
            EXPECT_EQ(match2(d.path()), theirs);
        }
    }
}

// Without another program the save is the one it always was, and a second change after a
// "keep mine" is caught as well.
TEST(MatchChangedMeanwhile, OnlyChangesOfOthersAreReported) {
    FixedClock clock(QDate(2010, 6, 1));
    DemoDiary d;
    {
        Editor editor;
        otherProgram(d.path(), {u"UPDATE Mecze SET Komentarz = 'Inny mecz' WHERE Id_meczu = 3"_s});
        Script s;
        s.message(question(u"Czy dane są poprawne?"_s), Answer::Yes);
        s.message(info(u"Dane zostały zapisane."_s), Answer::Ok);
        editor.save();
    }
    EXPECT_TRUE(match2(d.path()).first().endsWith(u'|' + kMine));

    Editor editor;
    editor.comment()->setPlainText(u"Trzecia wersja"_s);
    otherProgram(d.path(), {u"UPDATE Mecze SET Komentarz = 'Pierwsza' WHERE Id_meczu = 2"_s});
    Script s;
    s.message(question(u"Czy dane są poprawne?"_s), Answer::Yes);
    s.intercept = [&](const ui::Message& m) -> std::optional<Answer> {
        static int asked = 0;
        if (m.text != changedQuestion(false).text) {
            return std::nullopt;
        }
        // Between the answer and the write, the other program changes the match again.
        if (++asked == 1) {
            otherProgram(d.path(), {u"UPDATE Mecze SET Komentarz = 'Druga' WHERE Id_meczu = 2"_s});
            return Answer::No;
        }
        return Answer::Cancel;
    };
    editor.save();
    EXPECT_TRUE(match2(d.path()).first().endsWith(u"|Druga"_s));
}

// ---- a diary replaced by another process

// The program's connection still has the file that another process's compaction replaced: a
// write through it is the other process's doing, and a retry writes into the diary as it is.
TEST(ReplacedDiary, AWriteIsRetriedNotRefusedAsReadOnly) {
    DemoDiary d;
    const auto held = engine::Database::open(d.path());
    const RunnerExit compaction = runRunner({u"defragmentacja"_s, d.dir()});
    ASSERT_TRUE(
        compaction.reported().contains(u"success Defragmentacja zakończyła się pomyślnie."_s))
        << compaction.output.toStdString();
    try {
        held->execute(u"DELETE FROM Mecze WHERE Id_meczu = 1"_s);
        ADD_FAILURE() << "the write into the replaced file went through";
    } catch (const engine::Error& e) {
        EXPECT_EQ(e.number(), engine::err::FileInUse) << e.what();
        EXPECT_EQ(e.description(), u"Baza danych jest używana przez inny proces."_s);
    }

    Script s;
    s.message({u"Komunikat"_s, u"Baza jest używana przez inny proces !!!"_s,
               ui::Buttons::RetryCancel, ui::Icon::None, Answer::Retry},
              Answer::Retry);
    int attempts = 0;
    const bool done = ui::wykonajPonawiajac(
        nullptr,
        [&] {
            ++attempts;
            if (attempts == 1) {
                held->execute(u"DELETE FROM Mecze WHERE Id_meczu = 1"_s);
            } else {
                engine::Database::open(d.path())->execute(
                    u"DELETE FROM Mecze WHERE Id_meczu = 1"_s);
            }
        },
        [](const engine::Error& e) { ADD_FAILURE() << e.what(); });
    EXPECT_TRUE(done);
    EXPECT_EQ(rowsOf(d.path(), u"SELECT count(*) FROM Mecze WHERE Id_meczu = 1"_s)[0][0], u"0"_s);
}

// ---- exceptions that reach the event loop

// An event handler that throws in the middle of a write: the user reads what went wrong, the
// half-done change is undone, the cursor is back, and the program goes on.
TEST(UnhandledException, IsShownAndTheDiaryLeftSafe) {
    ASSERT_NE(dynamic_cast<Aplikacja*>(QCoreApplication::instance()), nullptr);
    DemoDiary d;
    const QStringList rows = dumpDiary(d.path());
    const struct {
        std::function<void()> fail;
        QString text;
    } cases[] = {
        {[] { throw engine::Error(3021, u"Brak bieżącego rekordu."_s); },
         u"Wystąpił błąd numer 3021\nBrak bieżącego rekordu."_s},
        {[] { throw std::runtime_error("vector::_M_range_check"); },
         u"Wystąpił błąd numer 51\nBłąd wewnętrzny programu: vector::_M_range_check"_s},
        {[] { throw 42; }, u"Wystąpił błąd numer 51\nBłąd wewnętrzny programu."_s},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        Script s;
        s.message({u"Błąd"_s, c.text, ui::Buttons::Ok, ui::Icon::Critical, Answer::Ok}, Answer::Ok);
        bool ran = false;
        QTimer::singleShot(0, [&] {
            ran = true;
            QApplication::setOverrideCursor(Qt::WaitCursor);
            engine::Workspace::beginTrans();
            Mirvola::WykonajSQL(u"DELETE FROM Mecze"_s);
            Mirvola::OtworzBaze(u"Kluby"_s);
            c.fail();
        });
        QTest::qWait(50);
        EXPECT_TRUE(ran);
        s.verify();
        EXPECT_FALSE(engine::Workspace::inTransaction());
        EXPECT_EQ(Mirvola::rsDane, nullptr);
        EXPECT_EQ(Mirvola::dbBaza, nullptr);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(dumpDiary(d.path()), rows);
    }
}

}  // namespace
