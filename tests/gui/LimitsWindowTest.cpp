// Limits in the window: the Limits dialog refuses what cannot be used and stores the rest per
// probe in the settings file; the Status page sums the held record up against the limits, and the
// graph draws the limit lines and shades the excursions.
#include <QAreaSeries>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QPushButton>
#include <QRadioButton>

#include <optional>

#include "FileTesting.h"
#include "GraphView.h"

namespace ombrix::testing {
namespace {

constexpr std::uint64_t kSerial = 0x4F00000012345678ULL;
constexpr const char* kSection = "[Limits 4F00000012345678]\n";
constexpr const char* kSettings = "[Properties]\nComNumber=0\n";

// What the user types into the dialog; nothing for a limit left switched off.
struct Input {
  std::optional<QString> low;
  std::optional<QString> high;
  QString delay = "0";
  QString activation = "10000";
  bool own = true;
  QString reason = "new fridge";
};

class LimitsWindowTest : public FileActionTest {
 protected:
  void SetUp() override {
    FileActionTest::SetUp();
    BuildScenario(bus, "none");
  }

  // A record file of probe kSerial: one sample every 10 minutes from 1 June 2021 12:00.
  QString WriteSamples(const char* fileName, const std::vector<double>& temperatures,
                       std::uint64_t serial = kSerial) {
    TProbeRecord record;
    record.SerialNumber = serial;
    record.Name = "Vaccine fridge";
    record.MemoryClear = false;
    record.StartTime = EncodeDateTime(2021, 6, 1, 12, 0, 0);
    record.MissionSamples = record.ReadSamples = record.SamplesTotal =
        static_cast<int>(temperatures.size());
    for (std::size_t i = 0; i < temperatures.size(); ++i) {
      record.LogBuffer[i] = static_cast<std::uint8_t>((temperatures[i] + 40) * 2);
    }
    record.SecondsFromLocalTimes();
    record.DecodeLog();
    const QString path = Path(fileName);
    EXPECT_TRUE(SaveToFile(record, path));
    return path;
  }

  static QString At(int hour, int minute) {
    return DateTimeText(EncodeDateTime(2021, 6, 1, hour, minute, 0));
  }

  QString Shown(const char* name) { return Find<QLabel>(name)->text(); }

