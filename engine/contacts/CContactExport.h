#pragma once

#include "engine/store/CTableSchema.h"

#include <QByteArray>
#include <QList>
#include <QString>

class CDaoDatabase;

// Writes address records to a file, streamed record by record: CSV (UTF-8
// with a byte-order mark, the field names as header, dates as stored, ISO
// 8601, no field that starts a spreadsheet formula) for a .csv or .txt file,
// vCard 3.0 for a .vcf or .vcard file. A stored single blank (an empty
// field) is written as an empty value. The file appears whole or not at all;
// an import of it gives the same records back.
class CContactExport {
public:
    CContactExport(CDaoDatabase* pDatabase, const CTableSchema& schema);

    // Writes the records with the keys given, or all records when there are
    // none, in key order; returns how many were written. Throws CContactError
    // when the file cannot be written, CDaoException when the store fails.
    int Run(const QString& strPath, const QList<qlonglong>& keys = {});

    // A vCard 3.0 card for a record's texts (by the table's field index).
    static QByteArray VCard(const CTableSchema& schema, const QStringList& values);

private:
    CDaoDatabase* m_pDatabase;
    const CTableSchema& m_schema;
};
