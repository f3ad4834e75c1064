#pragma once

// Internal to the merging of diaries (Dolaczenie.h): the comparison of the two files' rows,
// which gives the plan, and the writing of what the plan adds.

#include "data/Dolaczenie.h"
#include "data/DolaczenieWiersze.h"

#include <memory>

namespace engine {
class Connection;
}

namespace dolaczenie {

class Scalanie {
  public:
    // Compares `inny` (the rows of the file `plik`) with the diary's rows `dziennik`; both must
    // outlive the object.
    Scalanie(const Wiersze& dziennik, const Wiersze& inny, const QString& plik);
    ~Scalanie();
    Scalanie(const Scalanie&) = delete;
    Scalanie& operator=(const Scalanie&) = delete;

    const Plan& plan() const;
    // Writes the added rows through `db`, in the caller's transaction: new ids, every reference
    // to the matched or added entry, or to nothing.
    void zapisz(const engine::Connection& db);

  private:
    struct Dane;
    std::unique_ptr<Dane> d;
};

}  // namespace dolaczenie
