// Every text the window shows has its German: lupdate reads the window's sources as the build
// does into a fresh catalogue, and each of its messages must be in translations/ombrix_de.ts under
// the same context, finished and not empty, with the source's placeholders and, where the source
// has one, one accelerator.
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <map>
#include <utility>

namespace {

struct Message {
  bool numerus = false;
  bool finished = false;
  QStringList translations;  // one, or one for each plural form
};
// By context and source.
using Catalogue = std::map<std::pair<QString, QString>, Message>;

Catalogue ReadCatalogue(const QString& path, QString& error) {
  Catalogue catalogue;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    error = path + QStringLiteral(": ") + file.errorString();
    return catalogue;
  }
  QXmlStreamReader xml(&file);
  QString context;
  QString source;
  Message message;
  while (!xml.atEnd()) {
    xml.readNext();
    if (xml.isStartElement()) {
      if (xml.name() == u"name") {
        context = xml.readElementText();
      } else if (xml.name() == u"message") {
        message = Message{};
        message.numerus = xml.attributes().value(QLatin1String("numerus")) == QLatin1String("yes");
      } else if (xml.name() == u"source") {
        source = xml.readElementText();
      } else if (xml.name() == u"translation") {
        // "unfinished", "vanished" and "obsolete" are no translation in use.
        message.finished = !xml.attributes().hasAttribute(QLatin1String("type"));
        if (!message.numerus) message.translations << xml.readElementText();
      } else if (xml.name() == u"numerusform") {
        message.translations << xml.readElementText();
      }
    } else if (xml.isEndElement() && xml.name() == u"message") {
      catalogue[{context, source}] = message;
    }
  }
  if (xml.hasError()) error = path + QStringLiteral(": ") + xml.errorString();
  return catalogue;
}

// "%1", "%2", "%n", ... in order, so that a text that loses or doubles one differs.
QStringList Placeholders(const QString& text) {
  static const QRegularExpression placeholder(QStringLiteral("%(\\d{1,2}|n)"));
  QStringList found;
  for (const QRegularExpressionMatch& match : placeholder.globalMatch(text)) {
    found << match.captured();
  }
  found.sort();
  return found;
}

// The accelerators: each "&" that is not a written "&&".
int Accelerators(const QString& text) {
  int count = 0;
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] != u'&') continue;
    if (i + 1 < text.size() && text[i + 1] == u'&') {
      ++i;
    } else {
      ++count;
    }
  }
  return count;
}

TEST(TranslationTest, EveryWindowTextHasAFinishedGermanTranslation) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString fresh = dir.filePath(QStringLiteral("fresh_de.ts"));
  QStringList arguments{QStringLiteral("@" OMBRIX_LUPDATE_SOURCES)};
  arguments << QStringLiteral(OMBRIX_LUPDATE_OPTIONS).split(u' ', Qt::SkipEmptyParts);
  arguments << QStringLiteral("-ts") << fresh;
  QProcess lupdate;
  lupdate.start(QStringLiteral(OMBRIX_LUPDATE), arguments);
  ASSERT_TRUE(lupdate.waitForFinished(120'000)) << lupdate.errorString().toStdString();
  ASSERT_EQ(lupdate.exitCode(), 0) << lupdate.readAllStandardError().toStdString();

  QString error;
  const Catalogue extracted = ReadCatalogue(fresh, error);
  ASSERT_TRUE(error.isEmpty()) << error.toStdString();
  const Catalogue committed = ReadCatalogue(QStringLiteral(OMBRIX_TRANSLATIONS), error);
  ASSERT_TRUE(error.isEmpty()) << error.toStdString();
  ASSERT_FALSE(extracted.empty()) << "lupdate found no text in the window's sources";

  for (const auto& [key, message] : extracted) {
    const auto& [context, source] = key;
    SCOPED_TRACE((context + QStringLiteral(": \"") + source + u'"').toStdString());
    const auto german = committed.find(key);
    ASSERT_NE(german, committed.end()) << "no German entry";
    const Message& translation = german->second;
    EXPECT_TRUE(translation.finished);
    EXPECT_EQ(translation.numerus, message.numerus);
    ASSERT_FALSE(translation.translations.isEmpty());
    for (const QString& text : translation.translations) {
      EXPECT_FALSE(text.isEmpty());
      EXPECT_EQ(Placeholders(text), Placeholders(source)) << text.toStdString();
      EXPECT_EQ(Accelerators(text), Accelerators(source)) << text.toStdString();
    }
  }
}

}  // namespace
