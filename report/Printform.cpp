#include "Printform.h"

#include "ChartLook.h"

#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QFontMetricsF>
#include <QFrame>
#include <QGraphicsLayout>
#include <QLabel>
#include <QLineSeries>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QTextDocument>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

#include "CodePage.h"

namespace ombrix {

// The report speaks the program's language: English from ombrix-cli, which installs no
// translator, the window's language from the window.
QString TPrintPreview::OwnerLine() {
  return tr("Ombrix — temperature probe report");
}

namespace {

// Probe texts are held in the default code page until the window hands in the configured one.
QString Windows1252Text(std::string_view bytes) {
  return DefaultCodePage().ToUnicode(bytes);
}

const QColor kBarColour(0xC0, 0xC0, 0xC0);
const QColor kPaperColour(Qt::white);
constexpr int kGraphWidth = 890;
constexpr int kGraphHeight = 466;
// At most this many time labels, so that two neighbours never touch.
constexpr int kMaxTimeLabels = 12;
constexpr int kMaxTemperatureSteps = 10;
// The least room between a caption and its value.
constexpr int kCaptionGap = 6;

QFont LayoutFont(int pixelSize, bool bold) {
  QFont font(QStringLiteral("Arial"));
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(pixelSize);
  font.setBold(bold);
  return font;
}

// A layout font at the page's scale: the character height in layout units times the scale.
QFont ScaledFont(const QFont& layoutFont, double scale) {
  QFont font = layoutFont;
  font.setPixelSize(std::max(1, static_cast<int>(std::trunc(layoutFont.pixelSize() * scale))));
  return font;
}

void SetWindowColour(QWidget& widget, const QColor& colour) {
  QPalette palette = widget.palette();
  palette.setColor(QPalette::Window, colour);
  widget.setPalette(palette);
  widget.setAutoFillBackground(true);
}

// Text with its top-left corner at the point, on the painter's background.
void DrawTextAt(QPainter& painter, QPoint topLeft, const QString& text) {
  painter.drawText(QPointF(topLeft.x(), topLeft.y() + painter.fontMetrics().ascent()), text);
}

}  // namespace

TPrintPreview::TPrintPreview(QWidget* parent) : QWidget(parent), decoder_(&Windows1252Text) {
  setObjectName(QStringLiteral("PrintPreview"));
  resize(print::kLayoutWidth, print::kLayoutHeight);
  SetWindowColour(*this, kPaperColour);

  QLabel* title = AddLabel(this, "Label1", 0, 0, tr("Temperature probe"), 16, true);
  title->setFixedSize(891, 20);
  SetWindowColour(*title, kBarColour);
  QLabel* footer = AddLabel(this, "Label5", 0, 610, OwnerLine(), 13, true);
  footer->setFixedSize(891, 20);
  SetWindowColour(*footer, kBarColour);

  panel_ = new QFrame(this);
  panel_->setObjectName(QStringLiteral("Panel1"));
  panel_->setFrameStyle(QFrame::Box | QFrame::Plain);
  panel_->setLineWidth(1);
  panel_->setGeometry(2, 23, 887, 113);
  SetWindowColour(*panel_, kPaperColour);
  components_ << panel_;

  // A value stands at its designed place, or right after its caption where a caption (in
  // another language) is wider than designed.
  const auto value = [this](QLabel* caption, const char* name, int left, int top) {
    const int after = caption->x() + caption->width() + kCaptionGap;
    return AddLabel(panel_, name, std::max(left, after), top, QString(), 11, false);
  };
  QLabel* name = AddLabel(panel_, "Label2", 8, 7, tr("Name :"), 11, true);
  probeName_ = value(name, "ProbeName", 72, 7);
  QLabel* comment = AddLabel(panel_, "Label3", 8, 24, tr("Comment :"), 11, true);
  QLabel* serial = AddLabel(panel_, "Label4", 649, 7, tr("Serial Number :"), 11, true);
  serialNumber_ = value(serial, "SerialNumber", 746, 7);
  QLabel* rate = AddLabel(panel_, "Label6", 8, 88, tr("Sample Rate :"), 11, true);
  sampleRate_ = value(rate, "SampleRate", 92, 88);
  QLabel* first = AddLabel(panel_, "Label8", 187, 88, tr("First Sample :"), 11, true);
  startTime_ = value(first, "StartTime", 267, 88);
  QLabel* samples = AddLabel(panel_, "Label10", 454, 88, tr("Mission Samples :"), 11, true);
  missionSamples_ = value(samples, "MissionSamples", 558, 88);
  QLabel* start = AddLabel(panel_, "Label12", 649, 54, tr("Record Start :"), 11, true);
  QLabel* download = AddLabel(panel_, "Label13", 649, 70, tr("Download Time :"), 11, true);
  QLabel* total = AddLabel(panel_, "Label14", 649, 86, tr("Samples Total :"), 11, true);
  missionStart_ = value(start, "MissionStart", 746, 54);
  downloadTime_ = value(download, "DownloadTime", 746, 70);
  samplesTotal_ = value(total, "SamplesTotal", 746, 86);

  comment_ = new QPlainTextEdit(panel_);
  comment_->setObjectName(QStringLiteral("Comment"));
  // Its right edge stays where designed.
  const int commentLeft = std::max(72, comment->x() + comment->width() + kCaptionGap);
  comment_->setGeometry(commentLeft, 24, 72 + 457 - commentLeft, 57);
  comment_->setFont(LayoutFont(11, false));
  comment_->setFrameShape(QFrame::NoFrame);
  comment_->setReadOnly(true);
  comment_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  comment_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  components_ << comment_;

  BuildGraph();
  ShowRecord(TProbeRecord());
}

TPrintPreview::~TPrintPreview() = default;

QLabel* TPrintPreview::AddLabel(QWidget* parent, const char* name, int left, int top,
                                const QString& text, int pixelSize, bool bold) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setTextFormat(Qt::PlainText);
  label->setFont(LayoutFont(pixelSize, bold));
  label->move(left, top);
  label->adjustSize();
  components_ << label;
  return label;
}

