#include "data/engine/SqlTranslator.h"

#include "data/engine/Error.h"
#include "data/engine/SqlFunctions.h"
#include "data/engine/SqlJoins.h"
#include "data/engine/SqlLexer.h"

#include <QHash>

#include <sqlite3.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <optional>

namespace engine {
namespace {

using namespace Qt::Literals::StringLiterals;
using sql::JoinKind;
using sql::JoinTree;
using sql::Reads;
using sql::Token;
using sql::TokenKind;

// What the translator knows of an expression's value: enough to decide where the Polish
// case-insensitive collation belongs.
enum class Type { Unknown, Text, Number, Boolean, Null, Date };

// A translated expression.
struct Expr {
    QString sql;
    Type type = Type::Unknown;
    // SQLite yields 1/0 for it (comparison, And, Or, Not, Like, IsNull); the old engine's
    // True is -1, so where it is used as a value it becomes -(...).
    bool condition = false;
    // Safe as an operand without parentheses.
    bool atomic = true;
    // A bare column, and its name without the table: the result column is named after it.
    bool column = false;
    QString columnName = {};
    // What it reads, for the placing of joins; unknown unless set.
    Reads reads = {};
};

const QString kCollate = u" COLLATE "_s + QLatin1String(kCollation);

// As a value: a function argument, a result column, an element of a list.
QString value(const Expr& e) {
    return e.condition ? u"-("_s + e.sql + u')' : e.sql;
}

// As an operand of an operator.
QString operand(const Expr& e) {
    if (e.condition) {
        return u"(-("_s + e.sql + u"))"_s;
    }
    return e.atomic ? e.sql : u'(' + e.sql + u')';
}

// As an operand of And, Or, Not.
QString conditionOperand(const Expr& e) {
    return e.atomic ? e.sql : u'(' + e.sql + u')';
}

Expr conditionExpr(QString sql) {
    return {std::move(sql), Type::Boolean, true, false, false};
}

QString quoteIdentifier(const QString& name) {
    bool plain = !name.isEmpty() && !name.front().isDigit();
    for (const QChar c : name) {
        plain = plain && c.unicode() < 0x80 && (c.isLetterOrNumber() || c == u'_');
    }
    if (plain) {
        const QByteArray latin = name.toLatin1();
        if (sqlite3_keyword_check(latin.constData(), static_cast<int>(latin.size())) == 0) {
            return name;
        }
    }
    QString quoted = name;
    quoted.replace(u'"', u"\"\""_s);
    return u'"' + quoted + u'"';
}

QString quoteText(const QString& text) {
    QString quoted = text;
    quoted.replace(u'\'', u"''"_s);
    return u'\'' + quoted + u'\'';
}

Expr literal(QString sql, Type type) {
    return {std::move(sql), type, false, true, false, {}, sql::literalReads()};
}

// The value SQLite gives a number written so: whole numbers within 64 bits are integers, the
// rest reals. Invalid for what only SQLite itself should judge (digits of other scripts).
QVariant parameterValue(const QString& text) {
    bool whole = !text.isEmpty();
    for (const QChar c : text) {
        if (c.unicode() > 0x7f) {
            return {};
        }
        whole = whole && c.isDigit();
    }
    bool ok = false;
    if (whole) {
        const qlonglong integer = text.toLongLong(&ok);
        if (ok) {
            return integer;
        }
    }
    const double real = text.toDouble(&ok);
    return ok ? QVariant(real) : QVariant();
}

bool needsCollation(const Expr& a, const Expr& b) {
    return a.type == Type::Text || b.type == Type::Text;
}

class Parser {
  public:
    using ColumnIndex = std::function<int(const QString&)>;

    Parser(const QString& text, const ColumnIndex* columnIndex)
        : m_tokens(sql::tokenize(text)), m_columnIndex(columnIndex) {}

    // With `parameters`, numbers become SQLite parameters ?1, ?2 ... (see Translation).
    Parser(std::vector<Token> tokens, bool parameters)
        : m_tokens(std::move(tokens)), m_columnIndex(nullptr), m_parameters(parameters) {}

    // Which numbers of the text, counted from 0, became the parameters ?1, ?2 ...
    const std::vector<int>& parameterNumbers() const { return m_parameterNumbers; }

