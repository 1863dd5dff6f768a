#pragma once

#include "platform/dao/CDaoField.h"
#include "platform/dao/CDaoRow.h"
#include "platform/dao/CDaoSelect.h"
#include "platform/dao/CDaoStatement.h"
#include "platform/dao/DaoConstants.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QString>
#include <QVariant>
#include <memory>

class CDaoDatabase;

// A dynaset over one table: "SELECT * FROM table [WHERE ...] [ORDER BY ...]".
// It reads records as it moves and lets the database answer every question
// (a count is a count(*), a find a WHERE ... LIMIT 1), so no question reads
// the whole table into memory. Criteria and conditions are SQL; LIKE follows
// Jet's wildcards and, on a Date field, compares the date as the table shows
// it ("%x"). Moving or finding drops an edit that was not saved. While
// MoveFirst and MoveNext walk the records of a file, SQLite holds a read
// lock, so other programs' writes wait until the walk ends (Close, MoveLast
// or a find); a server's walk holds no lock.
class CDaoRecordset {
public:
    explicit CDaoRecordset(CDaoDatabase* pDatabase = nullptr);
    ~CDaoRecordset();
    CDaoRecordset(const CDaoRecordset&) = delete;
    CDaoRecordset& operator=(const CDaoRecordset&) = delete;

    // The current record is the first one, if any.
    void Open(int nOpenType = AFX_DAO_USE_DEFAULT_TYPE, const QString& strSql = QString(),
              int nOptions = 0);
    bool IsOpen() const;
    // Closes the recordset; an edit that was not saved is dropped.
    void Close();

    bool IsBOF();
    bool IsEOF();
    void MoveFirst();
    void MoveNext();
    // Raises a CDaoException when there is no record.
    void MoveLast();
    // The records accessed so far; after MoveLast, all of them.
    long GetRecordCount();

    // Moves to the first record that meets the criteria and returns true, or
    // returns false and stays where it was.
    bool FindFirst(const QString& strCriteria);
    bool Find(int nFindType, const QString& strCriteria);

    // A new record, or an edit of the current one; Update saves it with one
    // statement, so a save either happens whole or not at all.
    void AddNew();
    void Edit();
    // Converts the text to the field's type or raises a CDaoException naming
    // the field and the rule. A date text that reads as the stored date shows
    // keeps the stored value as it is.
    void SetFieldValue(const QString& strName, const QString& strValue);
    void Update();
    void Delete();

    // Field values: null, a qlonglong, a QString, or for a Date field a
    // QDateTime (without time zone) when the stored value is a date.
    QVariant GetFieldValue(const QString& strName);
    QVariant GetFieldValue(int nIndex);
    short GetFieldCount() const;

private:
    enum class Pending { None, First, Last };
    enum class EditMode { None, Add, Edit };

    void RequireOpen() const;
    void RequireCurrent();
    void LoadFields();
    int FieldIndex(const QString& strName) const;
    int RequireField(const QString& strName) const;
    QString WithShownDates(const QString& strCondition) const;
    QString Condition(const QString& strCriteria) const;
    QString SelectSql(const QString& strCondition) const;
    long CountRecords();
    void Resolve();
    void ResolveFirst();
    void ResolveLast();
    void TakeRow(CDaoStatement& statement);
    // A column of the current record: its rowid, then its fields.
    QVariant RowValue(int nColumn) const;
    void LeaveStream();
    void StepStream();
    void FindStreamRow();
    void CancelEdit();
    void InsertRecord();
    void UpdateRecord();
    void DeleteRecord();
    qint64 ChangedRows() const;

    CDaoDatabase* m_pDatabase;
    bool m_bOpen = false;
    CDaoSelect m_select;
    QString m_strWhere; // the WHERE condition, with shown dates for LIKE
    QList<CDaoField> m_fields;
    QHash<QString, int> m_fieldIndexes; // by lower-case name

    CDaoStatement m_stream; // the records in order, read as MoveFirst and MoveNext go
    bool m_bStreamOnCurrent = false;
    long m_nStreamIndex = -1;
    Pending m_pending = Pending::None;
    long m_nLastOffset = 0;
    long m_nAccessed = 0;

    std::unique_ptr<CDaoRow> m_pRow;    // the current record as stored: its rowid, then its fields
    QMap<int, QVariant> m_savedChanges; // by column: what this recordset saved over m_pRow
    bool m_bHaveRow = false;
    bool m_bDeleted = false;
    bool m_bBOF = true;
    bool m_bEOF = true;

    EditMode m_editMode = EditMode::None;
    QMap<int, QVariant> m_changes; // field index to the value to store
};
