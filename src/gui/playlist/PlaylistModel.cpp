#include "gui/playlist/PlaylistModel.h"

#include <QMimeData>
#include <QUrl>

#include <string>
#include <vector>

#include "gui/toolkit/FileDrops.h"
#include "shell/Texts.h"

namespace gui {

PlaylistModel::PlaylistModel(player::PlayerCore& core, QObject* parent)
    : QAbstractListModel(parent), core_(core) {
  core_.AddListener(this);
}

PlaylistModel::~PlaylistModel() { core_.RemoveListener(this); }

int PlaylistModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : core_.RowCount();
}

QModelIndex PlaylistModel::index(int row, int column, const QModelIndex& parent) const {
  if (parent.isValid() || column != 0 || row < 0 || row >= core_.RowCount()) return {};
  return createIndex(row, column, static_cast<quintptr>(core_.RowIdAt(row)));
}

int PlaylistModel::RowOfIndex(const QModelIndex& index) const {
  return index.isValid() ? core_.RowOf(static_cast<player::RowId>(index.internalId())) : -1;
}

QVariant PlaylistModel::data(const QModelIndex& index, int role) const {
  const int row = RowOfIndex(index);
  if (row < 0) return {};
  const player::RowInfo info = core_.Row(row);
  switch (role) {
    case Qt::DisplayRole: return QString::fromUtf8(info.title);
    case Qt::ToolTipRole: return QString::fromUtf8(info.title);
    case kDurationRole: return QString::fromUtf8(info.duration);
    case kCurrentRole: return info.is_current;
    case kRowIdRole: return static_cast<qulonglong>(info.id);
    default: return {};
  }
}

Qt::ItemFlags PlaylistModel::flags(const QModelIndex& index) const {
  const Qt::ItemFlags base = QAbstractListModel::flags(index);
  return index.isValid() ? base | Qt::ItemIsDragEnabled : base | Qt::ItemIsDropEnabled;
}

Qt::DropActions PlaylistModel::supportedDropActions() const {
  return Qt::MoveAction | Qt::CopyAction;
}

QStringList PlaylistModel::mimeTypes() const {
  return {QString::fromLatin1(kRowIdMime), QStringLiteral("text/uri-list")};
}

QMimeData* PlaylistModel::mimeData(const QModelIndexList& indexes) const {
  if (indexes.isEmpty()) return nullptr;
  auto* mime = new QMimeData;
  mime->setData(QString::fromLatin1(kRowIdMime),
                QByteArray::number(static_cast<qulonglong>(indexes.first().internalId())));
  return mime;
}

bool PlaylistModel::dropMimeData(const QMimeData* data, Qt::DropAction, int row, int,
                                 const QModelIndex& parent) {
  if (!data) return false;
  if (row < 0) row = parent.isValid() ? parent.row() : core_.RowCount();
  if (data->hasFormat(QString::fromLatin1(kRowIdMime))) {
    bool ok = false;
    const auto id = data->data(QString::fromLatin1(kRowIdMime)).toULongLong(&ok);
    const int from = ok ? core_.RowOf(id) : -1;
    if (from < 0) return false;
    // Dropped below itself: the rows after it close up first.
    const int to = std::min(row > from ? row - 1 : row, core_.RowCount() - 1);
    // The model already followed the move through OnRowMoved; no removal follows.
    core_.MoveRow(from, to);
    return false;
  }
  return InsertDropped(core_, data, row);
}

void PlaylistModel::OnRowsInserted(int first, int count) {
  beginInsertRows({}, first, first + count - 1);
  endInsertRows();
}

void PlaylistModel::OnRowsRemoved(int first, int count) {
  // Indexes already point at ids that are gone; Qt only needs the rows' numbers.
  beginRemoveRows({}, first, first + count - 1);
  endRemoveRows();
}

void PlaylistModel::OnRowMoved(int from, int to) {
  if (from == to) return;
  beginMoveRows({}, from, from, {}, to > from ? to + 1 : to);
  endMoveRows();
}

void PlaylistModel::OnRowChanged(int row) {
  const QModelIndex changed = index(row);
  Q_EMIT dataChanged(changed, changed);
}

void PlaylistModel::OnRowsReordered() {
  Q_EMIT layoutAboutToBeChanged();
  // Each persistent index keeps its id; its row is looked up again.
  const QModelIndexList before = persistentIndexList();
  QModelIndexList after;
  for (const QModelIndex& old : before) {
    const int row = core_.RowOf(static_cast<player::RowId>(old.internalId()));
    after.push_back(row < 0 ? QModelIndex() : index(row));
  }
  changePersistentIndexList(before, after);
  Q_EMIT layoutChanged();
}

}  // namespace gui
