#pragma once

#include <libpq-fe.h>
#include <memory>

// A libpq result, cleared when it goes.
struct PgResultClear {
    void operator()(PGresult* pResult) const { PQclear(pResult); }
};
using PgResult = std::unique_ptr<PGresult, PgResultClear>;
