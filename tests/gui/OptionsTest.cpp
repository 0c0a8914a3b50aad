// The options window over the real player, offscreen: opened from the return id,
// controls round-trip through "_Use" into the running program, "_Cancel" changes
// nothing, a setting changed elsewhere while it is open survives "_Use", and a
// failed save is reported with the window left open.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <filesystem>
#include <fstream>

#include "GuiTestSupport.h"
#include "gui/levels/ScopesWindow.h"
#include "gui/mainwindow/MainWindow.h"
#include "gui/options/OptionsWindow.h"
#include "gui/playlist/PlaylistModel.h"
#include "gui/playlist/PlaylistView.h"
#include "gui/toolkit/Requester.h"
#include "gui/toolkit/ReturnIdDispatcher.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsGroups.h"

using namespace gui;

namespace {

template <typename T>
T* Control(QWidget& window, const char* key) {
  return window.findChild<T*>(QString::fromLatin1(key));
}

OptionsWindow* OpenOptions(guitest::Session& s) {
  s.Player().Dispatcher().Dispatch(player::kReturnOptions);
  auto* options = s.Player().Window().findChild<OptionsWindow*>();
  return options && options->isVisible() ? options : nullptr;
}

void Click(QWidget& window, const char* name) {
  auto* button = window.findChild<QPushButton*>(QString::fromLatin1(name));
  QVERIFY(button);
  button->click();
}

}  // namespace

class OptionsTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void useRoundTripsEveryKindOfControlIntoTheRunningProgram() {
    guitest::Session s;
    s.Start({s.Tone("tone.wav", 2)});
    s.Core().Stop();
    QPointer<OptionsWindow> options = OpenOptions(s);
    QVERIFY(options);
    Control<QSlider>(*options, "MAIN.INTER_FILE")->setValue(4);
    Control<QCheckBox>(*options, "DISPLAY.VOLUME_BALANCE")->setChecked(false);
    Control<QLineEdit>(*options, "MAIN.FILE_PATTERN")->setText(QStringLiteral("#?.wav"));
    Control<QComboBox>(*options, "AUDIO.MIXING_MODE")->setCurrentIndex(2);
    Control<QSlider>(*options, "AUDIO.BUFFER_TIME")->setValue(3);
    Control<QComboBox>(*options, "KARAOKE.LINES")->setCurrentIndex(1);
    Control<QCheckBox>(*options, "LEVELS.WINDOW_OPENED")->setChecked(true);
    Control<QComboBox>(*options, "LEVELS.SPECTRUM_TYPE")->setCurrentIndex(2);
    Control<QSlider>(*options, "MPEG3.MONO_FREQ_MAX")->setValue(0);
    Control<QSlider>(*options, "CDDA.UNIT")->setValue(3);
    Control<QCheckBox>(*options, "FILE.LOAD_IN_RAM")->setChecked(true);
    Control<QLineEdit>(*options, "DISPLAY.LIST_PATTERN")->setText(QStringLiteral("<%t>"));
    Click(*options, "use");
    QTRY_VERIFY(!options);  // closed and gone

    QCOMPARE(settings::Main().Fetch().inter_file, 4);
    QCOMPARE(settings::Main().Fetch().file_pattern, std::string("#?.wav"));
    QCOMPARE(settings::Audio().mixing_mode, 2u);
    QCOMPARE(settings::Audio().buffer_time, 3000u);
    QCOMPARE(settings::Karaoke().Fetch().lines, uint16_t(2));
    QCOMPARE(settings::Mpeg().Fetch().layer3.mono_freq_max, 4000u);
    QCOMPARE(settings::Cdda().Fetch().unit, 3);
    QCOMPARE(settings::File().Fetch().load_in_ram, uint16_t(1));
    // The running program followed: the scopes opened, the main window hid its sliders.
    QVERIFY(s.Player().Scopes().isVisible());
    QVERIFY(s.Player().Scopes().Task().Running());
    QVERIFY(!s.Player().Window().findChild<QWidget*>(QStringLiteral("volumeBalance"))->isVisible());
    auto& rows = s.Player().Window().findChild<PlaylistView*>()->Model();
    QCOMPARE(rows.data(rows.index(0), Qt::DisplayRole).toString(), QStringLiteral("<tone.wav>"));

