#include "FileDialogs.h"

#include <QFileDialog>

#include <optional>
#include <utility>

namespace platform
{

namespace
{
std::optional<QString>& nextAnswer()
{
    static std::optional<QString> answer;
    return answer;
}

OpenFileRequest& lastRequest()
{
    static OpenFileRequest request;
    return request;
}

std::optional<QString> takeNextAnswer(const OpenFileRequest& request)
{
    lastRequest() = request;
    return std::exchange(nextAnswer(), std::nullopt);
}
} // namespace

QString getOpenFileName(QWidget* parent, const QString& caption, const QString& initialName,
                        const QString& filter)
{
    if (const auto answer = takeNextAnswer({caption, QString(), initialName, QString(), filter}))
        return *answer;
    return QFileDialog::getOpenFileName(parent, caption, initialName, filter);
}

QString getOpenFileName(QWidget* parent, const OpenFileRequest& request)
{
    if (const auto answer = takeNextAnswer(request))
        return *answer;
    QFileDialog dlg(parent, request.caption, request.folder, request.filter);
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    dlg.setFileMode(QFileDialog::ExistingFile);
    dlg.setDefaultSuffix(request.defaultSuffix);
    if (!request.initialName.isEmpty())
        dlg.selectFile(request.initialName);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return {};
    return dlg.selectedFiles().constFirst();
}

void setNextOpenFileName(const QString& path)
{
    nextAnswer() = path;
}

OpenFileRequest lastOpenFileRequest()
{
    return lastRequest();
}

} // namespace platform
