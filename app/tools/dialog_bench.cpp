// Times one conversion through the dialog, offscreen, as a user would run it: both paths
// chosen, "convert" pressed, the completion message answered. Prints the seconds the conversion
// took (from the press to the completion message).
//   morvane_dialog_bench SOURCE DEST
#include <QApplication>
#include <QPushButton>
#include <chrono>
#include <cstdio>

#include "app/morvane_dlg.h"
#include "testing/doubles/recording_prompts.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: morvane_dialog_bench SOURCE DEST\n");
    return 2;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  int qtArgc = 1;
  QApplication application(qtArgc, argv);
  morvane::testing::RecordingMessageBoxes messages;
  morvane::testing::RecordingFilePickers pickers;
  pickers.sourceAnswer = morvane::PickedFile{argv[1]};
  pickers.destinationAnswer = morvane::PickedFile{argv[2]};
  std::chrono::steady_clock::time_point done;
  messages.whileOpen = [&done] { done = std::chrono::steady_clock::now(); };

  morvane::app::CMorvaneDlg dialog(messages, pickers);
  dialog.show();
  QApplication::processEvents();
  auto click = [&dialog](const char* name) {
    dialog.findChild<QPushButton*>(QString::fromLatin1(name))->click();
  };
  click("browseSource");
  click("browseDestination");
  const auto start = std::chrono::steady_clock::now();
  click("convert");
  if (messages.shown.size() != 1 || messages.shown[0].icon != morvane::MessageIcon::None) {
    std::fprintf(stderr, "the conversion failed: %s\n",
                 messages.shown.empty() ? "no message" : messages.shown[0].text.c_str());
    return 1;
  }
  std::printf("%.6f\n", std::chrono::duration<double>(done - start).count());
  return 0;
}
