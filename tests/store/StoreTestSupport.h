#pragma once

// Shared by the store tests: a fresh database per test and checks of the error report.
#include "CDB.h"
#include "Database.h"
#include "MessageService.h"
#include "NewDatabase.h"
#include "RecordingMessageService.h"
#include "Recordset.h"
#include "SqlConnection.h"
#include "StoreFixture.h"

#include <QTest>

#include <memory>

namespace storetest
{

// A new station database (items and grade items, empty pupil, value and card tables) for each
// test, opened as the station opens it.
class FreshDatabase
{
public:
    bool make()
    {
        m_fixture = std::make_unique<StoreFixture>();
        return m_fixture->db().CreateCardTable() == 1;
    }
    void close() { m_fixture->db().close(); }
    CDB& db() { return m_fixture->db(); }
    const QString& path() const { return m_fixture->path(); }
    bool onServer() const { return m_fixture->onServer(); }

    // Runs a statement on a second connection, as another program would.
    void executeElsewhere(const QString& sql)
    {
        store::Database other(m_fixture->databasePath());
        other.connection().execute(sql);
    }

private:
    std::unique_ptr<StoreFixture> m_fixture;
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
