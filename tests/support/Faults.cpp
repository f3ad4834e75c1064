#include "support/Faults.h"

#include "data/engine/Connection.h"
#include "data/engine/FileOps.h"

#include <sqlite3.h>

#include <cerrno>
#include <csignal>
#include <map>

namespace testing_support {
namespace {

constexpr char kVfsName[] = "mirvola-usterki";

struct Plan {
    bool armed = false;
    Faults::Kind kind = Faults::Kind::None;
    int n = 0;
    int killAt = 0;
    bool fired = false;
    Faults::Counts counts;
    std::vector<int> publishing;
};

Plan& plan() {
    static Plan p;
    return p;
}

// Counts one call of `kind` (its counter is `counter`); true when this call is to fail.
bool failNow(Faults::Kind kind, int& counter) {
    Plan& p = plan();
    if (!p.armed) {
        return false;
    }
    ++counter;
    if (p.killAt > 0 && p.counts.total() >= p.killAt) {
        std::raise(SIGKILL);
    }
    const bool fail =
        (p.kind == kind && counter == p.n) ||
        (kind == Faults::Kind::Write && p.kind == Faults::Kind::Full && counter >= p.n);
    p.fired = p.fired || fail;
    return fail;
}

sqlite3_vfs* root() {
    static sqlite3_vfs* vfs = sqlite3_vfs_find(nullptr);
    return vfs;
}

// The shim's files are the default VFS's own, with their methods swapped for a copy that
// fails writes, syncs and truncations; the real methods are kept after the file's own struct.
int extraOffset() {
    return (root()->szOsFile + 7) / 8 * 8;
}

const sqlite3_io_methods*& real(sqlite3_file* file) {
    return *reinterpret_cast<const sqlite3_io_methods**>(reinterpret_cast<char*>(file) +
                                                         extraOffset());
}

int shimWrite(sqlite3_file* f, const void* buffer, int amount, sqlite3_int64 offset) {
    if (failNow(Faults::Kind::Write, plan().counts.writes)) {
        return plan().kind == Faults::Kind::Full ? SQLITE_FULL : SQLITE_IOERR_WRITE;
    }
    return real(f)->xWrite(f, buffer, amount, offset);
}
int shimTruncate(sqlite3_file* f, sqlite3_int64 size) {
    if (failNow(Faults::Kind::Truncate, plan().counts.truncates)) {
        return SQLITE_IOERR_TRUNCATE;
    }
    return real(f)->xTruncate(f, size);
}
int shimSync(sqlite3_file* f, int flags) {
    if (failNow(Faults::Kind::Sync, plan().counts.syncs)) {
        return SQLITE_IOERR_FSYNC;
    }
    return real(f)->xSync(f, flags);
}

// The default VFS gives main files and journals different methods: one copy of each.
const sqlite3_io_methods* shimMethods(const sqlite3_io_methods* methods) {
    static std::map<const sqlite3_io_methods*, sqlite3_io_methods> copies;
    auto [it, added] = copies.try_emplace(methods, *methods);
    if (added) {
        it->second.xWrite = shimWrite;
        it->second.xTruncate = shimTruncate;
        it->second.xSync = shimSync;
    }
    return &it->second;
}

int shimOpen(sqlite3_vfs*, const char* name, sqlite3_file* file, int flags, int* outFlags) {
    file->pMethods = nullptr;
    if (failNow(Faults::Kind::Open, plan().counts.opens)) {
        return SQLITE_CANTOPEN;
    }
    const int rc = root()->xOpen(root(), name, file, flags, outFlags);
    if (file->pMethods != nullptr) {
        real(file) = file->pMethods;
        file->pMethods = shimMethods(file->pMethods);
    }
    return rc;
}

// Notes the call just counted when it publishes a change of the diary.
void notePublishing(bool publishes) {
    if (plan().armed && publishes) {
        plan().publishing.push_back(plan().counts.total());
    }
}

bool isDiary(const QString& path, const char* suffix = "") {
    return path.endsWith(QStringLiteral("/Mirvola.mdb") + QLatin1String(suffix));
}

int shimDelete(sqlite3_vfs*, const char* name, int syncDir) {
    if (failNow(Faults::Kind::Delete, plan().counts.deletes)) {
        return SQLITE_IOERR_DELETE;
    }
    notePublishing(isDiary(QString::fromUtf8(name), "-journal"));
    return root()->xDelete(root(), name, syncDir);
}

void registerShim() {
    // Everything but opening and deleting is the default VFS's own.
    static sqlite3_vfs shim = [] {
        sqlite3_vfs v = *root();
        v.pNext = nullptr;
        v.szOsFile = extraOffset() + static_cast<int>(sizeof(void*));
        v.zName = kVfsName;
        v.xOpen = shimOpen;
        v.xDelete = shimDelete;
        return v;
    }();
    static const bool registered = sqlite3_vfs_register(&shim, 0) == SQLITE_OK;
    (void)registered;
}

int fileStep(engine::FileStep step, const QString& path) {
    if (failNow(Faults::Kind::FileStep, plan().counts.fileSteps)) {
        return EIO;
    }
    notePublishing((step == engine::FileStep::Rename || step == engine::FileStep::Link) &&
                   isDiary(path));
    return 0;
}

}  // namespace

int Faults::Counts::of(Kind kind) const {
    // In the order of Kind; a full disk fails writes.
    static constexpr int Counts::*counters[] = {
        nullptr,        &Counts::writes,  &Counts::syncs,  &Counts::truncates,
        &Counts::opens, &Counts::deletes, &Counts::writes, &Counts::fileSteps};
    const auto counter = counters[static_cast<int>(kind)];
    return counter ? this->*counter : 0;
}

Faults::Faults(Kind kind, int n) {
    registerShim();
    plan() = Plan{};
    plan().kind = kind;
    plan().n = n;
    engine::setTestVfs(QByteArray(kVfsName));
    engine::setFileStepHook(&fileStep);
}

Faults::~Faults() {
    engine::setTestVfs(QByteArray());
    engine::setFileStepHook({});
    plan().armed = false;
}

void Faults::arm() {
    plan().armed = true;
}

bool Faults::fired() const {
    return plan().fired;
}

Faults::Counts Faults::counts() const {
    return plan().counts;
}

void Faults::killBeforeCall(int n) {
    plan().killAt = n;
}

std::vector<int> Faults::publishingCalls() const {
    return plan().publishing;
}

QString Faults::name(Kind kind) {
    static const char* const names[] = {"none", "write",  "sync",      "truncate",
                                        "open", "delete", "disk-full", "file-step"};
    return QString::fromLatin1(names[static_cast<int>(kind)]);
}

}  // namespace testing_support
