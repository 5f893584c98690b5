#include "Msg.h"

#include <QLabel>

#include "ConsistencyError.h"
#include "ui_Msg.h"

namespace ombrix {

TMsgTemplate* MsgTemplate = nullptr;

TMsgTemplate::TMsgTemplate(QWidget* parent) : QWidget(parent), ui_(new Ui::MsgTemplate) {
  ui_->setupUi(this);
}

TMsgTemplate::~TMsgTemplate() = default;

QLabel* TMsgTemplate::Label(const char* key) const {
  auto* label = findChild<QLabel*>(QString::fromLatin1(key), Qt::FindDirectChildrenOnly);
  if (!label) FailCheck("Main", __LINE__);
  return label;
}

QString TMsgTemplate::Text(const char* key) const {
  return Label(key)->text();
}

QString Msg(const char* key) {
  if (!MsgTemplate) FailCheck("Main", __LINE__);
  return MsgTemplate->Text(key);
}

}  // namespace ombrix
