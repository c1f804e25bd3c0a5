#include "Database.h"

#include "ServerAddress.h"
#include "SqlConnection.h"
#include "StoreError.h"

#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace store
{

struct ThreadConnections {
    std::mutex mutex;
    bool closed = false;
    std::map<std::thread::id, std::unique_ptr<SqlConnection>> byThread;
};

namespace
{

// Closes the ending thread's connections to every database it used that is still there.
struct ReleaseAtThreadExit {
    std::vector<std::weak_ptr<ThreadConnections>> used;
    ~ReleaseAtThreadExit()
    {
        for (const auto& weak : used)
            if (const auto connections = weak.lock()) {
                std::lock_guard lock(connections->mutex);
                connections->byThread.erase(std::this_thread::get_id());
            }
    }
};

thread_local ReleaseAtThreadExit t_release;

} // namespace

Database::Database(const QString& path)
    : m_path(path), m_address(resolvedDatabasePath(path)),
      m_connections(std::make_shared<ThreadConnections>())
{
}

Database::~Database() = default;

SqlConnection& Database::connection()
{
    std::lock_guard lock(m_connections->mutex);
    if (m_connections->closed)
        throw StoreError(QStringLiteral("数据库连接已关闭 (the connection is closed)"));
    auto& slot = m_connections->byThread[std::this_thread::get_id()];
    if (!slot) {
        slot = std::make_unique<SqlConnection>(m_address);
        t_release.used.push_back(m_connections);
    }
    return *slot;
}

bool Database::isOpen() const
{
    std::lock_guard lock(m_connections->mutex);
    return !m_connections->closed;
}

bool Database::close()
{
    std::lock_guard lock(m_connections->mutex);
    if (m_connections->closed)
        return false;
    m_connections->closed = true;
    m_connections->byThread.clear();
    return true;
}

int Database::connectionCount() const
{
    std::lock_guard lock(m_connections->mutex);
    return static_cast<int>(m_connections->byThread.size());
}

} // namespace store
