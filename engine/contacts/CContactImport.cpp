#include "engine/contacts/CContactImport.h"

#include "engine/address/CAddressRule.h"
#include "engine/contacts/CContactError.h"
#include "engine/contacts/CContactSource.h"
#include "engine/contacts/CCsvSource.h"
#include "engine/contacts/CCsvWriter.h"
#include "engine/contacts/CIdnAddress.h"
#include "platform/dao/CDaoDatabase.h"
#include "platform/dao/CDaoException.h"
#include "platform/dao/CDaoRecordset.h"
#include "platform/dao/COleDateTime.h"
#include "platform/dao/CSqlText.h"
#include "platform/dao/DaoConstants.h"

namespace {

constexpr int kRowsPerProgress = 256;
// Google Contacts joins the addresses of one label in one cell with this.
const QString kAddressJoin = QStringLiteral(" ::: ");

// The record dialog stores a single blank for a field left empty.
QString StoredText(const QString& strText) {
    return strText.isEmpty() ? QStringLiteral(" ") : strText;
}

qsizetype CharacterCount(const QString& strText) {
    qsizetype nCount = 0;
    for (const QChar c : strText)
        nCount += c.isLowSurrogate() ? 0 : 1;
    return nCount;
}

// A control character, other than the tab and line breaks a memo may hold.
int ControlCharacter(const QString& strText, bool bMemo) {
    for (const QChar c : strText) {
        const char16_t u = c.unicode();
        if (bMemo && (u == u'\t' || u == u'\n' || u == u'\r'))
            continue;
        if (u < 0x20 || (u >= 0x7F && u <= 0x9F))
            return u;
    }
    return -1;
}

// A date as the table stores it. The stored form itself, as an export
// writes it, is taken as it is, since a file of many rows mostly has it.
QString StoredDate(const QString& strText) {
    static constexpr char16_t kIsoForm[] = u"0000-00-00 00:00:00";
    bool bIsoForm = strText.size() == 19;
    for (qsizetype i = 0; bIsoForm && i < strText.size(); ++i)
        bIsoForm = kIsoForm[i] == u'0' ? strText[i].isDigit() && strText[i].unicode() < 0x80
                                        : strText[i] == kIsoForm[i];
    const auto number = [&strText](qsizetype nPos, qsizetype nLength) {
        return QStringView(strText).mid(nPos, nLength).toInt();
    };
    if (bIsoForm && QDate::isValid(number(0, 4), number(5, 2), number(8, 2)) &&
        QTime::isValid(number(11, 2), number(14, 2), number(17, 2)))
        return strText;
    COleDateTime date;
    date.ParseDateTime(strText);
    return date.FormatIso();
}

} // namespace

CContactImport::CContactImport(CDaoDatabase* pDatabase, const CTableSchema& schema)
    : m_pDatabase(pDatabase), m_schema(schema),
      m_nEMailField(int(schema.m_arrName.indexOf(QStringLiteral("EMail")))),
      m_nDateField(int(schema.m_arrName.indexOf(QStringLiteral("Date")))),
      m_nTemplateField(int(schema.m_arrName.indexOf(QStringLiteral("Template")))) {}

CImportSummary CContactImport::Run(CContactSource& source, const CImportOptions& options,
                                   const Progress& progress) {
    if (!options.mapping.IsMapped(CContactMapping::FieldIndex(QStringLiteral("EMail"))))
        throw CContactError(NoAddressColumn());
    if (const QString strProblem = TemplateProblem(options.strTemplate); !strProblem.isEmpty())
        throw CContactError(strProblem);
    m_options = options;
    m_summary = CImportSummary();
    m_summary.m_headers = source.Headers();
    m_bOwnExport = source.Headers().mid(0, m_schema.m_nFields) == m_schema.m_arrName;
    m_stored.clear();
    m_seen.clear();
    m_strToday = COleDateTime::GetCurrentTime().FormatIso();

    // Taken at once, so that no other program writes between the look-up of
    // the stored addresses and the commit.
    m_pDatabase->Execute(QStringLiteral("BEGIN IMMEDIATE"));
    try {
        LoadStoredAddresses();
        CDaoRecordset recordset(m_pDatabase);
        recordset.Open(AFX_DAO_USE_DEFAULT_TYPE, QStringLiteral("SELECT * FROM %1").arg(m_schema.m_strTable));
        m_insert = m_pDatabase->Prepare(InsertSql(), false);
        CContactRow row;
        qint64 nRows = 0;
        while (source.ReadRow(&row)) {
            if (progress && ++nRows % kRowsPerProgress == 0 &&
                !progress(source.BytesRead(), source.Size())) {
                m_summary.m_bCancelled = true;
                break;
            }
            ImportRow(row, recordset);
        }
        recordset.Close();
        m_insert = CDaoStatement();
        m_summary.m_fallbackLines = source.FallbackLines();
        m_summary.m_nFallbackLines = source.FallbackLineCount();
        if (!m_summary.m_bCancelled && m_summary.m_nAdded + m_summary.m_nUpdated +
                                               m_summary.m_nDuplicates +
                                               m_summary.m_nRefused == 0)
            throw CContactError(QStringLiteral("The file holds no addresses."));
        m_pDatabase->Execute(m_summary.m_bCancelled ? QStringLiteral("ROLLBACK")
                                                    : QStringLiteral("COMMIT"));
    } catch (...) {
        m_insert = CDaoStatement();
        try {
            m_pDatabase->Execute(QStringLiteral("ROLLBACK"));
        } catch (const CDaoException&) {
            // A failed commit may have ended the transaction already.
        }
        throw;
    }
    if (m_summary.m_bCancelled)
        m_summary.m_nAdded = m_summary.m_nUpdated = 0;
    return m_summary;
}

