#pragma once

#include <QString>

#include <memory>

namespace store
{

class SqlConnection;
struct ThreadConnections;

// The one open database file, or the database on a server (path is then a postgresql://
// address or a connection file naming one). Each thread that uses it gets its own connection,
// opened on first use, so a worker's writes never mix with the window's. A thread's connection is
// closed when the thread ends, so transfer after transfer does not pile up connections.
class Database
{
public:
    explicit Database(const QString& path);
    ~Database();

    const QString& path() const { return m_path; }
    // The calling thread's connection; throws StoreError once closed.
    SqlConnection& connection();
    bool isOpen() const;
    // Closes every connection; returns false when it was already closed.
    bool close();
    // How many threads hold a connection now.
    int connectionCount() const;

private:
    QString m_path;
    QString m_address; // what the engine opens
    std::shared_ptr<ThreadConnections> m_connections;
};

} // namespace store
