// The Table, Graph and Histogram pages: how they are filled from the probe record, how the
// graph's time window is chosen and moved, and the Date and 3D switches.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QStyle>
#include <QTableView>
#include <QToolButton>

#include <algorithm>

#include "ConsistencyError.h"
#include "GraphView.h"
#include "HistogramView.h"
#include "Main.h"
#include "Msg.h"
#include "PrintLayoutMath.h"
#include "TableModel.h"
#include "ui_Main.h"

namespace ombrix {

namespace {

constexpr int kColumnWidths[TTableModel::kColumns] = {64, 87, 150, 150};
constexpr int kRowHeight = 18;

QLabel* PageTitle(const QString& text, QWidget* parent, int pixelSize = 0) {
  auto* title = new QLabel(text, parent);
  QFont font = title->font();
  font.setBold(true);
  if (pixelSize > 0) font.setPixelSize(pixelSize);
  title->setFont(font);
  return title;
}

// Puts the widget where the layout holds its placeholder spacer, and lets it take the room.
void ReplaceSpacer(QBoxLayout* layout, int index, QWidget* widget) {
  if (QLayoutItem* item = layout->itemAt(index); item && item->spacerItem()) {
    delete layout->takeAt(index);
  }
  layout->insertWidget(index, widget, 1);
}

}  // namespace

void TMainForm::BuildDataViews() {
  // Table ------------------------------------------------------------------------------------
  tableModel_ = new TTableModel(this);
  table_ = new QTableView(ui_->TableTab);
  table_->setObjectName(QStringLiteral("Table"));
  table_->setModel(tableModel_);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  table_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  table_->setWordWrap(false);
  table_->verticalHeader()->hide();
  table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  table_->verticalHeader()->setDefaultSectionSize(kRowHeight);
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  table_->horizontalHeader()->setSectionsClickable(false);
  table_->horizontalHeader()->setHighlightSections(false);
  for (int column = 0; column < TTableModel::kColumns; ++column) {
    table_->setColumnWidth(column, kColumnWidths[column]);
  }
  ui_->TableTabLayout->addWidget(PageTitle(tr("Temperature Table"), ui_->TableTab, 20));
  ui_->TableTabLayout->addWidget(table_, 1);

  // Graph ------------------------------------------------------------------------------------
  graph_ = new TGraphView(ui_->GraphTab);
  ReplaceSpacer(ui_->GraphTabLayout, 1, graph_);
  graph_->SetCornerWidget(ui_->GraphDate);
  graph_->SetScrollCheck([this](views::Range proposed) {
    return GraphAllowScroll(proposed.minimum, proposed.maximum);
  });
  QHBoxLayout* top = ui_->GraphTopLayout;
  top->insertWidget(2, PageTitle(tr("Temperature Graph"), ui_->GraphTab));
  top->insertStretch(3, 1);
  struct Vcr {
    QAction* action;
    const char* name;
    QStyle::StandardPixmap image;
    void (TMainForm::*handler)();
  };
  int at = 4;
  for (const Vcr& vcr :
       {Vcr{ui_->GraphHome, "VcrHome", QStyle::SP_MediaSkipBackward, &TMainForm::GraphHomeExecute},
        Vcr{ui_->GraphBackward, "VcrBackward", QStyle::SP_MediaSeekBackward,
            &TMainForm::GraphBackwardExecute},
        Vcr{ui_->GraphForward, "VcrForward", QStyle::SP_MediaSeekForward,
            &TMainForm::GraphForwardExecute},
        Vcr{ui_->GraphEnd, "VcrEnd", QStyle::SP_MediaSkipForward, &TMainForm::GraphEndExecute}}) {
    vcr.action->setIcon(style()->standardIcon(vcr.image));
    auto* button = new QToolButton(ui_->GraphTab);
    button->setObjectName(QString::fromLatin1(vcr.name));
    button->setDefaultAction(vcr.action);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    // A button follows its action's enabled state by itself, but not whether it is shown.
    connect(vcr.action, &QAction::visibleChanged, button,
            [button, action = vcr.action] { button->setVisible(action->isVisible()); });
    connect(vcr.action, &QAction::triggered, this,
            [this, handler = vcr.handler] { (this->*handler)(); });
    top->insertWidget(at++, button);
  }
  // Zooming: the wheel and a right-button rectangle on the graph; a double click, Reset Zoom
  // and the range box set the view back; Fit to Data fits the temperature axis to what is shown.
  auto* fit = new QAction(tr("&Fit to Data"), this);
  fit->setObjectName(QStringLiteral("GraphFit"));
  fit->setToolTip(tr("Temperature axis to the samples shown and the limits"));
  auto* reset = new QAction(tr("&Reset Zoom"), this);
  reset->setObjectName(QStringLiteral("GraphResetZoom"));
  reset->setToolTip(tr("The whole record on the usual temperature axis"));
  QAction* limits = ui_->ViewLimits;
  ui_->MenuView->insertActions(limits, {fit, reset});
  ui_->MenuView->insertSeparator(limits);
  for (QAction* action : {fit, reset}) {
    auto* button = new QToolButton(ui_->GraphTab);
    button->setObjectName(action->objectName() + QStringLiteral("Button"));
    button->setDefaultAction(action);
    button->setFocusPolicy(Qt::NoFocus);
    top->insertWidget(at++, button);
  }
  connect(fit, &QAction::triggered, this, [this] { graph_->FitTemperatureRange(); });
  connect(reset, &QAction::triggered, this, [this] { GraphResetZoom(); });
  connect(graph_, &TGraphView::resetRequested, this, [this] { GraphResetZoom(); });
  connect(graph_, &TGraphView::windowZoomed, this, [this] { UpdateGraphNavigation(); });
  connect(ui_->GraphRange, &QComboBox::activated, this, [this] { GraphRangeChange(); });
  connect(ui_->GraphDate, &QCheckBox::clicked, this, [this] { GraphDateClick(); });
  connect(ui_->GraphDisable3D, &QCheckBox::clicked, this, [this] { GraphDisable3DClick(); });

  // Histogram --------------------------------------------------------------------------------
  histogram_ = new THistogramView(ui_->HistogramTab);
  ReplaceSpacer(ui_->HistogramTabLayout, 1, histogram_);
  ui_->HistogramTopLayout->insertWidget(2,
                                        PageTitle(tr("Temperature Histogram"), ui_->HistogramTab));
  ui_->HistogramTopLayout->addStretch(1);
  connect(ui_->HistogramDisable3D, &QCheckBox::clicked, this,
          [this] { HistogramDisable3DClick(); });

  // The charts follow the switches as designed until the settings are applied.
  GraphDateClick();
  GraphDisable3DClick();
  HistogramDisable3DClick();
  UpdateGraphNavigation();
}

// Fills ---------------------------------------------------------------------------------------

void TMainForm::FillTable() {
  tableModel_->Fill(*Workplace->Record, {Msg("MsgSample"), Msg("MsgRelativeTime"),
                                         Msg("MsgDateTime"), Msg("MsgTemperatureC")});
  // The designed widths, unless a header or the longest value needs more in this font.
  const QFontMetrics cells(table_->font());
  const QFontMetrics headers(table_->horizontalHeader()->font());
  const int rows = tableModel_->rowCount();
  for (int column = 0; column < TTableModel::kColumns; ++column) {
    int width = kColumnWidths[column];
    width = std::max(
        width,
        headers.horizontalAdvance(tableModel_->headerData(column, Qt::Horizontal).toString()) + 16);
    if (rows > 0) {
      const QString last = tableModel_->index(rows - 1, column).data().toString();
      const QString first = tableModel_->index(0, column).data().toString();
      width = std::max(
          {width, cells.horizontalAdvance(last) + 12, cells.horizontalAdvance(first) + 12});
    }
    table_->setColumnWidth(column, width);
  }
  table_->scrollToTop();
}

void TMainForm::FillGraph() {
  const TProbeRecord& probe = *Workplace->Record;
  const int count = probe.HeldSamples();
  QList<QPointF> points;
  points.reserve(count);
  for (int i = 0; i < count; ++i) {
    const Sample sample = probe.GetSample(i);
    points.append(QPointF(sample.Time, sample.Temperature));
  }
  // The line and its window need the times in ascending order.
  if (!std::is_sorted(points.cbegin(), points.cend(),
                      [](const QPointF& a, const QPointF& b) { return a.x() < b.x(); })) {
    std::stable_sort(points.begin(), points.end(),
                     [](const QPointF& a, const QPointF& b) { return a.x() < b.x(); });
  }
  graph_->SetSamples(std::move(points));
  ui_->GraphRange->setCurrentIndex(views::grMaximum);
  GraphResetZoom();
}

void TMainForm::GraphResetZoom() {
  const views::Range temperatures = graph_->TemperatureSpan();
  const print::AxisLimits limits =
      print::TemperatureAxisLimits(graph_->HasSamples(), static_cast<float>(temperatures.minimum),
                                   static_cast<float>(temperatures.maximum),
                                   Workplace->MinTemperature, Workplace->MaxTemperature);
  graph_->SetTemperatureRange(views::Range{limits.minimum, limits.maximum});
  GraphRangeChange();
}

void TMainForm::FillHistogram() {
  const TProbeRecord& probe = *Workplace->Record;
  std::array<int, THistogramView::kBins> counts{};
  bool any = false;
  double lowest = 0;
  double highest = 0;
  for (int i = 0; i < THistogramView::kBins; ++i) {
    const HistogramBin bin = probe.GetHistogramBin(i);
    counts[i] = bin.Count;
    if (bin.Count == 0) continue;
    const double position = bin.Low + 1.0;
    lowest = any ? std::min(lowest, position) : position;
    highest = any ? std::max(highest, position) : position;
    any = true;
  }
  histogram_->SetCounts(counts);
  const views::Range axis = views::HistogramAxisLimits(
      any, lowest, highest, Workplace->MinTemperature, Workplace->MaxTemperature);
  histogram_->SetTemperatureRange(axis, views::HistogramSlots(axis));
}

// Graph window --------------------------------------------------------------------------------

namespace {

// The window of the selected windowed entry; "Maximum" and unknown entries have none.
double WindowedRange(int index) {
  if (index < views::gr24h || index > views::gr1min) FailSwitch("Main", __LINE__);
  return *views::RangeWindow(index);
}

}  // namespace

void TMainForm::GraphRangeChange() {
  GraphHomeExecute();
  // No control keeps the focus, so that the navigation keys reach the graph actions.
  ui_->GraphRange->clearFocus();
}

void TMainForm::GraphHomeExecute() {
  if (!graph_->HasSamples()) return;
  const std::optional<views::Range> window =
      views::HomeWindow(ui_->GraphRange->currentIndex(), graph_->DataRange());
  if (!window) return;
  graph_->SetWindow(*window);
  UpdateGraphNavigation();
}

void TMainForm::GraphEndExecute() {
  const double w = WindowedRange(ui_->GraphRange->currentIndex());
  if (!graph_->HasSamples()) return;
  graph_->SetWindow(views::EndWindow(w, graph_->DataRange()));
  UpdateGraphNavigation();
}

void TMainForm::GraphBackwardExecute() {
  const double w = WindowedRange(ui_->GraphRange->currentIndex());
  if (!graph_->HasSamples()) return;
  graph_->SetWindow(views::StepBackward(graph_->Window(), w, graph_->DataRange()));
  UpdateGraphNavigation();
}

void TMainForm::GraphForwardExecute() {
  const double w = WindowedRange(ui_->GraphRange->currentIndex());
  if (!graph_->HasSamples()) return;
  graph_->SetWindow(views::StepForward(graph_->Window(), w, graph_->DataRange()));
  UpdateGraphNavigation();
}

void TMainForm::UpdateGraphNavigation() {
  const views::Navigation can = graph_->HasSamples()
                                    ? views::NavigationState(graph_->Window(), graph_->DataRange())
                                    : views::Navigation{};
  ui_->GraphForward->setEnabled(can.forward);
  ui_->GraphEnd->setEnabled(can.forward);
  ui_->GraphBackward->setEnabled(can.backward);
  ui_->GraphHome->setEnabled(can.backward);
  for (QAction* action : {ui_->GraphHome, ui_->GraphBackward, ui_->GraphForward, ui_->GraphEnd}) {
    action->setVisible(can.Any());
  }
  graph_->SetPanning(can.Any());
}

bool TMainForm::GraphAllowScroll(double newMinimum, double newMaximum) const {
  return views::PanAllowed(views::Range{newMinimum, newMaximum}, graph_->DataRange());
}

// Switches ------------------------------------------------------------------------------------

void TMainForm::GraphDateClick() {
  graph_->SetDateLabels(ui_->GraphDate->isChecked());
}

void TMainForm::GraphDisable3DClick() {
  graph_->Set3D(!ui_->GraphDisable3D->isChecked());
}

void TMainForm::HistogramDisable3DClick() {
  histogram_->Set3D(!ui_->HistogramDisable3D->isChecked());
}

}  // namespace ombrix
