#include "data/engine/SqlFunctions.h"

#include "data/engine/Error.h"

#include <QChar>
#include <QString>

#include <sqlite3.h>

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace engine {
namespace {

// ---- Polish alphabetical weights
//
// Every character gets a primary weight (its place in the alphabet, the same for both letter
// cases) and a secondary one (the lower-case code point) that only breaks ties, so "Kowalski"
// equals "kowalski" while "é" stays distinct from "e". ASCII characters other than letters
// keep their code points as weights: digits, '-', '/' and blanks stay in code-point order, so
// ISO dates and seasons such as "2002/03" sort chronologically and a blank sorts before any
// letter.

struct Weight {
    std::uint32_t primary;
    std::uint32_t secondary;
};

constexpr std::uint32_t kLetterBase = 0x80;  // above every ASCII character
constexpr std::uint32_t kOtherBase = 0x200;  // above every letter of the alphabet

// The Polish alphabet with the letters q, v and x where the Latin alphabet has them.
constexpr std::array<char32_t, 35> kAlphabet = {
    U'a', U'ą', U'b', U'c', U'ć', U'd', U'e', U'ę', U'f', U'g', U'h', U'i',
    U'j', U'k', U'l', U'ł', U'm', U'n', U'ń', U'o', U'ó', U'p', U'q', U'r',
    U's', U'ś', U't', U'u', U'v', U'w', U'x', U'y', U'z', U'ź', U'ż'};

constexpr char32_t kTableSize = 0x250;  // Latin-1, Latin Extended-A and -B

int alphabetRank(char32_t lower) {
    for (std::size_t i = 0; i < kAlphabet.size(); ++i) {
        if (kAlphabet[i] == lower) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

Weight computeWeight(char32_t cp) {
    const char32_t lower = QChar::toLower(cp);
    if (cp < 0x80 && !QChar::isLetter(cp)) {
        return {cp, cp};
    }
    int rank = alphabetRank(lower);
    if (rank < 0 && QChar::isLetter(cp) && cp < kTableSize) {
        // Letters with other diacritics (é, ü, č) sort with their base letter.
        const QString decomposed = QChar::decomposition(lower);
        if (!decomposed.isEmpty() && decomposed.front().unicode() < 0x80) {
            rank = alphabetRank(decomposed.front().toLower().unicode());
        }
    }
    if (rank >= 0) {
        return {kLetterBase + static_cast<std::uint32_t>(rank), lower};
    }
    return {kOtherBase + lower, lower};
}

std::array<Weight, kTableSize> buildWeightTable() {
    std::array<Weight, kTableSize> table{};
    for (char32_t cp = 0; cp < kTableSize; ++cp) {
        table[cp] = computeWeight(cp);
    }
    return table;
}

// Built before main(): QChar's character data needs no initialisation.
const std::array<Weight, kTableSize> kWeights = buildWeightTable();

inline Weight weightOf(char32_t cp) {
    return cp < kTableSize ? kWeights[cp] : computeWeight(cp);
}

// Decodes one UTF-8 character; a malformed sequence yields its first byte as a character of
// its own, so damaged text still compares and matches without reading past the end.
inline char32_t decodeUtf8(const unsigned char*& p, const unsigned char* end) {
    const unsigned char lead = *p++;
    if (lead < 0x80) {
        return lead;
    }
    int extra = 0;
    char32_t cp = 0;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1;
        cp = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2;
        cp = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3;
        cp = lead & 0x07;
    } else {
        return lead;
    }
    if (end - p < extra) {
        return lead;
    }
    for (int i = 0; i < extra; ++i) {
        if ((p[i] & 0xC0) != 0x80) {
            return lead;
        }
        cp = (cp << 6) | (p[i] & 0x3F);
    }
    p += extra;
    return cp;
}

// ---- Text form of a value, as the old engine concatenated it

void appendNumber(std::string& out, double value) {
    char buffer[32];
    std::to_chars_result result;
    if (std::isfinite(value) && value == std::floor(value) && std::fabs(value) < 1e15) {
        result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<long long>(value));
    } else {
        result =
            std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    }
    out.append(buffer, result.ptr);
}

// Appends the text of a value; false for Null.
bool appendText(std::string& out, sqlite3_value* value) {
    switch (sqlite3_value_type(value)) {
        case SQLITE_NULL:
            return false;
        case SQLITE_INTEGER: {
            char buffer[24];
            const auto result =
                std::to_chars(buffer, buffer + sizeof buffer, sqlite3_value_int64(value));
            out.append(buffer, result.ptr);
            return true;
        }
        case SQLITE_FLOAT:
            appendNumber(out, sqlite3_value_double(value));
            return true;
        default: {
            const auto* text = sqlite3_value_text(value);
            out.append(reinterpret_cast<const char*>(text), sqlite3_value_bytes(value));
            return true;
        }
    }
}

// mv_concat(a, b, ...): the old & operator. Null counts as empty text; only when every
// operand is Null is the result Null.
void concatFunction(sqlite3_context* context, int argc, sqlite3_value** argv) {
    std::string out;
    bool anyValue = false;
    for (int i = 0; i < argc; ++i) {
        anyValue = appendText(out, argv[i]) || anyValue;
    }
    if (!anyValue) {
        sqlite3_result_null(context);
        return;
    }
    sqlite3_result_text64(context, out.data(), out.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
}

// ---- LIKE with the old wildcards: * any run, ? one character, # one digit, [abc], [a-z],
// [!abc]; letters compare without regard to case, Polish letters included.

struct PatternItem {
    enum Kind { Literal, AnyOne, Digit, Set, AnyRun } kind = Literal;
    std::uint32_t lower = 0;  // Literal: lower-case code point
    bool negated = false;     // Set
    // Set: ranges of primary weights (a single character is a range of one) and single
    // characters by their lower-case code point.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> ranges;
    std::vector<std::uint32_t> singles;
};

struct Pattern {
    std::vector<PatternItem> items;
};

std::vector<char32_t> decodeAll(std::string_view text) {
    std::vector<char32_t> chars;
    chars.reserve(text.size());
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    while (p < end) {
        chars.push_back(decodeUtf8(p, end));
    }
    return chars;
}

std::unique_ptr<Pattern> compilePattern(std::string_view text) {
    auto pattern = std::make_unique<Pattern>();
    const std::vector<char32_t> chars = decodeAll(text);
    for (std::size_t i = 0; i < chars.size(); ++i) {
        PatternItem item;
        switch (chars[i]) {
            case U'*':
                item.kind = PatternItem::AnyRun;
                break;
            case U'?':
                item.kind = PatternItem::AnyOne;
                break;
            case U'#':
                item.kind = PatternItem::Digit;
                break;
            case U'[': {
                std::size_t j = i + 1;
                item.kind = PatternItem::Set;
                if (j < chars.size() && chars[j] == U'!') {
                    item.negated = true;
                    ++j;
                }
                while (j < chars.size() && chars[j] != U']') {
                    if (j + 2 < chars.size() && chars[j + 1] == U'-' && chars[j + 2] != U']') {
                        item.ranges.emplace_back(weightOf(chars[j]).primary,
                                                 weightOf(chars[j + 2]).primary);
                        j += 3;
                    } else {
                        item.singles.push_back(weightOf(chars[j]).secondary);
                        ++j;
                    }
                }
                if (j >= chars.size()) {
                    // A bracket that is never closed is a character like any other (a filter
                    // text typed by the user must not end in an error); what follows it keeps
                    // its meaning.
                    item = PatternItem();
                    item.lower = weightOf(chars[i]).secondary;
                    break;
                }
                if (item.ranges.empty() && item.singles.empty()) {
                    // "[]" stands for the empty text and "[!]" for any one character.
                    if (!item.negated) {
                        i = j;
                        continue;
                    }
                    item.kind = PatternItem::AnyOne;
                }
                i = j;
                break;
            }
            default:
                item.lower = weightOf(chars[i]).secondary;
                break;
        }
        if (item.kind == PatternItem::AnyRun && !pattern->items.empty() &&
            pattern->items.back().kind == PatternItem::AnyRun) {
            continue;
        }
        pattern->items.push_back(std::move(item));
    }
    return pattern;
}

bool matchesOne(const PatternItem& item, char32_t c) {
    switch (item.kind) {
        case PatternItem::Literal:
            return weightOf(c).secondary == item.lower;
        case PatternItem::AnyOne:
            return true;
        case PatternItem::Digit:
            return c >= U'0' && c <= U'9';
        case PatternItem::Set: {
            const Weight w = weightOf(c);
            bool found = false;
            for (const auto single : item.singles) {
                found = found || single == w.secondary;
            }
            for (const auto& [low, high] : item.ranges) {
                found = found || (w.primary >= low && w.primary <= high);
            }
            return found != item.negated;
        }
        case PatternItem::AnyRun:
            break;
    }
    return false;
}

// Only * matches a run, so remembering the last * and retrying from there is complete. The
// text is read as UTF-8 where it lies: a filter runs over every row of a table.
bool matches(const Pattern& pattern, std::string_view text) {
    const auto& items = pattern.items;
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = s + text.size();
    std::size_t p = 0;
    std::size_t starItem = items.size();
    const unsigned char* starText = s;
    while (s < end) {
        if (p < items.size() && items[p].kind == PatternItem::AnyRun) {
            starItem = p++;
            starText = s;
            continue;
        }
        const unsigned char* next = s;
        const char32_t c = decodeUtf8(next, end);
        if (p < items.size() && matchesOne(items[p], c)) {
            s = next;
            ++p;
        } else if (starItem < items.size()) {
            p = starItem + 1;
            decodeUtf8(starText, end);
            s = starText;
        } else {
            return false;
        }
    }
    while (p < items.size() && items[p].kind == PatternItem::AnyRun) {
        ++p;
    }
    return p == items.size();
}

// A value's text without a copy where it is text already; `buffer` holds the others'.
std::optional<std::string_view> textOf(sqlite3_value* value, std::string& buffer) {
    if (sqlite3_value_type(value) == SQLITE_TEXT) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
        return std::string_view(text, static_cast<std::size_t>(sqlite3_value_bytes(value)));
    }
    if (!appendText(buffer, value)) {
        return std::nullopt;
    }
    return std::string_view(buffer);
}

void deletePattern(void* pattern) {
    delete static_cast<Pattern*>(pattern);
}

// mv_like(value, pattern): 1 or 0; Null when either is Null.
void likeFunction(sqlite3_context* context, int /*argc*/, sqlite3_value** argv) {
    std::string valueBuffer;
    std::string patternBuffer;
    const std::optional<std::string_view> value = textOf(argv[0], valueBuffer);
    const std::optional<std::string_view> patternText = textOf(argv[1], patternBuffer);
    if (!value || !patternText) {
        sqlite3_result_null(context);
        return;
    }
    // The pattern is nearly always a constant of the statement: compile it once per statement.
    if (const auto* cached = static_cast<const Pattern*>(sqlite3_get_auxdata(context, 1))) {
        sqlite3_result_int(context, matches(*cached, *value) ? 1 : 0);
        return;
    }
    std::unique_ptr<Pattern> compiled = compilePattern(*patternText);
    sqlite3_result_int(context, matches(*compiled, *value) ? 1 : 0);
    // SQLite may free it at once (a pattern that is not constant); it is not used afterwards.
    sqlite3_set_auxdata(context, 1, compiled.release(), &deletePattern);
}

int collate(void* /*unused*/, int aLength, const void* a, int bLength, const void* b) {
    return comparePolish(static_cast<const char*>(a), aLength, static_cast<const char*>(b),
                         bLength);
}

}  // namespace

int comparePolish(const char* a, int aLength, const char* b, int bLength) {
    const auto* pa = reinterpret_cast<const unsigned char*>(a);
    const auto* pb = reinterpret_cast<const unsigned char*>(b);
    const auto* endA = pa + aLength;
    const auto* endB = pb + bLength;
    int tieBreak = 0;
    while (pa < endA && pb < endB) {
        // Equal ASCII bytes have equal weights: the common case of shared prefixes.
        if (*pa == *pb && *pa < 0x80) {
            ++pa;
            ++pb;
            continue;
        }
        const Weight wa = weightOf(*pa < 0x80 ? *pa++ : decodeUtf8(pa, endA));
        const Weight wb = weightOf(*pb < 0x80 ? *pb++ : decodeUtf8(pb, endB));
        if (wa.primary != wb.primary) {
            return wa.primary < wb.primary ? -1 : 1;
        }
        if (tieBreak == 0 && wa.secondary != wb.secondary) {
            tieBreak = wa.secondary < wb.secondary ? -1 : 1;
        }
    }
    if (pa < endA) {
        return 1;
    }
    if (pb < endB) {
        return -1;
    }
    return tieBreak;
}

void registerSqlFunctions(sqlite3* db) {
    constexpr int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
    int rc = sqlite3_create_collation_v2(db, kCollation, SQLITE_UTF8, nullptr, &collate, nullptr);
    if (rc == SQLITE_OK) {
        rc = sqlite3_create_function_v2(db, kConcatFunction, -1, flags, nullptr, &concatFunction,
                                        nullptr, nullptr, nullptr);
    }
    if (rc == SQLITE_OK) {
        rc = sqlite3_create_function_v2(db, kLikeFunction, 2, flags, nullptr, &likeFunction,
                                        nullptr, nullptr, nullptr);
    }
    // Translated texts quote identifiers with double quotes; a misspelt quoted name must be an
    // error, not silently become a text constant.
    if (rc == SQLITE_OK) {
        rc = sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    }
    if (rc != SQLITE_OK) {
        throw errorFromSqlite(rc, QString::fromUtf8(sqlite3_errmsg(db)));
    }
}

}  // namespace engine
