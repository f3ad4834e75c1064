#pragma once

#include <QDialog>

#include <memory>
#include <vector>

class frmMecz;

namespace Ui {
class frmPoprawaGola;
}

// Corrects one goal row of the match editor: the current row of the grid the editor's
// intSiatka names. Only the editor's grid changes; the editor's save writes the database.
class frmPoprawaGola : public QDialog {
    Q_OBJECT

  public:
    explicit frmPoprawaGola(frmMecz* edytor);
    ~frmPoprawaGola() override;

  public slots:
    void reject() override;

  protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void WypelnijGraczyPopr();
    void WypelnijJak();
    void UstawPolozenie();
    void cmdFiltrujPopr_Click();
    void cmdOK_Click();
    bool SprawdzMinute();

    std::unique_ptr<Ui::frmPoprawaGola> m_ui;
    frmMecz* m_edytor;
    int m_strona;
    int m_wiersz;

    std::vector<double> dblIdGraczaPopr;
    std::vector<double> dblIdJakPopr;
    bool blnFiltrPopr = false;
    bool m_zamykanie = false;
};
