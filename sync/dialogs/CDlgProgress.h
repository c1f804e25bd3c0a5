#pragma once

#include "ProgressView.h"

#include <QDialog>

class QProgressBar;
class QPushButton;
class QTimer;

namespace platform
{
class ReportList;
}

// The progress window of a transfer: a bar, a list with a row per pupil or result handled and
// "关闭", which stays disabled until the worker ends. No close box; the user cannot close it
// before then. Workers use it only as a ProgressView. It deletes itself when closed.
class CDlgProgress final : public QDialog, public ProgressView
{
    Q_OBJECT
public:
    enum class Layout { Transfer, Import };

    // owner: the dialog that starts the transfer; the window centres on it.
    explicit CDlgProgress(QWidget* owner);

    // Starting a transfer: a new window owned by owner, shown, with its caption and layout, and
    // "关闭" disabled. Start the worker next.
    static CDlgProgress* open(QWidget* owner, const QString& caption, Layout layout);

    // Both remove every row and column first.
    void applyTransferLayout();
    void applyImportLayout();

    bool isFinished() const { return m_finished; }

    void setRange(int minimum, int maximum) override;
    void setPosition(int position) override;
    int insertRow(int index, const QString& firstCell) override;
    void setCell(int row, int column, const QString& text) override;
    void addTopRow(int position, const QStringList& cells) override;
    void finish() override;

    void done(int result) override;

    QProgressBar* m_progress;
    platform::ReportList* m_list;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void holdRepaints();

    QPushButton* m_btnClose;
    bool m_finished = false;
    QTimer* m_repaint;
};
