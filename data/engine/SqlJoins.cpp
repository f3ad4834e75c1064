#include "data/engine/SqlJoins.h"

#include <utility>

namespace engine::sql {
namespace {

void collectNames(const JoinTree& tree, QSet<QString>& out) {
    if (!tree.isJoin()) {
        out.insert(tree.name);
        return;
    }
    collectNames(*tree.left, out);
    collectNames(*tree.right, out);
}

QSet<QString> names(const JoinTree& tree) {
    QSet<QString> out;
    collectNames(tree, out);
    return out;
}

bool within(const QSet<QString>& tables, const QSet<QString>& a, const QSet<QString>& b) {
    for (const QString& t : tables) {
        if (!a.contains(t) && !b.contains(t)) {
            return false;
        }
    }
    return true;
}

// Whether L k1 (M k2 R ON p2) ON p1 gives the same rows as (L k1 M ON p1) k2 R ON p2.
// Both conditions must still see their tables: p1 reads only L and M, p2 only M and R. Then
//  - k1 inner and k2 inner or left: the inner join keeps the pairs of L and M that p1 accepts,
//    and each of them gets R's partners by p2 alike, whichever was joined first;
//  - k1 and k2 left, and p2 never true for a row of M that is all Null (it compares a column of
//    M): a row of L without a partner in M then gets Nulls for R in both shapes.
// A left join around an inner one stays nested: the inner join could drop the partner that
// kept L's row from being filled with Nulls.
bool canBringOut(const JoinTree& outer) {
    const JoinTree& inner = *outer.right;
    const Reads& p1 = outer.onReads;
    const Reads& p2 = inner.onReads;
    if (!p1.known || !p2.known) {
        return false;
    }
    const QSet<QString> l = names(*outer.left);
    const QSet<QString> m = names(*inner.left);
    const QSet<QString> r = names(*inner.right);
    if (l.intersects(m) || l.intersects(r) || m.intersects(r)) {
        return false;  // a name used twice: which table a condition means is not clear
    }
    if (!within(p1.tables, l, m) || !within(p2.tables, m, r)) {
        return false;
    }
    if (outer.kind == JoinKind::Inner) {
        return inner.kind == JoinKind::Inner || inner.kind == JoinKind::Left;
    }
    return outer.kind == JoinKind::Left && inner.kind == JoinKind::Left && p2.notTrue.intersects(m);
}

// Brings joins nested on the right out to the left while that keeps the rows.
void bringOut(std::unique_ptr<JoinTree>& node) {
    while (node->isJoin() && node->right->isJoin() && canBringOut(*node)) {
        std::unique_ptr<JoinTree> inner = std::move(node->right);
        auto left = std::make_unique<JoinTree>();
        left->kind = node->kind;
        left->left = std::move(node->left);
        left->right = std::move(inner->left);
        left->on = std::move(node->on);
        left->onReads = std::move(node->onReads);
        bringOut(left);
        inner->left = std::move(left);
        node = std::move(inner);
    }
}

void turnRightJoins(JoinTree& tree) {
    if (!tree.isJoin()) {
        return;
    }
    turnRightJoins(*tree.left);
    turnRightJoins(*tree.right);
    if (tree.kind == JoinKind::Right) {
        std::swap(tree.left, tree.right);
        tree.kind = JoinKind::Left;
    }
}

// A join above a node, and whether the node is in its left operand.
struct Step {
    const JoinTree* join;
    bool fromLeft;
};

// Whether the rows that a left join fills with Nulls (every column of `nulls` Null) never
// reach the result, judged by the joins above it (`path`, the nearest last) and the WHERE
// condition. Going up, such a row is dropped by a condition that is not true for it: the ON
// of an inner join it is the left operand of, the ON of any join it is the right operand of
// (no partner takes it), or the WHERE. A left join whose ON is not true for it fills its own
// right side with Nulls as well.
bool nullRowsVanish(QSet<QString> nulls, const std::vector<Step>& path,
                    const QSet<QString>& whereNotTrue) {
    for (auto step = path.rbegin(); step != path.rend(); ++step) {
        const JoinTree& join = *step->join;
        if (!join.onReads.notTrue.intersects(nulls)) {
            continue;
        }
        if (!step->fromLeft || join.kind == JoinKind::Inner) {
            return true;
        }
        collectNames(*join.right, nulls);
    }
    return whereNotTrue.intersects(nulls);
}

// Outer joins whose Null-filled rows vanish become inner joins, which SQLite may take in any
// order; it does so itself only where the WHERE names the table directly.
void dropUselessOuterJoins(JoinTree& tree, std::vector<Step>& path,
                           const QSet<QString>& whereNotTrue) {
    if (!tree.isJoin()) {
        return;
    }
    if (tree.kind == JoinKind::Left && nullRowsVanish(names(*tree.right), path, whereNotTrue)) {
        tree.kind = JoinKind::Inner;
    }
    path.push_back({&tree, true});
    dropUselessOuterJoins(*tree.left, path, whereNotTrue);
    path.back().fromLeft = false;
    dropUselessOuterJoins(*tree.right, path, whereNotTrue);
    path.pop_back();
}

void bringOutAll(std::unique_ptr<JoinTree>& tree) {
    if (!tree->isJoin()) {
        return;
    }
    bringOutAll(tree->left);
    bringOutAll(tree->right);
    bringOut(tree);
}

QString keyword(JoinKind kind) {
    switch (kind) {
        case JoinKind::Inner:
            return QStringLiteral("INNER JOIN");
        case JoinKind::Left:
            return QStringLiteral("LEFT JOIN");
        case JoinKind::Right:
            break;
    }
    return QStringLiteral("RIGHT JOIN");
}

}  // namespace

Reads literalReads() {
    Reads r;
    r.known = true;
    return r;
}

Reads columnReads(const QString& table) {
    const QString name = table.toLower();
    return {true, {name}, {name}, {name}};
}

Reads strictReads(const Reads& a, const Reads& b) {
    const QSet<QString> nullIf = a.nullIf + b.nullIf;
    return {a.known && b.known, a.tables + b.tables, nullIf, nullIf};
}

Reads strictReads(const Reads& a) {
    return {a.known, a.tables, a.nullIf, a.nullIf};
}

Reads conjunctionReads(const Reads& a, const Reads& b) {
    return {a.known && b.known, a.tables + b.tables, {}, a.notTrue + b.notTrue};
}

Reads disjunctionReads(const Reads& a, const Reads& b) {
    QSet<QString> both = a.notTrue;
    both.intersect(b.notTrue);
    return {a.known && b.known, a.tables + b.tables, {}, both};
}

Reads testReads(const Reads& tested) {
    return {false, {}, {}, tested.nullIf};
}

Reads negationReads(const Reads& a) {
    // Not Null is Null; Not False is true, so only Null carries over.
    return strictReads(a);
}

void planJoins(std::unique_ptr<JoinTree>& tree, const Reads& where) {
    turnRightJoins(*tree);
    std::vector<Step> path;
    dropUselessOuterJoins(*tree, path, where.notTrue);
    bringOutAll(tree);
}

QString joinSql(const JoinTree& tree) {
    if (!tree.isJoin()) {
        return tree.sql;
    }
    QString right = joinSql(*tree.right);
    if (tree.right->isJoin()) {
        right = u'(' + right + u')';
    }
    return joinSql(*tree.left) + u' ' + keyword(tree.kind) + u' ' + right + QStringLiteral(" ON ") +
           tree.on;
}

void leaves(const JoinTree& tree, std::vector<const JoinTree*>& out) {
    if (!tree.isJoin()) {
        out.push_back(&tree);
        return;
    }
    leaves(*tree.left, out);
    leaves(*tree.right, out);
}

}  // namespace engine::sql
