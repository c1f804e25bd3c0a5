#pragma once

#include <QDialog>

// A window a worker fills while it runs (progress, please wait): not modal, without a close
// box, discarded when closed. Neither the close box, nor Escape, nor done() closes it until it
// allows closing; the window decides when, on the worker's word.
class WorkerWindow : public QDialog
{
    Q_OBJECT
public:
    void done(int result) override;

protected:
    // owner: the dialog that starts the worker; the window centres on it.
    explicit WorkerWindow(QWidget* owner);

    void allowClosing() { m_closable = true; }
    bool closingAllowed() const { return m_closable; }

    void closeEvent(QCloseEvent* event) override;

private:
    bool m_closable = false;
};