    QString statement() {
        const Token& first = peek();
        QString result;
        if (first.isWord("SELECT"_L1)) {
            result = select();
        } else if (first.isWord("DELETE"_L1)) {
            result = deleteStatement();
        } else if (first.isWord("UPDATE"_L1)) {
            result = update();
        } else if (first.isWord("INSERT"_L1)) {
            result = insert();
        } else if (first.kind == TokenKind::End) {
            sql::syntaxError(u"puste polecenie."_s);
        } else {
            sql::syntaxError(
                u"nieobsługiwany rodzaj polecenia %1 na pozycji %2 (obsługiwane są "
                u"SELECT, INSERT INTO, UPDATE i DELETE)."_s.arg(first.quoted(),
                                                                QString::number(first.position)));
        }
        acceptSymbol(";"_L1);
        expectEnd();
        return result;
    }

    QString condition() {
        const Expr e = expression();
        expectEnd();
        return e.sql;
    }

  private:
    // ---- token access

    const Token& peek(std::size_t ahead = 0) const {
        const std::size_t i = std::min(m_index + ahead, m_tokens.size() - 1);
        return m_tokens[i];
    }

    const Token& take() {
        const Token& t = peek();
        if (m_index < m_tokens.size() - 1) {
            ++m_index;
        }
        return t;
    }

    bool acceptWord(QLatin1String word) {
        if (peek().isWord(word)) {
            take();
            return true;
        }
        return false;
    }

    bool acceptSymbol(QLatin1String symbol) {
        if (peek().isSymbol(symbol)) {
            take();
            return true;
        }
        return false;
    }

    [[noreturn]] void unexpected(const QString& expected) const {
        const Token& t = peek();
        sql::syntaxError(u"oczekiwano %1, a napotkano %2 na pozycji %3."_s.arg(
            expected, t.quoted(), QString::number(t.position)));
    }

    void expectWord(QLatin1String word) {
        if (!acceptWord(word)) {
            unexpected(word.toString().toUpper());
        }
    }

    void expectSymbol(QLatin1String symbol) {
        if (!acceptSymbol(symbol)) {
            unexpected(u'\'' + symbol.toString() + u'\'');
        }
    }

    // The ')' that closes the '(' at `openPosition`.
    void expectClose(int openPosition) {
        if (!acceptSymbol(")"_L1)) {
            const Token& t = peek();
            sql::syntaxError(
                u"brak nawiasu zamykającego ')' do nawiasu otwartego na pozycji %1 "
                u"(napotkano %2 na pozycji %3)."_s.arg(QString::number(openPosition), t.quoted(),
                                                       QString::number(t.position)));
        }
    }

    void expectEnd() const {
        const Token& t = peek();
        if (t.kind == TokenKind::End) {
            return;
        }
        if (t.isSymbol(")"_L1)) {
            sql::syntaxError(
                u"nadmiarowy nawias zamykający ')' na pozycji %1 (brak nawiasu "
                u"otwierającego)."_s.arg(t.position));
        }
        sql::syntaxError(u"nieoczekiwany dalszy ciąg polecenia: %1 na pozycji %2."_s.arg(
            t.quoted(), QString::number(t.position)));
    }

    bool atName() const {
        const Token& t = peek();
        return t.kind == TokenKind::Bracketed || (t.kind == TokenKind::Word && !t.reserved);
    }

    QString name(const QString& what) {
        if (!atName()) {
            unexpected(what);
        }
        return take().text;
    }

    // ---- statements

    QString select() {
        expectWord("SELECT"_L1);
        QString out = u"SELECT "_s;
        if (acceptWord("DISTINCT"_L1)) {
            out += u"DISTINCT "_s;
        } else {
            acceptWord("ALL"_L1);
        }
        if (peek().isWord("TOP"_L1) || peek().isWord("DISTINCTROW"_L1)) {
            sql::syntaxError(u"nieobsługiwane słowo %1 na pozycji %2."_s.arg(
                peek().quoted(), QString::number(peek().position)));
        }
        int unnamed = 1000;  // the old engine called unnamed result columns Expr1000, Expr1001...
        QStringList columns;
        do {
            columns << resultColumn(unnamed);
        } while (acceptSymbol(","_L1));
        std::vector<std::unique_ptr<JoinTree>> from;
        if (acceptWord("FROM"_L1)) {
            from = fromList();
        }
        std::optional<Expr> where;
        if (acceptWord("WHERE"_L1)) {
            where = expression();
        }
        if (!from.empty()) {
            const FromClause clause = planFrom(from, where ? where->reads : Reads{});
            // * gives the columns in the written order of the tables, also where the joins
            // now take them in another order.
            if (!clause.allColumns.isEmpty()) {
                std::replace(columns.begin(), columns.end(), u"*"_s, clause.allColumns);
            }
            out += columns.join(u", "_s) + u" FROM "_s + clause.sql;
        } else {
            out += columns.join(u", "_s);
        }
        if (where) {
            out += u" WHERE "_s + where->sql;
        }
        if (acceptWord("GROUP"_L1)) {
            expectWord("BY"_L1);
            const LiteralNumbers written(*this);
            out += u" GROUP BY "_s + valueList();
        }
        if (acceptWord("HAVING"_L1)) {
            out += u" HAVING "_s + expression().sql;
        }
        if (acceptWord("ORDER"_L1)) {
            expectWord("BY"_L1);
            out += u" ORDER BY "_s + orderList();
        }
        if (peek().isWord("UNION"_L1)) {
            sql::syntaxError(u"nieobsługiwane słowo 'UNION' na pozycji %1."_s.arg(peek().position));
        }
        return out;
    }

