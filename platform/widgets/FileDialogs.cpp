#include "FileDialogs.h"

#include <QFileDialog>

#include <optional>

namespace platform
{

namespace
{
std::optional<QString>& nextAnswer()
{
    static std::optional<QString> answer;
    return answer;
}
} // namespace

QString getOpenFileName(QWidget* parent, const QString& caption, const QString& initialName,
                        const QString& filter)
{
    if (nextAnswer()) {
        const QString answer = *nextAnswer();
        nextAnswer().reset();
        return answer;
    }
    return QFileDialog::getOpenFileName(parent, caption, initialName, filter);
}

void setNextOpenFileName(const QString& path)
{
    nextAnswer() = path;
}

} // namespace platform
