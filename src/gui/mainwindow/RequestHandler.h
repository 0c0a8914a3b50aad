// What only a window can do for the player: the Select files and Save playlist
// requesters, the overwrite question, the About boxes and the options window. Each is window-modal
// and answers by callback, so the loop keeps serving the port and the tick.
#pragma once

#include <QPointer>
#include <QWidget>

#include "player/PlayerCore.h"

namespace gui {

class OptionsWindow;

class RequestHandler : public player::PlayerListener {
 public:
  RequestHandler(player::PlayerCore& core, QWidget& parent);
  ~RequestHandler() override;
  RequestHandler(const RequestHandler&) = delete;
  RequestHandler& operator=(const RequestHandler&) = delete;

  void OnRequest(player::Request request) override;

 private:
  void ShowOptions();
  void SelectFiles(bool append);
  void SavePlaylistAs();
  void Save(const QString& path);
  void Tell(const QString& title, const QString& message);

  player::PlayerCore& core_;
  QWidget& parent_;
  QPointer<OptionsWindow> options_;
};

}  // namespace gui
