#include "support/Faults.h"

#include "data/engine/Connection.h"
#include "data/engine/FileOps.h"

#include <sqlite3.h>

#include <cerrno>
#include <csignal>
#include <cstring>

namespace testing_support {
namespace {

constexpr char kVfsName[] = "mirvola-usterki";

struct Plan {
    bool armed = false;
    Faults::Kind kind = Faults::Kind::None;
    int n = 0;
    int killAt = 0;
    bool fired = false;
    QString failed;  // the file of the failed call
    Faults::Counts counts;
};

Plan& plan() {
    static Plan p;
    return p;
}

// Counts one call of `kind` (its counter is `counter`) on `file`; true when this call is to
// fail.
bool failNow(Faults::Kind kind, int& counter, const char* file) {
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
    if (fail && !p.fired) {
        p.failed = QString::fromUtf8(file ? file : "?");
    }
    p.fired = p.fired || fail;
    return fail;
}

sqlite3_vfs* root() {
    static sqlite3_vfs* vfs = sqlite3_vfs_find(nullptr);
    return vfs;
}

// A file of the shim: the default VFS's file follows it in the same allocation.
struct ShimFile {
    sqlite3_file base;
    const char* name;  // SQLite keeps the name alive while the file is open
    sqlite3_file* real() { return reinterpret_cast<sqlite3_file*>(this + 1); }
};

sqlite3_file* real(sqlite3_file* file) {
    return reinterpret_cast<ShimFile*>(file)->real();
}

const char* nameOf(sqlite3_file* file) {
    return reinterpret_cast<ShimFile*>(file)->name;
}

int shimClose(sqlite3_file* f) {
    return real(f)->pMethods->xClose(real(f));
}
int shimRead(sqlite3_file* f, void* buffer, int amount, sqlite3_int64 offset) {
    return real(f)->pMethods->xRead(real(f), buffer, amount, offset);
}
int shimWrite(sqlite3_file* f, const void* buffer, int amount, sqlite3_int64 offset) {
    if (failNow(Faults::Kind::Write, plan().counts.writes, nameOf(f))) {
        return plan().kind == Faults::Kind::Full ? SQLITE_FULL : SQLITE_IOERR_WRITE;
    }
    return real(f)->pMethods->xWrite(real(f), buffer, amount, offset);
}
int shimTruncate(sqlite3_file* f, sqlite3_int64 size) {
    if (failNow(Faults::Kind::Truncate, plan().counts.truncates, nameOf(f))) {
        return SQLITE_IOERR_TRUNCATE;
    }
    return real(f)->pMethods->xTruncate(real(f), size);
}
int shimSync(sqlite3_file* f, int flags) {
    if (failNow(Faults::Kind::Sync, plan().counts.syncs, nameOf(f))) {
        return SQLITE_IOERR_FSYNC;
    }
    return real(f)->pMethods->xSync(real(f), flags);
}
int shimFileSize(sqlite3_file* f, sqlite3_int64* size) {
    return real(f)->pMethods->xFileSize(real(f), size);
}
int shimLock(sqlite3_file* f, int lock) {
    return real(f)->pMethods->xLock(real(f), lock);
}
int shimUnlock(sqlite3_file* f, int lock) {
    return real(f)->pMethods->xUnlock(real(f), lock);
}
int shimCheckReservedLock(sqlite3_file* f, int* out) {
    return real(f)->pMethods->xCheckReservedLock(real(f), out);
}
int shimFileControl(sqlite3_file* f, int op, void* arg) {
    return real(f)->pMethods->xFileControl(real(f), op, arg);
}
int shimSectorSize(sqlite3_file* f) {
    return real(f)->pMethods->xSectorSize(real(f));
}
int shimDeviceCharacteristics(sqlite3_file* f) {
    return real(f)->pMethods->xDeviceCharacteristics(real(f));
}
int shimShmMap(sqlite3_file* f, int region, int size, int extend, void volatile** out) {
    return real(f)->pMethods->xShmMap(real(f), region, size, extend, out);
}
int shimShmLock(sqlite3_file* f, int offset, int n, int flags) {
    return real(f)->pMethods->xShmLock(real(f), offset, n, flags);
}
void shimShmBarrier(sqlite3_file* f) {
    real(f)->pMethods->xShmBarrier(real(f));
}
int shimShmUnmap(sqlite3_file* f, int deleteFlag) {
    return real(f)->pMethods->xShmUnmap(real(f), deleteFlag);
}
int shimFetch(sqlite3_file* f, sqlite3_int64 offset, int amount, void** out) {
    return real(f)->pMethods->xFetch(real(f), offset, amount, out);
}
int shimUnfetch(sqlite3_file* f, sqlite3_int64 offset, void* page) {
    return real(f)->pMethods->xUnfetch(real(f), offset, page);
}

const sqlite3_io_methods kMethods = {
    3,
    shimClose,
    shimRead,
    shimWrite,
    shimTruncate,
    shimSync,
    shimFileSize,
    shimLock,
    shimUnlock,
    shimCheckReservedLock,
    shimFileControl,
    shimSectorSize,
    shimDeviceCharacteristics,
    shimShmMap,
    shimShmLock,
    shimShmBarrier,
    shimShmUnmap,
    shimFetch,
    shimUnfetch,
};

int shimOpen(sqlite3_vfs*, const char* name, sqlite3_file* file, int flags, int* outFlags) {
    file->pMethods = nullptr;
    reinterpret_cast<ShimFile*>(file)->name = name;
    if (failNow(Faults::Kind::Open, plan().counts.opens, name)) {
        return SQLITE_CANTOPEN;
    }
    sqlite3_file* inner = reinterpret_cast<ShimFile*>(file)->real();
    const int rc = root()->xOpen(root(), name, inner, flags, outFlags);
    if (inner->pMethods != nullptr) {
        // The default VFS's files are of version 3; a smaller one would lack what the shim
        // passes on, and SQLite asks for those only of files that have them.
        file->pMethods = &kMethods;
    }
    return rc;
}

int shimDelete(sqlite3_vfs*, const char* name, int syncDir) {
    if (failNow(Faults::Kind::Delete, plan().counts.deletes, name)) {
        return SQLITE_IOERR_DELETE;
    }
    return root()->xDelete(root(), name, syncDir);
}
int shimAccess(sqlite3_vfs*, const char* name, int flags, int* out) {
    return root()->xAccess(root(), name, flags, out);
}
int shimFullPathname(sqlite3_vfs*, const char* name, int size, char* out) {
    return root()->xFullPathname(root(), name, size, out);
}
void* shimDlOpen(sqlite3_vfs*, const char* name) {
    return root()->xDlOpen(root(), name);
}
void shimDlError(sqlite3_vfs*, int size, char* out) {
    root()->xDlError(root(), size, out);
}
void (*shimDlSym(sqlite3_vfs*, void* handle, const char* symbol))(void) {
    return root()->xDlSym(root(), handle, symbol);
}
void shimDlClose(sqlite3_vfs*, void* handle) {
    root()->xDlClose(root(), handle);
}
int shimRandomness(sqlite3_vfs*, int size, char* out) {
    return root()->xRandomness(root(), size, out);
}
int shimSleep(sqlite3_vfs*, int microseconds) {
    return root()->xSleep(root(), microseconds);
}
int shimCurrentTime(sqlite3_vfs*, double* out) {
    return root()->xCurrentTime(root(), out);
}
int shimGetLastError(sqlite3_vfs*, int size, char* out) {
    return root()->xGetLastError(root(), size, out);
}
int shimCurrentTimeInt64(sqlite3_vfs*, sqlite3_int64* out) {
    return root()->xCurrentTimeInt64(root(), out);
}

void registerShim() {
    static sqlite3_vfs shim = [] {
        sqlite3_vfs v{};
        v.iVersion = 2;
        v.szOsFile = static_cast<int>(sizeof(ShimFile)) + root()->szOsFile;
        v.mxPathname = root()->mxPathname;
        v.zName = kVfsName;
        v.xOpen = shimOpen;
        v.xDelete = shimDelete;
        v.xAccess = shimAccess;
        v.xFullPathname = shimFullPathname;
        v.xDlOpen = shimDlOpen;
        v.xDlError = shimDlError;
        v.xDlSym = shimDlSym;
        v.xDlClose = shimDlClose;
        v.xRandomness = shimRandomness;
        v.xSleep = shimSleep;
        v.xCurrentTime = shimCurrentTime;
        v.xGetLastError = shimGetLastError;
        v.xCurrentTimeInt64 = shimCurrentTimeInt64;
        return v;
    }();
    static const bool registered = sqlite3_vfs_register(&shim, 0) == SQLITE_OK;
    (void)registered;
}

int fileStep(engine::FileStep, const QString& path) {
    return failNow(Faults::Kind::FileStep, plan().counts.fileSteps, path.toUtf8().constData()) ? EIO
                                                                                               : 0;
}

}  // namespace

int Faults::Counts::of(Kind kind) const {
    switch (kind) {
        case Kind::Write:
        case Kind::Full:
            return writes;
        case Kind::Sync:
            return syncs;
        case Kind::Truncate:
            return truncates;
        case Kind::Open:
            return opens;
        case Kind::Delete:
            return deletes;
        case Kind::FileStep:
            return fileSteps;
        case Kind::None:
            break;
    }
    return 0;
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

QString Faults::failedFile() const {
    return plan().failed;
}

Faults::Counts Faults::counts() const {
    return plan().counts;
}

void Faults::killBeforeCall(int n) {
    plan().killAt = n;
}

QString Faults::name(Kind kind) {
    switch (kind) {
        case Kind::None:
            return QStringLiteral("none");
        case Kind::Write:
            return QStringLiteral("write");
        case Kind::Sync:
            return QStringLiteral("sync");
        case Kind::Truncate:
            return QStringLiteral("truncate");
        case Kind::Open:
            return QStringLiteral("open");
        case Kind::Delete:
            return QStringLiteral("delete");
        case Kind::Full:
            return QStringLiteral("disk-full");
        case Kind::FileStep:
            return QStringLiteral("file-step");
    }
    return QString();
}

}  // namespace testing_support
