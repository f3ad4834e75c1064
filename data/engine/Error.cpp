#include "data/engine/Error.h"

#include <QDir>

#include <sqlite3.h>

#include <cerrno>
#include <utility>

namespace engine {

Error::Error(int number, QString description)
    : m_number(number),
      m_description(std::move(description)),
      m_what(QString(QString::number(m_number) + QStringLiteral(": ") + m_description)
                 .toUtf8()
                 .toStdString()) {}

Error::Error(int number, QString description, int sqliteCode, const QString& sqliteMessage)
    : Error(number, std::move(description)) {
    m_sqliteCode = sqliteCode;
    if (!sqliteMessage.isEmpty()) {
        m_what += " [SQLite " + std::to_string(sqliteCode) + ": " +
                  sqliteMessage.toUtf8().toStdString() + "]";
    }
}

namespace {

// SQLite names the missing object after a colon: "no such table: Klubyy".
QString missingName(const QString& message) {
    const qsizetype colon = message.lastIndexOf(u':');
    return colon < 0 ? message : message.mid(colon + 1).trimmed();
}

// Conditions that have a number of the old engine, and the Polish texts of the others.
std::pair<int, QString> describe(int resultCode, const QString& sqliteMessage) {
    const auto notSaved = [](const char* reason) {
        return QStringLiteral("Zmiany nie zostały wprowadzone: ") + QString::fromUtf8(reason);
    };
    switch (resultCode) {
        case SQLITE_CONSTRAINT_UNIQUE:
        case SQLITE_CONSTRAINT_PRIMARYKEY:
            return {err::DuplicateKey,
                    QStringLiteral("Zmiany nie zostały wprowadzone, ponieważ spowodowałyby "
                                   "powtórzenie wartości w indeksie unikatowym.")};
        case SQLITE_CONSTRAINT_NOTNULL:
            return {SQLITE_CONSTRAINT, notSaved("wymagane pole jest puste.")};
        case SQLITE_CONSTRAINT_FOREIGNKEY:
            return {SQLITE_CONSTRAINT,
                    notSaved("rekord odwołuje się do rekordu, którego nie ma w innej tabeli.")};
        case SQLITE_READONLY_DBMOVED:
            // Another process put a new file (a compacted or repaired diary) in place of the one
            // this connection opened. The file is writable; the write has to be made again on
            // the diary as it is now.
            return {err::FileInUse, QStringLiteral("Baza danych jest używana przez inny proces.")};
        case SQLITE_READONLY_ROLLBACK:
            return {err::ReadOnly,
                    QStringLiteral("Poprzedni zapis do bazy danych został przerwany, a plik "
                                   "otwarto tylko do odczytu, więc nie można go dokończyć.")};
        default:
            break;
    }
    const int primary = resultCode & 0xff;
    switch (primary) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return {err::FileInUse, QStringLiteral("Baza danych jest używana przez inny proces.")};
        case SQLITE_NOTADB:
            return {err::NotADatabase, QStringLiteral("Plik nie jest bazą danych.")};
        case SQLITE_CORRUPT:
            return {err::Corrupt, QStringLiteral("Plik bazy danych jest uszkodzony.")};
        case SQLITE_READONLY:
            return {err::ReadOnly,
                    QStringLiteral("Nie można zapisać zmian: baza danych jest tylko do odczytu.")};
        case SQLITE_CANTOPEN:
            return {err::CannotOpen, QStringLiteral("Nie można otworzyć pliku bazy danych.")};
        case SQLITE_FULL:
            return {primary, QStringLiteral("Brak miejsca na dysku.")};
        case SQLITE_IOERR:
            return {primary, QStringLiteral("Błąd odczytu lub zapisu pliku bazy danych.")};
        case SQLITE_NOMEM:
            return {primary, QStringLiteral("Brak pamięci.")};
        case SQLITE_TOOBIG:
            return {primary, QStringLiteral("Tekst lub wartość jest zbyt duża.")};
        case SQLITE_MISMATCH:
            return {primary, QStringLiteral("Niezgodność typu danych.")};
        case SQLITE_CONSTRAINT:
            return {primary, notSaved("naruszają regułę poprawności danych.")};
        case SQLITE_ERROR:
            if (sqliteMessage.startsWith(QStringLiteral("no such table"))) {
                return {err::TableNotFound,
                        QStringLiteral("Nie można odnaleźć tabeli lub kwerendy '") +
                            missingName(sqliteMessage) + QStringLiteral("'.")};
            }
            if (sqliteMessage.startsWith(QStringLiteral("no such column"))) {
                return {err::TooFewParameters,
                        QStringLiteral("Zbyt mało parametrów: nieznana nazwa kolumny '") +
                            missingName(sqliteMessage) + QStringLiteral("'.")};
            }
            if (sqliteMessage.contains(QStringLiteral("syntax error")) ||
                sqliteMessage.startsWith(QStringLiteral("unrecognized token"))) {
                return {primary, QStringLiteral("Błąd składniowy w instrukcji SQL.")};
            }
            break;
        default:
            break;
    }
    return {primary, QStringLiteral("Błąd bazy danych numer ") + QString::number(primary) + u'.'};
}

}  // namespace

// The user reads these in the program's messages, so they are not the C library's English.
QString quotedPath(const QString& path) {
    return u'\'' + QDir::toNativeSeparators(path) + u'\'';
}

QString systemErrorText(int code) {
    switch (code) {
        case EACCES:
        case EPERM:
            return QStringLiteral("brak uprawnień");
        case EROFS:
            return QStringLiteral("system plików jest tylko do odczytu");
        case ENOSPC:
            return QStringLiteral("brak miejsca na dysku");
        case EDQUOT:
            return QStringLiteral("przekroczony przydział miejsca na dysku");
        case EFBIG:
            return QStringLiteral("plik przekroczył największy dozwolony rozmiar");
        case ENOTDIR:
            return QStringLiteral("w ścieżce jest plik zamiast katalogu");
        case EIO:
            return QStringLiteral("błąd wejścia/wyjścia dysku");
        case ENOENT:
            return QStringLiteral("plik nie istnieje");
        case EEXIST:
            return QStringLiteral("plik już istnieje");
        case EXDEV:
            return QStringLiteral("pliki leżą w różnych systemach plików");
        case ENAMETOOLONG:
            return QStringLiteral("zbyt długa nazwa pliku");
        case ELOOP:
            return QStringLiteral("zbyt wiele dowiązań symbolicznych");
        case EISDIR:
            return QStringLiteral("to jest katalog");
        case EBUSY:
            return QStringLiteral("plik jest zajęty");
        default:
            return QStringLiteral("błąd systemu numer %1").arg(code);
    }
}

Error errorFromSqlite(int resultCode, const QString& sqliteMessage) {
    auto [number, description] = describe(resultCode, sqliteMessage);
    return Error(number, std::move(description), resultCode, sqliteMessage);
}

}  // namespace engine
