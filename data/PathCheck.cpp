#include "data/PathCheck.h"

#include "data/engine/Error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

namespace pathcheck {
namespace {

using engine::Error;
namespace err = engine::err;

QString quoted(const QString& path) {
    return u'\'' + QDir::toNativeSeparators(path) + u'\'';
}

enum class Use { Open, Create };

Error cannotOpen(int number, const QString& path, const QString& why, Use use = Use::Open) {
    return Error(number, (use == Use::Open ? QStringLiteral("Nie można otworzyć pliku ")
                                           : QStringLiteral("Nie można utworzyć pliku ")) +
                             quoted(path) + QStringLiteral(": ") + why + u'.');
}

// The folder a path lies in ("." for a bare name).
QString folderOf(const QString& path) {
    return QFileInfo(path).absolutePath();
}

// A folder that is missing, no folder, or closed to this user.
void requireFolder(const QString& path, Use use) {
    const QString folder = folderOf(path);
    struct stat st {};
    if (::stat(QFile::encodeName(folder).constData(), &st) != 0) {
        if (errno == EACCES) {
            throw cannotOpen(err::CannotOpen, path,
                             QStringLiteral("brak uprawnień do katalogu ") + quoted(folder), use);
        }
        throw cannotOpen(
            err::FileNotFound, path,
            QStringLiteral("katalog ") + quoted(folder) + QStringLiteral(" nie istnieje"), use);
    }
    if (!S_ISDIR(st.st_mode)) {
        throw cannotOpen(err::FileNotFound, path,
                         quoted(folder) + QStringLiteral(" nie jest katalogiem"), use);
    }
    if (::access(QFile::encodeName(folder).constData(), X_OK) != 0) {
        throw cannotOpen(err::CannotOpen, path,
                         QStringLiteral("brak uprawnień do katalogu ") + quoted(folder), use);
    }
}

}  // namespace

void requireReadableFile(const QString& path) {
    requireFolder(path, Use::Open);
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) {
        throw cannotOpen(err::FileNotFound, path, QStringLiteral("plik nie istnieje"));
    }
    if (S_ISDIR(st.st_mode)) {
        throw cannotOpen(err::CannotOpen, path, QStringLiteral("to katalog, a nie plik"));
    }
    if (!S_ISREG(st.st_mode)) {
        throw cannotOpen(err::CannotOpen, path, QStringLiteral("to nie jest zwykły plik"));
    }
    if (::access(QFile::encodeName(path).constData(), R_OK) != 0) {
        throw cannotOpen(err::CannotOpen, path, QStringLiteral("brak uprawnień do odczytu pliku"));
    }
}

void requireFolderFor(const QString& path) {
    requireFolder(path, Use::Create);
    const QString folder = folderOf(path);
    if (::access(QFile::encodeName(folder).constData(), W_OK) != 0) {
        throw Error(err::CannotOpen, QStringLiteral("Nie można utworzyć pliku ") + quoted(path) +
                                         QStringLiteral(": brak uprawnień do zapisu w katalogu ") +
                                         quoted(folder) + u'.');
    }
}

}  // namespace pathcheck
