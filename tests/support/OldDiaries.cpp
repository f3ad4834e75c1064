#include "support/OldDiaries.h"

namespace testing_support {

void fillAwkwardDiary(const Diary& diary) {
    diary.exec(QStringLiteral(R"SQL(
INSERT INTO Sezony (Id_sezonu, Sezon) VALUES (1, '1999/00'), (2, '2000/01'), (7, '2002/03');
INSERT INTO Kluby (Id_klubu, Druzyna) VALUES (1, 'Śląsk Wrocław'), (2, 'Wisła Kraków'),
  (3, 'ŁKS Łódź'), (5, 'Pogoń "Portowcy" Szczecin');
INSERT INTO Rozgrywki (Id_rozgrywki, Nazwa, Oficjalny) VALUES (1, 'Liga okręgowa', -1),
  (2, 'Puchar Polski – ćwierćfinał', -1), (3, 'Sparing zimą', 0);
INSERT INTO Jak (Id_jak, Jak, CzySam) VALUES (1, 'z gry', 0), (2, 'główką', 0),
  (3, 'samobójczy', -1), (4, 'rzut karny', 0);
INSERT INTO Gracze (Id_gracza, Imie, Nazwisko, Przydomek) VALUES
  (1, 'Łukasz', 'Żółtowski', 'Żółw'), (2, 'Jan', 'Kowalski', NULL), (3, NULL, NULL, 'Ślimak'),
  (4, 'Sean', 'O''Neil', NULL), (6, 'Grzegorz', 'Bąk', 'Ćma');
INSERT INTO Mecze (Id_meczu, Id_sezonu, Data, Gdzie, Id_klubu, Wyn1, Wyn2, Id_rozgrywki,
  Komentarz) VALUES
  (1, 1, '1999-08-14', 'D', 1, 2, 1, 1,
   'Mecz w deszczu' || char(13, 10) || 'Ławka rezerwowych pełna „kibiców”'),
  (2, 1, '2000-03-05', 'W', 2, 1, 2, 1, NULL),
  (3, 2, '2000-09-01', 'N', 3, 0, 0, 3, 'Na terenie neutralnym'),
  (4, 2, '2001-02-11', 'D', 99, 3, 0, 2, NULL),
  (5, 7, '1899-06-30', 'W', 5, NULL, NULL, 1, 'Mecz sprzed stu lat, wynik nieznany'),
  (9, 7, '2003-05-04', 'D', 1, 1, 1, 8, 'Rozgrywki usunięte ze słownika');
INSERT INTO Bramki (Id_meczu, Nr_pozycji, Czy_Mirvola, Id_gracza, Minuta, Id_jak) VALUES
  (1, 1, -1, 1, 10, 1), (1, 2, -1, 2, 55, 2), (1, 3, 0, 3, 70, 1),
  (2, 1, 0, 3, 7, 1), (2, 2, -1, 1, 20, 3), (2, 3, -1, 4, 88, 1),
  (4, 1, -1, 6, 1, 4), (4, 2, -1, 1, 45, 1), (4, 3, -1, 12, 90, 1),
  (9, 1, 0, 2, 120, 3);
)SQL"));
}

void writeOldDiary(const QString& diaryPath, const QString& jetPath,
                   const jetfile::Options& options) {
    jetfile::writeJetFile(jetPath, jetfile::oldDiaryTables(diaryPath), options);
}

}  // namespace testing_support
