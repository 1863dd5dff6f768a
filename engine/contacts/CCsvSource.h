#pragma once

#include "engine/contacts/CContactSource.h"
#include "engine/contacts/CContactText.h"
#include "engine/contacts/CCsvReader.h"

// A CSV file, read by CCsvReader. The delimiter (comma, semicolon or tab) is
// the one the header row uses most. A first row that holds an address is
// data, not a header: the columns are then "Column 1", "Column 2", ...
class CCsvSource : public CContactSource {
public:
    // Throws CContactError when the file cannot be read or has no rows.
    explicit CCsvSource(const QString& strPath);

    QStringList Headers() const override { return m_headers; }
    // A row with more fields than the header, some of them not empty, a
    // quote never closed or too long a text carries the problem with it. A
    // row may have fewer fields than the header: the import decides.
    bool ReadRow(CContactRow* pRow) override;
    qint64 Size() const override { return m_text.Size(); }
    qint64 BytesRead() const override { return m_text.BytesRead(); }
    const QList<qint64>& FallbackLines() const override { return m_text.FallbackLines(); }
    qint64 FallbackLineCount() const override { return m_text.FallbackLineCount(); }

    QChar Delimiter() const { return m_delimiter; }
    QByteArray Encoding() const { return m_text.Encoding(); }
    // Names the file's columns in their order, for a file without a header
    // (or with one that says nothing); columns beyond the names keep theirs.
    void NameColumns(const QStringList& names);

    // The delimiter of a header line: the one of comma, semicolon and tab
    // that occurs most outside quotes; a comma when none does.
    static QChar FindDelimiter(QStringView line);
    // Why a row with another number of fields than the header is refused.
    static QString WrongFieldCount(qsizetype nFields, qsizetype nHeaders);

private:
    void DropEmptyExtras(CContactRow* pRow) const;

    CContactText m_text;
    CCsvReader m_reader;
    QChar m_delimiter = u',';
    QStringList m_headers;
    bool m_bFirstRowIsData = false;
    CContactRow m_firstRow;
};