void TPrintPreview::BuildGraph() {
  chart_ = new QChart;
  ApplyPlainChartLook(*chart_, kPaperColour);
  // Margins of 1 % left and right, 5 % on top and 6 % below; the time axis ends at 98 % of the
  // width, which leaves room for its last label.
  chart_->setMargins(QMargins(9, 23, 9 + 18, 28));

  series_ = new QLineSeries;
  series_->setObjectName(QStringLiteral("TemperatureSeries"));
  series_->setName(tr("Temperature [°C]"));
  series_->setPen(QPen(Qt::red, 1));
  series_->setPointsVisible(false);
  chart_->addSeries(series_);

  const QFont labelFont = LayoutFont(11, false);
  temperatureAxis_ = new QValueAxis;
  temperatureAxis_->setTitleText(tr("Temperature [°C]"));
  temperatureAxis_->setTitleFont(LayoutFont(11, true));
  temperatureAxis_->setLabelsFont(labelFont);
  temperatureAxis_->setTickAnchor(0);
  chart_->addAxis(temperatureAxis_, Qt::AlignLeft);
  series_->attachAxis(temperatureAxis_);

  // The minor ticks come from a second, label-less axis on the same edge, whose major ticks fall
  // on the time labels.
  minorTicks_ = new QValueAxis;
  minorTicks_->setLabelsVisible(false);
  minorTicks_->setMinorTickCount(5);
  minorTicks_->setMinorGridLineVisible(false);
  chart_->addAxis(minorTicks_, Qt::AlignBottom);
  series_->attachAxis(minorTicks_);

  // The time labels: placed by us at round clock times, and formatted from the sample times'
  // own fields, so that the PC's time zone never moves a label.
  timeAxis_ = new QCategoryAxis;
  timeAxis_->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
  timeAxis_->setLabelsFont(labelFont);
  timeAxis_->setLineVisible(false);
  timeAxis_->setGridLineVisible(false);
  chart_->addAxis(timeAxis_, Qt::AlignBottom);
  series_->attachAxis(timeAxis_);

  graph_ = new QChartView(chart_, this);
  graph_->setObjectName(QStringLiteral("Graph"));
  graph_->setGeometry(0, 142, kGraphWidth, kGraphHeight);
  graph_->setRenderHint(QPainter::Antialiasing);
  graph_->setFrameShape(QFrame::NoFrame);
  // The view is never shown, so it never lays the chart out by itself.
  chart_->resize(kGraphWidth, kGraphHeight);
  components_ << graph_ << series_;
}

