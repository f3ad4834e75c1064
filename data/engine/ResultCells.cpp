#include "data/engine/ResultCells.h"

#include <QByteArray>
#include <QDate>

#include <sqlite3.h>

#include <algorithm>
#include <bit>
#include <cstring>

namespace engine {
namespace {

std::size_t hashOf(const char* data, int size) {
    std::size_t h = 14695981039346656037ULL;  // FNV-1a
    for (int i = 0; i < size; ++i) {
        h = (h ^ static_cast<unsigned char>(data[i])) * 1099511628211ULL;
    }
    return h;
}

}  // namespace

QDate parseIsoDate(const char* text, int length) {
    if (length < 10 || text[4] != '-' || text[7] != '-') {
        return {};
    }
    int parts[3] = {0, 0, 0};
    const int starts[3] = {0, 5, 8};
    const int lengths[3] = {4, 2, 2};
    for (int p = 0; p < 3; ++p) {
        for (int i = 0; i < lengths[p]; ++i) {
            const char c = text[starts[p] + i];
            if (c < '0' || c > '9') {
                return {};
            }
            parts[p] = parts[p] * 10 + (c - '0');
        }
    }
    return QDate(parts[0], parts[1], parts[2]);
}

std::optional<qint64> yesNoFromText(QStringView text) {
    const QStringView t = text.trimmed();
    for (const char* yes : {"true", "yes", "on", "-1"}) {
        if (t.compare(QLatin1String(yes), Qt::CaseInsensitive) == 0) {
            return -1;
        }
    }
    for (const char* no : {"false", "no", "off", "0"}) {
        if (t.compare(QLatin1String(no), Qt::CaseInsensitive) == 0) {
            return 0;
        }
    }
    bool ok = false;
    const double number = t.toDouble(&ok);
    if (ok) {
        return number != 0 ? -1 : 0;
    }
    return std::nullopt;
}

ResultCells::ResultCells(int columns)
    : m_columns(columns),
      m_recent(static_cast<std::size_t>(columns)),
      m_decoded(static_cast<std::size_t>(columns)) {}

// The block of a cell and its place in it: blocks of 64, 128, ... 2048 cells, then 4096.
std::pair<std::size_t, std::size_t> ResultCells::blockOf(std::size_t index) {
    static_assert(kFirstCells << kGrowingBlocks == kCellsPerBlock);
    constexpr std::size_t growing = kCellsPerBlock - kFirstCells;
    if (index < growing) {
        const auto block = static_cast<std::size_t>(std::bit_width(index / kFirstCells + 1) - 1);
        return {block, index - kFirstCells * ((std::size_t{1} << block) - 1)};
    }
    return {kGrowingBlocks + (index - growing) / kCellsPerBlock,
            (index - growing) % kCellsPerBlock};
}

ResultCells::Cell& ResultCells::cellAt(std::size_t index) {
    const auto [block, offset] = blockOf(index);
    return m_cells[block][offset];
}

const ResultCells::Cell& ResultCells::cellAt(int row, int column) const {
    const auto [block, offset] =
        blockOf(static_cast<std::size_t>(row) * static_cast<std::size_t>(m_columns) +
                static_cast<std::size_t>(column));
    return m_cells[block][offset];
}

ResultCells::Cell& ResultCells::appendCell() {
    const auto [block, offset] = blockOf(m_count);
    if (block == m_cells.size()) {
        m_cells.push_back(std::make_unique<Cell[]>(block < kGrowingBlocks ? kFirstCells << block
                                                                          : kCellsPerBlock));
    }
    ++m_count;
    return m_cells[block][offset];
}

// Blocks of bytes grow from 1 kB to 64 kB; a longer text gets a block of its own.
std::uint32_t ResultCells::store(const char* data, std::size_t size) {
    if (size > m_capacity - m_used) {
        const std::size_t next =
            m_bytes.empty() ? kFirstBytes : std::min(2 * m_capacity, kBytesPerBlock);
        m_capacity = std::max(size, next);
        m_bytes.push_back(std::make_unique_for_overwrite<char[]>(m_capacity));
        m_used = 0;
    }
    const auto at = static_cast<std::uint32_t>(((m_bytes.size() - 1) << 16) | m_used);
    std::memcpy(m_bytes.back().get() + m_used, data, size);
    m_used += size;
    return at;
}

const char* ResultCells::bytesAt(std::uint32_t at) const {
    return m_bytes[at >> 16].get() + (at & 0xffff);
}

ResultCells::Cell ResultCells::bytesCell(const char* data, int size, Type type, int column) {
    Cell cell;
    cell.type = type;
    cell.bytes.at = 0;
    cell.bytes.size = static_cast<std::uint32_t>(size);
    if (size == 0) {
        return cell;
    }
    if (type == Type::Text && size <= kLongest) {
        auto& recent = m_recent[static_cast<std::size_t>(column)];
        if (recent.empty()) {
            recent.resize(kSlots);
        }
        Recent& slot = recent[hashOf(data, size) % kSlots];
        if (slot.used && slot.size == cell.bytes.size &&
            std::memcmp(bytesAt(slot.at), data, static_cast<std::size_t>(size)) == 0) {
            cell.bytes.at = slot.at;
            return cell;
        }
        cell.bytes.at = store(data, static_cast<std::size_t>(size));
        slot = {cell.bytes.at, cell.bytes.size, true};
        return cell;
    }
    cell.bytes.at = store(data, static_cast<std::size_t>(size));
    return cell;
}

void ResultCells::append(sqlite3_stmt* stmt, int index, Kind kind) {
    const int column = static_cast<int>(m_count % static_cast<std::size_t>(m_columns));
    switch (sqlite3_column_type(stmt, index)) {
        case SQLITE_INTEGER: {
            Cell& cell = appendCell();
            const qint64 number = sqlite3_column_int64(stmt, index);
            cell.type = Type::Integer;
            cell.integer = kind == Kind::YesNo ? (number != 0 ? -1 : 0) : number;
            return;
        }
        case SQLITE_FLOAT: {
            Cell& cell = appendCell();
            const double number = sqlite3_column_double(stmt, index);
            if (kind == Kind::YesNo) {
                cell.type = Type::Integer;
                cell.integer = number != 0 ? -1 : 0;
            } else {
                cell.type = Type::Real;
                cell.real = number;
            }
            return;
        }
        case SQLITE_TEXT: {
            const auto* data = reinterpret_cast<const char*>(sqlite3_column_text(stmt, index));
            const int size = sqlite3_column_bytes(stmt, index);
            if (kind == Kind::Date) {
                const QDate date = parseIsoDate(data, size);
                if (date.isValid()) {
                    Cell& cell = appendCell();
                    cell.type = Type::Date;
                    cell.integer = date.toJulianDay();
                    return;
                }
            }
            if (kind == Kind::YesNo) {
                if (const auto flag = yesNoFromText(QString::fromUtf8(data, size))) {
                    Cell& cell = appendCell();
                    cell.type = Type::Integer;
                    cell.integer = *flag;
                    return;
                }
            }
            const Cell cell = bytesCell(data, size, Type::Text, column);
            appendCell() = cell;
            return;
        }
        case SQLITE_BLOB: {
            const Cell cell = bytesCell(static_cast<const char*>(sqlite3_column_blob(stmt, index)),
                                        sqlite3_column_bytes(stmt, index), Type::Blob, column);
            appendCell() = cell;
            return;
        }
        default:
            appendCell();
            return;
    }
}

void ResultCells::append(const QVariant& value) {
    const std::size_t index = m_count;
    appendCell();
    const auto columns = static_cast<std::size_t>(m_columns);
    set(static_cast<int>(index / columns), static_cast<int>(index % columns), value);
}

void ResultCells::set(int row, int column, const QVariant& value) {
    Cell cell;
    switch (value.isNull() ? QMetaType::UnknownType : value.typeId()) {
        case QMetaType::UnknownType:
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            cell.type = Type::Real;
            cell.real = value.toDouble();
            break;
        case QMetaType::QDate:
            cell.type = Type::Date;
            cell.integer = value.toDate().toJulianDay();
            break;
        case QMetaType::QString: {
            const QByteArray text = value.toString().toUtf8();
            cell = bytesCell(text.constData(), static_cast<int>(text.size()), Type::Text, column);
            break;
        }
        case QMetaType::QByteArray: {
            const QByteArray bytes = value.toByteArray();
            cell = bytesCell(bytes.constData(), static_cast<int>(bytes.size()), Type::Blob, column);
            break;
        }
        default:
            cell.type = Type::Integer;
            cell.integer = value.toLongLong();
            break;
    }
    cellAt(static_cast<std::size_t>(row) * static_cast<std::size_t>(m_columns) +
           static_cast<std::size_t>(column)) = cell;
}

QVariant ResultCells::value(int row, int column) const {
    const Cell& cell = cellAt(row, column);
    switch (cell.type) {
        case Type::Null:
            return {};
        case Type::Integer:
            return QVariant(qlonglong(cell.integer));
        case Type::Real:
            return QVariant(cell.real);
        case Type::Date:
            return QVariant(QDate::fromJulianDay(cell.integer));
        case Type::Blob:
            return QVariant(
                cell.bytes.size == 0
                    ? QByteArray("")
                    : QByteArray(bytesAt(cell.bytes.at), static_cast<qsizetype>(cell.bytes.size)));
        case Type::Text:
            break;
    }
    const auto size = static_cast<qsizetype>(cell.bytes.size);
    if (size == 0) {
        return QVariant(QString(QLatin1String("")));
    }
    const char* data = bytesAt(cell.bytes.at);
    if (size > kLongest) {
        return QVariant(QString::fromUtf8(data, size));
    }
    auto& decoded = m_decoded[static_cast<std::size_t>(column)];
    if (decoded.empty()) {
        decoded.resize(kSlots);
    }
    Decoded& slot = decoded[cell.bytes.at % kSlots];
    if (!slot.used || slot.at != cell.bytes.at) {
        slot = {cell.bytes.at, true, QString::fromUtf8(data, size)};
    }
    return QVariant(slot.text);
}

int ResultCells::findNumber(int column, double number) const {
    const int count = rows();
    for (int row = 0; row < count; ++row) {
        const Cell& cell = cellAt(row, column);
        if ((cell.type == Type::Integer && static_cast<double>(cell.integer) == number) ||
            (cell.type == Type::Real && cell.real == number)) {
            return row;
        }
    }
    return -1;
}

void ResultCells::clear() {
    m_cells.clear();
    m_count = 0;
    m_bytes.clear();
    m_capacity = 0;
    m_used = 0;
    m_recent.assign(static_cast<std::size_t>(m_columns), {});
    m_decoded.assign(static_cast<std::size_t>(m_columns), {});
}

}  // namespace engine
