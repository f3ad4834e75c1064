#include "support/JetWriter.h"

#include <QFile>
#include <QStringList>

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <deque>
#include <iterator>
#include <map>
#include <memory>
#include <stdexcept>

using namespace Qt::StringLiterals;

namespace jetfile {
namespace {

[[noreturn]] void fail(const QString& why) {
    throw std::runtime_error("JetWriter: " + why.toStdString());
}

// ---- little-endian fields -----------------------------------------------------------------

void put8(QByteArray& bytes, int at, quint32 value) {
    bytes[at] = static_cast<char>(value & 0xff);
}
void put16(QByteArray& bytes, int at, quint32 value) {
    put8(bytes, at, value);
    put8(bytes, at + 1, value >> 8);
}
void put32(QByteArray& bytes, int at, quint32 value) {
    for (int i = 0; i < 4; ++i) {
        put8(bytes, at + i, value >> (8 * i));
    }
}
void putDouble(QByteArray& bytes, int at, double value) {
    quint64 bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    for (int i = 0; i < 8; ++i) {
        put8(bytes, at + i, static_cast<quint32>(bits >> (8 * i)));
    }
}
void append16(QByteArray& bytes, quint32 value) {
    bytes.append(2, '\0');
    put16(bytes, static_cast<int>(bytes.size()) - 2, value);
}

// ---- the two formats ----------------------------------------------------------------------

struct Format {
    bool jet4;
    int pageSize;
    int rowCountOffset;  // data pages: the row count, followed by the row offsets
    int columnEntry;     // bytes per column in a table definition
    int usageMapBytes;   // the size of a table's usage map

    int firstRowOffset() const { return rowCountOffset + 2; }
    // The longest row a data page takes.
    int maxRow() const { return pageSize - firstRowOffset() - 2; }
};

Format formatOf(Version version) {
    if (version == Version::Jet4) {
        return {true, 4096, 0x0c, 25, 64};
    }
    return {false, 2048, 0x08, 18, 128};
}

// The header's fixed RC4 key, and RC4 itself: the header page is masked with it.
void rc4(const std::array<unsigned char, 4>& key, char* data, int length) {
    std::array<unsigned char, 256> s{};
    for (int i = 0; i < 256; ++i) {
        s[static_cast<size_t>(i)] = static_cast<unsigned char>(i);
    }
    for (size_t i = 0, j = 0; i < 256; ++i) {
        j = (j + s[i] + key[i % key.size()]) & 0xff;
        std::swap(s[i], s[j]);
    }
    for (int n = 0, i = 0, j = 0; n < length; ++n) {
        i = (i + 1) & 0xff;
        j = (j + s[static_cast<size_t>(i)]) & 0xff;
        std::swap(s[static_cast<size_t>(i)], s[static_cast<size_t>(j)]);
        data[n] = static_cast<char>(
            data[n] ^ s[(s[static_cast<size_t>(i)] + s[static_cast<size_t>(j)]) & 0xff]);
    }
}
constexpr std::array<unsigned char, 4> kHeaderKey{0xC7, 0xDA, 0x39, 0x6B};

// ---- texts --------------------------------------------------------------------------------

// Windows-1250 from 0x80 on; 0 where the code page has no character.
constexpr char16_t kCp1250[128] = {
    0x20AC, 0x0000, 0x201A, 0x0000, 0x201E, 0x2026, 0x2020, 0x2021, 0x0000, 0x2030, 0x0160, 0x2039,
    0x015A, 0x0164, 0x017D, 0x0179, 0x0000, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0000, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, 0x00A0, 0x02C7, 0x02D8, 0x0141,
    0x00A4, 0x0104, 0x00A6, 0x00A7, 0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x0105, 0x015F, 0x00BB,
    0x013D, 0x02DD, 0x013E, 0x017C, 0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E, 0x0110, 0x0143, 0x0147, 0x00D3,
    0x00D4, 0x0150, 0x00D6, 0x00D7, 0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7, 0x010D, 0x00E9, 0x0119, 0x00EB,
    0x011B, 0x00ED, 0x00EE, 0x010F, 0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};

QByteArray windows1250(const QString& text) {
    QByteArray out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x80) {
            out += static_cast<char>(u);
            continue;
        }
        const auto* hit = std::find(std::begin(kCp1250), std::end(kCp1250), u);
        if (hit == std::end(kCp1250)) {
            fail(u"'%1' has no Windows-1250 code"_s.arg(c));
        }
        out += static_cast<char>(0x80 + (hit - std::begin(kCp1250)));
    }
    return out;
}

