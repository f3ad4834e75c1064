#include "forms/frmWykresySezonow.h"

#include "support/Diary.h"
#include "support/Script.h"
#include "support/Widgets.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QFile>
#include <QImage>
#include <QLegendMarker>
#include <QLineSeries>
#include <QListWidget>
#include <QPushButton>
#include <QStackedBarSeries>
#include <QTabWidget>
#include <QTest>
#include <QValueAxis>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace testing_support;

namespace {

QChartView* view(const QWidget& w, const char* name) {
    return child<QChartView>(w, name);
}

QStringList seasons(const QChart* chart) {
    const auto axes = chart->axes(Qt::Horizontal);
    auto* axis = axes.isEmpty() ? nullptr : qobject_cast<QBarCategoryAxis*>(axes.first());
    return axis ? axis->categories() : QStringList{u"no season axis"_s};
}

// "across / up" axis titles.
QString axisTitles(const QChart* chart) {
    return chart->axes(Qt::Horizontal).value(0)->titleText() + u" / "_s +
           chart->axes(Qt::Vertical).value(0)->titleText();
}

// Every bar set and line as "name: v1 v2 ...".
QStringList data(const QChart* chart) {
    QStringList result;
    for (QAbstractSeries* series : chart->series()) {
        if (auto* bars = qobject_cast<QAbstractBarSeries*>(series)) {
            for (const QBarSet* set : bars->barSets()) {
                QStringList values;
                for (int i = 0; i < set->count(); ++i) {
                    values << QString::number(set->at(i));
                }
                result << set->label() + u": "_s + values.join(u' ');
            }
        } else if (auto* line = qobject_cast<QLineSeries*>(series)) {
            QStringList values;
            for (const QPointF& p : line->points()) {
                values << QString::number(p.y());
            }
            result << line->name() + u": "_s + values.join(u' ');
        }
    }
    return result;
}

QStringList legend(const QChart* chart) {
    QStringList result;
    for (const QLegendMarker* marker : chart->legend()->markers()) {
        result << marker->label();
    }
    return result;
}

// The middle of bar `index` of `set` as a point of the chart view's viewport.
QPoint barCentre(const QChartView* v, QAbstractBarSeries* series, const QBarSet* set, int index) {
    qreal below = 0;
    for (const QBarSet* s : series->barSets()) {
        if (s == set) {
            break;
        }
        below += s->at(index);
    }
    const QPointF inChart =
        v->chart()->mapToPosition(QPointF(index, below + set->at(index) / 2), series);
    return v->mapFromScene(v->chart()->mapToScene(inChart));
}

}  // namespace

TEST(frmWykresySezonow, OneChartPerTabOverEverySeasonOldestFirst) {
    SampleDiary d;
    frmWykresySezonow w;
    EXPECT_EQ(w.windowTitle(), u"Wykresy sezonów"_s);
    QTabWidget* tabs = child<QTabWidget>(w, "tabWykresy");
    ASSERT_EQ(tabs->count(), 3);
    EXPECT_EQ(tabs->tabText(0), u"Wyniki"_s);
    EXPECT_EQ(tabs->tabText(1), u"Bramki"_s);
    EXPECT_EQ(tabs->tabText(2), u"Mecze"_s);

    // Every competition: 2001/02 holds the two wins 2:1 and (away) 1:2; 2002/03 the friendly
    // 0:0, the 3:3 and a match without a score.
    const QChart* results = view(w, "chtWyniki")->chart();
    EXPECT_EQ(seasons(results), qs({"2001/02", "2002/03"}));
    EXPECT_EQ(axisTitles(results), u"Sezon / Liczba meczów"_s);
    EXPECT_EQ(data(results), qs({"Zwycięstwa: 2 0", "Remisy: 0 2", "Porażki: 0 0"}));
    EXPECT_TRUE(qobject_cast<QStackedBarSeries*>(results->series().value(0)));
    EXPECT_EQ(legend(results), qs({"Zwycięstwa", "Remisy", "Porażki"}));

    const QChart* goals = view(w, "chtBramki")->chart();
    EXPECT_EQ(seasons(goals), qs({"2001/02", "2002/03"}));
    EXPECT_EQ(axisTitles(goals), u"Sezon / Liczba bramek"_s);
    EXPECT_EQ(data(goals), qs({"Bramki zdobyte: 4 3", "Bramki stracone: 2 3"}));
    EXPECT_EQ(legend(goals), qs({"Bramki zdobyte", "Bramki stracone"}));

    const QChart* matches = view(w, "chtMecze")->chart();
    EXPECT_EQ(axisTitles(matches), u"Sezon / Liczba meczów"_s);
    EXPECT_EQ(data(matches), qs({"Mecze: 2 3"}));

    // Whole numbers up the side.
    const auto* up = qobject_cast<QValueAxis*>(matches->axes(Qt::Vertical).value(0));
    ASSERT_NE(up, nullptr);
    EXPECT_EQ(up->max(), 3);
    EXPECT_EQ(up->tickCount(), 4);

    w.resize(w.sizeHint());
    screenshot(w, u"season-charts"_s);
}

