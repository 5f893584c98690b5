// ombrix-cli serve as a person sees it: the real program over a lab archive, the pages opened by a
// real headless Chromium, what it built of them read from its DOM and its screenshots. Every
// browser is a process of its own (a headless Chromium opens one page), so the pages a test
// needs are opened side by side.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrlQuery>

#include <memory>
#include <string>
#include <vector>

#include "Archive.h"
#include "ArchiveRecords.h"
#include "ServedSite.h"

namespace ombrix::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

constexpr std::int64_t kMissionStart = 1'780'000'000;  // June 2026
constexpr std::uint64_t kFridge = 0x2800000000001230ULL;

// Archived texts (Windows-1252 bytes, as probes hold them) written to break out of the page: each
// tries to run a script that changes the title or marks the body.
struct Hostile {
  std::uint64_t serial;
  const char* name;
  const char* comment;
};
const Hostile kHostile[] = {
    {0x2800000000000B01ULL, "<script>document.title='pwned'</script>",
     "\"><img src=x onerror=\"document.body.dataset.pwned=1\">"},
    {0x2800000000000B02ULL, "\"><img src=x onerror=\"document.body.dataset.pwned=1\">",
     "</title><svg onload=\"document.title='pwned'\">"},
    {0x2800000000000B03ULL, "</title><svg onload=\"document.body.dataset.pwned=1\">",
     "'><iframe srcdoc=\"<script>parent.document.title='pwned'</script>\">"},
    {0x2800000000000B04ULL,
     "K\xFChlraum 4 \xB0"
     "C \x80 \xE9t\xE9",
     "<style>body{display:none}</style>\xC4"},
};
// Three fridges of 20 downloads each, then the hostile probes' downloads: the newest 50 on page 1.
constexpr int kFridges = 3, kPerFridge = 20;
constexpr int kFirstHostileId = kFridges * kPerFridge + 1;

// The UTF-8 text of Windows-1252 bytes.
QString FromCp1252(const char* bytes) {
  QString text;
  for (const char* p = bytes; *p; ++p) {
    const auto b = static_cast<unsigned char>(*p);
    text += b == 0x80 ? QChar(0x20AC) : QChar(b);  // the one byte above 0x7F used here
  }
  return text;
}

// A text as the browser writes it back in its DOM outside attributes.
QString AsDomText(const QString& text) {
  QString out = text;
  out.replace(u'&', QStringLiteral("&amp;"))
      .replace(u'<', QStringLiteral("&lt;"))
      .replace(u'>', QStringLiteral("&gt;"))
      .replace(QChar(0xA0), QStringLiteral("&nbsp;"));
  return out;
}

QString Chromium() {
  for (const char* name : {"chromium", "chromium-browser"}) {
    const QString found = QStandardPaths::findExecutable(QString::fromLatin1(name));
    if (!found.isEmpty()) return found;
  }
  return {};
}

// One page in one headless browser: its DOM after loading, or a screenshot of it.
struct Visit {
  QString url;
  QString screenshot;  // the PNG to write; empty: dump the DOM
  QString dom;
  QString failure;
};