QByteArray utf16(const QString& text) {
    QByteArray out;
    out.reserve(2 * text.size());
    for (const QChar c : text) {
        append16(out, c.unicode());
    }
    return out;
}

// Jet 4's compressed form: 0xff 0xfe, then characters below U+0100 as one byte and the others
// as two, a zero byte switching between the two modes. Empty when the text cannot take it (a
// character whose low byte is zero would read as a switch).
QByteArray compressedUtf16(const QString& text) {
    QByteArray out("\xff\xfe", 2);
    bool oneByte = true;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u & 0xff) == 0) {
            return {};
        }
        const bool small = u < 0x100;
        if (small != oneByte) {
            out += '\0';
            oneByte = small;
        }
        out += static_cast<char>(u & 0xff);
        if (!small) {
            out += static_cast<char>(u >> 8);
        }
    }
    return out;
}

// ---- pages --------------------------------------------------------------------------------

// The file as a list of pages; references to pages stay valid while pages are added.
class PageFile {
  public:
    explicit PageFile(int pageSize) : m_pageSize(pageSize) {}

    int reserve() {
        m_pages.emplace_back(m_pageSize, '\0');
        return static_cast<int>(m_pages.size()) - 1;
    }
    QByteArray& operator[](int page) { return m_pages[static_cast<size_t>(page)]; }
    QByteArray bytes() const {
        QByteArray out;
        out.reserve(static_cast<qsizetype>(m_pages.size()) * m_pageSize);
        for (const QByteArray& page : m_pages) {
            out += page;
        }
        return out;
    }

  private:
    int m_pageSize;
    std::deque<QByteArray> m_pages;
};

// Rows on pages of one kind (a table's data pages, long values, usage maps): each page holds
// its rows from its end towards its header, and the offsets of the rows after the header.
class RowPages {
  public:
    RowPages(PageFile& file, const Format& format, QByteArray owner, int firstPage = -1)
        : m_file(file), m_format(format), m_owner(std::move(owner)) {
        if (firstPage >= 0) {
            open(firstPage);
        }
    }

    // Places `row`; returns where it lies, as page * 256 + row number.
    quint32 add(const QByteArray& row) {
        if (row.size() > m_format.maxRow()) {
            fail(u"a row of %1 bytes does not fit a page"_s.arg(row.size()));
        }
        const int rowsEnd = m_format.firstRowOffset() + 2 * (m_rows + 1);
        if (m_page < 0 || m_rows == 255 || m_end - row.size() < rowsEnd) {
            open(m_file.reserve());
        }
        QByteArray& page = m_file[m_page];
        m_end -= static_cast<int>(row.size());
        std::memcpy(page.data() + m_end, row.constData(), static_cast<size_t>(row.size()));
        put16(page, m_format.firstRowOffset() + 2 * m_rows, static_cast<quint32>(m_end));
        ++m_rows;
        put16(page, m_format.rowCountOffset, static_cast<quint32>(m_rows));
        put16(page, 2, static_cast<quint32>(m_end - (m_format.firstRowOffset() + 2 * m_rows)));
        return static_cast<quint32>(m_page) << 8 | static_cast<quint32>(m_rows - 1);
    }

    const std::vector<int>& pages() const { return m_pages; }

  private:
    void open(int page) {
        m_page = page;
        m_pages.push_back(page);
        m_rows = 0;
        m_end = m_format.pageSize;
        QByteArray& p = m_file[page];
        p[0] = 0x01;
        p[1] = 0x01;
        std::memcpy(p.data() + 4, m_owner.constData(), 4);
        put16(p, 2, static_cast<quint32>(m_end - m_format.firstRowOffset()));
    }

