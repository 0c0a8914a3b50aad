// The main and playlist windows over the real engine (the null sink plays in
// real time, the file sink as fast as data comes), offscreen: every menu item,
// the pad's and the desktop's keys, the sliders, the display options, songs
// following each other, and the command port and desktop control driving the
// window while it runs.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QApplication>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QToolButton>

#include <csignal>
#include <filesystem>
#include <fstream>

#include "GuiTestSupport.h"
#include "gui/mainwindow/MainWindow.h"
#include "gui/mainwindow/SongDisplay.h"
#include "gui/playlist/PlaylistView.h"
#include "gui/playlist/PlaylistWindow.h"
#include "gui/toolkit/Requester.h"
#include "gui/toolkit/ReturnIdDispatcher.h"
#include "platform/UniqueFd.h"
#include "settings/SettingsGroups.h"

using namespace gui;
using player::DisplayOption;
using player::PlayState;

namespace {

using guitest::Showing;
using guitest::Find;

QToolButton* ButtonOf(QWidget& window, const char* image) { return Find<QToolButton>(window, image); }

// The top-level widget of that type and object name that is showing, if any.
// A key press as the platform delivers it (media keys included, which QTest
// cannot type).
void Key(QWidget& target, int key, bool keypad = false) {
  QKeyEvent press(QEvent::KeyPress, key, keypad ? Qt::KeypadModifier : Qt::NoModifier);
  QApplication::sendEvent(&target, &press);
}

// A client of the command port: one line in, its reply line out.
class PortClient {
 public:
  explicit PortClient(const std::string& path) : fd_(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0)) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    ::connect(fd_.get(), reinterpret_cast<sockaddr*>(&address), sizeof address);
  }
  std::string Ask(const std::string& command) {
    const std::string line = command + "\n";
    if (::write(fd_.get(), line.data(), line.size()) != static_cast<ssize_t>(line.size())) return "unsent";
    std::string reply;
    guitest::WaitFor([&] {
      char c;
      while (::read(fd_.get(), &c, 1) == 1) {
        if (c == '\n') return true;
        reply += c;
      }
      return false;
    }, 5000);
    return reply;
  }

 private:
  platform::UniqueFd fd_;
};

struct SongLog : player::PlayerListener {
  std::vector<int> songs;
  void OnSongChanged(int row) override {
    if (row >= 0 && (songs.empty() || songs.back() != row)) songs.push_back(row);
  }
};

}  // namespace

class WindowTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void menusDriveThePlayer() {
    guitest::Session s;
    const std::string a = s.Tone("a.wav", 30), b = s.Tone("b.wav", 30), c = s.Tone("c.wav", 30);
    settings::MainSettings main = settings::Main().Fetch();
    main.auto_play = 0;
    settings::Main().Apply(main);
    s.Start({a, b});
    MainWindow& window = s.Player().Window();
    player::PlayerCore& core = s.Core();
    QCOMPARE(window.windowTitle(), QStringLiteral("Tunewright " TUNEWRIGHT_TEST_VERSION));

    // Display: each check mark toggles its option and the window follows.
    for (int id = player::kReturnShowFileList; id <= player::kReturnShowPlaylistWindow; ++id) {
      const auto option = static_cast<DisplayOption>(id - player::kReturnShowFileList);
      const bool before = core.IsDisplayOptionShown(option);
      QCOMPARE(window.MenuAction(id)->isChecked(), before);
      window.MenuAction(id)->trigger();
      QCOMPARE(core.IsDisplayOptionShown(option), !before);
      QCOMPARE(window.MenuAction(id)->isChecked(), !before);
      window.MenuAction(id)->trigger();
      QCOMPARE(core.IsDisplayOptionShown(option), before);
    }
    // Windows: the check mark follows the window's state.
    for (int id = player::kReturnScopes; id <= player::kReturnDatabase; ++id) {
      window.MenuAction(id)->trigger();
      QVERIFY(window.MenuAction(id)->isChecked());
      QVERIFY(core.IsSubWindowOpen(static_cast<player::SubWindow>(id - player::kReturnScopes)));
    }

