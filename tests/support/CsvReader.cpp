#include "support/CsvReader.h"

#include <QString>

#include <gtest/gtest.h>

namespace testing_support {

std::vector<QStringList> readCsv(const QByteArray& bytes) {
    std::vector<QStringList> records;
    if (!bytes.startsWith("\xEF\xBB\xBF")) {
        ADD_FAILURE() << "no UTF-8 byte-order mark";
        return records;
    }
    const QString text = QString::fromUtf8(bytes.mid(3));
    QStringList record;
    QString field;
    bool quoted = false;     // inside a quoted field
    bool wasQuoted = false;  // the current field was quoted (only a separator may follow)
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c != u'"') {
                field += c;
            } else if (i + 1 < text.size() && text[i + 1] == u'"') {
                field += u'"';
                ++i;
            } else {
                quoted = false;
                wasQuoted = true;
            }
            continue;
        }
        if (c == u';') {
            record << field;
            field.clear();
            wasQuoted = false;
        } else if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            record << field;
            records.push_back(record);
            record.clear();
            field.clear();
            wasQuoted = false;
            ++i;
        } else if (c == u'"' && field.isEmpty() && !wasQuoted) {
            quoted = true;
        } else if (c == u'"' || c == u'\n' || c == u'\r' || wasQuoted) {
            ADD_FAILURE() << "malformed CSV at character " << i;
            return {};
        } else {
            field += c;
        }
    }
    if (quoted || !field.isEmpty() || !record.isEmpty()) {
        ADD_FAILURE() << "the last record does not end with CR LF";
    }
    for (const QStringList& r : records) {
        EXPECT_EQ(r.size(), records.front().size()) << "records of different lengths";
    }
    return records;
}

}  // namespace testing_support
