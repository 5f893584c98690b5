#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QLocale>

#include <memory>
#include <string_view>
#include <vector>

#include "CaptionSource.h"
#include "CodePage.h"
#include "Commands.h"
#include "CsvExport.h"
#include "Dataexport.h"
#include "ExitCode.h"
#include "FileRead.h"
#include "ProbeRecord.h"
#include "RecordFile.h"
#include "Report.h"

namespace ombrix::cli {

int LoadInputs(const Options& options, const Request& request, const Console& console,
               std::vector<Input>& inputs) {
  std::unique_ptr<TArchive> archive;
  for (const std::string& name : options.recordFiles) {
    Input input{name, QFile::decodeName(name.c_str()), std::make_unique<TProbeRecord>()};
    std::string error;
    if (name.rfind(kArchiveInput, 0) == 0) {
      const std::string digits = name.substr(std::string_view(kArchiveInput).size());
      bool ok = !digits.empty() && digits.find_first_not_of("0123456789") == std::string::npos;
      const qlonglong id = ok ? QString::fromStdString(digits).toLongLong(&ok) : 0;
      if (!ok || id < 1) {
        console.Message("archive:ID names an archive entry by its number, not \"" + Excerpt(name) +
                        "\"");
        return kUsage;
      }
      if (!archive) {
        if (int code = OpenArchive(request, console, archive)) return code;
      }
      if (!archive->Load(id, *input.record, nullptr, error)) return ArchiveFailure(console, error);
      input.shown = QStringLiteral("archive entry %1").arg(id);
    } else if (!LoadFromFile(*input.record, input.shown, &error)) {
      console.Message(error);
      return kFileError;
    }
    inputs.push_back(std::move(input));
  }
  return kSuccess;
}

int Check(const std::vector<Input>& inputs, const Request& request, const Console& console,
          std::vector<Checked>& checked) {
  for (const Input& input : inputs) {
    Checked c;
    std::string error;
    if (!LimitsFor(request, input.record->SerialNumber, c.limits, error)) {
      console.Message(error);
      return kUsage;
    }
    c.statistics = ComputeStatistics(*input.record, c.limits);
    checked.push_back(std::move(c));
  }
  return kSuccess;
}

namespace {

// --check: exit 10 when a record is outside its limits; a record without limits cannot pass.
int CheckOutcome(const std::vector<Input>& inputs, const std::vector<Checked>& checked,
                 const Console& console) {
  int code = kSuccess;
  for (std::size_t i = 0; i < inputs.size(); ++i) {
    const std::string name = ShownFileName(inputs[i].shown);
    if (checked[i].statistics.verdict == Verdict::kNoLimits) {
      console.Message("--check: no limits are set for " + name +
                      "; give --low or --high, or set them in the window");
      return kUsage;
    }
    if (checked[i].statistics.verdict == Verdict::kOutside) {
      console.Message(name + ": outside limits");
      code = kOutsideLimits;
    }
  }
  return code;
}

QString Number(double value) {
  return QLocale().toString(value, 'f', 1);
}

}  // namespace

int RunExport(const Options& options, const Request& request, const Console& console) {
  std::vector<Input> inputs;
  if (int code = LoadInputs(options, request, console, inputs)) return code;
  std::string error;
  if (options.csv) {
    std::vector<const TProbeRecord*> records;
    for (const Input& input : inputs) records.push_back(input.record.get());
    if (!ExportCsv(records, DefaultCodePage(), request.output, &error)) {
      console.Message("the export was not written: " + error);
      return kFileError;
    }
    return kSuccess;
  }
  const StatusPageCaptions captions;
  for (const Input& input : inputs) {
    const QString target =
        inputs.size() > 1 ? ExportFileFor(request.output, input.name) : request.output;
    if (!TDataExport(captions, *input.record).Export(target, &error)) {
      console.Message("the export was not written: " + error);
      return kFileError;
    }
  }
  return kSuccess;
}

int RunShow(const Options& options, const Request& request, const Console& console) {
  std::vector<Input> inputs;
  if (int code = LoadInputs(options, request, console, inputs)) return code;
  std::vector<Checked> checked;
  if (int code = Check(inputs, request, console, checked)) return code;

  if (options.json) {
    QJsonArray records;
    for (std::size_t i = 0; i < inputs.size(); ++i) {
      const TProbeRecord& record = *inputs[i].record;
      const QString file = inputs[i].name.rfind(kArchiveInput, 0) == 0
                               ? QString::fromStdString(inputs[i].name)
                               : QFileInfo(inputs[i].shown).absoluteFilePath();
      records.append(QJsonObject{
          {"File", file},
          {"Record", ToJson(RecordFields(record))},
          {"Summary", ToJson(SampleSummary(checked[i].statistics))},
          {"Statistics",
           ToJson(StatisticsFields(record, checked[i].statistics, checked[i].limits))}});
    }
    PrintJson(console.out,
              inputs.size() == 1 ? records[0].toObject() : QJsonObject{{"Records", records}});
  } else if (inputs.size() == 1) {
    const TProbeRecord& record = *inputs[0].record;
    // "File :" as the status bar shows it for a record file.
    Fields all{{QString(), QStringLiteral("File :"), inputs[0].shown, {}}};
    const Fields fields = RecordFields(record);
    all.insert(all.end(), fields.begin(), fields.end());
    PrintText(console.out, all);
    console.out << '\n';
    PrintText(console.out, SampleSummary(checked[0].statistics));
    console.out << '\n';
    PrintText(console.out, StatisticsFields(record, checked[0].statistics, checked[0].limits));
  } else {
    // One line a record: the week's downloads at a glance.
    const QString format = QStringLiteral("%1  %2  %3  %4  %5  %6  %7  %8  %9");
    console.out << format.arg(QStringLiteral("File"), -24)
                       .arg(QStringLiteral("Serial number"), -23)
                       .arg(QStringLiteral("Name"), -16)
                       .arg(QStringLiteral("Samples"), 7)
                       .arg(QStringLiteral("Min"), 6)
                       .arg(QStringLiteral("Max"), 6)
                       .arg(QStringLiteral("MKT"), 6)
                       .arg(QStringLiteral("Exc."), 4)
                       .arg(QStringLiteral("Verdict"))
                       .toStdString()
                << '\n';
    for (std::size_t i = 0; i < inputs.size(); ++i) {
      const TProbeRecord& record = *inputs[i].record;
      const RecordStatistics& st = checked[i].statistics;
      const bool any = st.samples > 0;
      const QString line = format.arg(inputs[i].shown.left(24), -24)
                               .arg(QString::fromStdString(record.SerialNumberText()), -23)
                               .arg(DefaultCodePage().ToUnicode(record.Name).left(16), -16)
                               .arg(st.samples, 7)
                               .arg(any ? Number(st.minimum) : QString(), 6)
                               .arg(any ? Number(st.maximum) : QString(), 6)
                               .arg(any ? Number(st.meanKinetic) : QString(), 6)
                               .arg(static_cast<int>(st.excursions.size()), 4)
                               .arg(QString::fromLatin1(VerdictText(st.verdict)));
      console.out << line.toStdString() << '\n';
    }
  }
  return options.check ? CheckOutcome(inputs, checked, console) : kSuccess;
}

}  // namespace ombrix::cli
