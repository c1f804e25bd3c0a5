#include "FileDialogs.h"

#include <QFileDialog>

#include <optional>
#include <utility>

namespace platform
{

namespace
{
// The test's next answer and the latest request, one pair for opening and one for saving.
struct Answered {
    std::optional<QString> next;
    FileRequest last;

    std::optional<QString> take(const FileRequest& request)
    {
        last = request;
        return std::exchange(next, std::nullopt);
    }
};

Answered& opening()
{
    static Answered a;
    return a;
}

Answered& saving()
{
    static Answered a;
    return a;
}

QString exec(QFileDialog& dlg, const FileRequest& request)
{
    dlg.setDefaultSuffix(request.defaultSuffix);
    if (!request.initialName.isEmpty())
        dlg.selectFile(request.initialName);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return {};
    return dlg.selectedFiles().constFirst();
}
} // namespace

QString getOpenFileName(QWidget* parent, const QString& caption, const QString& initialName,
                        const QString& filter)
{
    if (const auto answer = opening().take({caption, QString(), initialName, QString(), filter}))
        return *answer;
    return QFileDialog::getOpenFileName(parent, caption, initialName, filter);
}

QString getOpenFileName(QWidget* parent, const OpenFileRequest& request)
{
    if (const auto answer = opening().take(request))
        return *answer;
    QFileDialog dlg(parent, request.caption, request.folder, request.filter);
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    dlg.setFileMode(QFileDialog::ExistingFile);
    return exec(dlg, request);
}

void setNextOpenFileName(const QString& path)
{
    opening().next = path;
}

OpenFileRequest lastOpenFileRequest()
{
    return opening().last;
}

QString getSaveFileName(QWidget* parent, const FileRequest& request)
{
    if (const auto answer = saving().take(request))
        return *answer;
    QFileDialog dlg(parent, request.caption, request.folder, request.filter);
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setFileMode(QFileDialog::AnyFile);
    return exec(dlg, request);
}

void setNextSaveFileName(const QString& path)
{
    saving().next = path;
}

FileRequest lastSaveFileRequest()
{
    return saving().last;
}

} // namespace platform
