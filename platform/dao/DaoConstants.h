#pragma once

// Field types, field attributes, recordset types and find directions of the
// DAO classes, with the values the design uses.
enum : short { dbLong = 4, dbDate = 8, dbText = 10, dbMemo = 12 };
enum : long { dbAutoIncrField = 16 };
enum : int { AFX_DAO_USE_DEFAULT_TYPE = -1, dbOpenDynaset = 2 };
enum : int { AFX_DAO_FIRST = 3 };

// The General collating order. SQLite compares text itself, so the value is
// accepted for the design's sake and has no effect.
inline constexpr const char* dbLangGeneral = ";LANGID=0x0409;CP=1252;COUNTRY=0";

// The error codes of a server database (CDaoErrorInfo::m_lErrorCode), near
// DAO's own: the login needs a password and none was given; the server
// cannot be reached or refuses the connection; the connection broke during
// a statement; the server refused a statement.
enum : long {
    dbErrPasswordNeeded = 3029,
    dbErrConnectFailed = 3151,
    dbErrConnectionLost = 3146,
    dbErrServerRefused = 3155
};
