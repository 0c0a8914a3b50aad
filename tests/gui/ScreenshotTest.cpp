// The windows on a real X server (an Xvfb of the test's own): screenshots of
// the main window with the default settings and with every display item off,
// of the playlist window, the karaoke windows, the CD title editor, the About
// box and the file requester, saved as PNG files under the build folder for
// review, with a dump of the visible widgets that the test checks.
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QTabWidget>
#include <QTest>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "GuiTestSupport.h"
#include "cdda/CdImages.h"
#include "gui/audiodb/AudioDbWindow.h"
#include "gui/cdtitles/CdTitleEditor.h"
#include "gui/karaoke/KaraokeEditorWindow.h"
#include "gui/karaoke/KaraokeScreen.h"
#include "gui/karaoke/KaraokeWindow.h"
#include "gui/karaoke/KaraokeWindows.h"
#include "gui/karaoke/PictureWindow.h"
#include "gui/levels/ScopesWindow.h"
#include "gui/mainwindow/MainWindow.h"
#include "gui/mainwindow/Manual.h"
#include "gui/options/OptionsWindow.h"
#include "gui/playlist/PlaylistWindow.h"
#include "gui/tageditor/TagEditorWindow.h"
#include "gui/toolkit/Requester.h"
#include "levels/PenStyle.h"
#include "settings/SettingsGroups.h"

extern char** environ;

using namespace gui;
using player::DisplayOption;

namespace {

using guitest::Showing;
// "name" for each visible widget with a name, indented by depth.
void DumpVisible(const QWidget& widget, int depth, QStringList& out) {
  if (!widget.isVisible()) return;
  if (!widget.objectName().isEmpty() && !widget.objectName().startsWith(QLatin1String("qt_")))
    out << QString(depth * 2, QLatin1Char(' ')) + widget.objectName();
  for (const QObject* child : widget.children()) {
    if (child->isWidgetType() && !static_cast<const QWidget*>(child)->isWindow())
      DumpVisible(*static_cast<const QWidget*>(child), depth + 1, out);
  }
}

QStringList Shot(QWidget& window, const char* name) {
  QDir().mkpath(QStringLiteral(TW_SCREENSHOT_DIR));
  const QString base = QStringLiteral(TW_SCREENSHOT_DIR "/") + QString::fromLatin1(name);
  if (!QTest::qWaitForWindowExposed(&window)) qWarning("%s was not exposed", name);
  QTest::qWait(100);
  window.grab().save(base + QStringLiteral(".png"));
  QStringList dump;
  DumpVisible(window, 0, dump);
  std::ofstream(base.toStdString() + ".txt") << dump.join(QLatin1Char('\n')).toStdString() << "\n";
  return dump;
}

bool Has(const QStringList& dump, const char* name) {
  for (const QString& line : dump)
    if (line.trimmed() == QLatin1String(name)) return true;
  return false;
}

}  // namespace

class ScreenshotTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void mainWindowAndPlaylistWindow() {
    guitest::Session s;
    const std::string list = s.Dir().File("songs.plst");
    std::ofstream(list) << s.Tone("a.wav", 200) << "\tTITLE=Morning Light\tARTIST=The Examples\tALBUM=Sines\tYEAR=2024\tGENRE=Ambient\n"
                        << s.Tone("b.wav", 95, 550) << "\tTITLE=Second Song\tARTIST=The Examples\n"
                        << s.Tone("c.wav", 61, 660) << "\tTITLE=<Third> & Last\n";
    s.Start({list});
    MainWindow& window = s.Player().Window();
    QTRY_COMPARE(s.Core().State(), player::PlayState::kPlaying);
    s.Core().Seek(75);

    const QStringList full = Shot(window, "main-window-default");
    for (const char* name : {"songDisplay", "line1", "line2", "line3", "line4", "time", "volumeBalance",
                             "volume", "balance", "bassTreble", "treble", "bass", "buttons", "Play",
                             "Pause", "Stop", "Shrink", "Cdda", "playlist"})
      QVERIFY2(Has(full, name), name);
    QVERIFY(!Has(full, "line5"));

