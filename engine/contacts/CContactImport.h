#pragma once

#include "engine/contacts/CImportOptions.h"
#include "engine/contacts/CImportSummary.h"
#include "platform/dao/CDaoStatement.h"
#include "engine/store/CTableSchema.h"

#include <QHash>
#include <QStringList>
#include <functional>

class CContactSource;
class CDaoDatabase;
class CDaoRecordset;
struct CContactRow;

// Imports the rows of a contacts file into the address table in one write
// transaction: the store takes all of them or, when the import fails or is
// cancelled, none, and its file stays as it was. Every record obeys the
// table's rules (sizes, no empty texts: an empty field gets a single blank as
// the record dialog gives it) and "no twins": no two records with the same
// EMail, letter case ignored, also within the file. Rows that break a rule or
// whose address the mail library would refuse are listed, not imported.
// A file written by the program's own export (its header is the table's)
// has the guard of its fields taken off.
class CContactImport {
public:
    // Told how far the file has been read; false cancels the import.
    using Progress = std::function<bool(qint64 nBytesRead, qint64 nBytesTotal)>;

    CContactImport(CDaoDatabase* pDatabase, const CTableSchema& schema);

    // Throws CDaoException when the store fails and CContactError when the
    // file cannot be read or holds no addresses; the store is rolled back
    // first. A cancelled import returns a summary with m_bCancelled.
    CImportSummary Run(CContactSource& source, const CImportOptions& options,
                       const Progress& progress = {});

    // Why a record's field values (by the table's field index) cannot be
    // stored; empty when they can.
    QString Check(const QStringList& values) const;

private:
    void ImportRow(CContactRow row, CDaoRecordset& recordset);
    QStringList RecordValues(const QStringList& fields) const;
    void LoadStoredAddresses();
    void AddRecord(const QStringList& values);
    QString InsertSql() const;
    void UpdateRecord(qlonglong nId, const QStringList& values, CDaoRecordset& recordset);
    void NotImported(const CContactRow& row, const QString& strReason, bool bDuplicate);

    CDaoDatabase* m_pDatabase;
    const CTableSchema& m_schema;
    int m_nEMailField;
    int m_nDateField;
    int m_nTemplateField;
    bool m_bOwnExport = false;
    CImportOptions m_options;
    CImportSummary m_summary;
    QString m_strToday;
    CDaoStatement m_insert;
    QHash<QString, qlonglong> m_stored; // folded address to record key
    QHash<QString, qint64> m_seen;      // folded address to its line in the file
};
