// The tag editor and the audio database windows over a real player, offscreen:
// what they show, what they write to real files, and what they refuse.
#include <sys/resource.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <csignal>

#include "GuiTestSupport.h"
#include "gui/tageditor/TagEditorWindow.h"
#include "gui/toolkit/ChoiceField.h"
#include "gui/toolkit/Requester.h"
#include "settings/SettingsGroups.h"

using namespace gui;

namespace {

template <typename T = QWidget>
T* Find(QWidget& window, const char* name) {
  T* found = window.findChild<T*>(QString::fromLatin1(name));
  if (!found) qFatal("no widget named %s", name);
  return found;
}

// The showing requester, if any.
Requester* ShowingRequester() {
  for (QWidget* top : QApplication::topLevelWidgets()) {
    if (auto* r = qobject_cast<Requester*>(top); r && r->isVisible()) return r;
  }
  return nullptr;
}

// A tagless MP3 made by sox and lame.
std::string Mp3(const guitest::Session& s, const std::string& name) {
  const std::string wav = s.Dir().File(name + ".wav"), mp3 = s.Dir().File(name);
  testsupport::Run("sox -n -b 16 -r 44100 -c 1 " + testsupport::ShellQuote(wav) + " synth 1 sine 440");
  testsupport::Run("lame --quiet -b 64 " + testsupport::ShellQuote(wav) + " " + testsupport::ShellQuote(mp3));
  return mp3;
}

void NoAutoPlay() {
  settings::MainSettings main = settings::Main().Fetch();
  main.auto_play = 0;
  settings::Main().Apply(main);
}

// Clicks Ok while the process may not make any file longer than limit bytes.
void OkWithFileSizeLimit(QWidget& editor, rlim_t limit) {
  rlimit old{};
  ::getrlimit(RLIMIT_FSIZE, &old);
  const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  const rlimit tight{limit, old.rlim_max};
  ::setrlimit(RLIMIT_FSIZE, &tight);
  QTest::mouseClick(Find<QPushButton>(editor, "ok"), Qt::LeftButton);
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, old_handler);
}

}  // namespace

class EditorWindowsTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void tagEditorWritesThroughTheTrackAndReportsAFailedWrite() {
    if (!testsupport::HaveTool("lame") || !testsupport::HaveTool("sox")) QSKIP("needs lame and sox");
    guitest::Session s;
    const std::string first = Mp3(s, "first song.mp3"), second = Mp3(s, "second.mp3");
    NoAutoPlay();
    s.Start({first, second});
    player::PlayerCore& core = s.Core();
    TagEditorWindow& editor = s.Player().TagEditor();

    core.SetHighlighted(0);
    QVERIFY(core.PerformReturnId(player::kReturnEdit));
    QVERIFY(editor.isVisible());
    QCOMPARE(editor.windowTitle(), QStringLiteral("Tunewright MPEG TAG ID Editor"));
    QCOMPARE(Find<ChoiceField>(editor, "title")->Text(), QStringLiteral("first song.mp3"));
    QCOMPARE(Find<ChoiceField>(editor, "genre")->count(), 146);
    QVERIFY(!Find(editor, "note")->isVisible());
    Find<ChoiceField>(editor, "title")->SetText(QStringLiteral("Edited Title"));
    QTest::keyClicks(Find<ChoiceField>(editor, "year")->lineEdit(), "19a9x91");
    QCOMPARE(Find<ChoiceField>(editor, "year")->Text(), QStringLiteral("1999"));
    Find<ChoiceField>(editor, "genre")->SetText(QStringLiteral("Jazz"));
    const size_t size = testsupport::ReadBinaryFile(first).size();
    QTest::mouseClick(Find<QPushButton>(editor, "ok"), Qt::LeftButton);
    QVERIFY(!editor.isVisible());
    QCOMPARE(testsupport::ReadBinaryFile(first).size(), size + 128);
    QCOMPARE(core.RowTrack(core.RowIdAt(0))->title, std::string("Edited Title"));
    QVERIFY(core.Row(0).title.find("Edited Title") != std::string::npos);

    // A write the disc refuses: reported, the typed texts stay, the file is untouched.
    core.SetHighlighted(1);
    QVERIFY(core.PerformReturnId(player::kReturnEdit));
    QCOMPARE(Find<ChoiceField>(editor, "title")->Text(), QStringLiteral("second.mp3"));
    Find<ChoiceField>(editor, "artist")->SetText(QStringLiteral("Typed Artist"));
    const std::vector<uint8_t> before = testsupport::ReadBinaryFile(second);
    OkWithFileSizeLimit(editor, before.size() + 50);
    QTRY_VERIFY(ShowingRequester());
    QVERIFY(ShowingRequester()->Message().contains(QStringLiteral("second.mp3")));
    ShowingRequester()->accept();
    QVERIFY(editor.isVisible());
    QCOMPARE(Find<ChoiceField>(editor, "artist")->Text(), QStringLiteral("Typed Artist"));
    QVERIFY(testsupport::ReadBinaryFile(second) == before);

    // Asked for the file in hand the edit goes on; another file re-targets the window.
    QVERIFY(core.PerformReturnId(player::kReturnEdit));
    QCOMPARE(Find<ChoiceField>(editor, "artist")->Text(), QStringLiteral("Typed Artist"));
    core.SetHighlighted(0);
    QVERIFY(core.PerformReturnId(player::kReturnEdit));
    QCOMPARE(Find<ChoiceField>(editor, "title")->Text(), QStringLiteral("Edited Title"));
    QCOMPARE(Find<ChoiceField>(editor, "genre")->Text(), QStringLiteral("Jazz"));
    editor.close();
    QVERIFY(!editor.isVisible());
  }
};

int main(int argc, char** argv) {
  guitest::UseOffscreenPlatform();
  QApplication application(argc, argv);
  EditorWindowsTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "EditorWindowsTest.moc"
