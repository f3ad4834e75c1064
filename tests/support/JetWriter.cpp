#include "support/JetWriter.h"

#include <QFile>
#include <QStringEncoder>
#include <QStringList>

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <deque>
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

void put(QByteArray& out, int at, quint64 value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out[at + i] = static_cast<char>((value >> (8 * i)) & 0xff);
    }
}
void putDouble(QByteArray& out, int at, double value) {
    quint64 bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    put(out, at, bits, 8);
}
QByteArray le(quint64 value, int bytes) {
    QByteArray out(bytes, '\0');
    put(out, 0, value, bytes);
    return out;
}

// A Jet date: days since 30 December 1899.
double jetDate(const QDate& date) {
    return static_cast<double>(QDate(1899, 12, 30).daysTo(date));
}

// ---- the two formats ----------------------------------------------------------------------

struct Format {
    bool jet4;
    int pageSize;
    int rowCountAt;     // data pages: the row count, followed by the row offsets
    int columnEntry;    // bytes per column in a table definition
    int usageMapBytes;  // the size of a table's usage map

    int firstRowAt() const { return rowCountAt + 2; }
    int maxRow() const { return pageSize - firstRowAt() - 2; }  // the longest row a page takes
};

Format formatOf(Version version) {
    return version == Version::Jet4 ? Format{true, 4096, 0x0c, 25, 64}
                                    : Format{false, 2048, 0x08, 18, 128};
}

// The header page is masked from 0x18 on with RC4 under a fixed key.
void maskHeader(char* data, int length) {
    constexpr std::array<unsigned char, 4> key{0xC7, 0xDA, 0x39, 0x6B};
    std::array<unsigned char, 256> s{};
    for (size_t i = 0; i < s.size(); ++i) {
        s[i] = static_cast<unsigned char>(i);
    }
    for (size_t i = 0, j = 0; i < s.size(); ++i) {
        j = (j + s[i] + key[i % key.size()]) & 0xff;
        std::swap(s[i], s[j]);
    }
    for (size_t n = 0, i = 0, j = 0; n < static_cast<size_t>(length); ++n) {
        i = (i + 1) & 0xff;
        j = (j + s[i]) & 0xff;
        std::swap(s[i], s[j]);
        data[n] = static_cast<char>(data[n] ^ s[(s[i] + s[j]) & 0xff]);
    }
}

// ---- texts --------------------------------------------------------------------------------

QByteArray windows1250(const QString& text) {
    QStringEncoder cp1250("windows-1250");  // Qt's ICU conversions
    const QByteArray out = cp1250.encode(text);
    if (!cp1250.isValid() || cp1250.hasError()) {
        fail(u"'%1' has no Windows-1250 code"_s.arg(text));
    }
    return out;
}

QByteArray utf16(const QString& text) {  // little-endian hosts only
    return {reinterpret_cast<const char*>(text.utf16()), 2 * text.size()};
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
        if ((u < 0x100) != oneByte) {
            out += '\0';
            oneByte = u < 0x100;
        }
        out += oneByte ? QByteArray(1, static_cast<char>(u)) : le(u, 2);
    }
    return out;
}

// ---- pages --------------------------------------------------------------------------------

using Pages = std::deque<QByteArray>;  // references to pages stay valid while pages are added

int newPage(Pages& pages, const Format& format) {
    pages.emplace_back(format.pageSize, '\0');
    return static_cast<int>(pages.size()) - 1;
}

