#include "data/JetReader.h"

#include "data/engine/Error.h"
#include "data/engine/SchemaGuard.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTime>
#include <QtEndian>

#include <mdbtools.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <optional>

using engine::Error;
using engine::quotedPath;
namespace err = engine::err;

namespace jet {
namespace {

// ---- what an old diary holds --------------------------------------------------------------

enum class Kind {
    Key,     // a whole number that is never Null: the row's identity
    Number,  // a whole number or Null
    YesNo,
    Date,
    Text,
    // Only in columns the user added himself:
    Fraction,  // any number
    Moment,    // a day with its time of day
};

struct WantedColumn {
    const char* name;
    Kind kind;
};

struct WantedTable {
    const char* name;
    std::vector<WantedColumn> columns;
};

const std::vector<WantedTable>& diaryTables() {
    static const std::vector<WantedTable> tables{
        {"Sezony", {{"Id_sezonu", Kind::Key}, {"Sezon", Kind::Text}}},
        {"Kluby", {{"Id_klubu", Kind::Key}, {"Druzyna", Kind::Text}}},
        {"Rozgrywki",
         {{"Id_rozgrywki", Kind::Key}, {"Nazwa", Kind::Text}, {"Oficjalny", Kind::YesNo}}},
        {"Jak", {{"Id_jak", Kind::Key}, {"Jak", Kind::Text}, {"CzySam", Kind::YesNo}}},
        {"Gracze",
         {{"Id_gracza", Kind::Key},
          {"Imie", Kind::Text},
          {"Nazwisko", Kind::Text},
          {"Przydomek", Kind::Text}}},
        {"Mecze",
         {{"Id_meczu", Kind::Key},
          {"Id_sezonu", Kind::Number},
          {"Data", Kind::Date},
          {"Gdzie", Kind::Text},
          {"Id_klubu", Kind::Number},
          {"Wyn1", Kind::Number},
          {"Wyn2", Kind::Number},
          {"Id_rozgrywki", Kind::Number},
          {"Komentarz", Kind::Text}}},
        {"Bramki",
         {{"Id_meczu", Kind::Key},
          {"Nr_pozycji", Kind::Key},
          {"Czy_Mirvola", Kind::YesNo},
          {"Id_gracza", Kind::Number},
          {"Minuta", Kind::Number},
          {"Id_jak", Kind::Number}}},
    };
    return tables;
}

bool accepts(Kind kind, int type) {
    switch (kind) {
        case Kind::Key:
        case Kind::Number:
            return type == MDB_BYTE || type == MDB_INT || type == MDB_LONGINT ||
                   type == MDB_FLOAT || type == MDB_DOUBLE;
        case Kind::YesNo:
            return type == MDB_BOOL || type == MDB_BYTE || type == MDB_INT || type == MDB_LONGINT;
        case Kind::Date:
            return type == MDB_DATETIME;
        case Kind::Text:
            return type == MDB_TEXT || type == MDB_MEMO;
        case Kind::Fraction:
        case Kind::Moment:
            break;  // the diary's own columns have neither
    }
    return false;
}

// How a column the user added himself comes over: how it is read and its SQL type.
struct AddedKind {
    Kind kind;
    QString sqlType;
};

std::optional<AddedKind> addedKind(int type) {
    switch (type) {
        case MDB_BOOL:
            return AddedKind{Kind::YesNo, QStringLiteral("BOOLEAN")};
        case MDB_BYTE:
        case MDB_INT:
        case MDB_LONGINT:
            return AddedKind{Kind::Number, QStringLiteral("INTEGER")};
        case MDB_FLOAT:
        case MDB_DOUBLE:
        case MDB_MONEY:
            return AddedKind{Kind::Fraction, QStringLiteral("REAL")};
        case MDB_DATETIME:
            return AddedKind{Kind::Moment, QStringLiteral("DATETIME")};
        case MDB_TEXT:
        case MDB_MEMO:
            return AddedKind{Kind::Text, QStringLiteral("TEXT")};
        default:
            return std::nullopt;
    }
}

// The type's name as the old office suite's table designer showed it.
QString typeName(int type) {
    switch (type) {
        case MDB_BOOL:
            return QStringLiteral("Tak/Nie");
        case MDB_BYTE:
            return QStringLiteral("Bajt");
        case MDB_INT:
            return QStringLiteral("Liczba całkowita");
        case MDB_LONGINT:
            return QStringLiteral("Liczba całkowita długa");
        case MDB_MONEY:
            return QStringLiteral("Walutowy");
        case MDB_FLOAT:
            return QStringLiteral("Pojedyncza precyzja");
        case MDB_DOUBLE:
            return QStringLiteral("Podwójna precyzja");
        case MDB_DATETIME:
            return QStringLiteral("Data/Godzina");
        case MDB_TEXT:
            return QStringLiteral("Tekst");
        case MDB_MEMO:
            return QStringLiteral("Nota");
        case MDB_OLE:
            return QStringLiteral("Obiekt OLE");
        case MDB_REPID:
            return QStringLiteral("Identyfikator replikacji");
        case MDB_NUMERIC:
            return QStringLiteral("Dziesiętne");
        case MDB_COMPLEX:
            return QStringLiteral("Załącznik lub wiele wartości");
        default:
            return QStringLiteral("typ %1").arg(type);
    }
}

// ---- the file's first page ----------------------------------------------------------------

constexpr int kHeaderBytes = 0x80 + 0x18;
const QByteArray kJetMagic = QByteArrayLiteral("Standard Jet DB");
const QByteArray kAceMagic = QByteArrayLiteral("Standard ACE DB");

qint64 pageSizeOf(Format format) {
    return format == Format::Jet3 ? 2048 : 4096;
}

bool startsLikeJet(const QByteArray& head, const QByteArray& magic) {
    return head.size() >= 0x15 && head[0] == '\0' && head.mid(4, magic.size()) == magic;
}

// The header page is masked from 0x18 on with RC4 under a fixed key.
void unmaskHeader(QByteArray& head, int length) {
    static constexpr std::array<unsigned char, 4> key{0xC7, 0xDA, 0x39, 0x6B};
    std::array<unsigned char, 256> s{};
    for (size_t i = 0; i < s.size(); ++i) {
        s[i] = static_cast<unsigned char>(i);
    }
    for (size_t i = 0, j = 0; i < s.size(); ++i) {
        j = (j + s[i] + key[i % key.size()]) & 0xff;
        std::swap(s[i], s[j]);
    }
    char* data = head.data() + 0x18;
    for (size_t n = 0, i = 0, j = 0; n < static_cast<size_t>(length); ++n) {
        i = (i + 1) & 0xff;
        j = (j + s[i]) & 0xff;
        std::swap(s[i], s[j]);
        data[n] = static_cast<char>(data[n] ^ s[(s[i] + s[j]) & 0xff]);
    }
}

// Jet 3 keeps the password at 0x42 as it is; Jet 4 masks its 40 bytes with the whole days of
// the creation date at 0x72, so a file without a password holds the mask there.
bool hasPassword(QByteArray head, Format format) {
    const bool jet4 = format == Format::Jet4;
    unmaskHeader(head, jet4 ? 128 : 126);
    std::array<unsigned char, 4> mask{};
    if (jet4) {
        double created = 0;
        std::memcpy(&created, head.constData() + 0x72, sizeof created);
        if (std::isfinite(created) && std::abs(created) < 2e9) {
            const auto days = static_cast<quint32>(static_cast<qint32>(created));
            for (size_t i = 0; i < mask.size(); ++i) {
                mask[i] = static_cast<unsigned char>(days >> (8 * i));
            }
        }
    }
    const int length = jet4 ? 40 : 20;
    for (int i = 0; i < length; ++i) {
        if ((static_cast<unsigned char>(head[0x42 + i]) ^ mask[static_cast<size_t>(i % 4)]) != 0) {
            return true;
        }
    }
    return false;
}

Error damaged(const QString& path, const QString& detail) {
    return Error(err::Corrupt, QStringLiteral("Plik ") + quotedPath(path) +
                                   QStringLiteral(" jest uszkodzony lub niekompletny: ") + detail +
                                   u'.');
}

Error notADiary(int number, const QString& path, const QString& detail) {
    return Error(number, QStringLiteral("Plik ") + quotedPath(path) +
                             QStringLiteral(" nie jest dziennikiem dawnej wersji programu "
                                            "Mirvola: ") +
                             detail + u'.');
}

// Checks the first page and the file's length; returns the format.
Format checkHeader(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) {
        throw Error(err::FileNotFound,
                    QStringLiteral("Nie można odnaleźć pliku ") + quotedPath(path) + u'.');
    }
    QFile file(path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly)) {
        throw Error(err::CannotOpen,
                    QStringLiteral("Nie można otworzyć pliku ") + quotedPath(path) + u'.');
    }
    if (info.size() == 0) {
        throw Error(err::NotADatabase,
                    QStringLiteral("Plik ") + quotedPath(path) + QStringLiteral(" jest pusty."));
    }
    const QByteArray head = file.read(kHeaderBytes);
    if (startsLikeJet(head, kAceMagic)) {
        throw Error(err::NotADatabase, QStringLiteral("Plik ") + quotedPath(path) +
                                           QStringLiteral(" zapisano w nowszym formacie "
                                                          "(Access 2007 lub późniejszy), "
                                                          "którego program nie odczytuje."));
    }
    if (!startsLikeJet(head, kJetMagic)) {
        throw Error(err::NotADatabase, QStringLiteral("Plik ") + quotedPath(path) +
                                           QStringLiteral(" nie jest dziennikiem dawnej wersji "
                                                          "programu Mirvola (plikiem bazy "
                                                          "danych Jet)."));
    }
    const int version = static_cast<unsigned char>(head[0x14]);
    if (version > 1) {
        throw Error(err::NotADatabase, QStringLiteral("Plik ") + quotedPath(path) +
                                           QStringLiteral(" zapisano w nowszym formacie bazy "
                                                          "danych, którego program nie "
                                                          "odczytuje."));
    }
    const Format format = version == 0 ? Format::Jet3 : Format::Jet4;
    const qint64 pageSize = pageSizeOf(format);
    // The catalog's definition is page 2; a whole Jet file is made of whole pages.
    if (head.size() < kHeaderBytes || info.size() < 3 * pageSize || info.size() % pageSize != 0) {
        throw damaged(path, QStringLiteral("jego długość (%1 B) nie odpowiada formatowi %2")
                                .arg(info.size())
                                .arg(formatName(format)));
    }
    if (hasPassword(head, format)) {
        throw Error(err::InvalidPassword,
                    QStringLiteral("Plik ") + quotedPath(path) +
                        QStringLiteral(" jest chroniony hasłem, a program nie odczytuje takich "
                                       "plików. Usuń hasło bazy danych (np. w programie "
                                       "Microsoft Access) i spróbuj ponownie."));
    }
    return format;
}

