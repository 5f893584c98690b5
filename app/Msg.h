#pragma once

#include <QString>
#include <QWidget>

#include <memory>

class QLabel;

namespace Ui {
class MsgTemplate;
}

namespace ombrix {

// The table of the texts the program shows in message boxes, in the status bar, on the Status
// page and as column headers. Each text is the caption of one label of this never-shown form, and
// the label's name is the text's key ("MsgCmdOk" holds "Cmd : OK"). Users look a text up at the
// moment they show it, so a changed caption shows everywhere at once.
class TMsgTemplate : public QWidget {
  Q_OBJECT

 public:
  explicit TMsgTemplate(QWidget* parent = nullptr);
  ~TMsgTemplate() override;

  // The label of that key; an unknown key fails the Main consistency check.
  QLabel* Label(const char* key) const;
  QString Text(const char* key) const;

 private:
  std::unique_ptr<Ui::MsgTemplate> ui_;
};

// The program's one table, created at start-up after the main window.
extern TMsgTemplate* MsgTemplate;

// The current text of a key in MsgTemplate.
QString Msg(const char* key);

}  // namespace ombrix