// Rows on pages of one kind (a table's data pages, long values, usage maps): each page holds
// its rows from its end towards its header, and the offsets of the rows after the header.
class RowPages {
  public:
    RowPages(Pages& file, const Format& format, QByteArray owner, int firstPage = -1)
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
        if (m_page < 0 || m_rows == 255 ||
            m_end - row.size() < m_format.firstRowAt() + 2 * (m_rows + 1)) {
            open(newPage(m_file, m_format));
        }
        QByteArray& page = m_file[m_page];
        m_end -= row.size();
        page.replace(m_end, row.size(), row);
        put(page, m_format.firstRowAt() + 2 * m_rows++, m_end, 2);
        put(page, m_format.rowCountAt, m_rows, 2);
        put(page, 2, m_end - (m_format.firstRowAt() + 2 * m_rows), 2);
        return m_page << 8 | (m_rows - 1);
    }

    std::vector<int> pages;

  private:
    void open(int page) {
        m_page = page;
        pages.push_back(page);
        m_rows = 0;
        m_end = m_format.pageSize;
        m_file[page].replace(0, 8,
                             QByteArray("\x01\x01\0\0", 4) + m_owner);  // its free space: add()
    }

    Pages& m_file;
    const Format& m_format;
    QByteArray m_owner;  // the table definition's page number, or "LVAL"
    int m_page = -1;
    int m_rows = 0;
    int m_end = 0;
};

// ---- tables -------------------------------------------------------------------------------

// The bytes of a value in a row's fixed part, by type code: none for Bool, whose value lives in
// the null mask; -1 for texts and memos, which lie in the variable part.
int fixedSize(Type type) {
    constexpr std::array<int, 13> kSizes{-1, 0, 1, 2, 4, 8, 4, 8, 8, -1, -1, -1, -1};
    return kSizes.at(static_cast<size_t>(type));
}

// Where each column's value lies in a row: fixed columns at an offset of the fixed part,
// variable columns by their number among the variable ones.
struct Layout {
    std::vector<int> place;
    std::vector<int> varColumns;  // column numbers by variable number
    int fixedBytes = 0;
};

Layout layoutOf(const Table& table) {
    Layout layout;
    for (const Column& column : table.columns) {
        const int size = fixedSize(column.type);
        if (size >= 0) {
            layout.place.push_back(layout.fixedBytes);
            layout.fixedBytes += size;
        } else {
            layout.place.push_back(static_cast<int>(layout.varColumns.size()));
            layout.varColumns.push_back(static_cast<int>(layout.place.size()) - 1);
        }
    }
    return layout;
}

class Writer {
  public:
    explicit Writer(const Options& options)
        : m_options(options), m_format(formatOf(options.version)) {}

    QByteArray write(const std::vector<Table>& tables) {
        // 0: the header; 1: usage maps; 2: the definition of the catalog.
        for (int page = 0; page < 3; ++page) {
            newPage(m_file, m_format);
        }
        m_file[0] = header();
        RowPages maps(m_file, m_format, le(0, 4), 1);
        // The catalog: one row per table, MSysObjects itself flagged as a system table. libmdb
        // needs no more of its columns than these; it reads no properties (LvProp) from a memo.
        Table catalog{u"MSysObjects"_s,
                      {{u"Id"_s},
                       {u"Name"_s, Type::Text, 255},
                       {u"Type"_s, Type::Integer},
                       {u"Flags"_s},
                       {u"LvProp"_s, Type::Memo}},
                      {{2, u"MSysObjects"_s, 1, static_cast<qint32>(0x80000002u), QVariant()}}};
        for (const Table& table : tables) {
            const int page = newPage(m_file, m_format);
            catalog.rows.push_back({page, table.name, 1, 0, QVariant()});
            place(table, page, false, maps);
        }
        place(catalog, 2, true, maps);
        QByteArray out;
        for (const QByteArray& page : m_file) {
            out += page;
        }
        return out;
    }

  private:
    void place(const Table& table, int definitionPage, bool system, RowPages& maps) {
        const Layout layout = layoutOf(table);
        RowPages data(m_file, m_format, le(definitionPage, 4));
        RowPages longValues(m_file, m_format, QByteArrayLiteral("LVAL"));
        for (const QVariantList& values : table.rows) {
            data.add(row(table, layout, values, longValues));
        }
        const quint32 used = maps.add(usageMap(data.pages));
        // Pages with free space: none, the file is written once.
        const quint32 free = maps.add(QByteArray(m_format.usageMapBytes, '\0'));
        m_file[definitionPage] = definition(table, layout, used, free, system);
    }

