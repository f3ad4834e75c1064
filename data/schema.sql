-- The Mirvola diary. Column order is binding: the dictionaries are read by position
-- (0 = key, 1 = name, 2 = flag). Yes/no columns hold -1 (True) and 0 (False); dates are
-- ISO text yyyy-MM-dd. The schema names no custom collation or function, so standard SQLite
-- tools can check, compact and browse the file.
PRAGMA application_id = 1297499202; -- 'MVDB'
PRAGMA user_version = 1;

CREATE TABLE Sezony (
    Id_sezonu INTEGER PRIMARY KEY AUTOINCREMENT,
    Sezon VARCHAR(10)
);

CREATE TABLE Kluby (
    Id_klubu INTEGER PRIMARY KEY AUTOINCREMENT,
    Druzyna VARCHAR(50)
);

CREATE TABLE Rozgrywki (
    Id_rozgrywki INTEGER PRIMARY KEY AUTOINCREMENT,
    Nazwa VARCHAR(50),
    Oficjalny BOOLEAN NOT NULL DEFAULT -1
);

CREATE TABLE Jak (
    Id_jak INTEGER PRIMARY KEY AUTOINCREMENT,
    Jak VARCHAR(20),
    CzySam BOOLEAN NOT NULL DEFAULT 0
);

CREATE TABLE Gracze (
    Id_gracza INTEGER PRIMARY KEY AUTOINCREMENT,
    Imie VARCHAR(30),
    Nazwisko VARCHAR(30),
    Przydomek VARCHAR(30)
);

-- Id_sezonu, Id_klubu and Id_rozgrywki refer to the dictionaries without a declared foreign
-- key: deleting a dictionary row is never refused, and the match keeps the old id.
CREATE TABLE Mecze (
    Id_meczu INTEGER PRIMARY KEY AUTOINCREMENT,
    Id_sezonu INTEGER,
    Data DATE,
    Gdzie CHAR(1),
    Id_klubu INTEGER,
    Wyn1 INTEGER,
    Wyn2 INTEGER,
    Id_rozgrywki INTEGER,
    Komentarz TEXT
);

-- The goals of a match go with it (foreign keys are switched on by every connection).
-- Id_gracza and Id_jak refer to the dictionaries the same way as the match columns above.
CREATE TABLE Bramki (
    Id_meczu INTEGER NOT NULL REFERENCES Mecze (Id_meczu) ON DELETE CASCADE,
    Nr_pozycji INTEGER NOT NULL,
    Czy_Mirvola BOOLEAN NOT NULL DEFAULT 0,
    Id_gracza INTEGER,
    Minuta INTEGER,
    Id_jak INTEGER,
    PRIMARY KEY (Id_meczu, Nr_pozycji)
);

CREATE UNIQUE INDEX Sezony_Sezon ON Sezony (Sezon COLLATE NOCASE);
CREATE UNIQUE INDEX Kluby_Druzyna ON Kluby (Druzyna COLLATE NOCASE);
CREATE UNIQUE INDEX Rozgrywki_Nazwa ON Rozgrywki (Nazwa COLLATE NOCASE);
CREATE UNIQUE INDEX Jak_Jak ON Jak (Jak COLLATE NOCASE);

CREATE INDEX Mecze_Id_klubu ON Mecze (Id_klubu);
CREATE INDEX Mecze_Id_sezonu ON Mecze (Id_sezonu);
CREATE INDEX Bramki_Id_gracza ON Bramki (Id_gracza);
