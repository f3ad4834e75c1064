#pragma once

#include <QDate>
#include <QString>
#include <QVariant>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct sqlite3_stmt;

namespace engine {

// How a recordset presents a column's values: as stored, as a date, or as a yes/no value
// (-1/0).
enum class Kind : unsigned char { Plain, Date, YesNo };

// A date stored as "yyyy-MM-dd" (anything after the day is ignored), or an invalid date.
QDate parseIsoDate(const char* text, int length);

// A yes/no value stored as text by another program ("True", "-1", "no", "0.0"...) as -1/0,
// or nothing when the text is neither.
std::optional<qint64> yesNoFromText(QStringView text);

// The values of a recordset, row after row, kept compact: a long diary's lists hold hundreds of
// thousands of values, and a QVariant with a string of its own for each of them made a
// recordset several times the size of its text. Numbers and dates are kept in place and texts
// as UTF-8; a short text that repeats in a column (a season, a competition, a score) is kept
// once, and reading it again gives the same shared string. Both are kept in blocks that a
// growing result never copies: small ones first, so that a query of a few rows takes little,
// then blocks of 64 kB.
class ResultCells {
  public:
    explicit ResultCells(int columns = 0);

    int rows() const { return m_columns == 0 ? 0 : static_cast<int>(m_count) / m_columns; }

    // Appends column `index` of the statement's current row as the next value.
    void append(sqlite3_stmt* stmt, int index, Kind kind);
    // Appends one value of the kinds value() gives.
    void append(const QVariant& value);
    void set(int row, int column, const QVariant& value);

    QVariant value(int row, int column) const;
    // The first row whose value in `column` is a number equal to `number`; -1 for none. As in
    // SQLite, a text never equals a number.
    int findNumber(int column, double number) const;

    void clear();

  private:
    enum class Type : std::uint8_t { Null, Integer, Real, Text, Blob, Date };
    struct Cell {
        union {
            qint64 integer;
            double real;
            struct {
                std::uint32_t at;  // block << 16 | offset in the block
                std::uint32_t size;
            } bytes;
        };
        Type type = Type::Null;
    };
    struct Recent {
        std::uint32_t at = 0;
        std::uint32_t size = 0;
        bool used = false;
    };
    struct Decoded {
        std::uint32_t at = 0;
        bool used = false;
        QString text;
    };
    static constexpr std::size_t kSlots = 61;
    static constexpr int kLongest = 48;  // longer texts (comments) rarely repeat
    static constexpr std::size_t kFirstCells = 64;
    static constexpr std::size_t kGrowingBlocks = 6;
    static constexpr std::size_t kCellsPerBlock = 4096;  // from the seventh block on
    static constexpr std::size_t kFirstBytes = 1024;
    static constexpr std::size_t kBytesPerBlock = 65536;

    static std::pair<std::size_t, std::size_t> blockOf(std::size_t index);
    Cell& cellAt(std::size_t index);
    const Cell& cellAt(int row, int column) const;
    Cell& appendCell();
    Cell bytesCell(const char* data, int size, Type type, int column);
    std::uint32_t store(const char* data, std::size_t size);
    const char* bytesAt(std::uint32_t at) const;

    int m_columns;
    std::vector<std::unique_ptr<Cell[]>> m_cells;
    std::size_t m_count = 0;
    std::vector<std::unique_ptr<char[]>> m_bytes;
    std::size_t m_capacity = 0;  // of the last block of bytes
    std::size_t m_used = 0;      // in it
    // Per column, created on the first short text: where recent texts are kept, and the
    // strings recently made of them.
    std::vector<std::vector<Recent>> m_recent;
    mutable std::vector<std::vector<Decoded>> m_decoded;
};

}  // namespace engine