void TPrintPreview::SetTextDecoder(TextDecoder decoder) {
  decoder_ = decoder ? std::move(decoder) : TextDecoder(&Windows1252Text);
}

void TPrintPreview::SetValue(QLabel* label, const QString& text) {
  label->setText(text);
  label->adjustSize();
}

bool TPrintPreview::ShowRecord(const TProbeRecord& record, float minTemperature,
                               float maxTemperature, const TemperatureLimits& limits) {
  SetValue(serialNumber_, decoder_(record.SerialNumberText()));
  SetValue(probeName_, decoder_(record.Name));
  comment_->setPlainText(decoder_(record.Comment));
  SetValue(sampleRate_, QString::number(record.SampleRate));
  SetValue(startTime_, DateTimeText(record.StartTime));
  SetValue(missionStart_, DateTimeText(record.MissionStart));
  SetValue(downloadTime_, DateTimeText(record.DownloadTime));
  SetValue(missionSamples_, QString::number(record.MissionSamples));
  SetValue(samplesTotal_, QString::number(record.SamplesTotal));

  const int held = std::clamp(record.ReadSamples, 0, TProbeRecord::kLogSize);
  QList<QPointF> points;
  points.reserve(held);
  float smallest = 0;
  float largest = 0;
  TDateTime first = 0;
  TDateTime last = 0;
  for (int i = 0; i < held; ++i) {
    const Sample sample = record.GetSample(i);
    points.append(QPointF(sample.Time, sample.Temperature));
    if (i == 0) {
      smallest = largest = sample.Temperature;
      first = last = sample.Time;
    }
    smallest = std::min(smallest, sample.Temperature);
    largest = std::max(largest, sample.Temperature);
    first = std::min(first, sample.Time);
    last = std::max(last, sample.Time);
  }
  series_->replace(points);

  SetTemperatureAxis(
      print::TemperatureAxisLimits(held > 0, smallest, largest, minTemperature, maxTemperature));
  if (held > 0) {
    SetTimeAxis(print::TimeAxisLimits(first, last), true);
  } else {
    // An empty graph still shows the hour the record starts in, when it has a time at all.
    const TDateTime anchor = record.StartTime != 0 ? record.StartTime : record.DownloadTime;
    SetTimeAxis(print::AxisLimits{anchor, anchor + 1.0 / 24}, anchor != 0);
  }

  limits_ = limits;
  statistics_ = ComputeStatistics(record, limits);
  summary_ = print::SummarizeRecord(record, limits, statistics_);
  return true;
}

void TPrintPreview::SetTemperatureAxis(const print::AxisLimits& limits) {
  const double step = print::NiceStep(limits.maximum - limits.minimum, kMaxTemperatureSteps);
  // As for the time axis: no step of the new range ever ticks the old one.
  temperatureAxis_->setTickType(QValueAxis::TicksFixed);
  temperatureAxis_->setRange(limits.minimum, limits.maximum);
  temperatureAxis_->setTickInterval(step);
  temperatureAxis_->setLabelFormat(step >= 1 ? QStringLiteral("%.0f") : QStringLiteral("%.1f"));
  temperatureAxis_->setTickType(QValueAxis::TicksDynamic);
}

void TPrintPreview::SetTimeAxis(const print::AxisLimits& limits, bool labelled) {
  const double step = print::TimeLabelStep(limits.maximum - limits.minimum, kMaxTimeLabels);
  const std::vector<TDateTime> ticks = print::TimeTicks(limits.minimum, limits.maximum, step);

  // Both time axes share the series' domain: a range set on one moves the other. While the
  // ranges change, the tick axis counts a fixed few ticks, else a step meant for an hour would
  // briefly tick a month (thousands of tick items).
  minorTicks_->setTickType(QValueAxis::TicksFixed);
  for (const QString& label : timeAxis_->categoriesLabels()) timeAxis_->remove(label);
  timeAxis_->setRange(limits.minimum, limits.maximum);
  // A category ends at its label's time; the first one starts a hair before the axis, so that
  // a label on the axis' first time is shown too.
  timeAxis_->setStartValue(limits.minimum - step);
  if (labelled) {
    const QString format = QString::fromLatin1(kTimeLabelFormat);
    for (const TDateTime tick : ticks) timeAxis_->append(print::TimeAxisLabel(tick, format), tick);
  }

  minorTicks_->setRange(limits.minimum, limits.maximum);
  minorTicks_->setTickAnchor(ticks.empty() ? limits.minimum : ticks.front());
  minorTicks_->setTickInterval(step);
  minorTicks_->setTickType(QValueAxis::TicksDynamic);
}

