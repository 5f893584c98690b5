#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

#include <memory>
#include <string_view>
#include <vector>

#include "CaptionSource.h"
#include "CodePage.h"
#include "Commands.h"
#include "CsvExport.h"
#include "Dataexport.h"
#include "ExitCode.h"
#include "FigureTexts.h"
#include "FileRead.h"
#include "ProbeAudit.h"
#include "ProbeRecord.h"
#include "RecordFile.h"
#include "Report.h"
#include "SignatureText.h"

namespace ombrix::cli {

int LoadRecordFile(const Options& options, const QString& file, TProbeRecord& record,
                   const Console& console) {
  std::string error;
  DateQuestion question;
  if (LoadFromFile(record, file, &error, options.dateOrder, &question)) return kSuccess;
  if (!question.dates.empty()) {
    error +=
        " Give --date-order dmy when the file's dates are day first, --date-order mdy when "
        "they are month first.";
  }
  console.Message(error);
  return kFileError;
}

int LoadInputs(const Options& options, const Request& request, const Console& console,
               std::vector<Input>& inputs) {
  std::unique_ptr<TArchive> archive;
  for (const std::string& name : options.recordFiles) {
    Input input{name, QFile::decodeName(name.c_str()), std::make_unique<TProbeRecord>(), {}};
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
      if (!archive->Load(id, *input.record, nullptr, error) ||
          !SignatureTexts(*archive, id, input.signatures, error)) {
        return ArchiveFailure(console, error);
      }
      input.shown = QStringLiteral("archive entry %1").arg(id);
    } else if (int code = LoadRecordFile(options, input.shown, *input.record, console)) {
      return code;
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
    if (!request.settings.LimitsFor(input.record->SerialNumber, request.limits, c.limits, error)) {
      console.Message(error);
      return kUsage;
    }
    c.statistics = ComputeStatistics(*input.record, c.limits);
    checked.push_back(std::move(c));
  }
  return kSuccess;
}

int CheckCode(Verdict verdict, const std::string& name, const Console& console) {
  switch (verdict) {
    case Verdict::kWithin:
      return kSuccess;
    case Verdict::kOutside:
      console.Message(name + ": outside limits");
      return kOutsideLimits;
    case Verdict::kNoSamples:
      console.Message(name + ": no samples, nothing to judge");
      return kNoSamples;
    case Verdict::kNoLimits:
      break;
  }
  console.Message("--check: no limits are set for " + name +
                  "; give --low or --high, or set them in the window");
  return kUsage;
}

namespace {

// --check: every record that does not pass is named, and the exit code is the worst of them.
int CheckOutcome(const std::vector<Input>& inputs, const std::vector<Checked>& checked,
                 const Console& console) {
  int worst = kSuccess;
  for (std::size_t i = 0; i < inputs.size(); ++i) {
    const int code =
        CheckCode(checked[i].statistics.verdict, ShownFileName(inputs[i].shown), console);
    if (CheckRank(code) > CheckRank(worst)) worst = code;
  }
  return worst;
}

}  // namespace

void AuditRecords(const Request& request, const Console& console, const std::string& action,
                  const std::vector<const TProbeRecord*>& records, const QString& file, bool done,
                  const std::string& error) {
  for (const TProbeRecord* record : records) {
    Audit(request, console, RecordEvent(action, *record, ShownFileName(file), done, error));
  }
}

int RunExport(const Options& options, const Request& request, const Console& console) {
  std::vector<Input> inputs;
  if (int code = LoadInputs(options, request, console, inputs)) return code;
  std::string error;
  if (options.csv) {
    std::vector<const TProbeRecord*> records;
    for (const Input& input : inputs) records.push_back(input.record.get());
    const bool written = ExportCsv(records, DefaultCodePage(), request.output, &error);
    AuditRecords(request, console, "export", records, request.output, written, error);
    if (!written) {
      console.Message("the export was not written: " + error);
      return kFileError;
    }
    return kSuccess;
  }
  const StatusPageCaptions captions;
  for (const Input& input : inputs) {
    const QString target =
        inputs.size() > 1 ? ExportFileFor(request.output, input.name) : request.output;
    const bool written = TDataExport(captions, *input.record).Export(target, &error);
    AuditRecords(request, console, "export", {input.record.get()}, target, written, error);
    if (!written) {
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
          {"Changed", record.ChangedAfterSave},
          {"Record", ToJson(RecordFields(record))},
          {"Summary", ToJson(SampleSummary(checked[i].statistics))},
          {"Statistics", StatisticsJson(record, checked[i].statistics, checked[i].limits)}});
    }
    PrintJson(console.out,
              inputs.size() == 1 ? records[0].toObject() : QJsonObject{{"Records", records}});
  } else if (inputs.size() == 1) {
    const TProbeRecord& record = *inputs[0].record;
    // "File :" as the status bar shows it for a record file.
    Fields all{{QString(), QStringLiteral("File :"), inputs[0].shown, {}}};
    const Fields changed = ChangedFields(record.ChangedAfterSave);
    const Fields fields = RecordFields(record);
    all.insert(all.end(), changed.begin(), changed.end());
    all.insert(all.end(), fields.begin(), fields.end());
    PrintText(console.out, all);
    console.out << '\n';
    PrintStatistics(console.out, record, checked[0].limits, checked[0].statistics);
  } else {
    // One line a record: the week's downloads at a glance.
    const QString format = QStringLiteral("%1  %2  %3  %4  %5  %6  %7  %8  %9");
    console.out << format.arg(QStringLiteral("File"), -24)
                       .arg(QStringLiteral("Serial number"), -23)
                       .arg(QStringLiteral("Name"), -16)
                       .arg(QStringLiteral("Samples"), 7)
                       .arg(QStringLiteral("Min"), 8)
                       .arg(QStringLiteral("Max"), 8)
                       .arg(QStringLiteral("MKT"), 9)
                       .arg(QStringLiteral("Exc."), 4)
                       .arg(QStringLiteral("Verdict"))
                       .toStdString()
                << '\n';
    for (std::size_t i = 0; i < inputs.size(); ++i) {
      const TProbeRecord& record = *inputs[i].record;
      const RecordStatistics& st = checked[i].statistics;
      const bool any = st.samples > 0;
      const QString line = format.arg(inputs[i].shown.left(24), -24)
                               .arg(figures::SerialNumber(record.SerialNumber), -23)
                               .arg(DefaultCodePage().ToUnicode(record.Name).left(16), -16)
                               .arg(st.samples, 7)
                               .arg(any ? figures::Celsius(st.minimum) : QString(), 8)
                               .arg(any ? figures::Celsius(st.maximum) : QString(), 8)
                               .arg(any ? figures::MeanKinetic(st.meanKinetic) : QString(), 9)
                               .arg(static_cast<int>(st.excursions.size()), 4)
                               .arg(QString::fromLatin1(VerdictText(st.verdict)));
      console.out << line.toStdString() << ChangedNote(record.ChangedAfterSave) << '\n';
    }
  }
  return options.check ? CheckOutcome(inputs, checked, console) : kSuccess;
}

}  // namespace ombrix::cli
