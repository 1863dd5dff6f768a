#pragma once

#include "engine/contacts/CContactRow.h"

#include <QString>
#include <QStringView>
#include <functional>

// Reads the records of CSV text as RFC 4180 describes them, from text handed
// over piece by piece, so that a large file is never held whole: fields
// separated by the delimiter; a field that starts with a quote runs to its
// closing quote and may hold delimiters, doubled quotes and line breaks; a
// record ends at a line end outside quotes (see CLineEnd); blank lines
// between records are skipped. Every file read as CSV goes through it: the
// contacts files and the send log.
//
// The cost is linear in the text and a record's size is bounded: a record of
// more than kMaxFields fields or kMaxCharacters characters is read to its
// end but not kept; it comes back without fields, with the reason.
class CCsvReader {
public:
    static constexpr qsizetype kMaxFields = 1000;
    static constexpr qsizetype kMaxCharacters = 1024 * 1024;
    // How much of a line a StartsRecord test is shown.
    static constexpr qsizetype kStartLength = 64;

    // The next piece of the text; empty at its end. What it throws, ReadRecord
    // passes on.
    using Pieces = std::function<QString()>;
    // Whether a line, given as its first kStartLength characters or all of
    // it when shorter, starts a record.
    using StartsRecord = std::function<bool(QStringView line)>;

    explicit CCsvReader(Pieces pieces);

    void SetDelimiter(QChar delimiter) { m_delimiter = delimiter; }
    // For files whose records are known by their start: a quoted field left
    // open (a record cut short) ends before the next line that starts a
    // record, so that only the cut record is lost, not those after it.
    void SetRecordStart(StartsRecord startsRecord) { m_startsRecord = std::move(startsRecord); }

    // The first line of the text, at most nMax characters of it, read ahead
    // without taking it.
    QStringView PeekLine(qsizetype nMax);

    // The next record; false at the end of the text. A record whose quote is
    // never closed, or that is too long, carries its problem.
    bool ReadRecord(CContactRow* pRow);

private:
    enum class FieldEnd { Delimiter, Record };

    FieldEnd ReadField(QString* pField);
    bool ReadQuoted(QString* pField);
    QStringView ReadPlain();
    qsizetype QuotedRunEnd() const;
    void TakeLineEnd();
    bool NextLineStartsRecord();
    void Keep(QString* pField, QStringView text);
    void AddField(QString* pField);
    void Refuse(const QString& strProblem);
    void TooLong(const QString& strProblem);
    bool Ensure(qsizetype nCharacters);

    Pieces m_pieces;
    StartsRecord m_startsRecord;
    QChar m_delimiter = u',';
    QString m_buffer;
    qsizetype m_nPos = 0;
    bool m_bEnd = false;
    qint64 m_nLine = 1;
    // The record being read.
    CContactRow* m_pRow = nullptr;
    qsizetype m_nCharacters = 0;
    bool m_bTooLong = false;
};
