#pragma once

#include <QStringList>

// What a transfer worker may do with its progress window. Safe to call from the worker thread:
// each call is applied on the user-interface thread before it returns, so rows and positions
// appear in the worker's order. Ranges and positions are plain int (no 16-bit wrap).
class ProgressView
{
public:
    virtual ~ProgressView() = default;

    virtual void setRange(int minimum, int maximum) = 0;
    // Positions outside the range show the nearest end (a full bar past the maximum).
    virtual void setPosition(int position) = 0;
    // Inserts a row at index (0 = top) with text in its first cell; the index it got.
    virtual int insertRow(int index, const QString& firstCell) = 0;
    virtual void setCell(int row, int column, const QString& text) = 0;
    // One pupil or result handled: the bar to position and a row on top with these cells.
    // Windows apply it in one step; the worker still waits until it is applied.
    virtual void addTopRow(int position, const QStringList& cells)
    {
        setPosition(position);
        const int row = insertRow(0, cells.value(0));
        for (int i = 1; i < cells.size(); ++i)
            setCell(row, i, cells.at(i));
    }
    // The transfer has ended: the user may close the window now.
    virtual void finish() = 0;
};
