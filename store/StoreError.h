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
    // What the storage itself can fail with, as opposed to one statement or one value.
    // Disconnected: the connection to a database server was lost (it is opened again later).
    enum class Kind { Other, Busy, Storage, Disconnected };

    explicit StoreError(const QString& description, Kind kind = Kind::Other)
        : std::runtime_error(description.toStdString()), m_description(description), m_kind(kind)
    {
    }
    const QString& description() const { return m_description; }
    // Another connection holds the database: trying again later may succeed.
    bool isBusy() const { return m_kind == Kind::Busy || m_kind == Kind::Disconnected; }
    bool isDisconnected() const { return m_kind == Kind::Disconnected; }
    // The file cannot take writes now (full disk, I/O error, read-only file, damage, locked):
    // nothing written in the same batch can be kept.
    bool isStorageFailure() const { return m_kind != Kind::Other; }

private:
    QString m_description;
    Kind m_kind;
};

} // namespace store
