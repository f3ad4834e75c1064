#include "support/CsvReader.h"

#include <QRegularExpression>
#include <QString>

#include <gtest/gtest.h>

#include <utility>

using namespace Qt::StringLiterals;

namespace testing_support {

std::vector<QStringList> readCsv(const QByteArray& bytes) {
    if (!bytes.startsWith("\xEF\xBB\xBF")) {
        ADD_FAILURE() << "no UTF-8 byte-order mark";
        return {};
    }
    // A field, quoted (quotes inside doubled) or plain, and what ends it.
    static const QRegularExpression kField(uR"re((?:"((?:[^"]|"")*)"|([^;"\r\n]*))(;|\r\n))re"_s);
    const QString text = QString::fromUtf8(bytes.mid(3));
    std::vector<QStringList> records;
    QStringList record;
    for (qsizetype at = 0; at < text.size();) {
        const QRegularExpressionMatch m =
            kField.match(text, at, QRegularExpression::NormalMatch,
                         QRegularExpression::AnchorAtOffsetMatchOption);
        if (!m.hasMatch()) {
            ADD_FAILURE() << "malformed CSV (or no CR LF at the end) at character " << at;
            return {};
        }
        record << (m.capturedStart(1) >= 0 ? m.captured(1).replace(u"\"\""_s, u"\""_s)
                                           : m.captured(2));
        if (m.captured(3) == u"\r\n"_s) {
            records.push_back(std::exchange(record, {}));
        }
        at = m.capturedEnd();
    }
    if (!record.isEmpty()) {
        ADD_FAILURE() << "the last record does not end with CR LF";
    }
    for (const QStringList& r : records) {
        EXPECT_EQ(r.size(), records.front().size()) << "records of different lengths";
    }
    return records;
}

}  // namespace testing_support
