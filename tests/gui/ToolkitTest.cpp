// The toolkit layer on its own: the method queue under a busy main thread, the
// requester's button sets and field, menus from a table, and rich text that
// user data cannot format.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

#include <atomic>
#include <thread>

#include "GuiTestSupport.h"
#include "gui/toolkit/MenuTable.h"
#include "gui/toolkit/MethodQueue.h"
#include "gui/toolkit/Requester.h"
#include "gui/toolkit/RichText.h"

using namespace gui;

class ToolkitTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  // A thread posting while the main thread is busy leaves one call per
  // receiver, the newest; a receiver that goes first drops its call.
  void methodQueueCoalescesPerReceiver() {
    MethodQueue queue;
    QObject first, second;
    std::atomic<int> seen_first{-1}, seen_second{-1}, calls{0};
    std::thread poster([&] {
      for (int i = 0; i < 10000; ++i) {
        queue.Post(&first, [&, i] { seen_first = i; ++calls; });
        queue.Post(&second, [&, i] { seen_second = i; ++calls; });
      }
    });
    poster.join();  // the main thread did not run its loop meanwhile
    QCOMPARE(queue.Pending(), size_t{2});
    QVERIFY(guitest::WaitFor([&] { return queue.Pending() == 0; }, 5000));
    QTest::qWait(20);
    QCOMPARE(calls.load(), 2);
    QCOMPARE(seen_first.load(), 9999);
    QCOMPARE(seen_second.load(), 9999);

    bool ran = false;
    {
      QObject doomed;
      queue.Post(&doomed, [&] { ran = true; });
    }
    QTest::qWait(20);
    QVERIFY(!ran);
    QCOMPARE(queue.Pending(), size_t{0});
    QObject reborn;  // may reuse the address: its own post still runs
    queue.Post(&reborn, [&] { ran = true; });
    QVERIFY(guitest::WaitFor([&] { return ran; }, 2000));
  }

  void requesterButtonSetsAndField() {
    struct Case {
      RequesterButtons buttons;
      QString accept, reject;
    };
    const Case cases[] = {{RequesterButtons::kOk, QStringLiteral("&Ok"), {}},
                          {RequesterButtons::kOkCancel, QStringLiteral("&Ok"), QStringLiteral("&Cancel")},
                          {RequesterButtons::kYesNo, QStringLiteral("&Yes"), QStringLiteral("&No")}};
    for (const Case& c : cases) {
      Requester requester(nullptr, {}, QStringLiteral("<b>file</b>"), c.buttons);
      QCOMPARE(requester.windowTitle(), QStringLiteral("Tunewright request"));
      QCOMPARE(requester.findChild<QPushButton*>(QStringLiteral("accept"))->text(), c.accept);
      auto* reject = requester.findChild<QPushButton*>(QStringLiteral("reject"));
      QCOMPARE(reject ? reject->text() : QString(), c.reject);
      QCOMPARE(requester.findChild<QLabel*>(QStringLiteral("message"))->textFormat(), Qt::PlainText);
      QVERIFY(!requester.findChild<QLineEdit*>());
    }

    bool answered = false, chosen = false;
    QString text;
    Requester* asked = Requester::Ask(nullptr, QStringLiteral("New title"), QStringLiteral("Name:"),
                                      RequesterButtons::kOkCancel,
                                      [&](bool ok, const QString& field) {
                                        answered = true;
                                        chosen = ok;
                                        text = field;
                                      },
                                      QStringLiteral("old"));
    QVERIFY(asked->isVisible());
    auto* field = asked->findChild<QLineEdit*>(QStringLiteral("field"));
    field->setText(QStringLiteral("new name"));
    QTest::mouseClick(asked->findChild<QPushButton*>(QStringLiteral("accept")), Qt::LeftButton);
    QVERIFY(guitest::WaitFor([&] { return answered; }, 2000));
    QVERIFY(chosen);
    QCOMPARE(text, QStringLiteral("new name"));
  }

  void menusFromTable() {
    static constexpr MenuEntry kTable[] = {
        {MenuEntry::kMenu, 2000},     {MenuEntry::kItem, 2001, 'O', 2},
        {MenuEntry::kSeparator},      {MenuEntry::kItem, 2002, '?', 6},
        {MenuEntry::kMenu, 2016},     {MenuEntry::kCheck, 2017, 0, 23},
    };
    QMenuBar bar;
    std::vector<int> picked;
    const auto actions = BuildMenus(bar, kTable, [&](int id) { picked.push_back(id); });
    QCOMPARE(bar.actions().size(), 2);
    QCOMPARE(bar.actions()[0]->text(), QStringLiteral("Project"));
    QCOMPARE(actions.at(2)->text(), QStringLiteral("Open..."));
    QCOMPARE(actions.at(2)->shortcut(), QKeySequence(QStringLiteral("Ctrl+O")));
    QCOMPARE(actions.at(6)->shortcut(), QKeySequence(QStringLiteral("Ctrl+?")));
    QVERIFY(actions.at(23)->isCheckable() && !actions.at(2)->isCheckable());
    actions.at(23)->setChecked(true);  // set by the program: no pick
    actions.at(2)->trigger();
    actions.at(23)->trigger();
    QCOMPARE(picked, (std::vector<int>{2, 23}));
  }

  void userDataNeverFormats() {
    QCOMPARE(EscapedText("<b>A&B</b>\x1b" "b"), QStringLiteral("&lt;b&gt;A&amp;B&lt;/b&gt; b"));
    QCOMPARE(CatalogueRichText("\x1bi" "Total: \x1b" "b3\x1bn <x>"),
             QStringLiteral("<i>Total: <b>3</i></b> &lt;x&gt;"));
    QCOMPARE(CatalogueRichText("\x1b" "cSelect"), QStringLiteral("<center>Select</center>"));
  }
};

int main(int argc, char** argv) {
  guitest::UseOffscreenPlatform();
  QApplication application(argc, argv);
  ToolkitTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "ToolkitTest.moc"
