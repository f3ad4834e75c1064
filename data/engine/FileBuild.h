#pragma once

// Internal to the core library: what the whole-file operations (compaction, repair, creation,
// the import of an old diary, backups) share. Every step outside SQLite goes through perform(),
// the seam of the test hook in FileOps.h.

#include "data/engine/Error.h"
#include "data/engine/FileOps.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringList>
#include <QTemporaryFile>

#include <cerrno>
#include <functional>
#include <optional>
#include <utility>

#include <sys/types.h>
#include <unistd.h>

namespace engine {

class Connection;

namespace files {

FileStepHook& stepHook();

// Runs one step outside SQLite (a system call returning 0 or -1 with errno); false, with errno
// set, when it failed.
template <class F>
bool perform(FileStep step, const QString& path, F&& action) {
    if (const FileStepHook& hook = stepHook()) {
        if (const int injected = hook(step, path)) {
            errno = injected;
            return false;
        }
    }
    return action() == 0;
}

Error diskError(const QString& what, const QString& path, int code);
void syncFile(const QString& path);
void syncFolderOf(const QString& path);

// Permission bits, owner and group that a rebuilt file takes over from the file it replaces.
struct Attributes {
    mode_t mode = 0;
    std::optional<std::pair<uid_t, gid_t>> owner;
};

Attributes newFileAttributes();
Attributes attributesOf(const QString& path);
void applyAttributes(const QString& path, const Attributes& attributes);

// A file being built next to its final place under a hidden name, removed (with a journal
// SQLite may have left) unless it was published. A crash leaves it behind; the next
// whole-file operation on the same diary sweeps it away (sweepLeftovers).
class BuildFile {
  public:
    explicit BuildFile(const QString& finalPath) {
        const QFileInfo info(finalPath);
        QTemporaryFile file(info.absolutePath() + QStringLiteral("/.") + info.fileName() +
                            QStringLiteral(".XXXXXX"));
        file.setAutoRemove(false);
        if (!perform(FileStep::CreateFile, info.absolutePath(), [&] {
                errno = 0;
                if (file.open()) {
                    return 0;
                }
                errno = errno != 0 ? errno : EIO;
                return -1;
            })) {
            throw diskError(QStringLiteral("Nie można utworzyć pliku w katalogu "),
                            info.absolutePath(), errno);
        }
        m_path = file.fileName();
    }
    ~BuildFile() {
        if (!m_published) {
            QFile::remove(m_path);
            QFile::remove(m_path + QStringLiteral("-journal"));
        }
    }
    BuildFile(const BuildFile&) = delete;
    BuildFile& operator=(const BuildFile&) = delete;

    const QString& path() const { return m_path; }
    // Whether the file has taken its name (a failure after that does not undo it).
    bool published() const { return m_published; }

    // Gives the finished file its attributes and the name `target`, replacing the file of
    // that name in one rename.
    void replace(const QString& target, const Attributes& attributes) {
        finish(attributes);
        if (!perform(FileStep::Rename, target, [&] {
                return ::rename(QFile::encodeName(m_path).constData(),
                                QFile::encodeName(target).constData());
            })) {
            throw diskError(QStringLiteral("Nie można zastąpić pliku "), target, errno);
        }
        m_published = true;
        syncFolderOf(target);
    }

    // Gives the finished file its attributes and the name `destination`, which must be free:
    // a hard link fails when the name is taken, where a rename would overwrite.
    void publishNew(const QString& destination, const Attributes& attributes) {
        finish(attributes);
        const QByteArray from = QFile::encodeName(m_path);
        const QByteArray to = QFile::encodeName(destination);
        if (perform(FileStep::Link, destination,
                    [&] { return ::link(from.constData(), to.constData()); })) {
            ::unlink(from.constData());
        } else if (errno == EEXIST) {
            throw destinationExists(destination);
        } else if (errno == EPERM || errno == EOPNOTSUPP || errno == EXDEV) {
            // A file system without hard links: the existence test and the rename are two
            // steps.
            if (QFileInfo::exists(destination)) {
                throw destinationExists(destination);
            }
            if (!perform(FileStep::Rename, destination,
                         [&] { return ::rename(from.constData(), to.constData()); })) {
                throw diskError(QStringLiteral("Nie można utworzyć pliku "), destination, errno);
            }
        } else {
            throw diskError(QStringLiteral("Nie można utworzyć pliku "), destination, errno);
        }
        m_published = true;
        syncFolderOf(destination);
    }

    static Error destinationExists(const QString& path) {
        return Error(err::DestinationExists,
                     QStringLiteral("Plik ") + quotedPath(path) + QStringLiteral(" już istnieje."));
    }

  private:
    void finish(const Attributes& attributes) {
        syncFile(m_path);
        applyAttributes(m_path, attributes);
    }

    QString m_path;
    bool m_published = false;
};

// Keeps the file `path` also under the first free name of nameFor(1), nameFor(2), ...: a second
// link to the same file, or a copy where the file system has no links. Returns that name; a
// failure is err::DiskError, described as "Nie można zachować pliku <path>" and the reason. The
// folder is not synced: the replacement that follows in the same folder does that.
QString keepUnderFreeName(const QString& path, const std::function<QString(int)>& nameFor);

void sweepLeftovers(const QString& diary);
void refuseReadOnly(const QString& real, const QString& refusal);
QByteArray schemaText();
void lockExclusively(Connection& connection);
QStringList singleColumn(const Connection& connection, const QString& sql);
QStringList tableNames(const Connection& connection);
QString quotedName(const QString& name);
QString quotedText(const QString& text);
qint64 rowCount(const Connection& connection, const QString& table);
QStringList problems(Connection& connection);

}  // namespace files
}  // namespace engine