  // Opens the Limits dialog from the Status page's button, types `input` and presses OK. Returns
  // whether the dialog closed with OK.
  bool EnterLimits(const Input& input) {
    bool accepted = false;
    runDialog = [&](QDialog& dialog) {
      const auto field = [&](const char* name) {
        return dialog.findChild<QLineEdit*>(QString::fromLatin1(name));
      };
      dialog.findChild<QCheckBox*>("LimitsLowOn")->setChecked(input.low.has_value());
      field("LimitsLow")->setText(input.low.value_or(""));
      dialog.findChild<QCheckBox*>("LimitsHighOn")->setChecked(input.high.has_value());
      field("LimitsHigh")->setText(input.high.value_or(""));
      field("LimitsDelay")->setText(input.delay);
      field("LimitsActivation")->setText(input.activation);
      dialog.findChild<QRadioButton*>(input.own ? "LimitsOwn" : "LimitsDefaults")->setChecked(true);
      field("LimitsReason")->setText(input.reason);
      dialog.accept();
      accepted = dialog.result() == QDialog::Accepted;
      return dialog.result();
    };
    Find<QPushButton>("StatusLimits")->click();
    return accepted;
  }
};

TEST_F(LimitsWindowTest, TheDialogRefusesWhatCannotBeUsedAndChangesNothing) {
  const std::string settings = std::string(kSettings) + "; kept as it is\n";
  WriteIni(settings);
  Start();
  Open(WriteSamples("fridge.omx", {4.0, 5.0}));
  const struct {
    Input input;
    const char* reason;
  } refused[] = {
      {{"8", "2"}, "The low limit must be below the high limit."},
      {{"5", "5"}, "The low limit must be below the high limit."},
      {{"two", "8"}, "The low limit \"two\" is not a temperature."},
      {{"2", "8 C"}, "The high limit \"8 C\" is not a temperature."},
      {{"2", "8", "-1"}, "The tolerance delay \"-1\" is not a whole number of minutes"},
      {{"2", "8", "10001"}, "The tolerance delay \"10001\" is not a whole number of minutes"},
      {{"2", "8", "ten"}, "The tolerance delay \"ten\" is not a whole number of minutes"},
      {{"2", "8", "0", "0"}, "The activation energy must be a positive number."},
      {{"2", "8", "0", "high"}, "The activation energy must be a positive number."},
  };
  for (const auto& [input, reason] : refused) {
    messages.clear();
    EXPECT_FALSE(EnterLimits(input)) << reason;
    ASSERT_EQ(messages.size(), 1u) << reason;
    EXPECT_TRUE(messages[0].text.startsWith(QString::fromUtf8(reason)))
        << messages[0].text.toStdString();
    EXPECT_EQ(ReadIni(), settings);
    EXPECT_EQ(Shown("StatisticsLimits"), "none set");
  }
}

// Limits are kept by serial number: a later record of the same probe is judged by them, another
// probe by the defaults.
TEST_F(LimitsWindowTest, GoodLimitsAreStoredPerProbeAndKeptForItsNextRecord) {
  WriteIni(kSettings);
  Start();
  Open(WriteSamples("first.omx", {4.0, 9.0}));
  EXPECT_EQ(Shown("StatisticsVerdict"), "No limits set");

  ASSERT_TRUE(EnterLimits({"2,5", "8", "30", "9500"}));
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(ReadIni(),
            std::string(kSettings) + kSection + "Low=2.5\nHigh=8\nDelay=30\nActivation=9500\n");
  EXPECT_EQ(Shown("StatisticsLimits"),
            "2.5 °C to 8.0 °C, excursions of 30 min or longer (this probe's own)");
  ASSERT_TRUE(EnterLimits({std::nullopt, "10", "0", "10000", false}));
  EXPECT_EQ(ReadIni(), std::string(kSettings) + kSection +
                           "Low=2.5\nHigh=8\nDelay=30\nActivation=9500\n"
                           "[Limits]\nLow=\nHigh=10\nDelay=0\nActivation=10000\n");

  const struct {
    const char* file;
    std::uint64_t serial;
    const char* limits;
  } records[] = {
      {"second.omx", kSerial,
       "2.5 °C to 8.0 °C, excursions of 30 min or longer (this probe's own)"},
      {"other.omx", kSerial + 1, "not above 10.0 °C (defaults for all probes)"},
  };
  for (const auto& record : records) {
    Open(WriteSamples(record.file, {4.0, 9.0}, record.serial));
    EXPECT_EQ(Shown("StatisticsLimits"), QString::fromUtf8(record.limits)) << record.file;
  }
}

// With an archive kept, a change of the limits needs a reason and is in its audit trail with the
// limits before and after; OK without a change needs none and adds no row.
TEST_F(LimitsWindowTest, AChangeOfTheLimitsNeedsAReasonAndIsInTheAuditTrail) {
  WriteIni(kSettings);
  Start();
  Open(WriteSamples("fridge.omx", {4.0, 9.0}));
  const auto rows = [this] {
    std::string error;
    std::vector<AuditRow> read;
    EXPECT_TRUE(form->Workplace->OpenArchive(error)->Audit({}, read, error)) << error;
    return read;
  };
  EXPECT_FALSE(EnterLimits({"2", "8", "0", "10000", true, "  "}));
  EXPECT_EQ(LastMessage().left(38), "Give the reason for the change of the ");
  EXPECT_EQ(ReadIni(), kSettings);

  messages.clear();
  ASSERT_TRUE(EnterLimits({"2", "8", "0", "10000", true, "vaccines moved in"}));
  ASSERT_TRUE(EnterLimits({"2", "8", "0", "10000", true, ""})) << "unchanged";
  ASSERT_TRUE(EnterLimits({std::nullopt, "25.5", "15", "10000", false, "room"}));
  EXPECT_TRUE(messages.empty()) << LastMessage().toStdString();
  const std::vector<AuditRow> audit = rows();
  ASSERT_EQ(audit.size(), 2u);
  const struct {
    const char *serial, *before, *after, *reason;
  } expected[] = {
      {"78 56 34 12 00 00 00 4F", "", "low=2 °C\nhigh=8 °C\ndelay=0 min\nactivation=10000 K",
       "vaccines moved in"},
      {"", "low=none\nhigh=none\ndelay=0 min\nactivation=10000 K",
       "low=none\nhigh=25.5 °C\ndelay=15 min\nactivation=10000 K", "room"},
  };
  for (std::size_t i = 0; i < audit.size(); ++i) {
    const AuditEvent& e = audit[i].event;
    EXPECT_EQ(e.action, "limits");
    EXPECT_EQ(e.probeSerial, expected[i].serial);
    EXPECT_EQ(e.oldValue, expected[i].before);
    EXPECT_EQ(e.newValue, expected[i].after);
    EXPECT_EQ(e.message, expected[i].reason);
    EXPECT_TRUE(e.done);
  }
}

TEST_F(LimitsWindowTest, ASettingsFileThatCannotBeWrittenKeepsTheLimitsAsTheyWere) {
  WriteIni(kSettings);
  Start();
  Open(WriteSamples("fridge.omx", {4.0, 9.0}));
  // A folder where the settings file was: it can neither be read again nor replaced.
  ASSERT_TRUE(QFile::remove(IniPath()));
  ASSERT_TRUE(QDir().mkdir(IniPath()));
  EXPECT_FALSE(EnterLimits({"2", "8"}));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_TRUE(messages[0].text.startsWith("The limits cannot be saved."))
      << LastMessage().toStdString();
  EXPECT_EQ(Shown("StatisticsLimits"), "none set");
  EXPECT_EQ(form->Workplace->LimitsFor(kSerial), TemperatureLimits{});
}

// Four samples every 10 minutes: 4.0, 4.5, 5.0, 12.0 °C. Their mean kinetic temperature at
// ΔH/R 10000 K is 7.094 °C; the mean 6.375 °C, the sample standard deviation 3.772 °C.
TEST_F(LimitsWindowTest, TheStatusPageJudgesTheHeldRecordByItsProbesLimits) {
  const struct {
    const char* limits;  // the probe's own section in the settings
    const char* verdict;
    const char* below;
    const char* above;
    const char* excursions;
    QString longest;
  } cases[] = {
      {"Low=2\nHigh=8\nDelay=10\n", "Outside limits", "0 min", "10 min", "1 (of 10 min or longer)",
       "10 min above the high limit, " + At(12, 30) + " – " + At(12, 40)},
      // A run shorter than the delay is time above, but no excursion.
      {"Low=2\nHigh=8\nDelay=11\n", "Within limits", "0 min", "10 min", "0 (of 11 min or longer)",
       "—"},
      {"High=12\n", "Within limits", "no low limit", "0 min", "0", "—"},
      {"Low=4.5\nHigh=11\n", "Outside limits", "10 min", "10 min", "2",
       "10 min below the low limit, " + At(12, 0) + " – " + At(12, 10)},
      {"", "No limits set", "no low limit", "no high limit", "—", "—"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.limits);
    WriteIni(std::string(kSettings) + kSection + c.limits);
    Start();
    Open(WriteSamples("fridge.omx", {4.0, 4.5, 5.0, 12.0}));
    EXPECT_EQ(Shown("StatisticsSamples"), "4");
    EXPECT_EQ(Shown("StatisticsFirst"), At(12, 0));
    EXPECT_EQ(Shown("StatisticsLast"), At(12, 30));
    EXPECT_EQ(Shown("StatisticsMinimum"), "4.0 °C at " + At(12, 0));
    EXPECT_EQ(Shown("StatisticsMaximum"), "12.0 °C at " + At(12, 30));
    EXPECT_EQ(Shown("StatisticsMean"), "6.4 °C");
    EXPECT_EQ(Shown("StatisticsDeviation"), "3.77 K");
    EXPECT_EQ(Shown("StatisticsMeanKinetic"), "7.09 °C (ΔH/R 10000 K)");
    EXPECT_EQ(Shown("StatisticsBelow"), QString::fromUtf8(c.below));
    EXPECT_EQ(Shown("StatisticsAbove"), QString::fromUtf8(c.above));
    EXPECT_EQ(Shown("StatisticsExcursions"), QString::fromUtf8(c.excursions));
    EXPECT_EQ(Shown("StatisticsLongest"), c.longest);
    EXPECT_EQ(Shown("StatisticsVerdict"), c.verdict);
    const QColor colour = Find<QLabel>("StatisticsVerdict")->palette().color(QPalette::WindowText);
    const bool red = colour.red() > 150 && colour.green() < 50;
    EXPECT_EQ(red, std::string(c.verdict) == "Outside limits");
    EXPECT_FALSE(Find<QLabel>("StatisticsNote")->isVisibleTo(form.get()));
    form.reset();
  }
}

TEST_F(LimitsWindowTest, NoOrOneSampleShowsWhatThereIsAndSaysWhy) {
  WriteIni(std::string(kSettings) + "[Limits]\nHigh=8\n");
  Start();
  // Nothing held yet: the limits in force, and nothing to judge, in no colour of a verdict.
  EXPECT_EQ(Shown("StatisticsSamples"), "0");
  EXPECT_EQ(Shown("StatisticsLimits"), "not above 8.0 °C (defaults for all probes)");
  EXPECT_EQ(Shown("StatisticsVerdict"), "Nothing to judge");
  const QLabel* verdict = Find<QLabel>("StatisticsVerdict");
  EXPECT_EQ(verdict->palette().color(QPalette::WindowText),
            Find<QWidget>("StatusStatistics")->palette().color(QPalette::WindowText));
  EXPECT_EQ(Shown("StatisticsMean"), "—");
  EXPECT_EQ(Shown("StatisticsNote"), "No samples.");

  Open(WriteSamples("one.omx", {9.0}));
  EXPECT_EQ(Shown("StatisticsSamples"), "1");
  EXPECT_EQ(Shown("StatisticsMean"), "9.0 °C");
  EXPECT_EQ(Shown("StatisticsMeanKinetic"), "9.00 °C (ΔH/R 10000 K)");
  EXPECT_EQ(Shown("StatisticsDeviation"), "— (one sample)");
  EXPECT_EQ(Shown("StatisticsVerdict"), "Outside limits");
  EXPECT_EQ(Shown("StatisticsNote"), "One sample: no standard deviation.");
  EXPECT_TRUE(Find<QLabel>("StatisticsNote")->isVisibleTo(form.get()));
}

TEST_F(LimitsWindowTest, TheGraphDrawsTheLimitsAndShadesTheExcursions) {
  WriteIni(std::string(kSettings) + kSection + "Low=4.2\nHigh=8\nDelay=0\n");
  Start();
  Open(WriteSamples("fridge.omx", {4.0, 4.5, 5.0, 12.0, 6.0}));
  TGraphView& graph = *form->Graph();
  const views::Range window = graph.Window();
  const auto line = [](QLineSeries* series) {
    return series->isVisible() ? series->points() : QList<QPointF>{};
  };
  EXPECT_EQ(line(graph.LowLimitSeries()),
            (QList<QPointF>{{window.minimum, 4.2}, {window.maximum, 4.2}}));
  EXPECT_EQ(line(graph.HighLimitSeries()),
            (QList<QPointF>{{window.minimum, 8}, {window.maximum, 8}}));

  // Each band rises at its excursion's start and falls one sample interval after its last sample:
  // its outline in minutes from the first sample, 1 at the plot's top and 0 at its bottom.
  const views::Range range = graph.TemperatureRange();
  const TDateTime t0 = EncodeDateTime(2021, 6, 1, 12, 0, 0);
  const auto outline = [&](QAreaSeries* area) {
    QList<QPoint> points;
    if (!area->isVisible()) return points;
    for (const QPointF& p : area->upperSeries()->points()) {
      points << QPoint(qRound((p.x() - t0) * 1440), p.y() == range.maximum   ? 1
                                                    : p.y() == range.minimum ? 0
                                                                             : -1);
    }
    return points;
  };
  EXPECT_EQ(outline(graph.AboveArea()), (QList<QPoint>{{30, 0}, {30, 1}, {40, 1}, {40, 0}}));
  EXPECT_EQ(outline(graph.BelowArea()), (QList<QPoint>{{0, 0}, {0, 1}, {10, 1}, {10, 0}}));

  // Limits switched off: no lines, no bands.
  ASSERT_TRUE(EnterLimits({}));
  for (QLineSeries* limit : {graph.LowLimitSeries(), graph.HighLimitSeries()}) {
    EXPECT_FALSE(limit->isVisible());
  }
  EXPECT_TRUE(outline(graph.AboveArea()).isEmpty());
  EXPECT_TRUE(outline(graph.BelowArea()).isEmpty());
}

}  // namespace
}  // namespace ombrix::testing
