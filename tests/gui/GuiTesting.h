#pragma once

#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QTabWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Clock.h"
#include "ConsistencyError.h"
#include "Dialogs.h"
#include "FtdiDriver.h"
#include "IniFolder.h"
#include "Main.h"
#include "Msg.h"
#include "Scenarios.h"
#include "Timer.h"
#include "VirtualBus.h"

namespace ombrix::testing {

// A main window in a folder of its own (its INI file and help beside a program path there), on a
// virtual bus and virtual time. Timers run only when the test lets time pass; message boxes are
// answered by the test and recorded.
class GuiTest : public ::testing::Test, public IniFolder {
 protected:
  void SetUp() override {
    TTimer::SetManualDriving(true);
    previousResponder_ = SetMessageResponder([this](const MessageRequest& request) {
      messages.push_back(request);
      return answer;
    });
    MsgTemplate = &msgTemplate;
    // Downloads go to an archive of the test's own; a window without settings beside its program
    // looks for them in a configuration folder of the test's own.
    previousDataHome_ = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", dir.filePath(QStringLiteral("data")).toLocal8Bit());
    previousConfigHome_ = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("config")).toLocal8Bit());
  }

  void TearDown() override {
    form.reset();
    MsgTemplate = nullptr;
    SetMessageResponder(std::move(previousResponder_));
    TTimer::SetManualDriving(false);
    qputenv("XDG_DATA_HOME", previousDataHome_);
    qputenv("XDG_CONFIG_HOME", previousConfigHome_);
  }

  QString ProgramPath() const { return dir.filePath("ombrix"); }

  // Creates and shows the window; File New has run when this returns.
  TMainForm& Start() {
    form = std::make_unique<TMainForm>(ProgramPath());
    form->show();
    QCoreApplication::processEvents();
    return *form;
  }

  // The window's held record, changed in place where a test needs given data.
  TProbeRecord& HeldRecord() { return const_cast<TProbeRecord&>(*form->Workplace->Record); }

  // Lets virtual time pass in 10 ms steps, the event loop turning at each step.
  void RunFor(int milliseconds) {
    for (int t = 0; t < milliseconds; t += 10) {
      clock.Advance(10);
      ProcessMessages();
    }
  }

  template <class T>
  T* Find(const char* name) const {
    return form->findChild<T*>(QString::fromLatin1(name));
  }
  QAction* Action(const char* name) const { return form->Action(name); }
  QWidget* CurrentPage() const { return Find<QTabWidget>("PageControl")->currentWidget(); }
  QString CurrentPageName() const { return CurrentPage()->objectName(); }

  AdapterController& Adapter() { return *bus.Adapter(scenario::kAdapterSerial); }

  VirtualClock clock{1'700'000'000'000};
  ScopedClock scopedClock{clock};
  VirtualBus bus{clock, LinkTiming::Instant()};
  ScopedDriver scopedDriver{bus};
  TMsgTemplate msgTemplate;
  std::unique_ptr<TMainForm> form;
  std::vector<MessageRequest> messages;
  bool answer = true;

 private:
  MessageResponder previousResponder_;
  QByteArray previousDataHome_;
  QByteArray previousConfigHome_;
};

}  // namespace ombrix::testing
