#include "data/StanMeczu.h"

#include "data/Mirvola.h"

namespace Mirvola {
namespace {

// The text of every column of the current row; a Null column is told apart from an empty
// text by a mark no column holds.
QString tekstWiersza(const engine::Recordset& rs) {
    QStringList pola;
    for (int i = 0; i < rs.fieldCount(); ++i) {
        const QVariant wartosc = rs.value(i);
        pola << (wartosc.isNull() ? QStringLiteral("\x01Null") : wartosc.toString());
    }
    return pola.join(u'\x1f');
}

QStringList wiersze(const QString& sql) {
    const StrazBazy baza(sql);
    QStringList teksty;
    for (engine::Recordset& rs = *rsDane; !rs.eof(); rs.moveNext()) {
        teksty << tekstWiersza(rs);
    }
    ZamknijBaze();
    return teksty;
}

}  // namespace

StanMeczu OdczytajStanMeczu(const QString& strIdMeczu) {
    StanMeczu stan;
    stan.mecz = wiersze(QStringLiteral("SELECT * FROM Mecze WHERE Id_meczu = ") + strIdMeczu);
    stan.istnieje = !stan.mecz.isEmpty();
    stan.bramki = wiersze(QStringLiteral("SELECT * FROM Bramki WHERE Id_meczu = ") + strIdMeczu +
                          QStringLiteral(" ORDER BY Nr_pozycji"));
    return stan;
}

}  // namespace Mirvola
