#pragma once

#include <QString>

#include <memory>

class CDB;

namespace store
{

class Database;

// Writes that belong together (one collection tick, one short run of an import) go in one
// batch: the outermost takes the write lock when it opens and commits when the guard ends or at
// commit(); inner ones nest as savepoints; an exception leaving the scope rolls it back.
// A batch that cannot be kept (a full disk, an I/O error, a read-only file) is rolled back
// whole, and the snapshots of the store objects are put back to what the file holds: nothing
// of it looks stored anywhere.
class Batch
{
public:
    struct Options {
        // Longest wait for another connection to let go of the database when opening; negative:
        // the connection's own timeout.
        int waitMs = -1;
        // Whether failures are shown (ShowComError "store::Batch"); callers that say it their own
        // way ask state and error instead.
        bool report = true;
        // Whether writes that need no answer may be queued (on a server, sent without waiting
        // for each reply): a failing one then loses the batch whole at commit, nothing of it
        // kept, instead of failing on its own.
        bool queueWrites = false;
    };

    explicit Batch(const CDB& db);
    Batch(const CDB& db, Options options);
    ~Batch();
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;

    // Whether writes go into the batch now. When it could not open, nothing may be written.
    bool isOpen() const { return m_db != nullptr; }
    // It could not open because another connection held the database all the time it waited,
    // or it was not kept because the connection to the server was lost (nothing of it is
    // stored; the connection is opened again for the next batch).
    bool isBusy() const { return m_busy; }
    // Why it did not open or was not kept; empty while all is well.
    const QString& error() const { return m_error; }

    // Commits (an inner batch: releases its savepoint). False when the batch was not open or
    // could not be kept: it is then rolled back, and error() says why.
    bool commit();
    // Drops everything written in the batch.
    void rollback();

private:
    void fail(const QString& description);

    std::shared_ptr<Database> m_db; // set while the batch is open
    Options m_options;
    bool m_busy = false;
    QString m_error;
    int m_uncaught = 0;
};

} // namespace store
