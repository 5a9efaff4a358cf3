#include "app/qt_prompts.h"

#include <QStringList>

#include "convert/messages.h"

namespace morvane::app {

namespace {

const QString kAllFilesFilter = QStringLiteral("all(*.*)");

std::unique_ptr<QFileDialog> MakePicker(QWidget* parent, QFileDialog::AcceptMode mode,
                                        const QString& filter, const QString& suffix) {
  auto picker = std::make_unique<QFileDialog>(parent);
  picker->setAcceptMode(mode);
  // AnyFile: an open picker accepts a name that does not exist yet, as long as its folder does;
  // the conversion then says the source cannot be opened.
  picker->setFileMode(QFileDialog::AnyFile);
  picker->setNameFilters(QStringList{filter, kAllFilesFilter});
  picker->setDefaultSuffix(suffix);
  picker->selectFile(QStringLiteral("*.") + suffix);
  return picker;
}

std::optional<QString> Run(QFileDialog& picker) {
  if (picker.exec() != QDialog::Accepted) {
    return std::nullopt;
  }
  const QStringList files = picker.selectedFiles();
  if (files.isEmpty()) {
    return std::nullopt;
  }
  return files.first();
}

}  // namespace

std::unique_ptr<QMessageBox> QtMessageBoxes::MakeBox(QWidget* parent, const QString& text,
                                                    MessageIcon icon) {
  auto box = std::make_unique<QMessageBox>(parent);
  box->setWindowTitle(QString::fromUtf8(kCaption.data(), static_cast<qsizetype>(kCaption.size())));
  // Paths may hold '<' or '&'; they are shown as they stand.
  box->setTextFormat(Qt::PlainText);
  box->setText(text);
  box->setIcon(icon == MessageIcon::Warning ? QMessageBox::Warning : QMessageBox::NoIcon);
  box->setStandardButtons(QMessageBox::Ok);
  return box;
}

void QtMessageBoxes::Show(QWidget* parent, const QString& text, MessageIcon icon) {
  MakeBox(parent, text, icon)->exec();
}

std::unique_ptr<QFileDialog> QtFilePickers::MakeSourcePicker(QWidget* parent) {
  return MakePicker(parent, QFileDialog::AcceptOpen, QStringLiteral("Rex Edit file (*.dvc)"),
                    QStringLiteral("dvc"));
}

std::unique_ptr<QFileDialog> QtFilePickers::MakeDestinationPicker(QWidget* parent) {
  // Qt asks before overwriting unless DontConfirmOverwrite is set; the option is cleared
  // explicitly so the question cannot get lost.
  auto picker = MakePicker(parent, QFileDialog::AcceptSave, QStringLiteral("Text file (*.txt)"),
                           QStringLiteral("txt"));
  picker->setOption(QFileDialog::DontConfirmOverwrite, false);
  return picker;
}

std::optional<QString> QtFilePickers::PickSource(QWidget* parent) {
  return Run(*MakeSourcePicker(parent));
}

std::optional<QString> QtFilePickers::PickDestination(QWidget* parent) {
  return Run(*MakeDestinationPicker(parent));
}

}  // namespace morvane::app