    PageFile& m_file;
    const Format& m_format;
    QByteArray m_owner;  // the table definition's page number, or "LVAL"
    std::vector<int> m_pages;
    int m_page = -1;
    int m_rows = 0;
    int m_end = 0;
};

QByteArray pageNumber(int page) {
    QByteArray bytes(4, '\0');
    put32(bytes, 0, static_cast<quint32>(page));
    return bytes;
}

// ---- tables -------------------------------------------------------------------------------

int fixedSize(Type type) {
    switch (type) {
        case Type::Bool:
            return 0;  // the value lives in the null mask
        case Type::Byte:
            return 1;
        case Type::Integer:
            return 2;
        case Type::Long:
            return 4;
        case Type::Double:
        case Type::DateTime:
            return 8;
        case Type::Text:
        case Type::Ole:
        case Type::Memo:
            break;
    }
    return -1;
}

bool isText(Type type) {
    return type == Type::Text || type == Type::Memo;
}

// Where each column's value lies in a row: fixed columns at an offset of the fixed part,
// variable columns by their number in the row's offset table.
struct Layout {
    std::vector<int> fixedOffset;  // -1 for variable columns
    std::vector<int> varIndex;     // -1 for fixed columns
    std::vector<int> varColumns;   // column numbers by variable index
    int fixedBytes = 0;
};

Layout layoutOf(const Table& table) {
    Layout layout;
    for (const Column& column : table.columns) {
        const int size = fixedSize(column.type);
        if (size >= 0) {
            layout.fixedOffset.push_back(layout.fixedBytes);
            layout.varIndex.push_back(-1);
            layout.fixedBytes += size;
        } else {
            layout.fixedOffset.push_back(-1);
            layout.varIndex.push_back(static_cast<int>(layout.varColumns.size()));
            layout.varColumns.push_back(static_cast<int>(layout.varIndex.size()) - 1);
        }
    }
    return layout;
}

qint64 wholeNumber(const QVariant& value, const Column& column) {
    bool ok = false;
    const qint64 n = value.toLongLong(&ok);
    const auto [least, most] = column.type == Type::Byte ? std::pair<qint64, qint64>{0, 255}
                               : column.type == Type::Integer
                                   ? std::pair<qint64, qint64>{-32768, 32767}
                                   : std::pair<qint64, qint64>{-2147483648LL, 2147483647LL};
    if (!ok || n < least || n > most) {
        fail(u"%1 does not fit column %2"_s.arg(value.toString(), column.name));
    }
    return n;
}

bool yes(const QVariant& value) {
    return value.typeId() == QMetaType::Bool ? value.toBool() : value.toLongLong() != 0;
}

class Writer {
  public:
    explicit Writer(const Options& options)
        : m_options(options), m_format(formatOf(options.version)), m_file(m_format.pageSize) {}

    QByteArray write(const std::vector<Table>& tables) {
        m_file.reserve();                          // 0: the header, written last
        const int mapPage = m_file.reserve();      // 1: usage maps
        const int catalogPage = m_file.reserve();  // 2: MSysObjects' definition
        std::vector<Placed> placed;
        for (const Table& table : tables) {
            placed.push_back(place(table, m_file.reserve(), false));
        }
        const Table catalog = catalogTable(placed, catalogPage);
        placed.push_back(place(catalog, catalogPage, true));

        RowPages maps(m_file, m_format, pageNumber(0), mapPage);
        for (const Placed& p : placed) {
            const quint32 used = maps.add(usageMap(p.dataPages));
            const quint32 free = maps.add(emptyUsageMap());
            m_file[p.definitionPage] = definition(*p.table, p.layout, used, free, p.system);
        }
        m_file[0] = header();
        return m_file.bytes();
    }

  private:
    struct Placed {
        const Table* table;
        Layout layout;
        int definitionPage;
        std::vector<int> dataPages;
        bool system;
    };

    Placed place(const Table& table, int definitionPage, bool system) {
        if (table.columns.empty() || table.columns.size() > 255) {
            fail(u"table %1 needs 1 to 255 columns"_s.arg(table.name));
        }
        Layout layout = layoutOf(table);
        RowPages data(m_file, m_format, pageNumber(definitionPage));
        RowPages longValues(m_file, m_format, QByteArrayLiteral("LVAL"));
        for (const QVariantList& values : table.rows) {
            data.add(row(table, layout, values, longValues));
        }
        return {&table, std::move(layout), definitionPage, data.pages(), system};
    }

