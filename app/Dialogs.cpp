#include "Dialogs.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QWidget>

#include "Application.h"
#include "Msg.h"

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
  if (!request.detail.isEmpty()) box.setDetailedText(request.detail);
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

bool Show(QWidget* parent, MessageKind kind, const QString& caption, const QString& text,
          const QString& detail = {}) {
  const MessageRequest request{kind, caption, text, detail};
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

void ShowMessage(QWidget* parent, const QString& caption, const QString& text,
                 const QString& detail) {
  Show(parent, MessageKind::Message, caption, text, detail);
}

void ShowException(const QString& text) {
  Show(nullptr, MessageKind::Exception, ApplicationTitle(), text);
}

void ShowAuditFailure(QWidget* parent, const std::string& action, const std::string& failure) {
  if (failure.empty()) return;
  ShowMessage(
      parent, Msg("MsgWarning"),
      QCoreApplication::translate("TMainForm", "The %1 is not in the archive's audit trail:\n%2")
          .arg(AuditActionText(action), QString::fromStdString(failure)));
}

QString AuditActionText(const std::string& action) {
  static const char* const kActions[] = {
      QT_TRANSLATE_NOOP("AuditAction", "download"),
      QT_TRANSLATE_NOOP("AuditAction", "import"),
      QT_TRANSLATE_NOOP("AuditAction", "launch"),
      QT_TRANSLATE_NOOP("AuditAction", "stop"),
      QT_TRANSLATE_NOOP("AuditAction", "clear"),
      QT_TRANSLATE_NOOP("AuditAction", "switch off"),
      QT_TRANSLATE_NOOP("AuditAction", "clock setup"),
      QT_TRANSLATE_NOOP("AuditAction", "write text"),
      QT_TRANSLATE_NOOP("AuditAction", "save"),
      QT_TRANSLATE_NOOP("AuditAction", "export"),
      QT_TRANSLATE_NOOP("AuditAction", "report"),
      QT_TRANSLATE_NOOP("AuditAction", "limits"),
      QT_TRANSLATE_NOOP("AuditAction", "limits change"),
      QT_TRANSLATE_NOOP("AuditAction", "key"),
      QT_TRANSLATE_NOOP("AuditAction", "sign"),
  };
  for (const char* known : kActions) {
    if (action == known) return QCoreApplication::translate("AuditAction", known);
  }
  return QString::fromStdString(action);
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

void PlaceWindow(QWidget& window, const QWidget* over) {
  const bool onWindow = over && over->isVisible();
  const QScreen* screen = onWindow ? over->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect free = screen->availableGeometry();
  // The frame (title bar and borders) counts against the free area too.
  const QSize frame = window.frameGeometry().size() - window.geometry().size();
  const QSize fits(std::min(window.width(), free.width() - frame.width()),
                   std::min(window.height(), free.height() - frame.height()));
  if (fits != window.size()) window.resize(fits);
  QRect placed = window.frameGeometry();
  placed.moveCenter(onWindow ? over->frameGeometry().center() : free.center());
  // Inside the free area, the title bar first.
  placed.moveRight(std::min(placed.right(), free.right()));
  placed.moveBottom(std::min(placed.bottom(), free.bottom()));
  placed.moveLeft(std::max(placed.left(), free.left()));
  placed.moveTop(std::max(placed.top(), free.top()));
  window.move(placed.topLeft());
}

}  // namespace ombrix
