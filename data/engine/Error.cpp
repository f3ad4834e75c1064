#include "data/engine/Error.h"

#include <sqlite3.h>

#include <utility>

namespace engine {

Error::Error(int number, QString description)
    : m_number(number),
      m_description(std::move(description)),
      m_what(QString(QString::number(m_number) + QStringLiteral(": ") + m_description)
                 .toUtf8()
                 .toStdString()) {}

namespace {

// SQLite names the missing object after a colon: "no such table: Klubyy".
QString missingName(const QString& message) {
    const qsizetype colon = message.lastIndexOf(u':');
    return colon < 0 ? message : message.mid(colon + 1).trimmed();
}

QString withDetail(const QString& text, const QString& detail) {
    return detail.isEmpty() ? text : text + QStringLiteral(" (") + detail + u')';
}

}  // namespace

Error errorFromSqlite(int resultCode, const QString& sqliteMessage) {
    switch (resultCode) {
        case SQLITE_CONSTRAINT_UNIQUE:
        case SQLITE_CONSTRAINT_PRIMARYKEY:
            return Error(err::DuplicateKey,
                         QStringLiteral("Zmiany nie zostały wprowadzone, ponieważ spowodowałyby "
                                        "powtórzenie wartości w indeksie unikatowym."));
        default:
            break;
    }
    const int primary = resultCode & 0xff;
    switch (primary) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return Error(err::FileInUse,
                         QStringLiteral("Baza danych jest używana przez inny proces."));
        case SQLITE_NOTADB:
            return Error(err::NotADatabase, QStringLiteral("Plik nie jest bazą danych."));
        case SQLITE_CORRUPT:
            return Error(
                err::Corrupt,
                withDetail(QStringLiteral("Plik bazy danych jest uszkodzony."), sqliteMessage));
        case SQLITE_READONLY:
            return Error(
                err::ReadOnly,
                QStringLiteral("Nie można zapisać zmian: baza danych jest tylko do odczytu."));
        case SQLITE_CANTOPEN:
            return Error(err::CannotOpen, QStringLiteral("Nie można otworzyć pliku bazy danych."));
        case SQLITE_FULL:
            return Error(primary, QStringLiteral("Brak miejsca na dysku."));
        case SQLITE_IOERR:
            return Error(primary,
                         withDetail(QStringLiteral("Błąd odczytu lub zapisu pliku bazy danych."),
                                    sqliteMessage));
        case SQLITE_ERROR:
            if (sqliteMessage.startsWith(QStringLiteral("no such table"))) {
                return Error(err::TableNotFound,
                             QStringLiteral("Nie można odnaleźć tabeli lub kwerendy '") +
                                 missingName(sqliteMessage) + QStringLiteral("'."));
            }
            if (sqliteMessage.startsWith(QStringLiteral("no such column"))) {
                return Error(err::TooFewParameters,
                             QStringLiteral("Zbyt mało parametrów: nieznana nazwa kolumny '") +
                                 missingName(sqliteMessage) + QStringLiteral("'."));
            }
            break;
        default:
            break;
    }
    return Error(primary, withDetail(QStringLiteral("Błąd bazy danych numer ") +
                                         QString::number(primary) + u'.',
                                     sqliteMessage));
}

}  // namespace engine
