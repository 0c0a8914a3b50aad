// The "Scopes" window over the real engine, offscreen: opened and closed by the
// menu id and by the LEVELS settings, with WINDOW_OPENED mirrored; its task runs
// through play, seek, song changes, stop and the run's shutdown; the forms follow
// the types; the queue stays bounded while the main thread is blocked.
#include <QApplication>
#include <QProgressBar>
#include <QTest>
#include <chrono>
#include <thread>

#include "GuiTestSupport.h"
#include "gui/levels/MeterWidgets.h"
#include "gui/levels/ScopesWindow.h"
#include "gui/toolkit/MethodQueue.h"
#include "gui/toolkit/ReturnIdDispatcher.h"
#include "settings/SettingsGroups.h"

using namespace gui;

namespace {

template <typename T = QWidget>
T* Child(QWidget& window, const char* name) {
  return window.findChild<T*>(QString::fromLatin1(name));
}

}  // namespace

class ScopesTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void openThroughPlaySeekSongChangesAndShutdown() {
    guitest::Session s;
    const std::string a = s.Tone("a.wav", 30), b = s.Tone("b.wav", 30, 880);
    WindowedPlayer& player = s.Start({a, b});
    ScopesWindow& scopes = player.Scopes();
    QVERIFY(!scopes.isVisible());
    QVERIFY(!scopes.Task().Running());

    player.Dispatcher().Dispatch(player::kReturnScopes);
    QVERIFY(scopes.isVisible());
    QVERIFY(scopes.Task().Running());
    QCOMPARE(settings::Levels().Fetch().window_opened, uint16_t(1));
    QVERIFY(s.Core().IsSubWindowOpen(player::SubWindow::kScopes));

    QTRY_COMPARE(s.Core().State(), player::PlayState::kPlaying);
    // The default gauge type shows the standard level bars, fed by the task.
    auto* left = Child<QProgressBar>(scopes, "gaugeLeft");
    QVERIFY(left && left->isVisible());
    QVERIFY(guitest::WaitFor([&] { return left->value() > 60; }));
    s.Core().Seek(20);
    s.Core().PerformReturnId(player::kReturnNext);
    s.Core().PerformReturnId(player::kReturnPrev);
    QVERIFY(guitest::WaitFor([&] { return scopes.Shown().level[0] > 60; }));

    // Blocked main thread: the task's calls coalesce, at most one waits.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    QVERIFY(player.Queue().Pending() <= 1);

    // The close gadget stops the task and clears WINDOW_OPENED.
    scopes.close();
    QVERIFY(!scopes.isVisible());
    QVERIFY(!scopes.Task().Running());
    QCOMPARE(settings::Levels().Fetch().window_opened, uint16_t(0));
    QVERIFY(!s.Core().IsSubWindowOpen(player::SubWindow::kScopes));

    // Applying LEVELS opens it again, with the custom forms; the run then ends
    // while it plays (the task stops before the engine).
    settings::LevelsSettings levels = settings::Levels().Fetch();
    levels.window_opened = 1;
    levels.meter_type = 2;
    levels.gauge_type = 2;
    levels.spectrum_type = 2;
    levels.cpu_usage = 1;
    settings::Levels().Apply(levels);
    QVERIFY(scopes.isVisible());
    QVERIFY(scopes.Task().Running());
    for (const char* name : {"needleLeft", "barRight", "spectrumLeft", "cpu"})
      QVERIFY2(Child(scopes, name)->isVisible(), name);
    for (const char* name : {"gaugeLeft", "meterLeft", "band0"})
      QVERIFY2(!Child(scopes, name)->isVisible(), name);
    auto* spectrum = Child<BarDisplay>(scopes, "spectrumLeft");
    QVERIFY(guitest::WaitFor([&] {
      for (int bar : spectrum->Bars())
        if (bar > 0) return true;
      return false;
    }));
    s.Core().Stop();
    QVERIFY(guitest::WaitFor([&] { return scopes.Shown() == levels::LevelValues{}; }));
  }
};

int main(int argc, char** argv) {
  guitest::UseOffscreenPlatform();
  QApplication application(argc, argv);
  ScopesTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "ScopesTest.moc"
