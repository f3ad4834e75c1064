// The test writer of old (Jet) diaries, checked by an independent reader: mdbtools' own
// command-line tools must print back what the writer was given.

#include "support/JetWriter.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace jetfile;

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace {

struct ToolOutput {
    int status = -1;
    QString out;
};

// One of mdbtools' tools on `arguments`; the header's code page alone names the Jet 3 text
// encoding, so a wrong code page there shows as wrong letters.
ToolOutput mdbTool(const QString& name, const QStringList& arguments) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(u"MDB_JET3_CHARSET"_s);
    environment.remove(u"MDBICONV"_s);
    process.setProcessEnvironment(environment);
    process.start(QStandardPaths::findExecutable(name), arguments);
    EXPECT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << name.toStdString() << " crashed";
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput())};
}

// What `mdb-export -e -0 NULL -T %Y-%m-%d` prints for `table`.
QString expectedExport(const Table& table) {
    QStringList lines;
    QStringList header;
    for (const Column& column : table.columns) {
        header << column.name;
    }
    lines << header.join(u',');
    for (const QVariantList& row : table.rows) {
        QStringList cells;
        for (size_t i = 0; i < table.columns.size(); ++i) {
            const QVariant& value = row[static_cast<qsizetype>(i)];
            const Type type = table.columns[i].type;
            if (type == Type::Bool) {
                cells << (!value.isNull() && value.toLongLong() != 0 ? u"1"_s : u"0"_s);
            } else if (value.isNull() || (type != Type::DateTime && value.toString().isEmpty())) {
                cells << u"NULL"_s;
            } else if (type == Type::DateTime) {
                cells << u'"' + value.toDate().toString(Qt::ISODate) + u'"';
            } else if (type == Type::Double) {
                cells << QString::asprintf("%.16g", value.toDouble());
            } else if (type == Type::Text || type == Type::Memo) {
                QString text = value.toString();
                text.replace(u'"', u"\"\""_s)
                    .replace(u'\\', u"\\\\"_s)
                    .replace(u'\r', u"\\r"_s)
                    .replace(u'\n', u"\\n"_s)
                    .replace(u'\t', u"\\t"_s);
                cells << u'"' + text + u'"';
            } else {
                cells << QString::number(value.toLongLong());
            }
        }
        lines << cells.join(u',');
    }
    return lines.join(u'\n') + u'\n';
}

Options compressed() {
    Options options(Version::Jet4);
    options.compressedText = true;
    return options;
}

class JetWriterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* name : {"mdb-ver", "mdb-tables", "mdb-export"}) {
            if (QStandardPaths::findExecutable(QString::fromLatin1(name)).isEmpty()) {
                GTEST_SKIP() << name << " is missing: mdbtools' command-line tools (Debian "
                             << "package mdbtools) check the writer";
            }
        }
    }

    QString write(const std::vector<Table>& tables, const Options& options,
                  const QString& name = u"Stary.mdb"_s) const {
        const QString path = dir.filePath(name);
        writeJetFile(path, tables, options);
        return path;
    }

    // Every table exported by mdbtools equals what was written.
    static void expectReadBack(const QString& path, const std::vector<Table>& tables) {
        for (const Table& t : tables) {
            SCOPED_TRACE(t.name.toStdString());
            const ToolOutput run = mdbTool(u"mdb-export"_s, {u"-e"_s, u"-0"_s, u"NULL"_s, u"-T"_s,
                                                             u"%Y-%m-%d"_s, path, t.name});
            EXPECT_EQ(run.status, 0);
            EXPECT_EQ(run.out, expectedExport(t));
        }
    }

    QTemporaryDir dir;
};

// Every kind of column the old diary has, with the awkward values: Polish letters, quotes,
// control characters, Nulls in every column, the extremes of each number type.
std::vector<Table> everyKind() {
    Table all{u"Wszystko"_s,
              {{u"Id"_s, Type::Long, 0, true},
               {u"Bajt"_s, Type::Byte},
               {u"Liczba"_s, Type::Integer},
               {u"Dluga"_s, Type::Long},
               {u"Ulamek"_s, Type::Double},
               {u"Dzien"_s, Type::DateTime},
               {u"TakNie"_s, Type::Bool},
               {u"Nazwa"_s, Type::Text, 40},
               {u"Opis"_s, Type::Memo}},
              {}};
    all.rows = {
        {1, 0, -32768, -2147483647LL - 1, 2.5, QDate(1899, 12, 30), true, u"Zażółć gęślą jaźń"_s,
         u"Pierwszy wiersz\r\ndrugi wiersz"_s},
        {2, 255, 32767, 2147483647LL, -0.1, QDate(2003, 5, 4), false, u"ŁÓDŹ „Widzew” – 100 €"_s,
         u"cudzysłów \" i \\ oraz\ttab"_s},
        {3, QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), QVariant(),
         QVariant()},
        {4, 7, 0, 0, 0.0, QDate(2009, 12, 31), true, u"Śląsk Wrocław"_s, u""_s},
    };
    Table small{u"Sezony"_s,
                {{u"Id_sezonu"_s, Type::Long, 0, true}, {u"Sezon"_s, Type::Text, 7}},
                {{1, u"2001/02"_s}, {2, u"2002/03"_s}}};
    return {all, small};
}

