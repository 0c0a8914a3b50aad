// The audio database window: the genre / artist / album / title tree over an
// audiodb::AudioDbTree, "_New", "_Edit", "Delete" and "_Save", the modal title
// form, renames through the string requester, and drag and drop within the
// tree and to and from the playlist.
#pragma once

#include <QDialog>
#include <QWidget>

#include <memory>
#include <string>

#include "audiodb/AudioDbTree.h"
#include "player/PlayerCore.h"

class QMimeData;
class QTreeWidget;

namespace gui {

class TitleFormDialog;

class AudioDbWindow : public QWidget, public player::PlayerListener {
  Q_OBJECT

 public:
  // db: the database read at start-up from loaded_path; it outlives the window.
  AudioDbWindow(player::PlayerCore& core, audiodb::AudioDatabase& db, std::string loaded_path);
  ~AudioDbWindow() override;

  QTreeWidget& Tree();
  audiodb::AudioDbTree& Model() { return model_; }
  TitleFormDialog* Form();  // the open title form, or null

  void New();
  void Edit();    // the selected node
  void Delete();  // the selected node
  void Save();
  // Opens the form for a new title with the names a drop on target gives and the
  // other texts from a playlist row.
  void NewFromRow(player::RowId row, const audiodb::DbNode* target);
  void Rebuild();
  // What a drag of node carries: the node, and its titles' files for the playlist.
  QMimeData* DragData(const audiodb::DbNode& node) const;
  // A drop onto target (null: below every node): a node of this tree regroups,
  // a playlist row opens the form.
  void Drop(const QMimeData* data, const audiodb::DbNode* target, bool from_tree);

  void OnSubWindowChanged(player::SubWindow window, bool open) override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  const audiodb::DbNode* Selected() const;
  void OpenForm(const audiodb::TitleForm& form, const audiodb::TitleRecord* editing);
  void AskRename(const audiodb::DbNode& group, const QString& text);
  void ShowRefusal(const audiodb::DbRefusal& refusal);
  void WriteTo(const std::string& path);

  player::PlayerCore& core_;
  audiodb::AudioDbTree model_;
  std::string loaded_path_;
  struct Private;
  std::unique_ptr<Private> p_;
};

// The modal title form: eight fields, "_Ok" and "_Cancel".
class TitleFormDialog : public QDialog {
  Q_OBJECT

 public:
  TitleFormDialog(QWidget* parent, audiodb::AudioDbTree& model, const audiodb::TitleForm& form,
                  const audiodb::TitleRecord* editing);
  ~TitleFormDialog() override;

  audiodb::TitleForm Texts() const;
  void SetTexts(const audiodb::TitleForm& form);
  void FileChosen(const QString& path);  // completes the form from the file

  void accept() override;

 Q_SIGNALS:
  void Refused(const audiodb::DbRefusal& refusal);

 private:
  audiodb::AudioDbTree& model_;
  const audiodb::TitleRecord* editing_;
  struct Private;
  std::unique_ptr<Private> p_;
};

}  // namespace gui
