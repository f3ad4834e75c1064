#pragma once

#include <QString>
#include <QStringList>

// Where the diary lives. A copy of the program that has its diary beside it (unpacked into a
// folder of its own, or installed for one user under ~/.local/share/mirvola) keeps using it;
// a program installed for everybody (/usr/bin) keeps each user's diary in that user's data
// folder. Mirvola::SciezkaBazy() names the file in use.
namespace dziennik {

// "Mirvola.mdb" in the program's directory.
QString BazaObokProgramu();
// The user's data folder (~/.local/share/Mirvola) and the diary in it.
QString KatalogDanych();
QString BazaUzytkownika();
// Tests point the user's data folder elsewhere; an empty text restores the real one.
void UstawKatalogDanych(const QString& katalog);

// The diary found: beside the program first, then in the user's data folder (normal files, or
// links to them); empty when there is none.
QString ZnajdzBaze();

// The diary found, else where a new one would go: what the command-line companion names as
// the default diary.
QString DomyslnaBaza();

// True when the program's directory is a folder of the program's own that the user may write
// into: not a folder that many programs share (one on PATH, or one of the system's under /usr).
bool KatalogProgramuWlasny();
// Where a new diary goes when none is found: beside the program when its directory is its own
// and writable, else into the user's data folder.
QString MiejsceNowejBazy();

// The folders a new diary needs, made for the lifetime of the object: those it made are
// removed again (when still empty) unless keep() was called, so that a refused or failed
// creation leaves no trace.
class KatalogNowejBazy {
  public:
    // Throws engine::Error when the folder of `sciezkaBazy` cannot be made.
    explicit KatalogNowejBazy(const QString& sciezkaBazy);
    ~KatalogNowejBazy();
    KatalogNowejBazy(const KatalogNowejBazy&) = delete;
    KatalogNowejBazy& operator=(const KatalogNowejBazy&) = delete;

    void keep() { m_utworzone.clear(); }

  private:
    void usun();

    QStringList m_utworzone;  // deepest first
};

}  // namespace dziennik
