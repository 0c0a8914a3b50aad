// The playlist as a Qt list model over the player's rows. Each index carries
// its row's stable id, so an index that outlives a change still names the same
// song (or none). The player announces every change of rows; the model begins
// and ends the matching change inside that call.
#pragma once

#include <QAbstractListModel>

#include "player/PlayerCore.h"

namespace gui {

class PlaylistModel : public QAbstractListModel, public player::PlayerListener {
  Q_OBJECT

 public:
  enum Role { kDurationRole = Qt::UserRole + 1, kCurrentRole, kRowIdRole };
  static constexpr const char* kRowIdMime = "application/x-tunewright-row-id";

  explicit PlaylistModel(player::PlayerCore& core, QObject* parent = nullptr);
  ~PlaylistModel() override;

  int rowCount(const QModelIndex& parent = {}) const override;
  QModelIndex index(int row, int column = 0, const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  Qt::DropActions supportedDropActions() const override;
  QStringList mimeTypes() const override;
  QMimeData* mimeData(const QModelIndexList& indexes) const override;
  // A row of this list dropped moves there; files and folders dropped are inserted there.
  bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                    const QModelIndex& parent) override;

  void OnRowsInserted(int first, int count) override;
  void OnRowsRemoved(int first, int count) override;
  void OnRowMoved(int from, int to) override;
  void OnRowChanged(int row) override;
  void OnRowsReordered() override;

 private:
  int RowOfIndex(const QModelIndex& index) const;

  player::PlayerCore& core_;
};

}  // namespace gui
