#include "data/StatystykiPilkarzy.h"

namespace pilkarze {
namespace {

const QString kGlowa = QStringLiteral(
    "SELECT Trim(IIf(IsNull(Gracze.Nazwisko), Gracze.Przydomek, Gracze.Imie & ' ' & "
    "Gracze.Nazwisko & IIf(IsNull(Gracze.Przydomek), '', ' ' & Gracze.Przydomek))) AS Zawodnik, "
    "Count(Bramki.Id_gracza) AS Bramki, Gracze.Id_gracza FROM Jak RIGHT JOIN (Mecze RIGHT JOIN "
    "(Gracze LEFT JOIN Bramki ON Gracze.Id_gracza = Bramki.Id_gracza) ON Mecze.Id_meczu = "
    "Bramki.Id_meczu) ON Jak.Id_jak = Bramki.Id_jak WHERE (Mecze.Id_rozgrywki In ");

const QString kOgon = QStringLiteral(
    ") GROUP BY Trim(IIf(IsNull(Gracze.Nazwisko), Gracze.Przydomek, Gracze.Imie & ' ' & "
    "Gracze.Nazwisko & IIf(IsNull(Gracze.Przydomek), '', ' ' & Gracze.Przydomek))), "
    "Gracze.Id_gracza, Trim(IIf(IsNull(Gracze.Nazwisko), Gracze.Przydomek, Gracze.Nazwisko & ' ' "
    "& Gracze.Imie & IIf(IsNull(Gracze.Przydomek), '', Gracze.Przydomek))) ORDER BY "
    "Count(Bramki.Id_gracza) DESC, Trim(IIf(IsNull(Gracze.Nazwisko), Gracze.Przydomek, "
    "Gracze.Nazwisko & ' ' & Gracze.Imie & IIf(IsNull(Gracze.Przydomek), '', "
    "Gracze.Przydomek)))");

}  // namespace

QString Zapytanie(const QString& rozgrywki, const QString& gdzie, const QString& warunek) {
    return kGlowa + rozgrywki + QStringLiteral(" AND Mecze.Gdzie In ") + gdzie + warunek + kOgon;
}

std::vector<Strzelec> CzytajStrzelcow(engine::Recordset& rs) {
    std::vector<Strzelec> strzelcy;
    for (; !rs.eof(); rs.moveNext()) {
        strzelcy.push_back({rs.value(QStringLiteral("Id_gracza")).toString(),
                            rs.value(QStringLiteral("Zawodnik")).toString(),
                            rs.value(QStringLiteral("Bramki")).toLongLong()});
    }
    return strzelcy;
}

}  // namespace pilkarze