    QByteArray text(const QString& value, bool mayCompress) const {
        if (!m_format.jet4) {
            return windows1250(value);
        }
        const QByteArray compressed =
            m_options.compressedText && mayCompress ? compressedUtf16(value) : QByteArray();
        return !compressed.isEmpty() && compressed.size() < 2 * value.size() ? compressed
                                                                             : utf16(value);
    }

    // A memo: its 12-byte head (length with flags, where the value lies) followed by the
    // value itself when it is short enough to stay inside the row.
    QByteArray memo(const QByteArray& bytes, RowPages& longValues) const {
        const auto length = bytes.size();
        QByteArray head(12, '\0');
        if (length <= 64) {
            put(head, 0, length | 0x80000000u, 4);
            return head + bytes;
        }
        if (bytes.size() <= m_format.maxRow()) {
            put(head, 0, length | 0x40000000u, 4);
            put(head, 4, longValues.add(bytes), 4);
            return head;
        }
        // A chain of rows, each naming the next; written from the last so that each knows it.
        const int chunk = m_format.maxRow() - 4;
        quint32 next = 0;
        for (qsizetype from = (length - 1) / chunk * chunk; from >= 0; from -= chunk) {
            next = longValues.add(le(next, 4) + bytes.mid(from, chunk));
        }
        put(head, 0, length, 4);
        put(head, 4, next, 4);
        return head;
    }

    QByteArray variableValue(const Column& column, const QVariant& stored,
                             RowPages& longValues) const {
        if (column.type == Type::Ole) {
            // Kept like a memo, as bytes.
            return memo(stored.toByteArray(), longValues);
        }
        const QString value = stored.toString();
        if (column.type == Type::Memo) {
            // Only memos of up to 1024 characters may be compressed.
            return memo(text(value, value.size() <= 1024), longValues);
        }
        if (value.size() > column.size) {
            fail(u"'%1' is longer than column %2"_s.arg(value, column.name));
        }
        return text(value, true);
    }

    void putFixed(QByteArray& row, int at, const Column& column, const QVariant& value) const {
        if (column.type == Type::Double || column.type == Type::DateTime) {
            // A date as days; a number as it is (for dates: the time of day as a fraction).
            putDouble(
                row, at,
                value.typeId() == QMetaType::QDate ? jetDate(value.toDate()) : value.toDouble());
        } else if (column.type == Type::Float) {
            const float single = value.toFloat();
            quint32 bits = 0;
            std::memcpy(&bits, &single, sizeof bits);
            put(row, at, bits, 4);
        } else if (column.type == Type::Money) {
            // Ten-thousandths, as a 64-bit whole number.
            put(row, at, static_cast<quint64>(std::llround(value.toDouble() * 10000)), 8);
        } else {
            put(row, at, value.toLongLong(), fixedSize(column.type));
        }
    }

    QByteArray row(const Table& table, const Layout& layout, const QVariantList& values,
                   RowPages& longValues) const {
        const int columns = static_cast<int>(table.columns.size());
        if (values.size() != columns) {
            fail(u"a row of table %1 with %2 values"_s.arg(table.name).arg(values.size()));
        }
        const int countBytes = m_format.jet4 ? 2 : 1;  // of counts and offsets in the row
        QByteArray out = le(columns, countBytes);
        out.append(layout.fixedBytes, '\0');
        QByteArray nullMask((columns + 7) / 8, '\0');
        for (int i = 0; i < columns; ++i) {
            const Column& column = table.columns[i];
            const QVariant& value = values[i];
            const bool present = !value.isNull() && (column.type != Type::Bool || value.toInt());
            if (present) {
                nullMask[i / 8] = static_cast<char>(nullMask[i / 8] | (1 << (i % 8)));
            }
            if (present && fixedSize(column.type) > 0) {
                putFixed(out, countBytes + layout.place[i], column, value);
            }
        }
        if (layout.varColumns.empty()) {
            return out + nullMask;
        }
        std::vector<int> offsets;
        for (const int i : layout.varColumns) {
            offsets.push_back(static_cast<int>(out.size()));
            if (!values[i].isNull()) {
                out += variableValue(table.columns[i], values[i], longValues);
            }
        }
        offsets.push_back(static_cast<int>(out.size()));  // where the variable part ends
        // The offsets, the end first, then the number of variable columns.
        for (auto o = offsets.rbegin(); o != offsets.rend(); ++o) {
            out += le(*o, countBytes);
        }
        out += le(offsets.size() - 1, countBytes);
        if (!m_format.jet4 && out.size() + nullMask.size() > 256) {
            fail(u"a Jet 3 row of table %1 needs a jump table, which this writer does not write"_s
                     .arg(table.name));
        }
        return out + nullMask;
    }

