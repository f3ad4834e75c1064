#include "data/engine/PageReader.h"

#include <QString>

#include <algorithm>
#include <climits>
#include <cstring>
#include <utility>

namespace engine::pages {
namespace {

constexpr char kMagic[] = "SQLite format 3";  // with its terminating zero: 16 bytes
constexpr int kTableInterior = 0x05;
constexpr int kTableLeaf = 0x0D;
constexpr int kIndexInterior = 0x02;
constexpr int kIndexLeaf = 0x0A;
constexpr int kMaxColumns = 32767;

quint32 be32(const uchar* p) {
    return (quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | p[3];
}

int be16(const uchar* p) {
    return (p[0] << 8) | p[1];
}

// A variable-length integer of the file format; false when it runs past `end`.
bool varint(const uchar*& p, const uchar* end, qint64& value) {
    quint64 v = 0;
    for (int i = 0; i < 9; ++i) {
        if (p >= end) {
            return false;
        }
        const uchar byte = *p++;
        if (i == 8) {
            value = static_cast<qint64>((v << 8) | byte);
            return true;
        }
        v = (v << 7) | (byte & 0x7f);
        if ((byte & 0x80) == 0) {
            value = static_cast<qint64>(v);
            return true;
        }
    }
    return false;
}

qint64 contentSize(qint64 type) {
    static constexpr int sizes[] = {0, 1, 2, 3, 4, 6, 8, 8, 0, 0};
    if (type < 10) {
        return sizes[type];
    }
    return type < 12 ? -1 : (type - 12 - (type & 1)) / 2;
}

qint64 signedInteger(const uchar* p, int n) {
    qint64 v = static_cast<signed char>(p[0]);
    for (int i = 1; i < n; ++i) {
        v = (v << 8) | p[i];
    }
    return v;
}

// Text a damaged page turned into noise is seldom valid UTF-8; text the program wrote always is.
bool validText(const QByteArray& text) {
    const auto* p = reinterpret_cast<const uchar*>(text.constData());
    const auto* end = p + text.size();
    while (p < end) {
        const uchar c = *p++;
        if (c == 0) {
            return false;
        }
        int more = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
        if (more < 0 || end - p < more) {
            return false;
        }
        for (; more > 0; --more) {
            if ((*p++ & 0xC0) != 0x80) {
                return false;
            }
        }
    }
    return true;
}

bool decodeRecord(const QByteArray& payload, int maxColumns, int encoding, Record& record) {
    const auto* begin = reinterpret_cast<const uchar*>(payload.constData());
    const uchar* end = begin + payload.size();
    const uchar* p = begin;
    qint64 headerSize = 0;
    if (!varint(p, end, headerSize) || headerSize < 1 || headerSize > payload.size()) {
        return false;
    }
    const uchar* headerEnd = begin + headerSize;
    std::vector<qint64> types;
    qint64 total = 0;
    while (p < headerEnd) {
        qint64 type = 0;
        if (!varint(p, headerEnd, type) || type < 0) {
            return false;
        }
        const qint64 size = contentSize(type);
        if (size < 0 || static_cast<int>(types.size()) >= maxColumns) {
            return false;
        }
        types.push_back(type);
        total += size;
    }
    if (types.empty() || p != headerEnd || total != payload.size() - headerSize) {
        return false;
    }
    record.clear();
    const uchar* data = headerEnd;
    for (const qint64 type : types) {
        Value value;
        const qint64 size = contentSize(type);
        if (type == 0) {
            value.kind = Value::Kind::Null;
        } else if (type <= 6) {
            value.kind = Value::Kind::Integer;
            value.integer = signedInteger(data, static_cast<int>(size));
        } else if (type == 7) {
            value.kind = Value::Kind::Real;
            quint64 bits = 0;
            for (int i = 0; i < 8; ++i) {
                bits = (bits << 8) | data[i];
            }
            std::memcpy(&value.real, &bits, sizeof bits);
        } else if (type == 8 || type == 9) {
            value.kind = Value::Kind::Integer;
            value.integer = type - 8;
        } else {
            value.bytes = QByteArray(reinterpret_cast<const char*>(data), static_cast<int>(size));
            if (type & 1) {
                value.kind = Value::Kind::Text;
                if (encoding == 2 || encoding == 3) {
                    QByteArray utf16 = value.bytes;
                    if (encoding == 3) {
                        for (int i = 0; i + 1 < utf16.size(); i += 2) {
                            std::swap(utf16[i], utf16[i + 1]);
                        }
                    }
                    value.bytes =
                        QString::fromUtf16(reinterpret_cast<const char16_t*>(utf16.constData()),
                                           utf16.size() / 2)
                            .toUtf8();
                }
                if (!validText(value.bytes)) {
                    return false;
                }
            } else {
                value.kind = Value::Kind::Blob;
            }
        }
        data += size;
        record.push_back(std::move(value));
    }
    return true;
}

}  // namespace

Image::Image(QByteArray bytes) : m_bytes(std::move(bytes)) {
    const auto* p = reinterpret_cast<const uchar*>(m_bytes.constData());
    m_header = m_bytes.size() >= 100 && std::memcmp(p, kMagic, sizeof kMagic) == 0;
    if (m_header) {
        const int size = be16(p + 16);
        m_pageSize = size == 1 ? 65536 : size;
        m_reserved = p[20];
        if (m_pageSize < 512 || (m_pageSize & (m_pageSize - 1)) != 0 ||
            m_pageSize - m_reserved < 480) {
            m_header = false;
        }
    }
    if (!m_header) {
        // The page size whose pages most often look like b-tree pages; of sizes that do
        // equally well the smallest, since every page of it starts a page of the larger ones.
        double best = -1;
        int chosen = 4096;
        for (int size = 512; size <= 65536; size *= 2) {
            m_pageSize = size;
            m_reserved = 0;
            m_pageCount = static_cast<quint32>(m_bytes.size() / size);
            if (m_pageCount < 2) {
                continue;
            }
            int good = 0;
            for (quint32 n = 2; n <= m_pageCount; ++n) {
                good += kind(n) != 0 ? 1 : 0;
            }
            const double share = double(good) / (m_pageCount - 1);
            if (share > best + 0.05) {
                best = share;
                chosen = size;
            }
        }
        m_pageSize = chosen;
        m_reserved = 0;
    }
    m_pageCount = static_cast<quint32>(m_bytes.size() / m_pageSize);
}

int Image::userVersion() const {
    return m_header ? static_cast<int>(be32(page(1) + 60)) : 0;
}

int Image::applicationId() const {
    return m_header ? static_cast<int>(be32(page(1) + 68)) : 0;
}

const uchar* Image::page(quint32 number) const {
    if (number < 1 || number > m_pageCount) {
        return nullptr;
    }
    return reinterpret_cast<const uchar*>(m_bytes.constData()) + qint64(number - 1) * m_pageSize;
}

// The page's b-tree kind when its header is plausible, else 0.
int Image::kind(quint32 number) const {
    const uchar* p = page(number);
    if (!p) {
        return 0;
    }
    const int at = headerOffset(number);
    const int type = p[at];
    if (type != kTableInterior && type != kTableLeaf && type != kIndexInterior &&
        type != kIndexLeaf) {
        return 0;
    }
    const int headerSize = (type == kTableLeaf || type == kIndexLeaf) ? 8 : 12;
    const int cells = be16(p + at + 3);
    const int pointers = at + headerSize;
    if (pointers + 2 * cells > usable()) {
        return 0;
    }
    for (int i = 0; i < cells; ++i) {
        const int cell = be16(p + pointers + 2 * i);
        if (cell < pointers + 2 * cells || cell >= usable()) {
            return 0;
        }
    }
    return type;
}

std::vector<quint32> Image::children(quint32 number) const {
    std::vector<quint32> result;
    const int type = kind(number);
    if (type != kTableInterior && type != kIndexInterior) {
        return result;
    }
    const uchar* p = page(number);
    const int at = headerOffset(number);
    const int cells = be16(p + at + 3);
    for (int i = 0; i < cells; ++i) {
        const int cell = be16(p + at + 12 + 2 * i);
        if (cell + 4 <= usable()) {
            result.push_back(be32(p + cell));
        }
    }
    result.push_back(be32(p + at + 8));
    return result;
}

// The whole payload of a cell, following its overflow pages.
bool Image::payload(const uchar* cell, int available, qint64 size, QByteArray& out) const {
    const qint64 u = usable();
    const qint64 maxLocal = u - 35;
    qint64 local = size;
    if (size > maxLocal) {
        const qint64 minLocal = ((u - 12) * 32 / 255) - 23;
        const qint64 k = minLocal + ((size - minLocal) % (u - 4));
        local = k <= maxLocal ? k : minLocal;
    }
    const bool overflows = local < size;
    if (size < 0 || local + (overflows ? 4 : 0) > available) {
        return false;
    }
    out = QByteArray(reinterpret_cast<const char*>(cell), static_cast<int>(local));
    if (!overflows) {
        return true;
    }
    quint32 next = be32(cell + local);
    std::set<quint32> seen;
    while (out.size() < size) {
        const uchar* p = page(next);
        if (!p || !seen.insert(next).second) {
            return false;
        }
        const qint64 take = std::min<qint64>(u - 4, size - out.size());
        out.append(reinterpret_cast<const char*>(p + 4), static_cast<int>(take));
        next = be32(p);
    }
    return true;
}

bool Image::readCell(const uchar* p, int offset, int maxColumns, qint64& rowid,
                     Record& record) const {
    const uchar* cell = p + offset;
    const uchar* end = p + usable();
    qint64 size = 0;
    if (!varint(cell, end, size) || !varint(cell, end, rowid)) {
        return false;
    }
    QByteArray bytes;
    if (!payload(cell, static_cast<int>(end - cell), size, bytes)) {
        return false;
    }
    const int encoding = m_header ? static_cast<int>(be32(page(1) + 56)) : 1;
    return decodeRecord(bytes, maxColumns, encoding, record);
}

Tree Image::readTable(quint32 root, int maxColumns, const std::set<quint32>& skip) const {
    Tree tree;
    std::vector<quint32> stack{root};
    while (!stack.empty()) {
        const quint32 number = stack.back();
        stack.pop_back();
        if (skip.count(number) || !tree.pages.insert(number).second) {
            tree.complete = false;
            continue;
        }
        const int type = kind(number);
        if (type == kTableInterior) {
            const std::vector<quint32> below = children(number);
            stack.insert(stack.end(), below.rbegin(), below.rend());
            continue;
        }
        if (type != kTableLeaf) {
            tree.pages.erase(number);
            tree.complete = false;
            continue;
        }
        const uchar* p = page(number);
        const int at = headerOffset(number);
        const int cells = be16(p + at + 3);
        bool first = true;
        qint64 last = 0;
        for (int i = 0; i < cells; ++i) {
            qint64 rowid = 0;
            Record record;
            // Row ids rise along a leaf: one out of order is noise that happens to parse.
            if (!readCell(p, be16(p + at + 8 + 2 * i), maxColumns, rowid, record) ||
                (!first && rowid <= last)) {
                tree.complete = false;
                continue;
            }
            first = false;
            last = rowid;
            tree.rows.emplace(rowid, std::move(record));
        }
    }
    return tree;
}

std::set<quint32> Image::indexPages(quint32 root, qint64& entries) const {
    std::set<quint32> seen;
    entries = 0;
    std::vector<quint32> stack{root};
    while (!stack.empty()) {
        const quint32 number = stack.back();
        stack.pop_back();
        const int type = kind(number);
        if ((type != kIndexInterior && type != kIndexLeaf) || !seen.insert(number).second) {
            entries = -1;
            return seen;
        }
        entries += be16(page(number) + headerOffset(number) + 3);
        if (type == kIndexInterior) {
            const std::vector<quint32> below = children(number);
            stack.insert(stack.end(), below.begin(), below.end());
        }
    }
    return seen;
}

std::set<quint32> Image::freePages() const {
    std::set<quint32> free;
    if (!m_header) {
        return free;
    }
    quint32 trunk = be32(page(1) + 32);
    while (trunk != 0) {
        const uchar* p = page(trunk);
        if (!p || !free.insert(trunk).second) {
            break;
        }
        const quint32 leaves = be32(p + 4);
        if (leaves > quint32(usable() / 4 - 2)) {
            break;
        }
        for (quint32 i = 0; i < leaves; ++i) {
            const quint32 leaf = be32(p + 8 + 4 * i);
            if (page(leaf)) {
                free.insert(leaf);
            }
        }
        trunk = be32(p);
    }
    return free;
}

std::vector<SchemaEntry> Image::schema(bool& complete) const {
    std::vector<SchemaEntry> entries;
    complete = false;
    if (!m_header) {
        return entries;
    }
    const Tree tree = readTable(1, 5);
    complete = tree.complete;
    const auto text = [](const Record& r, size_t i) {
        return i < r.size() && r[i].kind == Value::Kind::Text ? QString::fromUtf8(r[i].bytes)
                                                              : QString();
    };
    for (const auto& [rowid, record] : tree.rows) {
        SchemaEntry entry{text(record, 0), text(record, 1), text(record, 2), 0, text(record, 4)};
        if (record.size() > 3 && record[3].kind == Value::Kind::Integer && record[3].integer > 0 &&
            record[3].integer <= UINT_MAX) {
            entry.root = static_cast<quint32>(record[3].integer);
        }
        if (entry.type.isEmpty() || entry.name.isEmpty()) {
            complete = false;
            continue;
        }
        entries.push_back(entry);
    }
    return entries;
}

std::vector<Tree> Image::strayTrees(const std::set<quint32>& claimed) const {
    const std::set<quint32> free = freePages();
    std::set<quint32> stray;
    for (quint32 n = 2; n <= m_pageCount; ++n) {
        const int type = kind(n);
        if ((type == kTableInterior || type == kTableLeaf) && !claimed.count(n) && !free.count(n)) {
            stray.insert(n);
        }
    }
    std::set<quint32> below;
    for (const quint32 n : stray) {
        for (const quint32 child : children(n)) {
            if (child != n && stray.count(child)) {
                below.insert(child);
            }
        }
    }
    std::vector<Tree> trees;
    std::set<quint32> taken = claimed;
    const auto readFrom = [&](quint32 root) {
        if (taken.count(root)) {
            return;
        }
        Tree tree = readTable(root, kMaxColumns, taken);
        taken.insert(tree.pages.begin(), tree.pages.end());
        // An empty one too: it keeps the place of its table among tables of equal shape.
        if (!tree.pages.empty()) {
            trees.push_back(std::move(tree));
        }
    };
    for (const quint32 n : stray) {
        if (!below.count(n)) {
            readFrom(n);
        }
    }
    // Pages below one another only in a cycle that noise made.
    for (const quint32 n : stray) {
        readFrom(n);
    }
    return trees;
}

}  // namespace engine::pages