// What a table's definition page says, read from the file itself: the rows it declares and
// where its two usage maps lie (page * 256 + row).
struct Definition {
    bool found = false;
    quint32 rows = 0;
    quint32 usedMap = 0;
    quint32 freeMap = 0;
};

Definition definitionAt(const QString& path, Format format, qint64 page) {
    QFile file(path);
    const bool jet3 = format == Format::Jet3;
    if (!file.open(QIODevice::ReadOnly) || !file.seek(page * pageSizeOf(format))) {
        return {};
    }
    const QByteArray bytes = file.read(64);
    if (bytes.size() < 64 || bytes[0] != 0x02) {
        return {};
    }
    const auto number = [&](int at) {
        quint32 value = 0;
        for (int i = 3; i >= 0; --i) {
            value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
        }
        return value;
    };
    return {true, number(jet3 ? 12 : 16), number(jet3 ? 35 : 55), number(jet3 ? 39 : 59)};
}

// libmdb reads a page just past the end of a file as zeros: a file cut at a page boundary
// shows only in maps that point beyond its end.
bool mapsWithinFile(const Definition& definition, qint64 pages) {
    return (definition.usedMap >> 8) < pages && (definition.freeMap >> 8) < pages;
}

// ---- libmdb, with every handle owned --------------------------------------------------------

