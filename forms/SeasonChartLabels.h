#pragma once

#include <QString>
#include <QStringList>

#include <vector>

class QAbstractSeries;
class QBarCategoryAxis;
class QChart;
class QLineSeries;
class QWidget;

// What keeps the season charts readable from one season to a lifetime and beyond: every season
// named, no label over another or cut off; past what the window holds the chart scrolls.
namespace wykresy {

// The room one season needs across the chart: its name side by side with the others or turned
// upright, and the numbers over its points (`najwiekszaLiczba` the largest of them).
int MiejsceNaSezon(const QWidget* widok, const QStringList& sezony, int najwiekszaLiczba);

// The chart's least width for `sezony` seasons of `miejsce` each: the view scrolls beyond it.
int SzerokoscWykresu(int sezony, int miejsce);

// Every season's name under its place on the chart (`seria` attached to the axis `os`),
// side by side, or turned upright when they no longer fit so; the axis title below them.
void NazwySezonow(QChart* wykres, QBarCategoryAxis* os, QAbstractSeries* seria);

// The number of each point of the two lines written over it, in the line's colour; where the two
// points of a season are close, the higher one's number goes above the lower one's, never over
// it. Qt's own point labels cannot be moved, so these are the chart's own text items.
void LiczbyNadPunktami(QChart* wykres, const std::vector<QLineSeries*>& linie);

// A chart without a season says "brak meczów" in the middle instead of showing bare axes.
void BrakMeczow(QChart* wykres);

}  // namespace wykresy
