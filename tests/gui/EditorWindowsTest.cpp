// The tag editor and the audio database windows over a real player, offscreen:
// what they show, what they write to real files, and what they refuse.
#include <sys/resource.h>

#include <QApplication>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTest>

#include <QTreeWidget>

#include <csignal>
#include <filesystem>
#include <fstream>

#include "GuiTestSupport.h"
#include "gui/audiodb/AudioDbWindow.h"
#include "gui/mainwindow/MainWindow.h"
#include "gui/playlist/PlaylistModel.h"
#include "gui/playlist/PlaylistView.h"
#include "gui/tageditor/TagEditorWindow.h"
#include "gui/toolkit/ChoiceField.h"
#include "gui/toolkit/Requester.h"
#include "settings/SettingsGroups.h"

using namespace gui;

namespace {

using guitest::Find;

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

// The tree's item showing text, anywhere in the tree.
QTreeWidgetItem* Item(QTreeWidget& tree, const char* text) {
  const QList<QTreeWidgetItem*> found =
      tree.findItems(QString::fromUtf8(text), Qt::MatchExactly | Qt::MatchRecursive);
  return found.isEmpty() ? nullptr : found.first();
}

// Answers the showing requester: its field set first when there is one.
void Answer(bool yes, const QString& field = QString()) {
  Requester* r = ShowingRequester();
  if (!r) qFatal("no requester");
  if (auto* edit = r->findChild<QLineEdit*>(QStringLiteral("field")); edit && !field.isNull()) edit->setText(field);
  yes ? r->accept() : r->reject();
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

  void databaseWindowFormRenamesDragsAndSaves() {
    guitest::Session s;
    const std::string a = s.Tone("a.wav", 65), b = s.Tone("b.wav", 120), c = s.Tone("c.wav", 30);
    std::filesystem::create_directories(s.Dir().File("home"));
    std::ofstream(s.Dir().File("home/Tunewright.aub"))
        << "[GENRE]\n1=Rock\n[ARTIST]\n1=Band\n2=Other\n[ALBUM]\n1=Record\n[TITLE]\n"
        << "1 1 1 \"Song A\" \"" << a << "\" 65 \"\" 0\n1 1 1 \"Song B\" \"" << b << "\" 120 \"\" 0\n"
        << "0 2 0 \"Solo\" \"/x.wav\" 1 \"\" 0\n";
    NoAutoPlay();
    settings::AudioBase().Reset();
    settings::AudioBaseSettings base = settings::AudioBase().Fetch();
    base.window_opened = 1;
    settings::AudioBase().Apply(base);
    s.Start({c});
    AudioDbWindow& window = s.Player().DatabaseWindow();
    QVERIFY(window.isVisible());  // WINDOW_OPENED
    QCOMPARE(window.windowTitle(), QStringLiteral("Tunewright Audio database"));
    QTreeWidget& tree = window.Tree();
    QVERIFY(Item(tree, "Record"));
    QCOMPARE(Item(tree, "Record")->text(1), QStringLiteral("03:05"));
    QCOMPARE(Item(tree, "Song A")->parent(), Item(tree, "Record"));

    // The form: an empty title is refused with the form kept open; then a title is added.
    QTest::mouseClick(Find<QPushButton>(window, "new"), Qt::LeftButton);
    TitleFormDialog* form = window.Form();
    QVERIFY(form && form->isVisible());
    QVERIFY(form->isModal());
    Find<ChoiceField>(*form, "genre")->SetText(QStringLiteral("Jazz"));
    QTest::mouseClick(Find<QPushButton>(*form, "ok"), Qt::LeftButton);
    QTRY_VERIFY(ShowingRequester());
    QCOMPARE(ShowingRequester()->Message(), QStringLiteral("The field 'Title' must not be empty"));
    QCOMPARE(ShowingRequester()->windowTitle(), QStringLiteral("Audio database error"));
    Answer(true);
    QVERIFY(window.Form());
    QVERIFY(!Item(tree, "Jazz"));
    Find<QLineEdit>(*form, "title")->setText(QStringLiteral("Third"));
    QTest::keyClicks(Find<QLineEdit>(*form, "duration"), "3:5x");
    QCOMPARE(Find<QLineEdit>(*form, "duration")->text(), QStringLiteral("3:5"));
    QTest::mouseClick(Find<QPushButton>(*form, "ok"), Qt::LeftButton);
    QTRY_VERIFY(!window.Form());
    QVERIFY(Item(tree, "Jazz"));
    QCOMPARE(Item(tree, "Third")->text(1), QStringLiteral("03:05"));

    // Renames: another artist's name in other letters is refused and asked again.
    tree.setCurrentItem(Item(tree, "Band"));
    QTest::mouseClick(Find<QPushButton>(window, "edit"), Qt::LeftButton);
    QTRY_VERIFY(ShowingRequester());
    QCOMPARE(ShowingRequester()->FieldText(), QStringLiteral("Band"));
    Answer(true, QStringLiteral("OTHER"));
    QTRY_COMPARE(ShowingRequester()->Message(), QStringLiteral("The field 'OTHER' already exist"));
    Answer(true);
    QTRY_COMPARE(ShowingRequester()->FieldText(), QStringLiteral("OTHER"));
    Answer(true, QStringLiteral("The Band"));
    QTRY_VERIFY(Item(tree, "The Band"));
    QVERIFY(!Item(tree, "Band"));

    // From the tree into the playlist: the album's titles, in order, at the drop row.
    PlaylistView* list = s.Player().Window().findChild<PlaylistView*>();
    QVERIFY(list);
    player::PlayerCore& core = s.Core();
    const auto* album = reinterpret_cast<const audiodb::DbNode*>(
        Item(tree, "Record")->data(0, Qt::UserRole).value<quintptr>());
    std::unique_ptr<QMimeData> drag(window.DragData(*album));
    QVERIFY(list->Model().dropMimeData(drag.get(), Qt::CopyAction, 0, 0, {}));
    QCOMPARE(core.RowCount(), 3);
    QCOMPARE(core.RowTrack(core.RowIdAt(0))->path, a);
    QCOMPARE(core.RowTrack(core.RowIdAt(1))->path, b);
    QCOMPARE(core.RowTrack(core.RowIdAt(2))->path, c);
    QVERIFY(core.Row(0).title.find("Song A") != std::string::npos);  // the database's texts

    // From the playlist into the tree: the form, named by the drop target.
    std::unique_ptr<QMimeData> row(list->Model().mimeData({list->Model().index(2)}));
    const auto* artist = reinterpret_cast<const audiodb::DbNode*>(
        Item(tree, "The Band")->data(0, Qt::UserRole).value<quintptr>());
    window.Drop(row.get(), artist, false);
    QVERIFY(window.Form());
    const audiodb::TitleForm dropped = window.Form()->Texts();
    QCOMPARE(dropped.genre, std::string("Rock"));
    QCOMPARE(dropped.artist, std::string("The Band"));
    QCOMPARE(dropped.album, std::string());
    QCOMPARE(dropped.path, c);
    QCOMPARE(dropped.duration, std::string("00:30"));
    window.Form()->reject();
    QTRY_VERIFY(!window.Form());

    // Saving after FILEPATH changed asks first; a failed save is reported.
    base = settings::AudioBase().Fetch();
    base.filepath = s.Dir().File("elsewhere.aub");
    settings::AudioBase().Apply(base);
    QTest::mouseClick(Find<QPushButton>(window, "save"), Qt::LeftButton);
    QTRY_VERIFY(ShowingRequester());
    Answer(false);
    QVERIFY(!std::filesystem::exists(base.filepath));
    QTest::mouseClick(Find<QPushButton>(window, "save"), Qt::LeftButton);
    QTRY_VERIFY(ShowingRequester());
    Answer(true);
    QVERIFY(std::filesystem::exists(base.filepath));
    base.filepath = s.Dir().File("no/such/folder/db.aub");
    settings::AudioBase().Apply(base);
    QTest::mouseClick(Find<QPushButton>(window, "save"), Qt::LeftButton);
    QTRY_VERIFY(ShowingRequester());
    Answer(true);
    QTRY_VERIFY(ShowingRequester());
    QVERIFY(ShowingRequester()->Message().startsWith(QStringLiteral("The audio database could not be saved")));
    Answer(true);

    window.close();
    QVERIFY(!core.IsSubWindowOpen(player::SubWindow::kDatabase));
    QCOMPARE(settings::AudioBase().Fetch().window_opened, 0);
    settings::AudioBase().Reset();
  }
};

int main(int argc, char** argv) {
  guitest::UseOffscreenPlatform();
  QApplication application(argc, argv);
  EditorWindowsTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "EditorWindowsTest.moc"