struct CloseHandle {
    void operator()(MdbHandle* mdb) const { mdb_close(mdb); }
};
struct FreeTable {
    void operator()(MdbTableDef* table) const { mdb_free_tabledef(table); }
};
struct FreeText {
    void operator()(char* text) const { g_free(text); }
};

// Sets an environment variable for the lifetime of the object and restores what was there.
class EnvironmentOverride {
  public:
    EnvironmentOverride(const char* name, const QByteArray& value) : m_name(name) {
        if (qEnvironmentVariableIsSet(name)) {
            m_old = qgetenv(name);
        }
        qputenv(name, value);
    }
    ~EnvironmentOverride() {
        if (m_old) {
            qputenv(m_name, *m_old);
        } else {
            qunsetenv(m_name);
        }
    }
    EnvironmentOverride(const EnvironmentOverride&) = delete;
    EnvironmentOverride& operator=(const EnvironmentOverride&) = delete;

  private:
    const char* m_name;
    std::optional<QByteArray> m_old;
};

// libmdb picks its text conversions when it opens a file: Jet 3 texts are in the Windows code
// page of the machine that wrote them, Polish here, whatever the header says; the program wants
// UTF-8 whatever the user's environment asks for.
std::unique_ptr<MdbHandle, CloseHandle> openMdb(const QString& path) {
    const EnvironmentOverride jet3("MDB_JET3_CHARSET", QByteArrayLiteral("cp1250"));
    const EnvironmentOverride target("MDBICONV", QByteArrayLiteral("UTF-8"));
    return std::unique_ptr<MdbHandle, CloseHandle>(
        mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS));
}

