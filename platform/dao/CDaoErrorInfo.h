#pragma once

#include <QString>

// One error of the database engine, as a CDaoException carries it.
class CDaoErrorInfo {
public:
    // The SQLite result code, a server's dbErr code (DaoConstants.h), or 0
    // for the stand-in's own rules.
    long m_lErrorCode = 0;
    QString m_strSource; // the database file or server involved, if any
    QString m_strDescription;
};