    // The catalog: one row per table, MSysObjects itself flagged as a system table.
    Table catalogTable(const std::vector<Placed>& placed, int catalogPage) const {
        Table catalog{u"MSysObjects"_s,
                      {{u"Id"_s, Type::Long},
                       {u"ParentId"_s, Type::Long},
                       {u"Name"_s, Type::Text, 255},
                       {u"Type"_s, Type::Integer},
                       {u"DateCreate"_s, Type::DateTime},
                       {u"DateUpdate"_s, Type::DateTime},
                       {u"Flags"_s, Type::Long},
                       {u"LvProp"_s, Type::Ole}},
                      {}};
        const QDate created(2004, 3, 15);
        const auto entry = [&](int page, const QString& name, qint64 flags) {
            catalog.rows.push_back(
                {page, 0x0F000001, name, 1, created, created, flags, QVariant()});
        };
        entry(catalogPage, catalog.name, static_cast<qint32>(0x80000002u));
        for (const Placed& p : placed) {
            entry(p.definitionPage, p.table->name, 0);
        }
        return catalog;
    }

    QByteArray text(const QString& value, bool mayCompress) const {
        if (!m_format.jet4) {
            return windows1250(value);
        }
        if (m_options.compressedText && mayCompress) {
            const QByteArray compressed = compressedUtf16(value);
            if (!compressed.isEmpty() && compressed.size() < 2 * value.size()) {
                return compressed;
            }
        }
        return utf16(value);
    }

    // A memo or long binary value: its 12-byte head (length with flags, where the value lies)
    // followed by the value itself when it stays inside the row.
    QByteArray longValue(const QByteArray& bytes, RowPages& longValues) const {
        const auto length = static_cast<quint32>(bytes.size());
        if (length >= 0x01000000) {
            fail(u"a long value of %1 bytes"_s.arg(length));
        }
        QByteArray head(12, '\0');
        if (bytes.size() <= m_options.inlineMemoBytes) {
            put32(head, 0, length | 0x80000000u);
            return head + bytes;
        }
        if (bytes.size() <= m_format.maxRow()) {
            put32(head, 0, length | 0x40000000u);
            put32(head, 4, longValues.add(bytes));
            return head;
        }
        // A chain of rows, each naming the next; written from the last so that each knows it.
        const int chunk = m_format.maxRow() - 4;
        quint32 next = 0;
        for (int from = (static_cast<int>(bytes.size()) - 1) / chunk * chunk; from >= 0;
             from -= chunk) {
            QByteArray piece(4, '\0');
            put32(piece, 0, next);
            piece += bytes.mid(from, chunk);
            next = longValues.add(piece);
        }
        put32(head, 0, length);
        put32(head, 4, next);
        return head;
    }

    QByteArray variableValue(const Column& column, const QVariant& value,
                             RowPages& longValues) const {
        switch (column.type) {
            case Type::Text: {
                const QString s = value.toString();
                if (s.size() > column.size) {
                    fail(u"'%1' is longer than column %2"_s.arg(s, column.name));
                }
                return text(s, true);
            }
            case Type::Memo: {
                const QString s = value.toString();
                // Only memos of up to 1024 characters may be compressed.
                return longValue(text(s, s.size() <= 1024), longValues);
            }
            case Type::Ole:
                return longValue(value.toByteArray(), longValues);
            default:
                break;
        }
        fail(u"column %1 is not variable"_s.arg(column.name));
    }

    void putFixed(QByteArray& row, int at, const Column& column, const QVariant& value) const {
        switch (column.type) {
            case Type::Byte:
                put8(row, at, static_cast<quint32>(wholeNumber(value, column)));
                break;
            case Type::Integer:
                put16(row, at, static_cast<quint32>(wholeNumber(value, column)));
                break;
            case Type::Long:
                put32(row, at, static_cast<quint32>(wholeNumber(value, column)));
                break;
            case Type::Double:
                putDouble(row, at, value.toDouble());
                break;
            case Type::DateTime:
                // A number is written as it is: days with the time of day as a fraction.
                putDouble(row, at,
                          value.typeId() == QMetaType::QDate ? jetDate(value.toDate())
                                                             : value.toDouble());
                break;
            default:
                break;
        }
    }