QStringList TPrintPreview::TimeLabels() const {
  return PlainAxisLabels(*timeAxis_);
}

bool TPrintPreview::PrintLayout(QPaintDevice& page) {
  return PrintPages(page, 0, 0);
}

bool TPrintPreview::PrintSummary(QPaintDevice& page) {
  return PrintPages(page, 1, 1);
}

bool TPrintPreview::PrintReport(QPaintDevice& device) {
  int first = 0;
  int last = kPageCount - 1;
  // The pages the user chose in the print dialog, if any.
  const auto* printer = dynamic_cast<const QPrinter*>(&device);
  if (printer && printer->printRange() == QPrinter::PageRange) {
    first = std::max(first, printer->fromPage() - 1);
    last = std::min(last, printer->toPage() - 1);
    if (first > last) return false;
  }
  return PrintPages(device, first, last);
}

bool TPrintPreview::PrintPages(QPaintDevice& device, int first, int last) {
  auto* paged = dynamic_cast<QPagedPaintDevice*>(&device);
  if (last > first && !paged) return false;
  auto* printer = dynamic_cast<QPrinter*>(&device);
  QPainter painter;
  if (!painter.begin(&device)) return false;
  bool drawn = true;
  for (int page = first; page <= last && drawn; ++page) {
    drawn = (page == first || paged->newPage()) && DrawPage(painter, page);
  }
  if (drawn && printer && printer->printerState() == QPrinter::Error) drawn = false;
  if (!drawn && printer) printer->abort();
  const bool ended = painter.end();
  return drawn && ended;
}

bool TPrintPreview::DrawPage(QPainter& painter, int index) {
  if (!painter.isActive() || index < 0 || index >= kPageCount) return false;
  const QPaintDevice& page = *painter.device();
  const print::PageMapping mapping = print::MapLayoutToPage(page.width(), page.height());
  if (index == 0) return DrawComponents(painter, mapping);
  painter.save();
  DrawSummary(painter, mapping);
  painter.restore();
  return painter.isActive();
}

bool TPrintPreview::DrawComponents(QPainter& painter, const print::PageMapping& mapping) {
  QPoint panel(0, 0);
  for (QObject* component : std::as_const(components_)) {
    painter.setPen(QPen(Qt::black, 1, Qt::SolidLine));
    painter.setBrush(QBrush(Qt::white, Qt::SolidPattern));
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setBackgroundMode(Qt::TransparentMode);

    if (auto* label = qobject_cast<QLabel*>(component)) {
      DrawLabel(painter, mapping, *label, panel);
    } else if (component == panel_) {
      const QRect box = mapping.MapRect(panel_->geometry().translated(panel));
      painter.drawRect(box.adjusted(0, 0, -1, -1));
      panel = panel_->pos();
    } else if (component == comment_) {
      DrawMemo(painter, mapping, panel);
    } else if (component == graph_) {
      DrawGraph(painter, mapping);
    }
    if (!painter.isActive()) return false;
  }
  return true;
}

void TPrintPreview::DrawLabel(QPainter& painter, const print::PageMapping& mapping,
                              const QLabel& label, QPoint panel) {
  const QRect box = label.geometry().translated(panel);
  const QColor colour = label.palette().color(QPalette::Window);
  if (colour != kPaperColour) {
    painter.setPen(colour);
    painter.setBrush(colour);
    painter.fillRect(mapping.MapRect(box), colour);
  }
  painter.setFont(ScaledFont(label.font(), mapping.scale));
  painter.setPen(label.palette().color(QPalette::WindowText));
  painter.setBackgroundMode(Qt::OpaqueMode);
  painter.setBackground(painter.brush().color());
  DrawTextAt(painter, mapping.Map(box.left(), box.top()), label.text());
}

