#pragma once

#include "PleaseWaitView.h"
#include "WorkerWindow.h"

class QLabel;

// The please-wait window of the clearing: one line of text, no buttons. Only its worker closes
// it (closeWindow); the user cannot.
class CDlgProcessFormat final : public WorkerWindow, public PleaseWaitView
{
    Q_OBJECT
public:
    enum ControlId {
        IdText = 1062,
    };

    explicit CDlgProcessFormat(QWidget* owner);

    void setText(const QString& text);
    QString text() const;

    // From any thread; returns when the window is closed.
    void closeWindow() override;

private:
    QLabel* m_staticText;
};
