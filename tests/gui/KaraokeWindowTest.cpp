// The karaoke windows offscreen: the lines follow the song, LINES 1 hides the
// coming line, WINDOW_OPENED opens the window at start-up, full screen closes
// with Esc or a double click, a broken picture shows nothing, and the editor's
// keys time the lines of the playing song.
#include <QApplication>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTreeWidget>
#include <fstream>

#include "GuiTestSupport.h"
#include "gui/karaoke/KaraokeEditorWindow.h"
#include "gui/karaoke/KaraokeScreen.h"
#include "gui/karaoke/KaraokeWindow.h"
#include "gui/karaoke/KaraokeWindows.h"
#include "gui/karaoke/PictureWindow.h"
#include "settings/SettingsGroups.h"

using namespace gui;

namespace {

using guitest::Find;

void SetKaraoke(void (*change)(settings::KaraokeSettings&)) {
  settings::KaraokeSettings karaoke = settings::Karaoke().Fetch();
  change(karaoke);
  settings::Karaoke().Apply(karaoke);
}

}  // namespace

class KaraokeWindowTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void init() { settings::Karaoke().Reset(); }
  void cleanup() { settings::Karaoke().Reset(); }

  void linesFollowTheSongAndOneLineHidesTheSecond() {
    guitest::Session s;
    const std::string song = s.Tone("song.wav", 30);
    std::ofstream(s.Dir().File("song.kok")) << "00:00.5 first line\n00:20.0 second line\n";
    // WINDOW_OPENED opens the window at start-up.
    SetKaraoke([](settings::KaraokeSettings& k) { k.window_opened = 1; });
    s.Start({song});
    KaraokeWindow& window = s.Player().Karaoke().Window();
    QTRY_VERIFY(window.isVisible());
    QTRY_COMPARE(s.Core().State(), player::PlayState::kPlaying);
    QTRY_COMPARE(Find<QLabel>(window, "currentLyrics")->text(), QStringLiteral("first line"));
    QCOMPARE(Find<QLabel>(window, "comingLyrics")->text(), QStringLiteral("second line"));
    // LINES 1 (the default) shows the current line only.
    QVERIFY(Find<QGroupBox>(window, "currentBox")->isVisible());
    QVERIFY(!Find<QGroupBox>(window, "comingBox")->isVisible());
    SetKaraoke([](settings::KaraokeSettings& k) { k.lines = 2; });
    QVERIFY(Find<QGroupBox>(window, "comingBox")->isVisible());
    // Closing the window records it for the next start.
    window.close();
    QVERIFY(!s.Core().IsSubWindowOpen(player::SubWindow::kKaraoke));
    QCOMPARE(settings::Karaoke().Fetch().window_opened, uint16_t(0));
  }

  void fullScreenClosesWithEscOrADoubleClick() {
    guitest::Session s;
    SetKaraoke([](settings::KaraokeSettings& k) { k.full_screen = 1; });
    s.Start();
    KaraokeWindow& window = s.Player().Karaoke().Window();
    KaraokeScreen& screen = window.Screen();
    s.Core().SetSubWindowOpen(player::SubWindow::kKaraoke, true);
    QTRY_VERIFY(screen.isVisible());
    QTest::keyClick(&screen, Qt::Key_Escape);
    QTRY_VERIFY(!screen.isVisible());
    QVERIFY(window.isVisible());  // the lyrics stay in the window
    s.Core().SetSubWindowOpen(player::SubWindow::kKaraoke, false);
    s.Core().SetSubWindowOpen(player::SubWindow::kKaraoke, true);
    QTRY_VERIFY(screen.isVisible());
    QTest::mouseDClick(&screen, Qt::LeftButton);
    QTRY_VERIFY(!screen.isVisible());
  }

  void aBrokenPictureShowsNothing() {
    guitest::Session s;
    s.Start();
    KaraokeWindow& window = s.Player().Karaoke().Window();
    PictureWindow& picture = window.Picture();
    const std::string good = s.Dir().File("good.pic");
    QImage(8, 8, QImage::Format_RGB32).save(QString::fromStdString(good), "PNG");
    window.ShowPicture(good);
    QVERIFY(picture.HasPicture());
    const std::string broken = s.Dir().File("broken.pic");
    // A PNG signature and a header claiming a picture of 60000 x 60000 pixels.
    std::ofstream(broken, std::ios::binary)
        << std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\xea\x60\0\0\xea\x60\x08\x06\0\0\0", 29);
    window.ShowPicture(broken);
    QVERIFY(!picture.HasPicture());
    QVERIFY(!picture.isVisible());
  }

  void editorKeysTimeTheLinesOfThePlayingSong() {
    guitest::Session s;
    const std::string song = s.Tone("song.wav", 30);
    std::ofstream(s.Dir().File("words.txt")) << "one\ntwo\n";
    s.Start({song});
    QTRY_COMPARE(s.Core().State(), player::PlayState::kPlaying);
    KaraokeEditorWindow& editor = s.Player().Karaoke().Editor();
    s.Core().SetSubWindowOpen(player::SubWindow::kKaraokeEditor, true);
    QTRY_VERIFY(editor.isVisible());
    QVERIFY(editor.Model().Import(s.Dir().File("words.txt")));
    editor.Refresh();
    auto* list = Find<QTreeWidget>(editor, "karaokeList");
    QCOMPARE(list->topLevelItemCount(), 2);
    QTRY_VERIFY(s.Core().PositionSeconds() > 0.3);
    editor.activateWindow();
    QTest::keyClick(&editor, Qt::Key_F5);
    const int32_t picked = editor.Model().Entries()[0].time;
    QVERIFY(picked >= 300);
    QCOMPARE(list->topLevelItem(0)->text(0).toStdString(), karaoke::Lyrics_FormatTime(picked));
    QCOMPARE(editor.Model().Active(), 1);
    QTest::keyClick(&editor, Qt::Key_F7);
    QCOMPARE(editor.Model().Entries()[0].time, picked + 100);
    QTest::keyClick(&editor, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(editor.Model().Entries()[0].time, picked);
    // The edit line shows the active line; Return with a new time stamps it.
    auto* edit = Find<QLineEdit>(editor, "editLine");
    QCOMPARE(edit->text(), QStringLiteral("00:00.0 two"));
    edit->setText(QStringLiteral("00:09.5 two, timed"));
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(list->topLevelItem(1)->text(1), QStringLiteral("two, timed"));
    QCOMPARE(editor.Model().Active(), karaoke::LyricsEditor::kNone);
  }
};

int main(int argc, char** argv) {
  guitest::UseOffscreenPlatform();
  QApplication application(argc, argv);
  KaraokeWindowTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "KaraokeWindowTest.moc"
