#include "RecordingMessageService.h"

#include <QMutexLocker>

namespace platform
{

RecordingMessageService::RecordingMessageService()
{
    setMessageService(this);
}

RecordingMessageService::~RecordingMessageService()
{
    if (&messages() == this)
        setMessageService(nullptr);
}

Answer RecordingMessageService::show(const QString& text, const QString& caption, Icon icon,
                                     Buttons buttons, QObject* owner)
{
    QMutexLocker lock(&m_mutex);
    m_shown.append({text, caption, icon, buttons, owner});
    if (!m_answers.isEmpty())
        return m_answers.dequeue();
    return buttons == Buttons::YesNo ? Answer::No : Answer::Ok;
}

void RecordingMessageService::queueAnswer(Answer answer)
{
    QMutexLocker lock(&m_mutex);
    m_answers.enqueue(answer);
}

QList<RecordingMessageService::Shown> RecordingMessageService::shown() const
{
    QMutexLocker lock(&m_mutex);
    return m_shown;
}

QStringList RecordingMessageService::texts() const
{
    QMutexLocker lock(&m_mutex);
    QStringList out;
    for (const Shown& s : m_shown)
        out << s.text;
    return out;
}

int RecordingMessageService::count() const
{
    QMutexLocker lock(&m_mutex);
    return m_shown.size();
}

void RecordingMessageService::clear()
{
    QMutexLocker lock(&m_mutex);
    m_shown.clear();
    m_answers.clear();
}

} // namespace platform