    options = OpenOptions(s);
    QVERIFY(options);
    QCOMPARE(Control<QSlider>(*options, "MAIN.INTER_FILE")->value(), 4);
    QCOMPARE(Control<QComboBox>(*options, "LEVELS.SPECTRUM_TYPE")->currentIndex(), 2);
    QCOMPARE(Control<QSlider>(*options, "AUDIO.BUFFER_TIME")->value(), 3);
    Click(*options, "cancel");
  }

  void cancelChangesNothingAndOtherChangesSurviveUse() {
    guitest::Session s;
    s.Start();
    settings::Audio().buffer_time = 500;
    const settings::OptionsForm before = settings::FillOptionsForm(settings::FetchAllGroups());
    QPointer<OptionsWindow> options = OpenOptions(s);
    QVERIFY(options);
    Control<QSlider>(*options, "MAIN.INTER_FILE")->setValue(5);
    Control<QCheckBox>(*options, "LEVELS.CPU_USAGE")->setChecked(true);
    Click(*options, "cancel");
    QTRY_VERIFY(!options);
    QVERIFY(settings::FillOptionsForm(settings::FetchAllGroups()) == before);
    QCOMPARE(settings::Audio().buffer_time, 500u);
    QVERIFY(!std::filesystem::exists(settings::Settings_DefaultPath()));

    // Random and loop turned on by the main window while the options are open stay on.
    options = OpenOptions(s);
    QVERIFY(options);
    QVERIFY(s.Core().SetButton(player::Button::kRandom, true));
    QVERIFY(s.Core().SetButton(player::Button::kLoop, true));
    Control<QSlider>(*options, "MAIN.INTER_FILE")->setValue(2);
    Click(*options, "use");
    QTRY_VERIFY(!options);
    QCOMPARE(settings::Main().Fetch().inter_file, 2);
    QCOMPARE(settings::Main().Fetch().random, uint16_t(1));
    QCOMPARE(settings::Main().Fetch().loop, uint16_t(1));
    QCOMPARE(settings::Audio().buffer_time, 500u);  // untouched, so not rounded to 1 s
  }

  void saveWritesTheFileAndAFailedSaveIsReported() {
    guitest::Session s;
    s.Start();
    QPointer<OptionsWindow> options = OpenOptions(s);
    QVERIFY(options);
    Control<QSlider>(*options, "MAIN.INTRO_DURATION")->setValue(42);
    Click(*options, "save");
    QTRY_VERIFY(!options);
    std::ifstream file(settings::Settings_DefaultPath());
    const std::string text((std::istreambuf_iterator<char>(file)),
                           std::istreambuf_iterator<char>());
    QVERIFY(text.find("INTRO_DURATION=42") != std::string::npos ||
            text.find("INTRO_DURATION 42") != std::string::npos);

    // A folder where the file should be: the write fails, the folder stays.
    const std::string blocked = s.Dir().File("blocked.cfg");
    std::filesystem::create_directories(blocked + "/inside");
    OptionsWindow failing(&s.Player().Window(), {}, blocked);
    failing.show();
    Control<QSlider>(failing, "MAIN.INTRO_DURATION")->setValue(7);
    QVERIFY(!failing.Save());
    QVERIFY(failing.isVisible());
    auto* told = failing.findChild<Requester*>();
    QVERIFY(told);
    QVERIFY(std::filesystem::is_directory(blocked + "/inside"));
    QCOMPARE(settings::Main().Fetch().intro_duration, 7);  // used, though not saved
    failing.Cancel();
  }
};

int main(int argc, char** argv) {
  guitest::UseOffscreenPlatform();
  QApplication application(argc, argv);
  OptionsTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "OptionsTest.moc"
