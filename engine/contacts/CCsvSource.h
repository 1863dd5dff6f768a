#pragma once

#include "engine/contacts/CContactSource.h"
#include "engine/contacts/CContactText.h"

// A CSV file as RFC 4180 describes it: fields separated by the delimiter,
// quoted fields holding delimiters, doubled quotes and line breaks, records
// ending in CR LF, LF or CR. The delimiter (comma, semicolon or tab) is the
// one the header row uses most. A first row that holds an address is data,
// not a header: the columns are then "Column 1", "Column 2", ...
class CCsvSource : public CContactSource {
public:
    // Throws CContactError when the file cannot be read or has no rows.
    explicit CCsvSource(const QString& strPath);

    QStringList Headers() const override { return m_headers; }
    // A row whose number of fields differs from the header's, or whose quote
    // is never closed, carries the problem with it.
    bool ReadRow(CContactRow* pRow) override;
    qint64 Size() const override { return m_text.Size(); }
    qint64 BytesRead() const override { return m_text.BytesRead(); }

    QChar Delimiter() const { return m_delimiter; }
    QByteArray Encoding() const { return m_text.Encoding(); }

    // The delimiter of a header line: the one of comma, semicolon and tab
    // that occurs most outside quotes; a comma when none does.
    static QChar FindDelimiter(QStringView line);

private:
    bool ReadRecord(CContactRow* pRow);
    QStringView ReadPlain();
    bool ReadQuoted(QString* pField);
    bool Fill();
    QChar Next();
    bool AtEnd();
    void SkipLineEnd(QChar c);

    CContactText m_text;
    QString m_buffer;
    qsizetype m_nPos = 0;
    bool m_bEnd = false;
    qint64 m_nLine = 1;
    QChar m_delimiter = u',';
    QStringList m_headers;
    bool m_bFirstRowIsData = false;
    CContactRow m_firstRow;
};
