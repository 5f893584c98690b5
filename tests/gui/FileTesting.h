#pragma once

#include <QDialog>
#include <QDir>
#include <QFile>

#include <memory>
#include <string>
#include <vector>

#include "FileDialogs.h"
#include "GuiTesting.h"
#include "RecordFile.h"

namespace ombrix::testing {

inline std::string FileBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : "<missing>";
}

// A window whose file dialogs answer `chosen` (empty: cancelled) and are recorded, and whose
// printer dialogs go to `runDialog` (by default: cancelled).
class FileActionTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    WriteIni("[Properties]\nComNumber=0\n");
    previousFiles_ = SetFileDialogResponder([this](const FileDialogRequest& request) {
      dialogs.push_back(request);
      return chosen;
    });
    previousRunner_ = SetDialogRunner([this](QDialog& dialog) { return runDialog(dialog); });
  }
  void TearDown() override {
    SetDialogRunner(std::move(previousRunner_));
    SetFileDialogResponder(std::move(previousFiles_));
    GuiTest::TearDown();
  }

  QString Path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }

  // A record file of 144 samples at 4 C, every 10 minutes from 1 June 2021 12:00.
  QString WriteRecord(const char* fileName, const std::string& probeName) {
    TProbeRecord record;
    record.SerialNumber = 0x4F00000012345678ULL;
    record.Name = probeName;
    record.MemoryClear = false;
    record.StartTime = EncodeDateTime(2021, 6, 1, 12, 0, 0);
    record.MissionSamples = record.ReadSamples = record.SamplesTotal = 144;
    record.LogBuffer.fill((4 + 40) * 2);
    record.SecondsFromLocalTimes();
    record.DecodeLog();
    const QString path = Path(fileName);
    QDir().mkpath(QFileInfo(path).absolutePath());
    EXPECT_TRUE(SaveToFile(record, path));
    return path;
  }

  void Open(const QString& path) {
    chosen = path;
    form->FileOpenExecute();
  }

  QString LastMessage() const { return messages.empty() ? QString() : messages.back().text; }

  QString chosen;
  std::vector<FileDialogRequest> dialogs;
  std::function<int(QDialog&)> runDialog = [](QDialog&) { return int(QDialog::Rejected); };

 private:
  FileDialogResponder previousFiles_;
  DialogRunner previousRunner_;
};

}  // namespace ombrix::testing
