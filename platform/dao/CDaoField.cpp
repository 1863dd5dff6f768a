#include "platform/dao/CDaoField.h"

#include "platform/dao/CDaoException.h"
#include "platform/dao/COleDateTime.h"
#include "platform/dao/CSqlText.h"
#include "platform/dao/DaoConstants.h"

#include <QDateTime>
#include <QRegularExpression>

namespace {

constexpr long kMaxTextSize = 255;

// Characters as SQLite's length() counts them: code points, not UTF-16 units.
qsizetype CharacterCount(const QString& strText) {
    qsizetype nCount = 0;
    for (const QChar ch : strText)
        nCount += ch.isLowSurrogate() ? 0 : 1;
    return nCount;
}

} // namespace

CDaoField::CDaoField(const QString& strName, short nType, long lSize, long lAttributes)
    : m_strName(strName), m_nType(nType), m_lSize(lSize), m_lAttributes(lAttributes) {
    if (nType != dbLong && nType != dbDate && nType != dbText && nType != dbMemo)
        throw CDaoException(
            QStringLiteral("Field '%1' has type %2, which this database does not support.")
                .arg(strName, QString::number(nType)));
    if (nType == dbText && (lSize < 1 || lSize > kMaxTextSize))
        throw CDaoException(
            QStringLiteral("Field '%1' is a text field of %2 characters; text "
                           "fields hold 1 to %3.")
                .arg(strName, QString::number(lSize), QString::number(kMaxTextSize)));
    if ((lAttributes & dbAutoIncrField) && nType != dbLong)
        throw CDaoException(
            QStringLiteral("Field '%1' is numbered by the database, so it must be a Long field.")
                .arg(strName));
}

CDaoField CDaoField::FromColumn(const QString& strName, const QString& strDeclaredType,
                                bool bRowKey) {
    static const QRegularExpression sized(QStringLiteral("\\((\\d+)\\)"));
    const QString strType = strDeclaredType.toUpper();
    CDaoField field;
    field.m_strName = strName;
    field.m_lSize = 0;
    field.m_lAttributes = 0;
    if (strType.contains(u"INT")) {
        field.m_nType = dbLong;
        field.m_lAttributes = bRowKey ? long(dbAutoIncrField) : 0L;
    } else if (strType.contains(u"DATE") || strType.contains(u"TIME")) {
        field.m_nType = dbDate;
    } else if (const QRegularExpressionMatch match = sized.match(strType); match.hasMatch()) {
        field.m_nType = dbText;
        field.m_lSize = match.captured(1).toLong();
    } else {
        field.m_nType = dbMemo;
    }
    return field;
}

QString CDaoField::Declaration(const QString& strKeyClause) const {
    const QString strColumn = CSqlText::QuoteName(m_strName);
    QString strDeclaration = strColumn;
    switch (m_nType) {
    case dbLong:
        strDeclaration += QStringLiteral(" INTEGER");
        break;
    case dbDate:
        strDeclaration += QStringLiteral(" DATETIME");
        break;
    case dbText:
        strDeclaration += QStringLiteral(" VARCHAR(%1)").arg(m_lSize);
        break;
    default:
        strDeclaration += QStringLiteral(" TEXT");
        break;
    }
    if (!strKeyClause.isEmpty())
        strDeclaration += u' ' + strKeyClause;
    if (m_nType == dbDate)
        strDeclaration += QStringLiteral(" CONSTRAINT %1 CHECK (%2 IS datetime(%2))")
                              .arg(CSqlText::QuoteName(DateRule()), strColumn);
    if (m_nType == dbText)
        strDeclaration +=
            QStringLiteral(" COLLATE NOCASE CONSTRAINT %1 CHECK (length(%2) <= %3)")
                .arg(CSqlText::QuoteName(TooLongRule()), strColumn, QString::number(m_lSize));
    if (m_nType == dbMemo)
        strDeclaration += QStringLiteral(" COLLATE NOCASE");
    if (m_nType == dbText || m_nType == dbMemo)
        strDeclaration += QStringLiteral(" CONSTRAINT %1 CHECK (%2 <> '')")
                              .arg(CSqlText::QuoteName(EmptyRule()), strColumn);
    return strDeclaration;
}

QVariant CDaoField::StoredValue(const QString& strText) const {
    if (IsAutoNumber())
        throw CDaoException(
            QStringLiteral("Field '%1' is numbered by the database and cannot be set.")
                .arg(m_strName));
    if (m_nType == dbLong) {
        bool bNumber = false;
        const qlonglong nValue = strText.trimmed().toLongLong(&bNumber);
        if (!bNumber)
            throw CDaoException(
                QStringLiteral("Field '%1' takes a whole number; \"%2\" is not one.")
                    .arg(m_strName, strText));
        return nValue;
    }
    if (m_nType == dbDate) {
        COleDateTime date;
        if (!date.ParseDateTime(strText))
            throw CDaoException(QStringLiteral("Field '%1' takes a date such as 12/31/26 or "
                                               "2026-12-31; \"%2\" is not a date.")
                                    .arg(m_strName, strText));
        return date.FormatIso();
    }
    if (strText.isEmpty())
        throw CDaoException(EmptyRule());
    if (m_nType == dbText && CharacterCount(strText) > m_lSize)
        throw CDaoException(TooLongRule());
    return strText;
}

QVariant CDaoField::FieldValue(QVariant stored) const {
    if (!IsDate() || stored.typeId() != QMetaType::QString)
        return stored;
    const COleDateTime date(stored);
    if (date.GetStatus() != COleDateTime::valid)
        return stored;
    return QDateTime(date.GetDate(), date.GetTime(), Qt::UTC);
}

bool CDaoField::IsDate() const {
    return m_nType == dbDate;
}

bool CDaoField::IsAutoNumber() const {
    return (m_lAttributes & dbAutoIncrField) != 0;
}

QString CDaoField::TooLongRule() const {
    return QStringLiteral("Field '%1' holds at most %2 characters.")
        .arg(m_strName, QString::number(m_lSize));
}

QString CDaoField::EmptyRule() const {
    return QStringLiteral("Field '%1' cannot be empty.").arg(m_strName);
}

QString CDaoField::DateRule() const {
    return QStringLiteral("Field '%1' holds dates as YYYY-MM-DD HH:MM:SS.").arg(m_strName);
}
