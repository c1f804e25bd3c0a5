#pragma once

#include <QString>

#include <stdexcept>

namespace store
{

// A data-access error: what the engine or the recordset engine raises. Store methods catch
// exactly this type and report it with ShowComError.
class StoreError : public std::runtime_error
{
public:
    explicit StoreError(const QString& description)
        : std::runtime_error(description.toStdString()), m_description(description)
    {
    }
    const QString& description() const { return m_description; }

private:
    QString m_description;
};

} // namespace store
