#pragma once

#include <QDialog>
#include <QStringList>

#include <memory>

namespace Ui {
class frmAbout;
}

// The about box: title, version, description and a launcher for the desktop's system
// information tool.
class frmAbout : public QDialog {
    Q_OBJECT

  public:
    explicit frmAbout(QWidget* parent = nullptr);
    ~frmAbout() override;

    // The system information tools looked for on the PATH, in this order.
    static QStringList narzedziaSysInfo();
    // The first of `narzedzia` found in `katalogi` (the PATH when empty), or an empty text.
    static QString ZnajdzSysInfo(const QStringList& narzedzia,
                                 const QStringList& katalogi = QStringList());

  private:
    void cmdSysInfo_Click();
    void StartSysInfo();

    std::unique_ptr<Ui::frmAbout> m_ui;
};
