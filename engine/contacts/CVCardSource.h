#pragma once

#include "engine/contacts/CContactSource.h"
#include "engine/contacts/CContactText.h"

#include <QList>

// A file of vCards (2.1, 3.0 or 4.0), read card by card as a table whose
// columns are the properties an address record can use: FN (or, without it,
// the name put together from N), PREFIX (N's honorific prefix), EMAIL, ORG,
// TITLE, TEL, ADR, NOTE and the X-CORVANE- properties that an export writes.
// A card gives one row per EMAIL, the preferred one first, or one row
// without an address when it has none. Folded lines, quoted-printable
// values with soft line breaks and backslash escapes are undone; a value's
// CHARSET says how its bytes are read, before the encoding of the file.
//
// The file is read as bytes, with any line end (see CLineEnd). Its cost is
// linear in the file: the values of other properties (a PHOTO, say) are
// passed over without being kept, and a card keeps at most kMaxCardBytes of
// values and kMaxProperties properties; a longer one is refused with the
// reason. So is a card that a new BEGIN:VCARD cuts short.
class CVCardSource : public CContactSource {
public:
    static constexpr qsizetype kMaxCardBytes = 1024 * 1024;
    static constexpr qsizetype kMaxProperties = 1000;

    // Throws CContactError when the file cannot be read.
    explicit CVCardSource(const QString& strPath);

    QStringList Headers() const override { return ColumnNames(); }
    bool ReadRow(CContactRow* pRow) override;
    qint64 Size() const override { return m_text.Size(); }
    qint64 BytesRead() const override { return m_text.BytesRead(); }
    const QList<qint64>& FallbackLines() const override { return m_text.FallbackLines(); }
    qint64 FallbackLineCount() const override { return m_text.FallbackLineCount(); }

    static const QStringList& ColumnNames();
    // The name of the X- property that carries field strField of a record.
    static QString ExtensionProperty(const QString& strField);

private:
    // One content line, unfolded: its name (upper case, group dropped), its
    // parameters as written, its value still encoded (kept only for the
    // properties a column uses).
    struct Property {
        QString strName;
        QStringList params;
        QByteArray value;
        qint64 nLine = 0;
    };
    // A property as its lines come in.
    struct Reading;

    bool ReadCard();
    bool ReadProperty(Property* pProperty);
    void TakeLine(Reading* pReading, QByteArrayView line, bool bSoftBreak);
    bool ReadPhysicalLine(QByteArray* pLine);
    bool PeekPhysicalLine(QByteArray** ppLine);
    bool Ensure(qsizetype nBytes);
    QStringList DecodeValue(const Property& property);
    QString DecodeText(const QByteArray& bytes, bool bPreferUtf8, qint64 nLine);
    void AddCardRows(const QList<Property>& properties, qint64 nLine, const QString& strProblem);

    CContactText m_text;
    QByteArray m_buffer;
    qsizetype m_nPos = 0;
    bool m_bEnd = false;
    qint64 m_nPhysicalLine = 0; // the number of the line read last
    QByteArray m_pending;       // a line read ahead
    bool m_bHavePending = false;
    qint64 m_nPendingLine = 0;
    qsizetype m_nCardBytes = 0; // of the card being read
    bool m_bBeginRead = false;  // a BEGIN:VCARD that cut the card before it short
    qint64 m_nBeginLine = 0;
    QList<CContactRow> m_rows; // rows of the card read last, not yet handed out
};