MdbCatalogEntry* userTable(MdbHandle* mdb, const char* name) {
    for (guint i = 0; i < mdb->num_catalog; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type == MDB_TABLE && mdb_is_user_table(entry) &&
            g_ascii_strcasecmp(entry->object_name, name) == 0) {
            return entry;
        }
    }
    return nullptr;
}

// A Jet date is days since 30 December 1899; the fraction is the time of day, counted away from
// that day also for earlier dates (-1.25 is 29 December 1899, 6 o'clock).
constexpr double kEarliestJetDate = -657434.0;  // 1 January 100
constexpr double kLatestJetDate = 2958465.0;    // 31 December 9999

// Long texts are converted by libmdb into a buffer of its "bind size".
constexpr size_t kMemoLimit = size_t{64} << 20;

// The bytes a value of a fixed-size type takes in a row; 0 for texts.
int storedSize(int type) {
    switch (type) {
        case MDB_BYTE:
            return 1;
        case MDB_INT:
            return 2;
        case MDB_LONGINT:
        case MDB_FLOAT:
            return 4;
        case MDB_DOUBLE:
        case MDB_DATETIME:
        case MDB_MONEY:
            return 8;
        default:
            return 0;
    }
}

// A number as stored in a row, of one of the types accepts() or addedKind() lets through for
// numbers.
double storedNumber(int type, const MdbField& field) {
    switch (type) {
        case MDB_MONEY: {
            // Ten-thousandths, a 64-bit whole number.
            qint64 units = 0;
            std::memcpy(&units, field.value, sizeof units);
            return static_cast<double>(qFromLittleEndian(units)) / 10000.0;
        }
        case MDB_BYTE:
            return mdb_get_byte(field.value, 0);
        case MDB_INT:
            return static_cast<qint16>(mdb_get_int16(field.value, 0));
        case MDB_LONGINT:
            return static_cast<qint32>(mdb_get_int32(field.value, 0));
        case MDB_FLOAT:
            return mdb_get_single(field.value, 0);
        default:
            return mdb_get_double(field.value, 0);
    }
}

}  // namespace

