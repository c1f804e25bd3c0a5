#pragma once

#include <memory>

class CDB;

namespace store
{

class Database;

// Writes that belong together (one collection tick, one instrument class) go in one short
// batch: a savepoint on the calling thread's connection, released when the guard ends or at
// commit(), rolled back when an exception leaves the scope. Batches nest.
class Batch
{
public:
    explicit Batch(const CDB& db);
    ~Batch();
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;

    // Releases the savepoint now; false (after the error report) when that failed.
    bool commit();

private:
    std::shared_ptr<Database> m_db; // set while the savepoint is open
    int m_uncaught = 0;
};

} // namespace store
