// The window as the user meets it: caption, menu, tool bar, pages, images, the view actions with
// the graph keys, help, the about box, and commands that throw.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QImageReader>
#include <QLabel>
#include <QMap>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTabBar>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QToolBar>

#include <optional>

#include "About.h"
#include "Application.h"
#include "GermanTesting.h"
#include "GuiTesting.h"
#include "HelpWindow.h"

namespace ombrix::testing {
namespace {

class MainWindowTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    WriteIni("[Properties]\nComNumber=0\n");
    BuildScenario(bus, "demo");
  }

  QStringList Names(const QList<QAction*>& actions) const {
    QStringList names;
    for (QAction* action : actions) names << (action->isSeparator() ? "-" : action->objectName());
    return names;
  }
};

// The default locale within a scope, as the user's settings give it to the window.
class DefaultLocale {
 public:
  explicit DefaultLocale(const QLocale& locale) { QLocale::setDefault(locale); }
  ~DefaultLocale() { QLocale::setDefault(saved_); }
  DefaultLocale(const DefaultLocale&) = delete;
  DefaultLocale& operator=(const DefaultLocale&) = delete;

 private:
  QLocale saved_;
};

// One text a line, which a failed comparison shows line by line.
std::string Lines(const QStringList& texts) {
  return texts.join(u'\n').toStdString();
}

QStringList Captures(const QString& html, const char* pattern) {
  QStringList found;
  for (const auto& match : QRegularExpression(QString::fromLatin1(pattern),
                                              QRegularExpression::DotMatchesEverythingOption)
                               .globalMatch(html)) {
    found << match.captured(1).simplified();
  }
  return found;
}

// A help file's text with its topics (anchors) and the topics its links lead to, in the order they
// stand in it.
struct HelpPages {
  QString html;
  QStringList anchors;
  QStringList links;
};

HelpPages ReadHelp(const char* path) {
  QFile file(QString::fromUtf8(path));
  if (!file.open(QIODevice::ReadOnly)) {
    ADD_FAILURE() << "cannot read " << path;
    return {};
  }
  HelpPages pages;
  pages.html = QString::fromUtf8(file.readAll());
  pages.anchors = Captures(pages.html, R"re(<a name="(\w+)")re");
  pages.links = Captures(pages.html, R"re(<a href="#(\w+)")re");
  return pages;
}

// Alt and a letter reach every menu, and within a menu every command, by a letter of its own, in
// English and in German; Save As keeps its A.
class MenuLetterTest : public MainWindowTest, public ::testing::WithParamInterface<bool> {};

TEST_P(MenuLetterTest, EveryMenuLetterIsUniqueWhereItIsPressed) {
  const bool german = GetParam();
  std::optional<ScopedGerman> language;
  if (german) {
    language.emplace();
    ASSERT_TRUE(language->Installed());
  }
  Start();
  const auto letter = [](const QString& text) {
    const qsizetype at = text.indexOf(u'&');
    return at < 0 || at + 1 >= text.size() ? QChar() : text[at + 1].toUpper();
  };
  const auto unique = [&](const QStringList& texts, const QString& where) {
    QMap<QChar, QString> taken;
    for (const QString& text : texts) {
      const QChar key = letter(text);
      EXPECT_FALSE(key.isNull()) << text.toStdString() << " in " << where.toStdString();
      if (key.isNull()) continue;
      EXPECT_FALSE(taken.contains(key)) << where.toStdString() << ": " << text.toStdString()
                                        << " and " << taken.value(key).toStdString();
      taken.insert(key, text);
    }
  };
  QStringList titles;
  int menus = 0;
  for (QAction* entry : form->menuBar()->actions()) {
    titles << entry->text();
    QStringList texts;
    for (QAction* action : entry->menu()->actions()) {
      if (!action->isSeparator()) texts << action->text();
    }
    unique(texts, entry->text());
    ++menus;
  }
  unique(titles, QStringLiteral("the menu bar"));
  EXPECT_EQ(menus, 4);
  if (german) {
    EXPECT_EQ(titles, QStringList({"&Datei", "&Logger", "&Ansicht", "&Hilfe"}));
  } else {
    EXPECT_EQ(letter(Find<QAction>("FileSaveAs")->text()), u'A');
  }
}

INSTANTIATE_TEST_SUITE_P(EnglishAndGerman, MenuLetterTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return std::string(info.param ? "German" : "English");
                         });

