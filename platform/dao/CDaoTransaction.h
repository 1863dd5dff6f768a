#pragma once

class CDaoDatabase;

// A transaction of a database for the length of one piece of work: it begins
// when made and is rolled back when destroyed unless it was committed, also
// when the work fails with an exception.
//
//   CDaoTransaction transaction(pDatabase);
//   ... changes ...
//   transaction.Commit();
//
// Throws CDaoException: the constructor when the transaction cannot begin,
// Commit when it cannot commit (the changes are then rolled back, at the
// latest when the object goes).
class CDaoTransaction {
public:
    explicit CDaoTransaction(CDaoDatabase* pDatabase);
    ~CDaoTransaction();
    CDaoTransaction(const CDaoTransaction&) = delete;
    CDaoTransaction& operator=(const CDaoTransaction&) = delete;

    void Commit();

private:
    CDaoDatabase* m_pDatabase;
    bool m_bOpen = true;
};
