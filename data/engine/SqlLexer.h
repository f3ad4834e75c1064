#pragma once

#include <QLatin1String>
#include <QString>

#include <vector>

// The tokenizer of the program's SQL dialect (the old desktop engine's), used by SqlTranslator.
namespace engine::sql {

enum class TokenKind {
    End,        // after the last token; position = length + 1
    Word,       // identifier or keyword, as written
    Bracketed,  // [name]: text without the brackets
    Number,     // as written
    Text,       // 'x' or "x": text without quotes, doubled quotes made single
    Date,       // #...#: text is the ISO date yyyy-MM-dd
    Symbol,     // ( ) , . * + - / & = < > <= >= <> ;
};

struct Token {
    TokenKind kind = TokenKind::End;
    QString text{};
    int position = 0;  // 1-based character position in the statement
    QString upper{};   // Word: the text in capitals, for keyword tests
    // Word: a keyword that structures a statement; it cannot stand as a bare name (a column
    // called so must be written in brackets, as in the old engine).
    bool reserved = false;

    // `word` in capitals.
    bool isWord(QLatin1String word) const { return kind == TokenKind::Word && upper == word; }
    bool isSymbol(QLatin1String symbol) const {
        return kind == TokenKind::Symbol && text == symbol;
    }
    // The token as a user recognises it in a message: 'FROM', '[Data]', "koniec tekstu".
    QString quoted() const;
};

// Splits the text; a text it cannot split (unterminated string, bracketed name or date, an
// invalid date or number, a stray character) raises engine::Error(err::SyntaxError).
// The result always ends with one End token.
std::vector<Token> tokenize(const QString& text);

// Raises engine::Error(err::SyntaxError) with the standard beginning of the description.
[[noreturn]] void syntaxError(const QString& detail);

}  // namespace engine::sql
