// The lyrics on a screen of their own: a frameless full-screen window, black,
// line 1 in white centred on the first quarter of its height, line 2 in grey on
// the third. Esc or a double click closes it; the karaoke window stays.
#pragma once

#include <QFont>
#include <QString>
#include <QWidget>

namespace gui {

class KaraokeScreen : public QWidget {
  Q_OBJECT

 public:
  KaraokeScreen();
  void SetLines(const QString& current, const QString& coming);
  // The SCREEN_FONT font; without one the text takes a tenth of the height.
  void SetScreenFont(const QFont* font);
  // Full screen on a screen other than avoid's when there is one.
  void ShowAwayFrom(const QWidget& avoid);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  QFont FittingFont() const;

  QString current_, coming_;
  bool has_font_ = false;
  QFont font_;
};

}  // namespace gui
