#pragma once

#include <QString>

#include <functional>
#include <string>

class QWidget;

namespace ombrix {

// The program's message boxes. None shows an icon except the box for an unexpected error:
// - a question offers OK and Cancel, and the caller goes on only on OK;
// - a message (an error under "Error", a warning under "Warning") offers OK only;
// - an unexpected error (an exception that abandoned a command) under the application title.
//
// Every box goes through one responder, so that tests can answer boxes without a user.
enum class MessageKind { Question, Message, Exception };

struct MessageRequest {
  MessageKind kind;
  QString caption;
  QString text;
  QString detail;  // shown on request under the text ("Show Details..."), one item a line
};

// Returns true for OK.
using MessageResponder = std::function<bool(const MessageRequest&)>;

// Installs a responder (an empty one restores the modal boxes) and returns the previous one.
MessageResponder SetMessageResponder(MessageResponder responder);

// Places a window about to be shown: centred on `over` while that is visible, else on the screen,
// and made no larger than the screen's free area, so that its bottom never runs off the screen.
void PlaceWindow(QWidget& window, const QWidget* over);

bool AskQuestion(QWidget* parent, const QString& caption, const QString& text);
void ShowMessage(QWidget* parent, const QString& caption, const QString& text,
                 const QString& detail = {});
void ShowException(const QString& text);
// A warning that the action ("launch", "export", ...) is not in the archive's audit trail, with
// the reason; none when `failure` is empty. The action itself stands.
void ShowAuditFailure(QWidget* parent, const std::string& action, const std::string& failure);
// An audit row's action as the window shows it, in the window's language; the archive keeps it in
// English. An action the window does not know shows as it is kept.
QString AuditActionText(const std::string& action);

// True while one of these boxes, or a dialog inside a ModalDialogScope, waits for the user.
bool MessageBoxOpen();

// Counts a modal dialog of the program's own (a file or print dialog) as an open box for as
// long as the scope lasts, so that the poll timer holds back its ticks meanwhile.
class ModalDialogScope {
 public:
  ModalDialogScope();
  ~ModalDialogScope();
  ModalDialogScope(const ModalDialogScope&) = delete;
  ModalDialogScope& operator=(const ModalDialogScope&) = delete;
};

}  // namespace ombrix