    window.MenuAction(player::kReturnAbout)->trigger();
    Requester* about = Showing<Requester>("requester");
    QVERIFY(about);
    QVERIFY(about->Message().startsWith(QStringLiteral("Tunewright " TUNEWRIGHT_TEST_VERSION "\n\nSupported formats are:")));
    QVERIFY(about->Message().contains(QStringLiteral("WAVE")));
    about->accept();

    // Append: the requester's files go to the bottom; quit waits for its answer.
    window.MenuAction(player::kReturnAppend)->trigger();
    auto* files = Showing<QFileDialog>("selectFiles");
    QVERIFY(files);
    QVERIFY(!s.Player().Dispatcher().Dispatch(player::kReturnQuit));
    files->selectFile(QString::fromStdString(c));
    static_cast<QDialog*>(files)->accept();  // as its Open button does
    QCOMPARE(core.RowCount(), 3);
    QVERIFY(core.Row(2).title.find("c.wav") != std::string::npos);

    // Save as: a new file is written; an existing one is replaced only after Yes.
    const QString list = QString::fromStdString(s.Dir().File("list.plst"));
    for (const bool exists : {false, true}) {
      window.MenuAction(player::kReturnSaveAs)->trigger();
      auto* save = Showing<QFileDialog>("savePlaylist");
      QVERIFY(save);
      save->selectFile(list);
      static_cast<QDialog*>(save)->accept();
      if (exists) {
        Requester* question = Showing<Requester>("requester");
        QVERIFY(question);
        QVERIFY(question->Message().contains(QStringLiteral("already exist")));
        std::ofstream(list.toStdString()) << "old\n";
        QTest::mouseClick(question->findChild<QPushButton*>(QStringLiteral("accept")), Qt::LeftButton);
      }
      QVERIFY(guitest::WaitFor([&] { return testsupport::ReadTextFile(list.toStdString()).find("c.wav") != std::string::npos; }));
    }

    core.SetHighlighted(1);
    window.MenuAction(player::kReturnCloseItem)->trigger();
    QCOMPARE(core.RowCount(), 2);
    QVERIFY(core.Row(1).title.find("c.wav") != std::string::npos);
    window.MenuAction(player::kReturnCloseAllItem)->trigger();
    QCOMPARE(core.RowCount(), 0);
    QCOMPARE(Find<SongDisplay>(window, "songDisplay")->Line(2).text(),
             QStringLiteral("<center>Select a song</center>"));

