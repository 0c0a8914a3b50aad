#include "gui/mainwindow/SongDisplay.h"

#include <QVBoxLayout>

#include <array>

#include "gui/toolkit/RichText.h"
#include "shell/Texts.h"

namespace gui {
namespace {

constexpr int kTextCantPlay = 9001;  // "Can't play file '%s'\n"
constexpr std::array<int, 4> kLineTips = {5045, 5046, 5001, 5047};

QString CantPlayText(const std::string& path) {
  QString text = QString::fromUtf8(Texts_Get(kTextCantPlay)).trimmed();
  return text.replace(QStringLiteral("%s"), QString::fromUtf8(path));
}

}  // namespace

struct SongDisplay::Private {
  player::PlayerCore& core;
  std::array<QLabel*, 5> lines{};
};

SongDisplay::SongDisplay(player::PlayerCore& core, QWidget* parent)
    : QWidget(parent), p_(new Private{core}) {
  setObjectName(QStringLiteral("songDisplay"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 2, 4, 2);
  layout->setSpacing(1);
  for (size_t i = 0; i < p_->lines.size(); ++i) {
    auto* line = new QLabel(this);
    line->setObjectName(QStringLiteral("line%1").arg(i + 1));
    line->setTextFormat(i == 4 ? Qt::PlainText : Qt::RichText);
    line->setTextInteractionFlags(Qt::NoTextInteraction);
    line->setMinimumWidth(1);  // long titles are cut, not widening the window
    if (i < kLineTips.size()) line->setToolTip(QString::fromUtf8(Texts_Get(kLineTips[i])));
    layout->addWidget(line);
    p_->lines[i] = line;
  }
  p_->lines[4]->setStyleSheet(QStringLiteral("color: #b00000"));
  p_->lines[4]->hide();
  OnSongInfoChanged(core.CurrentSongInfo());
  core.AddListener(this);
}

SongDisplay::~SongDisplay() { p_->core.RemoveListener(this); }

QLabel& SongDisplay::Line(int number) { return *p_->lines.at(static_cast<size_t>(number - 1)); }

void SongDisplay::ShowLines(bool artist_album, bool format, bool comment) {
  p_->lines[0]->setVisible(artist_album);
  p_->lines[2]->setVisible(format);
  p_->lines[3]->setVisible(comment);
}

void SongDisplay::OnSongInfoChanged(const player::SongInfo& info) {
  const auto line = [this](int number, const QString& rich) { Line(number).setText(rich); };
  if (!info.has_song) {
    line(1, {});
    line(2, QStringLiteral("<center>") + EscapedText(info.title) + QStringLiteral("</center>"));
    line(3, {});
    line(4, {});
    return;
  }
  line(1, (info.artist.empty() ? QString() : BoldText(EscapedText(info.artist)) + QLatin1Char(' ')) +
              EscapedText(info.details));
  const QString counter = info.counter.empty() ? QString() : EscapedText(info.counter) + QLatin1Char(' ');
  line(2, counter + BoldText(EscapedText(info.duration)) + QLatin1Char(' ') + EscapedText(info.title));
  line(3, EscapedText(info.format));
  line(4, EscapedText(info.comment));
}

void SongDisplay::OnSongFailed(int, const std::string& path, player::PlayFailure) {
  p_->lines[4]->setText(CantPlayText(path));
  p_->lines[4]->show();
}

void SongDisplay::OnStateChanged(player::PlayState state) {
  // A song that plays answers the question of the last one that did not.
  if (state == player::PlayState::kPlaying) p_->lines[4]->hide();
}

}  // namespace gui