    QString resultColumn(int& unnamed) {
        if (acceptSymbol("*"_L1)) {
            return u"*"_s;
        }
        if (atName() && peek(1).isSymbol("."_L1) && peek(2).isSymbol("*"_L1)) {
            const QString table = take().text;
            take();
            take();
            return quoteIdentifier(table) + u".*"_s;
        }
        const Expr e = expression();
        if (acceptWord("AS"_L1)) {
            return value(e) + u" AS "_s + quoteIdentifier(name(u"nazwy kolumny po AS"_s));
        }
        if (e.column) {
            // SQLite may name a column of a nested outer join "Id_gracza:1"; the old engine
            // named it after the column, and the windows read it by that name.
            return e.sql + u" AS "_s + quoteIdentifier(e.columnName);
        }
        return value(e) + u" AS Expr"_s + QString::number(unnamed++);
    }

    QString valueList() {
        QString out;
        do {
            if (!out.isEmpty()) {
                out += u", "_s;
            }
            out += value(expression());
        } while (acceptSymbol(","_L1));
        return out;
    }

    // Every term sorts in the Polish alphabetical order, without regard to case; the
    // collation does not touch numbers.
    QString orderList() {
        const LiteralNumbers written(*this);
        QString out;
        do {
            if (!out.isEmpty()) {
                out += u", "_s;
            }
            out += operand(expression()) + kCollate;
            if (acceptWord("DESC"_L1)) {
                out += u" DESC"_s;
            } else {
                acceptWord("ASC"_L1);
            }
        } while (acceptSymbol(","_L1));
        return out;
    }

    struct FromClause {
        QString sql;
        // "T1.*, T2.*, ..." in the written order of the tables, when the joins take them in
        // another order; empty otherwise.
        QString allColumns;
    };

    std::vector<std::unique_ptr<JoinTree>> fromList() {
        std::vector<std::unique_ptr<JoinTree>> items;
        do {
            items.push_back(joinedTables());
        } while (acceptSymbol(","_L1));
        return items;
    }

    static FromClause planFrom(std::vector<std::unique_ptr<JoinTree>>& items, const Reads& where) {
        FromClause clause;
        std::vector<const JoinTree*> tables;
        for (auto& item : items) {
            sql::planJoins(item, where);
            clause.sql += (clause.sql.isEmpty() ? QString() : u", "_s) + sql::joinSql(*item);
            sql::leaves(*item, tables);
        }
        const auto written = [](const JoinTree* a, const JoinTree* b) {
            return a->order < b->order;
        };
        if (!std::is_sorted(tables.begin(), tables.end(), written)) {
            std::sort(tables.begin(), tables.end(), written);
            QStringList all;
            for (const JoinTree* table : tables) {
                all << table->qualifier + u".*"_s;
            }
            clause.allColumns = all.join(u", "_s);
        }
        return clause;
    }

    // table { [INNER | LEFT [OUTER] | RIGHT [OUTER]] JOIN table ON condition }
    std::unique_ptr<JoinTree> joinedTables() {
        std::unique_ptr<JoinTree> tree = tableReference();
        while (true) {
            JoinKind kind = JoinKind::Inner;
            if (acceptWord("INNER"_L1)) {
                kind = JoinKind::Inner;
            } else if (acceptWord("LEFT"_L1)) {
                acceptWord("OUTER"_L1);
                kind = JoinKind::Left;
            } else if (acceptWord("RIGHT"_L1)) {
                acceptWord("OUTER"_L1);
                kind = JoinKind::Right;
            } else if (!peek().isWord("JOIN"_L1)) {
                return tree;
            }
            expectWord("JOIN"_L1);
            auto join = std::make_unique<JoinTree>();
            join->kind = kind;
            join->left = std::move(tree);
            join->right = tableReference();
            expectWord("ON"_L1);
            const Expr on = expression();
            join->on = on.sql;
            join->onReads = on.reads;
            tree = std::move(join);
        }
    }

