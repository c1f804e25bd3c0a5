#pragma once

#include <QString>

#include <map>
#include <memory>
#include <mutex>
#include <thread>

namespace store
{

class SqlConnection;

// The one open database file. Each thread that uses it gets its own connection, opened on
// first use, so a worker's writes never mix with the window's.
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

private:
    QString m_path;
    mutable std::mutex m_mutex;
    bool m_closed = false;
    std::map<std::thread::id, std::unique_ptr<SqlConnection>> m_connections;
};

} // namespace store
