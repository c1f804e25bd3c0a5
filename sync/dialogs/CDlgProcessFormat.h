#pragma once

#include "PleaseWaitView.h"

#include <QDialog>

class QLabel;

// The please-wait window of the clearing: one line of text, no buttons, no close box. Only its
// worker closes it (closeWindow); the user cannot. It deletes itself when closed.
class CDlgProcessFormat final : public QDialog, public PleaseWaitView
{
    Q_OBJECT
public:
    // owner: the dialog that starts the clearing; the window centres on it.
    explicit CDlgProcessFormat(QWidget* owner);

    void setText(const QString& text);
    QString text() const;

    // From any thread; returns when the window is closed.
    void closeWindow() override;

    void done(int result) override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QLabel* m_staticText;
    bool m_closable = false;
};
