#pragma once

#include <QList>
#include <QString>

#include <functional>
#include <optional>

namespace platform
{

// A report-style list as the station uses it: rows of text cells, inserted at an index.
// Implementations tell the count observer after a row went in and before a row goes out,
// with the count the list will have, so a count label can follow the list.
class ListView
{
public:
    virtual ~ListView() = default;

    // Inserts a row at index (appended when index is past the end) with text in column 0;
    // returns the index it got.
    virtual int insertRow(int index, const QString& text) = 0;
    virtual void setCell(int row, int column, const QString& text) = 0;
    virtual QString cell(int row, int column) const = 0;
    virtual int rowCount() const = 0;
    virtual QList<int> selectedRows() const = 0;
    virtual void deleteRow(int row) = 0;
    virtual void deleteAll() = 0;
    // A number kept with a row and not shown (the pupil a row stands for); it moves with the
    // row. None until set.
    virtual void setRowKey(int row, qint64 key) = 0;
    virtual std::optional<qint64> rowKey(int row) const = 0;

    void setCountObserver(std::function<void(int)> observer)
    {
        m_countObserver = std::move(observer);
    }

protected:
    void notifyCount(int count)
    {
        if (m_countObserver)
            m_countObserver(count);
    }

private:
    std::function<void(int)> m_countObserver;
};

// In-memory list for tests and for logic that runs without a screen.
class MemoryListView final : public ListView
{
public:
    int insertRow(int index, const QString& text) override;
    void setCell(int row, int column, const QString& text) override;
    QString cell(int row, int column) const override;
    int rowCount() const override { return static_cast<int>(m_rows.size()); }
    QList<int> selectedRows() const override;
    void deleteRow(int row) override;
    void deleteAll() override;
    void setRowKey(int row, qint64 key) override;
    std::optional<qint64> rowKey(int row) const override;

    void setSelectedRows(const QList<int>& rows) { m_selected = rows; }
    // Called with the index of each row once it has gone in (a test can act mid-run there).
    void setOnInsert(std::function<void(int)> onInsert) { m_onInsert = std::move(onInsert); }
    QStringList row(int index) const { return m_rows.value(index); }

private:
    QList<QStringList> m_rows;
    QList<std::optional<qint64>> m_keys;
    QList<int> m_selected;
    std::function<void(int)> m_onInsert;
};

} // namespace platform
