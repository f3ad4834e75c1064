#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <vector>

namespace engine {

class Connection;

// The stand-in for the old engine's recordset: the whole result is read when the recordset
// opens, so the row count is complete at once and the cursor moves both ways.
//
// Values: Null is a null QVariant; whole numbers are qlonglong, other numbers double, texts
// QString, DATE columns QDate, yes/no (BOOLEAN) columns qlonglong -1 or 0.
//
// A recordset opened on a bare table name, or on a single-table "SELECT * FROM T WHERE ..."
// (or a single-table select of plain columns), is updatable: addNew/edit, setValue, update.
// Writes bind their values as parameters. A yes/no column accepts "True"/"False" (any case),
// booleans and numbers. After update() of a new row, moveToLastModified() makes it current so
// that its engine-assigned key can be read.
class Recordset {
  public:
    Recordset(std::shared_ptr<Connection> connection, const QString& source);
    ~Recordset();

    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    int recordCount() const;
    bool eof() const;
    bool bof() const;
    void moveFirst();
    void moveLast();
    void moveNext();
    void movePrevious();
    // 0-based position of the current row; -1 when there is none.
    int absolutePosition() const;

    // Moves to the first row satisfying `criteria`, a condition in the program's dialect over
    // the recordset's own column names ("Id_meczu = 7"). noMatch() tells whether none did; the
    // current row then stays where it was.
    void findFirst(const QString& criteria);
    bool noMatch() const { return m_noMatch; }

    int fieldCount() const;
    QString fieldName(int index) const;
    QVariant value(const QString& name) const;
    QVariant value(int index) const;

    bool updatable() const;
    void addNew();
    void edit();
    void setValue(const QString& name, const QVariant& value);
    void setValue(int index, const QVariant& value);
    void update();
    void cancelUpdate();
    void moveToLastModified();

    void close();

  private:
    struct State;
    std::unique_ptr<State> d;
    bool m_noMatch = false;
};

}  // namespace engine
