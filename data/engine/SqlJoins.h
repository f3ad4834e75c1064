#pragma once

#include <QSet>
#include <QString>

#include <memory>
#include <vector>

// The FROM clause of a translated SELECT as a tree of joins, and its rewriting into a shape
// that SQLite plans with its indexes. Used by SqlTranslator.
//
// SQLite runs a parenthesised join on the right of an outer join as a subquery of its own,
// which it materialises and scans once per row of the left side, without an index. The
// program's texts nest RIGHT JOINs that way, so a long diary makes them quadratic. The same
// rows come from LEFT JOINs written one after the other, which SQLite joins by its indexes.
namespace engine::sql {

// What the join rewriting needs to know of an expression.
struct Reads {
    // `tables` is complete. False for whatever the analysis does not follow (functions,
    // subqueries, unqualified columns, Like, In ...): a join on such a condition stays where it
    // was written.
    bool known = false;
    // Qualifiers of the columns read, in lower case (SQLite's names ignore case).
    QSet<QString> tables;
    // Tables that make the value Null when every column of theirs is Null. Never more than
    // that; possibly fewer.
    QSet<QString> nullIf;
    // Tables that make it not true, as a condition, when every column of theirs is Null.
    QSet<QString> notTrue;
};

Reads literalReads();
Reads columnReads(const QString& table);
// Comparisons and arithmetic: a Null operand gives Null.
Reads strictReads(const Reads& a, const Reads& b);
Reads strictReads(const Reads& a);
Reads conjunctionReads(const Reads& a, const Reads& b);
Reads disjunctionReads(const Reads& a, const Reads& b);
Reads negationReads(const Reads& a);
// A test of a value that is not true when the value is Null (In, Between, Like, Is Not Null).
Reads testReads(const Reads& tested);

enum class JoinKind { Inner, Left, Right };

// A table or subquery (leaf), or two trees joined on a condition.
struct JoinTree {
    // Leaf: its SQLite text ("Mecze", "Mecze AS m", "(SELECT ...) AS x") and the name its
    // columns are qualified with (the alias, else the table), quoted for SQLite and in lower
    // case for comparing with Reads::tables.
    QString sql;
    QString qualifier;
    QString name;
    int order = 0;  // the leaf's place in the written text

    JoinKind kind = JoinKind::Inner;
    std::unique_ptr<JoinTree> left;
    std::unique_ptr<JoinTree> right;
    QString on;
    Reads onReads;

    bool isJoin() const { return left != nullptr; }
};

// Rewrites the tree into the same rows in a shape SQLite plans well: X RIGHT JOIN Y ON c
// becomes Y LEFT JOIN X ON c; a left join whose rows filled with Nulls the rest of the query
// drops anyway (`where`: the WHERE condition) becomes an inner one; and a join nested on the
// right is brought out to the left where that provably gives the same rows (see the
// definitions for the rules).
void planJoins(std::unique_ptr<JoinTree>& tree, const Reads& where);

// The tree as SQLite text; a join on the right stays in parentheses.
QString joinSql(const JoinTree& tree);

// The leaves from left to right as the tree joins them.
void leaves(const JoinTree& tree, std::vector<const JoinTree*>& out);

}  // namespace engine::sql
