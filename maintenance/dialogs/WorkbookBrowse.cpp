#include "WorkbookBrowse.h"

#include "FileDialogs.h"
#include "WorkbookFile.h"

#include <QDir>
#include <QLineEdit>

namespace maintenance
{

void browseWorkbook(QWidget* parent, QLineEdit* pathBox)
{
    const QString folder = WorkbookFile::samplesFolder();
    const QString initial = folder.isEmpty() ? WorkbookFile::initialName()
                                             : QDir(folder).filePath(WorkbookFile::initialName());
    const QString path =
        platform::getOpenFileName(parent, QStringLiteral("打开"), initial, WorkbookFile::filter());
    if (!path.isEmpty())
        pathBox->setText(path);
}

} // namespace maintenance
