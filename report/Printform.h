#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <string_view>

#include "PrintLayoutMath.h"
#include "ProbeRecord.h"
#include "ReportSummary.h"
#include "Statistics.h"

QT_BEGIN_NAMESPACE
class QCategoryAxis;
class QChart;
class QChartView;
class QFrame;
class QLabel;
class QLineSeries;
class QPaintDevice;
class QPainter;
class QPlainTextEdit;
class QValueAxis;
QT_END_NAMESPACE

namespace ombrix {

// The printed report: a landscape page with the record's header fields and a graph of all its
// samples, followed by a summary page with the limits in force, the record's statistics and the
// verdict. The form is a template that is never shown; ShowRecord copies a record into it,
// PrintLayout draws its components, in the order they were created, onto a page of any size (a
// printer, a PDF writer or an image), PrintSummary draws the summary page alike, and
// PrintReport draws both as one job.
class TPrintPreview : public QWidget {
  Q_OBJECT

 public:
  // The graph's vertical axis always covers the workplace's temperature range; these are the
  // workplace's defaults.
  static constexpr float kDefaultMinTemperature = 0.0f;
  static constexpr float kDefaultMaxTemperature = 40.0f;
  // The printed time labels always carry the date.
  static constexpr const char* kTimeLabelFormat = "hh:mm d.M.";
  // The footer of both pages.
  static QString OwnerLine();

  using TextDecoder = std::function<QString(std::string_view)>;

  explicit TPrintPreview(QWidget* parent = nullptr);
  ~TPrintPreview() override;

  // Probe texts are 8-bit; they are read as Windows-1252 unless the program names its own code
  // page here.
  void SetTextDecoder(TextDecoder decoder);

  // Fills the labels, the comment and the graph from the record, and the summary page from the
  // record checked against the limits (none by default). Always true.
  bool ShowRecord(const TProbeRecord& record, float minTemperature = kDefaultMinTemperature,
                  float maxTemperature = kDefaultMaxTemperature,
                  const TemperatureLimits& limits = TemperatureLimits());

  // The signatures the summary page lists (SignatureText of each), for a record that is an
  // archive entry; ShowRecord clears them.
  void SetSignatures(const QStringList& signatures) { summary_.signatures = signatures; }

  // Draws the layout, scaled and centred, as one page onto the device; the device's own
  // background is left as it is (a printer's paper, or whatever an image was filled with). On a
  // printer this is one whole job. False, with a printer's job aborted, when the painter cannot
  // begin or a step fails.
  bool PrintLayout(QPaintDevice& page);
  // The summary page alone, drawn as PrintLayout draws the first page.
  bool PrintSummary(QPaintDevice& page);
  // All pages of the report as one job on a device with pages (printer, PDF writer), or on a
  // printer the pages of the range chosen for it; false for a device without pages, for a range
  // without any of the report's pages, and as PrintLayout on failure.
  bool PrintReport(QPaintDevice& device);

  // The pages of one record's report: the layout, then the summary.
  static constexpr int kPageCount = 2;
  // Draws page `index` (0 .. kPageCount - 1) with a painter that is active on a page; several
  // records' reports go into one document this way. False when the painter fails.
  bool DrawPage(QPainter& painter, int index);

  // What the summary page shows, from the last ShowRecord.
  const TemperatureLimits& Limits() const { return limits_; }
  const RecordStatistics& Statistics() const { return statistics_; }
  const print::ReportSummary& Summary() const { return summary_; }

  // The 23 components in creation order (= drawing order).
  const QList<QObject*>& Components() const { return components_; }
  QChart* Chart() const { return chart_; }
  QLineSeries* Series() const { return series_; }
  QValueAxis* TemperatureAxis() const { return temperatureAxis_; }
  QCategoryAxis* TimeAxis() const { return timeAxis_; }
  // The horizontal axis' labels as plain text, one label per entry, its lines joined by blanks.
  QStringList TimeLabels() const;

 private:
  QLabel* AddLabel(QWidget* parent, const char* name, int left, int top, const QString& text,
                   int pixelSize, bool bold);
  void BuildGraph();
  void SetTemperatureAxis(const print::AxisLimits& limits);
  void SetTimeAxis(const print::AxisLimits& limits, bool labelled);
  void SetValue(QLabel* label, const QString& text);
  bool DrawComponents(QPainter& painter, const print::PageMapping& mapping);
  void DrawLabel(QPainter& painter, const print::PageMapping& mapping, const QLabel& label,
                 QPoint panel);
  void DrawMemo(QPainter& painter, const print::PageMapping& mapping, QPoint panel);
  void DrawGraph(QPainter& painter, const print::PageMapping& mapping);
  bool PrintPages(QPaintDevice& device, int first, int last);
  void DrawSummary(QPainter& painter, const print::PageMapping& mapping);

  TextDecoder decoder_;
  QList<QObject*> components_;
  QFrame* panel_ = nullptr;
  QLabel* probeName_ = nullptr;
  QLabel* serialNumber_ = nullptr;
  QLabel* sampleRate_ = nullptr;
  QLabel* startTime_ = nullptr;
  QLabel* missionSamples_ = nullptr;
  QLabel* missionStart_ = nullptr;
  QLabel* downloadTime_ = nullptr;
  QLabel* samplesTotal_ = nullptr;
  QPlainTextEdit* comment_ = nullptr;
  QChartView* graph_ = nullptr;
  QChart* chart_ = nullptr;
  QLineSeries* series_ = nullptr;
  QCategoryAxis* timeAxis_ = nullptr;
  QValueAxis* minorTicks_ = nullptr;
  QValueAxis* temperatureAxis_ = nullptr;
  TemperatureLimits limits_;
  RecordStatistics statistics_;
  print::ReportSummary summary_;
};

}  // namespace ombrix
