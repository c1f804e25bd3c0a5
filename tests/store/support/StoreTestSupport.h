#pragma once

// Shared by the store tests: a fresh database per test and checks of the error report.
#include "CDB.h"
#include "Database.h"
#include "MessageService.h"
#include "NewDatabase.h"
#include "RecordingMessageService.h"
#include "Recordset.h"
#include "SqlConnection.h"

#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace storetest
{

// A new station database (items and grade items, empty pupil, value and card tables) in its
// own folder, opened as the station opens it.
class FreshDatabase
{
public:
    bool make()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        if (!m_dir->isValid())
            return false;
        m_path = m_dir->filePath(QStringLiteral("school.mdb"));
        if (!store::createDatabase(m_path).isEmpty())
            return false;
        return m_db.open(m_path) == 1 && m_db.CreateCardTable() == 1;
    }
    void close() { m_db.close(); }
    CDB& db() { return m_db; }
    const QString& path() const { return m_path; }

    // Runs a statement on a second connection, as another program would.
    void executeElsewhere(const QString& sql)
    {
        store::Database other(m_path);
        other.connection().execute(sql);
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
    CDB m_db;
};

// Every row of a table as it is in the file now, with the columns asked for.
inline QList<QVariantList> rowsOf(const CDB& db, const QString& table, const QStringList& columns,
                                  const store::Filter& filter = {})
{
    store::Recordset rs;
    rs.open(db.database(), table);
    rs.setFilter(filter);
    QList<QVariantList> rows;
    for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
        QVariantList row;
        for (const QString& c : columns)
            row << rs.field(c);
        rows << row;
    }
    return rows;
}

// Adds a row written as another program might have left it (nulls, odd types).
inline void addRawRow(const CDB& db, const QString& table, const QVariantMap& values)
{
    store::Recordset rs;
    rs.open(db.database(), table);
    rs.addNew();
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        rs.setField(it.key(), it.value());
    rs.updateCurrent();
}

// The description of the one data-access error report shown for signature, or a null text
// when the boxes shown were anything else.
inline QString reportedError(const platform::RecordingMessageService& boxes,
                             const QString& signature)
{
    if (boxes.count() != 1)
        return {};
    const auto shown = boxes.shown().constFirst();
    const QString head = QStringLiteral("在") + signature + QStringLiteral("处发生异常:\r\n");
    if (shown.caption != platform::applicationTitle() || shown.icon != platform::Icon::Warning ||
        shown.buttons != platform::Buttons::Ok || !shown.text.startsWith(head) ||
        !shown.text.endsWith(QLatin1Char('\n')) || shown.text.size() <= head.size() + 1)
        return {};
    return shown.text.mid(head.size(), shown.text.size() - head.size() - 1);
}

} // namespace storetest
