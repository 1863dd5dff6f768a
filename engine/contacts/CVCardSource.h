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
// values with soft line breaks, CHARSET and backslash escapes are undone.
class CVCardSource : public CContactSource {
public:
    // Throws CContactError when the file cannot be read.
    explicit CVCardSource(const QString& strPath);

    QStringList Headers() const override { return ColumnNames(); }
    bool ReadRow(CContactRow* pRow) override;
    qint64 Size() const override { return m_text.Size(); }
    qint64 BytesRead() const override { return m_text.BytesRead(); }

    static const QStringList& ColumnNames();
    // The name of the X- property that carries field strField of a record.
    static QString ExtensionProperty(const QString& strField);

    // One content line, unfolded: property name (upper case, group dropped),
    // parameters as written, value still encoded.
    struct Property {
        QString strName;
        QStringList params;
        QString strValue;
    };
    static Property ParseLine(const QString& strLine);
    // The value as text: quoted-printable and CHARSET decoded, escapes undone.
    // A structured value's components are split at unescaped semicolons.
    static QStringList DecodeValue(const Property& property);

private:
    bool ReadCard();
    bool ReadLogicalLine(QString* pLine);
    bool ReadPhysicalLine(QString* pLine);
    void AddCardRows(const QList<Property>& properties, qint64 nLine);

    CContactText m_text;
    QString m_buffer;
    qsizetype m_nPos = 0;
    bool m_bEnd = false;
    qint64 m_nPhysicalLine = 0;
    qint64 m_nLine = 0; // the first line of the logical line read last
    qint64 m_nPendingLine = 0;
    QString m_strPending;
    bool m_bHavePending = false;
    QList<CContactRow> m_rows; // rows of the card read last, not yet handed out
};
