#include "forms/frmWykresySezonow.h"

#include "support/Diary.h"
#include "support/Script.h"
#include "support/Widgets.h"

#include <QAbstractBarSeries>
#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QFile>
#include <QGraphicsScene>
#include <QGraphicsSimpleTextItem>
#include <QGraphicsTextItem>
#include <QLineSeries>
#include <QPushButton>
#include <QTabWidget>
#include <QValueAxis>

#include <algorithm>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace testing_support;

namespace {

QStringList seasons(const QChart* chart) {
    auto* axis = qobject_cast<QBarCategoryAxis*>(chart->axes(Qt::Horizontal).value(0));
    return axis ? axis->categories() : QStringList{u"no season axis"_s};
}

// "across / up" axis titles.
QString axisTitles(const QChart* chart) {
    return chart->axes(Qt::Horizontal).value(0)->titleText() + u" / "_s +
           chart->axes(Qt::Vertical).value(0)->titleText();
}

// The top of the axis up the side and its number of ticks, as "max/ticks".
QString upTheSide(const QChart* chart) {
    const auto* up = qobject_cast<QValueAxis*>(chart->axes(Qt::Vertical).value(0));
    return up ? u"%1/%2"_s.arg(up->max()).arg(up->tickCount()) : u"no value axis"_s;
}

// Every bar set and line as "name: v1 v2 ...".
QStringList data(const QChart* chart) {
    QStringList result;
    for (QAbstractSeries* series : chart->series()) {
        if (auto* bars = qobject_cast<QAbstractBarSeries*>(series)) {
            for (const QBarSet* set : bars->barSets()) {
                QString text = set->label() + u':';
                for (int i = 0; i < set->count(); ++i) {
                    text += u' ' + QString::number(set->at(i));
                }
                result << text;
            }
        } else if (auto* line = qobject_cast<QLineSeries*>(series)) {
            QString text = line->name() + u':';
            for (const QPointF& p : line->points()) {
                text += u' ' + QString::number(p.y());
            }
            result << text;
        }
    }
    return result;
}

// The middle of bar `index` of the `n`-th set of a stacked series, in the view's viewport.
QPoint barCentre(const QChartView* v, QAbstractBarSeries* series, int n, int index) {
    qreal below = 0;
    for (int s = 0; s < n; ++s) {
        below += series->barSets()[s]->at(index);
    }
    const QPointF inChart = v->chart()->mapToPosition(
        QPointF(index, below + series->barSets()[n]->at(index) / 2), series);
    return v->mapFromScene(v->chart()->mapToScene(inChart));
}

}  // namespace

