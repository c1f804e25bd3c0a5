#include "WorkerWindow.h"

#include <QCloseEvent>

WorkerWindow::WorkerWindow(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
}

void WorkerWindow::done(int result)
{
    // Escape and the like end up here.
    if (m_closable)
        QDialog::done(result);
}

void WorkerWindow::closeEvent(QCloseEvent* event)
{
    if (m_closable)
        QDialog::closeEvent(event);
    else
        event->ignore();
}
