// Renders the main dialog and the about box offscreen and saves them as dialog.png and
// about.png in the given folder, and in Japanese as dialog-ja.png and about-ja.png:
//   QT_QPA_PLATFORM=offscreen build/app/morvane_screenshots docs
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPixmap>
#include <cstdio>

#include "app/about_dlg.h"
#include "app/morvane_dlg.h"
#include "dialog/dialog_core.h"
#include "platform/catalog.h"

namespace {

class NoMessageBoxes : public morvane::MessageBoxes {
 public:
  void Show(std::string_view, morvane::MessageIcon) override {}
  Answer Ask(std::string_view) override { return Answer::Cancel; }
};

class NoFilePickers : public morvane::FilePickers {
 public:
  std::optional<morvane::PickedFile> PickSource(const morvane::PickerDescription&) override {
    return std::nullopt;
  }
  std::optional<morvane::PickedFile> PickDestination(const morvane::PickerDescription&) override {
    return std::nullopt;
  }
};

bool Save(QWidget& window, const QDir& folder, const QString& name) {
  window.show();
  QApplication::processEvents();
  const bool saved = window.grab().save(folder.filePath(name));
  window.hide();
  if (!saved) {
    std::fprintf(stderr, "morvane_screenshots: cannot write %s\n", qPrintable(name));
  }
  return saved;
}

// The dialog with a project chosen, and the about box, in the catalog's current language.
bool SaveBoth(const QDir& folder, const QString& suffix) {
  NoMessageBoxes messages;
  NoFilePickers pickers;
  morvane::app::CMorvaneDlg dialog(messages, pickers);
  dialog.findChild<QLineEdit*>(QStringLiteral("sourcePath"))
      ->setText(QStringLiteral("/home/user/projects/wedding.dvc"));
  dialog.findChild<QLineEdit*>(QStringLiteral("destinationPath"))
      ->setText(QStringLiteral("/home/user/projects/wedding.txt"));
  for (QLineEdit* edit : dialog.findChildren<QLineEdit*>()) {
    edit->setCursorPosition(0);
  }
  morvane::app::CAboutDlg about;
  return Save(dialog, folder, QStringLiteral("dialog") + suffix + QStringLiteral(".png")) &&
         Save(about, folder, QStringLiteral("about") + suffix + QStringLiteral(".png"));
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: morvane_screenshots OUTPUT_FOLDER\n");
    return 2;
  }
  const QDir folder(QString::fromLocal8Bit(argv[1]));
  if (!folder.mkpath(QStringLiteral("."))) {
    std::fprintf(stderr, "morvane_screenshots: cannot create %s\n", argv[1]);
    return 1;
  }

  morvane::SetLanguage(morvane::UiLanguage::English);
  const bool english = SaveBoth(folder, QString());
  morvane::SetLanguage(morvane::UiLanguage::Japanese);
  return english && SaveBoth(folder, QStringLiteral("-ja")) ? 0 : 1;
}