    QByteArray row(const Table& table, const Layout& layout, const QVariantList& values,
                   RowPages& longValues) const {
        const int columns = static_cast<int>(table.columns.size());
        if (values.size() != columns) {
            fail(u"a row of table %1 with %2 values"_s.arg(table.name).arg(values.size()));
        }
        QByteArray out;
        if (m_format.jet4) {
            append16(out, static_cast<quint32>(columns));
        } else {
            out += static_cast<char>(columns);
        }
        const int fixedStart = static_cast<int>(out.size());
        out.append(layout.fixedBytes, '\0');
        QByteArray nullMask((columns + 7) / 8, '\0');
        for (int i = 0; i < columns; ++i) {
            const Column& column = table.columns[static_cast<size_t>(i)];
            const QVariant& value = values[i];
            const bool present = !value.isNull() && (column.type != Type::Bool || yes(value));
            if (present) {
                nullMask[i / 8] = static_cast<char>(nullMask[i / 8] | (1 << (i % 8)));
            }
            if (present && layout.fixedOffset[static_cast<size_t>(i)] >= 0) {
                putFixed(out, fixedStart + layout.fixedOffset[static_cast<size_t>(i)], column,
                         value);
            }
        }
        std::vector<int> offsets;
        for (const int i : layout.varColumns) {
            offsets.push_back(static_cast<int>(out.size()));
            if (!values[i].isNull()) {
                out += variableValue(table.columns[static_cast<size_t>(i)], values[i], longValues);
            }
        }
        if (!offsets.empty()) {
            offsets.push_back(static_cast<int>(out.size()));  // where the variable part ends
            out += m_format.jet4 ? trailer4(offsets) : trailer3(offsets, nullMask.size());
        }
        return out + nullMask;
    }

    // Jet 4: the offsets as two-byte numbers, the end first, then the number of variable
    // columns.
    static QByteArray trailer4(const std::vector<int>& offsets) {
        QByteArray out;
        for (auto o = offsets.rbegin(); o != offsets.rend(); ++o) {
            append16(out, static_cast<quint32>(*o));
        }
        append16(out, static_cast<quint32>(offsets.size() - 1));
        return out;
    }

    // Jet 3: the offsets as single bytes, the end first; a row of 256 bytes or more adds a
    // jump table naming, for each further 256 bytes, the first offset that lies beyond them
    // (0xff where none does), then the number of variable columns.
    static QByteArray trailer3(const std::vector<int>& offsets, qsizetype maskBytes) {
        const int end = offsets.back();
        const int entries = static_cast<int>(offsets.size());
        int jumps = 0;
        for (int guard = 0; guard < 8; ++guard) {
            const int rowLength = end + entries + jumps + 1 + static_cast<int>(maskBytes);
            const int needed = (rowLength - 1) / 256;
            if (needed == jumps) {
                break;
            }
            jumps = needed;
        }
        QByteArray out;
        for (auto o = offsets.rbegin(); o != offsets.rend(); ++o) {
            out += static_cast<char>(*o & 0xff);
        }
        for (int j = jumps - 1; j >= 0; --j) {
            int first = 0xff;
            for (int i = 0; i < entries; ++i) {
                if (offsets[static_cast<size_t>(i)] >= (j + 1) * 256) {
                    first = i;
                    break;
                }
            }
            out += static_cast<char>(first);
        }
        out += static_cast<char>(entries - 1);
        return out;
    }

