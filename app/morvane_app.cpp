#include "app/morvane_app.h"

#include <QFileInfo>
#include <QLibraryInfo>
#include <QTimer>

#include "app/app_icon.h"
#include "app/morvane_dlg.h"
#include "app/qt_prompts.h"
#include "convert/version.h"
#include "platform/catalog.h"

namespace morvane::app {

bool InstallQtTranslations(UiLanguage language, QTranslator& translator) {
  if (language != UiLanguage::Japanese ||
      !translator.load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    return false;
  }
  return QCoreApplication::installTranslator(&translator);
}

CMorvaneApp::CMorvaneApp(int& argc, char** argv) : application_(argc, argv) {
  InstallQtTranslations(CurrentLanguage(), qtTranslations_);
  QApplication::setApplicationName(QString::fromLatin1(version::kInternalName));
  QApplication::setApplicationVersion(QString::fromLatin1(version::kNumericVersion));
  QApplication::setDesktopFileName(QStringLiteral("morvane"));
  QApplication::setWindowIcon(ApplicationIcon());
}

int CMorvaneApp::Run() {
  QtMessageBoxes messages;
  QtFilePickers pickers;
  CMorvaneDlg dialog(messages, pickers);
  messages.SetParent(&dialog);
  pickers.SetParent(&dialog);
  QStringList files;
  for (const QString& argument : QApplication::arguments().mid(1)) {
    files << QFileInfo(argument).absoluteFilePath();
  }
  if (!files.isEmpty()) {
    // Once the dialog shows, so that a question about the file has the dialog as its owner.
    QTimer::singleShot(0, &dialog, [&dialog, files] { dialog.OfferSource(files); });
  }
  // The dialog's result does not matter: closing it in any way ends the program.
  dialog.exec();
  return 0;
}

}  // namespace morvane::app
