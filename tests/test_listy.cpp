// The lists of every window: the row the keyboard is on is the row a command acts on, headers
// keep room for the sort arrow, user texts show as typed, sorting survives a failed refresh.

#include "frmMainTesty.h"

#include "data/Mirvola.h"
#include "forms/frmMecz.h"
#include "forms/frmStatystykiMecze.h"
#include "forms/frmStatystykiPilkarze.h"
#include "support/OtherProcess.h"

#include <QApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QStyleOptionHeader>
#include <QTextDocumentFragment>
#include <QToolTip>

using namespace Qt::StringLiterals;
using namespace frmmain_testy;
using ui::Answer;

namespace {

constexpr int kMecz = 4, kData = 3, kKomentarz = 7;

void aktywne(QWidget& w) {
    w.show();
    QApplication::setActiveWindow(&w);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
}

void klawisze(QWidget* w, std::initializer_list<Qt::Key> lista) {
    w->setFocus();
    for (const Qt::Key k : lista) {
        QTest::keyClick(w, k);
    }
}

// The deletion question of a sample match, by its id.
ui::Message usunMecz(int id) {
    static const QMap<int, QString> mecze = {
        {1, u"Mirvola Wendrow - Legia 2:1 z 5 sierpnia 2001"_s},
        {2, u"Wisła - Mirvola Wendrow 1:2 z 5 maja 2002"_s},
        {4, u"Mirvola Wendrow - O'Higgins 3:3 z 15 marca 2003"_s},
    };
    return question(u"Czy na pewno usunąć mecz "_s + mecze.value(id) + u"?"_s, Answer::No);
}

// Expects the modal window `nazwa` to open on the id `id` in Mirvola::dblIdMeczu.
void otwieraNa(Script& s, const QString& nazwa, double id) {
    s.modal(nazwa, [id](QDialog*) { EXPECT_EQ(Mirvola::dblIdMeczu, id); });
}

// The selected rows and the keyboard's row name the same single row.
void jedenWiersz(const QAbstractItemView* v) {
    const QModelIndexList wybrane = v->selectionModel()->selectedRows();
    ASSERT_EQ(wybrane.size(), 1);
    EXPECT_EQ(wybrane.first().row(), v->currentIndex().row());
}

}  // namespace

TEST(ListyKlawiatura, MainListCommandsActOnTheRowTheKeysReachedAfterEveryRefill) {
    SampleDiary d;
    frmMain okno;
    aktywne(okno);
    QTreeWidget* l = lista(okno);
    ASSERT_EQ(kolumna(okno, 0), qs({"5", "4", "2", "1"}));
    Script s;
    // Delete after the keys `k` asks about the match `id`, the one row selected.
    const auto usun = [&](std::initializer_list<Qt::Key> k, int id) {
        s.message(usunMecz(id), Answer::No);
        klawisze(l, k);
        QTest::keyClick(l, Qt::Key_Delete);
        EXPECT_TRUE(s.done()) << id;
        jedenWiersz(l);
    };
    usun({Qt::Key_Down, Qt::Key_Down}, 2);
    // A refill (refresh, filters and the dictionaries share it) starts again from the top row.
    akcja(okno, "itmOdswiez")->trigger();
    usun({Qt::Key_Down, Qt::Key_Down, Qt::Key_Down}, 1);

    // Popraw on the row reached by the keys; back from the editor, that match is selected and
    // the keys go on from it.
    klawisze(l, {Qt::Key_Up, Qt::Key_Up});
    otwieraNa(s, u"frmMecz"_s, 4);
    akcja(okno, "itmPopraw")->trigger();
    jedenWiersz(l);
    s.message(usunMecz(2), Answer::Yes);
    s.message(info(u"Dane zostały usunięte."_s), Answer::Ok);
    klawisze(l, {Qt::Key_Down, Qt::Key_Delete});
    // After a deletion; Enter describes the row.
    ASSERT_EQ(kolumna(okno, 0), qs({"5", "4", "1"}));
    otwieraNa(s, u"frmMecze"_s, 1);
    klawisze(l, {Qt::Key_Down, Qt::Key_Down, Qt::Key_Return});
    // A header sort keeps the row; the keys move in the sorted order.
    clickHeader(l, kData);  // 1, 4, 5
    usun({Qt::Key_Down}, 4);
    // A row taken out of the selection takes the keyboard along: Delete then asks nothing,
    // and the next key starts from the top row again.
    QTest::keyClick(l, Qt::Key_Space, Qt::ControlModifier);
    EXPECT_TRUE(l->selectedItems().isEmpty());
    QTest::keyClick(l, Qt::Key_Delete);
    usun({Qt::Key_Down}, 1);
}

