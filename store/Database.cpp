#include "Database.h"

#include "SqlConnection.h"
#include "StoreError.h"

namespace store
{

Database::Database(const QString& path) : m_path(path) {}

Database::~Database() = default;

SqlConnection& Database::connection()
{
    std::lock_guard lock(m_mutex);
    if (m_closed)
        throw StoreError(QStringLiteral("数据库连接已关闭 (the connection is closed)"));
    auto& slot = m_connections[std::this_thread::get_id()];
    if (!slot)
        slot = std::make_unique<SqlConnection>(m_path);
    return *slot;
}

bool Database::isOpen() const
{
    std::lock_guard lock(m_mutex);
    return !m_closed;
}

bool Database::close()
{
    std::lock_guard lock(m_mutex);
    if (m_closed)
        return false;
    m_closed = true;
    m_connections.clear();
    return true;
}

} // namespace store
