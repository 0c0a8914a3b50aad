#include "gui/mainwindow/KeyTable.h"

#include "player/PlayerController.h"

namespace gui {
namespace {

struct Key {
  int key;
  bool keypad;
  int id;
};

constexpr Key kKeys[] = {
    // The numeric pad.
    {Qt::Key_ParenLeft, true, player::kReturnKeyPrev},
    {Qt::Key_ParenRight, true, player::kReturnKeyNext},
    {Qt::Key_6, true, player::kReturnVolumeUp},
    {Qt::Key_9, true, player::kReturnVolumeDown},
    {Qt::Key_Slash, true, player::kReturnVolumeUnity},
    {Qt::Key_2, true, player::kReturnBalanceLeft},
    {Qt::Key_3, true, player::kReturnBalanceRight},
    {Qt::Key_Enter, true, player::kReturnBalanceCentre},
    {Qt::Key_0, true, player::kReturnPlayPause},
    {Qt::Key_1, true, player::kReturnKeyStop},
    {Qt::Key_Period, true, player::kReturnKeySelectFiles},
    {Qt::Key_4, true, player::kReturnSeekBack},
    {Qt::Key_5, true, player::kReturnSeekForward},
    {Qt::Key_Minus, true, player::kReturnSlower},
    {Qt::Key_Plus, true, player::kReturnFaster},
    {Qt::Key_Asterisk, true, player::kReturnNormalSpeed},
    // The desktop's.
    {Qt::Key_Delete, false, player::kReturnClose},
    {Qt::Key_Space, false, player::kReturnPlayPause},
    {Qt::Key_Left, false, player::kReturnSeekBack},
    {Qt::Key_Right, false, player::kReturnSeekForward},
    {Qt::Key_Up, false, player::kReturnVolumeUp},
    {Qt::Key_Down, false, player::kReturnVolumeDown},
    {Qt::Key_MediaTogglePlayPause, false, player::kReturnPlayPause},
    {Qt::Key_MediaPlay, false, player::kReturnPlay},
    {Qt::Key_MediaPause, false, player::kReturnPlayPause},
    {Qt::Key_MediaStop, false, player::kReturnStop},
    {Qt::Key_MediaNext, false, player::kReturnNext},
    {Qt::Key_MediaPrevious, false, player::kReturnPrev},
};

}  // namespace

int ReturnIdForKey(const QKeyEvent& event) {
  const Qt::KeyboardModifiers modifiers = event.modifiers();
  const bool keypad = modifiers & Qt::KeypadModifier;
  // With Ctrl or Alt the key belongs to a menu shortcut; Shift is how some
  // keyboards reach the pad's symbols.
  if (modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return 0;
  for (const Key& key : kKeys) {
    if (key.key != event.key()) continue;
    // The desktop's arrows and Delete also come from the pad with Num Lock off.
    if (key.keypad == keypad || !key.keypad) return key.id;
  }
  return 0;
}

}  // namespace gui
