#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <QVector>

#include <array>

#include "ProbeRecord.h"

namespace ombrix {

// The samples of the Table page: one row per sample with its number, its time since the first
// sample, its date and time and its temperature. The model keeps its own copy of the samples, so
// that the record may be replaced under it; cell texts are made when a cell is shown, so a full
// log of 8000 samples fills at once.
class TTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  static constexpr int kColumns = 4;

  explicit TTableModel(QObject* parent = nullptr);

  // Replaces the rows by the record's samples 0 .. ReadSamples - 1 and the headers by the given
  // texts (number, relative time, date/time, temperature).
  void Fill(const TProbeRecord& record, const std::array<QString, kColumns>& headers);

  // The relative time of sample `index` at `sampleRate` units (minutes, or seconds for a test
  // record) per sample: "%02d:%02d" of the units / 60 and the units % 60; the first part grows
  // past 99 as it must.
  static QString RelativeTime(int index, int sampleRate);
  // A temperature with one decimal, in the locale's notation.
  static QString TemperatureText(float temperature);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  QVector<Sample> samples_;
  int sampleRate_ = 1;
  std::array<QString, kColumns> headers_;
};

}  // namespace ombrix
