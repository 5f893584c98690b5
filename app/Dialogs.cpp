#include "Dialogs.h"

#include <QMessageBox>

#include "Application.h"

namespace ombrix {

namespace {

MessageResponder& Responder() {
  static MessageResponder responder;
  return responder;
}

int g_open = 0;

bool ModalBox(QWidget* parent, const MessageRequest& request) {
  QMessageBox box(parent);
  box.setWindowTitle(request.caption);
  box.setText(request.text);
  if (request.kind == MessageKind::Exception) {
    box.setIcon(QMessageBox::Critical);
  } else {
    box.setIcon(QMessageBox::NoIcon);
  }
  if (request.kind == MessageKind::Question) {
    box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Cancel);
  } else {
    box.setStandardButtons(QMessageBox::Ok);
  }
  return box.exec() == QMessageBox::Ok;
}

bool Show(QWidget* parent, MessageKind kind, const QString& caption, const QString& text) {
  const MessageRequest request{kind, caption, text};
  struct OpenBox {
    OpenBox() { ++g_open; }
    ~OpenBox() { --g_open; }
  } open;
  if (Responder()) return Responder()(request);
  return ModalBox(parent, request);
}

}  // namespace

MessageResponder SetMessageResponder(MessageResponder responder) {
  MessageResponder previous = std::move(Responder());
  Responder() = std::move(responder);
  return previous;
}

bool AskQuestion(QWidget* parent, const QString& caption, const QString& text) {
  return Show(parent, MessageKind::Question, caption, text);
}

void ShowMessage(QWidget* parent, const QString& caption, const QString& text) {
  Show(parent, MessageKind::Message, caption, text);
}

void ShowException(const QString& text) {
  Show(nullptr, MessageKind::Exception, ApplicationTitle(), text);
}

bool MessageBoxOpen() {
  return g_open > 0;
}

ModalDialogScope::ModalDialogScope() {
  ++g_open;
}

ModalDialogScope::~ModalDialogScope() {
  --g_open;
}

}  // namespace ombrix
