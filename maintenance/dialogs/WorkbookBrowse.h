#pragma once

class QLineEdit;
class QWidget;

namespace maintenance
{

// The browse step of the workbook dialogs: the file-open dialog for an existing .xls file,
// starting in the samples folder; the chosen path goes into pathBox, a cancel changes nothing.
void browseWorkbook(QWidget* parent, QLineEdit* pathBox);

} // namespace maintenance
