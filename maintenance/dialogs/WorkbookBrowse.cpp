#include "WorkbookBrowse.h"

#include "FileDialogs.h"
#include "WorkbookFile.h"

namespace maintenance
{

QString browseWorkbook(QWidget* parent)
{
    return platform::getOpenFileName(
        parent, {QStringLiteral("打开"), WorkbookFile::samplesFolder(), WorkbookFile::initialName(),
                 WorkbookFile::defaultSuffix(), WorkbookFile::filter()});
}

} // namespace maintenance
