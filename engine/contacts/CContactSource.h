#pragma once

#include "engine/contacts/CContactRow.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

// A contacts file read as a table: column headers, then one row at a time.
class CContactSource {
public:
    virtual ~CContactSource() = default;

    virtual QStringList Headers() const = 0;
    // The next row; false at the end. Throws CContactError when the file
    // cannot be read.
    virtual bool ReadRow(CContactRow* pRow) = 0;
    // For progress: the file's size and how much of it has been read.
    virtual qint64 Size() const = 0;
    virtual qint64 BytesRead() const = 0;
    // The lines of a UTF-8 file that were read as Windows-1252 (the first of
    // them), and how many in all.
    virtual const QList<qint64>& FallbackLines() const = 0;
    virtual qint64 FallbackLineCount() const = 0;

    // A vCard source for a .vcf or .vcard file, a CSV source for any other.
    // Throws CContactError when the file cannot be read or holds no header.
    static std::unique_ptr<CContactSource> Open(const QString& strPath);
    static bool IsVCardPath(const QString& strPath);
};
