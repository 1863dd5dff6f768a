#pragma once

#include "engine/store/CTableSchema.h"
#include "platform/dao/CDaoField.h"
#include "platform/dao/CDaoRecordset.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>

class CDaoDatabase;

// The records of the address table, through one dynaset over the whole table
// that stays open while this object lives; each operation is one question to
// SQLite. Values come in field order as texts, the way the table shows them.
// Throws CDaoException: the constructor when the table cannot be opened (a
// closed store, a missing table), every operation when the database fails or
// a value breaks a field's rule. Nothing is ever shown to the user here.
class CAddressRecords {
public:
    CAddressRecords(CDaoDatabase* pDatabase, const CTableSchema& schema);
    CAddressRecords(const CAddressRecords&) = delete;
    CAddressRecords& operator=(const CAddressRecords&) = delete;

    // The number of records; 0 for an empty table.
    int Count();
    // True when a record's EMail equals strEMail, ignoring the case of ASCII
    // letters.
    bool FindByEMail(const QString& strEMail);
    // The same, among the records other than the one whose key is nExceptID:
    // a record being edited is no twin of itself.
    bool FindByEMail(const QString& strEMail, int nExceptID);
    // Adds a record of arrValues (the key's value is ignored: the database
    // numbers the record) with one statement, so a failure adds nothing.
    void Add(const QStringList& arrValues);
    // Saves arrValues over the record whose key is the first value read as
    // a number; false, and nothing changed, when no record has that key.
    bool Update(const QStringList& arrValues);
    // Deletes the record with the key as the table shows it; false when no
    // record has it (another program deleted it meanwhile) or when the key
    // field is neither text nor number. One prepared statement serves every
    // call, so that deleting thousands costs no statement text each.
    bool DeleteByKey(const QString& strKey);

    // The criteria texts of the operations above: the address's and a text
    // key's single quotes doubled, so a quote is just a character.
    static QString EMailCriteria(const QString& strEMail);
    static QString TwinCriteria(const CTableSchema& schema, const QString& strEMail, int nExceptID);
    static QString IdCriteria(const QString& strId);
    // "%s='%s'" for a text key, "%s=%d" for a number; nothing for a key
    // field of another type.
    static std::optional<QString> KeyCriteria(const CTableSchema& schema, const QString& strKey);

    // The number at the start of a text, read the way atoi reads it.
    static int AtoI(const QString& strText);

private:
    // The value of the key field for the key as the table shows it; nothing
    // for a key field of another type than text or number.
    static std::optional<QVariant> KeyValue(const CTableSchema& schema, const QString& strKey);
    void SetValues(const QStringList& arrValues);
    bool UpdateThroughRecordset(const QStringList& arrValues);
    std::optional<QList<QVariant>> StoredValues(const QStringList& arrValues) const;
    QString UpdateSql() const;
    // Text, memo and date fields take values; the key is the database's.
    static bool IsWritten(int nType);

    CDaoDatabase* m_pDatabase;
    const CTableSchema m_schema;
    CDaoRecordset m_recordset;
    QList<CDaoField> m_fields;       // the table's, as the database has them
    bool m_bNumberKeyColumn = false; // whatever the schema says
};
