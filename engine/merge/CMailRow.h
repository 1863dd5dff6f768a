#pragma once

#include <QString>
#include <array>

// The values of one address row that a template is filled with, as the table
// shows them.
struct CMailRow {
    QString m_strDate;
    QString m_strEMail;
    QString m_strPrefix;
    QString m_strName;
    QString m_strTemplate;
    std::array<QString, 5> m_arrMy; // MY_1 to MY_5
};
