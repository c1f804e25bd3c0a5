#pragma once

#include "ProgressView.h"

#include <QList>
#include <QMutex>
#include <QStringList>

#include <functional>

// A progress window without a screen: keeps what a worker shows. For tests and logic checks;
// safe to call from any thread.
class MemoryProgressView final : public ProgressView
{
public:
    void setRange(int minimum, int maximum) override;
    void setPosition(int position) override;
    int insertRow(int index, const QString& firstCell) override;
    void setCell(int row, int column, const QString& text) override;
    void addTopRow(int position, const QStringList& cells) override;
    void finish() override;
    // Called with the position once each row is shown, on the worker's thread: to act at a
    // known point of a transfer.
    void setOnRow(std::function<void(int)> onRow) { m_onRow = std::move(onRow); }

    int minimum() const;
    int maximum() const;
    int position() const;
    bool finished() const;
    int rowCount() const;
    QStringList row(int index) const;

private:
    mutable QMutex m_mutex;
    int m_minimum = 0;
    int m_maximum = 100;
    int m_position = 0;
    bool m_finished = false;
    QList<QStringList> m_rows;
    std::function<void(int)> m_onRow;
};