void TPrintPreview::DrawMemo(QPainter& painter, const print::PageMapping& mapping, QPoint panel) {
  const QFont layoutFont = comment_->font();
  painter.setFont(ScaledFont(layoutFont, mapping.scale));
  // The lines stand one character height apart, closer than the font's own line spacing: drawn
  // on an opaque background, each line would cut off the descenders of the one above.
  const double tenM = QFontMetricsF(painter.font(), painter.device())
                          .horizontalAdvance(QStringLiteral("MMMMMMMMMM"));
  const int n = print::MemoCharsPerLine(comment_->width(), mapping.scale, tenM);
  const int lineHeight = std::abs(layoutFont.pixelSize());
  int y = comment_->y();
  for (const QString& line : print::MemoLines(comment_->toPlainText(), n)) {
    DrawTextAt(painter, mapping.Map(comment_->x() + panel.x(), y + panel.y()), line);
    y += lineHeight;
  }
}

void TPrintPreview::DrawGraph(QPainter& painter, const print::PageMapping& mapping) {
  // The chart is laid out at the layout's size and drawn scaled, so that the page gets the
  // layout's proportions at the page's resolution.
  chart_->resize(graph_->size());
  chart_->layout()->activate();
  const QRect target = mapping.MapRect(graph_->geometry());
  painter.setRenderHint(QPainter::Antialiasing);
  graph_->scene()->render(&painter, target, chart_->geometry(), Qt::IgnoreAspectRatio);
  painter.setRenderHint(QPainter::Antialiasing, false);
}

