// Ombrix: the desktop program for temperature-logging probes.
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "About.h"
#include "Application.h"
#include "Clock.h"
#include "FtdiDriver.h"
#include "Main.h"
#include "Msg.h"
#include "Printform.h"
#include "Probeworkplace.h"
#include "ProgramOptions.h"
#include "Scenarios.h"
#include "VirtualLab.h"
#include "WindowLanguage.h"

namespace {

QStringList KnownScenarios() {
  QStringList names;
  for (const std::string& name : ombrix::ScenarioNames()) names << QString::fromStdString(name);
  return names;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace ombrix;
  const QStringList scenarios = KnownScenarios();
  const QString program = QString::fromLocal8Bit(argv[0]).section(u'/', -1);
  // The usage text needs no display. It names the settings file without creating it.
  const QString settings =
      Settings::Locate(TProbeWorkplace::IniFileNameFor(
                           QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath()))
          .file;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--help" || argument == "-h") {
      std::fputs(qPrintable(UsageText(program, scenarios, settings)), stdout);
      return 0;
    }
  }

  TApplication app(argc, argv);
  // German where the user's locale is German, before the first window text is made. The command
  // line (--help, its errors) stays English, like ombrix-cli.
  InstallWindowLanguage();
  ProgramOptions options;
  QString error;
  if (!ParseProgramOptions(app.arguments().mid(1), scenarios, options, &error)) {
    std::fprintf(stderr, "%s: %s\n\n%s", qPrintable(program), qPrintable(error),
                 qPrintable(UsageText(program, scenarios, settings)));
    return 2;
  }

  // The driver: real adapters through libftdi1, or the virtual adapter of the chosen scenario.
  // The lab's time follows the computer's clock, so that the window works on it as on a real desk.
  std::optional<VirtualLab> lab;
  if (options.virtualAdapter) {
    VirtualLabOptions setup;
    setup.scenario = options.scenario.toStdString();
    setup.stateFile = options.virtualStateFile;
    setup.clock = VirtualLabOptions::ClockMode::kFollowComputer;
    setup.speed = options.virtualSpeed;
    lab.emplace(std::move(setup));
    if (const VirtualLab::Result opened = lab->Open(); !opened) {
      std::fprintf(stderr, "%s: %s\n", qPrintable(program), opened.error.c_str());
      return 8;
    }
  }

  // The main window first (it reads the settings), then the about box, the message texts and the
  // layout form of the printed report, which is never shown.
  auto mainForm = std::make_unique<TMainForm>();
  MainForm = mainForm.get();
  // Demo data stay out of the user's archive: a lab keeps its own unless --archive names one.
  const std::string archive = QFile::encodeName(options.archive).toStdString();
  if (mainForm->Workplace)
    mainForm->Workplace->Common().archiveOverride = lab ? lab->ArchiveFor(archive) : archive;
  auto aboutBox = std::make_unique<TAboutBox>(mainForm.get());
  AboutBox = aboutBox.get();
  auto msgTemplate = std::make_unique<TMsgTemplate>();
  MsgTemplate = msgTemplate.get();
  auto printPreview = std::make_unique<TPrintPreview>();
  PrintPreview = printPreview.get();

  mainForm->show();
  // After the window's own start (queued when it is shown), so that the station window comes on
  // top of it.
  if (!options.file.isEmpty()) {
    QMetaObject::invokeMethod(
        mainForm.get(), [form = mainForm.get(), file = options.file] { form->FileOpenNamed(file); },
        Qt::QueuedConnection);
  }
  if (options.station) {
    QMetaObject::invokeMethod(
        mainForm.get(), [form = mainForm.get()] { form->FileStationExecute(); },
        Qt::QueuedConnection);
  }
  const int result = app.exec();

  // The window (and with it the probe object and its adapter link) goes before the driver.
  AboutBox = nullptr;
  aboutBox.reset();
  MainForm = nullptr;
  mainForm.reset();
  PrintPreview = nullptr;
  printPreview.reset();
  MsgTemplate = nullptr;
  // The lab is written back after the window let go of the adapter.
  if (lab) {
    if (const VirtualLab::Result saved = lab->Save(); !saved) {
      std::fprintf(stderr, "%s: %s\n", qPrintable(program), saved.error.c_str());
      return result != 0 ? result : 8;
    }
  }
  return result;
}