    // A usage map listing `pages`: the pages' bits inside the map when they lie close enough
    // together, else pointers to bitmap pages that each cover a stretch of the file.
    QByteArray usageMap(const std::vector<int>& pages) {
        const int bits = (m_format.usageMapBytes - 5) * 8;
        QByteArray map(m_format.usageMapBytes, '\0');
        const auto setBit = [](QByteArray& bytes, int at, int bit) {
            bytes[at + bit / 8] = static_cast<char>(bytes[at + bit / 8] | (1 << (bit % 8)));
        };
        if (!m_options.indirectUsageMaps &&
            (pages.empty() || pages.back() - pages.front() < bits)) {
            const int start = pages.empty() ? 0 : pages.front();
            put(map, 1, start, 4);
            for (const int page : pages) {
                setBit(map, 5, page - start);
            }
            return map;
        }
        map[0] = 0x01;
        const int perPage = (m_format.pageSize - 4) * 8;
        std::map<int, int> bitmapPages;
        for (const int page : pages) {
            const int slot = page / perPage;
            if (slot >= (m_format.usageMapBytes - 1) / 4) {
                fail(u"page %1 lies beyond what a usage map covers"_s.arg(page));
            }
            if (!bitmapPages.contains(slot)) {
                bitmapPages[slot] = newPage(m_file, m_format);
                m_file.back().replace(0, 2, "\x05\x01");
                put(map, 1 + 4 * slot, bitmapPages[slot], 4);
            }
            setBit(m_file[bitmapPages[slot]], 4, page % perPage);
        }
        return map;
    }

    QByteArray definition(const Table& table, const Layout& layout, quint32 usedMap,
                          quint32 freeMap, bool system) const {
        const bool jet4 = m_format.jet4;
        QByteArray page(m_format.pageSize, '\0');
        page.replace(0, 4, jet4 ? QByteArray("\x02\x01\0\0", 4) : QByteArray("\x02\x01VC"));
        // The fields from the row count on lie 4 bytes further in Jet 4, from the type on 20.
        const int typeAt = jet4 ? 40 : 20;
        const int columns = static_cast<int>(table.columns.size());
        put(page, jet4 ? 16 : 12, table.rows.size(), 4);
        if (jet4) {
            page[24] = 0x01;
        }
        page[typeAt] = system ? 0x53 : 0x4e;
        put(page, typeAt + 1, columns, 2);
        put(page, typeAt + 3, layout.varColumns.size(), 2);
        put(page, typeAt + 5, columns, 2);
        // No indexes (typeAt + 7, + 11), then the two usage maps.
        put(page, typeAt + 15, usedMap, 4);
        put(page, typeAt + 19, freeMap, 4);
        QByteArray names;
        const int shift = jet4 ? 4 : 0;  // Jet 4 has four more bytes after a column's type
        for (int i = 0; i < columns; ++i) {
            const Column& column = table.columns[i];
            const int at = typeAt + 23 + i * m_format.columnEntry;
            const int size = fixedSize(column.type);
            const bool isText = column.type == Type::Text || column.type == Type::Memo;
            page[at] = static_cast<char>(column.type);
            put(page, at + 1 + shift, i, 2);
            put(page, at + 3 + shift, size < 0 ? layout.place[i] : 0, 2);
            put(page, at + 5 + shift, i, 2);
            if (isText) {
                put(page, at + 7 + shift, 0x0409, 2);  // general sort order
                if (!jet4) {
                    put(page, at + 9, m_options.codePage, 2);
                }
            }
            page[at + (jet4 ? 15 : 13)] = size >= 0 ? 0x03 : 0x02;  // fixed, may be Null
            if (jet4 && isText && m_options.compressedText) {
                page[at + 16] = 0x01;
            }
            put(page, at + (jet4 ? 21 : 14), size >= 0 ? layout.place[i] : 0, 2);
            put(page, at + (jet4 ? 23 : 16),
                column.type == Type::Bool   ? 1
                : column.type == Type::Text ? (jet4 ? 2 : 1) * column.size
                                            : std::max(size, 0),
                2);
            const QByteArray name = jet4 ? utf16(column.name) : windows1250(column.name);
            names += le(name.size(), jet4 ? 2 : 1) + name;
        }
        names += le(0xffff, 2);  // no long value maps of columns follow
        const int namesAt = typeAt + 23 + columns * m_format.columnEntry;
        const int end = namesAt + static_cast<int>(names.size());
        if (end > m_format.pageSize) {
            fail(u"table %1 is too wide for one definition page"_s.arg(table.name));
        }
        page.replace(namesAt, names.size(), names);
        put(page, 8, end - 8, 4);
        if (jet4) {
            put(page, 2, m_format.pageSize - end - 8, 2);
        }
        return page;
    }

