#pragma once

#include <QString>

class QWidget;

namespace maintenance
{

// The browse step of every workbook dialog: the file-open dialog for an existing .xls file,
// starting in the folder of the sample workbooks. The chosen path, or empty when cancelled.
QString browseWorkbook(QWidget* parent);

} // namespace maintenance