// Opens every visit at once, each in a browser of its own with a profile of its own.
void Open(std::vector<Visit>& visits) {
  QTemporaryDir profiles;
  std::vector<std::unique_ptr<QProcess>> browsers;
  for (std::size_t i = 0; i < visits.size(); ++i) {
    QStringList arguments{
        QStringLiteral("--headless"),
        QStringLiteral("--no-sandbox"),  // root has no sandbox
        QStringLiteral("--disable-gpu"),
        QStringLiteral("--no-first-run"),
        QStringLiteral("--disable-extensions"),
        QStringLiteral("--disable-background-networking"),
        QStringLiteral("--disable-component-update"),
        QStringLiteral("--disable-sync"),
        QStringLiteral("--user-data-dir=") + profiles.filePath(QString::number(i))};
    if (visits[i].screenshot.isEmpty()) {
      arguments << QStringLiteral("--dump-dom");
    } else {
      arguments << QStringLiteral("--screenshot=") + visits[i].screenshot
                << QStringLiteral("--window-size=1000,2600") << QStringLiteral("--hide-scrollbars")
                << QStringLiteral("--force-device-scale-factor=1");
    }
    browsers.push_back(std::make_unique<QProcess>());
    browsers.back()->setProcessChannelMode(QProcess::SeparateChannels);
    browsers.back()->start(Chromium(), arguments << visits[i].url);
  }
  for (std::size_t i = 0; i < visits.size(); ++i) {
    QProcess& browser = *browsers[i];
    if (!browser.waitForFinished(60'000)) {
      browser.kill();
      browser.waitForFinished();
      visits[i].failure = QStringLiteral("the browser did not finish within 60 s");
    } else if (browser.exitStatus() != QProcess::NormalExit || browser.exitCode() != 0) {
      visits[i].failure = QStringLiteral("the browser ended with %1: %2")
                              .arg(browser.exitCode())
                              .arg(QString::fromUtf8(browser.readAllStandardError().right(2000)));
    }
    visits[i].dom = QString::fromUtf8(browser.readAllStandardOutput());
  }
}

QString TitleOf(const QString& dom) {
  const qsizetype begin = dom.indexOf(QStringLiteral("<title>"));
  const qsizetype end = dom.indexOf(QStringLiteral("</title>"));
  return begin < 0 || end < begin ? QString() : dom.mid(begin + 7, end - begin - 7);
}

// The rows of the Downloads table: each row's HTML.
QStringList ListedRows(const QString& dom) {
  const qsizetype begin = dom.indexOf(QStringLiteral("<tbody>"));
  const qsizetype end = dom.indexOf(QStringLiteral("</tbody>"));
  if (begin < 0 || end < begin) return {};
  QStringList rows = dom.mid(begin, end - begin).split(QStringLiteral("<tr>"));
  rows.removeFirst();
  return rows;
}

class BrowserTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new QTemporaryDir;
    TArchive archive([] {
      ArchiveLocation location;
      location.path = folder_->filePath(QStringLiteral("lab.sqlite")).toStdString();
      return location;
    }());
    std::string error;
    ASSERT_TRUE(archive.Open(error)) << error;
    const auto store = [&](std::unique_ptr<TProbeRecord> record) {
      StoreResult stored;
      ASSERT_TRUE(
          archive.Store(*record, CurrentProvenance("lab", "download", "2.10"), stored, error))
          << error;
    };
    int n = 0;
    for (int i = 0; i < kFridges * kPerFridge; ++i, ++n) {
      store(MakeRecord(kFridge + i % kFridges, "Fridge " + std::to_string(i % kFridges),
                       kMissionStart, 400 + n, kMissionStart + 600 * (400 + n) + n, n));
    }
    for (const Hostile& h : kHostile) {
      auto record = MakeRecord(h.serial, h.name, kMissionStart, 400 + n,
                               kMissionStart + 600 * (400 + n) + n, n);
      record->Comment = h.comment;
      store(std::move(record));
      ++n;
    }
    // Limits inside the samples' 0 to 24.5 degrees, so that both limit lines cross the graph.
    // Runs beyond them last at most two samples (20 minutes): no excursion, a short page.
    ASSERT_TRUE(QDir().mkpath(folder_->filePath(QStringLiteral("config/ombrix"))));
    QFile ini(folder_->filePath(QStringLiteral("config/ombrix/ombrix.INI")));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[Properties]\nComNumber=0\n[Limits]\nLow=5\nHigh=20\nDelay=30\n");
  }
  static void TearDownTestSuite() {
    delete folder_;
    folder_ = nullptr;
  }

  void SetUp() override {
    if (Chromium().isEmpty()) {
      GTEST_SKIP() << "No chromium on PATH: these tests open the pages in a real headless "
                      "Chromium (Debian package chromium).";
    }
    ASSERT_TRUE(server_.Start(QStringLiteral(OMBRIX_CLI_PATH),
                              folder_->filePath(QStringLiteral("lab.sqlite")), folder_->path()))
        << server_.Output().toStdString();
  }

  static inline QTemporaryDir* folder_ = nullptr;
  ServedSite server_;
};

