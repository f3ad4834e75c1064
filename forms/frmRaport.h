#pragma once

#include "data/RaportSezonu.h"

#include <QDialog>

#include <memory>

class QPrinter;
class QPrintPreviewWidget;

namespace Ui {
class frmRaport;
}

// "Raport": the season on paper. The competitions and venues are chosen as in the match
// statistics (the official competitions checked at the start), the seasons as one, several or
// all, and the sections to print; the preview beside them follows every change. "Drukuj..."
// goes through the system's print dialog, "Zapisz jako PDF..." writes the same pages to a file.
class frmRaport : public QDialog {
    Q_OBJECT

  public:
    explicit frmRaport(QWidget* parent = nullptr);
    ~frmRaport() override;

    // What the pages show now.
    const raport::Raport& raport() const { return m_raport; }

  private:
    bool WczytajSezony();
    raport::Wybor UstalWybor() const;
    void Odswiez();
    void cmdDrukuj_Click();
    void cmdPdf_Click();

    std::unique_ptr<Ui::frmRaport> ui;
    std::unique_ptr<QPrinter> m_drukarka;
    QPrintPreviewWidget* m_podglad = nullptr;
    raport::Raport m_raport;
    bool m_wczytywanie = true;
};
