#include "gui/playlist/PlaylistView.h"

#include <QPainter>
#include <QStyledItemDelegate>

#include "gui/playlist/PlaylistModel.h"
#include "gui/toolkit/Muted.h"
#include "shell/Texts.h"

namespace gui {
namespace {

// Two columns in one row: the texts are drawn as plain text, never as markup.
class PlaylistDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    if (index.data(PlaylistModel::kCurrentRole).toBool()) item.font.setBold(true);
    const QString duration = index.data(PlaylistModel::kDurationRole).toString();
    const int duration_width = QFontMetrics(item.font).horizontalAdvance(duration) + 8;
    QStyleOptionViewItem title = item;
    title.rect.setRight(item.rect.right() - duration_width);
    QStyledItemDelegate::paint(painter, title, index);
    painter->save();
    painter->setFont(item.font);
    const bool selected = item.state & QStyle::State_Selected;
    painter->setPen(item.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
    QRect right = item.rect;
    right.setLeft(title.rect.right());
    if (selected) painter->fillRect(right, item.palette.highlight());
    painter->drawText(right.adjusted(0, 0, -4, 0), Qt::AlignRight | Qt::AlignVCenter, duration);
    painter->restore();
  }
};

}  // namespace

struct PlaylistView::Private {
  player::PlayerCore& core;
  PlaylistModel* model = nullptr;
};

PlaylistView::PlaylistView(player::PlayerCore& core, QWidget* parent)
    : QListView(parent), p_(new Private{core}) {
  setObjectName(QStringLiteral("playlist"));
  setToolTip(QString::fromUtf8(Texts_Get(5000)));
  p_->model = new PlaylistModel(core, this);
  setModel(p_->model);
  setItemDelegate(new PlaylistDelegate(this));
  setSelectionMode(QAbstractItemView::SingleSelection);
  setUniformItemSizes(true);
  setDragEnabled(true);
  setAcceptDrops(true);
  setDropIndicatorShown(true);
  setDragDropMode(QAbstractItemView::DragDrop);
  setDefaultDropAction(Qt::MoveAction);
  setMinimumHeight(120);

  connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current) {
            if (current.isValid()) p_->core.SetHighlighted(current.row());
          });
  connect(this, &QListView::doubleClicked, this,
          [this](const QModelIndex& index) { p_->core.ActivateRow(index.row()); });
  OnHighlightChanged(core.Highlighted());
  core.AddListener(this);
}

PlaylistView::~PlaylistView() { p_->core.RemoveListener(this); }

PlaylistModel& PlaylistView::Model() { return *p_->model; }

void PlaylistView::OnHighlightChanged(int row) {
  SetMuted(*selectionModel(), [&](QItemSelectionModel& selection) {
    if (row < 0) {
      selection.clear();
      return;
    }
    selection.setCurrentIndex(p_->model->index(row), QItemSelectionModel::ClearAndSelect);
  });
  if (row >= 0) scrollTo(p_->model->index(row));
  viewport()->update();  // the selection model was muted: draw the new highlight
}

void PlaylistView::OnRowsInserted(int, int) {
  // The model heard of the rows first (it joined the player earlier).
  OnHighlightChanged(p_->core.Highlighted());
}

}  // namespace gui
