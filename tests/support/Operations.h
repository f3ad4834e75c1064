#pragma once

#include "forms/Dialogs.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <deque>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace testing_support {

// What the program told the user while an operation ran.
struct Shown {
    QStringList successes;  // completions: "Dane zostały zapisane.", "Defragmentacja ..."
    QStringList errors;     // failures and refusals
    QStringList all;        // every box as "title | text"
};

// A user for runs whose course depends on where a fault strikes: confirms every question
// (except that of going on with a next entry), answers input boxes from a queue, closes modal
// windows, and records what was shown. The dialog seam's handler while it lives.
class User : public ui::Handler {
  public:
    User();
    ~User() override;
    User(const User&) = delete;
    User& operator=(const User&) = delete;

    // Answers for the coming input boxes, in order; an empty queue answers Cancel.
    void type(const QStringList& answers);
    // Paths for the coming file dialogs, in order; an empty queue answers Cancel.
    void choose(const QStringList& paths);

    Shown shown;

    ui::Answer message(QWidget* parent, const ui::Message& message) override;
    std::optional<QString> input(QWidget* parent, const ui::Input& input) override;
    std::optional<QString> file(QWidget* parent, const ui::FileRequest& request) override;
    int modal(QDialog* dialog) override;

  private:
    std::deque<QString> m_typed;
    std::deque<QString> m_chosen;
};

// One operation of the program, driven through its windows on the diary in the program's
// directory. `start` is called right before the command under test, once the windows it
// needs are open.
struct Operation {
    QString name;
    // The diary is damaged before the operation: its "before" is the damaged file's bytes.
    bool damaged = false;
    // A compaction follows the change; by design its failure is not reported.
    bool silentCompaction = false;
    std::function<void(User& user, const std::function<void()>& start)> run;
    // The damaged diary has a table and a column of the user's own.
    bool extended = false;
};

// Named as a test is named, the operation in a test's failure.
inline void PrintTo(const Operation& operation, std::ostream* out) {
    *out << operation.name.toStdString();
}

// Saving a new match with goals, saving an edited match, deleting one match, deleting all
// matches, every dictionary change, compaction, repair (from the menu and at start, also of a
// diary with a table and a column of the user's own), restoring a backup, deleting everything
// and merging another diary.
const std::vector<Operation>& operations();
// The operation of that name; null when there is none.
const Operation* findOperation(const QString& name);

// The date the operations run at (the match editor and the season check read the clock).
void setOperationClock();

// A demo diary of the given scale and its damaged twin, the starting points of the operations.
struct Originals {
    explicit Originals(int scale);

    QTemporaryDir dir;
    QString sound = dir.path() + QStringLiteral("/demo.mdb");
    QString damaged = dir.path() + QStringLiteral("/uszkodzona.mdb");
    // The damaged diary with the user's table Notatki and column Mecze.Widzowie.
    QString extended = dir.path() + QStringLiteral("/rozszerzona.mdb");
    QStringList soundRows;
    QByteArray damagedBytes;
    QByteArray extendedBytes;
};

// Overwrites most of one page of match rows, as a failing disk would: the diary fails the
// check and a repair loses that page's matches and their goals.
void damageMatches(const QString& path);

// Makes `dir` afresh with the diary the operation starts from as its Mirvola.mdb; returns its
// path.
QString startingDiary(const Operation& operation, const Originals& originals, const QString& dir);

// What the next start of the program finds in the diary `path` after a run of the operation:
// all the rows of before, all those of `after`, or neither (then `problem` says what is wrong).
enum class Held { Before, After, Neither };
Held heldRows(const Operation& operation, const Originals& originals, const QString& path,
              const QStringList& after, QString& problem);

// The files in `dir` besides the diary and, where `keptCopies`, the damaged files a repair
// keeps beside it with its report not yet shown, and the diary a merge keeps as it was.
QStringList strayFiles(const QString& dir, bool keptCopies);

// The operation runner (tests/helpers) in a process of its own, started through `prefix` when
// it is given (e.g. setpriv, to run as another user).
struct RunnerExit {
    bool killed = false;  // by SIGKILL
    int exitCode = -1;
    QString output;
    QString errors;  // its standard error
    int calls() const;
    // The calls that published a change of the diary (Faults::publishingCalls).
    std::vector<int> publishingCalls() const;
    // Its "success ..." and "error ..." lines, line feeds restored.
    QStringList reported() const;
};
RunnerExit runRunner(const QStringList& args, const QStringList& prefix = {});

}  // namespace testing_support