// Every page opens with its title and heading, and an archived text is shown as the text it is:
// none of the scripts it holds runs (the title stays, the body is not marked), none of the markup
// it holds becomes an element.
TEST_F(BrowserTest, EveryPageOpensAndShowsArchivedTextsAsText) {
  const auto hostileEntry = [](int i) {
    return QStringLiteral("/entry/%1").arg(kFirstHostileId + i);
  };
  const auto entryTitle = [](int i) {
    return QStringLiteral("Download %1: %2")
        .arg(kFirstHostileId + i)
        .arg(FromCp1252(kHostile[i].name));
  };
  const QString filterText = QStringLiteral("\"><img src=x onerror=\"document.title='pwned'\">");
  struct Case {
    QString target;
    QString title;  // the page's own title, before " - Ombrix"
    QStringList texts;
  };
  QStringList allNames;
  for (const Hostile& h : kHostile) allNames << FromCp1252(h.name);
  const std::vector<Case> cases{
      {QStringLiteral("/"), QStringLiteral("Downloads"), allNames + QStringList{"64 downloads"}},
      {hostileEntry(0), entryTitle(0), {FromCp1252(kHostile[0].comment)}},
      {hostileEntry(1), entryTitle(1), {FromCp1252(kHostile[1].comment)}},
      {hostileEntry(2), entryTitle(2), {FromCp1252(kHostile[2].comment)}},
      {hostileEntry(3), entryTitle(3), {FromCp1252(kHostile[3].comment), "Graph"}},
      {QStringLiteral("/probes"), QStringLiteral("Probes"), allNames + QStringList{"7 probes"}},
      {QStringLiteral("/audit"), QStringLiteral("Audit trail"), {"Verify the whole archive now"}},
      // A filter text comes back in its field.
      {QStringLiteral("/?text=") + QString::fromLatin1(QUrl::toPercentEncoding(filterText)),
       QStringLiteral("Downloads"),
       {"0 downloads"}},
  };
  std::vector<Visit> visits;
  for (const Case& c : cases) visits.push_back({server_.Url(c.target), {}, {}, {}});
  Open(visits);
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    const QString& dom = visits[i].dom;
    SCOPED_TRACE(c.target.toStdString());
    ASSERT_TRUE(visits[i].failure.isEmpty()) << visits[i].failure.toStdString();
    EXPECT_EQ(TitleOf(dom), AsDomText(c.title + QStringLiteral(" - Ombrix")));
    EXPECT_THAT(dom.toStdString(),
                HasSubstr(("<h1>" + AsDomText(c.title) + "</h1>").toStdString()));
    for (const QString& text : c.texts) {
      EXPECT_THAT(dom.toStdString(), HasSubstr(AsDomText(text).toStdString()));
    }
    for (const char* never :
         {"data-pwned", "<script", "<img", "<iframe", "<svg onload", "<style>body"}) {
      EXPECT_THAT(dom.toStdString(), Not(HasSubstr(never)));
    }
  }
  // In an attribute the browser writes back quotes and angle brackets as references too.
  EXPECT_THAT(
      visits.back().dom.toStdString(),
      HasSubstr(("value=\"" + AsDomText(filterText).replace(u'"', QStringLiteral("&quot;")) + "\"")
                    .toStdString()));
}

// The filter form of the Downloads page, submitted as the browser submits it (GET, every named
// field, form-encoded, to its action), narrows the list to the probe asked for.
TEST_F(BrowserTest, TheFilterFormNarrowsTheList) {
  std::vector<Visit> visits{{server_.Url(QStringLiteral("/")), {}, {}, {}}};
  Open(visits);
  ASSERT_TRUE(visits[0].failure.isEmpty()) << visits[0].failure.toStdString();
  const QString& dom = visits[0].dom;
  const QRegularExpressionMatch form =
      QRegularExpression(QStringLiteral("<form [^>]*>(.*?)</form>"),
                         QRegularExpression::DotMatchesEverythingOption)
          .match(dom);
  ASSERT_TRUE(form.hasMatch()) << dom.toStdString();
  const auto attribute = [](const QString& tag, const char* name) {
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral(" %1=\"([^\"]*)\"").arg(QLatin1String(name))).match(tag);
    return m.hasMatch() ? m.captured(1) : QString();
  };
  const QString formTag = form.captured(0).left(form.captured(0).indexOf(u'>') + 1);
  ASSERT_EQ(attribute(formTag, "method").toLower(), QStringLiteral("get"));
  const QString action = attribute(formTag, "action");
  QUrlQuery submitted;
  QStringList names;
  auto inputs = QRegularExpression(QStringLiteral("<input [^>]*>")).globalMatch(form.captured(1));
  while (inputs.hasNext()) {
    const QString input = inputs.next().captured(0);
    const QString name = attribute(input, "name");
    if (name.isEmpty()) continue;
    names << name;
    const QString serial = QStringLiteral("30 12 00 00 00 00 00 28");
    submitted.addQueryItem(name, name == u"serial" ? serial : attribute(input, "value"));
  }
  EXPECT_EQ(names, (QStringList{"serial", "text", "from", "to"}));
  ASSERT_TRUE(names.contains(QStringLiteral("serial")));
  const QStringList everything = ListedRows(dom);
  EXPECT_EQ(everything.size(), 50);

  // application/x-www-form-urlencoded, as a browser encodes a GET form: blanks as '+'.
  QString query;
  for (const auto& [name, value] : submitted.queryItems(QUrl::FullyDecoded)) {
    query += (query.isEmpty() ? QString() : QStringLiteral("&")) + name + u'=' +
             QString::fromLatin1(QUrl::toPercentEncoding(value, " ")).replace(u' ', u'+');
  }
  visits = {{server_.Url(QUrl(server_.Url(action)).path() + u'?' + query), {}, {}, {}}};
  Open(visits);
  ASSERT_TRUE(visits[0].failure.isEmpty()) << visits[0].failure.toStdString();
  const QStringList filtered = ListedRows(visits[0].dom);
  EXPECT_THAT(visits[0].dom.toStdString(), HasSubstr("20 downloads"));
  EXPECT_EQ(filtered.size(), kPerFridge);
  for (const QString& row : filtered) {
    EXPECT_THAT(row.toStdString(), HasSubstr("<td>30 12 00 00 00 00 00 28</td>"));
  }
  // The form shows the filter it was sent with.
  EXPECT_THAT(visits[0].dom.toStdString(), HasSubstr("value=\"30 12 00 00 00 00 00 28\""));
}

