// Every SQL text that the windows send, built the way the windows build them, sent the way
// the windows send them (OtworzBaze / rsDane / ZamknijBaze, WykonajSQL) to the shared sample
// diary. Grouped by window; the expected values follow from the sample data.
#include "data/Mirvola.h"
#include "data/engine/Database.h"
#include "data/engine/Recordset.h"
#include "support/Diary.h"

#include <QDate>
#include <QStringList>

#include <gtest/gtest.h>

#include <vector>

using namespace Qt::Literals::StringLiterals;

void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace {

using Rows = std::vector<QStringList>;

// A value of the shared recordset as text: "NULL" for Null, dates as yyyy-MM-dd.
QString text(const QVariant& value) {
    if (value.isNull()) {
        return u"NULL"_s;
    }
    if (value.typeId() == QMetaType::QDate) {
        return value.toDate().toString(u"yyyy-MM-dd"_s);
    }
    return value.toString();
}

// The sample diary, reached through the program's module.
class Diary {
  public:
    Diary() { m_diary.fillSample(); }

    // A query of a window: every row of rsDane, each value as text.
    Rows open(const QString& sql) const {
        Rows result;
        Mirvola::OtworzBaze(sql);
        for (; !Mirvola::rsDane->eof(); Mirvola::rsDane->moveNext()) {
            QStringList row;
            for (int i = 0; i < Mirvola::rsDane->fieldCount(); ++i) {
                row << text(Mirvola::rsDane->value(i));
            }
            result.push_back(row);
        }
        Mirvola::ZamknijBaze();
        return result;
    }

    // Column `index` of every row of a window's query.
    QStringList column(const QString& sql, int index = 0) const {
        QStringList values;
        for (const QStringList& row : open(sql)) {
            values << row.value(index);
        }
        return values;
    }

    QStringList fieldNames(const QString& sql) const {
        QStringList names;
        Mirvola::OtworzBaze(sql);
        for (int i = 0; i < Mirvola::rsDane->fieldCount(); ++i) {
            names << Mirvola::rsDane->fieldName(i);
        }
        Mirvola::ZamknijBaze();
        return names;
    }

    // An action query of a window.
    void execute(const QString& sql) const { Mirvola::WykonajSQL(sql); }

    long long count(const QString& table) const { return m_diary.count(table); }

    // Plain SQLite, for changing the fixture.
    void plain(const QString& sql) const { m_diary.exec(sql); }

  private:
    testing_support::Diary m_diary;
};

// The shared player expressions, as the windows write them.
const QString kZawodnik =
    u"Trim(IIf(IsNull(Nazwisko), Przydomek, Imie & ' ' & Nazwisko & IIf(IsNull(Przydomek), '', "
    u"' ' & Przydomek)))"_s;
const QString kZawodnikFiltr =
    u"Trim(IIf(IsNull(Nazwisko), Przydomek, Imie & ' ' & Nazwisko & IIf(IsNull(Przydomek), '', "
    u"Przydomek)))"_s;
const QString kZawodnikSort =
    u"Trim(IIf(IsNull(Nazwisko), Przydomek, Nazwisko & ' ' & Imie & IIf(IsNull(Przydomek), '', "
    u"Przydomek)))"_s;

class QueriesByWindow : public ::testing::Test {
  protected:
    Diary diary;
};

// ---- frmMain: the match list and its three filters

QString listaMeczow(const QString& strFiltr) {
    return u"SELECT Mecze.Id_meczu, Sezony.Sezon, Mecze.Data, IIf(Mecze.Gdzie = 'W', "
           u"Kluby.Druzyna & ' - Mirvola Wendrow' ,'Mirvola Wendrow - ' & Kluby.Druzyna) AS Para, "
           u"Mecze.Wyn1 & ':' & Mecze.Wyn2 AS Wynik, Rozgrywki.Nazwa, Rozgrywki.Oficjalny, "
           u"Mecze.Komentarz FROM Rozgrywki RIGHT JOIN (Kluby LEFT JOIN (Mecze LEFT JOIN Sezony "
           u"ON Mecze.Id_sezonu = Sezony.Id_sezonu) ON Kluby.Id_klubu = Mecze.Id_klubu) ON "
           u"Rozgrywki.Id_rozgrywki = Mecze.Id_rozgrywki WHERE Rozgrywki.Oficjalny "_s +
           strFiltr + u" ORDER BY Sezony.Sezon DESC, Mecze.Data DESC"_s;
}

TEST_F(QueriesByWindow, MainListWithEachFilter) {
    const Rows official = diary.open(listaMeczow(u"= True"_s));
    ASSERT_EQ(official.size(), 4u);
    EXPECT_EQ(official[0],
              (QStringList{u"5"_s, u"2002/03"_s, u"2003-04-20"_s, u"Legia - Mirvola Wendrow"_s,
                           u":"_s, u"Liga"_s, u"-1"_s, u"NULL"_s}));
    EXPECT_EQ(official[1].mid(0, 6),
              (QStringList{u"4"_s, u"2002/03"_s, u"2003-03-15"_s, u"Mirvola Wendrow - O'Higgins"_s,
                           u"3:3"_s, u"Puchar"_s}));
    EXPECT_EQ(official[2].mid(3, 2), (QStringList{u"Wisła - Mirvola Wendrow"_s, u"1:2"_s}));
    EXPECT_EQ(official[3].value(7), u"Pierwszy mecz"_s);

    const Rows unofficial = diary.open(listaMeczow(u"= False"_s));
    ASSERT_EQ(unofficial.size(), 1u);
    EXPECT_EQ(unofficial[0].mid(0, 5), (QStringList{u"3"_s, u"2002/03"_s, u"2002-09-01"_s,
                                                    u"Mirvola Wendrow - Łódzki KS"_s, u"0:0"_s}));
    EXPECT_EQ(unofficial[0].value(7), u"Sparing\r\nw deszczu"_s);

    EXPECT_EQ(diary.column(listaMeczow(u"In (False, True)"_s)),
              (QStringList{u"5"_s, u"4"_s, u"3"_s, u"2"_s, u"1"_s}));
    EXPECT_EQ(diary.fieldNames(listaMeczow(u"= True"_s)),
              (QStringList{u"Id_meczu"_s, u"Sezon"_s, u"Data"_s, u"Para"_s, u"Wynik"_s, u"Nazwa"_s,
                           u"Oficjalny"_s, u"Komentarz"_s}));
}

TEST_F(QueriesByWindow, MainListKeepsAMatchWithoutSeasonAndDropsOneWithoutClub) {
    diary.plain(u"DELETE FROM Sezony WHERE Id_sezonu = 1; DELETE FROM Kluby WHERE Id_klubu = 4"_s);
    const Rows rows = diary.open(listaMeczow(u"In (False, True)"_s));
    QStringList ids;
    for (const QStringList& row : rows) {
        ids << row[0];
    }
    EXPECT_EQ(ids, (QStringList{u"5"_s, u"3"_s, u"2"_s, u"1"_s}));
    EXPECT_EQ(rows[2].value(1), u"NULL"_s);
}

// ---- frmMain: deleting matches, and deleting everything

TEST_F(QueriesByWindow, MainDeletesTheSelectedMatchWithItsGoals) {
    diary.execute(u"DELETE FROM Mecze WHERE Id_meczu = "_s + u"1"_s);
    EXPECT_EQ(diary.count(u"Mecze"_s), 4);
    EXPECT_EQ(diary.count(u"Bramki"_s), 5);
    EXPECT_EQ(diary.count(u"Gracze"_s), 5);
    diary.execute(u"DELETE FROM Mecze WHERE Id_meczu = 99"_s);
    EXPECT_EQ(diary.count(u"Mecze"_s), 4);
    diary.execute(u"DELETE FROM Mecze"_s);
    EXPECT_EQ(diary.count(u"Mecze"_s), 0);
    EXPECT_EQ(diary.count(u"Bramki"_s), 0);
    EXPECT_EQ(diary.count(u"Kluby"_s), 4);
}

TEST_F(QueriesByWindow, MainDeletesEverything) {
    for (const QString& sql :
         {u"DELETE FROM Gracze"_s, u"DELETE FROM Jak"_s, u"DELETE FROM Kluby"_s,
          u"DELETE FROM Rozgrywki"_s, u"DELETE FROM Sezony"_s, u"DELETE FROM Mecze"_s}) {
        diary.execute(sql);
    }
    for (const QString& table : {u"Gracze"_s, u"Jak"_s, u"Kluby"_s, u"Rozgrywki"_s, u"Sezony"_s,
                                 u"Mecze"_s, u"Bramki"_s}) {
        EXPECT_EQ(diary.count(table), 0) << table.toStdString();
    }
}

// ---- frmMecz: pickers, players lists, loading a match, saving

QString wypelnijCombo(const QString& idField, const QString& nameField, const QString& table) {
    return u"SELECT "_s + idField + u", "_s + nameField + u" FROM "_s + table + u" ORDER BY "_s +
           nameField;
}

QString wypelnijGraczy(const QString& filtr) {
    QString sql =
        u"SELECT Id_gracza, Trim(IIf(IsNull(Nazwisko), Przydomek, Imie & ' ' & Nazwisko "
        u"& IIf(IsNull(Przydomek), '', ' ' & Przydomek))) AS Zawodnik FROM Gracze"_s;
    if (!filtr.isEmpty()) {
        sql +=
            u" WHERE Trim(IIf(IsNull(Nazwisko), Przydomek, Imie & ' ' & Nazwisko & "
            u"IIf(IsNull(Przydomek), '', Przydomek))) LIKE '*"_s +
            filtr + u"*'"_s;
    }
    return sql +
           u" ORDER BY Trim(IIf(IsNull(Nazwisko), Przydomek, Nazwisko & ' ' & Imie & "
           u"IIf(IsNull(Przydomek), '', Przydomek)))"_s;
}

TEST_F(QueriesByWindow, MatchEditorPickers) {
    EXPECT_EQ(wypelnijCombo(u"Id_sezonu"_s, u"Sezon"_s, u"Sezony"_s),
              u"SELECT Id_sezonu, Sezon FROM Sezony ORDER BY Sezon"_s);
    EXPECT_EQ(diary.column(wypelnijCombo(u"Id_sezonu"_s, u"Sezon"_s, u"Sezony"_s), 1),
              (QStringList{u"2001/02"_s, u"2002/03"_s}));
    EXPECT_EQ(diary.column(wypelnijCombo(u"Id_klubu"_s, u"Druzyna"_s, u"Kluby"_s), 1),
              (QStringList{u"Legia"_s, u"Łódzki KS"_s, u"O'Higgins"_s, u"Wisła"_s}));
    EXPECT_EQ(diary.column(wypelnijCombo(u"Id_klubu"_s, u"Druzyna"_s, u"Kluby"_s), 0),
              (QStringList{u"1"_s, u"3"_s, u"4"_s, u"2"_s}));
    EXPECT_EQ(diary.column(wypelnijCombo(u"Id_rozgrywki"_s, u"Nazwa"_s, u"Rozgrywki"_s), 1),
              (QStringList{u"Liga"_s, u"Puchar"_s, u"Sparing"_s}));
    EXPECT_EQ(diary.column(wypelnijCombo(u"Id_jak"_s, u"Jak"_s, u"Jak"_s), 1),
              (QStringList{u"karny"_s, u"samobójczy"_s, u"z gry"_s}));
}

TEST_F(QueriesByWindow, MatchEditorPlayersWithAndWithoutFilter) {
    EXPECT_EQ(diary.column(wypelnijGraczy(QString()), 1),
              (QStringList{u"Jan Kowalski Kowal"_s, u"Adam Nowak"_s, u"Sean O'Neil"_s,
                           u"Ronaldinho"_s, u"Piotr Żuk"_s}));
    EXPECT_EQ(diary.column(wypelnijGraczy(QString()), 0),
              (QStringList{u"1"_s, u"2"_s, u"5"_s, u"3"_s, u"4"_s}));
    EXPECT_EQ(diary.column(wypelnijGraczy(u"Kowalski"_s), 1), QStringList{u"Jan Kowalski Kowal"_s});
    EXPECT_EQ(diary.column(wypelnijGraczy(u"KowalskiKowal"_s), 1),
              QStringList{u"Jan Kowalski Kowal"_s});
    EXPECT_TRUE(diary.column(wypelnijGraczy(u"Kowalski Kowal"_s)).isEmpty());
    EXPECT_EQ(diary.column(wypelnijGraczy(u"ŻU"_s), 1), QStringList{u"Piotr Żuk"_s});
    EXPECT_EQ(diary.column(wypelnijGraczy(u"ronal"_s), 1), QStringList{u"Ronaldinho"_s});
    // The filter text with its apostrophe doubled, as the window puts it in.
    EXPECT_EQ(diary.column(wypelnijGraczy(u"O''N"_s), 1), QStringList{u"Sean O'Neil"_s});
    EXPECT_EQ(
        diary.column(wypelnijGraczy(u"a"_s), 1),
        (QStringList{u"Jan Kowalski Kowal"_s, u"Adam Nowak"_s, u"Sean O'Neil"_s, u"Ronaldinho"_s}));
}

TEST_F(QueriesByWindow, MatchEditorLoadsAMatchAndItsGoals) {
    const QString strIdMeczu = u"2"_s;
    const Rows match = diary.open(
        u"SELECT Mecze.Id_meczu, Sezony.Id_sezonu, Sezony.Sezon, Mecze.Data, Mecze.Gdzie, "
        u"Mecze.Id_klubu, Kluby.Druzyna, Mecze.Wyn1, Mecze.Wyn2, Rozgrywki.Id_rozgrywki, "
        u"Rozgrywki.Nazwa, Mecze.Komentarz FROM Rozgrywki RIGHT JOIN (Kluby RIGHT JOIN (Mecze "
        u"LEFT JOIN Sezony ON Mecze.Id_sezonu = Sezony.Id_sezonu) ON Kluby.Id_klubu = "
        u"Mecze.Id_klubu) ON Rozgrywki.Id_rozgrywki = Mecze.Id_rozgrywki WHERE Mecze.Id_meczu = "_s +
        strIdMeczu);
    ASSERT_EQ(match.size(), 1u);
    EXPECT_EQ(match[0], (QStringList{u"2"_s, u"1"_s, u"2001/02"_s, u"2002-05-05"_s, u"W"_s, u"2"_s,
                                     u"Wisła"_s, u"1"_s, u"2"_s, u"1"_s, u"Liga"_s, u"NULL"_s}));
    const Rows goals = diary.open(
        u"SELECT Bramki.Id_meczu, Bramki.Nr_pozycji, Bramki.Czy_Mirvola, Bramki.Id_gracza, "
        u"IIf(Nazwisko Is Not Null, Gracze.Imie & ' ' & Gracze.Nazwisko, Gracze.Przydomek) AS "
        u"Strzelec, Bramki.Minuta, Jak.Id_jak, Jak.Jak FROM Mecze LEFT JOIN (Jak RIGHT JOIN "
        u"(Gracze RIGHT JOIN Bramki ON Gracze.Id_gracza = Bramki.Id_gracza) ON Jak.Id_jak = "
        u"Bramki.Id_jak) ON Mecze.Id_meczu = Bramki.Id_meczu WHERE Bramki.Id_meczu = "_s +
        strIdMeczu + u" ORDER BY Bramki.Nr_pozycji"_s);
    ASSERT_EQ(goals.size(), 3u);
    EXPECT_EQ(goals[0], (QStringList{u"2"_s, u"1"_s, u"0"_s, u"3"_s, u"Ronaldinho"_s, u"7"_s,
                                     u"1"_s, u"z gry"_s}));
    // No nickname for a player with a surname.
    EXPECT_EQ(goals[1].value(4), u"Jan Kowalski"_s);
    EXPECT_EQ(goals[2].mid(2, 6),
              (QStringList{u"-1"_s, u"4"_s, u"Piotr Żuk"_s, u"88"_s, u"3"_s, u"samobójczy"_s}));
    // Columns of the nested outer joins keep their own names, as the windows read them.
    EXPECT_EQ(diary.fieldNames(u"SELECT Bramki.Id_gracza, Jak.Id_jak FROM Jak RIGHT JOIN (Gracze "
                               u"RIGHT JOIN Bramki ON Gracze.Id_gracza = Bramki.Id_gracza) ON "
                               u"Jak.Id_jak = Bramki.Id_jak"_s),
              (QStringList{u"Id_gracza"_s, u"Id_jak"_s}));
}

TEST_F(QueriesByWindow, MatchEditorSaving) {
    auto duplicate = [](const QString& wyn2, const QString& data) {
        return u"SELECT * FROM Mecze WHERE Id_sezonu = "_s + u"1"_s + u" AND Data = #"_s + data +
               u"# AND Gdzie = '"_s + u"W"_s + u"' AND Id_klubu = "_s + u"2"_s + u" AND Wyn1 = "_s +
               u"1"_s + u" AND Wyn2 = "_s + wyn2 + u" AND Id_rozgrywki = "_s + u"1"_s;
    };
    EXPECT_EQ(diary.column(duplicate(u"2"_s, u"2002-05-05"_s)), QStringList{u"2"_s});
    EXPECT_TRUE(diary.open(duplicate(u"3"_s, u"2002-05-05"_s)).empty());
    EXPECT_TRUE(diary.open(duplicate(u"2"_s, u"2002-05-06"_s)).empty());

    const QString strIdMeczu = u"2"_s;
    const Rows row = diary.open(u"SELECT * FROM Mecze WHERE Id_meczu = "_s + strIdMeczu);
    ASSERT_EQ(row.size(), 1u);
    EXPECT_EQ(row[0], (QStringList{u"2"_s, u"1"_s, u"2002-05-05"_s, u"W"_s, u"2"_s, u"1"_s, u"2"_s,
                                   u"1"_s, u"NULL"_s}));
    diary.execute(u"DELETE FROM Bramki WHERE Id_meczu = "_s + strIdMeczu);
    EXPECT_EQ(diary.count(u"Bramki"_s), 5);
    EXPECT_EQ(diary.count(u"Mecze"_s), 5);
}

// ---- frmPoprawaGola: kinds of goal and the players list

TEST_F(QueriesByWindow, GoalCorrectionLists) {
    EXPECT_EQ(diary.column(u"SELECT Id_jak, Jak FROM Jak ORDER BY Jak"_s, 0),
              (QStringList{u"2"_s, u"3"_s, u"1"_s}));
    EXPECT_EQ(diary.column(wypelnijGraczy(u"nowak"_s), 0), QStringList{u"2"_s});
}

// ---- frmSlowniki: WczytajDane for every tab, with and without filter; modify and delete

QString wczytajDane(const QString& strTabela, const QString& strPoleNazwa, const QString& filtr) {
    if (strTabela == u"Gracze"_s) {
        QString sql =
            u"SELECT Id_gracza, Trim(IIf(IsNull(Nazwisko), Przydomek, Imie & ' ' & "_s +
            u"Nazwisko & IIf(IsNull(Przydomek), '', ' ' & Przydomek))) AS Zawodnik FROM "_s +
            u"Gracze"_s;
        if (!filtr.isEmpty()) {
            sql += u" WHERE Trim(IIf(IsNull(Nazwisko), Przydomek, Imie & ' ' & "_s +
                   u"Nazwisko & IIf(IsNull(Przydomek), '', Przydomek))) LIKE '*"_s + filtr +
                   u"*'"_s;
        }
        return sql + u" ORDER BY Trim(IIf(IsNull(Nazwisko), Przydomek, Nazwisko "_s +
               u"& ' ' & Imie & IIf(IsNull(Przydomek), '', Przydomek)))"_s;
    }
    QString sql = u"SELECT * FROM "_s + strTabela;
    if (!filtr.isEmpty()) {
        sql += u" WHERE "_s + strPoleNazwa + u" LIKE '*"_s + filtr + u"*'"_s;
    }
    return sql + u" ORDER BY "_s + strPoleNazwa;
}

TEST_F(QueriesByWindow, DictionariesEveryTab) {
    EXPECT_EQ(diary.column(wczytajDane(u"Kluby"_s, u"Druzyna"_s, QString()), 1),
              (QStringList{u"Legia"_s, u"Łódzki KS"_s, u"O'Higgins"_s, u"Wisła"_s}));
    EXPECT_EQ(diary.column(wczytajDane(u"Kluby"_s, u"Druzyna"_s, u"Ł"_s), 1),
              (QStringList{u"Łódzki KS"_s, u"Wisła"_s}));
    EXPECT_EQ(diary.column(wczytajDane(u"Kluby"_s, u"Druzyna"_s, u"O''H"_s), 0),
              QStringList{u"4"_s});
    EXPECT_EQ(diary.column(wczytajDane(u"Gracze"_s, u"Zawodnik"_s, QString()), 1),
              (QStringList{u"Jan Kowalski Kowal"_s, u"Adam Nowak"_s, u"Sean O'Neil"_s,
                           u"Ronaldinho"_s, u"Piotr Żuk"_s}));
    EXPECT_EQ(diary.column(wczytajDane(u"Gracze"_s, u"Zawodnik"_s, u"skikow"_s), 0),
              QStringList{u"1"_s});
    const Rows competitions = diary.open(wczytajDane(u"Rozgrywki"_s, u"Nazwa"_s, QString()));
    EXPECT_EQ(competitions, (Rows{{u"1"_s, u"Liga"_s, u"-1"_s},
                                  {u"2"_s, u"Puchar"_s, u"-1"_s},
                                  {u"3"_s, u"Sparing"_s, u"0"_s}}));
    EXPECT_EQ(diary.column(wczytajDane(u"Rozgrywki"_s, u"Nazwa"_s, u"AR"_s), 1),
              (QStringList{u"Puchar"_s, u"Sparing"_s}));
    EXPECT_EQ(diary.column(wczytajDane(u"Sezony"_s, u"Sezon"_s, QString()), 1),
              (QStringList{u"2001/02"_s, u"2002/03"_s}));
    EXPECT_EQ(diary.column(wczytajDane(u"Sezony"_s, u"Sezon"_s, u"1/0"_s), 1),
              QStringList{u"2001/02"_s});
    EXPECT_EQ(diary.open(wczytajDane(u"Jak"_s, u"Jak"_s, QString())),
              (Rows{{u"2"_s, u"karny"_s, u"0"_s},
                    {u"3"_s, u"samobójczy"_s, u"-1"_s},
                    {u"1"_s, u"z gry"_s, u"0"_s}}));
    EXPECT_EQ(diary.column(wczytajDane(u"Jak"_s, u"Jak"_s, u"SAMOB"_s), 1),
              QStringList{u"samobójczy"_s});
    // The filter's wildcards keep their meaning.
    EXPECT_EQ(diary.column(wczytajDane(u"Sezony"_s, u"Sezon"_s, u"200#/0[!2]"_s), 1),
              QStringList{u"2002/03"_s});
}

TEST_F(QueriesByWindow, DictionariesModifyAndDelete) {
    const Rows row = diary.open(u"SELECT * FROM "_s + u"Kluby"_s + u" WHERE "_s + u"Id_klubu"_s +
                                u" = "_s + QString::number(2.0));
    EXPECT_EQ(row, (Rows{{u"2"_s, u"Wisła"_s}}));
    diary.execute(u"DELETE FROM "_s + u"Kluby"_s + u" WHERE "_s + u"Id_klubu"_s + u" = "_s +
                  QString::number(2.0));
    EXPECT_EQ(diary.count(u"Kluby"_s), 3);
    EXPECT_EQ(diary.count(u"Mecze"_s), 5);
}

// ---- frmGracz: the duplicate test in all its forms

QString duplikatGracza(const QString& imie, const QString& nazwisko, const QString& przydomek) {
    QString sql = u"SELECT * FROM Gracze WHERE "_s;
    sql += nazwisko.isEmpty() ? u"IsNull(Nazwisko) = True And "_s
                              : u"Nazwisko = '"_s + nazwisko + u"' And "_s;
    sql += imie.isEmpty() ? u"IsNull(Imie) = True And "_s : u"Imie = '"_s + imie + u"' And "_s;
    sql += przydomek.isEmpty() ? u"IsNull(Przydomek) = True"_s
                               : u"Przydomek = '"_s + przydomek + u"'"_s;
    return sql;
}

TEST_F(QueriesByWindow, PlayerEditorDuplicateTest) {
    EXPECT_EQ(diary.column(duplikatGracza(u"Jan"_s, u"Kowalski"_s, u"Kowal"_s)),
              QStringList{u"1"_s});
    EXPECT_EQ(diary.column(duplikatGracza(u"JAN"_s, u"kowalski"_s, u"kOWAL"_s)),
              QStringList{u"1"_s});
    EXPECT_TRUE(diary.open(duplikatGracza(u"Jan"_s, u"Kowalski"_s, QString())).empty());
    EXPECT_EQ(diary.column(duplikatGracza(u"Adam"_s, u"Nowak"_s, QString())), QStringList{u"2"_s});
    EXPECT_EQ(diary.column(duplikatGracza(u"piotr"_s, u"ŻUK"_s, QString())), QStringList{u"4"_s});
    EXPECT_EQ(diary.column(duplikatGracza(QString(), QString(), u"RONALDINHO"_s)),
              QStringList{u"3"_s});
    EXPECT_EQ(diary.column(duplikatGracza(u"Sean"_s, u"O''Neil"_s, QString())),
              QStringList{u"5"_s});
    EXPECT_TRUE(diary.open(duplikatGracza(u"Adam"_s, u"Nowak"_s, u"Mały"_s)).empty());
    EXPECT_EQ(diary.open(u"SELECT * FROM Gracze WHERE Id_gracza = "_s + QString::number(3.0)),
              (Rows{{u"3"_s, u"NULL"_s, u"NULL"_s, u"Ronaldinho"_s}}));
}

// ---- frmMecze: the selection in both openings, and the scorers of a match

QString wyborMeczow(const QString& warunek) {
    return u"SELECT Mecze.Id_meczu, Sezony.Id_sezonu, Sezony.Sezon, Mecze.Data, "_s +
           u"Mecze.Gdzie, Mecze.Id_klubu, Kluby.Druzyna, Mecze.Wyn1, Mecze.Wyn2, "_s +
           u"Rozgrywki.Id_rozgrywki, Rozgrywki.Nazwa, Mecze.Komentarz FROM "_s +
           u"Rozgrywki RIGHT JOIN (Kluby RIGHT JOIN (Mecze LEFT JOIN Sezony ON "_s +
           u"Mecze.Id_sezonu = Sezony.Id_sezonu) ON Kluby.Id_klubu = Mecze.Id_klubu) "_s +
           u"ON Rozgrywki.Id_rozgrywki = Mecze.Id_rozgrywki"_s + warunek +
           u" ORDER BY Sezony.Sezon, Mecze.Data"_s;
}

TEST_F(QueriesByWindow, MatchViewerSelections) {
    const QString statystyki = u" WHERE (Mecze.Id_rozgrywki In "_s + u"(1, 2)"_s + u" AND "_s +
                               u"Mecze.Gdzie In "_s + u"('D', 'W', 'N')"_s + u" AND "_s +
                               u"Mecze.Id_klubu = "_s + QString::number(1.0) + u")"_s;
    EXPECT_EQ(diary.column(wyborMeczow(statystyki)), (QStringList{u"1"_s, u"5"_s}));
    EXPECT_EQ(diary.column(wyborMeczow(u" WHERE Rozgrywki.Oficjalny = True"_s)),
              (QStringList{u"1"_s, u"2"_s, u"4"_s, u"5"_s}));
    EXPECT_EQ(diary.column(wyborMeczow(u" WHERE Rozgrywki.Oficjalny = False"_s)),
              QStringList{u"3"_s});
    const Rows all = diary.open(wyborMeczow(QString()));
    ASSERT_EQ(all.size(), 5u);
    EXPECT_EQ(all[1], (QStringList{u"2"_s, u"1"_s, u"2001/02"_s, u"2002-05-05"_s, u"W"_s, u"2"_s,
                                   u"Wisła"_s, u"1"_s, u"2"_s, u"1"_s, u"Liga"_s, u"NULL"_s}));
    // The viewer's own connection finds the match it was opened on.
    auto dbMecze = engine::Database::open(Mirvola::SciezkaBazy());
    auto rsMecze = dbMecze->openRecordset(wyborMeczow(u" WHERE Rozgrywki.Oficjalny = True"_s));
    rsMecze->findFirst(u"Id_meczu = "_s + QString::number(4.0));
    EXPECT_FALSE(rsMecze->noMatch());
    EXPECT_EQ(rsMecze->absolutePosition(), 2);
    EXPECT_EQ(rsMecze->value(u"Druzyna"_s).toString(), u"O'Higgins"_s);
    rsMecze->findFirst(u"Druzyna = 'wisła'"_s);
    EXPECT_EQ(rsMecze->absolutePosition(), 1);
    rsMecze->findFirst(u"Id_meczu = 3"_s);
    EXPECT_TRUE(rsMecze->noMatch());
    EXPECT_EQ(rsMecze->absolutePosition(), 1);
    rsMecze->close();
    dbMecze->close();
    // A match whose club is gone stays in the selection.
    diary.plain(u"DELETE FROM Kluby WHERE Id_klubu = 4"_s);
    EXPECT_EQ(diary.column(wyborMeczow(QString())).size(), 5);
}

TEST_F(QueriesByWindow, MatchViewerScorers) {
    const QString idMeczu = u"1"_s;
    const Rows goals =
        diary.open(u"SELECT Bramki.Id_meczu, Bramki.Nr_pozycji, Bramki.Czy_Mirvola, "_s +
                   u"Bramki.Id_gracza, Trim(IIf(IsNull(Gracze.Nazwisko), Gracze.Przydomek, "_s +
                   u"Gracze.Imie & ' ' & Gracze.Nazwisko & IIf(IsNull(Gracze.Przydomek), "_s +
                   u"'', ' ' & Gracze.Przydomek))) AS Strzelec, Bramki.Minuta, "_s +
                   u"Jak.Id_jak, Jak.Jak FROM Mecze LEFT JOIN (Jak RIGHT JOIN (Gracze RIGHT "_s +
                   u"JOIN Bramki ON Gracze.Id_gracza = Bramki.Id_gracza) ON Jak.Id_jak = "_s +
                   u"Bramki.Id_jak) ON Mecze.Id_meczu = Bramki.Id_meczu WHERE Bramki.Id_meczu"_s +
                   u" = "_s + idMeczu + u" ORDER BY Bramki.Nr_pozycji"_s);
    ASSERT_EQ(goals.size(), 3u);
    EXPECT_EQ(goals[0].mid(1, 5),
              (QStringList{u"1"_s, u"-1"_s, u"1"_s, u"Jan Kowalski Kowal"_s, u"10"_s}));
    EXPECT_EQ(goals[1].value(4), u"Adam Nowak"_s);
    EXPECT_EQ(goals[2].mid(2, 6),
              (QStringList{u"0"_s, u"3"_s, u"Ronaldinho"_s, u"30"_s, u"1"_s, u"z gry"_s}));
}

// ---- frmStatystykiMecze: competitions, the lookup, the opponents table, the balance panels

QString bilans(const QString& head, const QString& strRozgrywki, const QString& tail) {
    return head + u"(Id_rozgrywki In "_s + strRozgrywki + tail;
}

const QString kWygrane =
    u"SELECT Id_klubu FROM Mecze WHERE ((((Wyn1 > Wyn2) AND (Gdzie In ('D','N')) OR ((Wyn1 < "
    u"Wyn2) AND (Gdzie = 'W'))) AND "_s;

TEST_F(QueriesByWindow, MatchStatisticsCompetitionsAndLookup) {
    EXPECT_EQ(diary.open(u"SELECT * FROM Rozgrywki ORDER BY Nazwa"_s),
              (Rows{{u"1"_s, u"Liga"_s, u"-1"_s},
                    {u"2"_s, u"Puchar"_s, u"-1"_s},
                    {u"3"_s, u"Sparing"_s, u"0"_s}}));
    const auto lookup = [&](const QString& nazwa) {
        return diary.column(u"SELECT Id_rozgrywki FROM Rozgrywki WHERE Nazwa = '"_s + nazwa +
                            u"'"_s);
    };
    EXPECT_EQ(lookup(u"Puchar"_s), QStringList{u"2"_s});
    EXPECT_EQ(lookup(u"puchar"_s), QStringList{u"2"_s});
    EXPECT_TRUE(lookup(u"Pucha"_s).isEmpty());
    // A name with an apostrophe put in undoubled is refused as unreadable, never run as
    // something else; doubled it is found.
    diary.plain(u"INSERT INTO Rozgrywki (Id_rozgrywki, Nazwa) VALUES (4, 'Puchar O''Neila')"_s);
    auto db = engine::Database::open(Mirvola::SciezkaBazy());
    try {
        db->openRecordset(u"SELECT Id_rozgrywki FROM Rozgrywki WHERE Nazwa = 'Puchar O'Neila'"_s);
        ADD_FAILURE() << "an unreadable text was run";
    } catch (const engine::Error& e) {
        EXPECT_EQ(e.number(), engine::err::SyntaxError);
    }
    db->close();
    EXPECT_EQ(diary.column(u"SELECT Id_rozgrywki FROM Rozgrywki WHERE Nazwa = "_s +
                           Mirvola::TekstSQL(u"puchar o'neila"_s)),
              QStringList{u"4"_s});
}

TEST_F(QueriesByWindow, MatchStatisticsOpponents) {
    const auto przeciwnicy = [&](const QString& strRozgrywki, const QString& strGdzie) {
        return diary.open(
            u"SELECT DISTINCT Mecze.Id_klubu, Kluby.Druzyna FROM Kluby LEFT JOIN "
            u"Mecze ON Kluby.Id_klubu = Mecze.Id_klubu WHERE (Mecze.Id_rozgrywki "
            u"In "_s +
            strRozgrywki + u" AND Mecze.Gdzie In "_s + strGdzie + u") ORDER BY Kluby.Druzyna"_s);
    };
    EXPECT_EQ(przeciwnicy(u"(1, 2)"_s, u"('D', 'W', 'N')"_s),
              (Rows{{u"1"_s, u"Legia"_s}, {u"4"_s, u"O'Higgins"_s}, {u"2"_s, u"Wisła"_s}}));
    EXPECT_EQ(przeciwnicy(u"(1, 2, 3)"_s, u"('D', 'N')"_s),
              (Rows{{u"1"_s, u"Legia"_s}, {u"3"_s, u"Łódzki KS"_s}, {u"4"_s, u"O'Higgins"_s}}));
    EXPECT_TRUE(przeciwnicy(u"(0)"_s, u"('D', 'W', 'N')"_s).empty());
    EXPECT_TRUE(przeciwnicy(u"(1, 2)"_s, u"('A')"_s).empty());

    const auto mecze = [&](const QString& idKlubu, const QString& strRozgrywki,
                           const QString& strGdzie) {
        return diary.open(
            u"SELECT Gdzie, Id_klubu, Wyn1, Wyn2, Id_rozgrywki FROM Mecze WHERE "
            u"(Id_klubu = "_s +
            idKlubu + u" AND "_s + u"Id_rozgrywki In "_s + strRozgrywki + u" AND Gdzie In "_s +
            strGdzie + u")"_s);
    };
    EXPECT_EQ(mecze(u"1"_s, u"(1, 2)"_s, u"('D', 'W', 'N')"_s),
              (Rows{{u"D"_s, u"1"_s, u"2"_s, u"1"_s, u"1"_s},
                    {u"W"_s, u"1"_s, u"NULL"_s, u"NULL"_s, u"1"_s}}));
    EXPECT_EQ(mecze(u"2"_s, u"(1, 2)"_s, u"('W')"_s).size(), 1u);
    EXPECT_TRUE(mecze(u"2"_s, u"(1, 2)"_s, u"('D', 'N')"_s).empty());
}

TEST_F(QueriesByWindow, MatchStatisticsTwelveBalanceQueries) {
    struct Query {
        QString head;
        QString tail;
        int official;  // rows with the official competitions (1, 2)
        int every;     // rows with all three (1, 2, 3)
    };
    const Query queries[] = {
        {kWygrane, u")))"_s, 2, 2},
        {u"SELECT Id_klubu FROM Mecze WHERE ((Wyn1 = Wyn2) AND "_s, u"))"_s, 1, 2},
        {u"SELECT Id_klubu FROM Mecze WHERE ((((Wyn1 < Wyn2) AND (Gdzie In ('D','N'))) OR ((Wyn1 "
         u"> Wyn2) AND (Gdzie = 'W'))) AND "_s,
         u"))"_s, 0, 0},
        {u"SELECT Id_klubu FROM Mecze WHERE ((Wyn1 > Wyn2) AND (Gdzie = 'D') AND "_s, u"))"_s, 1,
         1},
        {u"SELECT Id_klubu FROM Mecze WHERE ((Wyn1 = Wyn2) AND (Gdzie = 'D') AND "_s, u"))"_s, 1,
         1},
        {u"SELECT Id_klubu FROM Mecze WHERE ((Wyn1 < Wyn2) AND (Gdzie = 'D') AND "_s, u"))"_s, 0,
         0},
        {u"SELECT Id_klubu FROM Mecze WHERE ((Wyn1 < Wyn2) AND (Gdzie = 'W') AND "_s, u"))"_s, 1,
         1},
        {u"SELECT Id_klubu FROM Mecze WHERE ((Wyn1 = Wyn2) AND (Gdzie = 'W') AND "_s, u"))"_s, 0,
         0},
        {u"SELECT Id_klubu FROM Mecze WHERE ((Wyn1 > Wyn2) AND (Gdzie = 'W') AND "_s, u"))"_s, 0,
         0},
        {u"SELECT Id_klubu FROM Mecze WHERE ((Wyn1 > Wyn2) AND (Gdzie = 'N') AND "_s, u"))"_s, 0,
         0},
        {u"SELECT Id_klubu FROM Mecze WHERE ((Wyn1 = Wyn2) AND (Gdzie = 'N') AND "_s, u"))"_s, 0,
         1},
        {u"SELECT Id_klubu FROM Mecze WHERE ((Wyn1 < Wyn2) AND (Gdzie = 'N') AND "_s, u"))"_s, 0,
         0},
    };
    for (const Query& q : queries) {
        EXPECT_EQ(diary.open(bilans(q.head, u"(1, 2)"_s, q.tail)).size(),
                  static_cast<std::size_t>(q.official))
            << q.head.toStdString();
        EXPECT_EQ(diary.open(bilans(q.head, u"(1, 2, 3)"_s, q.tail)).size(),
                  static_cast<std::size_t>(q.every))
            << q.head.toStdString();
        EXPECT_TRUE(diary.open(bilans(q.head, u"(0)"_s, q.tail)).empty());
    }
    // The away match stored 1 : 2 is one of the two wins.
    EXPECT_EQ(diary.column(bilans(kWygrane, u"(1, 4)"_s, u")))"_s)), (QStringList{u"1"_s, u"2"_s}));
}

// ---- frmStatystykiPilkarze: the grouped query under the goal options

QString strzelcy(const QString& strRozgrywki, const QString& strGdzie, const QString& strWarunek) {
    return u"SELECT Trim(IIf(IsNull(Gracze.Nazwisko), Gracze.Przydomek, Gracze.Imie & ' ' & "
           u"Gracze.Nazwisko & IIf(IsNull(Gracze.Przydomek), '', ' ' & Gracze.Przydomek))) AS "
           u"Zawodnik, Count(Bramki.Id_gracza) AS Bramki, Gracze.Id_gracza FROM Jak RIGHT JOIN "
           u"(Mecze RIGHT JOIN (Gracze LEFT JOIN Bramki ON Gracze.Id_gracza = Bramki.Id_gracza) "
           u"ON Mecze.Id_meczu = Bramki.Id_meczu) ON Jak.Id_jak = Bramki.Id_jak WHERE "
           u"(Mecze.Id_rozgrywki In "_s +
           strRozgrywki + u" AND Mecze.Gdzie In "_s + strGdzie + strWarunek +
           u") GROUP BY Trim(IIf(IsNull(Gracze.Nazwisko), Gracze.Przydomek, Gracze.Imie & ' ' & "
           u"Gracze.Nazwisko & IIf(IsNull(Gracze.Przydomek), '', ' ' & Gracze.Przydomek))), "
           u"Gracze.Id_gracza, Trim(IIf(IsNull(Gracze.Nazwisko), Gracze.Przydomek, "
           u"Gracze.Nazwisko & ' ' & Gracze.Imie & IIf(IsNull(Gracze.Przydomek), '', "
           u"Gracze.Przydomek))) ORDER BY Count(Bramki.Id_gracza) DESC, "
           u"Trim(IIf(IsNull(Gracze.Nazwisko), Gracze.Przydomek, Gracze.Nazwisko & ' ' & "
           u"Gracze.Imie & IIf(IsNull(Gracze.Przydomek), '', Gracze.Przydomek)))"_s;
}

TEST_F(QueriesByWindow, PlayerStatisticsUnderTheGoalOptions) {
    const QString rozgrywki = u"(1, 2)"_s;
    const QString gdzie = u"('D', 'W', 'N')"_s;
    const QString domyslny = u" AND Jak.CzySam = False AND Bramki.Czy_Mirvola = True"_s;
    EXPECT_EQ(diary.open(strzelcy(rozgrywki, gdzie, domyslny)),
              (Rows{{u"Jan Kowalski Kowal"_s, u"2"_s, u"1"_s},
                    {u"Adam Nowak"_s, u"1"_s, u"2"_s},
                    {u"Sean O'Neil"_s, u"1"_s, u"5"_s}}));
    // Own goals too (kind options both checked).
    EXPECT_EQ(
        diary.column(strzelcy(rozgrywki, gdzie, u" AND Bramki.Czy_Mirvola = True"_s)),
        (QStringList{u"Jan Kowalski Kowal"_s, u"Adam Nowak"_s, u"Sean O'Neil"_s, u"Piotr Żuk"_s}));
    EXPECT_EQ(diary.open(strzelcy(rozgrywki, gdzie,
                                  u" AND Jak.CzySam = False AND Bramki.Czy_Mirvola = False"_s)),
              (Rows{{u"Ronaldinho"_s, u"3"_s, u"3"_s}}));
    EXPECT_EQ(diary.column(strzelcy(rozgrywki, gdzie,
                                    u" AND Jak.CzySam = True AND Bramki.Czy_Mirvola = True"_s)),
              QStringList{u"Piotr Żuk"_s});
    EXPECT_EQ(diary.column(strzelcy(rozgrywki, gdzie, QString()), 1),
              (QStringList{u"3"_s, u"2"_s, u"1"_s, u"1"_s, u"1"_s}));
    EXPECT_TRUE(diary
                    .open(strzelcy(rozgrywki, gdzie,
                                   u" AND Jak.CzySam = Null AND Bramki.Czy_Mirvola = True"_s))
                    .empty());
    EXPECT_TRUE(diary
                    .open(strzelcy(rozgrywki, gdzie,
                                   u" AND Jak.CzySam = False AND Bramki.Czy_Mirvola = Null"_s))
                    .empty());
    EXPECT_TRUE(diary.open(strzelcy(u"(0)"_s, gdzie, domyslny)).empty());
    EXPECT_TRUE(diary.open(strzelcy(rozgrywki, u"('A')"_s, domyslny)).empty());
    EXPECT_EQ(diary.open(strzelcy(rozgrywki, u"('W')"_s, domyslny)),
              (Rows{{u"Jan Kowalski Kowal"_s, u"1"_s, u"1"_s}}));
}

// ---- frmBramkiPilkarza: the player's name and his goals

QString bramkiPilkarza(const QString& id, const QString& strRozgrywki, const QString& strGdzie,
                       const QString& strWarunek) {
    return u"SELECT Gracze.Id_gracza, Sezony.Sezon, Mecze.Data, IIf(Mecze.Gdzie='W', "
           u"Kluby.Druzyna & ' - Mirvola Wendrow', 'Mirvola Wendrow - ' & Kluby.Druzyna) AS Para, "
           u"IIf((Bramki.Czy_Mirvola), 'Mirvola Wendrow' , Kluby.Druzyna) AS BramkaDla, "
           u"Mecze.Wyn1 & ':' & Mecze.Wyn2 AS Wynik, Bramki.Minuta, Jak.Jak, Rozgrywki.Nazwa FROM "
           u"Sezony RIGHT JOIN (Rozgrywki RIGHT JOIN ((Kluby RIGHT JOIN Mecze ON Kluby.Id_klubu = "
           u"Mecze.Id_klubu) RIGHT JOIN (Jak RIGHT JOIN (Gracze LEFT JOIN Bramki ON "
           u"Gracze.Id_gracza = Bramki.Id_gracza) ON Jak.Id_jak = Bramki.Id_jak) ON "
           u"Mecze.Id_meczu = Bramki.Id_meczu) ON Rozgrywki.Id_rozgrywki = Mecze.Id_rozgrywki) ON "
           u"Sezony.Id_sezonu = Mecze.Id_sezonu WHERE (Gracze.Id_gracza = "_s +
           id + u" AND Mecze.Id_rozgrywki "_s + u"In "_s + strRozgrywki +
           u" AND Mecze.Gdzie In "_s + strGdzie + strWarunek + u") "_s +
           u"ORDER BY Sezony.Sezon, Mecze.Data, Bramki.Minuta"_s;
}

TEST_F(QueriesByWindow, PlayerGoalsList) {
    EXPECT_EQ(diary.column(u"SELECT Trim(IIf(IsNull(Nazwisko), Przydomek, Imie & ' ' & Nazwisko & "
                           u"IIf(IsNull(Przydomek), '', ' ' & Przydomek))) AS Zawodnik FROM "
                           u"Gracze WHERE Id_gracza = "_s +
                           u"3"_s),
              QStringList{u"Ronaldinho"_s});
    const QString rozgrywki = u"(1, 2)"_s;
    const QString gdzie = u"('D', 'W', 'N')"_s;
    EXPECT_EQ(
        diary.open(bramkiPilkarza(u"1"_s, rozgrywki, gdzie,
                                  u" AND Jak.CzySam = False AND Bramki.Czy_Mirvola = True"_s)),
        (Rows{{u"1"_s, u"2001/02"_s, u"2001-08-05"_s, u"Mirvola Wendrow - Legia"_s,
               u"Mirvola Wendrow"_s, u"2:1"_s, u"10"_s, u"z gry"_s, u"Liga"_s},
              {u"1"_s, u"2001/02"_s, u"2002-05-05"_s, u"Wisła - Mirvola Wendrow"_s,
               u"Mirvola Wendrow"_s, u"1:2"_s, u"20"_s, u"z gry"_s, u"Liga"_s}}));
    const Rows against = diary.open(bramkiPilkarza(
        u"3"_s, rozgrywki, gdzie, u" AND Jak.CzySam = False AND Bramki.Czy_Mirvola = False"_s));
    ASSERT_EQ(against.size(), 3u);
    EXPECT_EQ(against[0].mid(4, 3), (QStringList{u"Legia"_s, u"2:1"_s, u"30"_s}));
    EXPECT_EQ(against[1].mid(4, 3), (QStringList{u"Wisła"_s, u"1:2"_s, u"7"_s}));
    EXPECT_EQ(against[2].mid(3, 5), (QStringList{u"Mirvola Wendrow - O'Higgins"_s, u"O'Higgins"_s,
                                                 u"3:3"_s, u"45"_s, u"karny"_s}));
    EXPECT_TRUE(diary
                    .open(bramkiPilkarza(u"3"_s, rozgrywki, gdzie,
                                         u" AND Jak.CzySam = Null AND Bramki.Czy_Mirvola = True"_s))
                    .empty());
}

}  // namespace