    std::unique_ptr<JoinTree> tableReference() {
        const Nesting nesting(*this);
        if (peek().isSymbol("("_L1)) {
            const int open = take().position;
            if (peek().isWord("SELECT"_L1)) {
                const QString subquery = select();
                expectClose(open);
                acceptWord("AS"_L1);
                return table(u'(' + subquery + u')', name(u"nazwy dla podzapytania"_s), true);
            }
            std::unique_ptr<JoinTree> inner = joinedTables();
            expectClose(open);
            return inner;
        }
        const QString tableName = name(u"nazwy tabeli"_s);
        if (acceptWord("AS"_L1)) {
            return table(quoteIdentifier(tableName), name(u"nazwy zastępczej tabeli"_s), true);
        }
        if (atName()) {
            return table(quoteIdentifier(tableName), take().text, true);
        }
        return table(quoteIdentifier(tableName), tableName, false);
    }

    // A table or subquery of the FROM clause, known by `qualifier` in the columns' names.
    std::unique_ptr<JoinTree> table(const QString& source, const QString& qualifier, bool alias) {
        // SQLite joins at most 64 tables; more would only fail later, less clearly.
        if (++m_tables > kMaxTables) {
            sql::syntaxError(u"zbyt wiele tabel w zapytaniu (najwięcej %1), pozycja %2."_s.arg(
                QString::number(kMaxTables), QString::number(peek().position)));
        }
        auto leaf = std::make_unique<JoinTree>();
        leaf->qualifier = quoteIdentifier(qualifier);
        leaf->sql = alias ? source + u" AS "_s + leaf->qualifier : source;
        leaf->name = qualifier.toLower();
        leaf->order = m_tables;
        return leaf;
    }

    QString deleteStatement() {
        expectWord("DELETE"_L1);
        // The old engine also wrote DELETE * FROM T and DELETE T.* FROM T.
        if (!acceptSymbol("*"_L1) && atName() && peek(1).isSymbol("."_L1)) {
            take();
            take();
            expectSymbol("*"_L1);
        }
        expectWord("FROM"_L1);
        QString out = u"DELETE FROM "_s + quoteIdentifier(name(u"nazwy tabeli"_s));
        if (acceptWord("WHERE"_L1)) {
            out += u" WHERE "_s + expression().sql;
        }
        return out;
    }

    QString update() {
        expectWord("UPDATE"_L1);
        QString out = u"UPDATE "_s + quoteIdentifier(name(u"nazwy tabeli"_s)) + u" SET "_s;
        expectWord("SET"_L1);
        do {
            if (!out.endsWith(u"SET "_s)) {
                out += u", "_s;
            }
            out += quoteIdentifier(columnName());
            expectSymbol("="_L1);
            out += u" = "_s + value(expression());
        } while (acceptSymbol(","_L1));
        if (acceptWord("WHERE"_L1)) {
            out += u" WHERE "_s + expression().sql;
        }
        return out;
    }

    QString insert() {
        expectWord("INSERT"_L1);
        expectWord("INTO"_L1);
        QString out = u"INSERT INTO "_s + quoteIdentifier(name(u"nazwy tabeli"_s));
        if (peek().isSymbol("("_L1)) {
            const int open = take().position;
            QStringList columns;
            do {
                columns << quoteIdentifier(columnName());
            } while (acceptSymbol(","_L1));
            expectClose(open);
            out += u" ("_s + columns.join(u", "_s) + u')';
        }
        if (peek().isWord("SELECT"_L1)) {
            return out + u' ' + select();
        }
        expectWord("VALUES"_L1);
        if (!peek().isSymbol("("_L1)) {
            unexpected(u"'('"_s);
        }
        const int open = take().position;
        out += u" VALUES ("_s + valueList() + u')';
        expectClose(open);
        return out;
    }

    // A column to write: Table.Column names the column alone.
    QString columnName() {
        QString column = name(u"nazwy kolumny"_s);
        if (acceptSymbol("."_L1)) {
            column = name(u"nazwy kolumny"_s);
        }
        return column;
    }

    // ---- expressions, from the loosest binding operator to the tightest:
    // Or, And, Not, comparisons (= <> < > <= >= Like Is In Between), &, + -, * /, unary - +

    // Nesting (parentheses, Not, unary minus) is bounded, so that no text can exhaust the
    // stack.
    class Nesting {
      public:
        explicit Nesting(Parser& parser) : m_parser(parser) {
            if (++m_parser.m_depth > kMaxDepth) {
                const Token& t = m_parser.peek();
                sql::syntaxError(
                    u"wyrażenie zagnieżdżone zbyt głęboko (pozycja %1)."_s.arg(t.position));
            }
        }
        ~Nesting() { --m_parser.m_depth; }
        Nesting(const Nesting&) = delete;
        Nesting& operator=(const Nesting&) = delete;