// One session: the charts over every season, a bar's number on hovering, saving a chart, and
// the filters.
TEST(frmWykresySezonow, ChartsPerSeasonFollowTheFiltersAndAreSavedAsPng) {
    SampleDiary d;
    frmWykresySezonow w;
    w.resize(w.sizeHint());
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    EXPECT_EQ(w.windowTitle(), u"Wykresy sezonów"_s);
    const auto chart = [&](const char* name) { return child<QChartView>(w, name)->chart(); };

    // Every competition: 2001/02 holds the two wins 2:1 and (away) 1:2; 2002/03 the friendly
    // 0:0, the 3:3 and a match without a score.
    EXPECT_EQ(seasons(chart("chtWyniki")), qs({"2001/02", "2002/03"}));
    EXPECT_EQ(axisTitles(chart("chtWyniki")), u"Sezon / Liczba meczów"_s);
    EXPECT_EQ(data(chart("chtWyniki")), qs({"Zwycięstwa: 2 0", "Remisy: 0 2", "Porażki: 0 0"}));
    EXPECT_EQ(axisTitles(chart("chtBramki")), u"Sezon / Liczba bramek"_s);
    EXPECT_EQ(data(chart("chtBramki")), qs({"Bramki zdobyte: 4 3", "Bramki stracone: 2 3"}));
    EXPECT_EQ(data(chart("chtMecze")), qs({"Mecze: 2 3"}));
    EXPECT_EQ(upTheSide(chart("chtMecze")), u"3/4"_s);  // whole numbers up the side
    screenshot(w, u"season-charts"_s);

    QChartView* v = child<QChartView>(w, "chtWyniki");
    auto* series = qobject_cast<QAbstractBarSeries*>(v->chart()->series().value(0));
    ASSERT_NE(series, nullptr);
    QTest::mouseMove(v->viewport(), barCentre(v, series, 1, 1));
    EXPECT_EQ(v->toolTip(), u"Remisy (2002/03): 2"_s);
    QTest::mouseMove(v->viewport(), QPoint(2, 2));  // off every bar
    EXPECT_TRUE(v->toolTip().isEmpty());

    // Saving: Cancel writes nothing; the chart of the tab shown is written; a name without the
    // extension gets it; the folder of the last picture is offered; a failure is reported and
    // leaves no file.
    QPushButton* save = child<QPushButton>(w, "cmdZapisz");
    const QString results = d.dir() + u"/wyniki.png"_s;
    const QString goals = d.dir() + u"/bramki"_s;
    const QString failed = d.dir() + u"/brak/wyniki.png"_s;
    Script s;
    s.file(u"Zapisz obraz"_s, std::nullopt);
    s.file(u"Zapisz obraz"_s, results, [](const ui::FileRequest& r) {
        EXPECT_EQ(r.mode, ui::FileMode::Save);
        EXPECT_EQ(r.suggestedName, u"wyniki-sezonow.png"_s);
        EXPECT_EQ(r.filter, u"Obrazy PNG (*.png)"_s);
    });
    save->click();
    save->click();
    s.verify();
    EXPECT_EQ(filesIn(d.dir()), qs({"Mirvola.mdb", "wyniki.png"}));
    EXPECT_TRUE(fileBytes(results).startsWith("\x89PNG\r\n\x1a\n"));
    child<QTabWidget>(w, "tabWykresy")->setCurrentIndex(1);
    s.file(u"Zapisz obraz"_s, goals, [&](const ui::FileRequest& r) {
        EXPECT_EQ(r.suggestedName, u"bramki-sezonow.png"_s);
        EXPECT_EQ(r.directory, d.dir());
    });
    s.file(u"Zapisz obraz"_s, failed);
    s.collectErrors();
    save->click();
    save->click();
    s.verify();
    EXPECT_TRUE(fileBytes(goals + u".png"_s).startsWith("\x89PNG"));
    EXPECT_NE(fileBytes(goals + u".png"_s), fileBytes(results));
    EXPECT_FALSE(QFile::exists(goals));
    ASSERT_EQ(s.errors().size(), 1);
    EXPECT_TRUE(
        s.errors()[0].startsWith(u"Nie udało się zapisać obrazu w pliku "_s + failed + u'.'));
    EXPECT_FALSE(QFile::exists(failed));

    child<QListWidget>(w, "lstRozgr")->item(0)->setCheckState(Qt::Unchecked);  // no league
    EXPECT_EQ(seasons(chart("chtMecze")), qs({"2002/03"}));
    EXPECT_EQ(data(chart("chtWyniki")), qs({"Zwycięstwa: 0", "Remisy: 2", "Porażki: 0"}));
    child<QCheckBox>(w, "chkOpcja_2")->click();  // not the friendly on neutral ground
    child<QCheckBox>(w, "chkOpcja_0")->click();  // nothing left
    for (const char* name : {"chtWyniki", "chtBramki", "chtMecze"}) {
        EXPECT_TRUE(seasons(chart(name)).isEmpty()) << name;
        EXPECT_EQ(upTheSide(chart(name)), u"1/2"_s) << name;
    }
}

TEST(frmWykresySezonow, TheStepUpTheSideKeepsTenTicksAtMost) {
    Diary d;
    d.exec(
        u"INSERT INTO Sezony VALUES (1, '2010/11');"
        "INSERT INTO Kluby VALUES (1, 'Legia');"
        "INSERT INTO Rozgrywki VALUES (1, 'Liga', -1);"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 23) "
        "INSERT INTO Mecze (Id_sezonu, Data, Gdzie, Id_klubu, Wyn1, Wyn2, Id_rozgrywki) "
        "SELECT 1, '2010-08-01', 'D', 1, 7, 0, 1 FROM n;"_s);
    frmWykresySezonow w;
    // 23 matches: steps of 5 up to 25; 161 goals: steps of 20 up to 180.
    EXPECT_EQ(upTheSide(child<QChartView>(w, "chtMecze")->chart()), u"25/6"_s);
    EXPECT_EQ(upTheSide(child<QChartView>(w, "chtBramki")->chart()), u"180/10"_s);
}