void CContactImport::ImportRow(CContactRow row, CDaoRecordset& recordset) {
    if (m_bOwnExport)
        for (QString& strField : row.fields)
            strField = CCsvWriter::Unguarded(strField);
    if (!row.strProblem.isEmpty())
        return NotImported(row, row.strProblem, false);
    // A row short of fields is taken when the columns it lacks fill nothing.
    if (const qsizetype nHeaders = m_summary.m_headers.size();
        row.fields.size() < nHeaders && m_options.mapping.LastColumn() >= row.fields.size())
        return NotImported(row, CCsvSource::WrongFieldCount(row.fields.size(), nHeaders), false);
    const QStringList values = RecordValues(row.fields);
    const QString& strEMail = values[m_nEMailField];
    if (!strEMail.contains(kAddressJoin))
        return ImportRecord(row, values, recordset);
    for (const QString& strAddress : strEMail.split(kAddressJoin)) {
        QStringList one = values;
        one[m_nEMailField] = strAddress.trimmed();
        ImportRecord(row, one, recordset);
    }
}

void CContactImport::ImportRecord(const CContactRow& row, QStringList values,
                                  CDaoRecordset& recordset) {
    values[m_nEMailField] = StoredAddress(row, values[m_nEMailField]);
    if (const QString strReason = Check(values); !strReason.isEmpty())
        return NotImported(row, strReason, false);
    const CAddressKey key = CAddressKey::Of(values[m_nEMailField]);
    if (const auto seen = m_seen.constFind(key); seen != m_seen.cend())
        return NotImported(row, QStringLiteral("The address %1 is in line %2 already.")
                                    .arg(values[m_nEMailField])
                                    .arg(seen.value()),
                           true);
    m_seen.insert(key, row.nLine);
    const auto stored = m_stored.constFind(key);
    if (stored == m_stored.cend())
        return AddRecord(values);
    if (!m_options.bUpdate)
        return NotImported(row, QStringLiteral("The address %1 is stored already.")
                                    .arg(values[m_nEMailField]),
                           true);
    UpdateRecord(stored.value(), values, recordset);
}

// An address whose domain is not ASCII is stored in the ASCII form that mail
// goes out with, and the summary says so.
QString CContactImport::StoredAddress(const CContactRow& row, const QString& strAddress) {
    const QString strAscii = CIdnAddress::AsciiForm(strAddress);
    if (strAscii != strAddress)
        m_summary.Note(row.nLine, QStringLiteral("The address %1 is stored as %2.").arg(strAddress, strAscii));
    return strAscii;
}

// The texts by the table's field index; the key stays empty.
QStringList CContactImport::RecordValues(const QStringList& fields) const {
    QStringList values(m_schema.m_nFields);
    for (int nField = 0; nField < CContactMapping::Fields().size(); ++nField)
        if (m_options.mapping.IsMapped(nField))
            values[nField + 1] = m_options.mapping.Value(nField, fields);
    values[m_nEMailField] = values[m_nEMailField].trimmed();
    return values;
}