      private:
        static constexpr int kMaxDepth = 200;
        Parser& m_parser;
    };

    Expr expression() {
        const Nesting nesting(*this);
        Expr left = conjunction();
        while (acceptWord("OR"_L1)) {
            const Expr right = conjunction();
            Expr either =
                conditionExpr(conditionOperand(left) + u" OR "_s + conditionOperand(right));
            either.reads = sql::disjunctionReads(left.reads, right.reads);
            left = std::move(either);
        }
        return left;
    }

    Expr conjunction() {
        Expr left = negation();
        while (acceptWord("AND"_L1)) {
            const Expr right = negation();
            Expr both =
                conditionExpr(conditionOperand(left) + u" AND "_s + conditionOperand(right));
            both.reads = sql::conjunctionReads(left.reads, right.reads);
            left = std::move(both);
        }
        return left;
    }

    Expr negation() {
        if (acceptWord("NOT"_L1)) {
            const Nesting nesting(*this);
            const Expr operand = negation();
            Expr negated = conditionExpr(u"NOT "_s + conditionOperand(operand));
            negated.reads = sql::negationReads(operand.reads);
            return negated;
        }
        return comparison();
    }

    Expr comparison() {
        Expr left = concatenation();
        while (true) {
            const Token& t = peek();
            if (t.kind == TokenKind::Symbol &&
                (t.text == u"="_s || t.text == u"<>"_s || t.text == u"<"_s || t.text == u">"_s ||
                 t.text == u"<="_s || t.text == u">="_s)) {
                const QString op = take().text;
                const Expr right = concatenation();
                const QString collate = needsCollation(left, right) ? kCollate : QString();
                Expr compared =
                    conditionExpr(operand(left) + collate + u' ' + op + u' ' + operand(right));
                compared.reads = sql::strictReads(left.reads, right.reads);
                left = std::move(compared);
            } else if (t.isWord("IS"_L1)) {
                take();
                const bool negated = acceptWord("NOT"_L1);
                expectWord("NULL"_L1);
                Expr test =
                    conditionExpr(operand(left) + (negated ? u" IS NOT NULL"_s : u" IS NULL"_s));
                if (negated) {
                    test.reads = sql::testReads(left.reads);
                }
                left = std::move(test);
            } else if (t.isWord("LIKE"_L1)) {
                take();
                left = like(left, false);
            } else if (t.isWord("IN"_L1)) {
                take();
                left = in(left, false);
            } else if (t.isWord("BETWEEN"_L1)) {
                take();
                left = between(left, false);
            } else if (t.isWord("NOT"_L1) &&
                       (peek(1).isWord("LIKE"_L1) || peek(1).isWord("IN"_L1) ||
                        peek(1).isWord("BETWEEN"_L1))) {
                take();
                const Token& which = take();
                left = which.isWord("LIKE"_L1) ? like(left, true)
                       : which.isWord("IN"_L1) ? in(left, true)
                                               : between(left, true);
            } else {
                return left;
            }
        }
    }

    Expr like(const Expr& left, bool negated) {
        const Expr pattern = concatenation();
        const QString call =
            QLatin1String(kLikeFunction) + u'(' + value(left) + u", "_s + value(pattern) + u')';
        Expr test = conditionExpr(negated ? u"NOT "_s + call : call);
        test.reads = sql::testReads(sql::strictReads(left.reads, pattern.reads));
        return test;
    }

    Expr in(const Expr& left, bool negated) {
        if (!peek().isSymbol("("_L1)) {
            unexpected(u"'(' po In"_s);
        }
        const int open = take().position;
        QStringList items;
        bool text = left.type == Type::Text;
        const bool subquery = peek().isWord("SELECT"_L1);
        if (subquery) {
            items << select();
        } else {
            do {
                const Expr item = expression();
                text = text || item.type == Type::Text;
                items << value(item);
            } while (acceptSymbol(","_L1));
        }
        expectClose(open);
        const QString collate = text ? kCollate : QString();
        QString sql;
        if (!subquery && left.column && items.size() >= 3 && items.size() <= kShortList) {
            // A short list of a column's values is a chain of comparisons: SQLite builds a
            // temporary table for an In list of three or more values at every execution,
            // which costs more than the query itself when a statement runs once per opponent.
            QStringList comparisons;
            for (const QString& item : items) {
                comparisons << operand(left) + collate + u" = "_s + item;
            }
            sql = u'(' + comparisons.join(u" OR "_s) + u')';
            if (negated) {
                sql = u"NOT "_s + sql;
            }
        } else {
            sql = operand(left) + collate + (negated ? u" NOT IN ("_s : u" IN ("_s) +
                  items.join(u", "_s) + u')';
        }
        Expr test = conditionExpr(sql);
        // Null Not In an empty subquery is true.
        if (!negated || !subquery) {
            test.reads = sql::testReads(left.reads);
        }
        return test;
    }