TEST_F(MainWindowTest, MenuAndToolBarOfferTheActionsInOrder) {
  Start();
  EXPECT_EQ(form->windowTitle(), "Ombrix");
  auto* menu = Find<QMenuBar>("MainMenu");
  QStringList titles;
  for (QAction* entry : menu->actions()) titles << entry->text();
  EXPECT_EQ(titles, QStringList({"&File", "&Probe", "&View", "&Help"}));
  EXPECT_EQ(Names(Find<QMenu>("MenuFile")->actions()),
            QStringList({"FileNew", "FileOpen", "FileArchive", "FileStation", "FileSave",
                         "FileSaveAs", "FileExport", "FilePrint", "FilePrintPreview",
                         "FileExportPdf", "-", "FileExit"}));
  EXPECT_EQ(
      Names(Find<QMenu>("MenuProbe")->actions()),
      QStringList({"ProbeReadStatus", "ProbeReadData", "ProbeStop", "ProbeClear", "ProbeLaunch"}));
  EXPECT_EQ(Names(Find<QMenu>("MenuView")->actions()),
            QStringList({"ViewStatus", "ViewTable", "ViewGraph", "ViewHistogram", "-", "GraphFit",
                         "GraphResetZoom", "-", "ViewLimits"}));
  EXPECT_EQ(Names(Find<QMenu>("MenuHelp")->actions()), QStringList({"HelpHelp", "HelpAbout"}));

  auto* bar = Find<QToolBar>("ToolBar");
  QStringList buttons;
  for (QAction* action : bar->actions()) {
    QWidget* widget = bar->widgetForAction(action);
    buttons << (action->isSeparator() ? "-" : widget->objectName());
  }
  EXPECT_EQ(buttons, QStringList({"ToolReadStatus", "-", "ToolReadData", "ToolClear", "ToolStop",
                                  "ToolLaunch", "ToolSeparatorWide", "ToolStatus", "ToolTable",
                                  "ToolGraph", "ToolHistogram"}));
  EXPECT_EQ(Find<QWidget>("ToolSeparatorWide")->width(), 81);
  EXPECT_EQ(bar->iconSize(), QSize(16, 16));
  // Each button's image is drawn for 16 x 16 and for dense screens; its hint is the action's.
  for (QAction* action : bar->actions()) {
    if (action->isSeparator() || action->objectName().isEmpty()) continue;  // the wide gap
    const QList<QSize> sizes = action->icon().availableSizes();
    EXPECT_TRUE(sizes.contains(QSize(16, 16)) && sizes.contains(QSize(32, 32)))
        << action->objectName().toStdString();
  }
  EXPECT_EQ(Action("ProbeReadStatus")->toolTip(), "Read Probe Status");
  EXPECT_EQ(Action("ViewHistogram")->toolTip(), "View Data as Histogram");
  EXPECT_EQ(Action("FileNew")->shortcut(), QKeySequence("Ctrl+N"));
  EXPECT_EQ(Action("HelpHelp")->shortcut(), QKeySequence(Qt::Key_F1));
}

