#pragma once

class CDaoDatabase;

// A transaction on a database: it begins when made and is rolled back when
// it goes, unless it was committed. An immediate transaction takes the
// database's write lock at once, so that no other writer comes between what
// it reads and what it writes.
// Throws CDaoException: the constructor when the transaction cannot begin,
// Commit when it cannot be saved (it is then rolled back).
class CDaoTransaction {
public:
    enum Mode { Deferred, Immediate };

    explicit CDaoTransaction(CDaoDatabase& database, Mode mode = Deferred);
    ~CDaoTransaction();
    CDaoTransaction(const CDaoTransaction&) = delete;
    CDaoTransaction& operator=(const CDaoTransaction&) = delete;

    void Commit();

private:
    CDaoDatabase& m_database;
    bool m_bOpen = true;
};
