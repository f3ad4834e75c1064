#pragma once

#include "data/RaportSezonu.h"

#include <QDate>
#include <QLocale>
#include <QPageSize>
#include <QString>

#include <stdexcept>

class QPagedPaintDevice;

// The report on pages: the same drawing goes to a PDF file, to a printer and to the print
// preview. Needs Qt Gui only (fonts and the painter), no widgets, so that mirvola-db writes
// the PDF on the offscreen platform.
namespace raport {

// Letter where the locale measures in inches (the US), A4 everywhere else.
QPageSize RozmiarStrony(const QLocale& locale = QLocale());

// Sets the page size of RozmiarStrony, portrait, and the report's margins.
void UstawStrone(QPagedPaintDevice* urzadzenie, const QLocale& locale = QLocale());

// Draws the report onto a paged device (a PDF writer or a printer), every page with the
// heading and the footer "strona N z M" with the date of printing. Returns the number of
// pages.
int Rysuj(const Raport& raport, QPagedPaintDevice* urzadzenie, const QDate& dataWydruku);

// Why a PDF file was not written; the message is for the user, in Polish.
class BladZapisu : public std::runtime_error {
  public:
    explicit BladZapisu(const QString& komunikat)
        : std::runtime_error(komunikat.toStdString()), m_komunikat(komunikat) {}
    const QString& komunikat() const { return m_komunikat; }

  private:
    QString m_komunikat;
};

// Writes the report as the PDF file `sciezka` through a temporary file in the same folder,
// which takes the name only when complete. An existing file is kept (BladZapisu) unless
// `nadpisz`. Returns the number of pages.
int ZapiszPdf(const Raport& raport, const QString& sciezka, bool nadpisz, const QDate& dataWydruku);

}  // namespace raport