    window.MenuAction(player::kReturnQuitItem)->trigger();
    QVERIFY(guitest::WaitFor([&] { return s.Finished(); }, 2000));
  }

  void keysOfThePadAndTheDesktop() {
    guitest::Session s;
    s.Start({s.Tone("a.wav", 60), s.Tone("b.wav", 60), s.Tone("c.wav", 60)});
    MainWindow& window = s.Player().Window();
    player::PlayerCore& core = s.Core();
    QWidget& list = *Find(window, "playlist");
    QTRY_COMPARE(core.State(), PlayState::kPlaying);  // AUTO_PLAY

    core.SetVolume(50);
    const int volume = core.Volume();
    Key(window, Qt::Key_6, true);
    QCOMPARE(core.Volume(), volume + 1);
    Key(list, Qt::Key_9, true);
    QCOMPARE(core.Volume(), volume);
    core.SetVolume(20);
    Key(window, Qt::Key_Slash, true);
    QCOMPARE(core.Volume(), 64);
    Key(window, Qt::Key_3, true);
    Key(window, Qt::Key_3, true);
    Key(window, Qt::Key_2, true);
    QCOMPARE(core.Balance(), 1);
    Key(window, Qt::Key_Enter, true);
    QCOMPARE(core.Balance(), 0);
    Key(window, Qt::Key_5, true);
    QVERIFY(core.PositionSeconds() >= 9.5);
    Key(window, Qt::Key_4, true);
    QVERIFY(core.PositionSeconds() < 9.5);
    Key(window, Qt::Key_Plus, true);
    QCOMPARE(core.Speed(), 101.0);
    Key(window, Qt::Key_Minus, true);
    Key(window, Qt::Key_Minus, true);
    QCOMPARE(core.Speed(), 99.0);
    Key(window, Qt::Key_Asterisk, true);
    QCOMPARE(core.Speed(), 100.0);
    Key(window, Qt::Key_ParenRight, true);
    QCOMPARE(core.CurrentRow(), 1);
    Key(window, Qt::Key_ParenLeft, true);
    QCOMPARE(core.CurrentRow(), 0);
    Key(window, Qt::Key_0, true);
    QCOMPARE(core.State(), PlayState::kPaused);
    QVERIFY(ButtonOf(window, "Pause")->isChecked());
    QVERIFY(!ButtonOf(window, "Stop")->isEnabled());
    Key(window, Qt::Key_0, true);
    QCOMPARE(core.State(), PlayState::kPlaying);
    Key(window, Qt::Key_1, true);
    QCOMPARE(core.State(), PlayState::kStopped);
    QVERIFY(!ButtonOf(window, "Play")->isChecked());
    Key(window, Qt::Key_Period, true);
    auto* files = Showing<QFileDialog>("selectFiles");
    QVERIFY(files);
    files->reject();

    // The desktop's keys, from the list as well as the window.
    Key(list, Qt::Key_Space);
    QCOMPARE(core.State(), PlayState::kPlaying);
    QVERIFY(ButtonOf(window, "Play")->isChecked() && !ButtonOf(window, "Play")->isEnabled());
    Key(list, Qt::Key_Right);
    QVERIFY(core.PositionSeconds() >= 9.5);
    Key(window, Qt::Key_Left);
    QVERIFY(core.PositionSeconds() < 9.5);
    Key(list, Qt::Key_Up);
    QCOMPARE(core.Volume(), 64);  // the slider's top without boost
    Key(list, Qt::Key_Down);
    QCOMPARE(core.Volume(), 63);
    QCOMPARE(Find<QSlider>(window, "volumeSlider")->value(), 63);
    Key(window, Qt::Key_Space);
    QCOMPARE(core.State(), PlayState::kPaused);
    Key(window, Qt::Key_MediaTogglePlayPause);
    QCOMPARE(core.State(), PlayState::kPlaying);
    Key(window, Qt::Key_MediaNext);
    QCOMPARE(core.CurrentRow(), 1);
    Key(window, Qt::Key_MediaStop);
    QCOMPARE(core.State(), PlayState::kStopped);
    core.SetHighlighted(2);
    Key(list, Qt::Key_Delete);
    QCOMPARE(core.RowCount(), 2);

    // The playlist window has the same keys.
    core.SetDisplayOption(DisplayOption::kPlaylistWindow, true);
    PlaylistWindow& own = window.Playlist();
    QVERIFY(own.isVisible());
    QCOMPARE(list.window(), static_cast<QWidget*>(&own));
    Key(list, Qt::Key_MediaPlay);
    QCOMPARE(core.State(), PlayState::kPlaying);
    Key(own, Qt::Key_1, true);
    QCOMPARE(core.State(), PlayState::kStopped);
  }

  void slidersSeekOnReleaseAndBoostClamps() {
    guitest::Session s;
    s.Start({s.Tone("long.wav", 40)});
    MainWindow& window = s.Player().Window();
    player::PlayerCore& core = s.Core();
    QTRY_COMPARE(core.State(), PlayState::kPlaying);
    auto* time = Find<QSlider>(window, "timeSlider");
    QCOMPARE(time->maximum(), 40);

    // A drag moves the slider only; the ticks leave it alone; release seeks.
    time->setSliderDown(true);
    time->setValue(25);
    QTest::qWait(700);
    QVERIFY(core.PositionSeconds() < 5);
    QCOMPARE(time->value(), 25);
    time->setSliderDown(false);
    QVERIFY(core.PositionSeconds() >= 24.5);
    // The ticks move it again, muted: the song is not sent back.
    QTRY_VERIFY(time->value() >= 25);
    const double before_click = core.PositionSeconds();
    QVERIFY(before_click >= 24.5 && before_click < 30);
    // Another way of changing it (a click beside the handle) seeks at once.
    time->setValue(3);
    QVERIFY(core.PositionSeconds() < 4);

    // Boost: 64 -> 128 -> 256 -> 64; back at 64 the volume comes inside.
    QToolButton& boost = *ButtonOf(window, "Boost");
    auto* volume = Find<QSlider>(window, "volumeSlider");
    QTest::mouseClick(&boost, Qt::LeftButton);
    QTest::mouseClick(&boost, Qt::LeftButton);
    QCOMPARE(volume->maximum(), 256);
    QVERIFY(boost.isChecked());
    volume->setValue(200);
    QCOMPARE(core.Volume(), 200);
    QTest::mouseClick(&boost, Qt::LeftButton);
    QCOMPARE(volume->maximum(), 64);
    QVERIFY(!boost.isChecked());
    QCOMPARE(volume->value(), 64);
    QCOMPARE(core.Volume(), 64);
    QCOMPARE(settings::Audio().volume, 64);

    auto* balance = Find<QSlider>(window, "balanceSlider");
    QCOMPARE(balance->minimum(), -64);
    balance->setValue(-30);
    QCOMPARE(core.Balance(), -30);
    QTest::mouseClick(ButtonOf(window, "Balance"), Qt::LeftButton);
    QCOMPARE(balance->value(), 0);
    auto* bass = Find<QSlider>(window, "bassSlider");
    QCOMPARE(bass->maximum(), 20);
    bass->setValue(7);
    QCOMPARE(core.Bass(), 7);
    QVERIFY(Find(window, "bass")->findChildren<QLabel*>().first()->text() == QStringLiteral("7dB"));
    core.SetTreble(-5);  // as the port would: the slider follows
    QCOMPARE(Find<QSlider>(window, "trebleSlider")->value(), -5);
  }

  void displayOptionsShowAndHide() {
    guitest::Session s;
    s.Start({s.Tone("a.wav", 30)});
    MainWindow& window = s.Player().Window();
    player::PlayerCore& core = s.Core();
    SongDisplay& song = *Find<SongDisplay>(window, "songDisplay");
    QTRY_COMPARE(core.State(), PlayState::kPlaying);
    QVERIFY(song.Line(1).isVisible() && song.Line(3).isVisible() && Find(window, "time")->isVisible());

    for (int o = 0; o <= static_cast<int>(DisplayOption::kTimeSlider); ++o)
      core.SetDisplayOption(static_cast<DisplayOption>(o), false);
    for (const char* name : {"playlist", "volumeBalance", "bassTreble", "time"})
      QVERIFY2(!Find(window, name)->isVisible(), name);
    QVERIFY(!song.Line(1).isVisible() && !song.Line(3).isVisible() && !song.Line(4).isVisible());
    QVERIFY(song.Line(2).isVisible());
    // Without the time slider the title tells the time.
    QTRY_VERIFY(window.windowTitle().startsWith(QStringLiteral("Playing 00:0")));
    core.Stop();
    QTRY_VERIFY(window.windowTitle().startsWith(QStringLiteral("Stopped at 00:0")));

    settings::MainSettings main = settings::Main().Fetch();
    main.pause = 0;
    main.cdda = 0;
    main.prev_next = 0;
    main.sizeable_window = 0;
    settings::Main().Apply(main);
    window.ApplyDisplayOptions();
    for (const char* hidden : {"Pause", "Cdda", "Prev", "Next"}) QVERIFY2(!ButtonOf(window, hidden)->isVisible(), hidden);
    for (const char* shown : {"Play", "Stop", "Eject", "Loop"}) QVERIFY2(ButtonOf(window, shown)->isVisible(), shown);
    QCOMPARE(window.minimumSize(), window.maximumSize());

    // The list in its own window; closing that window hides the list.
    core.SetDisplayOption(DisplayOption::kFileList, true);
    window.MenuAction(player::kReturnShowPlaylistWindow)->trigger();
    PlaylistWindow& own = window.Playlist();
    QVERIFY(own.isVisible());
    QCOMPARE(own.windowTitle(), QStringLiteral("Tunewright Playlist"));
    QCOMPARE(Find(window, "playlist")->window(), static_cast<QWidget*>(&own));
    own.close();
    QVERIFY(!core.IsDisplayOptionShown(DisplayOption::kFileList));
    QVERIFY(!window.MenuAction(player::kReturnShowFileList)->isChecked());
    QVERIFY(!ButtonOf(window, "Shrink")->isChecked());
    QTest::mouseClick(ButtonOf(window, "Shrink"), Qt::LeftButton);
    QVERIFY(own.isVisible());
    window.MenuAction(player::kReturnShowPlaylistWindow)->trigger();
    QVERIFY(!own.isVisible());
    QCOMPARE(Find(window, "playlist")->window(), static_cast<QWidget*>(&window));
  }

  void threeSongsFollowEachOther() {
    guitest::Session s("file:");
    const std::vector<std::string> songs = {s.Tone("one.wav", 1, 440), s.Tone("two.wav", 1, 550),
                                            s.Tone("three.wav", 1, 660)};
    SongLog log;
    s.Start(songs);
    QCOMPARE(s.Core().CurrentRow(), 0);  // AUTO_PLAY started the first
    s.Core().AddListener(&log);
    MainWindow& window = s.Player().Window();
    QVERIFY(guitest::WaitFor([&] { return log.songs.size() == 2 && s.Core().State() == PlayState::kStopped; }, 20000));
    s.Core().RemoveListener(&log);
    QCOMPARE(log.songs, (std::vector<int>{1, 2}));
    QVERIFY(ButtonOf(window, "Play")->isEnabled() && !ButtonOf(window, "Play")->isChecked());
    QVERIFY(Find<SongDisplay>(window, "songDisplay")->Line(2).text().contains(QStringLiteral("3/3")));
  }

  void portAndDesktopControlDriveTheWindow() {
    guitest::Session s;
    std::string bus;
    if (testsupport::HaveTool("dbus-daemon") && testsupport::HaveTool("dbus-send")) {
      const auto started = testsupport::Run("dbus-daemon --session --fork --print-address=1 --print-pid=1");
      bus = started.out.substr(0, started.out.find('\n'));
      bus_pid_ = std::stoi(started.out.substr(started.out.find('\n') + 1));
      ::setenv("DBUS_SESSION_BUS_ADDRESS", bus.c_str(), 1);
    }
    settings::MainSettings main = settings::Main().Fetch();
    main.auto_play = 0;
    settings::Main().Apply(main);
    s.Start({s.Tone("a.wav", 30), s.Tone("b.wav", 30), s.Tone("c.wav", 30)}, /*iconified=*/true);
    MainWindow& window = s.Player().Window();
    QVERIFY(window.isMinimized());
    QVERIFY(s.Player().Port());
    PortClient port(s.Player().Port()->path());

    QCOMPARE(port.Ask("iconify off"), std::string("RC=0"));
    QTRY_VERIFY(!window.isMinimized());
    QCOMPARE(port.Ask("iconify"), std::string("RC=0"));
    QTRY_VERIFY(window.isMinimized());
    QCOMPARE(port.Ask("iconify toggle"), std::string("RC=0"));
    QTRY_VERIFY(!window.isMinimized());
    QCOMPARE(port.Ask("play"), std::string("RC=0"));
    QVERIFY(ButtonOf(window, "Play")->isChecked());
    QCOMPARE(port.Ask("pause"), std::string("RC=0"));
    QVERIFY(ButtonOf(window, "Pause")->isChecked());
    QCOMPARE(port.Ask("volume 100"), std::string("RC=0"));
    QCOMPARE(Find<QSlider>(window, "volumeSlider")->maximum(), 128);
    QCOMPARE(Find<QSlider>(window, "volumeSlider")->value(), 100);
    QCOMPARE(port.Ask("next"), std::string("RC=0"));
    QVERIFY(Find<SongDisplay>(window, "songDisplay")->Line(2).text().startsWith(QStringLiteral("2/3")));
    QCOMPARE(port.Ask("random on"), std::string("RC=0"));
    QVERIFY(ButtonOf(window, "Random")->isChecked());

    if (!bus.empty()) {
      QProcess send;
      send.start(QStringLiteral("dbus-send"),
                 {QStringLiteral("--session"), QStringLiteral("--print-reply"),
                  QStringLiteral("--dest=org.mpris.MediaPlayer2.tunewright"),
                  QStringLiteral("/org/mpris/MediaPlayer2"), QStringLiteral("org.mpris.MediaPlayer2.Player.Stop")});
      QVERIFY(guitest::WaitFor([&] { return send.state() == QProcess::NotRunning; }, 10000));
      QCOMPARE(send.exitCode(), 0);
      QCOMPARE(s.Core().State(), PlayState::kStopped);
      QVERIFY(!ButtonOf(window, "Play")->isChecked());
    } else {
      qWarning("desktop control not tried: no dbus-daemon");
    }
    QCOMPARE(port.Ask("quit"), std::string("RC=0"));
    QVERIFY(guitest::WaitFor([&] { return s.Finished(); }, 2000));
  }

  void unplayableSongAndTagsShownSafely() {
    guitest::Session s;
    const std::string tone = s.Tone("a.wav", 30);
    const std::string gone = s.Tone("gone.wav", 30);
    const std::string list = s.Dir().File("list.plst");
    std::ofstream(list) << gone << "\tTITLE=<i>Gone</i>\n"
                        << tone << "\tTITLE=T&amp;\tARTIST=<b>Loud</b>\tALBUM=\\x1bbx\n";
    settings::MainSettings main = settings::Main().Fetch();
    main.auto_play = 0;
    settings::Main().Apply(main);
    s.Start({list});
    MainWindow& window = s.Player().Window();
    SongDisplay& song = *Find<SongDisplay>(window, "songDisplay");
    QCOMPARE(s.Core().RowCount(), 2);
    std::filesystem::remove(gone);  // gone between loading the list and playing
    s.Core().ActivateRow(0);
    QVERIFY(song.Line(5).isVisible());
    QCOMPARE(song.Line(5).text(), QStringLiteral("Can't play file '%1'").arg(QString::fromStdString(gone)));
    QVERIFY(song.Line(2).text().contains(QStringLiteral("&lt;i&gt;Gone&lt;/i&gt;")));

    s.Core().ActivateRow(1);
    QTRY_COMPARE(s.Core().State(), PlayState::kPlaying);
    QVERIFY(!song.Line(5).isVisible());
    QVERIFY(song.Line(1).text().startsWith(QStringLiteral("<b>&lt;b&gt;Loud&lt;/b&gt;</b> / ")));
    QVERIFY(song.Line(1).text().contains(QStringLiteral("\\x1bbx")));
    QVERIFY(song.Line(2).text().contains(QStringLiteral("T&amp;amp;")));
  }

  // Asked for the window where there is no display, the program says what to
  // run instead and fails.
  void withoutADisplayTheProgramSuggestsHeadless() {
    guitest::Session s;
    const auto run = testsupport::Run(
        "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM TUNEWRIGHT_OUTPUT=null " +
        testsupport::ShellQuote(testsupport::BuiltProgram("tunewright")) + " GUI 2>&1");
    QCOMPARE(run.exit_code, 1);
    QVERIFY(run.out.find("--headless") != std::string::npos);
  }

  void cleanup() {
    if (bus_pid_ > 0) ::kill(bus_pid_, SIGTERM);
    bus_pid_ = 0;
    ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
  }

 private:
  pid_t bus_pid_ = 0;
};

int main(int argc, char** argv) {
  guitest::UseOffscreenPlatform();
  QApplication application(argc, argv);
  WindowTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "WindowTest.moc"