// The graph of a download is drawn: inside the graph's frame, the plot area is not blank.
TEST_F(BrowserTest, TheGraphIsDrawn) {
  QTemporaryDir shots;
  std::vector<Visit> visits{{server_.Url(QStringLiteral("/entry/5")),
                             shots.filePath(QStringLiteral("entry.png")),
                             {},
                             {}}};
  Open(visits);
  ASSERT_TRUE(visits[0].failure.isEmpty()) << visits[0].failure.toStdString();
  QImage shot(visits[0].screenshot);
  ASSERT_FALSE(shot.isNull()) << "no PNG at " << visits[0].screenshot.toStdString();
  shot = shot.convertToFormat(QImage::Format_RGB32);

  // The graph is the one element with a frame on all four sides (#ccc): tables have only lines
  // under their rows. Its left and right edges are the outermost columns with a long vertical run
  // of that grey.
  const QRgb frame = qRgb(0xCC, 0xCC, 0xCC);
  int left = -1, right = -1, top = 0, height = 0;
  for (int x = 0; x < shot.width(); ++x) {
    for (int y = 0, run = 0; y < shot.height(); ++y) {
      run = shot.pixel(x, y) == frame ? run + 1 : 0;
      if (run != 100) continue;
      if (left < 0) {
        left = x;
        top = y - 99;
        while (top + height < shot.height() && shot.pixel(x, top + height) == frame) ++height;
      }
      right = x;
      break;
    }
  }
  ASSERT_GE(left, 0) << "no graph frame in the screenshot";
  ASSERT_GT(right - left, 300) << "the graph frame is " << right - left << " pixels wide";
  EXPECT_NEAR(height, (right - left) * 300.0 / 800, 4) << "the frame is not the graph's";
  // The plot area of the graph's 800 x 300 drawing, from 70 to 790 across and 10 to 260 down,
  // a little inside its border.
  const double scale = (right - left) / 800.0;
  const QRect plot(left + int(73 * scale), top + int(13 * scale), int(714 * scale),
                   int(244 * scale));
  int drawn = 0;
  bool lowLine = false, highLine = false;
  for (int y = plot.top(); y <= plot.bottom(); ++y) {
    for (int x = plot.left(); x <= plot.right(); ++x) {
      const int r = qRed(shot.pixel(x, y)), g = qGreen(shot.pixel(x, y)),
                b = qBlue(shot.pixel(x, y));
      if (r < 240 || g < 240 || b < 240) ++drawn;
      lowLine = lowLine || (b > r + 60 && b > g + 30);    // the blue of the low limit
      highLine = highLine || (r > g + 80 && r > b + 80);  // the red of the high limit
    }
  }
  const double share = double(drawn) / (plot.width() * plot.height());
  EXPECT_GT(share, 0.05) << "only " << drawn << " of " << plot.width() * plot.height()
                         << " pixels of the plot area are drawn";
  EXPECT_LT(share, 0.95) << "the plot area is filled";
  EXPECT_TRUE(lowLine) << "no low limit line";
  EXPECT_TRUE(highLine) << "no high limit line";
}

}  // namespace
}  // namespace ombrix::testing