    Expr between(const Expr& left, bool negated) {
        const Expr low = concatenation();
        expectWord("AND"_L1);
        const Expr high = concatenation();
        const bool text =
            left.type == Type::Text || low.type == Type::Text || high.type == Type::Text;
        Expr test = conditionExpr(operand(left) + (text ? kCollate : QString()) +
                                  (negated ? u" NOT BETWEEN "_s : u" BETWEEN "_s) + operand(low) +
                                  u" AND "_s + operand(high));
        test.reads = sql::testReads(left.reads);
        return test;
    }

    // a & b & c: one call, so that only an all-Null chain gives Null.
    Expr concatenation() {
        Expr first = additive();
        if (!peek().isSymbol("&"_L1)) {
            return first;
        }
        QStringList parts{value(first)};
        while (acceptSymbol("&"_L1)) {
            parts << value(additive());
        }
        return {QLatin1String(kConcatFunction) + u'(' + parts.join(u", "_s) + u')', Type::Text};
    }

    Expr additive() {
        Expr left = multiplicative();
        while (peek().isSymbol("+"_L1) || peek().isSymbol("-"_L1)) {
            const QString op = take().text;
            const Expr right = multiplicative();
            // The old engine's + joins two texts (Null if either is Null), as || does.
            const Reads reads = sql::strictReads(left.reads, right.reads);
            if (op == u"+"_s && left.type == Type::Text && right.type == Type::Text) {
                left = {operand(left) + u" || "_s + operand(right), Type::Text, false, false};
            } else {
                left = {operand(left) + u' ' + op + u' ' + operand(right), Type::Number, false,
                        false};
            }
            left.reads = reads;
        }
        return left;
    }

    Expr multiplicative() {
        Expr left = unary();
        while (peek().isSymbol("*"_L1) || peek().isSymbol("/"_L1)) {
            const QString op = take().text;
            const Expr right = unary();
            // The old engine's / always divides exactly (7 / 2 is 3.5).
            const QString sql = op == u"/"_s ? operand(left) + u" * 1.0 / "_s + operand(right)
                                             : operand(left) + u" * "_s + operand(right);
            const Reads reads = sql::strictReads(left.reads, right.reads);
            left = {sql, Type::Number, false, false};
            left.reads = reads;
        }
        return left;
    }

    Expr unary() {
        if (acceptSymbol("-"_L1)) {
            const Nesting nesting(*this);
            const Expr operand = unary();
            Expr negative{u"-("_s + value(operand) + u')', Type::Number, false, false};
            negative.reads = sql::strictReads(operand.reads);
            return negative;
        }
        if (acceptSymbol("+"_L1)) {
            const Nesting nesting(*this);
            return unary();
        }
        return primary();
    }

    Expr primary() {
        const Token& t = peek();
        switch (t.kind) {
            case TokenKind::Number:
                return number();
            case TokenKind::Text:
                return literal(quoteText(take().text), Type::Text);
            case TokenKind::Date:
                return literal(quoteText(take().text), Type::Date);
            case TokenKind::Bracketed:
                return columnReference();
            case TokenKind::Symbol:
                if (t.isSymbol("("_L1)) {
                    return parenthesised();
                }
                break;
            case TokenKind::Word:
                if (t.isWord("TRUE"_L1)) {
                    take();
                    return literal(u"-1"_s, Type::Boolean);
                }
                if (t.isWord("FALSE"_L1)) {
                    take();
                    return literal(u"0"_s, Type::Boolean);
                }
                if (t.isWord("NULL"_L1)) {
                    take();
                    return literal(u"NULL"_s, Type::Null);
                }
                if (t.reserved) {
                    break;
                }
                if (peek(1).isSymbol("("_L1)) {
                    return functionCall();
                }
                return columnReference();
            case TokenKind::End:
                break;
        }
        unexpected(u"wyrażenia"_s);
    }

    // A number of the text stays as written in ORDER BY and GROUP BY, where SQLite reads a bare
    // whole number as the place of a result column; elsewhere, when the statement is to be
    // prepared with parameters, it becomes one. Texts that differ only in their numbers (ids)
    // then share one translation and one prepared statement.
    Expr number() {
        const Token& token = take();
        const int ordinal = m_numbers++;
        if (!m_parameters || m_literalNumbers > 0 || !parameterValue(token.text).isValid()) {
            return literal(token.text, Type::Number);
        }
        m_parameterNumbers.push_back(ordinal);
        return literal(u'?' + QString::number(m_parameterNumbers.size()), Type::Number);
    }

