#include "gui/karaoke/KaraokeWindow.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>
#include <optional>

#include "gui/karaoke/KaraokeScreen.h"
#include "gui/karaoke/PictureWindow.h"
#include "karaoke/FontSetting.h"
#include "settings/SettingsGroups.h"
#include "shell/Texts.h"

namespace gui {
namespace {

constexpr int kTextTitle = 1010;
constexpr int kTextCurrent = 6079;
constexpr int kTextComing = 6080;
constexpr double kBigFontScale = 1.6;

QString Text(int id) { return QString::fromUtf8(Texts_Get(id)); }

std::optional<QFont> FontOf(const std::string& setting) {
  const std::optional<karaoke::FontSetting> parsed = karaoke::ParseFontSetting(setting);
  if (!parsed) return std::nullopt;
  QFont font(QString::fromStdString(parsed->family));
  font.setPixelSize(parsed->pixel_size);
  return font;
}

QLabel* AddLine(QVBoxLayout& layout, QGroupBox*& box, int title, const char* name) {
  box = new QGroupBox(Text(title));
  auto* label = new QLabel;
  label->setObjectName(QString::fromLatin1(name));
  label->setAlignment(Qt::AlignCenter);
  label->setTextFormat(Qt::PlainText);
  label->setMinimumWidth(320);
  (new QVBoxLayout(box))->addWidget(label);
  layout.addWidget(box);
  return label;
}

}  // namespace

KaraokeWindow::KaraokeWindow(player::PlayerCore& core)
    : QWidget(nullptr, Qt::Window),
      core_(core),
      screen_(std::make_unique<KaraokeScreen>()),
      picture_(std::make_unique<PictureWindow>()) {
  setObjectName(QStringLiteral("karaokeWindow"));
  setWindowTitle(Text(kTextTitle));
  auto* layout = new QVBoxLayout(this);
  QGroupBox* current_box = nullptr;
  current_ = AddLine(*layout, current_box, kTextCurrent, "currentLyrics");
  current_box->setObjectName(QStringLiteral("currentBox"));
  coming_ = AddLine(*layout, coming_box_, kTextComing, "comingLyrics");
  coming_box_->setObjectName(QStringLiteral("comingBox"));
  ApplySettings(settings::Karaoke().Fetch());
  core_.AddListener(this);
}

KaraokeWindow::~KaraokeWindow() { core_.RemoveListener(this); }

void KaraokeWindow::ApplySettings(const settings::KaraokeSettings& karaoke) {
  // Only what the screen and the picture are built from re-opens an open window.
  const bool rebuild = karaoke.full_screen != settings_.full_screen ||
                       karaoke.screen_font != settings_.screen_font ||
                       karaoke.image_display != settings_.image_display;
  settings_ = karaoke;
  QFont big = font();
  big.setPointSizeF(big.pointSizeF() * kBigFontScale);
  current_->setFont(FontOf(karaoke.font1).value_or(big));
  coming_->setFont(FontOf(karaoke.font2).value_or(font()));
  coming_box_->setVisible(karaoke.lines > 1);
  const std::optional<QFont> screen_font = FontOf(karaoke.screen_font);
  screen_->SetScreenFont(screen_font ? &*screen_font : nullptr);
  // The picture stays loaded while hidden, so switching it on again shows it.
  picture_->setVisible(karaoke.image_display && picture_->HasPicture() && isVisible());
  if (rebuild && isVisible()) {
    Close();
    Open();
  }
}

void KaraokeWindow::ShowLines(const std::string& current, const std::string& coming) {
  current_->setText(QString::fromStdString(current));
  coming_->setText(QString::fromStdString(coming));
  screen_->SetLines(current_->text(), coming_->text());
}

void KaraokeWindow::ShowPicture(const std::string& path) {
  if (path.empty() || !picture_->Load(QString::fromStdString(path))) {
    picture_->Forget();
    return;
  }
  if (isVisible()) picture_->show();
}

void KaraokeWindow::OnSubWindowChanged(player::SubWindow window, bool open) {
  if (window != player::SubWindow::kKaraoke || open == isVisible()) return;
  if (open) {
    Open();
  } else {
    Close();
  }
}

void KaraokeWindow::Open() {
  show();
  raise();
  if (settings_.image_display && picture_->HasPicture()) picture_->show();
  if (settings_.full_screen) screen_->ShowAwayFrom(*this);
}

void KaraokeWindow::Close() {
  screen_->close();
  picture_->hide();
  hide();
}

void KaraokeWindow::closeEvent(QCloseEvent* event) {
  event->accept();
  screen_->close();
  picture_->hide();
  core_.SetSubWindowOpen(player::SubWindow::kKaraoke, false);
}

KaraokeScreen& KaraokeWindow::Screen() { return *screen_; }
PictureWindow& KaraokeWindow::Picture() { return *picture_; }

}  // namespace gui