QString formatName(Format format) {
    return format == Format::Jet3 ? QStringLiteral("Jet 3") : QStringLiteral("Jet 4");
}

bool isJetFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && startsLikeJet(file.read(0x15), kJetMagic);
}

const Table& OldDiary::table(const QString& name) const {
    for (const Table& t : tables) {
        if (t.name == name) {
            return t;
        }
    }
    throw Error(err::TableNotFound,
                QStringLiteral("Nie można odnaleźć tabeli lub kwerendy '") + name + u'\'');
}

qint64 OldDiary::rowCount() const {
    qint64 rows = 0;
    for (const Table& t : tables) {
        rows += static_cast<qint64>(t.rows.size());
    }
    return rows;
}

// ---- reading ------------------------------------------------------------------------------

struct JetReader::Private {
    struct ReadColumn {
        QString name;
        Kind kind;
        int position;  // in def->columns
    };
    struct OpenTable {
        QString name;
        std::unique_ptr<MdbTableDef, FreeTable> def;
        std::vector<ReadColumn> columns;  // the diary's own first, then the user's
        qsizetype ownColumns = 0;
        QStringList addedTypes;
    };

    QString path;
    Format format = Format::Jet3;
    qint64 pages = 0;
    std::unique_ptr<MdbHandle, CloseHandle> mdb;
    std::vector<OpenTable> tables;
    std::vector<LeftBehind> leftBehind;
    std::vector<char> textBuffer;

    OpenTable readDefinition(MdbCatalogEntry* entry, const QString& name);
    void openTable(const WantedTable& wanted);
    void addColumns(OpenTable& table, const std::vector<bool>& taken);
    void openAddedTables();
    QVariant value(const OpenTable& table, size_t column, const MdbField& field, qint64 row);
    std::optional<QString> memo(const MdbField& field);
    QString text(const MdbField& field);
    Table readTable(const OpenTable& table, qint64& done, qint64 total, const Progress& progress);

    Error wrongValue(const OpenTable& table, size_t column, qint64 row, const QString& what) const {
        return Error(err::ConversionError,
                     QStringLiteral("Pliku ") + quotedPath(path) +
                         QStringLiteral(" nie można przenieść: w tabeli '%1', wierszu %2, "
                                        "kolumna '%3' %4.")
                             .arg(table.name)
                             .arg(row)
                             .arg(table.columns[column].name, what));
    }
};

JetReader::Private::OpenTable JetReader::Private::readDefinition(MdbCatalogEntry* entry,
                                                                 const QString& name) {
    OpenTable table{
        name, std::unique_ptr<MdbTableDef, FreeTable>(mdb_read_table(entry)), {}, 0, {}};
    if (!table.def || !mdb_read_columns(table.def.get()) ||
        !mapsWithinFile(definitionAt(path, format, entry->table_pg), pages)) {
        throw damaged(path, QStringLiteral("nie można odczytać opisu tabeli '") + name + u'\'');
    }
    return table;
}

void JetReader::Private::openTable(const WantedTable& wanted) {
    const QString name = QLatin1String(wanted.name);
    MdbCatalogEntry* entry = userTable(mdb.get(), wanted.name);
    if (!entry) {
        throw notADiary(err::TableNotFound, path, QStringLiteral("brak tabeli '") + name + u'\'');
    }
    OpenTable table = readDefinition(entry, name);
    const MdbTableDef& def = *table.def;
    std::vector<bool> taken(def.num_cols, false);
    for (const WantedColumn& needed : wanted.columns) {
        int found = -1;
        for (guint i = 0; i < def.num_cols; ++i) {
            const auto* column = static_cast<MdbColumn*>(g_ptr_array_index(def.columns, i));
            if (g_ascii_strcasecmp(column->name, needed.name) == 0) {
                found = static_cast<int>(i);
                if (!accepts(needed.kind, column->col_type)) {
                    throw notADiary(
                        err::ConversionError, path,
                        QStringLiteral("kolumna '%1' tabeli '%2' ma typ %3")
                            .arg(QLatin1String(needed.name), name, typeName(column->col_type)));
                }
            }
        }
        if (found < 0) {
            throw notADiary(err::ItemNotFound, path,
                            QStringLiteral("w tabeli '%1' brak kolumny '%2'")
                                .arg(name, QLatin1String(needed.name)));
        }
        taken[static_cast<size_t>(found)] = true;
        table.columns.push_back({QLatin1String(needed.name), needed.kind, found});
    }
    table.ownColumns = static_cast<qsizetype>(table.columns.size());
    addColumns(table, taken);
    tables.push_back(std::move(table));
}

