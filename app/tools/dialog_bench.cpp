// Times one conversion through the dialog, offscreen, as a user would run it: both paths
// chosen, "convert" pressed, the completion message answered. Prints the seconds the conversion
// took (from the press to the completion message).
//   morvane_dialog_bench SOURCE DEST
#include <QApplication>

#include <chrono>
#include <cstdio>

#include "app/morvane_dlg.h"
#include "app/recording_prompts.h"

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
  morvane::app::RecordingMessageBoxes messages;
  morvane::app::RecordingFilePickers pickers;
  pickers.sourceAnswer = QString::fromLocal8Bit(argv[1]);
  pickers.destinationAnswer = QString::fromLocal8Bit(argv[2]);
  std::chrono::steady_clock::time_point done;
  messages.whileOpen = [&done](QWidget*) { done = std::chrono::steady_clock::now(); };

  morvane::app::CMorvaneDlg dialog(messages, pickers);
  dialog.show();
  QApplication::processEvents();
  dialog.BrowseForSource();
  dialog.BrowseForDestination();
  const auto start = std::chrono::steady_clock::now();
  dialog.Convert();
  if (messages.shown.size() != 1 || messages.shown[0].icon != morvane::MessageIcon::None) {
    std::fprintf(stderr, "the conversion failed: %s\n",
                 messages.shown.empty() ? "no message" : messages.shown[0].text.toLocal8Bit().constData());
    return 1;
  }
  std::printf("%.6f\n", std::chrono::duration<double>(done - start).count());
  return 0;
}