    // A usage map listing `pages`: the pages' bits inside the map when they lie close enough
    // together, else pointers to bitmap pages that each cover a stretch of the file.
    QByteArray usageMap(const std::vector<int>& pages) {
        const int bits = (m_format.usageMapBytes - 5) * 8;
        QByteArray map(m_format.usageMapBytes, '\0');
        if (!m_options.indirectUsageMaps &&
            (pages.empty() || pages.back() - pages.front() < bits)) {
            const int start = pages.empty() ? 0 : pages.front();
            put32(map, 1, static_cast<quint32>(start));
            for (const int page : pages) {
                const int bit = page - start;
                map[5 + bit / 8] = static_cast<char>(map[5 + bit / 8] | (1 << (bit % 8)));
            }
            return map;
        }
        map[0] = 0x01;
        const int perPage = (m_format.pageSize - 4) * 8;
        const int pointers = (m_format.usageMapBytes - 1) / 4;
        std::map<int, int> bitmapPages;
        for (const int page : pages) {
            const int slot = page / perPage;
            if (slot >= pointers) {
                fail(u"page %1 lies beyond what a usage map covers"_s.arg(page));
            }
            auto found = bitmapPages.find(slot);
            if (found == bitmapPages.end()) {
                const int bitmap = m_file.reserve();
                m_file[bitmap][0] = 0x05;
                m_file[bitmap][1] = 0x01;
                put32(map, 1 + 4 * slot, static_cast<quint32>(bitmap));
                found = bitmapPages.emplace(slot, bitmap).first;
            }
            QByteArray& bitmap = m_file[found->second];
            const int bit = page % perPage;
            bitmap[4 + bit / 8] = static_cast<char>(bitmap[4 + bit / 8] | (1 << (bit % 8)));
        }
        return map;
    }

    // The map of pages with free space: none, the file is written once.
    QByteArray emptyUsageMap() const { return QByteArray(m_format.usageMapBytes, '\0'); }

    QByteArray definition(const Table& table, const Layout& layout, quint32 usedMap,
                          quint32 freeMap, bool system) const {
        const bool jet4 = m_format.jet4;
        QByteArray page(m_format.pageSize, '\0');
        page[0] = 0x02;
        page[1] = 0x01;
        if (!jet4) {
            page[2] = 'V';
            page[3] = 'C';
        }
        // Offsets of the fields below differ by 4 + 16 bytes between the formats.
        const int rowsAt = jet4 ? 16 : 12;
        const int typeAt = jet4 ? 40 : 20;
        const auto columns = static_cast<quint32>(table.columns.size());
        put32(page, rowsAt, static_cast<quint32>(table.rows.size()));
        put32(page, rowsAt + 4, nextAutoNumber(table));
        if (jet4) {
            page[24] = 0x01;
        }
        page[typeAt] = static_cast<char>(system ? 0x53 : 0x4e);
        put16(page, typeAt + 1, columns);
        put16(page, typeAt + 3, static_cast<quint32>(layout.varColumns.size()));
        put16(page, typeAt + 5, columns);
        put32(page, typeAt + 7, 0);   // logical indexes
        put32(page, typeAt + 11, 0);  // index entries
        put32(page, typeAt + 15, usedMap);
        put32(page, typeAt + 19, freeMap);
        int at = typeAt + 23;
        for (quint32 i = 0; i < columns; ++i) {
            if (at + m_format.columnEntry > m_format.pageSize) {
                fail(u"table %1 is too wide for one definition page"_s.arg(table.name));
            }
            columnEntry(page, at, table.columns[i], i, layout);
            at += m_format.columnEntry;
        }
        for (const Column& column : table.columns) {
            const QByteArray name = jet4 ? utf16(column.name) : windows1250(column.name);
            if (at + 2 + name.size() > m_format.pageSize - 2) {
                fail(u"table %1 is too wide for one definition page"_s.arg(table.name));
            }
            if (jet4) {
                put16(page, at, static_cast<quint32>(name.size()));
                at += 2;
            } else {
                put8(page, at++, static_cast<quint32>(name.size()));
            }
            std::memcpy(page.data() + at, name.constData(), static_cast<size_t>(name.size()));
            at += static_cast<int>(name.size());
        }
        put16(page, at, 0xffff);  // no long value maps of columns follow
        at += 2;
        put32(page, 8, static_cast<quint32>(at - 8));
        if (jet4) {
            put16(page, 2, static_cast<quint32>(m_format.pageSize - at - 8));
        }
        return page;
    }