    class LiteralNumbers {
      public:
        explicit LiteralNumbers(Parser& parser) : m_parser(parser) { ++m_parser.m_literalNumbers; }
        ~LiteralNumbers() { --m_parser.m_literalNumbers; }
        LiteralNumbers(const LiteralNumbers&) = delete;
        LiteralNumbers& operator=(const LiteralNumbers&) = delete;

      private:
        Parser& m_parser;
    };

    Expr parenthesised() {
        const int open = take().position;
        if (peek().isWord("SELECT"_L1)) {
            const QString subquery = select();
            expectClose(open);
            return {u'(' + subquery + u')', Type::Unknown};
        }
        Expr inner = expression();
        expectClose(open);
        inner.sql = u'(' + inner.sql + u')';
        inner.atomic = true;
        inner.column = false;
        return inner;
    }

    Expr columnReference() {
        QString table;
        QString column = take().text;
        if (peek().isSymbol("."_L1)) {
            take();
            table = column;
            column = name(u"nazwy kolumny po '.'"_s);
        }
        if (m_columnIndex != nullptr) {
            const int index = (*m_columnIndex)(column);
            if (index < 0) {
                throw Error(err::TooFewParameters,
                            u"Nieznana nazwa kolumny '%1' w warunku wyszukiwania."_s.arg(
                                table.isEmpty() ? column : table + u'.' + column));
            }
            return {u'?' + QString::number(index + 1), Type::Unknown};
        }
        if (table.isEmpty()) {
            return {quoteIdentifier(column), Type::Unknown, false, true, true, column};
        }
        return {quoteIdentifier(table) + u'.' + quoteIdentifier(column),
                Type::Unknown,
                false,
                true,
                true,
                column,
                sql::columnReads(table)};
    }

    std::vector<Expr> arguments(const Token& function) {
        std::vector<Expr> args;
        const int open = take().position;
        if (acceptSymbol(")"_L1)) {
            return args;
        }
        if (function.isWord("COUNT"_L1) && acceptSymbol("*"_L1)) {
            expectClose(open);
            args.push_back({u"*"_s, Type::Unknown});
            return args;
        }
        do {
            args.push_back(expression());
        } while (acceptSymbol(","_L1));
        expectClose(open);
        return args;
    }

    void expectArguments(const Token& function, const std::vector<Expr>& args,
                         std::size_t count) const {
        if (args.size() != count) {
            sql::syntaxError(u"funkcja %1 na pozycji %2 wymaga argumentów: %3, podano: %4."_s.arg(
                function.text, QString::number(function.position), QString::number(count),
                QString::number(args.size())));
        }
    }

    Expr functionCall() {
        const Token function = take();
        const std::vector<Expr> args = arguments(function);
        if (function.isWord("IIF"_L1)) {
            expectArguments(function, args, 3);
            const Type type = args[1].type == Type::Text || args[2].type == Type::Text ? Type::Text
                              : args[1].type == args[2].type ? args[1].type
                                                             : Type::Unknown;
            // A Null condition takes the false branch, as in the old engine.
            return {u"CASE WHEN "_s + args[0].sql + u" THEN "_s + value(args[1]) + u" ELSE "_s +
                        value(args[2]) + u" END"_s,
                    type};
        }
        if (function.isWord("ISNULL"_L1)) {
            expectArguments(function, args, 1);
            return conditionExpr(operand(args[0]) + u" IS NULL"_s);
        }
        struct Mapping {
            QLatin1String name;
            QLatin1String sqlite;
            Type type;  // Unknown: the argument's type
        };
        static const Mapping mappings[] = {
            {"TRIM"_L1, "trim"_L1, Type::Text},     {"LTRIM"_L1, "ltrim"_L1, Type::Text},
            {"RTRIM"_L1, "rtrim"_L1, Type::Text},   {"LEN"_L1, "length"_L1, Type::Number},
            {"COUNT"_L1, "count"_L1, Type::Number}, {"SUM"_L1, "sum"_L1, Type::Number},
            {"AVG"_L1, "avg"_L1, Type::Number},     {"MIN"_L1, "min"_L1, Type::Unknown},
            {"MAX"_L1, "max"_L1, Type::Unknown},
        };
        for (const Mapping& m : mappings) {
            if (function.isWord(m.name)) {
                expectArguments(function, args, 1);
                if (args[0].sql == u"*"_s && !function.isWord("COUNT"_L1)) {
                    unexpected(u"wyrażenia"_s);
                }
                return {m.sqlite + u'(' + value(args[0]) + u')',
                        m.type == Type::Unknown ? args[0].type : m.type};
            }
        }
        sql::syntaxError(u"nieznana funkcja '%1' na pozycji %2."_s.arg(
            function.text, QString::number(function.position)));
    }

