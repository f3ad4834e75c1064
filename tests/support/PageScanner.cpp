#include "support/PageScanner.h"

#include "support/Diary.h"

#include <QFile>

#include <stdexcept>

namespace testing_support {
namespace {

unsigned byteAt(const QByteArray& b, qint64 i) {
    return static_cast<unsigned char>(b.at(i));
}

qint64 bigEndian(const QByteArray& b, qint64 at, int n) {
    qint64 v = 0;
    for (int i = 0; i < n; ++i) {
        v = (v << 8) | byteAt(b, at + i);
    }
    return v;
}

// Reads a varint at `at`, moving `at` past it.
qint64 varint(const QByteArray& b, qint64& at) {
    qint64 v = 0;
    for (int i = 0; i < 8; ++i) {
        const unsigned c = byteAt(b, at++);
        v = (v << 7) | (c & 0x7f);
        if (!(c & 0x80)) {
            return v;
        }
    }
    return (v << 8) | byteAt(b, at++);
}

}  // namespace

PageScanner::PageScanner(const QString& soundFile) : m_bytes(fileBytes(soundFile)) {
    if (m_bytes.size() < 100) {
        throw std::runtime_error("no database to scan");
    }
    m_pageSize = static_cast<int>(bigEndian(m_bytes, 16, 2));
    if (m_pageSize == 1) {
        m_pageSize = 65536;
    }
    for (const QStringList& table :
         rowsOf(soundFile, QStringLiteral("SELECT name, rootpage FROM sqlite_master WHERE type = "
                                          "'table' AND name NOT LIKE 'sqlite_%'"))) {
        walk(table[1].toInt(), m_tables[table[0]], true);
    }
}

void PageScanner::walk(int page, std::vector<Cell>& cells, bool root) {
    const qint64 base = qint64(page - 1) * m_pageSize;
    const qint64 header = base + (page == 1 ? 100 : 0);
    const unsigned type = byteAt(m_bytes, header);
    const int count = static_cast<int>(bigEndian(m_bytes, header + 3, 2));
    const int usable = m_pageSize - static_cast<int>(byteAt(m_bytes, 20));
    if (root || type == 0x05) {
        m_upperPages.insert(page);
    }
    if (type == 0x05) {
        for (int i = 0; i < count; ++i) {
            const qint64 cell = base + bigEndian(m_bytes, header + 12 + 2 * i, 2);
            walk(static_cast<int>(bigEndian(m_bytes, cell, 4)), cells, false);
        }
        walk(static_cast<int>(bigEndian(m_bytes, header + 8, 4)), cells, false);
        return;
    }
    if (type != 0x0D) {
        throw std::runtime_error("not a table page in a sound file");
    }
    for (int i = 0; i < count; ++i) {
        qint64 at = base + bigEndian(m_bytes, header + 8 + 2 * i, 2);
        const qint64 payload = varint(m_bytes, at);
        Cell cell{varint(m_bytes, at), {page}};
        // The part of a long payload kept on the leaf, and the chain of pages with the rest.
        const qint64 x = usable - 35;
        if (payload > x) {
            const qint64 m = (qint64(usable - 12) * 32 / 255) - 23;
            const qint64 k = m + (payload - m) % (usable - 4);
            const qint64 local = k <= x ? k : m;
            qint64 left = payload - local;
            qint64 next = bigEndian(m_bytes, at + local, 4);
            while (left > 0 && next != 0) {
                cell.pages.push_back(static_cast<int>(next));
                left -= usable - 4;
                next = bigEndian(m_bytes, (next - 1) * m_pageSize, 4);
            }
        }
        cells.push_back(cell);
    }
}

std::map<QString, std::set<qint64>> PageScanner::intactRows(const std::set<int>& damaged,
                                                            int keptPages) const {
    std::map<QString, std::set<qint64>> intact;
    for (const auto& [table, cells] : m_tables) {
        auto& rows = intact[table];
        for (const Cell& cell : cells) {
            bool readable = true;
            for (const int page : cell.pages) {
                readable = readable && page <= keptPages && !damaged.count(page);
            }
            if (readable) {
                rows.insert(cell.rowid);
            }
        }
    }
    return intact;
}

}  // namespace testing_support
