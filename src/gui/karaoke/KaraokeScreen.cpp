#include "gui/karaoke/KaraokeScreen.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>

namespace gui {
namespace {

// Lines wider than the screen wrap rather than run off its sides.
constexpr int kTextFlags = Qt::AlignCenter | Qt::TextWordWrap;
constexpr double kWidthUsed = 0.94;

}  // namespace

KaraokeScreen::KaraokeScreen() : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint) {
  setObjectName(QStringLiteral("karaokeScreen"));
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void KaraokeScreen::SetLines(const QString& current, const QString& coming) {
  current_ = current;
  coming_ = coming;
  update();
}

void KaraokeScreen::SetScreenFont(const QFont* font) {
  has_font_ = font != nullptr;
  if (font) font_ = *font;
  update();
}

void KaraokeScreen::ShowAwayFrom(const QWidget& avoid) {
  QScreen* chosen = avoid.screen();
  for (QScreen* screen : QGuiApplication::screens()) {
    if (screen != avoid.screen()) {
      chosen = screen;
      break;
    }
  }
  if (chosen) {
    setScreen(chosen);
    setGeometry(chosen->geometry());
  }
  showFullScreen();
  raise();
  activateWindow();
}

void KaraokeScreen::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::black);
  painter.setFont(has_font_ ? font_ : FittingFont());
  const int half = height() / 2;
  painter.setPen(Qt::white);
  painter.drawText(QRect(0, 0, width(), half), kTextFlags, current_);
  painter.setPen(QColor(0x80, 0x80, 0x80));
  painter.drawText(QRect(0, half, width(), height() - half), kTextFlags, coming_);
}

QFont KaraokeScreen::FittingFont() const {
  // A tenth of the height, smaller when the longer line would not fit the width.
  QFont font = font_;
  font.setPixelSize(std::max(8, height() / 10));
  const QFontMetrics metrics(font);
  const int widest =
      std::max(metrics.horizontalAdvance(current_), metrics.horizontalAdvance(coming_));
  const int room = static_cast<int>(width() * kWidthUsed);
  if (widest > room)
    font.setPixelSize(std::max(8, static_cast<int>(font.pixelSize() * double(room) / widest)));
  return font;
}

void KaraokeScreen::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}

void KaraokeScreen::mouseDoubleClickEvent(QMouseEvent*) { close(); }

}  // namespace gui
