#pragma once

#include <QString>

// One error of the database engine, as a CDaoException carries it.
class CDaoErrorInfo {
public:
    long m_lErrorCode = 0; // the SQLite result code, or 0 for the stand-in's own rules
    QString m_strSource;   // the database file involved, if any
    QString m_strDescription;
};