    static constexpr int kMaxTables = 64;
    static constexpr int kShortList = 8;

    std::vector<Token> m_tokens;
    const ColumnIndex* m_columnIndex;
    std::size_t m_index = 0;
    int m_depth = 0;
    int m_tables = 0;  // tables and subqueries of the FROM clauses so far
    bool m_parameters = false;
    int m_numbers = 0;         // numbers of the text taken so far
    int m_literalNumbers = 0;  // inside ORDER BY or GROUP BY
    std::vector<int> m_parameterNumbers;
};

// Translations by text. The program builds its texts with ids in them, so the number of
// distinct texts grows with use; the cache starts afresh when it gets large.
template <class Value>
class Cache {
  public:
    bool find(const QString& text, Value& translated) {
        const std::lock_guard lock(m_mutex);
        const auto it = m_map.constFind(text);
        if (it == m_map.constEnd()) {
            return false;
        }
        translated = it.value();
        return true;
    }

    void insert(const QString& text, const Value& translated) {
        const std::lock_guard lock(m_mutex);
        if (m_map.size() >= kLimit) {
            m_map.clear();
        }
        m_map.insert(text, translated);
    }

  private:
    static constexpr qsizetype kLimit = 4096;
    std::mutex m_mutex;
    QHash<QString, Value> m_map;
};

Cache<QString>& cache() {
    static Cache<QString> instance;
    return instance;
}

// A translation with parameters, kept under the text's shape: its tokens with every number
// left out. The numbers that stay as written must be the same for the translation to fit.
struct Shape {
    QString sql;
    std::vector<int> parameterNumbers;
    std::vector<std::pair<int, QString>> writtenNumbers;
};

Cache<Shape>& shapes() {
    static Cache<Shape> instance;
    return instance;
}

// Texts without numbers, which the program uses again as they are (the pickers, the
// dictionaries): found by the text itself, without reading its tokens.
Cache<QString>& withoutNumbers() {
    static Cache<QString> instance;
    return instance;
}

QString shapeKey(const std::vector<Token>& tokens, QStringList& numbers) {
    QString key;
    for (const Token& t : tokens) {
        key += QChar(u'a' + static_cast<int>(t.kind));
        if (t.kind == TokenKind::Number) {
            numbers << t.text;
        } else {
            key += t.text;
        }
        key += QChar(0x1f);
    }
    return key;
}

}  // namespace

QString SqlTranslator::translate(const QString& sql) {
    QString translated;
    if (cache().find(sql, translated)) {
        return translated;
    }
    translated = Parser(sql, nullptr).statement();
    cache().insert(sql, translated);
    return translated;
}

SqlTranslator::Translation SqlTranslator::translateWithParameters(const QString& sql) {
    Translation translation;
    if (withoutNumbers().find(sql, translation.sql)) {
        return translation;
    }
    std::vector<Token> tokens = sql::tokenize(sql);
    QStringList numbers;
    const QString key = shapeKey(tokens, numbers);
    Shape shape;
    const bool found = shapes().find(key, shape) &&
                       std::all_of(shape.writtenNumbers.begin(), shape.writtenNumbers.end(),
                                   [&](const auto& n) { return numbers.at(n.first) == n.second; });
    if (!found) {
        Parser parser(std::move(tokens), true);
        shape.sql = parser.statement();
        shape.parameterNumbers = parser.parameterNumbers();
        shape.writtenNumbers.clear();
        for (int i = 0; i < numbers.size(); ++i) {
            if (std::find(shape.parameterNumbers.begin(), shape.parameterNumbers.end(), i) ==
                shape.parameterNumbers.end()) {
                shape.writtenNumbers.emplace_back(i, numbers.at(i));
            }
        }
        shapes().insert(key, shape);
    }
    if (numbers.isEmpty()) {
        withoutNumbers().insert(sql, shape.sql);
    }
    translation.sql = shape.sql;
    translation.parameters.reserve(shape.parameterNumbers.size());
    for (const int n : shape.parameterNumbers) {
        translation.parameters.push_back(parameterValue(numbers.at(n)));
    }
    return translation;
}

QString SqlTranslator::translateCondition(const QString& condition,
                                          const std::function<int(const QString&)>& columnIndex) {
    return Parser(condition, &columnIndex).condition();
}

}  // namespace engine
