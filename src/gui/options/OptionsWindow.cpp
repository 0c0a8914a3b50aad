#include "gui/options/OptionsWindow.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QVBoxLayout>
#include <map>
#include <vector>

#include "audio/AudioMan.h"
#include "gui/toolkit/Requester.h"
#include "levels/PenStyle.h"
#include "settings/SettingsFile.h"
#include "shell/Texts.h"

namespace gui {
namespace {

using settings::ControlKind;
using settings::OptionsPage;

constexpr int kTextTitle = 1004;
constexpr int kTextSelectDrawer = 1005;
constexpr int kTextSelectFile = 1006;
constexpr int kTextCancel = 3001;
constexpr int kTextSave = 3004;
constexpr int kTextUse = 3005;
constexpr int kTextFont = 6056;
constexpr int kTextSaveFailed = 6104;
constexpr int kTextCannotSave = 6105;  // "The settings could not be saved to '%s'."
constexpr int kTextFileInfos = 6103;
constexpr int kModesStep = 64;

// The Display tab gathers the current file's lines in a group "File infos".
bool IsFileInfo(const settings::OptionsField& field) {
  const std::string key = field.key;
  return key == "DISPLAY.ARTIST_ALBUM" || key == "DISPLAY.FILE_FORMAT" ||
         key == "DISPLAY.FILE_COMMENT";
}

QString Text(int id) { return QString::fromUtf8(Texts_Get(id)); }
// Our texts mark a shortcut with "_", Qt with "&".
QString ButtonText(int id) { return Text(id).replace(QLatin1Char('_'), QLatin1Char('&')); }

QString LabelOf(const settings::OptionsField& field) {
  if (field.label == 0) return {};
  QString label = Text(field.label);
  // "Line %d": the line's number is the key's last digit (FONT1, FONT2).
  const std::string key = field.key;
  if (label.contains(QLatin1String("%d")))
    label.replace(QLatin1String("%d"), QString(QLatin1Char(key.back())));
  return label.replace(QLatin1Char('&'), QLatin1String("&&"));  // "Artist & album", not a shortcut
}

struct Control {
  const settings::OptionsField* field = nullptr;
  QCheckBox* check = nullptr;
  QSlider* slider = nullptr;
  QComboBox* combo = nullptr;
  QLineEdit* line = nullptr;
  QPushButton* pen_button = nullptr;
  settings::Pen pen{};
};

void ShowPen(Control& control) {
  const auto colour = levels::PenColour(control.pen);
  control.pen_button->setStyleSheet(colour ? QStringLiteral("background-color: rgb(%1,%2,%3)")
                                                 .arg(colour->r)
                                                 .arg(colour->g)
                                                 .arg(colour->b)
                                           : QString());
  control.pen_button->setText(colour ? QString() : QStringLiteral("-"));
}

}  // namespace

settings::OutputModes ListOutputModes() {
  settings::OutputModes modes;
  for (int32_t room = kModesStep;; room += kModesStep) {
    const int32_t count = audio::Aum_ListModes(1, &modes.ids, &modes.names, room);
    if (count < room) break;
  }
  return modes;
}

struct OptionsWindow::Private {
  settings::OutputModes modes;
  std::string path;
  std::vector<Control> controls;
  settings::OptionsForm filled;
  QTabWidget* pages = nullptr;
  std::map<OptionsPage, QFormLayout*> forms;
};

OptionsWindow::OptionsWindow(QWidget* parent, settings::OutputModes modes,
                             std::string settings_path)
    : QDialog(parent), p_(std::make_unique<Private>()) {
  p_->modes = std::move(modes);
  p_->path = std::move(settings_path);
  setObjectName(QStringLiteral("options"));
  setWindowTitle(Text(kTextTitle));
  setMinimumWidth(600);  // every page's tab in sight

  // Pages "Main", "Audio", "Karaoke", "Scopes", "MPEG", "CDDA"; Main and MPEG hold tabs of their
  // own.
  p_->pages = new QTabWidget(this);
  p_->pages->setObjectName(QStringLiteral("pages"));
  const auto page = [this](QTabWidget* tabs, OptionsPage id, int title, const char* name) {
    auto* widget = new QWidget(tabs);
    widget->setObjectName(QString::fromLatin1(name));
    p_->forms[id] = new QFormLayout(widget);
    tabs->addTab(widget, Text(title));
    return widget;
  };
  QWidget* main = page(p_->pages, OptionsPage::kMain, 6001, "pageMain");
  auto* main_tabs = new QTabWidget(main);
  main_tabs->setObjectName(QStringLiteral("mainTabs"));
  p_->forms[OptionsPage::kMain]->addRow(main_tabs);
  page(main_tabs, OptionsPage::kMainFile, 6006, "tabFile");
  page(main_tabs, OptionsPage::kMainDisplay, 6007, "tabDisplay");
  page(main_tabs, OptionsPage::kMainButtons, 6008, "tabButtons");
  page(p_->pages, OptionsPage::kAudio, 6000, "pageAudio");
  page(p_->pages, OptionsPage::kKaraoke, 6002, "pageKaraoke");
  page(p_->pages, OptionsPage::kScopes, 6003, "pageScopes");
  auto* mpeg = new QTabWidget(p_->pages);
  mpeg->setObjectName(QStringLiteral("pageMpeg"));
  p_->pages->addTab(mpeg, Text(6004));
  page(mpeg, OptionsPage::kMpegLayers12, 6009, "tabLayers12");
  page(mpeg, OptionsPage::kMpegLayer3, 6010, "tabLayer3");
  page(p_->pages, OptionsPage::kCdda, 6005, "pageCdda");
  // The main page's own controls stand above its tabs.
  QFormLayout* main_form = p_->forms[OptionsPage::kMain];
  int main_row = 0;
  QVBoxLayout* file_infos = nullptr;

  for (const settings::OptionsField& field : settings::OptionsFields()) {
    Control control;
    control.field = &field;
    const QString name = QString::fromLatin1(field.key);
    const QString label = LabelOf(field);
    QWidget* widget = nullptr;
    QWidget* row = nullptr;
    switch (field.kind) {
      case ControlKind::kCheck:
        control.check = new QCheckBox(label);
        widget = row = control.check;
        break;
      case ControlKind::kSlider: {
        control.slider = new QSlider(Qt::Horizontal);
        control.slider->setRange(field.min, field.max);
        auto* value = new QLabel;
        value->setMinimumWidth(value->fontMetrics().horizontalAdvance(QStringLiteral("48000Hz ")));
        const settings::OptionsField* f = &field;
        connect(control.slider, &QSlider::valueChanged, value, [value, f](int position) {
          value->setText(QString::fromStdString(settings::SliderValueText(*f, position)));
        });
        row = new QWidget;
        auto* layout = new QHBoxLayout(row);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(control.slider, 1);
        layout->addWidget(value);
        widget = control.slider;
        break;
      }
      case ControlKind::kCycle:
        control.combo = new QComboBox;
        for (size_t i = 0; i < field.choices.size(); ++i)
          control.combo->addItem(
              field.choices[i] ? Text(field.choices[i])
                               : QString::fromLatin1(i < field.names.size() ? field.names[i] : ""));
        widget = row = control.combo;
        break;
      case ControlKind::kModeName:
        control.combo = new QComboBox;
        control.combo->setEditable(true);  // a stored name not listed stays as it is
        for (const std::string& mode : p_->modes.names)
          control.combo->addItem(QString::fromStdString(mode));
        widget = row = control.combo;
        break;
      case ControlKind::kPen:
        control.pen_button = new QPushButton;
        control.pen_button->setMinimumWidth(48);
        widget = row = control.pen_button;
        break;
      default: {
        control.line = new QLineEdit;
        widget = row = control.line;
        if (field.kind == ControlKind::kText) break;
        row = new QWidget;
        auto* layout = new QHBoxLayout(row);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(control.line, 1);
        auto* pick = new QPushButton(field.kind == ControlKind::kFont ? Text(kTextFont)
                                                                      : QStringLiteral("..."));
        pick->setObjectName(name + QStringLiteral(".pick"));
        layout->addWidget(pick);
        QLineEdit* line = control.line;
        const ControlKind kind = field.kind;
        connect(pick, &QPushButton::clicked, this, [this, line, kind] {
          QString chosen;
          if (kind == ControlKind::kDrawer) {
            chosen = QFileDialog::getExistingDirectory(this, Text(kTextSelectDrawer), line->text());
          } else if (kind == ControlKind::kFile) {
            chosen = QFileDialog::getOpenFileName(this, Text(kTextSelectFile), line->text());
          } else {
            bool ok = false;
            QFont font;
            font.fromString(line->text());
            const QFont picked = QFontDialog::getFont(&ok, font, this);
            if (ok) chosen = picked.toString();
          }
          if (!chosen.isEmpty()) line->setText(chosen);
        });
        break;
      }
    }
    widget->setObjectName(name);
    if (field.help) widget->setToolTip(Text(field.help));
    QFormLayout* form = p_->forms[field.page];
    const bool labelled = field.kind != ControlKind::kCheck;
    if (IsFileInfo(field)) {
      if (!file_infos) {
        auto* box = new QGroupBox(Text(kTextFileInfos));
        box->setObjectName(QStringLiteral("fileInfos"));
        file_infos = new QVBoxLayout(box);
        form->addRow(box);
      }
      file_infos->addWidget(row);
    } else if (field.page == OptionsPage::kMain) {
      labelled ? main_form->insertRow(main_row++, label, row)
               : main_form->insertRow(main_row++, row);
    } else {
      labelled ? form->addRow(label, row) : form->addRow(row);
    }
    p_->controls.push_back(control);
  }
  for (Control& control : p_->controls) {
    if (!control.pen_button) continue;
    Control* c = &control;
    connect(c->pen_button, &QPushButton::clicked, this, [this, c] {
      const auto now = levels::PenColour(c->pen);
      const QColor chosen =
          QColorDialog::getColor(now ? QColor(now->r, now->g, now->b) : QColor(Qt::black), this);
      if (!chosen.isValid()) return;
      c->pen = levels::PenFromColour(
          {uint8_t(chosen.red()), uint8_t(chosen.green()), uint8_t(chosen.blue())});
      ShowPen(*c);
    });
  }

  auto* buttons = new QDialogButtonBox(this);
  QPushButton* save = buttons->addButton(ButtonText(kTextSave), QDialogButtonBox::AcceptRole);
  QPushButton* use = buttons->addButton(ButtonText(kTextUse), QDialogButtonBox::ApplyRole);
  QPushButton* cancel = buttons->addButton(ButtonText(kTextCancel), QDialogButtonBox::RejectRole);
  save->setObjectName(QStringLiteral("save"));
  use->setObjectName(QStringLiteral("use"));
  cancel->setObjectName(QStringLiteral("cancel"));
  connect(save, &QPushButton::clicked, this, [this] { Save(); });
  connect(use, &QPushButton::clicked, this, [this] { Use(); });
  connect(cancel, &QPushButton::clicked, this, [this] { Cancel(); });

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(p_->pages);
  layout->addWidget(buttons);
  Fill();
}

OptionsWindow::~OptionsWindow() = default;

void OptionsWindow::Fill() {
  p_->filled = settings::FillOptionsForm(settings::FetchAllGroups());
  SetForm(p_->filled);
}

settings::OptionsForm OptionsWindow::Form() const {
  settings::OptionsForm form;
  for (const Control& c : p_->controls) {
    settings::ControlValue value;
    if (c.check) value.number = c.check->isChecked() ? 1 : 0;
    if (c.slider) value.number = c.slider->value();
    if (c.combo && !c.combo->isEditable()) value.number = c.combo->currentIndex();
    if (c.combo && c.combo->isEditable()) value.text = c.combo->currentText().toStdString();
    if (c.line) value.text = c.line->text().toStdString();
    if (c.pen_button) value.pen = c.pen;
    form.push_back(value);
  }
  return form;
}

void OptionsWindow::SetForm(const settings::OptionsForm& form) {
  for (size_t i = 0; i < p_->controls.size() && i < form.size(); ++i) {
    Control& c = p_->controls[i];
    const settings::ControlValue& value = form[i];
    if (c.check) c.check->setChecked(value.number != 0);
    if (c.slider) {
      c.slider->setValue(value.number);
      Q_EMIT c.slider->valueChanged(c.slider->value());  // the value's text, even when unchanged
    }
    if (c.combo && !c.combo->isEditable()) c.combo->setCurrentIndex(value.number);
    if (c.combo && c.combo->isEditable())
      c.combo->setCurrentText(QString::fromStdString(value.text));
    if (c.line) c.line->setText(QString::fromStdString(value.text));
    if (c.pen_button) {
      c.pen = value.pen;
      ShowPen(c);
    }
  }
}

void OptionsWindow::Use() {
  const settings::OptionsForm edited = Form();
  settings::UseOptionsForm(p_->filled, edited, p_->modes);
  p_->filled = edited;  // applied: a second press (or a retried save) applies nothing again
  close();
}

bool OptionsWindow::Save() {
  const settings::OptionsForm edited = Form();
  settings::UseOptionsForm(p_->filled, edited, p_->modes);
  p_->filled = edited;
  if (!settings::Settings_Save(p_->path)) {
    QString message = Text(kTextCannotSave);
    message.replace(QLatin1String("%s"), QString::fromStdString(p_->path));
    Requester::Ask(this, Text(kTextSaveFailed), message, RequesterButtons::kOk, {});
    return false;
  }
  close();
  return true;
}

void OptionsWindow::Cancel() { close(); }

}  // namespace gui