// The columns of `table` not `taken` by the diary's own: the user's, in the file's order. One
// whose values the diary cannot hold is left behind, and the report says so.
void JetReader::Private::addColumns(OpenTable& table, const std::vector<bool>& taken) {
    const MdbTableDef& def = *table.def;
    for (guint i = 0; i < def.num_cols; ++i) {
        if (taken[i]) {
            continue;
        }
        const auto* column = static_cast<MdbColumn*>(g_ptr_array_index(def.columns, i));
        const QString name = QString::fromUtf8(column->name);
        if (const std::optional<AddedKind> kind = addedKind(column->col_type)) {
            table.columns.push_back({name, kind->kind, static_cast<int>(i)});
            table.addedTypes << kind->sqlType;
        } else if (column->col_type == MDB_OLE) {
            leftBehind.push_back({table.name, name,
                                  QStringLiteral("obiekt OLE (obraz lub dokument zapisany przez "
                                                 "inny program), którego dziennik nie "
                                                 "przechowuje")});
        } else {
            leftBehind.push_back({table.name, name,
                                  QStringLiteral("typ %1, którego dziennik nie przechowuje")
                                      .arg(typeName(column->col_type))});
        }
    }
}

// Tables the user added to the old diary himself come over as tables of the new one.
void JetReader::Private::openAddedTables() {
    for (guint i = 0; i < mdb->num_catalog; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type != MDB_TABLE || !mdb_is_user_table(entry)) {
            continue;
        }
        const QString name = QString::fromUtf8(entry->object_name);
        const bool diarys =
            std::any_of(diaryTables().begin(), diaryTables().end(), [&](const WantedTable& t) {
                return name.compare(QLatin1String(t.name), Qt::CaseInsensitive) == 0;
            });
        if (diarys) {
            continue;
        }
        if (name.startsWith(QStringLiteral("sqlite_"), Qt::CaseInsensitive)) {
            leftBehind.push_back(
                {name, QString(), QStringLiteral("tę nazwę zastrzega dla siebie baza SQLite")});
            continue;
        }
        if (engine::isProgramObjectName(name)) {
            leftBehind.push_back(
                {name, QString(), QStringLiteral("tę nazwę nosi w dzienniku indeks programu")});
            continue;
        }
        OpenTable table = readDefinition(entry, name);
        const auto reported = leftBehind.size();
        addColumns(table, std::vector<bool>(table.def->num_cols, false));
        if (table.columns.empty()) {
            // The table as a whole, not column by column.
            leftBehind.resize(reported);
            leftBehind.push_back({name, QString(),
                                  QStringLiteral("nie ma w niej kolumny, którą dziennik może "
                                                 "przechowywać")});
            continue;
        }
        tables.push_back(std::move(table));
    }
}

