#include "forms/SeasonChartLabels.h"

#include <QAbstractAxis>
#include <QBarCategoryAxis>
#include <QBrush>
#include <QChart>
#include <QFontMetrics>
#include <QGraphicsLayout>
#include <QGraphicsSimpleTextItem>
#include <QLineSeries>
#include <QPen>
#include <QWidget>
#include <QtMath>

#include <algorithm>
#include <cmath>

namespace wykresy {
namespace {

// The chart's own texts stand over its series and grid.
constexpr qreal kNadSeriami = 100;
// What the axis up the side, its title and the margins take beside the plot area.
constexpr int kPozaObszarem = 140;

int NajszerszySezon(const QFontMetrics& miara, const QStringList& sezony) {
    int najszerszy = 0;
    for (const QString& sezon : sezony) {
        najszerszy = std::max(najszerszy, miara.horizontalAdvance(sezon));
    }
    return najszerszy;
}

// A number's text in the colour of its line.
QGraphicsSimpleTextItem* Etykieta(QChart* wykres, const QLineSeries* linia, qreal wartosc) {
    auto* tekst = new QGraphicsSimpleTextItem(QString::number(wartosc), wykres);
    tekst->setBrush(linia->color());
    tekst->setPen(Qt::NoPen);
    tekst->setFont(linia->pointLabelsFont());
    tekst->setZValue(kNadSeriami);
    return tekst;
}

// Stands the texts of one season over their points, the lower value's first.
void Ustaw(QChart* wykres, const std::vector<QLineSeries*>& linie,
           const std::vector<std::vector<QGraphicsSimpleTextItem*>>& teksty, qsizetype punkt) {
    std::vector<size_t> kolejnosc(linie.size());
    for (size_t i = 0; i < kolejnosc.size(); ++i) {
        kolejnosc[i] = i;
    }
    std::stable_sort(kolejnosc.begin(), kolejnosc.end(), [&](size_t a, size_t b) {
        return linie[a]->at(punkt).y() < linie[b]->at(punkt).y();
    });
    constexpr qreal kOdstep = 2;
    qreal ponizej = wykres->plotArea().bottom();
    for (const size_t i : kolejnosc) {
        QGraphicsSimpleTextItem* tekst = teksty[i][static_cast<size_t>(punkt)];
        const QPointF miejsce = wykres->mapToPosition(linie[i]->at(punkt), linie[i]);
        const QRectF ramka = tekst->boundingRect();
        const qreal dol = std::min(miejsce.y() - kOdstep, ponizej - kOdstep);
        tekst->setPos(miejsce.x() - ramka.width() / 2, dol - ramka.height());
        ponizej = dol - ramka.height();
    }
}

}  // namespace

int MiejsceNaSezon(const QWidget* widok, const QStringList& sezony, int najwiekszaLiczba) {
    const QFontMetrics miara(widok->font());
    // Upright names take a line's height each, numbers their width, with a gap between.
    const int nazwa = std::min(NajszerszySezon(miara, sezony), miara.height()) + 6;
    const int liczba = miara.horizontalAdvance(QString::number(najwiekszaLiczba)) + 8;
    return std::max(nazwa, liczba);
}

int SzerokoscWykresu(int sezony, int miejsce) {
    return kPozaObszarem + sezony * miejsce;
}

void NazwySezonow(QChart* wykres, QBarCategoryAxis* os, QAbstractSeries* seria) {
    // Qt's own labels are cut down to nothing once turned upright: the chart writes its own.
    os->setLabelsVisible(false);
    os->setTitleVisible(false);
    wykres->legend()->setAlignment(Qt::AlignTop);
    std::vector<QGraphicsSimpleTextItem*> nazwy;
    for (const QString& sezon : os->categories()) {
        auto* tekst = new QGraphicsSimpleTextItem(sezon, wykres);
        tekst->setFont(os->labelsFont());
        tekst->setBrush(os->labelsBrush());
        tekst->setZValue(kNadSeriami);
        nazwy.push_back(tekst);
    }
    auto* tytul = new QGraphicsSimpleTextItem(os->titleText(), wykres);
    tytul->setFont(os->titleFont());
    tytul->setBrush(os->titleBrush());
    tytul->setZValue(kNadSeriami);
    QObject::connect(wykres, &QChart::plotAreaChanged, wykres, [=](const QRectF& obszar) {
        constexpr int kOdstep = 4;
        const QFontMetrics miara(os->labelsFont());
        const int najszerszy = NajszerszySezon(miara, os->categories());
        const bool pionowo = !nazwy.empty() && obszar.width() / static_cast<qreal>(nazwy.size()) <
                                                   najszerszy + miara.averageCharWidth() * 2;
        const int wysokoscNazw = nazwy.empty() ? 0 : pionowo ? najszerszy : miara.height();
        for (size_t i = 0; i < nazwy.size(); ++i) {
            const qreal x = wykres->mapToPosition(QPointF(static_cast<qreal>(i), 0), seria).x();
            const QRectF ramka = nazwy[i]->boundingRect();
            nazwy[i]->setRotation(pionowo ? -90 : 0);
            nazwy[i]->setPos(
                pionowo ? QPointF(x - ramka.height() / 2, obszar.bottom() + kOdstep + ramka.width())
                        : QPointF(x - ramka.width() / 2, obszar.bottom() + kOdstep));
        }
        const QRectF ramkaTytulu = tytul->boundingRect();
        tytul->setPos(obszar.center().x() - ramkaTytulu.width() / 2,
                      obszar.bottom() + 2 * kOdstep + wysokoscNazw);
        // Room below the plot for the names and the title; a new margin lays the chart out
        // again, and this runs once more with the same result.
        const int dol = 3 * kOdstep + wysokoscNazw + qCeil(ramkaTytulu.height());
        QMargins marginesy = wykres->margins();
        if (marginesy.bottom() != dol) {
            marginesy.setBottom(dol);
            wykres->setMargins(marginesy);
        }
    });
}

void LiczbyNadPunktami(QChart* wykres, const std::vector<QLineSeries*>& linie) {
    std::vector<std::vector<QGraphicsSimpleTextItem*>> teksty;
    for (QLineSeries* linia : linie) {
        linia->setPointLabelsVisible(false);
        std::vector<QGraphicsSimpleTextItem*> doLinii;
        for (const QPointF& p : linia->points()) {
            doLinii.push_back(Etykieta(wykres, linia, p.y()));
        }
        teksty.push_back(std::move(doLinii));
    }
    QObject::connect(wykres, &QChart::plotAreaChanged, wykres, [wykres, linie, teksty] {
        const qsizetype punkty = linie.empty() ? 0 : linie.front()->count();
        for (qsizetype p = 0; p < punkty; ++p) {
            Ustaw(wykres, linie, teksty, p);
        }
    });
}

void BrakMeczow(QChart* wykres) {
    for (QAbstractAxis* os : wykres->axes()) {
        os->setVisible(false);
    }
    wykres->legend()->setVisible(false);
    auto* tekst = new QGraphicsSimpleTextItem(QStringLiteral("brak meczów"), wykres);
    QFont czcionka = tekst->font();
    czcionka.setPointSizeF(czcionka.pointSizeF() * 1.5);
    tekst->setFont(czcionka);
    tekst->setZValue(kNadSeriami);
    QObject::connect(wykres, &QChart::plotAreaChanged, wykres, [tekst](const QRectF& obszar) {
        const QRectF ramka = tekst->boundingRect();
        tekst->setPos(obszar.center() - QPointF(ramka.width() / 2, ramka.height() / 2));
    });
}

}  // namespace wykresy
