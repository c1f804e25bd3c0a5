#pragma once

#include <QStringList>

class ProgressView;

// The running count of a transfer and its rows: every pupil or result handled goes on top of
// the list, numbered by the count, and moves the bar. Finishes the view when it goes, so the
// window can be closed whichever way the worker ends.
class TransferProgress
{
public:
    explicit TransferProgress(ProgressView& view);
    ~TransferProgress();
    TransferProgress(const TransferProgress&) = delete;
    TransferProgress& operator=(const TransferProgress&) = delete;

    // Range 0..total, position 0, count 0.
    void start(int total);
    // Count + 1; the bar to the count; a row at the top: the count, then cells in the columns
    // that follow. Returns the new count.
    int addRow(const QStringList& cells);
    int count() const { return m_count; }

private:
    ProgressView& m_view;
    int m_count = 0;
};