std::optional<QString> JetReader::Private::memo(const MdbField& field) {
    MdbHandle* handle = mdb.get();
    // The memo's length as stored: bytes of Windows-1250 in Jet 3, of UTF-16 (plain or
    // compressed) in Jet 4.
    const size_t stored = field.siz >= MDB_MEMO_OVERHEAD
                              ? static_cast<size_t>(mdb_get_int32(field.value, 0) & 0x3fffffff)
                              : 0;
    const size_t length = std::max(stored, static_cast<size_t>(field.siz));
    if (length > kMemoLimit) {
        throw damaged(path, QStringLiteral("tekst długości %1 B").arg(length));
    }
    // libmdb converts a memo into a buffer of its bind size and cuts what does not fit: at most
    // three bytes of UTF-8 for each stored byte.
    mdb_set_bind_size(handle, std::max<size_t>(MDB_BIND_SIZE, 3 * length + 16));
    const std::unique_ptr<char, FreeText> converted(
        mdb_col_to_string(handle, handle->pg_buf, field.start, MDB_MEMO, field.siz));
    const QString text = QString::fromUtf8(converted ? converted.get() : "");
    // A memo on a long value page that is missing or damaged comes back empty or cut short
    // without a word: that is no text. In Jet 3 each stored byte is one character.
    if (stored > 0 && (text.isEmpty() ||
                       (format == Format::Jet3 && static_cast<size_t>(text.size()) != stored))) {
        return std::nullopt;
    }
    return text;
}

QString JetReader::Private::text(const MdbField& field) {
    const size_t needed = 3 * static_cast<size_t>(field.siz) + 16;
    if (textBuffer.size() < needed) {
        textBuffer.resize(needed);
    }
    const int length =
        mdb_unicode2ascii(mdb.get(), static_cast<const char*>(field.value),
                          static_cast<size_t>(field.siz), textBuffer.data(), textBuffer.size());
    return QString::fromUtf8(textBuffer.data(), length);
}

QVariant JetReader::Private::value(const OpenTable& table, size_t column, const MdbField& field,
                                   qint64 row) {
    const auto* def = static_cast<MdbColumn*>(
        g_ptr_array_index(table.def->columns, static_cast<guint>(table.columns[column].position)));
    const Kind kind = table.columns[column].kind;
    const int type = def->col_type;
    if (type == MDB_BOOL) {
        // The value is the bit in the null mask.
        return qlonglong(field.is_null ? 0 : -1);
    }
    if (field.is_null) {
        if (kind == Kind::Key) {
            throw wrongValue(table, column, row, QStringLiteral("jest pusta"));
        }
        return kind == Kind::YesNo ? QVariant(qlonglong(0)) : QVariant();
    }
    if (field.siz < storedSize(type)) {
        throw damaged(path,
                      QStringLiteral("niepełny wiersz %1 tabeli '%2'").arg(row).arg(table.name));
    }
    if (kind == Kind::Text && type == MDB_MEMO) {
        const std::optional<QString> whole = memo(field);
        if (!whole) {
            throw damaged(path, QStringLiteral("nie można odczytać całego tekstu w tabeli '%1', "
                                               "wierszu %2, kolumnie '%3'")
                                    .arg(table.name)
                                    .arg(row)
                                    .arg(table.columns[column].name));
        }
        return *whole;
    }
    if (kind == Kind::Text) {
        return text(field);
    }
    if (kind == Kind::Date || kind == Kind::Moment) {
        const double days = mdb_get_double(field.value, 0);
        if (!std::isfinite(days) || days < kEarliestJetDate || days > kLatestJetDate + 1) {
            throw wrongValue(table, column, row, QStringLiteral("nie zawiera poprawnej daty"));
        }
        const double whole = std::trunc(days);
        const QDate day = QDate(1899, 12, 30).addDays(static_cast<qint64>(whole));
        if (kind == Kind::Date) {
            return day;
        }
        const auto seconds = std::min<qint64>(std::llround(std::abs(days - whole) * 86400), 86399);
        return seconds == 0 ? day.toString(Qt::ISODate)
                            : day.toString(Qt::ISODate) + u' ' +
                                  QTime(0, 0)
                                      .addSecs(static_cast<int>(seconds))
                                      .toString(QStringLiteral("HH:mm:ss"));
    }
    const double number = storedNumber(type, field);
    if (kind == Kind::Fraction) {
        return number;
    }
    if (kind == Kind::YesNo) {
        return qlonglong(number != 0 ? -1 : 0);
    }
    if (!std::isfinite(number) || std::trunc(number) != number || std::abs(number) > 9e15) {
        throw wrongValue(table, column, row,
                         QStringLiteral("zawiera %1 zamiast liczby całkowitej").arg(number));
    }
    return qlonglong(number);
}

