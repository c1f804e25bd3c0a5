#pragma once

#include <QString>
#include <QStringList>

// sorvik --check: whether this installation can run a test day, without opening a window.
// Opens the configured database, binds the instrument library and looks for the helpers the
// station starts (workbook reader, Access converter) and the sample workbooks; a line for each
// on standard output. Changes nothing: questions (an Access file to convert) are answered No.
class StationCheck
{
public:
    // The lines printed; exit status 0 when everything was found, 1 otherwise.
    int run();
    const QStringList& lines() const { return m_lines; }

private:
    void report(const QString& what, const QString& found, bool ok);

    QStringList m_lines;
    bool m_ok = true;
};