TEST_F(MainWindowTest, PagesTabShieldAndStatusBar) {
  Start();
  auto* pages = Find<QTabWidget>("PageControl");
  ASSERT_EQ(pages->count(), 5);
  const char* names[] = {"StatusTab", "TableTab", "GraphTab", "HistogramTab", "EmptyTab"};
  const char* titles[] = {"Status", "Table", "Graph", "Histogram", "Empty"};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(pages->widget(i)->objectName(), names[i]);
    EXPECT_EQ(pages->tabText(i), titles[i]);
  }
  EXPECT_TRUE(pages->isVisible());
  EXPECT_EQ(CurrentPageName(), "EmptyTab");

  // The shield lies over the whole tab row and carries the progress bar and the lamp.
  auto* shield = Find<QWidget>("TabShield");
  const QRect tabs(pages->tabBar()->mapTo(form.get(), QPoint(0, 0)), pages->tabBar()->size());
  EXPECT_TRUE(shield->geometry().contains(tabs)) << tabs.x() << "," << tabs.width();
  EXPECT_EQ(shield->width(), pages->width());
  auto* progress = Find<QProgressBar>("ProgressBar");
  EXPECT_EQ(progress->parent(), shield);
  EXPECT_EQ(progress->width(), 306);
  EXPECT_FALSE(progress->isVisible());
  auto* lamp = Find<QLabel>("ActivityLed");
  EXPECT_EQ(lamp->parent(), shield);
  EXPECT_EQ(lamp->size(), QSize(16, 16));
  EXPECT_GT(lamp->x(), progress->x() + progress->width());

  // Panels: 100 left, the document (it gives way), 200 centred, the serial number centred.
  EXPECT_EQ(Find<QLabel>("Panel0")->width(), 100);
  EXPECT_GE(Find<QLabel>("Panel1")->width(), 200);
  EXPECT_EQ(Find<QLabel>("Panel2")->width(), 200);
  EXPECT_GE(Find<QLabel>("Panel3")->width(), 50);
  EXPECT_TRUE(Find<QLabel>("Panel2")->alignment() & Qt::AlignHCenter);
  EXPECT_TRUE(Find<QLabel>("Panel0")->alignment() & Qt::AlignLeft);
  // The panels hold the serial number the scenario's adapter has.
  RunFor(300);
  auto* serial = Find<QLabel>("Panel3");
  EXPECT_LE(serial->fontMetrics().horizontalAdvance(serial->text()),
            serial->contentsRect().width());
}

TEST_F(MainWindowTest, TheEmptyPageShowsTheLogoFromAJpeg) {
  Start();
  QImageReader reader(":/images/logo.jpg");
  EXPECT_EQ(reader.format(), "jpeg");
  EXPECT_EQ(reader.size(), QSize(400, 320));
  auto* logo = Find<QLabel>("EmptyImage");
  EXPECT_EQ(logo->pixmap().size(), QSize(400, 320));
  EXPECT_TRUE(logo->alignment() & Qt::AlignCenter);
}

TEST_F(MainWindowTest, FileNewClearsTheSessionAndSwitchesTheProbeActionsOff) {
  Start();
  RunFor(300);
  ASSERT_EQ(CurrentPageName(), "StatusTab");
  form->Workplace->FileName = "/tmp/x.omx";
  Action("FileNew")->trigger();
  EXPECT_EQ(CurrentPageName(), "EmptyTab");
  EXPECT_EQ(form->PanelText(1), "<noname>");
  EXPECT_EQ(form->Workplace->FileName, "0");
  EXPECT_EQ(form->PollState, psSearching);
  for (const char* name : {"FileSave", "FileSaveAs", "FileExport", "FilePrint", "ProbeReadStatus",
                           "ProbeReadData", "ProbeClear", "ProbeStop", "ProbeLaunch", "ViewStatus",
                           "ViewTable", "ViewGraph", "ViewHistogram"}) {
    EXPECT_FALSE(Action(name)->isEnabled()) << name;
    EXPECT_FALSE(Action(name)->isChecked()) << name;
  }
  for (const char* name : {"FileNew", "FileExit", "HelpHelp", "HelpAbout"}) {
    EXPECT_TRUE(Action(name)->isEnabled()) << name;
  }
}

TEST_F(MainWindowTest, ViewActionsSwitchPagesAndChecks) {
  Start();
  const std::pair<const char*, const char*> views[] = {{"ViewStatus", "StatusTab"},
                                                       {"ViewTable", "TableTab"},
                                                       {"ViewGraph", "GraphTab"},
                                                       {"ViewHistogram", "HistogramTab"}};
  for (const auto& [name, page] : views) {
    Action(name)->setEnabled(true);
    Action(name)->trigger();
    EXPECT_EQ(CurrentPageName(), page) << name;
    for (const auto& [other, unused] : views) {
      EXPECT_EQ(Action(other)->isChecked(), other == name) << name << " " << other;
    }
  }
  // Choosing the page that is shown keeps its check.
  Action("ViewHistogram")->trigger();
  EXPECT_TRUE(Action("ViewHistogram")->isChecked());
}