TEST_F(JetWriterTest, MdbtoolsReadsEveryKindOfValueInBothFormats) {
    const struct {
        const char* name;
        Options options;
        const char* version;
    } formats[] = {
        {"Jet 3", Version::Jet3, "JET3\n"},
        {"Jet 4", Version::Jet4, "JET4\n"},
        {"Jet 4 compressed", compressed(), "JET4\n"},
    };
    const std::vector<Table> tables = everyKind();
    for (const auto& f : formats) {
        SCOPED_TRACE(f.name);
        const QString path = write(tables, f.options);
        EXPECT_EQ(mdbTool(u"mdb-ver"_s, {path}).out, QString::fromLatin1(f.version));
        // User tables only; the catalog is a system table.
        EXPECT_EQ(mdbTool(u"mdb-tables"_s, {u"-1"_s, path}).out, u"Wszystko\nSezony\n"_s);
        EXPECT_EQ(mdbTool(u"mdb-tables"_s, {u"-1"_s, u"-S"_s, path}).out,
                  u"MSysObjects\nWszystko\nSezony\n"_s);
        expectReadBack(path, tables);
    }
}

TEST_F(JetWriterTest, CompressedTextIsShorterAndPlainWhereItCannotBe) {
    Table t{u"T"_s, {{u"Id"_s, Type::Long, 0, true}, {u"Nazwa"_s, Type::Text, 20}}, {}};
    t.rows = {{1, u"aaaaaaaaaaaaaaaaaaaa"_s}, {2, u"ĀĀĀĀĀĀĀĀĀĀĀĀĀĀĀĀĀĀĀĀ"_s}};
    const QByteArray plain = jetBytes({t}, Version::Jet4);
    const QByteArray packed = jetBytes({t}, compressed());
    const QByteArray wideA = QByteArray("a\0", 2).repeated(20);
    EXPECT_EQ(plain.count(wideA), 1);
    EXPECT_EQ(packed.count(wideA), 0);
    EXPECT_EQ(packed.count(QByteArrayLiteral("\xff\xfe"
                                             "aaaaaaaaaaaaaaaaaaaa")),
              1);
    // U+0100's low byte would read as a switch of mode: that text stays plain UTF-16.
    const QByteArray wideA0 = QByteArrayLiteral("\x00\x01\x00\x01\x00\x01");
    EXPECT_EQ(packed.count(wideA0), plain.count(wideA0));
    expectReadBack(write({t}, compressed()), {t});
}

// Rows of 256 bytes and more (Jet 3 adds jump tables), memos in long value pages and in chains
// over several pages, and tables over many pages listed by both kinds of usage map.
TEST_F(JetWriterTest, LongRowsLongValuesAndManyPagesReadBack) {
    Table wide{u"Szeroka"_s,
               {{u"Id"_s, Type::Long, 0, true},
                {u"A"_s, Type::Text, 255},
                {u"B"_s, Type::Text, 255},
                {u"C"_s, Type::Text, 255},
                {u"Opis"_s, Type::Memo}},
               {}};
    const QString letters = u"ąęłńóśźżĄĘŁŃÓŚŹŻ"_s;
    for (int n = 0; n < 12; ++n) {
        const QString a = letters.repeated(n + 1).left(255);
        wide.rows.push_back({n + 1, a, n % 2 ? QVariant() : QVariant(a), letters.repeated(15),
                             u"opis\r\n"_s.repeated(n * 60)});
    }
    Table many{u"Duza"_s, {{u"Id"_s, Type::Long, 0, true}, {u"Nazwa"_s, Type::Text, 30}}, {}};
    for (int n = 1; n <= 4000; ++n) {
        many.rows.push_back({n, u"Wiersz numer %1 żółć"_s.arg(n)});
    }
    for (const Version version : {Version::Jet3, Version::Jet4}) {
        for (const bool indirect : {false, true}) {
            SCOPED_TRACE(::testing::Message() << "Jet " << (version == Version::Jet3 ? 3 : 4)
                                              << (indirect ? ", indirect maps" : ""));
            Options options(version);
            options.inlineMemoBytes = 300;  // some memos stay in the row, making it long
            options.indirectUsageMaps = indirect;
            expectReadBack(write({wide, many}, options), {wide, many});
        }
    }
}

TEST_F(JetWriterTest, ValuesTheColumnCannotHoldAreRefused) {
    Table t{u"T"_s, {{u"Id"_s, Type::Byte}, {u"Nazwa"_s, Type::Text, 3}}, {}};
    t.rows = {{256, u"abc"_s}};
    EXPECT_THROW(jetBytes({t}, {}), std::runtime_error);
    t.rows = {{1, u"abcd"_s}};
    EXPECT_THROW(jetBytes({t}, {}), std::runtime_error);
    t.rows = {{1, u"ab"_s, 3}};
    EXPECT_THROW(jetBytes({t}, {}), std::runtime_error);
    t.rows = {{1, u"日本"_s}};
    EXPECT_THROW(jetBytes({t}, Version::Jet3), std::runtime_error);
    EXPECT_NO_THROW(jetBytes({t}, Version::Jet4));
}

}  // namespace
