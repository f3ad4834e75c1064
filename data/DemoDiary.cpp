#include "data/DemoDiary.h"

#include "data/engine/Connection.h"
#include "data/engine/Error.h"
#include "data/engine/FileOps.h"

#include <QDate>
#include <QFile>
#include <QStringList>

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace demo {
namespace {

// splitmix64: small, fast and the same on every platform and compiler, unlike the standard
// library's distributions.
class Random {
  public:
    explicit Random(std::uint64_t seed) : m_state(seed) {}

    std::uint64_t next() {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // 0 .. n-1
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); }
    // 1 .. 100 at or below `percent`
    bool percent(int percent) { return below(100) < percent; }
    // An index chosen with the given weights.
    template <size_t N>
    int weighted(const std::array<int, N>& weights) {
        int total = 0;
        for (const int w : weights) {
            total += w;
        }
        int roll = below(total);
        for (size_t i = 0; i < N; ++i) {
            if (roll < weights[i]) {
                return static_cast<int>(i);
            }
            roll -= weights[i];
        }
        return static_cast<int>(N) - 1;
    }

  private:
    std::uint64_t m_state;
};

constexpr std::uint64_t kSeed = 0x4D69727661ULL;  // "Mirva"
constexpr int kLastSeasonStart = 2009;

const char* const kClubs[] = {
    "Legia Warszawa", "Wisła Kraków",       "Lech Poznań",    "Śląsk Wrocław",
    "Górnik Zabrze",  "Ruch Chorzów",       "Widzew Łódź",    "ŁKS Łódź",
    "Pogoń Szczecin", "Zagłębie Lubin",     "Jagiellonia",    "Korona Kielce",
    "Cracovia",       "Polonia Warszawa",   "Arka Gdynia",    "Lechia Gdańsk",
    "Odra Wodzisław", "Amica Wronki",       "GKS Bełchatów",  "GKS Katowice",
    "Stal Mielec",    "Bayern Monachium",   "Real Madryt",    "Ajax Amsterdam",
    "Sparta Praga",   "Dynamo Kijów",       "Celtic Glasgow", "Benfica Lizbona",
    "Rapid Wiedeń",   "Fenerbahçe Stambuł",
};

const char* const kFirstNames[] = {
    "Jan",    "Adam",      "Piotr",   "Paweł",    "Tomasz", "Łukasz",  "Michał",   "Krzysztof",
    "Marcin", "Grzegorz",  "Andrzej", "Jakub",    "Kamil",  "Maciej",  "Wojciech", "Zbigniew",
    "Rafał",  "Sebastian", "Dariusz", "Mirosław", "Jerzy",  "Bartosz", "Artur",    "Sławomir",
};

const char* const kSurnames[] = {
    "Kowalski",    "Nowak",     "Wiśniewski",  "Wójcik",   "Kowalczyk",  "Kamiński",
    "Lewandowski", "Zieliński", "Szymański",   "Woźniak",  "Dąbrowski",  "Kozłowski",
    "Jankowski",   "Mazur",     "Kwiatkowski", "Krawczyk", "Piotrowski", "Grabowski",
    "Nowakowski",  "Pawłowski", "Michalski",   "Król",     "Wieczorek",  "Jabłoński",
    "Wróbel",      "Majewski",  "Olszewski",   "Stępień",  "Żurawski",   "Błaszczykowski",
};

const char* const kNicknames[] = {
    "Ronaldinho", "Kaka",     "Żyleta", "Bobo",   "Siwy",    "Mały",     "Gruby",
    "Dziadek",    "Profesor", "Pele",   "Ślimak", "Kudłaty", "Szczurek", "Łysy",
    "Bosman",     "Czarny",   "Rudy",   "Wariat", "Błysk",   "Dżoker",
};

const char* const kComments[] = {
    "Świetna atmosfera na trybunach.",     "Mecz w deszczu, boisko jak bagno.",
    "Sędzia nie uznał prawidłowego gola.", "Pierwszy mecz nowego trenera.",
    "Kibice gości zajęli cały sektor.",    "Zimno, ale warto było przyjechać.",
    "Rzut karny w doliczonym czasie gry.", "Mecz przerwany na 10 minut z powodu rac.",
};

const char* const kCommentTails[] = {
    "Wracaliśmy nocnym pociągiem.",
    "Bilety po 20 zł.",
    "Na stadionie było 8 tysięcy widzów.",
    "Po meczu spotkanie z piłkarzami.",
};

struct Ids {
    int seasons = 0;
    int clubs = 0;
    int players = 0;
};

QString text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

void insertSeasons(engine::Connection& db, int count) {
    engine::Statement insert(db, QByteArrayLiteral("INSERT INTO Sezony (Sezon) VALUES (?1)"));
    const int first = kLastSeasonStart - count + 1;
    for (int year = first; year < first + count; ++year) {
        insert.reset();
        insert.bind(
            1, QStringLiteral("%1/%2").arg(year).arg((year + 1) % 100, 2, 10, QLatin1Char('0')));
        insert.step();
    }
}

void insertClubs(engine::Connection& db, int count) {
    engine::Statement insert(db, QByteArrayLiteral("INSERT INTO Kluby (Druzyna) VALUES (?1)"));
    const int base = static_cast<int>(std::size(kClubs));
    for (int i = 0; i < count; ++i) {
        QString name = text(kClubs[i % base]);
        if (i >= base) {
            name += u' ' + QString::number(i / base + 1);
        }
        insert.reset();
        insert.bind(1, name);
        insert.step();
    }
}

void insertPlayers(engine::Connection& db, int count, Random& random) {
    engine::Statement insert(
        db,
        QByteArrayLiteral("INSERT INTO Gracze (Imie, Nazwisko, Przydomek) VALUES (?1, ?2, ?3)"));
    for (int i = 0; i < count; ++i) {
        QVariant first = text(kFirstNames[random.below(static_cast<int>(std::size(kFirstNames)))]);
        QVariant surname = text(kSurnames[random.below(static_cast<int>(std::size(kSurnames)))]);
        QVariant nickname;
        if (i == 3) {
            first = QStringLiteral("Sean");
            surname = QStringLiteral("O'Neil");
        } else if (i % 15 == 7) {
            first = QVariant();
            surname = QVariant();
            nickname = text(kNicknames[random.below(static_cast<int>(std::size(kNicknames)))]);
        } else if (i % 6 == 2) {
            nickname = text(kNicknames[random.below(static_cast<int>(std::size(kNicknames)))]);
        }
        insert.reset();
        insert.bind(1, first);
        insert.bind(2, surname);
        insert.bind(3, nickname);
        insert.step();
    }
}

void insertDictionaries(engine::Connection& db) {
    db.exec(
        "INSERT INTO Rozgrywki (Nazwa, Oficjalny) VALUES ('Liga', -1), ('Puchar Polski', -1), "
        "('Puchar UEFA', -1), ('Sparing', 0);"
        "INSERT INTO Jak (Jak, CzySam) VALUES ('z gry', 0), ('karny', 0), ('wolny', 0), "
        "('głową', 0), ('samobójczy', -1);");
}

// Competition ids as inserted above; the cups and friendlies may go to extra time.
constexpr int kLiga = 1;
constexpr int kSparing = 4;

QVariant comment(Random& random) {
    if (!random.percent(20)) {
        return {};
    }
    QString line = text(kComments[random.below(static_cast<int>(std::size(kComments)))]);
    if (random.percent(50)) {
        line += QStringLiteral("\r\n") +
                text(kCommentTails[random.below(static_cast<int>(std::size(kCommentTails)))]);
    }
    return line;
}

class MatchWriter {
  public:
    MatchWriter(engine::Connection& db, const Size& size, Random& random)
        : m_db(db),
          m_size(size),
          m_random(random),
          m_match(db, QByteArrayLiteral("INSERT INTO Mecze (Id_sezonu, Data, Gdzie, Id_klubu, "
                                        "Wyn1, Wyn2, Id_rozgrywki, Komentarz) VALUES (?1, ?2, ?3, "
                                        "?4, ?5, ?6, ?7, ?8)")),
          m_goal(db, QByteArrayLiteral("INSERT INTO Bramki (Id_meczu, Nr_pozycji, Czy_Mirvola, "
                                       "Id_gracza, Minuta, Id_jak) VALUES (?1, ?2, ?3, ?4, ?5, "
                                       "?6)")) {}

    void writeSeason(int season, int matches) {
        const int startYear = kLastSeasonStart - m_size.seasons + 1 + season;
        const QDate opening(startYear, 7, 20);
        std::vector<int> days(static_cast<size_t>(matches));
        for (int& day : days) {
            day = m_random.below(320);
        }
        std::sort(days.begin(), days.end());
        for (const int day : days) {
            writeMatch(season + 1, opening.addDays(day));
        }
    }

  private:
    void writeMatch(int seasonId, const QDate& date) {
        static constexpr std::array<int, 3> venueWeights{45, 45, 10};
        static constexpr std::array<int, 4> competitionWeights{60, 15, 10, 15};
        static constexpr std::array<int, 8> scoreWeights{25, 30, 22, 12, 6, 3, 1, 1};
        const char venue = "DWN"[m_random.weighted(venueWeights)];
        const int competition = m_random.weighted(competitionWeights) + 1;
        const int score[2] = {m_random.weighted(scoreWeights), m_random.weighted(scoreWeights)};
        m_match.reset();
        m_match.bind(1, seasonId);
        m_match.bind(2, date);
        m_match.bind(3, QString(QLatin1Char(venue)));
        m_match.bind(4, m_random.below(m_size.clubs) + 1);
        m_match.bind(5, score[0]);
        m_match.bind(6, score[1]);
        m_match.bind(7, competition);
        m_match.bind(8, comment(m_random));
        m_match.step();
        const qint64 match = sqlite3_last_insert_rowid(m_db.handle());
        // Host goals first, then the guest's; the home club is the host at home and on neutral
        // ground.
        int position = 1;
        for (int side = 0; side < 2; ++side) {
            const bool homeClub = (side == 0) == (venue != 'W');
            writeGoals(match, score[side], homeClub,
                       competition != kLiga && competition != kSparing, position);
        }
    }

    void writeGoals(qint64 match, int score, bool homeClub, bool extraTime, int& position) {
        // z gry, karny, wolny, głową, samobójczy
        static constexpr std::array<int, 5> kindWeights{60, 10, 8, 16, 6};
        int entered = score;
        if (score > 0 && m_random.percent(10)) {
            entered = m_random.below(score);  // some scorers were not noted
        }
        std::vector<int> minutes(static_cast<size_t>(entered));
        const int lastMinute = extraTime && m_random.percent(20) ? 120 : 90;
        for (int& minute : minutes) {
            minute = m_random.below(lastMinute) + 1;
        }
        std::sort(minutes.begin(), minutes.end());
        for (const int minute : minutes) {
            m_goal.reset();
            m_goal.bind(1, qlonglong(match));
            m_goal.bind(2, position++);
            m_goal.bind(3, homeClub ? -1 : 0);
            m_goal.bind(4, m_random.below(m_size.players) + 1);
            m_goal.bind(5, minute);
            m_goal.bind(6, m_random.weighted(kindWeights) + 1);
            m_goal.step();
        }
    }

    engine::Connection& m_db;
    const Size& m_size;
    Random& m_random;
    engine::Statement m_match;
    engine::Statement m_goal;
};

void fill(engine::Connection& db, int scale) {
    const Size size = sizeFor(scale);
    Random random(kSeed);
    db.exec("BEGIN");
    insertSeasons(db, size.seasons);
    insertClubs(db, size.clubs);
    insertPlayers(db, size.players, random);
    insertDictionaries(db);
    {
        MatchWriter writer(db, size, random);
        for (int season = 0; season < size.seasons; ++season) {
            // The matches spread evenly over the seasons.
            const int from = season * size.matches / size.seasons;
            const int to = (season + 1) * size.matches / size.seasons;
            writer.writeSeason(season, to - from);
        }
    }
    db.exec("COMMIT");
}

}  // namespace

Size sizeFor(int scale) {
    const int s = std::max(1, scale);
    return {10 * s, 30 * s, 150 * s, 300 * s};
}

void createDiary(const QString& path, int scale) {
    engine::createDatabase(path);
    try {
        const auto db = engine::Connection::open(path);
        fill(*db, scale);
    } catch (...) {
        QFile::remove(path);
        throw;
    }
}

}  // namespace demo
