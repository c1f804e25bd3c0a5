#pragma once

#include "ProgressView.h"
#include "WorkerWindow.h"

class QProgressBar;
class QPushButton;
class QTimer;

namespace platform
{
class ReportList;
}

// The progress window of a transfer: a bar, a list with a row per pupil or result handled and
// "关闭", which stays disabled until the worker ends; the user cannot close it before then.
// Workers use it only as a ProgressView.
class CDlgProgress final : public WorkerWindow, public ProgressView
{
    Q_OBJECT
public:
    enum class Layout { Transfer, Import };
    enum ControlId {
        IdClose = 2, // "关闭"
        IdList = 1002,
        IdProgress = 1058,
    };

    explicit CDlgProgress(QWidget* owner);

    // Starting a transfer: a new window owned by owner, shown, with its caption and layout, and
    // "关闭" disabled. Start the worker next.
    static CDlgProgress* open(QWidget* owner, const QString& caption, Layout layout);

    // Both remove every row and column first.
    void applyTransferLayout();
    void applyImportLayout();

    bool isFinished() const { return closingAllowed(); }

    void setRange(int minimum, int maximum) override;
    void setPosition(int position) override;
    int insertRow(int index, const QString& firstCell) override;
    void setCell(int row, int column, const QString& text) override;
    void addTopRow(int position, const QStringList& cells) override;
    void finish() override;

private:
    void holdRepaints();

    QProgressBar* m_progress;
    platform::ReportList* m_list;
    QPushButton* m_btnClose;
    QTimer* m_repaint;
};
