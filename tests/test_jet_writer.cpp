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
// control characters, Nulls in every column, the extremes of each number type; memos inside
// their rows, in a long value page and chained over several; tables over many pages.
std::vector<Table> everyKind() {
    Table all{u"Wszystko"_s,
              {{u"Id"_s},
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
    for (int n = 5; n < 15; ++n) {
        all.rows.push_back({n, n, n, n, n, QDate(2010, 1, n), n % 2, u"Długi opis"_s,
                            u"opis żółć\r\n"_s.repeated(3 * n * n)});
    }
    Table many{u"Duza"_s, {{u"Id"_s}, {u"Nazwa"_s, Type::Text, 30}}, {}};
    for (int n = 1; n <= 4000; ++n) {
        many.rows.push_back({n, u"Wiersz numer %1 żółć"_s.arg(n)});
    }
    return {all, many};
}

TEST_F(JetWriterTest, MdbtoolsReadsEveryKindOfValueInBothFormats) {
    Options jet4Compressed(Version::Jet4);
    jet4Compressed.compressedText = true;
    Options jet3Indirect(Version::Jet3);
    jet3Indirect.indirectUsageMaps = true;
    Options jet4Indirect(Version::Jet4);
    jet4Indirect.indirectUsageMaps = true;
    const std::pair<Options, QString> formats[] = {
        {Version::Jet3, u"JET3\n"_s}, {Version::Jet4, u"JET4\n"_s}, {jet4Compressed, u"JET4\n"_s},
        {jet3Indirect, u"JET3\n"_s},  {jet4Indirect, u"JET4\n"_s},
    };
    const std::vector<Table> tables = everyKind();
    for (const auto& [options, version] : formats) {
        SCOPED_TRACE(::testing::Message() << version.toStdString() << options.compressedText
                                          << options.indirectUsageMaps);
        const QString path = dir.filePath(u"Stary.mdb"_s);
        writeJetFile(path, tables, options);
        EXPECT_EQ(mdbTool(u"mdb-ver"_s, {path}).out, version);
        // User tables only; the catalog is a system table.
        EXPECT_EQ(mdbTool(u"mdb-tables"_s, {u"-1"_s, path}).out, u"Wszystko\nDuza\n"_s);
        EXPECT_EQ(mdbTool(u"mdb-tables"_s, {u"-1"_s, u"-S"_s, path}).out,
                  u"MSysObjects\nWszystko\nDuza\n"_s);
        expectReadBack(path, tables);
    }
}

TEST_F(JetWriterTest, CompressedTextIsShorterAndPlainWhereItCannotBe) {
    Table t{u"T"_s, {{u"Id"_s}, {u"Nazwa"_s, Type::Text, 20}}, {}};
    t.rows = {{1, u"aaaaaaaaaaaaaaaaaaaa"_s}, {2, u"ĀĀĀĀĀĀĀĀĀĀĀĀĀĀĀĀĀĀĀĀ"_s}};
    Options compressed(Version::Jet4);
    compressed.compressedText = true;
    const QByteArray plain = jetBytes({t}, Version::Jet4);
    const QByteArray packed = jetBytes({t}, compressed);
    const QByteArray wideA = QByteArray("a\0", 2).repeated(20);
    EXPECT_EQ(plain.count(wideA), 1);
    EXPECT_EQ(packed.count(wideA), 0);
    EXPECT_EQ(packed.count("\xff\xfe" + QByteArray(20, 'a')), 1);
    // U+0100's low byte would read as a switch of mode: that text stays plain UTF-16.
    const QByteArray wideA0 = QByteArrayLiteral("\x00\x01\x00\x01\x00\x01");
    EXPECT_EQ(packed.count(wideA0), plain.count(wideA0));
}

TEST_F(JetWriterTest, WhatTheFileCannotHoldIsRefused) {
    Table t{u"T"_s, {{u"Id"_s, Type::Byte}, {u"Nazwa"_s, Type::Text, 3}}, {}};
    for (const QVariantList& row :
         {QVariantList{256, u"abc"_s}, QVariantList{1, u"abcd"_s}, QVariantList{1, u"ab"_s, 3}}) {
        t.rows = {row};
        EXPECT_THROW(jetBytes({t}, {}), std::runtime_error);
    }
    t.rows = {{1, u"日本"_s}};
    EXPECT_THROW(jetBytes({t}, Version::Jet3), std::runtime_error);
    EXPECT_NO_THROW(jetBytes({t}, Version::Jet4));
    // A Jet 3 row over 256 bytes would need a jump table.
    const Table wide{u"W"_s, {{u"Id"_s}, {u"Nazwa"_s, Type::Text, 255}}, {{1, QString(255, u'a')}}};
    EXPECT_THROW(jetBytes({wide}, Version::Jet3), std::runtime_error);
    EXPECT_NO_THROW(jetBytes({wide}, Version::Jet4));
}

}  // namespace