QString CContactImport::Check(const QStringList& values) const {
    const QString& strEMail = values[m_nEMailField];
    if (strEMail.isEmpty())
        return QStringLiteral("It has no e-mail address.");
    for (int nField = 1; nField < m_schema.m_nFields; ++nField) {
        const QString& strName = m_schema.m_arrName[nField];
        const QString& strValue = values[nField];
        const int nType = m_schema.m_arrType[nField];
        if (nType == dbDate) {
            if (!strValue.trimmed().isEmpty() && !COleDateTime().ParseDateTime(strValue))
                return QStringLiteral("The %1 \"%2\" is not a date.").arg(strName, strValue);
            continue;
        }
        if (const int nControl = ControlCharacter(strValue, nType == dbMemo); nControl >= 0)
            return QStringLiteral("The %1 holds a control character (U+%2).")
                .arg(strName)
                .arg(nControl, 4, 16, QChar(u'0'));
        if (const qsizetype nLength = CharacterCount(strValue);
            nType == dbText && nLength > m_schema.m_arrSize[nField])
            return QStringLiteral("The %1 has %2 characters; it holds at most %3.")
                .arg(strName)
                .arg(nLength)
                .arg(m_schema.m_arrSize[nField]);
    }
    if (!CAddressRule::IsPlain(strEMail))
        return QStringLiteral("The mail library would refuse the address \"%1\".").arg(strEMail);
    if (const QString& strTemplate = values[m_nTemplateField]; !strTemplate.trimmed().isEmpty())
        return TemplateProblem(strTemplate);
    return QString();
}

QString CContactImport::NoAddressColumn() {
    return QStringLiteral("No column of the file is chosen for the e-mail address.");
}

QString CContactImport::TemplateProblem(const QString& strTemplate) {
    if (strTemplate.isEmpty() ||
        (strTemplate != u"." && strTemplate != u".." && !strTemplate.contains(u'/') &&
         !strTemplate.contains(u'\\')))
        return QString();
    return QStringLiteral("The template \"%1\" is not the name of a file in the start folder.")
        .arg(strTemplate);
}

void CContactImport::LoadStoredAddresses() {
    CDaoRecordset recordset(m_pDatabase);
    recordset.Open(AFX_DAO_USE_DEFAULT_TYPE, QStringLiteral("SELECT * FROM %1").arg(m_schema.m_strTable));
    for (; !recordset.IsEOF(); recordset.MoveNext())
        m_stored.insert(CAddressKey::Of(recordset.GetFieldValue(m_nEMailField).toString()),
                        recordset.GetFieldValue(m_schema.m_nKeyField).toLongLong());
}

// One prepared statement inserts every new record; the values are checked
// already, and the table's own rules stand behind the checks.
void CContactImport::AddRecord(const QStringList& values) {
    for (int nField = 1; nField < m_schema.m_nFields; ++nField) {
        QString strValue = values[nField];
        if (nField == m_nDateField)
            strValue = strValue.trimmed().isEmpty() ? m_strToday : StoredDate(strValue);
        else if (nField == m_nTemplateField && strValue.isEmpty())
            strValue = m_options.strTemplate;
        m_insert.Bind(nField, StoredText(strValue));
    }
    m_insert.Step();
    m_insert.Reset();
    ++m_summary.m_nAdded;
}

QString CContactImport::InsertSql() const {
    QStringList columns;
    for (int nField = 1; nField < m_schema.m_nFields; ++nField)
        columns.append(CSqlText::QuoteName(m_schema.m_arrName[nField]));
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
        .arg(CSqlText::QuoteName(m_schema.m_strTable), columns.join(QStringLiteral(", ")),
             QStringList(columns.size(), QStringLiteral("?")).join(QStringLiteral(", ")));
}

// Only fields that the file fills are changed: an empty cell keeps what is
// stored, so that a sparse file never blanks a record.
void CContactImport::UpdateRecord(qlonglong nId, const QStringList& values,
                                  CDaoRecordset& recordset) {
    const QString& strKey = m_schema.m_arrName[m_schema.m_nKeyField];
    if (!recordset.FindFirst(QStringLiteral("%1 = %2").arg(strKey).arg(nId)))
        throw CDaoException(QStringLiteral("The record %1 is gone.").arg(nId));
    recordset.Edit();
    for (int nField = 1; nField < m_schema.m_nFields; ++nField)
        if (nField != m_nEMailField && !values[nField].trimmed().isEmpty())
            recordset.SetFieldValue(m_schema.m_arrName[nField], nField == m_nDateField
                                                                    ? StoredDate(values[nField])
                                                                    : values[nField]);
    if (m_options.bTemplateForUpdated && !m_options.strTemplate.isEmpty() &&
        values[m_nTemplateField].trimmed().isEmpty())
        recordset.SetFieldValue(m_schema.m_arrName[m_nTemplateField], m_options.strTemplate);
    recordset.Update();
    ++m_summary.m_nUpdated;
}

// A twin keeps no fields: it is not to be fixed, and a file imported twice
// would otherwise be held whole. A refused row keeps its fields, under the
// file's header, for the refused-rows file.
void CContactImport::NotImported(const CContactRow& row, const QString& strReason, bool bDuplicate) {
    QStringList fields = row.fields;
    while (fields.size() < m_summary.m_headers.size())
        fields.append(QString());
    m_summary.NotImported(CRefusedRow{row.nLine, strReason, bDuplicate}, bDuplicate ? QStringList() : fields);
}
