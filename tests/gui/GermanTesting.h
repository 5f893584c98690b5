#pragma once

#include <QLocale>

#include <memory>

#include "Msg.h"
#include "WindowLanguage.h"

namespace ombrix::testing {

// The window speaks German for as long as this lives, as on a computer whose locale is German: the
// locale's default, the translators, and the message texts made anew. Made before the window.
class ScopedGerman {
 public:
  ScopedGerman() : previousLocale_(QLocale()) {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    installed_ = InstallWindowLanguage();
    messages_ = std::make_unique<TMsgTemplate>();
    MsgTemplate = messages_.get();
  }
  ~ScopedGerman() {
    if (MsgTemplate == messages_.get()) MsgTemplate = nullptr;
    RemoveWindowLanguage();
    QLocale::setDefault(previousLocale_);
  }
  ScopedGerman(const ScopedGerman&) = delete;
  ScopedGerman& operator=(const ScopedGerman&) = delete;

  bool Installed() const { return installed_; }

 private:
  QLocale previousLocale_;
  bool installed_ = false;
  std::unique_ptr<TMsgTemplate> messages_;
};

}  // namespace ombrix::testing
