#include "forms/ListExport.h"

#include "data/engine/Error.h"
#include "forms/Dialogs.h"
#include "forms/Toolkit.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QRegularExpression>
#include <QTreeWidget>

namespace ui {
namespace {

const QString kKluczKatalogu = QStringLiteral("eksport/katalog");

bool kolumnaWidoczna(const QTreeWidget* lista, int kolumna) {
    return !lista->isColumnHidden(kolumna) && lista->header()->sectionSize(kolumna) > 0;
}

}  // namespace

QString komorkaCsv(const QString& tekst) {
    static const QRegularExpression liczba(QStringLiteral(R"(^\s*(-?\d+)\.?\s*$)"));
    const QRegularExpressionMatch m = liczba.match(tekst);
    return m.hasMatch() ? m.captured(1) : tekst;
}

csv::Table tabelaListy(const QTreeWidget* lista) {
    csv::Table tabela;
    std::vector<int> kolumny;
    const QHeaderView* naglowek = lista->header();
    // Columns in the order the user sees them.
    for (int v = 0; v < naglowek->count(); ++v) {
        const int kolumna = naglowek->logicalIndex(v);
        if (kolumnaWidoczna(lista, kolumna)) {
            kolumny.push_back(kolumna);
            tabela.header << lista->headerItem()->text(kolumna);
        }
    }
    tabela.rows.reserve(static_cast<size_t>(lista->topLevelItemCount()));
    for (int r = 0; r < lista->topLevelItemCount(); ++r) {
        const QTreeWidgetItem* wiersz = lista->topLevelItem(r);
        QStringList komorki;
        komorki.reserve(static_cast<qsizetype>(kolumny.size()));
        for (const int kolumna : kolumny) {
            komorki << komorkaCsv(wiersz->text(kolumna));
        }
        tabela.rows.push_back(std::move(komorki));
    }
    return tabela;
}

void dodajEksportCsv(QTreeWidget* lista, const QString& nazwa) {
    dodajEksportCsv(
        lista, [lista] { return tabelaListy(lista); }, [nazwa] { return nazwa; });
}

void dodajEksportCsv(QWidget* widok, std::function<csv::Table()> tabela,
                     std::function<QString()> nazwa) {
    // The same access key as the item of the menu "Mecze".
    auto* eksport = new QAction(QStringLiteral("&Eksportuj do CSV..."), widok);
    eksport->setObjectName(QStringLiteral("itmEksportujCsv"));
    QObject::connect(eksport, &QAction::triggered, widok,
                     [widok, tabela = std::move(tabela), nazwa = std::move(nazwa)] {
                         EksportujDoCsv(widok->window(), tabela(), nazwa());
                     });
    widok->addAction(eksport);
    widok->setContextMenuPolicy(Qt::ActionsContextMenu);
}

bool EksportujDoCsv(QWidget* okno, const csv::Table& tabela, const QString& nazwa) {
    const QString propozycja =
        nazwa + u'-' + today().toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(".csv");
    const std::optional<QString> plik =
        fileDialog(okno, {FileMode::Save, QStringLiteral("Eksportuj do CSV"),
                          ui::zapamietanyKatalog(kKluczKatalogu), propozycja,
                          QStringLiteral("Pliki CSV (*.csv)")});
    if (!plik) {
        return false;
    }
    try {
        const Hourglass klepsydra;
        csv::writeFile(*plik, csv::encode(tabela));
    } catch (const engine::Error& e) {
        messageBox(okno, ui::tytul::kBlad,
                   QStringLiteral("Nie udało się zapisać pliku CSV.\n") + e.description(),
                   Buttons::Ok, Icon::Critical);
        return false;
    }
    ui::zapamietajKatalog(kKluczKatalogu, QFileInfo(*plik).absolutePath());
    return true;
}

}  // namespace ui
