#include "data/engine/SqlLexer.h"

#include "data/engine/Error.h"

#include <QDate>
#include <QRegularExpression>
#include <QSet>

namespace engine::sql {
namespace {

using namespace Qt::Literals::StringLiterals;

bool isReservedWord(const QString& upper) {
    static const QSet<QString> words = {
        u"SELECT"_s, u"FROM"_s,    u"WHERE"_s,       u"GROUP"_s, u"BY"_s,     u"HAVING"_s,
        u"ORDER"_s,  u"AND"_s,     u"OR"_s,          u"NOT"_s,   u"LIKE"_s,   u"IS"_s,
        u"IN"_s,     u"BETWEEN"_s, u"AS"_s,          u"ON"_s,    u"JOIN"_s,   u"LEFT"_s,
        u"RIGHT"_s,  u"INNER"_s,   u"OUTER"_s,       u"FULL"_s,  u"UNION"_s,  u"INSERT"_s,
        u"INTO"_s,   u"VALUES"_s,  u"UPDATE"_s,      u"SET"_s,   u"DELETE"_s, u"DISTINCT"_s,
        u"ALL"_s,    u"TOP"_s,     u"DISTINCTROW"_s, u"ASC"_s,   u"DESC"_s,   u"EXISTS"_s,
        u"MOD"_s,    u"XOR"_s,     u"EQV"_s,         u"IMP"_s,   u"NULL"_s,   u"TRUE"_s,
        u"FALSE"_s};
    return words.contains(upper);
}

// Keywords are ASCII; names rarely are anything else, so spare them Qt's full case mapping.
QString upperCase(const QString& word) {
    QString upper = word;
    for (QChar& c : upper) {
        const char16_t u = c.unicode();
        if (u >= 0x80) {
            return word.toUpper();
        }
        if (u >= u'a' && u <= u'z') {
            c = QChar(u - (u'a' - u'A'));
        }
    }
    return upper;
}

bool isWordStart(QChar c) {
    return c.isLetter() || c == u'_';
}

bool isWordPart(QChar c) {
    return c.isLetterOrNumber() || c == u'_';
}

// Date literals: yyyy-m-d and yyyy/m/d, and the old engine's American m/d/yyyy.
QString isoDate(const QString& literal) {
    static const QRegularExpression yearFirst(u"^(\\d{4})([-/])(\\d{1,2})\\2(\\d{1,2})$"_s);
    static const QRegularExpression monthFirst(u"^(\\d{1,2})/(\\d{1,2})/(\\d{4})$"_s);
    const QString text = literal.trimmed();
    QDate date;
    if (const auto m = yearFirst.match(text); m.hasMatch()) {
        date = QDate(m.captured(1).toInt(), m.captured(3).toInt(), m.captured(4).toInt());
    } else if (const auto m2 = monthFirst.match(text); m2.hasMatch()) {
        date = QDate(m2.captured(3).toInt(), m2.captured(1).toInt(), m2.captured(2).toInt());
    }
    return date.isValid() ? date.toString(u"yyyy-MM-dd"_s) : QString();
}

class Lexer {
  public:
    explicit Lexer(const QString& text) : m_text(text) {}

    std::vector<Token> run() {
        std::vector<Token> tokens;
        while (true) {
            skipBlanks();
            if (m_pos >= m_text.size()) {
                tokens.push_back({TokenKind::End, QString(), static_cast<int>(m_pos) + 1});
                return tokens;
            }
            tokens.push_back(next());
        }
    }

  private:
    void skipBlanks() {
        while (m_pos < m_text.size() && m_text[m_pos].isSpace()) {
            ++m_pos;
        }
    }