namespace {

// `n` seasons from 1900/01 on, one match each, with goals for and against close or equal in
// many seasons and the highest numbers near the top of the axis.
void seasonsWithMatches(const Diary& d, int n) {
    d.exec(
        u"INSERT INTO Kluby VALUES (1, 'Legia');"
        "INSERT INTO Rozgrywki VALUES (1, 'Liga', -1);"
        "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
        "INSERT INTO Sezony (Id_sezonu, Sezon) SELECT i + 1, printf('%04d/%02d', 1900 + i, "
        "(i + 1) % 100) FROM n;"
        "INSERT INTO Mecze (Id_sezonu, Data, Gdzie, Id_klubu, Wyn1, Wyn2, Id_rozgrywki) "
        "SELECT Id_sezonu, printf('%04d-09-01', 1899 + Id_sezonu), 'D', 1, "
        "40 + (Id_sezonu * 7) % 20, 40 + (Id_sezonu * 7) % 20 - Id_sezonu % 3, 1 "
        "FROM Sezony;"_s.arg(n - 1));
}

// The texts a chart shows: its axis labels and its own numbers, in the chart's scene.
struct Texts {
    std::vector<std::pair<QString, QRectF>> all;
    int own = 0;  // the numbers over the points
};

Texts textsOf(const QChart* chart) {
    Texts t;
    for (QGraphicsItem* item : chart->scene()->items()) {
        if (!item->isVisible()) {
            continue;
        }
        if (auto* text = dynamic_cast<QGraphicsTextItem*>(item)) {
            t.all.emplace_back(text->toPlainText(), text->sceneBoundingRect());
        } else if (auto* simple = dynamic_cast<QGraphicsSimpleTextItem*>(item)) {
            t.all.emplace_back(simple->text(), simple->sceneBoundingRect());
            bool number = false;
            simple->text().toInt(&number);
            t.own += number ? 1 : 0;
        }
    }
    return t;
}

}  // namespace

// 1, 8 and 60 seasons (a lifetime): every season named on each chart, and no text over another
// or beyond the chart; 200 seasons: the same, the chart scrolling sideways.
TEST(frmWykresySezonow, EverySeasonIsNamedAndNoTextCoversAnother) {
    for (const int n : {1, 8, 60, 200}) {
        SCOPED_TRACE(n);
        Diary d;
        seasonsWithMatches(d, n);
        const QStringList names = d.column(u"SELECT Sezon FROM Sezony ORDER BY Sezon"_s);
        frmWykresySezonow w;
        w.resize(1000, 700);
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
        auto* tabs = child<QTabWidget>(w, "tabWykresy");
        const char* views[] = {"chtWyniki", "chtBramki", "chtMecze"};
        for (int tab = 0; tab < 3; ++tab) {
            SCOPED_TRACE(views[tab]);
            tabs->setCurrentIndex(tab);
            QChartView* view = child<QChartView>(w, views[tab]);
            QTest::qWait(20);
            screenshot(*view, u"seasons-%1-%2"_s.arg(n).arg(QLatin1String(views[tab])));
            const QRectF chartArea = view->chart()->sceneBoundingRect();
            const Texts t = textsOf(view->chart());
            QStringList shown;
            for (const auto& [text, rect] : t.all) {
                shown << text;
                EXPECT_TRUE(chartArea.contains(rect)) << "cut off: " << text.toStdString();
            }
            for (const QString& season : names) {
                EXPECT_TRUE(shown.contains(season)) << "not named: " << season.toStdString();
            }
            for (size_t a = 0; a < t.all.size(); ++a) {
                for (size_t b = a + 1; b < t.all.size(); ++b) {
                    EXPECT_FALSE(t.all[a].second.intersects(t.all[b].second))
                        << t.all[a].first.toStdString() << " over " << t.all[b].first.toStdString();
                }
            }
            if (tab == 1) {
                // Both numbers of every season are written.
                EXPECT_EQ(t.own, 2 * n);
            }
        }
    }
}

TEST(frmWykresySezonow, AChartWithoutMatchesSaysSo) {
    Diary d;
    frmWykresySezonow w;
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    for (const char* name : {"chtWyniki", "chtBramki", "chtMecze"}) {
        QChartView* view = child<QChartView>(w, name);
        QStringList shown;
        for (const auto& [text, rect] : textsOf(view->chart()).all) {
            shown << text;
        }
        EXPECT_TRUE(shown.contains(u"brak meczów"_s)) << name;
        for (const QAbstractAxis* axis : view->chart()->axes()) {
            EXPECT_FALSE(axis->isVisible()) << name;
        }
    }
}