TEST(ListyKlawiatura, StatisticsListsOpenTheRowTheKeysReached) {
    SampleDiary d;
    // The refills and sorting follow the main list's; here the keys and Enter alone.
    {
        frmStatystykiMecze okno;
        aktywne(okno);
        auto* l = child<QTreeWidget>(okno, "lstKluby");
        ASSERT_EQ(column(l, 1), qs({"Legia", "O'Higgins", "Wisła"}));
        // Taking the focus puts the keyboard on the first row, and selects it.
        l->setFocus();
        jedenWiersz(l);
        Script s;
        otwieraNa(s, u"frmMecze"_s, 4);
        klawisze(l, {Qt::Key_Down, Qt::Key_Return});
    }
    frmStatystykiPilkarze okno;
    aktywne(okno);
    auto* l = child<QTreeWidget>(okno, "lstGracze");
    ASSERT_EQ(column(l, 1), qs({"Jan Kowalski Kowal", "Adam Nowak", "Sean O'Neil"}));
    Script s;
    s.modal(u"frmBramkiPilkarza"_s,
            [](QDialog* d) { EXPECT_EQ(d->windowTitle(), u"Bramki piłkarza - Adam Nowak"_s); });
    klawisze(l, {Qt::Key_Down, Qt::Key_Return});
}

// The text of a header fits beside the sort arrow, as the style lays the two out.
void naglowkiMieszczaStrzalke(const QTreeWidget* l) {
    const QHeaderView* h = l->header();
    for (int k = 0; k < h->count(); ++k) {
        if (h->isSectionHidden(k)) {
            continue;
        }
        QStyleOptionHeader opcja;
        opcja.initFrom(h);
        opcja.state |= QStyle::State_Horizontal;
        opcja.rect = QRect(0, 0, h->sectionSize(k), h->height());
        opcja.text = l->headerItem()->text(k);
        opcja.sortIndicator = QStyleOptionHeader::SortDown;
        const QRect napis = h->style()->subElementRect(QStyle::SE_HeaderLabel, &opcja, h);
        EXPECT_GE(napis.width(), h->fontMetrics().horizontalAdvance(opcja.text))
            << l->objectName().toStdString() << ": " << opcja.text.toStdString();
    }
}

TEST(ListyWyglad, HeadersKeepRoomForTheSortArrow) {
    SampleDiary d;
    frmMain glowne;
    frmStatystykiMecze mecze;
    frmStatystykiPilkarze pilkarze;
    for (const auto& [okno, nazwa] : {std::pair<QWidget*, const char*>{&glowne, "lstMecze"},
                                      {&mecze, "lstKluby"},
                                      {&pilkarze, "lstGracze"}}) {
        okno->show();
        naglowkiMieszczaStrzalke(child<QTreeWidget>(*okno, nazwa));
    }
}

TEST(ListyWyglad, UserTextsShowAsTyped) {
    SampleDiary d;
    d.exec(
        u"UPDATE Mecze SET Komentarz = '<b>gol</b> & <i>nic</i>' WHERE Id_meczu = 5;"
        "UPDATE Kluby SET Druzyna = '<i>Legia</i>' WHERE Id_klubu = 1"_s);
    frmMain okno;
    aktywne(okno);
    QTreeWidget* l = lista(okno);
    ASSERT_EQ(l->topLevelItem(0)->text(0), u"5"_s);
    const QRect komorka = l->visualItemRect(l->topLevelItem(0))
                              .intersected(QRect(l->header()->sectionViewportPosition(kKomentarz),
                                                 0, l->header()->sectionSize(kKomentarz), 10000));
    QHelpEvent podpowiedz(QEvent::ToolTip, komorka.center(),
                          l->viewport()->mapToGlobal(komorka.center()));
    QApplication::sendEvent(l->viewport(), &podpowiedz);
    ASSERT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QTextDocumentFragment::fromHtml(QToolTip::text()).toPlainText(),
              u"<b>gol</b> & <i>nic</i>"_s);
    QToolTip::hideText();

    // Labels naming clubs in the editor and the viewer.
    Mirvola::blnPoprawa = Mirvola::True;
    Mirvola::dblIdMeczu = 5;
    frmMecz edytor;
    auto* gosp = child<QLabel>(edytor, "lblGosp");
    EXPECT_EQ(gosp->text(), u"<i>Legia</i>"_s);
    EXPECT_EQ(gosp->textFormat(), Qt::PlainText);
    Script s;
    s.modal(u"frmMecze"_s, [](QDialog* d) {
        for (const char* nazwa : {"lblNaglowek", "lblGosp", "lblGosc"}) {
            EXPECT_EQ(child<QLabel>(*d, nazwa)->textFormat(), Qt::PlainText) << nazwa;
        }
        EXPECT_EQ(child<QLabel>(*d, "lblGosp")->text(), u"<i>Legia</i>"_s);
    });
    klawisze(l, {Qt::Key_Return});
}

TEST(ListySortowanie, HeaderSortingWorksAfterARefreshThatFailed) {
    SampleDiary d;
    frmMain okno;
    okno.show();
    QTreeWidget* l = lista(okno);
    clickHeader(l, kMecz);
    clickHeader(l, kMecz);
    OtherProcess inny(d.path());
    REQUIRE_HOLD(inny);
    {
        Script s;
        s.collectErrors();
        akcja(okno, "itmOdswiez")->trigger();
        ASSERT_EQ(s.errors().size(), 1);
    }
    inny.release();
    clickHeader(l, kData);
    EXPECT_EQ(kolumna(okno, 0), qs({"1", "2", "4", "5"}));
    clickHeader(l, kData);
    EXPECT_EQ(kolumna(okno, 0), qs({"5", "4", "2", "1"}));
}
