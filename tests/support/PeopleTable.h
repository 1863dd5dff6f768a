#pragma once

#include "engine/store/CTableSchema.h"

class CDaoDatabase;

// A small table in the form the address table has: PEOPLE with ID (numbered
// by the database, primary index "PrimaryKey"), Born (date), Name (text of
// at most 10 characters) and Notes (memo).
CTableSchema PeopleSchema();
// Creates PEOPLE in the open database. Throws CDaoException.
void CreatePeopleTable(CDaoDatabase& database);
