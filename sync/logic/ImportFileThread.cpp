#include "ImportFileThread.h"

#include "MessageService.h"
#include "ResultBatches.h"
#include "ResultLine.h"
#include "TransferProgress.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

ImportFileThread::ImportFileThread(QString path, ProgressView& progress, ResultHandler handler,
                                   NumberType numberType)
    : m_path(std::move(path)), m_progress(progress), m_handler(std::move(handler)),
      m_numberType(numberType)
{
}

void ImportFileThread::run()
{
    TransferProgress progress(m_progress); // enables "关闭" on every way out
    m_unreadable = 0;
    const QString shownPath = QDir::toNativeSeparators(m_path);
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly)) {
        platform::appMessage(
            QStringLiteral("无法读取文件%1:\n%2").arg(shownPath, file.errorString()));
        return;
    }
    const QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        platform::appMessage(
            QStringLiteral("无法读取文件%1:\n%2").arg(shownPath, file.errorString()));
        return;
    }
    const QByteArray header = platform::resultFileHeader().trimmed();
    QList<QByteArrayView> lines;
    const QByteArrayView all(content);
    for (qsizetype at = 0; at < all.size();) {
        qsizetype end = all.indexOf('\n', at);
        if (end < 0)
            end = all.size();
        QByteArrayView text = all.sliced(at, end - at);
        at = end + 1;
        if (text.endsWith('\r'))
            text.chop(1);
        if (!text.isEmpty() && text != header)
            lines.append(text);
    }
    progress.start(int(lines.size()));

    m_handler.setHistorySource({store::ValueSource::Journal, QFileInfo(m_path).fileName()});
    ResultBatches batches(m_handler, progress, m_numberType);
    for (const QByteArrayView line : std::as_const(lines)) {
        if (interruptionRequested())
            break;
        const std::optional<platform::ResultLineFields> f = platform::parseResultLine(line);
        if (!f) {
            ++m_unreadable;
            continue;
        }
        batches.add(f->number, f->itemCode, f->value, QDateTime());
    }
    batches.flush();
    batches.report(QStringLiteral("文件%1没有改动, 可以再次导入。").arg(shownPath));
    if (m_unreadable > 0)
        platform::appMessage(
            QStringLiteral("文件中有%1行不是成绩记录, 没有导入.").arg(m_unreadable));
}
