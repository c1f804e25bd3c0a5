#pragma once

#include "MessageService.h"

#include <QDateTime>
#include <QDialog>

class QLabel;
class QProgressBar;

// Keeps a long import's dialog painted. The import runs on the window thread and calls
// progress() between its batches; once the run has taken about a second, this modal window
// shows how far it is and the waiting events are served (painting, timers; input to the other
// windows is blocked by its modality, and it cannot be closed itself). Rows, messages and
// results stay as they are: nothing runs between batches but what the event loop does anyway.
//
// While it lives it stands in front of the message service and hides before any box on the
// window thread, so no box of the run sits on top of a stale bar.
class ImportProgressWindow final : public QDialog
{
    Q_OBJECT
public:
    // Shown after this long into the run.
    static constexpr qint64 kShowAfterMs = 1000;

    ImportProgressWindow(QWidget* owner, const QString& title);
    ~ImportProgressWindow() override;
    ImportProgressWindow(const ImportProgressWindow&) = delete;
    ImportProgressWindow& operator=(const ImportProgressWindow&) = delete;

    // The import's progress hook: rows handled of the workbook's data rows.
    void progress(long lDone, long lTotal);

    void reject() override; // Escape does not close it

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Hides the window before a box of the window thread, then shows the box.
    class BoxFront final : public platform::MessageService
    {
    public:
        BoxFront(ImportProgressWindow* pWindow, platform::MessageService* pInner)
            : m_pWindow(pWindow), m_pInner(pInner)
        {
        }
        platform::Answer show(const QString& text, const QString& caption, platform::Icon icon,
                              platform::Buttons buttons, QObject* owner) override;
        platform::MessageService* inner() const { return m_pInner; }

    private:
        ImportProgressWindow* m_pWindow;
        platform::MessageService* m_pInner;
    };

    QDateTime m_started;
    QLabel* m_label;
    QProgressBar* m_bar;
    BoxFront m_front;
};
