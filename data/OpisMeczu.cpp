#include "data/OpisMeczu.h"

#include <QStringList>
#include <QVariant>

namespace opis {
namespace {

QString tekst(const QVariant& v) {
    return v.isNull() ? QString() : v.toString();
}

QString minutaIRodzaj(const Bramka& b) {
    return b.minuta + QStringLiteral("' (") + b.jak + u')';
}

}  // namespace

const QString kZapytanieBramek = QStringLiteral(
    "SELECT Bramki.Id_meczu, Bramki.Nr_pozycji, Bramki.Czy_Mirvola, "
    "Bramki.Id_gracza, Trim(IIf(IsNull(Gracze.Nazwisko), Gracze.Przydomek, "
    "Gracze.Imie & ' ' & Gracze.Nazwisko & IIf(IsNull(Gracze.Przydomek), "
    "'', ' ' & Gracze.Przydomek))) AS Strzelec, Bramki.Minuta, "
    "Jak.Id_jak, Jak.Jak FROM Mecze LEFT JOIN (Jak RIGHT JOIN (Gracze RIGHT "
    "JOIN Bramki ON Gracze.Id_gracza = Bramki.Id_gracza) ON Jak.Id_jak = "
    "Bramki.Id_jak) ON Mecze.Id_meczu = Bramki.Id_meczu");

QString ZapytanieBramekMeczu(const QString& idMeczu) {
    return kZapytanieBramek + QStringLiteral(" WHERE Bramki.Id_meczu = ") + idMeczu +
           QStringLiteral(" ORDER BY Bramki.Nr_pozycji");
}

Bramka CzytajBramke(const engine::Recordset& rs) {
    Bramka b;
    b.idMeczu = rs.value(QStringLiteral("Id_meczu")).toLongLong();
    b.dlaMirvoli = rs.value(QStringLiteral("Czy_Mirvola")).toLongLong() != 0;
    b.strzelec = tekst(rs.value(QStringLiteral("Strzelec")));
    b.minuta = tekst(rs.value(QStringLiteral("Minuta")));
    b.jak = tekst(rs.value(QStringLiteral("Jak")));
    return b;
}

QString LiniaBramki(const Bramka& b) {
    return b.strzelec + u' ' + b.minuta + QStringLiteral("'  (") + b.jak + u')';
}

QString StrzelcyJednymWierszem(const std::vector<Bramka>& bramki) {
    QStringList strzelcy;
    QList<QStringList> minuty;
    for (const Bramka& b : bramki) {
        const qsizetype i = strzelcy.indexOf(b.strzelec);
        if (i < 0) {
            strzelcy << b.strzelec;
            minuty << QStringList{minutaIRodzaj(b)};
        } else {
            minuty[i] << minutaIRodzaj(b);
        }
    }
    QStringList czesci;
    for (qsizetype i = 0; i < strzelcy.size(); ++i) {
        czesci << strzelcy[i] + u' ' + minuty[i].join(QStringLiteral(", "));
    }
    return czesci.join(QStringLiteral("; "));
}

}  // namespace opis
