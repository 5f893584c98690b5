// The Table, Graph and Histogram pages filled from a full log of 8000 samples, in the window as
// the program shows it (offscreen), and the Graph page drawn once more after a fill.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cmath>
#include <memory>

#include "ChartDepth.h"
#include "GraphView.h"
#include "Main.h"
#include "Msg.h"
#include "Timer.h"

namespace {

using ombrix::TMainForm;
using ombrix::TProbe;

struct Window {
  QTemporaryDir dir;
  ombrix::TMsgTemplate texts;
  std::unique_ptr<TMainForm> form;

  Window() {
    // No timer runs, so the window never looks for an adapter.
    ombrix::TTimer::SetManualDriving(true);
    QFile ini(dir.filePath(QStringLiteral("ombrix.INI")));
    if (ini.open(QIODevice::WriteOnly)) ini.write("[Properties]\nComNumber=0\n");
    ini.close();
    ombrix::MsgTemplate = &texts;
    form = std::make_unique<TMainForm>(dir.filePath(QStringLiteral("ombrix")));
    form->show();
    QCoreApplication::processEvents();
    // A fortnight of a fridge with its door opened now and then, 2 °C bins counted.
    auto held = std::make_unique<ombrix::TProbeRecord>();
    ombrix::TProbeRecord& record = *held;
    record.SampleRate = 3;
    record.ReadSamples = ombrix::TProbeRecord::kLogSize;
    const double first = ombrix::EncodeDateTime(2025, 3, 1, 8, 0);
    for (int i = 0; i < ombrix::TProbeRecord::kLogSize; ++i) {
      const float t = static_cast<float>(
          std::round((5 + 2 * std::sin(i / 40.0) + (i % 97 == 0 ? 9 : 0)) * 2) / 2);
      record.Samples[i] = ombrix::Sample{first + i * 3 / 1440.0, t};
      ++record.Histogram[static_cast<int>((t + 40) / 2)].Count;
    }
    form->Workplace->HoldRecord(std::move(held));
  }
  ~Window() {
    form->Workplace->Modified = false;
    form.reset();
    ombrix::MsgTemplate = nullptr;
  }
};

// Made by the first benchmark that needs it; main closes it while the application still exists (a
// static window would be destroyed after the application, and crash the program at its exit).
std::unique_ptr<Window>& OpenWindow() {
  static std::unique_ptr<Window> window;
  return window;
}

Window& TheWindow() {
  if (!OpenWindow()) OpenWindow() = std::make_unique<Window>();
  return *OpenWindow();
}

void FillViews(benchmark::State& state) {
  TMainForm& form = *TheWindow().form;
  // The charts laid out as on screen, so that a fill redraws the 3D faces as well.
  form.ViewGraphExecute();
  QCoreApplication::processEvents();
  for (auto _ : state) {
    form.FillTable();
    form.FillGraph();
    form.FillHistogram();
  }
  state.counters["faces"] = form.Graph()->Depth().FaceCount();
}
BENCHMARK(FillViews)->Unit(benchmark::kMillisecond);

void FillAndDrawGraph(benchmark::State& state) {
  TMainForm& form = *TheWindow().form;
  form.ViewGraphExecute();
  for (auto _ : state) {
    form.FillGraph();
    benchmark::DoNotOptimize(form.Graph()->grab());
  }
}
BENCHMARK(FillAndDrawGraph)->Unit(benchmark::kMillisecond);

void FillAndDrawFlatGraph(benchmark::State& state) {
  TMainForm& form = *TheWindow().form;
  form.ViewGraphExecute();
  form.Graph()->Set3D(false);
  for (auto _ : state) {
    form.FillGraph();
    benchmark::DoNotOptimize(form.Graph()->grab());
  }
  form.Graph()->Set3D(true);
}
BENCHMARK(FillAndDrawFlatGraph)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  OpenWindow().reset();
  benchmark::Shutdown();
  return 0;
}