    for (int o = 0; o <= static_cast<int>(DisplayOption::kSizeableWindow); ++o)
      s.Core().SetDisplayOption(static_cast<DisplayOption>(o), false);
    const QStringList bare = Shot(window, "main-window-display-off");
    for (const char* gone : {"line1", "line3", "line4", "time", "volumeBalance", "bassTreble", "playlist"})
      QVERIFY2(!Has(bare, gone), gone);
    for (const char* kept : {"line2", "buttons", "Play"}) QVERIFY2(Has(bare, kept), kept);
    QTRY_VERIFY(window.windowTitle().startsWith(QStringLiteral("Playing 01:1")));

    s.Core().SetDisplayOption(DisplayOption::kFileList, true);
    s.Core().SetDisplayOption(DisplayOption::kPlaylistWindow, true);
    const QStringList own = Shot(window.Playlist(), "playlist-window");
    QVERIFY(Has(own, "playlist"));
    QVERIFY(!Has(Shot(window, "main-window-with-playlist-window"), "playlist"));
  }

  void tagEditorAndAudioDatabase() {
    guitest::Session s;
    const std::string a = s.Tone("a.wav", 200), b = s.Tone("b.wav", 95), mp3 = s.Dir().File("Tagless Song.mp3");
    testsupport::Run("lame --quiet -b 64 " + testsupport::ShellQuote(b) + " " + testsupport::ShellQuote(mp3));
    std::filesystem::create_directories(s.Dir().File("home"));
    std::ofstream(s.Dir().File("home/Tunewright.aub"))
        << "[GENRE]\n1=Ambient\n2=Rock\n[ARTIST]\n1=The Examples\n2=Solo Act\n[ALBUM]\n1=Sines\n[TITLE]\n"
        << "1 1 1 \"Morning Light\" \"" << a << "\" 200 \"first light\" 2024\n"
        << "1 1 1 \"Second Song\" \"" << b << "\" 95 \"\" 2024\n"
        << "2 2 0 \"Loose Single\" \"/music/single.mp3\" 183 \"b-side\" 1999\n"
        << "0 0 0 \"Untitled Sketch\" \"/music/sketch.wav\" 42 \"\" 0\n";
    settings::AudioBase().Reset();
    s.Start({mp3});
    s.Core().SetSubWindowOpen(player::SubWindow::kDatabase, true);
    AudioDbWindow& database = s.Player().DatabaseWindow();
    const QStringList tree = Shot(database, "audio-database");
    for (const char* name : {"tree", "new", "edit", "delete", "save"}) QVERIFY2(Has(tree, name), name);
    database.New();
    QVERIFY(database.Form());
    const QStringList form = Shot(*database.Form(), "audio-database-title-form");
    for (const char* name : {"genre", "artist", "album", "title", "year", "comment", "duration", "file", "ok"})
      QVERIFY2(Has(form, name), name);
    database.Form()->reject();
    s.Core().SetSubWindowOpen(player::SubWindow::kDatabase, false);

    if (!testsupport::HaveTool("lame")) QSKIP("the tag editor needs an MP3 made by lame");
    s.Core().SetHighlighted(0);
    QVERIFY(s.Core().PerformReturnId(player::kReturnEdit));
    const QStringList editor = Shot(s.Player().TagEditor(), "tag-editor");
    for (const char* name : {"title", "artist", "album", "year", "genre", "comment", "ok", "cancel"})
      QVERIFY2(Has(editor, name), name);
    QVERIFY(!Has(editor, "note"));
  }

  void karaokeWindows() {
    guitest::Session s;
    const std::string song = s.Tone("song.wav", 60);
    std::ofstream(s.Dir().File("song.kok")) << "00:00.5 Sing along with the sine\n"
                                               "00:30.0 the second line comes later\n";
    QImage picture(320, 200, QImage::Format_RGB32);
    QPainter(&picture).fillRect(picture.rect(), QColor(40, 90, 160));
    picture.save(QString::fromStdString(s.Dir().File("main.pic")), "PNG");
    settings::KaraokeSettings karaoke;
    karaoke.lines = 2;
    karaoke.image_display = 1;
    karaoke.full_screen = 1;
    karaoke.window_opened = 1;
    settings::Karaoke().Apply(karaoke);
    s.Start({song});
    KaraokeWindow& window = s.Player().Karaoke().Window();
    QTRY_VERIFY(window.isVisible());
    QTRY_COMPARE(window.findChild<QLabel*>(QStringLiteral("currentLyrics"))->text(),
                 QStringLiteral("Sing along with the sine"));
    const QStringList shown = Shot(window, "karaoke-window");
    QVERIFY(Has(shown, "currentLyrics"));
    QVERIFY(Has(shown, "comingLyrics"));
    QTRY_VERIFY(window.Picture().isVisible());  // main.pic of the song's folder
    Shot(window.Picture(), "karaoke-picture");
    QTRY_VERIFY(window.Screen().isVisible());
    Shot(window.Screen(), "karaoke-screen");
    window.Screen().close();

    std::ofstream(s.Dir().File("words.txt"))
        << "Sing along with the sine\nthe second line comes later\n"
           "and a third to close\n";
    KaraokeEditorWindow& editor = s.Player().Karaoke().Editor();
    QVERIFY(editor.Model().Import(s.Dir().File("words.txt")));
    QVERIFY(editor.Model().PickTime());
    s.Core().SetSubWindowOpen(player::SubWindow::kKaraokeEditor, true);
    const QStringList edited = Shot(editor, "karaoke-editor");
    for (const char* name : {"karaokeList", "editLine", "copy", "cut", "paste", "load", "import",
                             "save", "saveAsLrc", "pickTime", "earlier", "later", "undo"})
      QVERIFY2(Has(edited, name), name);
    settings::Karaoke().Reset();
  }

  void titleEditorAboutBoxAndRequester() {
    guitest::Session s;
    const cdtest::DiscImage disc = cdtest::MakeDisc(s.Dir(), "disc", cdtest::AudioTracks(4, 0.3));
    std::filesystem::create_directories(s.Dir().File("titles"));
    cdtest::UseDrive(disc.cue, s.Dir().File("titles"));
    s.Start();
    MainWindow& window = s.Player().Window();
    QVERIFY(!window.findChild<QWidget*>(QStringLiteral("Play"))->property("icon").isNull());
    QVERIFY(!ManualPath().isEmpty());  // Help finds the manual of the source tree
    s.Core().ReloadCd();
    s.Core().SetHighlighted(2);
    window.MenuAction(player::kReturnEdit)->trigger();
    CdTitleEditor* editor = CdTitleEditor::Window();
    QVERIFY(editor);
    editor->findChild<QLineEdit*>(QStringLiteral("artist"))->setText(QStringLiteral("The Examples"));
    const QStringList fields = Shot(*editor, "cd-title-editor");
    for (const char* name : {"artist", "album", "track", "title", "save", "cancel"}) QVERIFY2(Has(fields, name), name);
    editor->close();

    window.MenuAction(player::kReturnAbout)->trigger();
    Requester* about = Showing<Requester>("requester");
    QVERIFY(about);
    QVERIFY(Has(Shot(*about, "about"), "message"));
    about->accept();

    window.MenuAction(player::kReturnOpen)->trigger();
    auto* files = Showing<QFileDialog>("selectFiles");
    QVERIFY(files);
    files->setDirectory(QString::fromStdString(s.Dir().path()));
    QTest::qWait(300);  // the folder is read in the background
    Shot(*files, "select-files");
    files->reject();
  }

  // Scopes in both forms while a song plays, with custom pens for the custom form.
  void scopesStandardAndCustom() {
    guitest::Session s;
    s.Start({s.Tone("a.wav", 60, 1000)});
    QTRY_COMPARE(s.Core().State(), player::PlayState::kPlaying);
    settings::LevelsSettings levels = settings::Levels().Fetch();
    levels.window_opened = 1;
    levels.meter_type = levels.gauge_type = levels.spectrum_type = 1;
    levels.cpu_usage = 1;
    settings::Levels().Apply(levels);
    ScopesWindow& scopes = s.Player().Scopes();
    QTRY_VERIFY(scopes.Shown().level[0] > 60);
    QTest::qWait(300);
    const QStringList standard = Shot(scopes, "scopes-standard");
    for (const char* name : {"meterLeft", "gaugeRight", "band0", "band15", "cpu"}) QVERIFY2(Has(standard, name), name);

    levels.meter_type = levels.gauge_type = levels.spectrum_type = 2;
    levels.meter_back_pen = levels::PenFromColour({20, 24, 40});
    levels.meter_scale_pen = levels::PenFromColour({220, 220, 200});
    levels.meter_needle_pen = levels::PenFromColour({255, 80, 40});
    levels.gauge_body_pen = levels::PenFromColour({40, 200, 90});
    levels.spectrum_body_pen = levels::PenFromColour({60, 140, 255});
    levels.spectrum_top_pen = levels::PenFromColour({255, 255, 255});
    settings::Levels().Apply(levels);
    QTest::qWait(300);
    const QStringList custom = Shot(scopes, "scopes-custom");
    for (const char* name : {"needleLeft", "barRight", "spectrumLeft", "spectrumRight", "cpu"})
      QVERIFY2(Has(custom, name), name);
    QVERIFY(!Has(custom, "meterLeft"));
  }

  // Every page and inner tab of the options window.
  void optionsEveryTab() {
    guitest::Session s;
    s.Start();
    OptionsWindow options(&s.Player().Window(), {{"default", "hw:0,0"}, {0, 1}}, s.Dir().File("unused.cfg"));
    options.show();
    auto* pages = options.findChild<QTabWidget*>(QStringLiteral("pages"));
    auto* main_tabs = options.findChild<QTabWidget*>(QStringLiteral("mainTabs"));
    auto* mpeg = options.findChild<QTabWidget*>(QStringLiteral("pageMpeg"));
    QVERIFY(pages && main_tabs && mpeg);
    const char* main_names[] = {"options-main-file", "options-main-display", "options-main-buttons"};
    for (int t = 0; t < main_tabs->count(); ++t) {
      pages->setCurrentIndex(0);
      main_tabs->setCurrentIndex(t);
      Shot(options, main_names[t]);
    }
    const char* page_names[] = {nullptr, "options-audio", "options-karaoke", "options-scopes", nullptr, "options-cdda"};
    for (int p = 1; p < pages->count(); ++p) {
      pages->setCurrentIndex(p);
      if (page_names[p]) QVERIFY(Has(Shot(options, page_names[p]), "pages"));
    }
    pages->setCurrentWidget(mpeg);
    mpeg->setCurrentIndex(0);
    QVERIFY(Has(Shot(options, "options-mpeg-layers12"), "MPEG2.MONO_QUALITY"));
    mpeg->setCurrentIndex(1);
    QVERIFY(Has(Shot(options, "options-mpeg-layer3"), "MPEG3.MONO_FORCED"));
    options.Cancel();
  }
};

