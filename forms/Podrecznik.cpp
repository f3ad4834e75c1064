#include "forms/Podrecznik.h"

#include <QApplication>
#include <QInputDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPointer>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QUrl>
#include <QVBoxLayout>

namespace Podrecznik {
namespace {

const QString kKomunikaty = QStringLiteral("komunikaty");

QPointer<frmPodrecznik>& otwarty() {
    static QPointer<frmPodrecznik> okno;
    return okno;
}

// The chapter for a window: its own when the manual has one, else its opener's; message and
// input boxes have the chapter on messages.
QString rozdzialOkna(const QWidget* okno, const QStringList& rozdzialy) {
    for (const QWidget* w = okno; w;
         w = w->parentWidget() ? w->parentWidget()->window() : nullptr) {
        if (qobject_cast<const QMessageBox*>(w) || qobject_cast<const QInputDialog*>(w)) {
            return kKomunikaty;
        }
        if (rozdzialy.contains(w->objectName())) {
            return w->objectName();
        }
    }
    return QString();
}

// F1 reaches the window that has the focus. The main window's menu item carries the same key
// as its shortcut; the filter serves every other window, the modal ones above all, where the
// main window's shortcuts do not act.
class KlawiszF1 : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) {
            return false;
        }
        const auto* klawisz = static_cast<QKeyEvent*>(event);
        auto* widget = qobject_cast<QWidget*>(watched);
        if (klawisz->key() != Qt::Key_F1 || klawisz->modifiers() != Qt::NoModifier || !widget ||
            qobject_cast<frmPodrecznik*>(widget->window())) {
            return false;
        }
        Pokaz(widget);
        return true;
    }
};

}  // namespace

frmPodrecznik::frmPodrecznik(QWidget* parent)
    : QWidget(parent, Qt::Window), m_przegladarka(new QTextBrowser(this)) {
    setObjectName(QStringLiteral("frmPodrecznik"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Mirvola - podręcznik"));
    m_przegladarka->setObjectName(QStringLiteral("txtPodrecznik"));
    m_przegladarka->setOpenExternalLinks(true);
    auto* uklad = new QVBoxLayout(this);
    uklad->setContentsMargins(0, 0, 0, 0);
    uklad->addWidget(m_przegladarka);
    m_przegladarka->setSource(QUrl(kZrodlo));
    resize(1020, 760);
}

void frmPodrecznik::PokazRozdzial(const QString& rozdzial) {
    m_rozdzial = rozdzial;
    QUrl adres(kZrodlo);
    if (!rozdzial.isEmpty()) {
        adres.setFragment(rozdzial);
    }
    m_przegladarka->setSource(adres);
    if (rozdzial.isEmpty()) {
        m_przegladarka->scrollToAnchor(QString());
        m_przegladarka->verticalScrollBar()->setValue(0);
    } else {
        m_przegladarka->scrollToAnchor(rozdzial);
    }
}

QStringList frmPodrecznik::rozdzialy() const {
    QStringList kotwice;
    const QTextDocument* dokument = m_przegladarka->document();
    for (QTextBlock blok = dokument->begin(); blok.isValid(); blok = blok.next()) {
        for (auto it = blok.begin(); !it.atEnd(); ++it) {
            kotwice += it.fragment().charFormat().anchorNames();
        }
    }
    return kotwice;
}

void Pokaz(QWidget* okno) {
    QWidget* wlasciciel = okno ? okno->window() : nullptr;
    // A window of its own, but owned by the window F1 was pressed in: a modal window blocks
    // every window that is not its own.
    frmPodrecznik* podrecznik = otwarty();
    if (podrecznik && podrecznik->parentWidget() != wlasciciel) {
        podrecznik->close();
        podrecznik = nullptr;
    }
    if (!podrecznik) {
        podrecznik = new frmPodrecznik(wlasciciel);
        otwarty() = podrecznik;
    }
    podrecznik->PokazRozdzial(rozdzialOkna(wlasciciel, podrecznik->rozdzialy()));
    podrecznik->show();
    podrecznik->raise();
    podrecznik->activateWindow();
}

frmPodrecznik* OtwartyPodrecznik() {
    return otwarty();
}

void ZainstalujF1() {
    static KlawiszF1* filtr = nullptr;
    if (!filtr && qApp) {
        filtr = new KlawiszF1(qApp);
        qApp->installEventFilter(filtr);
    }
}

}  // namespace Podrecznik
