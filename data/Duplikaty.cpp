#include "data/Duplikaty.h"

#include "data/Mirvola.h"

#include <QChar>

namespace duplikaty {
namespace {

// Code point by code point in lower case: the engine's collation tells letters apart by their
// lower-case forms only (its primary weight follows from them).
QString malymi(const QString& tekst) {
    QString wynik;
    wynik.reserve(tekst.size());
    for (const char32_t znak : tekst.toUcs4()) {
        const char32_t maly = QChar::toLower(znak);
        if (QChar::requiresSurrogates(maly)) {
            wynik += QChar(QChar::highSurrogate(maly));
            wynik += QChar(QChar::lowSurrogate(maly));
        } else {
            wynik += QChar(static_cast<char16_t>(maly));
        }
    }
    return wynik;
}

QString przyciete(const QVariant& wartosc) {
    return wartosc.isNull() ? QString() : wartosc.toString().trimmed();
}

// One field of a player: the separator keeps "Jan|Kowalski" apart from "JanK|owalski".
QString kluczPola(const QString& pole) {
    return pole.isEmpty() ? QStringLiteral("\x01") : QStringLiteral("=") + malymi(pole);
}

QString warunekPola(const QString& strPole, const QString& strWartosc) {
    if (strWartosc.isEmpty()) {
        return QStringLiteral("IsNull(") + strPole + QStringLiteral(") = True");
    }
    return strPole + QStringLiteral(" = ") + Mirvola::TekstSQL(strWartosc);
}

}  // namespace

QString kluczNazwy(const QVariant& nazwa) {
    if (nazwa.isNull()) {
        return QStringLiteral("\x01");
    }
    return QStringLiteral("=") + malymi(nazwa.toString().trimmed());
}

Gracz polaGracza(const QVariant& imie, const QVariant& nazwisko, const QVariant& przydomek) {
    return {przyciete(imie), przyciete(nazwisko), przyciete(przydomek)};
}

QString zapytanieGracza(const Gracz& gracz) {
    return QStringLiteral("SELECT * FROM Gracze WHERE ") +
           warunekPola(QStringLiteral("Nazwisko"), gracz.nazwisko) + QStringLiteral(" And ") +
           warunekPola(QStringLiteral("Imie"), gracz.imie) + QStringLiteral(" And ") +
           warunekPola(QStringLiteral("Przydomek"), gracz.przydomek);
}

QString kluczGracza(const Gracz& gracz) {
    return kluczPola(gracz.nazwisko) + u'\x1f' + kluczPola(gracz.imie) + u'\x1f' +
           kluczPola(gracz.przydomek);
}

QString zapytanieMeczu(const Mecz& mecz) {
    // A year-month-day literal is read as the same day whatever the locale.
    return QStringLiteral("SELECT * FROM Mecze WHERE Id_sezonu = ") +
           QString::number(mecz.idSezonu) + QStringLiteral(" AND Data = #") +
           mecz.data.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral("# AND Gdzie = '") +
           mecz.gdzie + QStringLiteral("' AND Id_klubu = ") + QString::number(mecz.idKlubu) +
           QStringLiteral(" AND Wyn1 = ") + QString::number(mecz.wyn1) +
           QStringLiteral(" AND Wyn2 = ") + QString::number(mecz.wyn2) +
           QStringLiteral(" AND Id_rozgrywki = ") + QString::number(mecz.idRozgrywki);
}

QString kluczMeczu(const Mecz& mecz) {
    const QChar s(u'\x1f');
    return QString::number(mecz.idSezonu) + s + mecz.data.toString(Qt::ISODate) + s +
           malymi(mecz.gdzie) + s + QString::number(mecz.idKlubu) + s + QString::number(mecz.wyn1) +
           s + QString::number(mecz.wyn2) + s + QString::number(mecz.idRozgrywki);
}

QDate dzienMeczu(const QVariant& data) {
    if (data.typeId() == QMetaType::QDate) {
        return data.toDate();
    }
    return QDate::fromString(data.toString().left(10), Qt::ISODate);
}

}  // namespace duplikaty
