#pragma once

#include <QString>

class QObject;

// What the database file selection does, apart from its window: it shows the configured path
// and saves a new one after checking it.
class DbFileSelection
{
public:
    static QString title();

    explicit DbFileSelection(QObject* owner = nullptr) : m_owner(owner) {}

    // The configured path, or empty.
    QString configuredPath() const;
    // Checks and saves path, telling the user how it went; true only when it was saved.
    bool save(const QString& path) const;

private:
    QObject* m_owner;
};
