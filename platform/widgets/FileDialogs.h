#pragma once

#include <QString>

class QWidget;

namespace platform
{

// What a file dialog asks for.
struct FileRequest {
    QString caption;
    QString folder;        // where it starts; empty: the current folder
    QString initialName;   // the first text of its name box
    QString defaultSuffix; // added to a typed name that has none
    QString filter;        // "description (patterns)"
};
using OpenFileRequest = FileRequest;

// The file-open dialog; tests set the next answer instead of clicking through one.
QString getOpenFileName(QWidget* parent, const QString& caption, const QString& initialName,
                        const QString& filter);
// The same for a request with a start folder and a default suffix; only existing files can
// be chosen.
QString getOpenFileName(QWidget* parent, const OpenFileRequest& request);
// The next getOpenFileName returns this without showing a dialog (empty text = cancelled).
void setNextOpenFileName(const QString& path);
// The request of the latest getOpenFileName, answered by a test or not.
OpenFileRequest lastOpenFileRequest();

// The file-save dialog, answered the same way by tests; a file already there is only taken
// once the user has confirmed overwriting it.
QString getSaveFileName(QWidget* parent, const FileRequest& request);
// The next getSaveFileName returns this without showing a dialog (empty text = cancelled).
void setNextSaveFileName(const QString& path);
// The request of the latest getSaveFileName, answered by a test or not.
FileRequest lastSaveFileRequest();

} // namespace platform
