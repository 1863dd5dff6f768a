#pragma once

#include <QString>
#include <QVariant>

// One field of a table: how it is declared in the file, which values it
// takes, and the rules it holds them to.
class CDaoField {
public:
    // Raises a CDaoException for a type, size or attribute it cannot have.
    CDaoField(const QString& strName, short nType, long lSize, long lAttributes);
    // The field of an existing column, from its declared type; bRowKey for the
    // column that is the table's integer primary key.
    static CDaoField FromColumn(const QString& strName, const QString& strDeclaredType,
                                bool bRowKey);

    // The column definition for CREATE TABLE; strKeyClause, a PRIMARY KEY
    // constraint or empty, follows the type.
    QString Declaration(const QString& strKeyClause) const;
    // The value to store for a text; raises a CDaoException that names the
    // field and the rule the text breaks.
    QVariant StoredValue(const QString& strText) const;
    // The stored value as a recordset hands it out: a date as a QDateTime
    // (without time zone), other values as they are.
    QVariant FieldValue(QVariant stored) const;

    bool IsDate() const;
    bool IsAutoNumber() const;

    // The rules a field holds its values to, as their messages say them; a
    // database names its constraints after them.
    QString TooLongRule() const;
    QString EmptyRule() const;
    QString DateRule() const;

    QString m_strName;
    short m_nType;
    long m_lSize;
    long m_lAttributes;

private:
    CDaoField() = default;
};
