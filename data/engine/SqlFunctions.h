#pragma once

struct sqlite3;

namespace engine {

// Registers on a connection the collation and functions that translated queries name
// (Polish case-insensitive collation, LIKE with the old wildcards, & concatenation, ...).
// The stored schema never names them, so standard SQLite tools can still read the file.
void registerSqlFunctions(sqlite3* db);

// Names used by the translator; kept here so both sides agree.
inline constexpr const char* kCollation = "MIRVOLA_PL";
inline constexpr const char* kConcatFunction = "mv_concat";
inline constexpr const char* kLikeFunction = "mv_like";

// Compares two UTF-8 texts in Polish alphabetical order, ignoring letter case
// (a < ą < b < c < ć ... l < ł ... s < ś ... z < ź < ż). Returns <0, 0 or >0.
int comparePolish(const char* a, int aLength, const char* b, int bLength);

}  // namespace engine