    void columnEntry(QByteArray& page, int at, const Column& column, quint32 number,
                     const Layout& layout) const {
        const bool jet4 = m_format.jet4;
        const int fixedOffset = layout.fixedOffset[number];
        const int varIndex = layout.varIndex[number];
        const int size = fixedSize(column.type);
        quint32 flags = size >= 0 ? 0x01 : 0x00;
        flags |= column.autoNumber ? 0x04 : 0x02;
        int length = size;
        if (column.type == Type::Bool) {
            length = 1;
        } else if (column.type == Type::Text) {
            length = jet4 ? 2 * column.size : column.size;
        } else if (size < 0) {
            length = 0;
        }
        const int shift = jet4 ? 4 : 0;  // Jet 4 has four more bytes after the type
        page[at] = static_cast<char>(column.type);
        put16(page, at + 1 + shift, number);
        put16(page, at + 3 + shift, static_cast<quint32>(std::max(varIndex, 0)));
        put16(page, at + 5 + shift, number);
        if (isText(column.type)) {
            put16(page, at + 7 + shift, 0x0409);  // general sort order
            if (!jet4) {
                put16(page, at + 9, static_cast<quint32>(m_options.codePage));
            }
        }
        page[at + (jet4 ? 15 : 13)] = static_cast<char>(flags);
        if (jet4 && isText(column.type) && m_options.compressedText) {
            page[at + 16] = 0x01;
        }
        put16(page, at + (jet4 ? 21 : 14), static_cast<quint32>(std::max(fixedOffset, 0)));
        put16(page, at + (jet4 ? 23 : 16), static_cast<quint32>(length));
    }

    static quint32 nextAutoNumber(const Table& table) {
        for (size_t i = 0; i < table.columns.size(); ++i) {
            if (!table.columns[i].autoNumber) {
                continue;
            }
            qint64 next = 1;
            for (const QVariantList& row : table.rows) {
                next = std::max(next, row[static_cast<qsizetype>(i)].toLongLong() + 1);
            }
            return static_cast<quint32>(next);
        }
        return 0;
    }

    QByteArray header() const {
        const bool jet4 = m_format.jet4;
        QByteArray page(m_format.pageSize, '\0');
        page[1] = 0x01;
        std::memcpy(page.data() + 4, "Standard Jet DB", 15);
        put32(page, 0x14, jet4 ? 1 : 0);
        put16(page, jet4 ? 0x6e : 0x3a, 0x0415);  // Polish sort order
        put16(page, 0x3c, static_cast<quint32>(m_options.codePage));
        put32(page, 0x3e, 0);  // no key: the other pages are not encoded
        if (jet4) {
            // The password (UTF-16, 20 characters) masked with the whole days of the creation
            // date, so even a file without one has bytes there.
            const double created = jetDate(QDate(2004, 3, 15)) + 0.5;
            putDouble(page, 0x72, created);
            QByteArray password = utf16(m_options.password.left(20));
            password.append(40 - password.size(), '\0');
            QByteArray mask(4, '\0');
            put32(mask, 0, static_cast<quint32>(static_cast<qint32>(created)));
            for (int i = 0; i < 40; ++i) {
                page[0x42 + i] = static_cast<char>(password[i] ^ mask[i % 4]);
            }
        } else {
            const QByteArray password = windows1250(m_options.password.left(20));
            std::memcpy(page.data() + 0x42, password.constData(),
                        static_cast<size_t>(password.size()));
        }
        rc4(kHeaderKey, page.data() + 0x18, jet4 ? 128 : 126);
        return page;
    }

    const Options& m_options;
    Format m_format;
    PageFile m_file;
};

// ---- the old diary ------------------------------------------------------------------------

struct Database {
    sqlite3* db = nullptr;
    ~Database() { sqlite3_close(db); }
};

QVariant valueOf(sqlite3_stmt* statement, int i, Type type) {
    if (sqlite3_column_type(statement, i) == SQLITE_NULL) {
        return {};
    }
    const auto text = [&] {
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, i)));
    };
    switch (type) {
        case Type::Bool:
            return sqlite3_column_int64(statement, i) != 0;
        case Type::Byte:
        case Type::Integer:
        case Type::Long:
            return qlonglong(sqlite3_column_int64(statement, i));
        case Type::Double:
            return sqlite3_column_double(statement, i);
        case Type::DateTime:
            return QDate::fromString(text(), Qt::ISODate);
        default:
            return text();
    }
}

}  // namespace

