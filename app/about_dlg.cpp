#include "app/about_dlg.h"

#include <QLabel>
#include <QPushButton>

#include "app/app_icon.h"
#include "app/dialog_units.h"
#include "convert/project_links.h"
#include "convert/version.h"
#include "platform/catalog.h"

namespace morvane::app {

namespace {

QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(ToQString(Tr("morvane version information")));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  const QIcon icon = ApplicationIcon();
  setWindowIcon(icon);
  setFont(DialogFont());

  const DialogUnits units = DialogUnits::Of(font());
  setFixedSize(units.ToPixels(0, 0, 235, 143).size());

  auto label = [&](const QString& text, const char* name, int x, int y, int width, int height) {
    auto* widget = new QLabel(text, this);
    widget->setObjectName(QString::fromLatin1(name));
    PlaceTextControl(*widget, widget->sizeHint().width(), units, x, y, width, height);
    return widget;
  };

  // An icon control takes the size of its icon, whatever the template's rectangle says.
  auto* iconLabel = new QLabel(this);
  iconLabel->setObjectName(QStringLiteral("icon"));
  iconLabel->setPixmap(icon.pixmap(32, 32));
  iconLabel->setGeometry(QRect(units.ToPixels(17, 31, 0, 0).topLeft(), QSize(32, 32)));

  // TRANSLATORS: what the program does, in two or three short lines of the about box: it reads
  // the project files of both editors and writes a text listing, or exports the edit.
  auto* purpose = new QLabel(
      ToQString(Tr("Contents of a project file of RexEdit are outputted by the text form along the "
                   "time line.")),
      this);
  purpose->setObjectName(QStringLiteral("purpose"));
  purpose->setWordWrap(true);
  purpose->setGeometry(units.ToPixels(43, 33, 166, 26));
  // TRANSLATORS: {1} is the version, "1.41".
  label(ToQString(Fill(Tr("morvane Version {1}"), {version::kDisplayVersion})), "version", 86, 60, 59, 8);
  label(ToQString(Tr("RexEdit ver2.91 Correspondence.")), "rexEdit", 86, 71, 133, 10);
  label(ToQString(Tr("EzEdit ver2.5  Correspondence.")), "ezEdit", 86, 82, 133, 10);
  label(QString::fromLatin1(version::kLegalCopyright), "notice", 86, 93, 133, 10);
  // The home page and contact are set when the build is configured; an empty one is not shown.
  if (*version::kHomePage != '\0') {
    label(QString::fromUtf8(version::kHomePage), "web", 86, 104, 133, 10);
  }
  if (*version::kContact != '\0') {
    label(QString::fromUtf8(version::kContact), "mail", 86, 114, 133, 10);
  }
  label(ToQString(Tr("Thanks to everyone who still edits on DV.")), "thanks", 86, 128, 140, 10);

  auto* ok = new QPushButton(ToQString(Tr("OK")), this);
  ok->setObjectName(QStringLiteral("ok"));
  PlaceControl(*ok, units, 178, 6, 50, 14);
  ok->setAutoDefault(false);
  ok->setDefault(true);
  connect(ok, &QAbstractButton::clicked, this, &QDialog::accept);
}

}  // namespace morvane::app
