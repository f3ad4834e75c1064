#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

class QTextBrowser;

// The Polish manual, an HTML document in the program's resources, shown in a window of its
// own. F1 in any window of the program opens it at that window's chapter: the chapter's anchor
// is the window's objectName ("frmMecz", ...), "komunikaty" for message boxes.
namespace Podrecznik {

inline const QString kZrodlo = QStringLiteral("qrc:/podrecznik/podrecznik.html");

class frmPodrecznik : public QWidget {
    Q_OBJECT

  public:
    explicit frmPodrecznik(QWidget* parent);

    // Shows the chapter `rozdzial` (an anchor of the manual); the beginning when empty.
    void PokazRozdzial(const QString& rozdzial);
    // The chapter shown last (empty: the beginning).
    const QString& rozdzial() const { return m_rozdzial; }
    // The anchors of the manual's chapters.
    QStringList rozdzialy() const;
    QTextBrowser* przegladarka() const { return m_przegladarka; }

  private:
    QTextBrowser* m_przegladarka;
    QString m_rozdzial;
};

// Opens the manual at the chapter of `okno`'s window.
void Pokaz(QWidget* okno);

// The window showing the manual now, or nullptr.
frmPodrecznik* OtwartyPodrecznik();

// F1 anywhere in the application opens the manual (once; the toolkit installs it).
void ZainstalujF1();

}  // namespace Podrecznik
