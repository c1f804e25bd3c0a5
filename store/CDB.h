#pragma once

#include <QString>

#include <memory>

namespace store
{
class ConversionProgress;
class Database;
class StoreError;
} // namespace store

// The station's database object. Copies share one database; store objects take a copy.
class CDB
{
public:
    // 1 when the database is open; 0 after showing why not. An Access file is offered for
    // conversion first (AccessConversion.h); a file refused is left exactly as it was.
    int open(const QString& strDBFile);
    // 1 when the card table exists afterwards, 0 when it cannot be created.
    int CreateCardTable();
    void close();

    bool isOpen() const;
    const std::shared_ptr<store::Database>& database() const { return m_pConnection; }

    // Shown while open() converts an Access file; not owned, may be null.
    void setConversionProgress(store::ConversionProgress* progress)
    {
        m_conversionProgress = progress;
    }

private:
    bool convertAccessFile(const QString& path);
    // Opens the station database on the server at address; throws StoreError.
    int openServer(const QString& address);

    std::shared_ptr<store::Database> m_pConnection;

    store::ConversionProgress* m_conversionProgress = nullptr;
};

// The process-wide database and whether the main window opened it.
extern CDB theDB;
extern bool bDBOpen;

// Shows "在<signature>处发生异常:\r\n<description>\n" in the application's message box.
void ShowComError(const QString& strSignature, const QString& strDescription);
void ShowComError(const QString& strSignature, const store::StoreError& error);
