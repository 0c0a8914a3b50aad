// Where songs and titles come from in the window, offscreen over the real
// engine: files and folders dropped from a file manager, the file requesters'
// folder and pattern, and the CD title editor on a disc image.
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QUrl>

#include <filesystem>
#include <fstream>
#include <optional>

#include "GuiTestSupport.h"
#include "cdda/CdImages.h"
#include "gui/cdtitles/CdTitleEditor.h"
#include "gui/mainwindow/MainWindow.h"
#include "gui/playlist/PlaylistView.h"
#include "gui/toolkit/Requester.h"
#include "player/PlayerStateFile.h"
#include "settings/SettingsGroups.h"

using namespace gui;

namespace {

using guitest::Find;
using guitest::Showing;

// A drop from a file manager at point of target, as the platform delivers it.
bool DropFiles(QWidget& target, QPoint point, const std::vector<std::string>& paths) {
  QMimeData data;
  QList<QUrl> urls;
  for (const std::string& path : paths) urls << QUrl::fromLocalFile(QString::fromStdString(path));
  data.setUrls(urls);
  QDragEnterEvent enter(point, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&target, &enter);
  if (!enter.isAccepted()) return false;
  QDragMoveEvent move(point, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&target, &move);
  QDropEvent drop(QPointF(point), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&target, &drop);
  return drop.isAccepted();
}

std::vector<std::string> Paths(player::PlayerCore& core) {
  std::vector<std::string> paths;
  for (const std::string& line : core.RowLines()) paths.push_back(line.substr(0, line.find('\t')));
  return paths;
}

void SetMain(const std::function<void(settings::MainSettings&)>& change) {
  settings::MainSettings main = settings::Main().Fetch();
  change(main);
  settings::Main().Apply(main);
}

}  // namespace

class FilesAndTitlesTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  // A folder dropped on a row comes in there, its songs (subfolders included)
  // sorted by name; files dropped on the window go after the highlighted row.
  void droppedFoldersAndFilesComeInSortedAtTheirRow() {
    guitest::Session s;
    SetMain([](settings::MainSettings& m) { m.auto_play = 0; });
    const std::string a = s.Tone("a.wav", 5), z = s.Tone("z.wav", 5);
    std::filesystem::create_directories(s.Dir().File("drop/sub"));
    // Made out of order, so the folder's own order is not the sorted one.
    const std::string c = s.Tone("drop/c.wav", 1), b = s.Tone("drop/b.wav", 1);
    const std::string d = s.Tone("drop/sub/d.wav", 1), a2 = s.Tone("drop/a.wav", 1);
    std::ofstream(s.Dir().File("drop/notes.txt")) << "not a song\n";
    s.Start({a, z});
    MainWindow& window = s.Player().Window();
    player::PlayerCore& core = s.Core();
    auto& list = *Find<PlaylistView>(window, "playlist");
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    const QRect second = list.visualRect(list.model()->index(1, 0));
    QVERIFY(DropFiles(*list.viewport(), second.topLeft() + QPoint(4, 1), {s.Dir().File("drop")}));
    QCOMPARE(Paths(core), (std::vector<std::string>{a, a2, b, c, d, z}));

    core.SetHighlighted(0);
    const std::string e = s.Tone("e.wav", 1);
    QVERIFY(DropFiles(window, QPoint(5, 5), {e}));
    QCOMPARE(Paths(core)[1], e);
    QVERIFY(!DropFiles(window, QPoint(5, 5), {}));  // nothing local: refused
  }

  // The requester starts in FILE_DRAWER showing what FILE_PATTERN matches; the
  // folder and pattern the user ends with are kept, karaoke files are not added.
  // The window's list outlives it: saved at quit, back at the next start with the
  // names given then appended.
  void theListOfLastTimeComesBackWithNewNamesAfterIt() {
    std::optional<player::PlayerStateKeeper> state;  // outlives the player that saves through it
    guitest::Session s;
    const std::string a = s.Tone("a.wav", 1), b = s.Tone("b.wav", 1), c = s.Tone("c.wav", 1);
    const std::string path = s.Dir().File("home/Tunewright.state");
    state.emplace(path);
    s.Start({a, b}, false, &*state);
    QTRY_COMPARE(s.Core().RowCount(), 2);
    s.Core().SetHighlighted(1);
    s.Stop();
    state.emplace(path);
    s.Start({c}, false, &*state);
    QTRY_COMPARE(s.Core().RowCount(), 3);
    const std::vector<std::string> lines = s.Core().RowLines();
    QVERIFY(lines[0].rfind(a, 0) == 0 && lines[1].rfind(b, 0) == 0 && lines[2].rfind(c, 0) == 0);
    QCOMPARE(s.Core().Highlighted(), 1);
  }

  void theRequesterKeepsItsFolderAndPatternAndSkipsKaraoke() {
    guitest::Session s;
    std::filesystem::create_directories(s.Dir().File("first"));
    std::filesystem::create_directories(s.Dir().File("second"));
    s.Tone("first/x.wav", 1);
    std::ofstream(s.Dir().File("first/x.txt")) << "text\n";
    const std::string song = s.Tone("second/y.wav", 1);
    std::ofstream(s.Dir().File("second/y.kok")) << "lyrics\n";
    SetMain([&](settings::MainSettings& m) {
      m.auto_play = 0;
      m.file_drawer = s.Dir().File("first");
      m.file_pattern = "#?.wav";
    });
    s.Start();
    MainWindow& window = s.Player().Window();
    window.MenuAction(player::kReturnOpen)->trigger();
    auto* files = Showing<QFileDialog>("selectFiles");
    QVERIFY(files);
    QCOMPARE(files->directory().absolutePath(), QString::fromStdString(s.Dir().File("first")));
    QCOMPARE(files->selectedNameFilter(), QStringLiteral("#?.wav"));
    // Only x.wav is listed once the folder has been read.
    QTRY_COMPARE(ListedNames(*files), QStringList{QStringLiteral("x.wav")});

    files->setDirectory(QString::fromStdString(s.Dir().File("second")));
    files->selectNameFilter(files->nameFilters().last());  // every file
    QTRY_COMPARE(ListedNames(*files),
                 (QStringList{QStringLiteral("y.kok"), QStringLiteral("y.wav")}));
    // Both chosen, as the user types them into the name field.
    Find<QLineEdit>(*files, "fileNameEdit")->setText(QStringLiteral("\"y.wav\" \"y.kok\""));
    QCOMPARE(files->selectedFiles().size(), 2);
    static_cast<QDialog*>(files)->accept();
    QCOMPARE(Paths(s.Core()), std::vector<std::string>{song});
    QCOMPARE(settings::Main().Fetch().file_drawer, s.Dir().File("second"));
    QCOMPARE(settings::Main().Fetch().file_pattern, std::string("#?"));

    // Save as starts on the playlist last written and asks before replacing it.
    const std::string list = s.Dir().File("second/list.plst");
    QVERIFY(s.Core().SavePlaylist(list));
    window.MenuAction(player::kReturnSaveAs)->trigger();
    auto* save = Showing<QFileDialog>("savePlaylist");
    QVERIFY(save);
    QCOMPARE(save->directory().absolutePath(), QString::fromStdString(s.Dir().File("second")));
    QCOMPARE(save->selectedFiles().value(0), QString::fromStdString(list));
    std::ofstream(list) << "kept\n";
    static_cast<QDialog*>(save)->accept();
    Requester* question = Showing<Requester>("requester");
    QVERIFY(question);
    QVERIFY(question->Message().contains(QStringLiteral("list.plst' already exist")));
    question->reject();  // No
    QCOMPARE(testsupport::ReadTextFile(list), std::string("kept\n"));
  }

  // Edit on a CD row opens the title editor on that track; Save writes the
  // disc's title file and the list shows the new titles. A title file that
  // cannot be written is said, and the typing stays.
  void theTitleEditorSavesADiscsTitlesAndTheListShowsThem() {
    guitest::Session s;
    const cdtest::DiscImage disc = cdtest::MakeDisc(s.Dir(), "disc", cdtest::AudioTracks(3, 0.3));
    const std::string key = cdtest::ExpectedKey(disc);
    std::ofstream(s.Dir().File("not-a-folder")) << "x\n";
    cdtest::UseDrive(disc.cue, s.Dir().File("not-a-folder/titles"));
    SetMain([](settings::MainSettings& m) { m.auto_play = 0; });
    s.Start();
    MainWindow& window = s.Player().Window();
    player::PlayerCore& core = s.Core();
    core.ReloadCd();
    QCOMPARE(core.RowCount(), 3);
    core.SetHighlighted(1);
    window.MenuAction(player::kReturnEdit)->trigger();

    CdTitleEditor* editor = CdTitleEditor::Window();
    QVERIFY(editor && editor->isVisible());
    QCOMPARE(editor->windowTitle(), QStringLiteral("Tunewright CDDA title editor"));
    auto* track = Find<QSlider>(*editor, "track");
    QCOMPARE(track->value(), 2);
    QCOMPARE(track->minimum(), 1);
    QCOMPARE(track->maximum(), 3);
    auto* title = Find<QLineEdit>(*editor, "title");
    QCOMPARE(Find<QLineEdit>(*editor, "artist")->placeholderText(),
             QStringLiteral("Unknown artist"));
    QCOMPARE(title->placeholderText(), QStringLiteral("Unknown track"));
    Find<QLineEdit>(*editor, "artist")->clear();
    QTest::keyClicks(Find<QLineEdit>(*editor, "artist"), QStringLiteral("The Examples"));
    Find<QLineEdit>(*editor, "album")->clear();
    QTest::keyClicks(Find<QLineEdit>(*editor, "album"), QStringLiteral("Sines"));
    title->clear();
    QTest::keyClicks(title, QStringLiteral("Second Sine"));
    track->setValue(3);
    QVERIFY(title->text().isEmpty() || title->text() != QStringLiteral("Second Sine"));
    title->clear();
    QTest::keyClicks(title, QStringLiteral("Third Sine"));
    track->setValue(1);
    title->clear();  // an untitled track stays untitled

    auto* save = Find<QPushButton>(*editor, "save");
    QTest::mouseClick(save, Qt::LeftButton);
    Requester* failed = Showing<Requester>("requester");
    QVERIFY(failed);
    QVERIFY(failed->Message().contains(QString::fromStdString(key)));
    failed->accept();
    QVERIFY(editor->isVisible());

    const std::string titles = s.Dir().File("titles");
    std::filesystem::create_directories(titles);
    cdtest::UseDrive(disc.cue, titles);
    QTest::mouseClick(save, Qt::LeftButton);
    QVERIFY(!editor->isVisible());
    QCOMPARE(testsupport::ReadTextFile(titles + "/" + key),
             std::string("The Examples\nSines\n\nSecond Sine\nThird Sine\n"));
    QVERIFY(core.Row(1).title.find("Second Sine") != std::string::npos);
    QVERIFY(core.Row(2).title.find("Third Sine") != std::string::npos);
    QVERIFY(core.Row(1).title.find("The Examples") != std::string::npos);
  }

 private:
  // The file names the dialog's list shows.
  static QStringList ListedNames(QFileDialog& dialog) {
    QStringList names;
    auto* view = dialog.findChild<QAbstractItemView*>(QStringLiteral("listView"));
    if (!view) return names;
    const QAbstractItemModel* model = view->model();
    const QModelIndex shown = view->rootIndex();
    for (int row = 0; row < model->rowCount(shown); ++row)
      names << model->index(row, 0, shown).data().toString();
    names.sort();
    return names;
  }
};

int main(int argc, char** argv) {
  guitest::UseOffscreenPlatform();
  QApplication application(argc, argv);
  FilesAndTitlesTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "FilesAndTitlesTest.moc"