TEST_F(MainWindowTest, GraphKeysWorkOnlyOnTheGraphPage) {
  Start();
  QApplication::setActiveWindow(form.get());
  QSignalSpy home(Action("GraphHome"), &QAction::triggered);
  QSignalSpy end(Action("GraphEnd"), &QAction::triggered);
  QSignalSpy backward(Action("GraphBackward"), &QAction::triggered);
  QSignalSpy forward(Action("GraphForward"), &QAction::triggered);
  // As with a graph that has somewhere to go in a windowed range.
  Find<QComboBox>("GraphRange")->setCurrentIndex(2);
  const auto pressAll = [this] {
    for (Qt::Key key : {Qt::Key_Home, Qt::Key_End, Qt::Key_PageUp, Qt::Key_PageDown}) {
      for (const char* name : {"GraphHome", "GraphEnd", "GraphBackward", "GraphForward"}) {
        Action(name)->setVisible(true);
        Action(name)->setEnabled(true);
      }
      QTest::keyClick(form.get(), key);
    }
  };

  pressAll();  // Empty page
  form->ViewGraphExecute();
  EXPECT_EQ(QApplication::focusWidget(), nullptr);
  pressAll();
  form->ViewTableExecute();
  pressAll();
  form->ViewStatusExecute();
  pressAll();
  form->ViewHistogramExecute();
  pressAll();
  form->ViewGraphExecute();
  form->FileNewExecute();  // back to the Empty page
  pressAll();
  EXPECT_EQ(home.count(), 1);
  EXPECT_EQ(end.count(), 1);
  EXPECT_EQ(backward.count(), 1);
  EXPECT_EQ(forward.count(), 1);
}

TEST_F(MainWindowTest, PagesChangeOnlyThroughTheViewActions) {
  Start();
  QApplication::setActiveWindow(form.get());
  auto* pages = Find<QTabWidget>("PageControl");
  QTest::keyClick(pages, Qt::Key_Tab, Qt::ControlModifier);
  QTest::keyClick(pages, Qt::Key_PageDown, Qt::ControlModifier);
  EXPECT_EQ(CurrentPageName(), "EmptyTab");
  EXPECT_FALSE(pages->tabBar()->isEnabled());
}

TEST_F(MainWindowTest, HelpOpensAtTheRootTopic) {
  ASSERT_TRUE(QFile::copy(OMBRIX_HELP_FILE, dir.filePath("HELP.HLP")));
  ASSERT_TRUE(QFile::copy(OMBRIX_GERMAN_HELP_FILE, dir.filePath("HELP_de.HLP")));
  {
    const DefaultLocale english(QLocale(QLocale::English, QLocale::UnitedStates));
    Start();
  }
  EXPECT_EQ(form->HelpFile(), dir.filePath("HELP.HLP"));
  Action("HelpHelp")->trigger();
  ASSERT_TRUE(form->HelpWindow());
  EXPECT_TRUE(form->HelpWindow()->isVisible());
  QTextBrowser* browser = form->HelpWindow()->Browser();
  EXPECT_EQ(browser->source().fragment(), "IDH_ROOT");
  EXPECT_TRUE(browser->toPlainText().contains("Ombrix Help"));
  // However large it was left, it opens within the screen's free area.
  const QRect free = form->screen()->availableGeometry();
  form->HelpWindow()->hide();
  form->HelpWindow()->resize(free.width() * 2, free.height() * 2);
  Action("HelpHelp")->trigger();
  EXPECT_TRUE(free.contains(form->HelpWindow()->frameGeometry()))
      << form->HelpWindow()->frameGeometry().height() << " in " << free.height();
  form->close();
  EXPECT_FALSE(form->HelpWindow()->isVisible());

  // A window that speaks German opens the German pages.
  const DefaultLocale german(QLocale(QLocale::German, QLocale::Austria));
  form.reset();
  Start();
  Action("HelpHelp")->trigger();
  browser = form->HelpWindow()->Browser();
  EXPECT_EQ(browser->source().toLocalFile(), dir.filePath("HELP_de.HLP"));
  EXPECT_TRUE(browser->toPlainText().contains("Ombrix-Hilfe"));
}

TEST_F(MainWindowTest, MissingHelpIsReported) {
  Start();
  form->HelpHelpExecute();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].caption, "Error");
  EXPECT_TRUE(messages[0].text.contains("HELP.HLP"));
}

