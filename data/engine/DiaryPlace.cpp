#include "data/engine/DiaryPlace.h"

#include "data/engine/Error.h"
#include "data/engine/FileOps.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace engine {
namespace {

QByteArray native(const QString& path) {
    return QFile::encodeName(path);
}

QString shown(const QString& path) {
    return QDir::toNativeSeparators(path);
}

bool readOnlyMount(const QString& path) {
    struct statvfs fs {};
    return ::statvfs(native(path).constData(), &fs) == 0 && (fs.f_flag & ST_RDONLY) != 0;
}

bool writable(const QString& path) {
    return ::access(native(path).constData(), W_OK) == 0;
}

// SQLite's locks lie in the bytes from 1 GiB on; a lock of another process there means that it
// reads or writes the file right now (a rebuild keeps the diary locked from start to end).
constexpr off_t kSqliteLockBytes = 0x40000000;
constexpr off_t kSqliteLockRange = 512;

// Whether another process holds a lock on [start, start + length) of the file (0: to the end).
bool lockedByOther(const QString& path, off_t start, off_t length) {
    const int fd = ::open(native(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    struct flock probe {};
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    probe.l_start = start;
    probe.l_len = length;
    const bool locked = ::fcntl(fd, F_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
    ::close(fd);
    return locked;
}

// Whether a process other than this one has the file open (those of other users that this one
// may not look at excepted: their locks still tell).
bool openElsewhere(const QString& path) {
    struct stat file {};
    if (::stat(native(path).constData(), &file) != 0) {
        return false;
    }
    const QString own = QString::number(::getpid());
    const QStringList processes =
        QDir(QStringLiteral("/proc")).entryList({QStringLiteral("[0-9]*")}, QDir::Dirs);
    for (const QString& pid : processes) {
        if (pid == own) {
            continue;
        }
        const QString fds = QStringLiteral("/proc/") + pid + QStringLiteral("/fd");
        for (const QString& fd : QDir(fds).entryList(QDir::AllEntries | QDir::System)) {
            struct stat target {};
            if (::stat(native(fds + u'/' + fd).constData(), &target) == 0 &&
                target.st_dev == file.st_dev && target.st_ino == file.st_ino) {
                return true;
            }
        }
    }
    return false;
}

bool heldElsewhere(const QString& path) {
    return lockedByOther(path, 0, 0) || openElsewhere(path);
}

}  // namespace

WriteBlock writeBlock(const QString& path) {
    const QString file = realFile(path);
    if (readOnlyMount(file)) {
        return WriteBlock::ReadOnlyMount;
    }
    if (QFileInfo::exists(file) && !writable(file)) {
        return errno == EROFS ? WriteBlock::ReadOnlyMount : WriteBlock::FileReadOnly;
    }
    const QString folder = QFileInfo(file).absolutePath();
    if (!writable(folder)) {
        return errno == EROFS ? WriteBlock::ReadOnlyMount : WriteBlock::FolderReadOnly;
    }
    return WriteBlock::None;
}

QString describeWriteBlock(WriteBlock block, const QString& path) {
    const QString file = realFile(path);
    switch (block) {
        case WriteBlock::None:
            return QString();
        case WriteBlock::ReadOnlyMount:
            return QStringLiteral(
                       "Nie można zapisać zmian: dysk, na którym leży plik %1, jest zamontowany "
                       "tylko do odczytu.")
                .arg(shown(file));
        case WriteBlock::FileReadOnly:
            return QStringLiteral(
                       "Nie można zapisać zmian: plik %1 jest tylko do odczytu (brak prawa "
                       "zapisu do pliku).")
                .arg(shown(file));
        case WriteBlock::FolderReadOnly:
            return QStringLiteral(
                       "Nie można zapisać zmian: katalog %1 jest tylko do odczytu (brak prawa "
                       "zapisu do katalogu), a zapis potrzebuje w nim pliku tymczasowego.")
                .arg(shown(QFileInfo(file).absolutePath()));
    }
    return QString();
}

bool isLinkLoop(const QString& path) {
    struct stat st {};
    const QByteArray name = native(path);
    return ::lstat(name.constData(), &st) == 0 && S_ISLNK(st.st_mode) &&
           ::stat(name.constData(), &st) != 0 && errno == ELOOP;
}

QString describeLinkLoop(const QString& path) {
    return QStringLiteral(
               "%1 jest dowiązaniem symbolicznym, które prowadzi w kółko (pętla dowiązań), a nie "
               "do pliku dziennika !!!\nPopraw lub usuń to dowiązanie i umieść w tym miejscu "
               "plik dziennika.")
        .arg(shown(QFileInfo(path).absoluteFilePath()));
}

int otherHardLinks(const QString& path) {
    struct stat st {};
    if (::stat(native(realFile(path)).constData(), &st) != 0 || st.st_nlink < 1) {
        return 0;
    }
    return static_cast<int>(st.st_nlink) - 1;
}

QString hardLinksQuestion(const QString& path, int others, const QString& what,
                          const QString& action) {
    const int tens = others % 100;
    const int units = others % 10;
    QString names;
    if (others == 1) {
        names = QStringLiteral("1 inną nazwę");
    } else if (units >= 2 && units <= 4 && (tens < 12 || tens > 14)) {
        names = QStringLiteral("%1 inne nazwy").arg(others);
    } else {
        names = QStringLiteral("%1 innych nazw").arg(others);
    }
    return QStringLiteral(
               "Plik %1 ma jeszcze %2 (dowiązania twarde).\n%3 zastąpi go nowym plikiem, więc "
               "pod tamtymi nazwami pozostanie dotychczasowa zawartość dziennika.\n\nCzy mimo "
               "to %4?")
        .arg(shown(realFile(path)), names, what, action);
}

QStringList removeLeftovers(const QString& diary) {
    const QString real = realFile(diary);
    if (!QFileInfo::exists(real) || lockedByOther(real, kSqliteLockBytes, kSqliteLockRange)) {
        return {};
    }
    const QFileInfo info(real);
    QDir folder = info.absoluteDir();
    const QString stem = u'.' + info.fileName() + QStringLiteral(".??????");
    QStringList removed;
    for (const QString& name :
         folder.entryList({stem}, QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks)) {
        const QString path = folder.filePath(name);
        const QString journal = path + QStringLiteral("-journal");
        if (heldElsewhere(path) || (QFileInfo::exists(journal) && heldElsewhere(journal))) {
            continue;
        }
        if (folder.remove(name)) {
            removed << name;
        }
        if (folder.remove(name + QStringLiteral("-journal"))) {
            removed << name + QStringLiteral("-journal");
        }
    }
    // A journal whose build file is already gone belongs to nobody.
    for (const QString& name :
         folder.entryList({stem + QStringLiteral("-journal")},
                          QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks)) {
        const QString path = folder.filePath(name);
        if (!QFileInfo::exists(path.chopped(8)) && !heldElsewhere(path) && folder.remove(name)) {
            removed << name;
        }
    }
    return removed;
}

}  // namespace engine
