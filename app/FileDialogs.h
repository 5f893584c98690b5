#pragma once

#include <QString>

#include <functional>
#include <string>

class QDialog;
class QWidget;

namespace ombrix {

// The program's file dialogs and the dialogs that drive a printer (print, print preview). Like the
// message boxes (Dialogs.h), each goes through one responder, so that tests can answer them
// without a user.

// Folder chooses an existing folder.
enum class FileDialogKind { Open, Save, Folder };

struct FileDialogRequest {
  FileDialogKind kind = FileDialogKind::Open;
  QString title;
  // "Description|*.ext", several pairs joined by "|" ("Text|*.txt|All files|*").
  QString filter;
  // Added to a chosen name that has no extension ("omx").
  QString defaultExtension;
  // The folder the dialog starts in; empty: the folder used last.
  QString directory;
  // The name the dialog proposes; may carry a folder.
  QString fileName;
};

// Returns the chosen file, or the empty text when the user cancelled.
using FileDialogResponder = std::function<QString(const FileDialogRequest&)>;

// Installs a responder (an empty one restores the real dialogs) and returns the previous one.
FileDialogResponder SetFileDialogResponder(FileDialogResponder responder);

// Runs the dialog. The result is the chosen file as an absolute path, with the default extension
// added when the name has none; empty when the user cancelled. A save dialog does not ask about
// an existing file: the caller asks with the program's own question.
QString RunFileDialog(QWidget* parent, const FileDialogRequest& request);

// Asks "File alrady exists. Do You want to overwrite it ?" when the file exists; true when it may
// be written.
bool MayReplace(QWidget* parent, const QString& fileName);

// The text of a message box about a file that could not be written or read: what the program
// could not do, then why (the reason as the file layer gives it, naming the file).
QString FailureText(const QString& what, const std::string& reason);

// A filter as Qt's file dialog takes it: "Thermo probe file|*.omx" gives
// "Thermo probe file (*.omx)"; several patterns of one entry ("*.a;*.b") are separated by blanks,
// several entries by ";;".
QString QtFileFilter(const QString& filter);

// Runs a modal dialog (the print dialog, the print preview) and returns its result
// (QDialog::Accepted or Rejected). A runner replaces exec() for tests.
using DialogRunner = std::function<int(QDialog&)>;
DialogRunner SetDialogRunner(DialogRunner runner);
int RunDialog(QDialog& dialog);

}  // namespace ombrix