TEST(frmWykresySezonow, FiltersRedrawEveryChart) {
    SampleDiary d;
    frmWykresySezonow w;
    child<QListWidget>(w, "lstRozgr")->item(0)->setCheckState(Qt::Unchecked);  // no league
    EXPECT_EQ(seasons(view(w, "chtMecze")->chart()), qs({"2002/03"}));
    EXPECT_EQ(data(view(w, "chtWyniki")->chart()),
              qs({"Zwycięstwa: 0", "Remisy: 2", "Porażki: 0"}));

    child<QCheckBox>(w, "chkOpcja_2")->click();  // not the friendly on neutral ground
    EXPECT_EQ(data(view(w, "chtBramki")->chart()), qs({"Bramki zdobyte: 3", "Bramki stracone: 3"}));

    child<QCheckBox>(w, "chkOpcja_0")->click();  // nothing left
    for (const char* name : {"chtWyniki", "chtBramki", "chtMecze"}) {
        const QChart* chart = view(w, name)->chart();
        EXPECT_TRUE(seasons(chart).isEmpty()) << name;
        const auto* up = qobject_cast<QValueAxis*>(chart->axes(Qt::Vertical).value(0));
        ASSERT_NE(up, nullptr);
        EXPECT_EQ(up->max(), 1) << name;
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
    const auto axis = [&](const char* name) {
        return qobject_cast<QValueAxis*>(view(w, name)->chart()->axes(Qt::Vertical).value(0));
    };
    // 23 matches: steps of 5 up to 25; 161 goals: steps of 20 up to 180.
    EXPECT_EQ(axis("chtMecze")->max(), 25);
    EXPECT_EQ(axis("chtMecze")->tickCount(), 6);
    EXPECT_EQ(axis("chtBramki")->max(), 180);
    EXPECT_EQ(axis("chtBramki")->tickCount(), 10);
}

TEST(frmWykresySezonow, HoveringABarShowsItsNumber) {
    SampleDiary d;
    frmWykresySezonow w;
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    QChartView* v = view(w, "chtWyniki");
    auto* series = qobject_cast<QAbstractBarSeries*>(v->chart()->series().value(0));
    ASSERT_NE(series, nullptr);

    QTest::mouseMove(v->viewport(), barCentre(v, series, series->barSets()[1], 1));
    EXPECT_EQ(v->toolTip(), u"Remisy (2002/03): 2"_s);
    QTest::mouseMove(v->viewport(), barCentre(v, series, series->barSets()[0], 0));
    EXPECT_EQ(v->toolTip(), u"Zwycięstwa (2001/02): 2"_s);
    QTest::mouseMove(v->viewport(), QPoint(2, 2));  // off every bar
    EXPECT_TRUE(v->toolTip().isEmpty());
}

TEST(frmWykresySezonow, SaveWritesTheCurrentChartAsThePngChosen) {
    SampleDiary d;
    frmWykresySezonow w;
    w.show();
    QPushButton* save = child<QPushButton>(w, "cmdZapisz");
    EXPECT_EQ(save->text(), u"&Zapisz obraz..."_s);
    Script s;

    // Cancel writes nothing.
    s.file(u"Zapisz obraz"_s, std::nullopt);
    save->click();
    s.verify();

    const QString results = d.dir() + u"/wyniki.png"_s;
    s.file(u"Zapisz obraz"_s, results, [](const ui::FileRequest& r) {
        EXPECT_EQ(r.mode, ui::FileMode::Save);
        EXPECT_EQ(r.suggestedName, u"wyniki-sezonow.png"_s);
        EXPECT_EQ(r.filter, u"Obrazy PNG (*.png)"_s);
    });
    save->click();
    s.verify();
    EXPECT_TRUE(fileBytes(results).startsWith("\x89PNG\r\n\x1a\n"));
    const QImage image(results);
    EXPECT_EQ(image.size(), view(w, "chtWyniki")->grab().size());

    // The chart of the tab shown; a name without the extension is kept as chosen.
    child<QTabWidget>(w, "tabWykresy")->setCurrentIndex(1);
    const QString goals = d.dir() + u"/bramki"_s;
    s.file(u"Zapisz obraz"_s, goals,
           [](const ui::FileRequest& r) { EXPECT_EQ(r.suggestedName, u"bramki-sezonow.png"_s); });
    save->click();
    s.verify();
    EXPECT_TRUE(fileBytes(goals).startsWith("\x89PNG"));
    EXPECT_NE(fileBytes(goals), fileBytes(results));
}

TEST(frmWykresySezonow, AFailedSaveIsReportedAndLeavesNoFile) {
    SampleDiary d;
    frmWykresySezonow w;
    const QString path = d.dir() + u"/brak/wyniki.png"_s;
    Script s;
    s.collectErrors();
    s.file(u"Zapisz obraz"_s, path);
    child<QPushButton>(w, "cmdZapisz")->click();
    ASSERT_EQ(s.errors().size(), 1);
    EXPECT_TRUE(s.errors()[0].startsWith(u"Nie udało się zapisać obrazu w pliku "_s + path + u'.'))
        << s.errors()[0].toStdString();
    EXPECT_FALSE(QFile::exists(path));
}
