#include "forms/WyborMeczow.h"

#include "forms/ListRows.h"
#include "forms/frmStatystykiMecze.h"

#include <QCheckBox>
#include <QListWidget>

#include <utility>

WyborMeczow::WyborMeczow(QWidget* okno, QListWidget* lstRozgr, std::array<QCheckBox*, 3> chkOpcja,
                         std::function<void()> zmiana)
    : m_okno(okno), m_lstRozgr(lstRozgr), m_chkOpcja(chkOpcja), m_zmiana(std::move(zmiana)) {
    ui::followKeyboardRow(m_lstRozgr);
}

bool WyborMeczow::Wczytaj() {
    const bool wczytane = statystyki::WczytajRozgrywki(m_okno, m_lstRozgr);
    // Records and seasons cover every competition until the user narrows them.
    for (int i = 0; i < m_lstRozgr->count(); ++i) {
        m_lstRozgr->item(i)->setCheckState(Qt::Checked);
    }
    QObject::connect(m_lstRozgr, &QListWidget::itemChanged, m_okno, [this] { m_zmiana(); });
    for (QCheckBox* chk : m_chkOpcja) {
        QObject::connect(chk, &QCheckBox::toggled, m_okno, [this] { m_zmiana(); });
    }
    return wczytane;
}

wybor::Filtr WyborMeczow::filtr() const {
    return {statystyki::UstalRozgrywki(m_lstRozgr),
            statystyki::UstalMiejsca(m_chkOpcja[0], m_chkOpcja[1], m_chkOpcja[2])};
}
