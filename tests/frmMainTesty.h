#pragma once

// Helpers shared by the main window's test binaries.

#include "forms/frmMain.h"
#include "support/Diary.h"
#include "support/Script.h"

#include <QAction>
#include <QFile>
#include <QHeaderView>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QTreeWidget>

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <functional>
#include <optional>

namespace frmmain_testy {

inline QTreeWidget* lista(const frmMain& okno) {
    return okno.findChild<QTreeWidget*>(QStringLiteral("lstMecze"));
}

inline QAction* akcja(const frmMain& okno, const char* nazwa) {
    QAction* a = okno.findChild<QAction*>(QLatin1String(nazwa));
    EXPECT_NE(a, nullptr) << nazwa;
    return a;
}

// The texts of one column, top row first.
inline QStringList kolumna(const frmMain& okno, int k) {
    QStringList teksty;
    const QTreeWidget* l = lista(okno);
    for (int i = 0; i < l->topLevelItemCount(); ++i) {
        teksty << l->topLevelItem(i)->text(k);
    }
    return teksty;
}

inline QStringList qs(std::initializer_list<const char*> teksty) {
    QStringList wynik;
    for (const char* t : teksty) {
        wynik << QString::fromUtf8(t);
    }
    return wynik;
}

// Clicks the header of column k like the user does.
inline void kliknijNaglowek(const frmMain& okno, int k) {
    QHeaderView* naglowek = lista(okno)->header();
    const QPoint punkt(naglowek->sectionViewportPosition(k) + naglowek->sectionSize(k) / 2,
                       naglowek->height() / 2);
    QTest::mouseClick(naglowek->viewport(), Qt::LeftButton, Qt::NoModifier, punkt);
}

// `n` official league matches of one season and club, one day apart from 1900-01-01 on, with
// ids 1..n (higher id = later date), added to whatever the diary holds.
inline void dopiszMecze(const testing_support::Diary& dziennik, int n, int pierwszeId = 1) {
    dziennik.exec(
        QStringLiteral(
            "INSERT OR IGNORE INTO Sezony (Id_sezonu, Sezon) VALUES (1, '2001/02');"
            "INSERT OR IGNORE INTO Kluby (Id_klubu, Druzyna) VALUES (1, 'Legia');"
            "INSERT OR IGNORE INTO Rozgrywki (Id_rozgrywki, Nazwa, Oficjalny) "
            "VALUES (1, 'Liga', -1);"
            "WITH RECURSIVE n(i) AS (SELECT %1 UNION ALL SELECT i + 1 FROM n WHERE i < %2) "
            "INSERT INTO Mecze (Id_meczu, Id_sezonu, Data, Gdzie, Id_klubu, Wyn1, Wyn2, "
            "Id_rozgrywki, Komentarz) SELECT i, 1, date('1900-01-01', '+' || i || "
            "' days'), 'D', 1, i % 5, 1, 1, 'Komentarz ' || i FROM n;")
            .arg(pierwszeId)
            .arg(pierwszeId + n - 1));
}

inline QByteArray zawartosc(const QString& sciezka) {
    QFile plik(sciezka);
    return plik.open(QIODevice::ReadOnly) ? plik.readAll() : QByteArray();
}

// A scripted session that can also act when a given box appears (after it is answered) or
// answer a box by a rule of its own instead of an exact text.
class Sesja : public testing_support::Script {
  public:
    using Script::message;

    // Called for every box first; a value answers the box without consuming a script step.
    std::function<std::optional<ui::Answer>(const ui::Message&)> przechwyc;
    // Called after the box with this text has been answered from the script.
    QString poTekscie;
    std::function<void()> poOdpowiedzi;

    ui::Answer message(QWidget* parent, const ui::Message& m) override {
        if (przechwyc) {
            if (const auto odpowiedz = przechwyc(m)) {
                return *odpowiedz;
            }
        }
        const ui::Answer odpowiedz = Script::message(parent, m);
        if (poOdpowiedzi && m.text == poTekscie) {
            poOdpowiedzi();
        }
        return odpowiedz;
    }
};

// Another process holding the diary: the sqlite3 shell inside an exclusive transaction.
class InnyProces {
  public:
    explicit InnyProces(const QString& sciezka) : m_sciezka(sciezka) {
        const QString program = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
        if (program.isEmpty()) {
            return;
        }
        m_proces.start(program, {sciezka});
        if (!m_proces.waitForStarted()) {
            return;
        }
        m_proces.write("BEGIN EXCLUSIVE;\nDELETE FROM Mecze WHERE 0;\n");
        for (int i = 0; i < 100 && !zablokowany(); ++i) {
            QTest::qWait(50);
        }
    }
    ~InnyProces() { zwolnij(); }
    InnyProces(const InnyProces&) = delete;
    InnyProces& operator=(const InnyProces&) = delete;

    // False when the shell is missing or could not take the lock.
    bool trzyma() const { return m_proces.state() == QProcess::Running && zablokowany(); }

    void zwolnij() {
        if (m_proces.state() == QProcess::NotRunning) {
            return;
        }
        m_proces.write("ROLLBACK;\n.quit\n");
        m_proces.closeWriteChannel();
        if (!m_proces.waitForFinished(5000)) {
            m_proces.kill();
            m_proces.waitForFinished();
        }
    }

  private:
    // Whether a reader of ours is refused at once.
    bool zablokowany() const {
        sqlite3* db = nullptr;
        sqlite3_open_v2(m_sciezka.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
        const int wynik =
            sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
        sqlite3_close(db);
        return wynik == SQLITE_BUSY;
    }

    QString m_sciezka;
    QProcess m_proces;
};

}  // namespace frmmain_testy
