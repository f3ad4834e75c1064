#include "data/RaportSezonu.h"

#include "data/Mirvola.h"
#include "data/OpisMeczu.h"
#include "data/engine/Database.h"
#include "data/engine/Recordset.h"

#include <QHash>
#include <QVariant>

#include <algorithm>
#include <memory>

namespace raport {
namespace {

struct Miejsce {
    const char* kod;
    const char* nazwa;
    const char* panel;
};
const std::array<Miejsce, 3> kMiejsca = {
    {{"'D'", "w domu", "Bilans w domu"},
     {"'W'", "na wyjeździe", "Bilans na wyjeździe"},
     {"'N'", "na terenie neutralnym", "Bilans na ter. neutral."}}};

bool wszystkieMiejsca(const QString& strGdzie) {
    if (strGdzie.isEmpty()) {
        return true;
    }
    return std::all_of(kMiejsca.cbegin(), kMiejsca.cend(), [&](const Miejsce& m) {
        return strGdzie.contains(QString::fromUtf8(m.kod));
    });
}

bool jestMiejsce(const QString& strGdzie, const Miejsce& m) {
    return strGdzie.isEmpty() || strGdzie.contains(QString::fromUtf8(m.kod));
}

QStringList teksty(engine::Database& baza, const QString& sql) {
    const auto rs = baza.openRecordset(sql);
    QStringList wynik;
    for (; !rs->eof(); rs->moveNext()) {
        wynik << rs->value(0).toString();
    }
    rs->close();
    return wynik;
}

QString listaSQL(const QStringList& id) {
    return u'(' + id.join(QStringLiteral(", ")) + u')';
}

Opis Opisz(engine::Database& baza, const wybor::Filtr& filtr) {
    Opis opis;
    if (filtr.strSezony.isEmpty()) {
        opis.sezony = QStringLiteral("wszystkie sezony");
    } else {
        opis.wszystkieSezony =
            teksty(baza, QStringLiteral("SELECT Sezon FROM Sezony WHERE Id_sezonu In ") +
                             filtr.strSezony + QStringLiteral(" ORDER BY Sezon"));
        const QStringList& s = opis.wszystkieSezony;
        if (s.isEmpty()) {
            opis.sezony = QStringLiteral("żaden sezon");
        } else if (s.size() == 1) {
            opis.sezony = QStringLiteral("sezon ") + s.front();
        } else if (s.size() <= 4) {
            opis.sezony = QStringLiteral("sezony ") + s.join(QStringLiteral(", "));
        } else {
            opis.sezony =
                QStringLiteral("%1 sezonów od %2 do %3").arg(s.size()).arg(s.front(), s.back());
        }
    }

    const int rozgrywek =
        static_cast<int>(teksty(baza, QStringLiteral("SELECT Id_rozgrywki FROM Rozgrywki")).size());
    const QStringList wybrane =
        filtr.strRozgrywki.isEmpty()
            ? QStringList()
            : teksty(baza, QStringLiteral("SELECT Nazwa FROM Rozgrywki WHERE Id_rozgrywki In ") +
                               filtr.strRozgrywki + QStringLiteral(" ORDER BY Nazwa"));
    if (filtr.strRozgrywki.isEmpty() || (rozgrywek > 0 && wybrane.size() == rozgrywek)) {
        opis.rozgrywki = QStringLiteral("wszystkie rozgrywki");
    } else if (wybrane.isEmpty()) {
        opis.rozgrywki = QStringLiteral("żadne");
    } else {
        opis.rozgrywki = wybrane.join(QStringLiteral(", "));
    }

    QStringList miejsca;
    for (const Miejsce& m : kMiejsca) {
        if (jestMiejsce(filtr.strGdzie, m)) {
            miejsca << QString::fromUtf8(m.nazwa);
        }
    }
    opis.miejsca = wszystkieMiejsca(filtr.strGdzie) ? QStringLiteral("wszystkie miejsca")
                   : miejsca.isEmpty()              ? QStringLiteral("żadne")
                                                    : miejsca.join(QStringLiteral(", "));
    return opis;
}

// The balance as the match statistics count it, narrowed to the chosen seasons; over the chosen
// venues only when some are left out, so that it agrees with the matches listed below it.
std::vector<PanelBilansu> Bilanse(engine::Database& baza, const wybor::Filtr& filtr) {
    const bilans::Licznik policz = [&baza](const QString& sql) {
        const auto rs = baza.openRecordset(sql);
        const int n = rs->recordCount();
        rs->close();
        return n;
    };
    const QString rozgrywki = filtr.strRozgrywki.isEmpty()
                                  ? QStringLiteral("(SELECT Id_rozgrywki FROM Rozgrywki)")
                                  : filtr.strRozgrywki;
    const QString sezony = filtr.strSezony.isEmpty()
                               ? QString()
                               : QStringLiteral(" AND Id_sezonu In ") + filtr.strSezony;
    std::vector<PanelBilansu> panele;
    const QString miejsca = wszystkieMiejsca(filtr.strGdzie)
                                ? QString()
                                : QStringLiteral(" AND Gdzie In ") + filtr.strGdzie;
    panele.push_back(
        {QStringLiteral("Bilans"), bilans::LiczPanel(policz, 0, rozgrywki, sezony + miejsca)});
    for (size_t i = 0; i < kMiejsca.size(); ++i) {
        if (jestMiejsce(filtr.strGdzie, kMiejsca[i])) {
            panele.push_back(
                {QString::fromUtf8(kMiejsca[i].panel),
                 bilans::LiczPanel(policz, static_cast<int>(i) + 1, rozgrywki, sezony)});
        }
    }
    return panele;
}

// The home club's goals in the chosen matches, per match in their numbered order.
QHash<qint64, std::vector<opis::Bramka>> BramkiMirvoli(engine::Database& baza,
                                                       const wybor::Filtr& filtr) {
    const QStringList warunki =
        QStringList{QStringLiteral("Bramki.Czy_Mirvola = True")} + wybor::Warunki(filtr);
    const auto rs = baza.openRecordset(opis::kZapytanieBramek + QStringLiteral(" WHERE (") +
                                       warunki.join(QStringLiteral(" AND ")) +
                                       QStringLiteral(") ORDER BY Bramki.Id_meczu, "
                                                      "Bramki.Nr_pozycji"));
    QHash<qint64, std::vector<opis::Bramka>> bramki;
    for (; !rs->eof(); rs->moveNext()) {
        opis::Bramka b = opis::CzytajBramke(*rs);
        bramki[b.idMeczu].push_back(std::move(b));
    }
    rs->close();
    return bramki;
}

std::vector<SezonMeczow> MeczeSezonami(engine::Database& baza, const wybor::Filtr& filtr,
                                       const std::vector<wybor::Mecz>& mecze,
                                       const std::vector<sezony::Sezon>& kolejnosc) {
    const QHash<qint64, std::vector<opis::Bramka>> bramki = BramkiMirvoli(baza, filtr);
    QHash<QString, size_t> numer;
    std::vector<SezonMeczow> wynik;
    for (const sezony::Sezon& s : kolejnosc) {
        numer.insert(s.sezon, wynik.size());
        wynik.push_back({s.sezon, {}});
    }
    for (const wybor::Mecz& m : mecze) {
        const QString sezon = m.sezon.value_or(sezony::kBezSezonu);
        const auto b = bramki.constFind(m.idMeczu);
        wynik[numer.value(sezon)].mecze.push_back(
            {m, b == bramki.cend() ? QString() : opis::StrzelcyJednymWierszem(*b)});
    }
    return wynik;
}

std::vector<pilkarze::Strzelec> Strzelcy(engine::Database& baza, const wybor::Filtr& filtr) {
    const QString sezony = filtr.strSezony.isEmpty()
                               ? QString()
                               : QStringLiteral(" AND Mecze.Id_sezonu In ") + filtr.strSezony;
    const auto rs = baza.openRecordset(pilkarze::Zapytanie(filtr.strRozgrywki, filtr.strGdzie,
                                                           pilkarze::kWarunekDomyslny + sezony));
    std::vector<pilkarze::Strzelec> strzelcy = pilkarze::CzytajStrzelcow(*rs);
    rs->close();
    return strzelcy;
}

}  // namespace

QString TytulSekcji(Sekcja sekcja) {
    switch (sekcja) {
        case kPodsumowanie:
            return QStringLiteral("Podsumowanie");
        case kMecze:
            return QStringLiteral("Mecze");
        case kStrzelcy:
            return QStringLiteral("Strzelcy");
        case kRekordy:
            return QStringLiteral("Rekordy");
        case kWykres:
            return QStringLiteral("Wykres sezonów");
        case kSekcji:
            break;
    }
    return QString();
}

Raport Zbierz(const QString& sciezka, const Wybor& wybor) {
    Raport r;
    r.wybor = wybor;
    const wybor::Filtr& filtr = wybor.filtr;
    const auto baza = engine::Database::open(sciezka);
    r.opis = Opisz(*baza, filtr);
    const std::vector<wybor::Mecz> mecze = wybor::WczytajMecze(sciezka, filtr);
    r.sezony = sezony::LiczSezony(mecze);
    if (wybor.sekcje[kPodsumowanie]) {
        r.podsumowanie.mecze = static_cast<int>(mecze.size());
        r.podsumowanie.panele = Bilanse(*baza, filtr);
        for (const sezony::Sezon& s : r.sezony) {
            r.podsumowanie.strzelone += s.strzelone;
            r.podsumowanie.stracone += s.stracone;
        }
    }
    if (wybor.sekcje[kMecze]) {
        r.mecze = MeczeSezonami(*baza, filtr, mecze, r.sezony);
    }
    if (wybor.sekcje[kStrzelcy]) {
        r.strzelcy = Strzelcy(*baza, filtr);
    }
    if (wybor.sekcje[kRekordy]) {
        r.rekordy = rekordy::LiczRekordy(mecze, rekordy::WczytajBramki(sciezka));
    }
    baza->close();
    return r;
}

Wybor WyborWiersza(const QString& sciezka, const QStringList& sezony, bool tylkoOficjalne,
                   QString* nieznany) {
    Wybor w;
    const auto baza = engine::Database::open(sciezka);
    const QStringList rozgrywki =
        teksty(*baza, QStringLiteral("SELECT Id_rozgrywki FROM Rozgrywki") +
                          (tylkoOficjalne ? QStringLiteral(" WHERE Oficjalny = True") : QString()));
    w.filtr.strRozgrywki = rozgrywki.isEmpty() ? QStringLiteral("(0)") : listaSQL(rozgrywki);
    w.filtr.strGdzie = QStringLiteral("('D', 'W', 'N')");
    QStringList idSezonow;
    for (const QString& sezon : sezony) {
        const QStringList id =
            teksty(*baza, QStringLiteral("SELECT Id_sezonu FROM Sezony WHERE Sezon = ") +
                              Mirvola::TekstSQL(sezon));
        if (id.isEmpty()) {
            if (nieznany) {
                *nieznany = sezon;
            }
            return w;
        }
        idSezonow << id;
    }
    if (!idSezonow.isEmpty()) {
        w.filtr.strSezony = listaSQL(idSezonow);
    }
    baza->close();
    return w;
}

}  // namespace raport