QByteArray jetBytes(const std::vector<Table>& tables, const Options& options) {
    return Writer(options).write(tables);
}

void writeJetFile(const QString& path, const std::vector<Table>& tables, const Options& options) {
    const QByteArray bytes = jetBytes(tables, options);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes) != bytes.size()) {
        fail(u"cannot write %1"_s.arg(path));
    }
}

double jetDate(const QDate& date) {
    return static_cast<double>(QDate(1899, 12, 30).daysTo(date));
}

std::vector<Table> oldDiaryLayout() {
    const auto key = [](const char* name) {
        return Column{QString::fromLatin1(name), Type::Long, 0, true};
    };
    const auto column = [](const char* name, Type type, int size = 50) {
        return Column{QString::fromLatin1(name), type, size, false};
    };
    return {
        {u"Sezony"_s, {key("Id_sezonu"), column("Sezon", Type::Text, 7)}, {}},
        {u"Kluby"_s, {key("Id_klubu"), column("Druzyna", Type::Text)}, {}},
        {u"Rozgrywki"_s,
         {key("Id_rozgrywki"), column("Nazwa", Type::Text), column("Oficjalny", Type::Bool)},
         {}},
        {u"Jak"_s, {key("Id_jak"), column("Jak", Type::Text), column("CzySam", Type::Bool)}, {}},
        {u"Gracze"_s,
         {key("Id_gracza"), column("Imie", Type::Text), column("Nazwisko", Type::Text),
          column("Przydomek", Type::Text)},
         {}},
        {u"Mecze"_s,
         {key("Id_meczu"), column("Id_sezonu", Type::Long), column("Data", Type::DateTime),
          column("Gdzie", Type::Text, 1), column("Id_klubu", Type::Long),
          column("Wyn1", Type::Byte), column("Wyn2", Type::Byte),
          column("Id_rozgrywki", Type::Long), column("Komentarz", Type::Memo)},
         {}},
        {u"Bramki"_s,
         {column("Id_meczu", Type::Long), column("Nr_pozycji", Type::Integer),
          column("Czy_Mirvola", Type::Bool), column("Id_gracza", Type::Long),
          column("Minuta", Type::Byte), column("Id_jak", Type::Long)},
         {}},
    };
}

std::vector<Table> oldDiaryTables(const QString& diaryPath) {
    Database source;
    if (sqlite3_open_v2(diaryPath.toUtf8().constData(), &source.db, SQLITE_OPEN_READONLY,
                        nullptr) != SQLITE_OK) {
        fail(u"cannot open %1"_s.arg(diaryPath));
    }
    std::vector<Table> tables = oldDiaryLayout();
    for (Table& t : tables) {
        QStringList names;
        for (const Column& c : t.columns) {
            names << c.name;
        }
        const QString order = t.name == u"Bramki"_s ? u"Id_meczu, Nr_pozycji"_s : names.first();
        const QByteArray sql =
            (u"SELECT "_s + names.join(u", "_s) + u" FROM "_s + t.name + u" ORDER BY "_s + order)
                .toUtf8();
        sqlite3_stmt* raw = nullptr;
        if (sqlite3_prepare_v2(source.db, sql.constData(), -1, &raw, nullptr) != SQLITE_OK) {
            fail(QString::fromUtf8(sqlite3_errmsg(source.db)));
        }
        const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> statement(raw,
                                                                              sqlite3_finalize);
        while (sqlite3_step(raw) == SQLITE_ROW) {
            QVariantList row;
            for (int i = 0; i < static_cast<int>(t.columns.size()); ++i) {
                row << valueOf(raw, i, t.columns[static_cast<size_t>(i)].type);
            }
            t.rows.push_back(std::move(row));
        }
    }
    return tables;
}

Table& table(std::vector<Table>& tables, const QString& name) {
    for (Table& t : tables) {
        if (t.name == name) {
            return t;
        }
    }
    fail(u"no table %1"_s.arg(name));
}

}  // namespace jetfile
