#pragma once

#include <QString>
#include <QVariant>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct sqlite3_stmt;

namespace engine {

// How a recordset presents a column's values: as stored, as a date, or as a yes/no value
// (-1/0).
enum class Kind : unsigned char { Plain, Date, YesNo };

// The values of a recordset, row after row, kept compact: a long diary's lists hold hundreds of
// thousands of values, and a QVariant with a string of its own for each of them made a
// recordset several times the size of its text. Numbers and dates are kept in place and texts
// as UTF-8 in one buffer; a short text that repeats in a column (a season, a competition, a
// score) is kept once, and reading it again gives the same shared string.
class ResultCells {
  public:
    explicit ResultCells(int columns = 0);

    int rows() const { return m_columns == 0 ? 0 : static_cast<int>(m_cells.size()) / m_columns; }

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
                std::uint32_t offset;
                std::uint32_t size;
            } bytes;
        };
        Type type = Type::Null;
    };
    struct Recent {
        std::uint32_t offset = 0;
        std::uint32_t size = 0;
        bool used = false;
    };
    struct Decoded {
        std::uint32_t offset = 0;
        bool used = false;
        QString text;
    };
    static constexpr std::size_t kSlots = 61;
    static constexpr int kLongest = 48;  // longer texts (comments) rarely repeat

    Cell& appendCell();
    Cell bytesCell(const char* data, int size, Type type, int column);

    int m_columns;
    std::vector<Cell> m_cells;
    std::string m_bytes;
    // Per column, created on the first short text: where recent texts are kept, and the
    // strings recently made of them.
    std::vector<std::vector<Recent>> m_recent;
    mutable std::vector<std::vector<Decoded>> m_decoded;
};

}  // namespace engine
