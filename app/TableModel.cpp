#include "TableModel.h"

#include <QLocale>

#include <algorithm>

namespace ombrix {

TTableModel::TTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void TTableModel::Fill(const TProbeRecord& record, const std::array<QString, kColumns>& headers) {
  beginResetModel();
  const int count = record.HeldSamples();
  samples_.resize(count);
  for (int i = 0; i < count; ++i) samples_[i] = record.GetSample(i);
  sampleRate_ = record.SampleRate;
  headers_ = headers;
  endResetModel();
  Q_EMIT headerDataChanged(Qt::Horizontal, 0, kColumns - 1);
}

QString TTableModel::RelativeTime(int index, int sampleRate) {
  const long long units = static_cast<long long>(index) * sampleRate;
  return QStringLiteral("%1:%2")
      .arg(units / 60, 2, 10, QLatin1Char('0'))
      .arg(units % 60, 2, 10, QLatin1Char('0'));
}

QString TTableModel::TemperatureText(float temperature) {
  return QLocale().toString(static_cast<double>(temperature), 'f', 1);
}

int TTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(samples_.size());
}

int TTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumns;
}

QVariant TTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= samples_.size()) return {};
  if (role == Qt::TextAlignmentRole) {
    return index.column() == 2 ? QVariant(Qt::AlignLeft | Qt::AlignVCenter)
                               : QVariant(Qt::AlignRight | Qt::AlignVCenter);
  }
  if (role != Qt::DisplayRole) return {};
  const int row = index.row();
  switch (index.column()) {
    case 0:
      return QString::number(row);
    case 1:
      return RelativeTime(row, sampleRate_);
    case 2:
      return DateTimeText(samples_[row].Time);
    case 3:
      return TemperatureText(samples_[row].Temperature);
    default:
      return {};
  }
}

QVariant TTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  if (section < 0 || section >= kColumns) return {};
  return headers_[section];
}

Qt::ItemFlags TTableModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

}  // namespace ombrix
