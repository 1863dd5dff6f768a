#pragma once

#include "engine/store/CTableSchema.h"

class CDaoDatabase;

// Copies the address table from one database into another, engine to
// engine (a file to a team's server, or back): the records with their keys
// and stored values, in one transaction of the target, so that a failure
// copies nothing. The target's table is created when it lacks one and must
// be empty; numbering there goes on after the highest key copied.
// Throws CDaoException: when the target's table holds records, and when
// either database fails.
class CStoreCopy {
public:
    CStoreCopy(CDaoDatabase& source, CDaoDatabase& target, const CTableSchema& schema);

    // The number of records copied.
    int Run();

private:
    void RefuseUnlessEmpty();
    void InsertBatch(const QList<QVariantList>& rows);
    QString InsertSql(qsizetype nRows) const;

    CDaoDatabase& m_source;
    CDaoDatabase& m_target;
    const CTableSchema& m_schema;
};
