#pragma once

#include <QComboBox>

#include <cmath>
#include <functional>

#include "GuiTesting.h"
#include "Probe.h"
#include "TimeConversion.h"

namespace ombrix::testing {

// A window whose record is written by the test, as a download or a record file would leave it,
// so that the views can be filled from known samples.
class ViewTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    WriteIni(ini);
    BuildScenario(bus, "none");
    Start();
  }

  TProbeRecord& Record() { return HeldRecord(); }

  // count samples every rateMinutes from first, temperature(i) each, counted into the histogram.
  void GiveSamples(TDateTime first, int count, int rateMinutes,
                   const std::function<float(int)>& temperature) {
    TProbeRecord& record = Record();
    record.ReadSamples = count;
    record.MissionSamples = count;
    record.SampleRate = rateMinutes;
    for (HistogramBin& bin : record.Histogram) bin.Count = 0;
    for (int i = 0; i < count; ++i) {
      const float t = temperature(i);
      record.Samples[i] = Sample{first + i * rateMinutes / 1440.0, t};
      const int bin = static_cast<int>(std::floor((t + 40) / 2));
      if (bin >= 0 && bin < TProbeRecord::kHistogramBins) ++record.Histogram[bin].Count;
    }
  }

  void FillViews() {
    form->FillTable();
    form->FillGraph();
    form->FillHistogram();
  }

  // The user's choice of a range box entry.
  void ChooseRange(int index) {
    auto* range = Find<QComboBox>("GraphRange");
    range->setCurrentIndex(index);
    Q_EMIT range->activated(index);
  }

  std::string ini = "[Properties]\nComNumber=0\n";
};

}  // namespace ombrix::testing
