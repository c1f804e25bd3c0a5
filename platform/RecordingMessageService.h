#pragma once

#include "MessageService.h"

#include <QList>
#include <QMutex>
#include <QQueue>

namespace platform
{

// Keeps every box shown and answers from a script; for tests. Safe to call from workers.
class RecordingMessageService final : public MessageService
{
public:
    struct Shown {
        QString text;
        QString caption;
        Icon icon;
        Buttons buttons;
        QObject* owner;
    };

    RecordingMessageService();
    ~RecordingMessageService() override;

    Answer show(const QString& text, const QString& caption, Icon icon, Buttons buttons,
                QObject* owner) override;

    // Answers used in turn; without one, OK boxes answer Ok and Yes/No boxes answer No.
    void queueAnswer(Answer answer);
    QList<Shown> shown() const;
    QStringList texts() const;
    int count() const;
    void clear();

private:
    mutable QMutex m_mutex;
    QList<Shown> m_shown;
    QQueue<Answer> m_answers;
};

} // namespace platform
