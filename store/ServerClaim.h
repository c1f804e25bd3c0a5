#pragma once

#include <QString>

#include <memory>

namespace store
{

class Database;
class SqlConnection;

// While a store writes what must be unique among all stations (a new pupil's identifier and
// student number, a pupil's one card), on a server it holds the right to write (a batch) and
// asks the server what other stations stored since its snapshot was taken. On a database file
// it does nothing: the snapshot is the whole truth there. Rolled back unless kept.
class ServerClaim
{
public:
    explicit ServerClaim(const std::shared_ptr<Database>& db);
    ~ServerClaim();
    ServerClaim(const ServerClaim&) = delete;
    ServerClaim& operator=(const ServerClaim&) = delete;

    // The identifier after the largest on the server; 0 on a file.
    int nextPupilId();
    // Whether a pupil with this student number is on the server (not on a file).
    bool holdsStudentNumber(const QString& stuNo);
    // Whether the server holds a card row for the pupil (never on a file).
    bool hasCardOf(long stuId);
    // Stores the card number over the pupil's card row on the server.
    void updateCard(long stuId, const QString& cardNo);
    void keep();

private:
    SqlConnection* m_conn = nullptr; // set on a server while the claim is open
};

} // namespace store
