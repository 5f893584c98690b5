#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class AboutBox;
}

namespace ombrix {

// The about dialog: the program's icon, its product name and version, and an OK button. A fixed
// frame of 298 x 213 pixels inside, centred on the main window (on the screen before it shows),
// shown modally.
class TAboutBox : public QDialog {
  Q_OBJECT

 public:
  explicit TAboutBox(QWidget* parent = nullptr);
  ~TAboutBox() override;

  // Names the settings file in use, so that a user knows which file to look at or copy.
  void SetSettingsFile(const QString& file);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  std::unique_ptr<Ui::AboutBox> ui_;
};

// The program's one about dialog, created at start-up after the main window.
extern TAboutBox* AboutBox;

}  // namespace ombrix
