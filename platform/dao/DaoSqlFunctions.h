#pragma once

struct sqlite3;

// The SQL function that gives a stored date as the table shows it ("%x"), so
// that a LIKE on a Date field compares that text.
inline constexpr char kShownDateFunction[] = "dao_shown_date";

// Registers on a connection the LIKE operator with Jet's wildcards and
// letter-case rules, and the shown-date function. Returns an SQLite code.
int RegisterDaoFunctions(sqlite3* pDb);
