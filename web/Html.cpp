#include "Html.h"

#include <QCryptographicHash>

#include "CodePage.h"
#include "FigureTexts.h"
#include "TimeConversion.h"

namespace ombrix::web {

QString Escape(QStringView text) {
  QString out;
  out.reserve(text.size() + text.size() / 8);
  for (const QChar c : text) {
    switch (c.unicode()) {
      case u'&':
        out += QLatin1String("&amp;");
        break;
      case u'<':
        out += QLatin1String("&lt;");
        break;
      case u'>':
        out += QLatin1String("&gt;");
        break;
      case u'"':
        out += QLatin1String("&quot;");
        break;
      case u'\'':
        out += QLatin1String("&#39;");
        break;
      default:
        out += c;
    }
  }
  return out;
}

QString ProbeText(const std::string& bytes) {
  return DefaultCodePage().ToUnicode(bytes);
}

QString InstantText(std::int64_t seconds) {
  // ISO 8601 ends with the offset: "+01:00".
  return figures::Instant(seconds) + QStringLiteral(" UTC") + IsoDateTimeText(seconds).right(6);
}

const char* VerdictClass(Verdict verdict) {
  switch (verdict) {
    case Verdict::kWithin:
      return "within";
    case Verdict::kOutside:
      return "outside";
    case Verdict::kNoLimits:
      return "nolimits";
    case Verdict::kNoSamples:
      break;
  }
  return "nosamples";
}

namespace {

// One style for every page: readable at phone width (tables scroll sideways in their box), and
// printed without the navigation and the filter form.
constexpr const char* kStyle = R"(
body{font-family:sans-serif;margin:0;color:#222;background:#fff}
header{background:#234;color:#fff;padding:.5em 1em}
header a{color:#fff;margin-right:1em;text-decoration:none;white-space:nowrap}
header a.here{text-decoration:underline}
main{padding:.5em 1em;max-width:70em}
.scroll{overflow-x:auto}
table{border-collapse:collapse;margin:.5em 0}
th,td{border-bottom:1px solid #ccc;padding:.25em .5em;text-align:left;vertical-align:top}
td.num{text-align:right}
.within{color:#fff;background:#2a7a2a}
.outside{color:#fff;background:#b02020}
.nolimits{background:#ddd}
.nosamples{background:#eee;color:#555}
.verdict{padding:.1em .4em;border-radius:.2em;white-space:nowrap}
form.filter label{display:inline-block;margin:.2em .8em .2em 0}
form.filter input{max-width:12em}
.pages a,.pages span{margin-right:1em}
.sig{font-size:.9em}
svg.graph{width:100%;height:auto;max-width:60em;border:1px solid #ccc}
.error{color:#b02020}
.hash{font-family:monospace;font-size:.8em;word-break:break-all}
.kv{overflow-wrap:anywhere;min-width:12em;font-size:.9em}
.links a,.zoom a{margin-right:1em;white-space:nowrap}
@media print{header,form.filter,.pages,.links,.zoom{display:none}main{max-width:none;padding:0}
.scroll{overflow:visible}a{color:inherit;text-decoration:none}tr{break-inside:avoid}
.verdict{border:1px solid #000}}
)";

}  // namespace

QByteArray Document(const QString& title, Section section, const QString& body) {
  const auto link = [section](Section target, const char* href, const char* text) {
    return QStringLiteral("<a href=\"%1\"%2>%3</a>")
        .arg(QLatin1String(href), section == target ? QStringLiteral(" class=\"here\"") : QString(),
             QLatin1String(text));
  };
  QString page = QStringLiteral(
                     "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
                     "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
                     "<title>%1 - Ombrix</title><style>%2</style></head>\n<body><header>"
                     "<strong>Ombrix archive</strong> ")
                     .arg(Escape(title), QLatin1String(kStyle));
  page += link(Section::kDownloads, "/", "Downloads");
  page += link(Section::kProbes, "/probes", "Probes");
  page += link(Section::kAudit, "/audit", "Audit trail");
  page += QStringLiteral("</header>\n<main>\n<h1>%1</h1>\n").arg(Escape(title));
  page += body;
  page += QStringLiteral("</main></body></html>\n");
  return page.toUtf8();
}

QByteArray ContentSecurityPolicy() {
  const QByteArray hash =
      QCryptographicHash::hash(QByteArray(kStyle), QCryptographicHash::Sha256).toBase64();
  return "default-src 'none'; style-src 'sha256-" + hash +
         "'; img-src 'self'; form-action 'self'; base-uri 'none'; frame-ancestors 'none'";
}

}  // namespace ombrix::web
