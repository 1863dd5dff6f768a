#pragma once

#include "engine/contacts/CAddressKey.h"
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
// whose address the mail library would refuse are listed, not imported; so
// are rows whose template is not a plain file name of the start folder,
// since a send reads that file and mails what it holds.
//
// A cell with several addresses joined by " ::: " (Google Contacts) gives one
// record per address. An address whose domain is not ASCII is stored in its
// ASCII form, which the summary notes. A file written by the program's own
// export (its header is the table's) has the guard of its fields taken off.
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

    // Why a template name from outside (a file, the command line) cannot
    // stand: it must be a plain file name, with no folder part, not "." or
    // "..". Empty when it can.
    static QString TemplateProblem(const QString& strTemplate);
    // Why an import without a column for the address cannot start.
    static QString NoAddressColumn();

private:
    void ImportRow(CContactRow row, CDaoRecordset& recordset);
    void ImportRecord(const CContactRow& row, QStringList values, CDaoRecordset& recordset);
    QStringList RecordValues(const QStringList& fields) const;
    QString StoredAddress(const CContactRow& row, const QString& strAddress);
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
    QHash<CAddressKey, qlonglong> m_stored; // address to record key
    QHash<CAddressKey, qint64> m_seen;      // address to its line in the file
};
