// What a user may type or paste into every text box, input box, picker and filter:
// apostrophes, quotes, the LIKE pattern characters, a thousand characters, control characters,
// Polish letters, blanks around the text. It is stored exactly as the box shows it (cut to the
// field's limit where the window says so), found again by the filters, and never ends in an
// SQL error.

#include "data/Mirvola.h"
#include "forms/frmGracz.h"
#include "forms/frmMain.h"
#include "forms/frmMecz.h"
#include "forms/frmPoprawaGola.h"
#include "forms/frmSlowniki.h"
#include "support/Diary.h"
#include "support/Script.h"
#include "support/Widgets.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace testing_support;
using ui::Answer;

namespace {

QStringList hostile() {
    return {u"'; DROP TABLE Mecze; --"_s,
            u"\"Cytat\" i 'cytat'"_s,
            u"* ? # [ ] %"_s,
            u"100% _x_ \\"_s,
            QString(1000, u'ź'),
            u"tab\tkoniec\u0001\u001b\u007f"_s,
            u"Zażółć gęślą jaźń ŁÓDŹ"_s,
            u"   spacje z obu stron   "_s};
}

// The filter text that finds `text` literally: the old engine's pattern characters go into
// brackets, as its users wrote them.
QString literally(QString text) {
    static const QRegularExpression special(u"([[*?#])"_s);
    return text.replace(special, u"[\\1]"_s);
}

void click(const QWidget& window, const char* button) {
    child<QPushButton>(window, button)->click();
}

struct Dictionary {
    int tab;
    const char* table;
    const char* column;
    int limit;
    QString title;
    QString prompt;
    QString flagQuestion;  // answered No
};

class HostileText : public ::testing::Test {
  protected:
    // Applies a filter of the dictionaries window; no box may appear.
    static QStringList filtered(frmSlowniki& window, const QString& text) {
        Script quiet;
        child<QLineEdit>(window, "txtFiltr")->setText(text);
        click(window, "cmdFiltruj");
        return texts(child<QListWidget>(window, "lstDane"));
    }

    FixedClock clock{QDate(2003, 5, 10)};
    SampleDiary diary;
};

}  // namespace

TEST_F(HostileText, DictionaryNamesAreStoredAsCutAndFoundAgain) {
    // The competitions take the same path as the kinds of goal, with a longer limit.
    const Dictionary dictionaries[] = {
        {0, "Kluby", "Druzyna", 21, u"Kluby - dopisanie"_s,
         u"Podaj nowy klub (maksymalnie 21 znaków)"_s, QString()},
        {4, "Jak", "Jak", 10, u"Rodzaje goli - dopisanie"_s,
         u"Podaj nowy rodzaj gola (maksymalnie 10 znaków)"_s, u"Czy jest to gol samobójczy?"_s},
    };
    Mirvola::blnPoprawa = Mirvola::False;
    frmSlowniki window;
    for (const Dictionary& d : dictionaries) {
        SCOPED_TRACE(d.table);
        child<QTabWidget>(window, "tstSlowniki")->setCurrentIndex(d.tab);
        QStringList stored;
        for (const QString& typed : hostile()) {
            const QString name = typed.left(d.limit).trimmed();
            {
                Script s;
                s.input(d.title, d.prompt, typed);
                s.message(question(u"Czy zapisać następujące dane?\n\n"_s + name), Answer::Yes);
                if (!d.flagQuestion.isEmpty()) {
                    s.message(u"Pytanie"_s, d.flagQuestion, Answer::No);
                }
                s.message(info(u"Dane zostały zapisane."_s), Answer::Ok);
                click(window, "cmdDodaj");
            }
            stored << name;
        }
        const QString table = QLatin1String(d.table);
        for (const QString& name : stored) {
            SCOPED_TRACE(name.toStdString());
            EXPECT_EQ(diary.rows(u"SELECT count(*) FROM %1 WHERE %2 = '%3'"_s.arg(
                          table, QLatin1String(d.column), Mirvola::PodwojApostrofy(name))),
                      std::vector<QStringList>{{u"1"_s}});
            EXPECT_TRUE(filtered(window, literally(name)).contains(name));
            if (!name.contains(u'#') && !name.contains(u'[')) {
                EXPECT_TRUE(filtered(window, name).contains(name));
            }
        }
        // '%' and '_' are no wildcards of the old engine, and a '[' that no ']' closes is the
        // character itself: they find only themselves, never an error of the pattern.
        for (const QString& filter : {u"%"_s, u"_"_s, u"["_s, u"]["_s}) {
            SCOPED_TRACE(filter.toStdString());
            QStringList found = filtered(window, filter), expected = stored.filter(filter);
            found.sort();
            expected.sort();
            EXPECT_EQ(found, expected);
        }
    }
    // None of it is a season.
    child<QTabWidget>(window, "tstSlowniki")->setCurrentIndex(3);
    for (const QString& typed : hostile()) {
        SCOPED_TRACE(typed.toStdString());
        Script s;
        s.input(u"Sezony - dopisanie"_s, u"Podaj nowy sezon (maksymalnie 7 znaków)"_s, typed);
        s.message(notice(u"Prawidłowy zapis sezonu to rrrr/rr, np. 2002/03!!!"_s), Answer::Ok);
        click(window, "cmdDodaj");
    }
    EXPECT_EQ(diary.count(u"Sezony"_s), 2);
}

