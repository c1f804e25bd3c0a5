#pragma once

#include <QList>
#include <QString>

namespace store
{

// While one lives on a thread, the store's error reports (ShowComError) made on that thread are
// kept instead of shown, so a batch holding the write lock never waits for a teacher to read a
// box. When the hold ends, what it kept is shown, each text once, unless it was taken.
class ReportHold
{
public:
    struct Report {
        QString text;
        int count = 0;
    };

    ReportHold();
    ~ReportHold();
    ReportHold(const ReportHold&) = delete;
    ReportHold& operator=(const ReportHold&) = delete;

    // Keeps text in the innermost hold of this thread; false when there is none (show it).
    static bool keep(const QString& text);
    // The reports kept so far, in the order they first came; the hold is empty afterwards.
    QList<Report> take();
    // A report as shown: the text, and how often it came when more than once.
    static QString shownText(const Report& report);

private:
    ReportHold* m_outer;
    QList<Report> m_reports;
};

} // namespace store