Table JetReader::Private::readTable(const OpenTable& table, qint64& done, qint64 total,
                                    const Progress& progress) {
    Table result;
    result.name = table.name;
    for (const ReadColumn& column : table.columns) {
        result.columns << column.name;
    }
    result.ownColumns = table.ownColumns;
    result.addedTypes = table.addedTypes;
    MdbTableDef* def = table.def.get();
    MdbHandle* handle = mdb.get();
    std::vector<MdbField> fields(def->num_cols);
    mdb_rewind_table(def);
    while (mdb_fetch_row(def)) {
        // The row just read is still on the page in the handle's buffer: its fields are cracked
        // again to tell Null from an empty text and to read numbers and dates as stored.
        int start = 0;
        size_t size = 0;
        if (mdb_find_row(handle, static_cast<int>(def->cur_row) - 1, &start, &size) != 0 ||
            mdb_crack_row(def, start & 0x1fff, size, fields.data()) < 0) {
            throw damaged(
                path, QStringLiteral("nie można odczytać wiersza tabeli '") + result.name + u'\'');
        }
        const qint64 row = static_cast<qint64>(result.rows.size()) + 1;
        QVariantList values;
        values.reserve(static_cast<qsizetype>(table.columns.size()));
        for (size_t c = 0; c < table.columns.size(); ++c) {
            values << value(table, c, fields[static_cast<size_t>(table.columns[c].position)], row);
        }
        result.rows.push_back(std::move(values));
        ++done;
        if (progress) {
            progress(done, std::max(done, total));
        }
    }
    // Rows on pages that are missing or unreadable are skipped by the scan without a word;
    // the count in the table's definition tells.
    if (result.rows.size() < def->num_rows) {
        throw damaged(path, QStringLiteral("tabela '%1' ma %2 z %3 wierszy")
                                .arg(result.name)
                                .arg(result.rows.size())
                                .arg(def->num_rows));
    }
    return result;
}

JetReader::JetReader(const QString& path) : d(std::make_unique<Private>()) {
    d->path = path;
    d->format = checkHeader(path);
    d->pages = QFileInfo(path).size() / pageSizeOf(d->format);
    d->mdb = openMdb(path);
    if (!d->mdb) {
        throw damaged(path, QStringLiteral("nie można go otworzyć"));
    }
    // The catalog, like any table, loses the rows of missing pages without a word.
    const Definition catalog = definitionAt(path, d->format, 2);
    if (!catalog.found || !mapsWithinFile(catalog, d->pages) ||
        !mdb_read_catalog(d->mdb.get(), MDB_ANY) || d->mdb->num_catalog < catalog.rows) {
        throw damaged(path, QStringLiteral("nie można odczytać spisu tabel"));
    }
    for (const WantedTable& wanted : diaryTables()) {
        d->openTable(wanted);
    }
    d->openAddedTables();
}

JetReader::~JetReader() = default;

Format JetReader::format() const {
    return d->format;
}

qint64 JetReader::declaredRows() const {
    qint64 rows = 0;
    for (const auto& table : d->tables) {
        rows += table.def->num_rows;
    }
    return rows;
}

OldDiary JetReader::read(const Progress& progress) {
    OldDiary diary;
    diary.format = d->format;
    qint64 done = 0;
    const qint64 total = declaredRows();
    for (const auto& table : d->tables) {
        diary.tables.push_back(d->readTable(table, done, total, progress));
    }
    diary.leftBehind = d->leftBehind;
    return diary;
}

OldDiary readOldDiary(const QString& path, const Progress& progress) {
    return JetReader(path).read(progress);
}

}  // namespace jet