void TPrintPreview::DrawSummary(QPainter& painter, const print::PageMapping& mapping) {
  namespace layout = print::summary;
  const double scale = mapping.scale;
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setBackgroundMode(Qt::TransparentMode);
  const auto text = [&](int left, int top, const QString& line, int pixelSize, bool bold,
                        const QColor& colour = Qt::black) {
    painter.setFont(ScaledFont(LayoutFont(pixelSize, bold), scale));
    painter.setPen(colour);
    DrawTextAt(painter, mapping.Map(left, top), line);
  };
  const auto rule = [&](int left, int right, int y) {
    painter.fillRect(mapping.MapRect(QRect(left, y, right - left, 1)), Qt::black);
  };

  // The bars and the probe's identity as on the first page, so that a loose page still says
  // which record it belongs to.
  painter.fillRect(mapping.MapRect(layout::kTitleBar), kBarColour);
  text(layout::kTitleBar.left(), layout::kTitleBar.top(), tr("Temperature probe — summary"), 16,
       true);
  painter.fillRect(mapping.MapRect(layout::kFooterBar), kBarColour);
  text(layout::kFooterBar.left(), layout::kFooterBar.top(), OwnerLine(), 13, true);
  text(layout::kLeftColumn, layout::kIdentityTop, tr("Name :"), 11, true);
  text(probeName_->x(), layout::kIdentityTop, probeName_->text(), 11, false);
  text(649, layout::kIdentityTop, tr("Serial Number :"), 11, true);
  text(serialNumber_->x(), layout::kIdentityTop, serialNumber_->text(), 11, false);

  // The verdict first and large, in a framed box whose colour says it at a glance; printed
  // without colour, the words alone still do.
  QColor ink(0x30, 0x30, 0x30);
  QColor tint(0xE8, 0xE8, 0xE8);
  if (summary_.verdict == Verdict::kWithin) {
    ink = QColor(0x00, 0x66, 0x1E);
    tint = QColor(0xDC, 0xF2, 0xE0);
  } else if (summary_.verdict == Verdict::kOutside) {
    ink = QColor(0xB4, 0x00, 0x00);
    tint = QColor(0xFA, 0xDA, 0xDA);
  }
  const QRect box = mapping.MapRect(layout::kVerdictBox);
  const int frame = std::max(1, static_cast<int>(std::lround(layout::kVerdictFrame * scale)));
  painter.fillRect(box, ink);
  painter.fillRect(box.adjusted(frame, frame, -frame, -frame), tint);
  text(layout::kVerdictBox.left() + 14, layout::kVerdictBox.top() + 4, summary_.verdictText, 28,
       true, ink);
  text(layout::kVerdictBox.left() + 14, layout::kVerdictBox.top() + 42, summary_.verdictDetail, 13,
       false);
  // Beside the verdict, where it cannot be missed: a verdict on edited data proves nothing.
  if (!summary_.changedNote.isEmpty()) {
    text(layout::kVerdictBox.right() - 320, layout::kVerdictBox.top() + 10, summary_.changedNote,
         13, true, QColor(0xB4, 0x00, 0x00));
  }

  const auto column = [&](int left, int right, int values, const QString& heading,
                          const std::vector<print::SummaryRow>& rows) {
    text(left, layout::kHeadingTop, heading, 13, true);
    rule(left, right, layout::kHeadingTop + 17);
    // The values stand at their designed place, or after the widest caption where captions (in
    // another language) are wider than designed.
    const QFontMetrics captions(LayoutFont(11, false));
    for (const print::SummaryRow& row : rows) {
      values = std::max(values, left + captions.horizontalAdvance(row.caption) + kCaptionGap);
    }
    int top = layout::kRowTop;
    for (const print::SummaryRow& row : rows) {
      text(left, top, row.caption, 11, false);
      text(values, top, row.value, 11, true);
      top += layout::kRowPitch;
    }
    return top;
  };
  column(layout::kLeftColumn, layout::kLeftColumnEnd, layout::kLeftValues, tr("Limits"),
         summary_.limits);
  const int statisticsEnd = column(layout::kRightColumn, layout::kRightColumnEnd,
                                   layout::kRightValues, tr("Statistics"), summary_.statistics);
  // The signatures below the statistics, as many as the page holds above its footer.
  if (!summary_.signatures.isEmpty()) {
    const int heading = statisticsEnd + layout::kRowPitch;
    text(layout::kRightColumn, heading, tr("Electronic signatures"), 13, true);
    rule(layout::kRightColumn, layout::kRightColumnEnd, heading + 17);
    const int rows = std::max(1, (layout::kFooterBar.top() - heading - 24) / layout::kRowPitch);
    const int shown = summary_.signatures.size() > rows ? rows - 1 : summary_.signatures.size();
    int top = heading + 24;
    painter.setFont(ScaledFont(LayoutFont(11, false), scale));
    for (int i = 0; i < shown; ++i, top += layout::kRowPitch) {
      // A long comment is cut to the column's width rather than run over the page's edge.
      const QString line = painter.fontMetrics().elidedText(
          summary_.signatures[i], Qt::ElideRight,
          static_cast<int>((layout::kRightColumnEnd - layout::kRightColumn) * scale));
      text(layout::kRightColumn, top, line, 11, false);
    }
    if (shown < summary_.signatures.size()) {
      text(layout::kRightColumn, top, tr("… and %1 more").arg(summary_.signatures.size() - shown),
           11, false);
    }
  }

  text(layout::kLeftColumn, layout::kExcursionHeadingTop, tr("Excursions"), 13, true);
  rule(layout::kLeftColumn, layout::kLeftColumnEnd, layout::kExcursionHeadingTop + 17);
  const int captionTop = layout::kExcursionRowTop - layout::kRowPitch;
  int top = layout::kExcursionRowTop;
  if (summary_.excursions.empty()) {
    text(layout::kLeftColumn, captionTop,
         limits_.Any() ? tr("None.") : tr("None counted without limits."), 11, false);
    return;
  }
  const QString captions[] = {QStringLiteral("#"), tr("Beyond"), tr("From"), tr("Until"),
                              tr("Duration")};
  for (int i = 0; i < 5; ++i) text(layout::kExcursionColumns[i], captionTop, captions[i], 11, true);
  for (const print::ExcursionRow& row : summary_.excursions) {
    for (int i = 0; i < 5; ++i) text(layout::kExcursionColumns[i], top, row[i], 11, false);
    top += layout::kRowPitch;
  }
  if (summary_.moreExcursions > 0) {
    text(layout::kLeftColumn, top, tr("… and %1 more").arg(summary_.moreExcursions), 11, false);
  }
}

}  // namespace ombrix
