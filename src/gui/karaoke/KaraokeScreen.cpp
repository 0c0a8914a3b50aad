#include "gui/karaoke/KaraokeScreen.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>

namespace gui {

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
  QFont font = font_;
  if (!has_font_) font.setPixelSize(std::max(8, height() / 10));
  painter.setFont(font);
  const int half = height() / 2;
  painter.setPen(Qt::white);
  painter.drawText(QRect(0, 0, width(), half), Qt::AlignCenter, current_);
  painter.setPen(QColor(0x80, 0x80, 0x80));
  painter.drawText(QRect(0, half, width(), height() - half), Qt::AlignCenter, coming_);
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
