#include "engine/contacts/CContactExport.h"

#include "engine/contacts/CContactError.h"
#include "engine/contacts/CContactSource.h"
#include "engine/contacts/CCsvWriter.h"
#include "engine/contacts/CVCardSource.h"
#include "platform/dao/CDaoDatabase.h"
#include "platform/dao/CDaoStatement.h"
#include "platform/dao/CSqlText.h"

#include <QSaveFile>
#include <QSet>

namespace {

constexpr qsizetype kMaxLineBytes = 75;
constexpr qsizetype kFlushSize = 256 * 1024;

QString Escaped(const QString& strValue) {
    QString strEscaped;
    for (const QChar c : strValue) {
        if (c == u'\\' || c == u',' || c == u';')
            strEscaped += u'\\';
        if (c == u'\n')
            strEscaped += QStringLiteral("\\n");
        else if (c != u'\r')
            strEscaped += c;
    }
    return strEscaped;
}

// Lines longer than 75 bytes are folded: CR LF and a blank, never inside a
// UTF-8 character.
QByteArray Folded(const QString& strLine) {
    const QByteArray utf8 = strLine.toUtf8();
    QByteArray folded;
    qsizetype nLineBytes = 0;
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        const bool bStartsCharacter = (static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80;
        if (bStartsCharacter && nLineBytes >= kMaxLineBytes) {
            folded += "\r\n ";
            nLineBytes = 1;
        }
        folded += utf8[i];
        ++nLineBytes;
    }
    return folded + "\r\n";
}

// The store keeps a single blank for an empty field (as the record dialog
// saves one); a file carries it as the empty field it stands for, which an
// import stores as the single blank again.
QByteArrayView FileText(QByteArrayView stored) {
    return stored == " " ? QByteArrayView() : stored;
}

} // namespace

CContactExport::CContactExport(CDaoDatabase* pDatabase, const CTableSchema& schema)
    : m_pDatabase(pDatabase), m_schema(schema) {}

int CContactExport::Run(const QString& strPath, const QList<qlonglong>& keys) {
    const bool bVCard = CContactSource::IsVCardPath(strPath);
    const QSet<qlonglong> wanted(keys.cbegin(), keys.cend());
    const QString& strKey = m_schema.m_arrName[m_schema.m_nKeyField];
    // Read straight from the table: the stored texts are what a file carries.
    CDaoStatement select = m_pDatabase->Prepare(
        QStringLiteral("SELECT * FROM %1 ORDER BY %2")
            .arg(CSqlText::QuoteName(m_schema.m_strTable), CSqlText::QuoteName(strKey)),
        false);
    std::unique_ptr<CCsvWriter> pCsv;
    QSaveFile vcf(strPath);
    QByteArray buffer;
    const auto writeVCard = [&vcf, &buffer](bool bFinal) {
        if ((bFinal || buffer.size() >= kFlushSize) && vcf.write(buffer) != buffer.size())
            throw CContactError::CannotWrite(vcf.fileName(), vcf.errorString());
        if (bFinal || buffer.size() >= kFlushSize)
            buffer.clear();
    };
    if (bVCard && !vcf.open(QIODevice::WriteOnly))
        throw CContactError::CannotWrite(strPath, vcf.errorString());
    if (!bVCard) {
        pCsv = std::make_unique<CCsvWriter>(strPath);
        pCsv->Write(m_schema.m_arrName);
    }
    int nWritten = 0;
    QList<QByteArrayView> fields(m_schema.m_nFields);
    while (select.Step()) {
        if (!wanted.isEmpty() && !wanted.contains(select.Column(m_schema.m_nKeyField).toLongLong()))
            continue;
        for (int nField = 0; nField < m_schema.m_nFields; ++nField)
            fields[nField] = FileText(select.ColumnUtf8(nField));
        if (bVCard) {
            QStringList values;
            for (const QByteArrayView field : std::as_const(fields))
                values.append(QString::fromUtf8(field));
            buffer += VCard(m_schema, values);
            writeVCard(false);
        } else {
            pCsv->Write(fields);
        }
        ++nWritten;
    }
    select = CDaoStatement();
    if (pCsv)
        pCsv->Commit();
    else {
        writeVCard(true);
        if (!vcf.commit())
            throw CContactError::CannotWrite(strPath, vcf.errorString());
    }
    return nWritten;
}

// FN and EMAIL carry the name and the address, N the prefix; the fields
// that no vCard property holds travel as X-CORVANE- properties, so that an
// import of the file gives the same records back.
QByteArray CContactExport::VCard(const CTableSchema& schema, const QStringList& values) {
    const auto value = [&schema, &values](const QString& strField) {
        return values.value(schema.m_arrName.indexOf(strField));
    };
    QStringList lines = {
        QStringLiteral("FN:") + Escaped(value(QStringLiteral("Name"))),
        QStringLiteral("N:;;;%1;").arg(Escaped(value(QStringLiteral("Prefix")))),
        QStringLiteral("EMAIL;TYPE=INTERNET:") + Escaped(value(QStringLiteral("EMail")))};
    for (const QString& strField : {QStringLiteral("Date"), QStringLiteral("Template"),
                                    QStringLiteral("MY_1"), QStringLiteral("MY_2"),
                                    QStringLiteral("MY_3"), QStringLiteral("MY_4"),
                                    QStringLiteral("MY_5")})
        lines.append(CVCardSource::ExtensionProperty(strField) + u':' + Escaped(value(strField)));
    QByteArray card = "BEGIN:VCARD\r\nVERSION:3.0\r\n";
    for (const QString& strLine : lines)
        card += Folded(strLine);
    return card + "END:VCARD\r\n";
}