TEST_F(MainWindowTest, TheHelpFileOfTheUsersLanguageWins) {
  QDir folder(dir.path());
  for (const char* name : {"HELP.HLP", "HELP_de.HLP"}) {
    QFile file(folder.filePath(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  }
  // German in every country; every other language, and the C locale, reads the English pages.
  const struct {
    QLocale locale;
    const char* file;
  } cases[] = {
      {QLocale(QLocale::German, QLocale::Germany), "HELP_de.HLP"},
      {QLocale(QLocale::German, QLocale::Austria), "HELP_de.HLP"},
      {QLocale(QLocale::German, QLocale::Switzerland), "HELP_de.HLP"},
      {QLocale(QLocale::English, QLocale::UnitedStates), "HELP.HLP"},
      {QLocale(QLocale::English, QLocale::UnitedKingdom), "HELP.HLP"},
      {QLocale(QLocale::French, QLocale::France), "HELP.HLP"},
      {QLocale::c(), "HELP.HLP"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ChooseHelpFile(dir.path(), c.locale), folder.filePath(c.file))
        << c.locale.name().toStdString();
  }
  // Without German pages a German window shows the English ones.
  ASSERT_TRUE(QFile::remove(folder.filePath("HELP_de.HLP")));
  EXPECT_EQ(ChooseHelpFile(dir.path(), QLocale(QLocale::German, QLocale::Germany)),
            folder.filePath("HELP.HLP"));
  // A help file named for the user's language by the platform's abbreviation comes first.
  for (const char* name : {"HELP_de.HLP", "HELP.DEA"}) {
    QFile file(folder.filePath(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  }
  EXPECT_EQ(ChooseHelpFile(dir.path(), QLocale(QLocale::German, QLocale::Austria)),
            folder.filePath("HELP.DEA"));
  EXPECT_EQ(ChooseHelpFile(dir.path(), QLocale(QLocale::German, QLocale::Germany)),
            folder.filePath("HELP_de.HLP"));
  EXPECT_EQ(LanguageAbbreviation(QLocale(QLocale::English, QLocale::UnitedStates)), "ENU");
  EXPECT_EQ(LanguageAbbreviation(QLocale(QLocale::English, QLocale::UnitedKingdom)), "ENG");
  EXPECT_EQ(LanguageAbbreviation(QLocale(QLocale::German, QLocale::Austria)), "DEA");
  EXPECT_EQ(LanguageAbbreviation(QLocale(QLocale::Czech, QLocale::CzechRepublic)), "CSY");
  EXPECT_EQ(LanguageAbbreviation(QLocale(QLocale::Dutch, QLocale::Netherlands)), "NLD");
}

TEST_F(MainWindowTest, AnInstalledProgramFindsItsHelpUnderShare) {
  // The installed tree: the program in bin/, its help pages in share/ombrix/help/.
  QDir root(dir.path());
  ASSERT_TRUE(root.mkpath("bin"));
  ASSERT_TRUE(root.mkpath("share/ombrix/help"));
  const QString bin = root.filePath("bin");
  const QDir help(root.filePath("share/ombrix/help"));
  for (const char* name : {"HELP.HLP", "HELP_de.HLP"}) {
    QFile file(help.filePath(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  }
  EXPECT_EQ(ChooseHelpFile(bin, QLocale(QLocale::German, QLocale::Germany)),
            help.filePath("HELP_de.HLP"));
  EXPECT_EQ(ChooseHelpFile(bin, QLocale(QLocale::English, QLocale::UnitedStates)),
            help.filePath("HELP.HLP"));

  // Help beside the program, as in the build tree, comes first.
  QFile beside(QDir(bin).filePath("HELP.HLP"));
  ASSERT_TRUE(beside.open(QIODevice::WriteOnly));
  EXPECT_EQ(ChooseHelpFile(bin, QLocale(QLocale::German, QLocale::Germany)),
            QDir(bin).filePath("HELP.HLP"));
}

TEST_F(MainWindowTest, EveryLinkOfTheHelpPagesLeadsToATopic) {
  const struct {
    const char* file;
    QStringList commands;  // the menu's commands as the window names them in that language
  } languages[] = {
      {OMBRIX_HELP_FILE,
       {"New", "Open", "Save", "Save As", "Export", "Print", "Exit", "Read Status", "Read Data",
        "Stop", "Clear", "Launch"}},
      {OMBRIX_GERMAN_HELP_FILE,
       {"Neu", "Öffnen", "Speichern", "Speichern unter", "Exportieren", "Drucken", "Beenden",
        "Status lesen", "Daten lesen", "Stoppen", "Löschen", "Starten"}},
  };
  for (const auto& language : languages) {
    SCOPED_TRACE(language.file);
    const HelpPages pages = ReadHelp(language.file);
    // The topic the window opens by its context id, and every topic named once.
    EXPECT_TRUE(pages.anchors.contains("IDH_ROOT"));
    EXPECT_EQ(QSet<QString>(pages.anchors.begin(), pages.anchors.end()).size(),
              pages.anchors.size());
    for (const QString& link : pages.links) {
      EXPECT_TRUE(pages.anchors.contains(link)) << link.toStdString();
    }
    EXPECT_GE(pages.links.size(), 10);
    // Every command of the menu is explained.
    for (const QString& command : language.commands) {
      EXPECT_TRUE(pages.html.contains(QStringLiteral("<dt><b>%1</b>").arg(command)))
          << command.toStdString();
    }
  }
}

// The German pages are the English ones translated: the same topics in the same order, the same
// links, and the command lines, options, files and settings keys word for word.
TEST_F(MainWindowTest, TheGermanHelpHasTheTopicsAndLinksOfTheEnglish) {
  const HelpPages english = ReadHelp(OMBRIX_HELP_FILE);
  const HelpPages german = ReadHelp(OMBRIX_GERMAN_HELP_FILE);
  EXPECT_FALSE(english.anchors.isEmpty());
  EXPECT_EQ(Lines(german.anchors), Lines(english.anchors));
  QStringList englishLinks = english.links;
  QStringList germanLinks = german.links;
  englishLinks.sort();
  germanLinks.sort();
  EXPECT_EQ(Lines(germanLinks), Lines(englishLinks));
  const char* code = R"re(<(?:tt|code)>(.*?)</(?:tt|code)>)re";
  EXPECT_EQ(Lines(Captures(german.html, code)), Lines(Captures(english.html, code)));
}

TEST_F(MainWindowTest, TheAboutBoxNamesProductAndVersion) {
  Start();
  TAboutBox box(form.get());
  AboutBox = &box;
  form->move(40, 30);
  QTimer::singleShot(0, &box, [&box, this] {
    EXPECT_TRUE(box.isVisible());
    // Centred on the window, wherever that stands.
    EXPECT_LE((box.frameGeometry().center() - form->frameGeometry().center()).manhattanLength(), 2);
    box.findChild<QPushButton*>("OKButton")->click();
  });
  Action("HelpAbout")->trigger();
  AboutBox = nullptr;
  EXPECT_EQ(box.result(), QDialog::Accepted);
  EXPECT_EQ(box.windowTitle(), "About");
  EXPECT_EQ(box.size(), QSize(298, 213));
  EXPECT_EQ(box.findChild<QLabel*>("ProductName")->text(), "Ombrix Thermo Probe");
  EXPECT_EQ(box.findChild<QLabel*>("Version")->text(), "Version 2.10");
  EXPECT_FALSE(box.findChild<QLabel*>("ProgramIcon")->pixmap().isNull());
  EXPECT_TRUE(box.findChild<QPushButton*>("OKButton")->isDefault());
}

// An object whose event handler fails as a command can.
class Failing : public QObject {
 public:
  bool standard = false;
  bool event(QEvent* event) override {
    if (event->type() != QEvent::User) return QObject::event(event);
    if (standard) throw std::runtime_error("disk full");
    FailCheck("Main", 12);
  }
};

TEST_F(MainWindowTest, ACommandThatThrowsIsShownAndTheProgramGoesOn) {
  Start();
  Failing failing;
  QEvent event(QEvent::User);
  QCoreApplication::sendEvent(&failing, &event);
  failing.standard = true;
  QCoreApplication::sendEvent(&failing, &event);
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0].kind, MessageKind::Exception);
  EXPECT_EQ(messages[0].text, "Error on file Main line 12");
  EXPECT_EQ(messages[0].caption, "ombrix");  // the application title
  EXPECT_EQ(messages[1].text, "disk full");
  // The window still works.
  RunFor(300);
  EXPECT_EQ(form->PanelText(0), "Probe : OK");
}

}  // namespace
}  // namespace ombrix::testing
