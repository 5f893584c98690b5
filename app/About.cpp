#include "About.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>

#include "Dialogs.h"
#include "Images.h"
#include "ui_About.h"

namespace ombrix {

TAboutBox* AboutBox = nullptr;

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent), ui_(new Ui::AboutBox) {
  ui_->setupUi(this);
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  setFixedSize(298, 213);
  ui_->ProgramIcon->setPixmap(ProgramIcon().pixmap(QSize(64, 64)));
  QFont name = ui_->ProductName->font();
  name.setBold(true);
  name.setPointSizeF(name.pointSizeF() * 1.2);
  ui_->ProductName->setFont(name);
}

TAboutBox::~TAboutBox() = default;

void TAboutBox::SetSettingsFile(const QString& file) {
  // The box keeps its size: a long path is shortened in the middle, whole in the tool tip.
  const QFontMetrics metrics(ui_->SettingsFile->font());
  ui_->SettingsFile->setText(
      tr("Settings: %1").arg(metrics.elidedText(file, Qt::ElideMiddle, 400)));
  ui_->SettingsFile->setToolTip(file);
}

void TAboutBox::showEvent(QShowEvent* event) {
  PlaceWindow(*this, parentWidget());
  QDialog::showEvent(event);
}

}  // namespace ombrix
