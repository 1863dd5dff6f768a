#pragma once

class CDaoDatabase;

// A write transaction on a database: it begins when made and, unless
// Commit was called, is rolled back when destroyed, so a change that fails
// part-way leaves the database as it was. It takes the file for writing at
// once, so no other program writes between its reads and its commit.
// Throws CDaoException: the constructor when the transaction cannot begin
// (a closed database, a file another program holds beyond the busy wait),
// Commit when it cannot commit (the transaction then rolls back when
// destroyed).
class CDaoTransaction {
public:
    explicit CDaoTransaction(CDaoDatabase* pDatabase);
    ~CDaoTransaction();
    CDaoTransaction(const CDaoTransaction&) = delete;
    CDaoTransaction& operator=(const CDaoTransaction&) = delete;

    void Commit();

private:
    CDaoDatabase* m_pDatabase;
    bool m_bCommitted = false;
};
