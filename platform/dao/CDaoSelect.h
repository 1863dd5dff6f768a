#pragma once

#include <QString>

// A statement of the form a dynaset is opened on:
// SELECT * FROM table [WHERE condition] [ORDER BY terms] [;]
class CDaoSelect {
public:
    // False when the text has another form.
    bool Parse(const QString& strSql);

    QString m_strTable;   // the table's name
    QString m_strFrom;    // the table's name, quoted where SQL needs it
    QString m_strWhere;   // the condition, empty without WHERE
    QString m_strOrderBy; // the terms, empty without ORDER BY
};
