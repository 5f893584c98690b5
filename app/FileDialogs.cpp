#include "FileDialogs.h"

#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>

#include "Dialogs.h"
#include "Msg.h"

namespace ombrix {

namespace {

FileDialogResponder& Responder() {
  static FileDialogResponder responder;
  return responder;
}

DialogRunner& Runner() {
  static DialogRunner runner;
  return runner;
}

// The folder of the last file chosen, where the next dialog without a folder of its own starts.
QString& LastDirectory() {
  static QString directory;
  return directory;
}

QString ModalFileDialog(QWidget* parent, const FileDialogRequest& request) {
  QFileDialog dialog(parent, request.title);
  // Qt's own dialog: the same on every desktop, and it keeps the filter and extension rules.
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  const bool save = request.kind == FileDialogKind::Save;
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  if (request.kind == FileDialogKind::Folder) {
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
  }
  // The program asks about an existing file itself, with its own question.
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  dialog.setNameFilter(QtFileFilter(request.filter));
  dialog.setDefaultSuffix(request.defaultExtension);
  // With several file types, a name typed without extension takes the chosen type's extension.
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& filter) {
    const qsizetype open = filter.lastIndexOf(QStringLiteral("(*."));
    const QString extension =
        open < 0 ? QString() : filter.mid(open + 3).section(u')', 0, 0).section(u' ', 0, 0);
    const bool plain =
        !extension.isEmpty() && !extension.contains(u'*') && !extension.contains(u'?');
    dialog.setDefaultSuffix(plain ? extension : request.defaultExtension);
  });
  QString directory = request.directory;
  if (directory.isEmpty()) directory = LastDirectory();
  if (directory.isEmpty()) directory = QDir::homePath();
  dialog.setDirectory(directory);
  if (!request.fileName.isEmpty()) dialog.selectFile(request.fileName);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().front();
}

}  // namespace

FileDialogResponder SetFileDialogResponder(FileDialogResponder responder) {
  FileDialogResponder previous = std::move(Responder());
  Responder() = std::move(responder);
  return previous;
}

QString RunFileDialog(QWidget* parent, const FileDialogRequest& request) {
  QString chosen;
  {
    const ModalDialogScope open;
    chosen = Responder() ? Responder()(request) : ModalFileDialog(parent, request);
  }
  if (chosen.isEmpty()) return {};
  QFileInfo file(chosen);
  if (request.kind != FileDialogKind::Folder && file.suffix().isEmpty() &&
      !request.defaultExtension.isEmpty() && !file.isDir()) {
    chosen += u'.' + request.defaultExtension;
    file.setFile(chosen);
  }
  LastDirectory() =
      request.kind == FileDialogKind::Folder ? file.absoluteFilePath() : file.absolutePath();
  return file.absoluteFilePath();
}

bool MayReplace(QWidget* parent, const QString& fileName) {
  if (!QFileInfo::exists(fileName)) return true;
  return AskQuestion(parent, Msg("MsgConfirmation"), Msg("MsgFileExistsQ"));
}

QString FailureText(const QString& what, const std::string& reason) {
  if (reason.empty()) return what;
  return what + QStringLiteral("\n\n") + QString::fromStdString(reason);
}

QString QtFileFilter(const QString& filter) {
  const QStringList parts = filter.split(u'|');
  QStringList entries;
  for (qsizetype i = 0; i < parts.size(); i += 2) {
    const QString description = parts[i].trimmed();
    if (i + 1 >= parts.size()) {
      // A description without patterns stands for itself.
      if (!description.isEmpty()) entries << description;
      break;
    }
    QStringList patterns = parts[i + 1].split(u';', Qt::SkipEmptyParts);
    for (QString& pattern : patterns) pattern = pattern.trimmed();
    entries << QStringLiteral("%1 (%2)").arg(description, patterns.join(u' '));
  }
  return entries.join(QStringLiteral(";;"));
}

DialogRunner SetDialogRunner(DialogRunner runner) {
  DialogRunner previous = std::move(Runner());
  Runner() = std::move(runner);
  return previous;
}

int RunDialog(QDialog& dialog) {
  const ModalDialogScope open;
  return Runner() ? Runner()(dialog) : dialog.exec();
}

}  // namespace ombrix