// The player editor's boxes stop at their limits; what they show is what is stored, and the
// player is found by the filters of the dictionaries, the match editor and the goal correction.
TEST_F(HostileText, PlayerNamesAreStoredAsShownAndFoundByEveryFilter) {
    QStringList surnames;
    QStringList shown;
    for (const QString& typed : hostile()) {
        frmGracz editor(false);
        QStringList names;  // first name, surname, nickname as the boxes show them
        for (const char* box : {"txtImie", "txtNazwisko", "txtPrzydomek"}) {
            child<QLineEdit>(editor, box)->setText(typed);
            names << child<QLineEdit>(editor, box)->text().trimmed();
        }
        EXPECT_EQ(names[1], typed.left(16).trimmed()) << "the surname box takes 16 characters";
        {
            Script s;
            s.message(question(u"Czy dane są poprawne?"_s), Answer::Yes);
            s.message(info(u"Dane zostały zapisane."_s), Answer::Ok);
            s.message(u"Pytanie"_s, u"Czy dopisać kolejnego zawodnika?"_s, Answer::No);
            click(editor, "cmdOK");
        }
        EXPECT_EQ(diary.rows(u"SELECT Imie, Nazwisko, Przydomek FROM Gracze WHERE Id_gracza = "
                             "(SELECT max(Id_gracza) FROM Gracze)"_s),
                  std::vector<QStringList>{names});
        surnames << names[1];
        shown << names.join(u' ');
    }

    Mirvola::blnPoprawa = Mirvola::False;
    frmSlowniki dictionaries;
    child<QTabWidget>(dictionaries, "tstSlowniki")->setCurrentIndex(1);
    Mirvola::blnPoprawa = Mirvola::True;
    Mirvola::dblIdMeczu = 1;
    frmMecz match;
    match.intSiatka = 0;
    match.fgrdStrzelcy(0)->setCurrentCell(0, 0);
    frmPoprawaGola correction(&match);
    for (qsizetype i = 0; i < surnames.size(); ++i) {
        SCOPED_TRACE(surnames[i].toStdString());
        const QString filter = literally(surnames[i]);
        EXPECT_TRUE(filtered(dictionaries, filter).contains(shown[i]));
        Script quiet;
        child<QLineEdit>(match, "txtFiltr_0")->setText(filter);
        click(match, "cmdFiltruj_0");
        EXPECT_TRUE(texts(child<QListWidget>(match, "lstGracze_0")).contains(shown[i]));
        child<QLineEdit>(correction, "txtFiltrPopr")->setText(filter);
        click(correction, "cmdFiltrujPopr");
        EXPECT_TRUE(texts(child<QListWidget>(correction, "lstGraczePopr")).contains(shown[i]));
    }
}

TEST_F(HostileText, CommentIsStoredExactlyAndShownAgain) {
    const QString comment = hostile().join(u'\n');
    Mirvola::blnPoprawa = Mirvola::True;
    Mirvola::dblIdMeczu = 1;
    {
        frmMecz editor;
        child<QPlainTextEdit>(editor, "txtKomentarz")->setPlainText(comment);
        Script s;
        s.message(question(u"Czy dane są poprawne?"_s), Answer::Yes);
        s.message(info(u"Dane zostały zapisane."_s), Answer::Ok);
        click(editor, "cmdOK");
    }
    QString stored = comment;
    stored.replace(u'\n', u"\r\n"_s);
    EXPECT_EQ(diary.value(u"SELECT Komentarz FROM Mecze WHERE Id_meczu = 1"_s).toString(), stored);
    frmMecz again;
    EXPECT_EQ(child<QPlainTextEdit>(again, "txtKomentarz")->toPlainText(), comment);
}

// A club with a hostile name is offered by the editor's picker as it is, and the match saved
// with it is listed with that name. The minute's input box asks again until it gets a minute:
// text of any kind stores nothing.
TEST_F(HostileText, MatchEditorTakesHostileClubsButNoHostileMinute) {
    const QString club = u"O'Neil [#1] 100%_\t\"x\""_s;
    diary.exec(u"INSERT INTO Kluby (Id_klubu, Druzyna) VALUES (9, '%1')"_s.arg(
        Mirvola::PodwojApostrofy(club)));
    Mirvola::blnPoprawa = Mirvola::False;
    {
        frmMecz editor;  // the last season, the first competition, at home, today
        auto* picker = child<QComboBox>(editor, "cboDane_1");
        picker->setCurrentIndex(picker->findText(club));
        ASSERT_EQ(picker->currentText(), club);
        auto* score = child<QComboBox>(editor, "cboWyn_0");
        score->setCurrentIndex(score->findText(u"1"_s));
        auto* players = child<QListWidget>(editor, "lstGracze_0");
        players->setCurrentRow(0);
        const QString ask = u"W której minucie "_s + players->currentItem()->text() +
                            u" strzelił bramkę ("_s +
                            child<QComboBox>(editor, "cboDane_3")->currentText() + u")?"_s;
        Script s;
        for (const QString& typed : hostile()) {
            s.input(u"Pytanie"_s, ask, typed);
        }
        s.input(u"Pytanie"_s, ask, std::nullopt);
        QTest::keyClick(players, Qt::Key_Return);
        EXPECT_TRUE(s.done());
        EXPECT_EQ(editor.fgrdStrzelcy(0)->rowCount(), 0);
        s.message(question(u"Czy dane są poprawne?"_s), Answer::Yes);
        s.message(u"Pytanie"_s, u"Dane zostały zapisane.\n\nCzy dopisać kolejny mecz?"_s,
                  Answer::No);
        click(editor, "cmdOK");
    }
    EXPECT_EQ(diary.rows(u"SELECT Wyn1, Wyn2 FROM Mecze WHERE Id_klubu = 9"_s),
              (std::vector<QStringList>{{u"1"_s, u"0"_s}}));

    frmMain window;
    const QStringList pairs = column(child<QTreeWidget>(window, "lstMecze"), 4);
    EXPECT_TRUE(pairs.contains(u"Mirvola Wendrow - "_s + club))
        << pairs.join(u" / "_s).toStdString();
}