    QByteArray header() const {
        const bool jet4 = m_format.jet4;
        QByteArray page(m_format.pageSize, '\0');
        page.replace(0, 19, QByteArray("\0\x01\0\0Standard Jet DB", 19));
        put(page, 0x14, jet4 ? 1 : 0, 4);
        put(page, jet4 ? 0x6e : 0x3a, 0x0415, 2);  // Polish sort order
        put(page, 0x3c, m_options.codePage, 2);
        // 0x3e: no key, the other pages are not encoded.
        if (jet4) {
            // The password (UTF-16, 20 characters) masked with the whole days of the creation
            // date, so even a file without one has bytes there.
            const double created = jetDate(QDate(2004, 3, 15)) + 0.5;
            putDouble(page, 0x72, created);
            QByteArray password = utf16(m_options.password.left(20));
            password.append(40 - password.size(), '\0');
            const QByteArray mask = le((static_cast<qint32>(created)), 4);
            for (int i = 0; i < 40; ++i) {
                page[0x42 + i] = static_cast<char>(password[i] ^ mask[i % 4]);
            }
        } else {
            const QByteArray password = windows1250(m_options.password.left(20));
            page.replace(0x42, password.size(), password);
        }
        maskHeader(page.data() + 0x18, jet4 ? 128 : 126);
        return page;
    }

    const Options& m_options;
    Format m_format;
    Pages m_file;
};

}  // namespace

void writeJetFile(const QString& path, const std::vector<Table>& tables, const Options& options) {
    const QByteArray bytes = Writer(options).write(tables);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes) != bytes.size()) {
        fail(u"cannot write %1"_s.arg(path));
    }
}

std::vector<Table> oldDiaryLayout() {
    const auto c = [](const char* name, Type type = Type::Long, int size = 50) {
        return Column{QString::fromLatin1(name), type, size};
    };
    const Type text = Type::Text;
    return {
        {u"Sezony"_s, {c("Id_sezonu"), c("Sezon", text, 7)}, {}},
        {u"Kluby"_s, {c("Id_klubu"), c("Druzyna", text)}, {}},
        {u"Rozgrywki"_s, {c("Id_rozgrywki"), c("Nazwa", text), c("Oficjalny", Type::Bool)}, {}},
        {u"Jak"_s, {c("Id_jak"), c("Jak", text), c("CzySam", Type::Bool)}, {}},
        {u"Gracze"_s,
         {c("Id_gracza"), c("Imie", text), c("Nazwisko", text), c("Przydomek", text)},
         {}},
        {u"Mecze"_s,
         {c("Id_meczu"), c("Id_sezonu"), c("Data", Type::DateTime), c("Gdzie", text, 1),
          c("Id_klubu"), c("Wyn1", Type::Byte), c("Wyn2", Type::Byte), c("Id_rozgrywki"),
          c("Komentarz", Type::Memo)},
         {}},
        {u"Bramki"_s,
         {c("Id_meczu"), c("Nr_pozycji", Type::Integer), c("Czy_Mirvola", Type::Bool),
          c("Id_gracza"), c("Minuta", Type::Byte), c("Id_jak")},
         {}},
    };
}