    Token next() {
        const qsizetype start = m_pos;
        const QChar c = m_text[m_pos];
        const int position = static_cast<int>(start) + 1;
        if (isWordStart(c)) {
            while (m_pos < m_text.size() && isWordPart(m_text[m_pos])) {
                ++m_pos;
            }
            const QString word = m_text.mid(start, m_pos - start);
            const QString upper = upperCase(word);
            return {TokenKind::Word, word, position, upper, isReservedWord(upper)};
        }
        if (c.isDigit()) {
            return number(position);
        }
        if (c == u'\'' || c == u'"') {
            return quotedText(c, position);
        }
        if (c == u'[') {
            const qsizetype close = m_text.indexOf(u']', m_pos + 1);
            if (close < 0) {
                syntaxError(
                    u"niezamknięta nazwa w nawiasie kwadratowym rozpoczęta na pozycji %1 "
                    u"(brak znaku ']')."_s.arg(position));
            }
            const QString name = m_text.mid(m_pos + 1, close - m_pos - 1);
            if (name.trimmed().isEmpty()) {
                syntaxError(u"pusta nazwa '[]' na pozycji %1."_s.arg(position));
            }
            m_pos = close + 1;
            return {TokenKind::Bracketed, name, position};
        }
        if (c == u'#') {
            const qsizetype close = m_text.indexOf(u'#', m_pos + 1);
            if (close < 0) {
                syntaxError(
                    u"niezamknięta data rozpoczęta na pozycji %1 (brak zamykającego znaku #)."_s
                        .arg(position));
            }
            const QString literal = m_text.mid(m_pos + 1, close - m_pos - 1);
            const QString iso = isoDate(literal);
            if (iso.isEmpty()) {
                syntaxError(
                    u"nieprawidłowa data #%1# na pozycji %2 (oczekiwano rrrr-mm-dd)."_s.arg(literal)
                        .arg(position));
            }
            m_pos = close + 1;
            return {TokenKind::Date, iso, position};
        }
        return symbol(position);
    }

    Token number(int position) {
        const qsizetype start = m_pos;
        auto digits = [this] {
            const qsizetype from = m_pos;
            while (m_pos < m_text.size() && m_text[m_pos].isDigit()) {
                ++m_pos;
            }
            return m_pos > from;
        };
        digits();
        if (m_pos + 1 < m_text.size() && m_text[m_pos] == u'.' && m_text[m_pos + 1].isDigit()) {
            ++m_pos;
            digits();
        }
        if (m_pos < m_text.size() && (m_text[m_pos] == u'e' || m_text[m_pos] == u'E')) {
            const qsizetype mark = m_pos++;
            if (m_pos < m_text.size() && (m_text[m_pos] == u'+' || m_text[m_pos] == u'-')) {
                ++m_pos;
            }
            if (!digits()) {
                m_pos = mark;
            }
        }
        if (m_pos < m_text.size() && isWordPart(m_text[m_pos])) {
            while (m_pos < m_text.size() && isWordPart(m_text[m_pos])) {
                ++m_pos;
            }
            syntaxError(u"nieprawidłowa liczba '%1' na pozycji %2."_s.arg(
                m_text.mid(start, m_pos - start), QString::number(position)));
        }
        return {TokenKind::Number, m_text.mid(start, m_pos - start), position};
    }

    Token quotedText(QChar quote, int position) {
        QString value;
        ++m_pos;
        while (m_pos < m_text.size()) {
            const QChar c = m_text[m_pos++];
            if (c != quote) {
                value += c;
            } else if (m_pos < m_text.size() && m_text[m_pos] == quote) {
                value += c;
                ++m_pos;
            } else {
                return {TokenKind::Text, value, position};
            }
        }
        syntaxError(u"niezamknięty tekst rozpoczęty na pozycji %1 (brak zamykającego %2)."_s.arg(
            QString::number(position), quote == u'\'' ? u"apostrofu"_s : u"cudzysłowu"_s));
    }

    Token symbol(int position) {
        static const QString twoCharacter[] = {u"<="_s, u">="_s, u"<>"_s};
        for (const QString& s : twoCharacter) {
            if (QStringView(m_text).mid(m_pos).startsWith(s)) {
                m_pos += 2;
                return {TokenKind::Symbol, s, position};
            }
        }
        const QChar c = m_text[m_pos];
        if (u"(),.*+-/&=<>;"_s.contains(c)) {
            ++m_pos;
            return {TokenKind::Symbol, QString(c), position};
        }
        syntaxError(u"niedozwolony znak '%1' na pozycji %2."_s.arg(c).arg(position));
    }

    const QString& m_text;
    qsizetype m_pos = 0;
};

}  // namespace

QString Token::quoted() const {
    switch (kind) {
        case TokenKind::End:
            return u"koniec tekstu"_s;
        case TokenKind::Bracketed:
            return u"'["_s + text + u"]'"_s;
        case TokenKind::Text:
            return u"tekst '"_s + text + u"'"_s;
        case TokenKind::Date:
            return u"data #"_s + text + u"#"_s;
        default:
            return u"'"_s + text + u"'"_s;
    }
}

std::vector<Token> tokenize(const QString& text) {
    return Lexer(text).run();
}

void syntaxError(const QString& detail) {
    throw Error(err::SyntaxError, u"Błąd składni w poleceniu SQL: "_s + detail);
}

}  // namespace engine::sql
