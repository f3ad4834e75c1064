#pragma once

#include <QString>

#include <vector>

namespace testing_support {

// I/O faults for the engine: a SQLite VFS over the default one, registered as
// "mirvola-usterki" and selected through engine::setTestVfs, and the file layer's step hook
// (copying, linking, renaming, syncing, setting permissions). While a Faults object lives,
// every call of the engine is counted by kind, and the chosen call fails.
class Faults {
  public:
    enum class Kind {
        None,      // count only
        Write,     // the n-th write fails (an I/O error)
        Sync,      // the n-th sync fails
        Truncate,  // the n-th truncation fails
        Open,      // the n-th opening of a file fails
        Delete,    // the n-th deletion of a file fails (SQLite's commit deletes the journal)
        Full,      // every write from the n-th on finds the disk full
        FileStep,  // the n-th step of the file layer fails (an I/O error)
    };

    struct Counts {
        int writes = 0;
        int syncs = 0;
        int truncates = 0;
        int opens = 0;
        int deletes = 0;
        int fileSteps = 0;
        // Every counted call, whatever its kind.
        int total() const { return writes + syncs + truncates + opens + deletes + fileSteps; }
        // How many calls of the kind a plan of that kind counts.
        int of(Kind kind) const;
    };

    explicit Faults(Kind kind = Kind::None, int n = 0);
    ~Faults();
    Faults(const Faults&) = delete;
    Faults& operator=(const Faults&) = delete;

    // Counting and failing start with arm(), so that the calls of a window's loading, made
    // before the command under test, neither count nor fail.
    void arm();
    bool fired() const;
    Counts counts() const;

    // Crash runs: the process kills itself with SIGKILL just before the n-th counted call of
    // any kind (from arm() on); 0 never.
    void killBeforeCall(int n);

    // The numbers (as killBeforeCall counts) of the calls that publish a change of the diary
    // Mirvola.mdb: the deletion of its journal (a commit) and a rename or link onto its name.
    std::vector<int> publishingCalls() const;

    static QString name(Kind kind);
};

}  // namespace testing_support
