#include "support/WholeFile.h"

#include "support/Diary.h"

using namespace Qt::StringLiterals;

namespace testing_support {

QStringList schemaOf(const QString& path) {
    QStringList lines;
    for (const QStringList& row : rowsOf(
             path, u"SELECT type, name, tbl_name, sql FROM sqlite_master ORDER BY type, name"_s)) {
        lines << row.join(u'|');
    }
    lines << u"user_version="_s + rowsOf(path, u"PRAGMA user_version"_s).front().front();
    lines << u"application_id="_s + rowsOf(path, u"PRAGMA application_id"_s).front().front();
    return lines;
}

QStringList everyRow(const QString& path) {
    QStringList lines;
    for (const QStringList& table :
         rowsOf(path, u"SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name"_s)) {
        const QString name = table.front();
        QStringList columns;
        for (const QStringList& column :
             rowsOf(path, u"SELECT name FROM pragma_table_info('%1')"_s.arg(name))) {
            columns << u"typeof(\"%1\") || ':' || coalesce(\"%1\", 'NULL')"_s.arg(column.front());
        }
        const QString order = name == u"sqlite_sequence"_s ? u"name"_s : u"rowid"_s;
        for (const QStringList& row :
             rowsOf(path, u"SELECT "_s + columns.join(u", "_s) + u" FROM \""_s + name +
                              u"\" ORDER BY "_s + order)) {
            lines << name + u'|' + row.join(u'|');
        }
    }
    return lines;
}

void addUsersOwnData(const QString& path) {
    rowsOf(path, uR"(ALTER TABLE "Mecze" ADD COLUMN "Widzowie" INTEGER)"_s);
    rowsOf(path, u"UPDATE Mecze SET Widzowie = Id_meczu * 1000"_s);
    rowsOf(path, uR"(CREATE TABLE "Notatki" ("Id" INTEGER, "Tresc" TEXT, "Ocena" REAL))"_s);
    rowsOf(path,
           u"INSERT INTO Notatki VALUES (1, 'Pierwsza', 2.5), (2, NULL, NULL), "
           "(3, 'Trzecia – żółć', -1)"_s);
}

}  // namespace testing_support
