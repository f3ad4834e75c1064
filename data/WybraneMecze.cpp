#include "data/WybraneMecze.h"

#include "data/engine/Database.h"
#include "data/engine/Recordset.h"
#include "data/engine/SqlFunctions.h"

#include <QStringList>
#include <QVariant>

#include <algorithm>

namespace wybor {
namespace {

// Every match, also one whose season, club or competition row is gone. Left joins from the
// matches: the viewer's nest of right joins gives the same rows, but SQLite walks every club
// for every match with it.
const QString kZapytanie = QStringLiteral(
    "SELECT Mecze.Id_meczu, Mecze.Data, Sezony.Sezon, Mecze.Gdzie, Mecze.Id_klubu, "
    "Kluby.Druzyna, Mecze.Wyn1, Mecze.Wyn2, "
    "IIf(Mecze.Gdzie = 'W', Kluby.Druzyna & ' - Mirvola Wendrow' ,'Mirvola Wendrow - ' & "
    "Kluby.Druzyna) AS Para, Mecze.Wyn1 & ':' & Mecze.Wyn2 AS Wynik, Rozgrywki.Nazwa, "
    "Mecze.Komentarz FROM "
    "((Mecze LEFT JOIN Sezony ON Mecze.Id_sezonu = Sezony.Id_sezonu) LEFT JOIN Kluby ON "
    "Mecze.Id_klubu = Kluby.Id_klubu) LEFT JOIN Rozgrywki ON "
    "Mecze.Id_rozgrywki = Rozgrywki.Id_rozgrywki");

}  // namespace

QStringList Warunki(const Filtr& filtr) {
    QStringList czesci;
    if (!filtr.strRozgrywki.isEmpty()) {
        czesci << QStringLiteral("Mecze.Id_rozgrywki In ") + filtr.strRozgrywki;
    }
    if (!filtr.strGdzie.isEmpty()) {
        czesci << QStringLiteral("Mecze.Gdzie In ") + filtr.strGdzie;
    }
    if (!filtr.strSezony.isEmpty()) {
        czesci << QStringLiteral("Mecze.Id_sezonu In ") + filtr.strSezony;
    }
    return czesci;
}

namespace {

QString warunek(const Filtr& filtr) {
    const QStringList czesci = Warunki(filtr);
    if (czesci.isEmpty()) {
        return QString();
    }
    return QStringLiteral(" WHERE (") + czesci.join(QStringLiteral(" AND ")) + u')';
}

std::optional<QString> tekstLubBrak(const QVariant& v) {
    return v.isNull() ? std::nullopt : std::optional<QString>(v.toString());
}

std::optional<int> liczbaLubBrak(const QVariant& v) {
    return v.isNull() ? std::nullopt : std::optional<int>(static_cast<int>(v.toLongLong()));
}

}  // namespace

int Mecz::bramkiMirvoli() const {
    return gdzie == QStringLiteral("W") ? wyn2.value_or(0) : wyn1.value_or(0);
}

int Mecz::bramkiRywala() const {
    return gdzie == QStringLiteral("W") ? wyn1.value_or(0) : wyn2.value_or(0);
}

Rezultat Mecz::rezultat() const {
    if (!maWynik()) {
        return Rezultat::BezWyniku;
    }
    const int roznica = bramkiMirvoli() - bramkiRywala();
    return roznica > 0 ? Rezultat::Zwyciestwo : roznica == 0 ? Rezultat::Remis : Rezultat::Porazka;
}

bool wczesniejszy(const Mecz& a, const Mecz& b) {
    const bool aBezDaty = a.data.isNull();
    const bool bBezDaty = b.data.isNull();
    if (aBezDaty != bBezDaty) {
        return bBezDaty;
    }
    if (a.data != b.data) {
        return a.data < b.data;
    }
    return a.idMeczu < b.idMeczu;
}

std::vector<Mecz> WczytajMecze(const QString& sciezka, const Filtr& filtr) {
    const auto baza = engine::Database::open(sciezka);
    const auto rs = baza->openRecordset(kZapytanie + warunek(filtr));
    std::vector<Mecz> mecze;
    mecze.reserve(static_cast<size_t>(rs->recordCount()));
    for (; !rs->eof(); rs->moveNext()) {
        Mecz m;
        m.idMeczu = rs->value(0).toLongLong();
        m.data = rs->value(1).toDate();
        m.sezon = tekstLubBrak(rs->value(2));
        m.gdzie = rs->value(3).toString();
        m.idKlubu = rs->value(4).toLongLong();
        m.druzyna = tekstLubBrak(rs->value(5));
        m.wyn1 = liczbaLubBrak(rs->value(6));
        m.wyn2 = liczbaLubBrak(rs->value(7));
        m.para = rs->value(8).toString();
        m.wynik = rs->value(9).toString();
        m.rozgrywki = rs->value(10).toString();
        m.komentarz = rs->value(11).toString();
        mecze.push_back(std::move(m));
    }
    rs->close();
    baza->close();
    std::sort(mecze.begin(), mecze.end(), wczesniejszy);
    return mecze;
}

bool mniejszyPolsko(const QString& tekst, const QString& inny) {
    const QByteArray a = tekst.toUtf8();
    const QByteArray b = inny.toUtf8();
    return engine::comparePolish(a.constData(), static_cast<int>(a.size()), b.constData(),
                                 static_cast<int>(b.size())) < 0;
}

}  // namespace wybor
