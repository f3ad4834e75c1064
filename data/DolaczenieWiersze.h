#pragma once

// Internal to the merging of diaries (Dolaczenie.h): the rows of the seven tables of a diary or
// of an old program's file, read in key order.

#include <QString>
#include <QStringList>
#include <QVariant>

#include <vector>

struct sqlite3;

namespace dolaczenie {

struct Wpis {  // a row of Kluby, Rozgrywki, Sezony or Jak
    qint64 id = 0;
    QVariant nazwa;
    QVariant flaga;  // Oficjalny, CzySam; Null for the dictionaries without one
};

struct Osoba {  // a row of Gracze
    qint64 id = 0;
    QVariant imie;
    QVariant nazwisko;
    QVariant przydomek;
};

struct Spotkanie {  // a row of Mecze
    qint64 id = 0;
    QVariant sezon;
    QVariant data;
    QVariant gdzie;
    QVariant klub;
    QVariant wyn1;
    QVariant wyn2;
    QVariant rozgrywki;
    QVariant komentarz;
};

struct Gol {  // a row of Bramki
    qint64 mecz = 0;
    QVariant nr;
    QVariant czyMirvola;
    QVariant gracz;
    QVariant minuta;
    QVariant jak;
};

struct Wiersze {
    std::vector<Wpis> kluby;
    std::vector<Wpis> rozgrywki;
    std::vector<Wpis> sezony;
    std::vector<Wpis> jak;
    std::vector<Osoba> gracze;
    std::vector<Spotkanie> mecze;
    std::vector<Gol> bramki;  // by match, then position
    QString rodzaj;           // what kind of file they came from, in the user's words
    QStringList obceObiekty;  // what the file's schema holds that the program never creates
};

// The rows of a diary through an open connection (the caller's transaction, if any).
Wiersze wczytajZPolaczenia(sqlite3* db);

// The rows of another file: a diary of this program (opened read-only, its schema untrusted:
// only the rows of the seven tables are read, nothing the file defines runs) or the old
// program's Jet file. What it cannot read is an engine::Error naming the file.
Wiersze wczytajPlik(const QString& path);

}  // namespace dolaczenie