namespace {

// An X server of our own on a free display number; stopped when the test ends.
struct Xvfb {
  pid_t pid = 0;
  bool Start() {
    for (int n = 90 + getpid() % 50; n < 200; ++n) {
      const std::string socket = "/tmp/.X11-unix/X" + std::to_string(n);
      struct stat info {};
      if (::stat(socket.c_str(), &info) == 0) continue;
      const std::string display = ":" + std::to_string(n);
      const char* argv[] = {"Xvfb", display.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp", nullptr};
      if (posix_spawnp(&pid, "Xvfb", nullptr, nullptr, const_cast<char**>(argv), environ) != 0) return false;
      for (int i = 0; i < 200 && ::stat(socket.c_str(), &info) != 0; ++i) usleep(50000);
      if (::stat(socket.c_str(), &info) != 0) return false;
      ::setenv("DISPLAY", display.c_str(), 1);
      ::setenv("QT_QPA_PLATFORM", "xcb", 1);
      return true;
    }
    return false;
  }
  ~Xvfb() {
    if (pid <= 0) return;
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
  }
};

}  // namespace

int main(int argc, char** argv) {
  Xvfb server;
  if (!testsupport::HaveTool("Xvfb") || !server.Start()) {
    std::printf("SKIP: no Xvfb server could be started; screenshots not taken\n");
    return 0;
  }
  QApplication application(argc, argv);
  ScreenshotTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "ScreenshotTest.moc"
