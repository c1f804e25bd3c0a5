#pragma once

#include "ConversionProgress.h"

#include <QDialog>

class QLabel;
class QProgressBar;

// The window shown while the database opened at start-up is converted from an Access file:
// what is being converted and how far it has got, so the wait does not look like a hang.
class ConversionProgressWindow final : public QDialog, public store::ConversionProgress
{
    Q_OBJECT
public:
    explicit ConversionProgressWindow(QWidget* parent = nullptr);

    void begin(const QString& text) override;
    void advance(qint64 done, qint64 total) override;
    void end() override;

private:
    QLabel* m_text;
    QProgressBar* m_bar;
};