std::vector<Table> oldDiaryTables(const QString& diaryPath) {
    sqlite3* raw = nullptr;
    const int opened =
        sqlite3_open_v2(diaryPath.toUtf8().constData(), &raw, SQLITE_OPEN_READONLY, nullptr);
    const std::unique_ptr<sqlite3, int (*)(sqlite3*)> source(raw, sqlite3_close);
    if (opened != SQLITE_OK) {
        fail(u"cannot open %1"_s.arg(diaryPath));
    }
    std::vector<Table> tables = oldDiaryLayout();
    for (Table& t : tables) {
        QStringList names;
        for (const Column& c : t.columns) {
            names << c.name;
        }
        // By key: the first column, for goals the first two.
        const QByteArray sql =
            (u"SELECT "_s + names.join(u", "_s) + u" FROM "_s + t.name + u" ORDER BY 1, 2"_s)
                .toUtf8();
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(raw, sql.constData(), -1, &statement, nullptr) != SQLITE_OK) {
            fail(QString::fromUtf8(sqlite3_errmsg(raw)));
        }
        const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> finalize(statement,
                                                                             sqlite3_finalize);
        while (sqlite3_step(statement) == SQLITE_ROW) {
            QVariantList row;
            for (int i = 0; i < static_cast<int>(t.columns.size()); ++i) {
                const Type type = t.columns[i].type;
                const auto text = [&] {
                    return QString::fromUtf8(
                        reinterpret_cast<const char*>(sqlite3_column_text(statement, i)));
                };
                row << (sqlite3_column_type(statement, i) == SQLITE_NULL ? QVariant()
                        : type == Type::DateTime ? QDate::fromString(text(), Qt::ISODate)
                        : type == Type::Text || type == Type::Memo
                            ? QVariant(text())
                            : QVariant(qlonglong(sqlite3_column_int64(statement, i))));
            }
            t.rows.push_back(std::move(row));
        }
    }
    return tables;
}

void addUserAdditions(std::vector<Table>& tables, int notes) {
    Table& mecze = table(tables, u"Mecze"_s);
    mecze.columns.push_back({u"Widzowie"_s, Type::Long});
    mecze.columns.push_back({u"Zdjecie"_s, Type::Ole});
    for (QVariantList& row : mecze.rows) {
        const qlonglong id = row[0].toLongLong();
        row << (id == 3 ? QVariant() : QVariant(id * 100));
        row << QVariant(QByteArray("OLE") + QByteArray::number(id));
    }
    Table notatki{u"Notatki"_s,
                  {{u"Id"_s},
                   {u"Tytul"_s, Type::Text, 40},
                   {u"Tresc"_s, Type::Memo},
                   {u"Kiedy"_s, Type::DateTime},
                   {u"Wazne"_s, Type::Bool},
                   {u"Koszt"_s, Type::Money},
                   {u"Ocena"_s, Type::Float},
                   {u"Skan"_s, Type::Ole}},
                  {}};
    for (int n = 1; n <= notes; ++n) {
        // Days since 30 December 1899, with a quarter past six in the evening.
        const double when = 36526 + n + 0.7604166666666666;
        notatki.rows.push_back({n, u"Notatka %1 – żółć"_s.arg(n),
                                n % 5 == 0 ? QVariant() : QVariant(u"Treść\r\nnotatki %1"_s.arg(n)),
                                when, n % 2 == 1, n * 1.25, n / 2.0,
                                QVariant(QByteArray("skan") + QByteArray::number(n))});
    }
    tables.push_back(std::move(notatki));
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
