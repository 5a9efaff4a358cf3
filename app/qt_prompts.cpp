#include "app/qt_prompts.h"

#include <QAbstractButton>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStringList>

#include "convert/messages.h"
#include "platform/catalog.h"

namespace morvane::app {

namespace {

QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// QFileDialog takes a filter's patterns from its last parentheses, so "all(*.*)" alone would
// list only names with a dot. Each filter therefore gets its patterns appended, and the picker
// hides that part again, showing the label as it stands.
QString NameFilter(const FileFilter& filter) {
  QStringList patterns;
  for (const std::string& pattern : filter.patterns) {
    patterns << ToQString(pattern);
  }
  return ToQString(filter.label) + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
}

class Picker : public QFileDialog {
 public:
  Picker(QWidget* parent, bool pathMustExist) : QFileDialog(parent), pathMustExist_(pathMustExist) {}

  void accept() override {
    const QStringList files = selectedFiles();
    if (pathMustExist_ && !files.isEmpty()) {
      const QFileInfo chosen(files.first());
      if (!chosen.isDir() && !chosen.dir().exists()) {
        QMessageBox::warning(this, windowTitle(),
                             QFileDialog::tr("%1\nDirectory not found.\nPlease verify the correct "
                                             "directory name was given.")
                                 .arg(QDir::toNativeSeparators(chosen.absolutePath())));
        return;
      }
    }
    QFileDialog::accept();
  }

 private:
  bool pathMustExist_;
};

// A box with the dialog's caption, text and buttons, each button named from the catalog (the
// English names are Qt's own). Paths may hold '<' or '&'; they are shown as they stand.
void SetUpBox(QMessageBox& box, std::string_view text, QMessageBox::Icon icon,
              QMessageBox::StandardButtons buttons) {
  box.setWindowTitle(ToQString(kCaption));
  box.setTextFormat(Qt::PlainText);
  box.setText(ToQString(text));
  box.setIcon(icon);
  box.setStandardButtons(buttons);
  const struct { QMessageBox::StandardButton button; std::string_view name; } names[] = {
      {QMessageBox::Ok, TrNoop("OK")},
      // TRANSLATORS: a message box's buttons; the letter after & is the key that presses it.
      {QMessageBox::Yes, TrNoop("&Yes")},
      {QMessageBox::No, TrNoop("&No")},
      {QMessageBox::Cancel, TrNoop("Cancel")}};
  for (const auto& [button, name] : names) {
    if (QAbstractButton* shown = box.button(button)) {
      shown->setText(ToQString(Tr(name)));
    }
  }
}

}  // namespace

void QtMessageBoxes::Show(std::string_view text, MessageIcon icon) {
  QMessageBox box(parent_);
  SetUpBox(box, text, icon == MessageIcon::Warning ? QMessageBox::Warning : QMessageBox::NoIcon,
           QMessageBox::Ok);
  box.exec();
}

MessageBoxes::Answer QtMessageBoxes::Ask(std::string_view text) {
  QMessageBox box(parent_);
  SetUpBox(box, text, QMessageBox::Warning, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
  box.setDefaultButton(QMessageBox::Yes);
  box.setEscapeButton(QMessageBox::Cancel);
  switch (box.exec()) {
    case QMessageBox::Yes:
      return Answer::Yes;
    case QMessageBox::No:
      return Answer::No;
    default:
      return Answer::Cancel;
  }
}

bool QtMessageBoxes::AskYesNo(std::string_view text) {
  QMessageBox box(parent_);
  SetUpBox(box, text, QMessageBox::Warning, QMessageBox::Yes | QMessageBox::No);
  box.setDefaultButton(QMessageBox::Yes);
  box.setEscapeButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

std::optional<PickedFile> QtFilePickers::PickSource(const PickerDescription& description) {
  return Pick(description);
}

std::optional<PickedFile> QtFilePickers::PickDestination(const PickerDescription& description) {
  return Pick(description);
}

std::optional<std::string> QtFilePickers::PickFolder(const std::string& title) {
  const QString folder = QFileDialog::getExistingDirectory(parent_, ToQString(title));
  if (folder.isEmpty()) {
    return std::nullopt;
  }
  return folder.toStdString();
}

std::optional<PickedFile> QtFilePickers::Pick(const PickerDescription& description) {
  Picker picker(parent_, description.pathMustExist);
  picker.setWindowTitle(ToQString(description.title));
  picker.setAcceptMode(description.mode == PickerDescription::Mode::Save ? QFileDialog::AcceptSave
                                                                         : QFileDialog::AcceptOpen);
  // AnyFile: the open picker accepts a name that does not exist yet; the conversion then says
  // the source cannot be opened.
  picker.setFileMode(QFileDialog::AnyFile);
  picker.setOption(QFileDialog::HideNameFilterDetails, true);
  picker.setOption(QFileDialog::DontConfirmOverwrite, !description.askBeforeOverwrite);
  QStringList filters;
  for (const FileFilter& filter : description.filters) {
    filters << NameFilter(filter);
  }
  picker.setNameFilters(filters);
  picker.setDefaultSuffix(ToQString(description.defaultSuffix));
  // The suffix added to a bare name follows the chosen type: "cut" under "OpenTimelineIO
  // (*.otio)" becomes cut.otio. "all" keeps the suffix in force.
  QObject::connect(&picker, &QFileDialog::filterSelected, &picker, [&picker, &description, filters](const QString& chosen) {
    for (std::size_t i = 0; i < description.filters.size(); ++i) {
      const std::vector<std::string>& patterns = description.filters[i].patterns;
      if ((chosen == filters.at(static_cast<qsizetype>(i)) || chosen == ToQString(description.filters[i].label)) &&
          !patterns.empty() && patterns[0].rfind("*.", 0) == 0) {
        picker.setDefaultSuffix(ToQString(patterns[0].substr(2)));
      }
    }
  });
  if (!description.initialFolder.empty()) {
    picker.setDirectory(ToQString(description.initialFolder));
  }
  picker.selectFile(ToQString(description.initialName));
  if (picker.exec() != QDialog::Accepted || picker.selectedFiles().isEmpty()) {
    return std::nullopt;
  }
  // Depending on the Qt version the chosen filter comes back whole or as its label alone.
  const QString chosen = picker.selectedNameFilter();
  std::size_t filter = 0;
  for (std::size_t i = 0; i < description.filters.size(); ++i) {
    if (chosen == filters.at(static_cast<qsizetype>(i)) ||
        chosen == ToQString(description.filters[i].label)) {
      filter = i;
    }
  }
  return PickedFile{picker.selectedFiles().first().toStdString(), filter};
}

}  // namespace morvane::app
