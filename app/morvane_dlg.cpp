#include "app/morvane_dlg.h"

#include <QButtonGroup>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QProxyStyle>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <utility>
#include <vector>

#include "app/about_dlg.h"
#include "app/app_icon.h"
#include "app/dialog_units.h"
#include "convert/version.h"
#include "platform/catalog.h"

namespace morvane::app {

namespace {

// A Windows radio button reacts to a click anywhere in its rectangle; Qt's style only to the
// indicator and the text.
class RadioButton : public QRadioButton {
 public:
  using QRadioButton::QRadioButton;

  // Up to the end of the text; the style's size hint adds room for a focus frame beyond it.
  int NeededWidth() const {
    QStyleOptionButton option;
    initStyleOption(&option);
    const QRect contents = style()->subElementRect(QStyle::SE_RadioButtonContents, &option, this);
    return contents.left() + fontMetrics().horizontalAdvance(text());
  }

 protected:
  bool hitButton(const QPoint& position) const override { return rect().contains(position); }
};

// The text of a Windows radio button starts 3 pixels after its circle.
class RadioStyle : public QProxyStyle {
 public:
  int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
    if (metric == PM_RadioButtonLabelSpacing) {
      return 3;
    }
    return QProxyStyle::pixelMetric(metric, option, widget);
  }
};

QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The context menu's item that opens the about box.
constexpr std::string_view kAboutItem = TrNoop("morvane version information(&A)...");

// The local files a drag carries, in its order (a web address has none).
QStringList LocalFiles(const QMimeData* data) {
  QStringList files;
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile()) {
      files << url.toLocalFile();
    }
  }
  return files;
}

}  // namespace

CMorvaneDlg::CMorvaneDlg(MessageBoxes& messages, FilePickers& pickers, QWidget* parent)
    : QDialog(parent), core_(*this, messages, pickers), icon_(ApplicationIcon()) {
  // TRANSLATORS: the main window's title; {1} is the version, "1.41".
  setWindowTitle(ToQString(Fill(Tr("morvane version{1}"), {version::kDisplayVersion})));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  setWindowIcon(icon_);
  setFont(DialogFont());
  setAcceptDrops(true);
  BuildControls();
}

CMorvaneDlg::~CMorvaneDlg() = default;

// The controls of the template in tab and creation order; positions are dialog units.
void CMorvaneDlg::BuildControls() {
  const DialogUnits units = DialogUnits::Of(font());
  setFixedSize(units.ToPixels(0, 0, 167, 165).size());

  QWidget* previous = nullptr;
  auto place = [&](QWidget* widget, const char* name, int x, int y, int width, int height) {
    widget->setObjectName(QString::fromLatin1(name));
    PlaceControl(*widget, units, x, y, width, height);
  };
  auto inTabOrder = [&](QWidget* widget) {
    if (previous != nullptr) {
      setTabOrder(previous, widget);
    }
    previous = widget;
  };
  auto label = [&](std::string_view text, const char* name, int x, int y, int width, int height) {
    auto* widget = new QLabel(ToQString(text), this);
    widget->setObjectName(QString::fromLatin1(name));
    PlaceTextControl(*widget, widget->sizeHint().width(), units, x, y, width, height);
  };
  std::vector<std::pair<QRadioButton*, DialogRadio>> radios;
  auto* radioStyle = new RadioStyle;
  radioStyle->setParent(this);
  auto radio = [&](QButtonGroup* group, DialogRadio which, const char* name, int x, int y, int width,
                   int height) {
    auto* button = new RadioButton(ToQString(DialogCore::RadioText(which)), this);
    button->setObjectName(QString::fromLatin1(name));
    button->setStyle(radioStyle);
    PlaceTextControl(*button, button->NeededWidth(), units, x, y, width, height);
    group->addButton(button);
    inTabOrder(button);
    connect(button, &QAbstractButton::clicked, this, [this, which] { core_.ClickRadio(which); });
    radios.emplace_back(button, which);
  };
  auto pushButton = [&](std::string_view text, const char* name, int x, int y, int width, int height,
                        auto action) {
    auto* button = new QPushButton(ToQString(text), this);
    place(button, name, x, y, width, height);
    // An autoDefault button would become the default and take Enter typed in a path field.
    button->setAutoDefault(false);
    inTabOrder(button);
    connect(button, &QAbstractButton::clicked, this, action);
  };
  auto pathEdit = [&](const char* name, int x, int y, int width, int height,
                      void (DialogCore::*setPath)(std::string)) {
    auto* edit = new QLineEdit(this);
    place(edit, name, x, y, width, height);
    inTabOrder(edit);
    edit->installEventFilter(this);
    edit->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(edit, &QWidget::customContextMenuRequested, this,
            [this, edit](const QPoint& position) { ShowPathMenu(edit, position); });
    connect(edit, &QLineEdit::textChanged, this,
            [this, setPath](const QString& text) { (core_.*setPath)(text.toStdString()); });
    return edit;
  };

  auto* softwareGroup = new QButtonGroup(this);
  auto* timecodeGroup = new QButtonGroup(this);
  label(Tr("Step1: Select Software"), "step1", 5, 5, 67, 8);
  radio(softwareGroup, DialogRadio::RexEdit, "rexEdit", 24, 17, 39, 10);
  radio(softwareGroup, DialogRadio::EzEdit, "ezEdit", 68, 17, 66, 10);
  label(Tr("Step2: Select EDL output"), "step2", 5, 34, 74, 8);
  radio(timecodeGroup, DialogRadio::NtscDropFrame, "ntscDropFrame", 24, 45, 65, 10);
  radio(timecodeGroup, DialogRadio::NtscNonDrop, "ntscNonDrop", 24, 56, 82, 10);
  // Two units right of the template: "NTSC(non drop frame)" fills its rectangle and would touch
  // "FRAME"; this keeps at least one unit between them once rounded to pixels.
  radio(timecodeGroup, DialogRadio::Pal, "pal", 108, 45, 24, 10);
  radio(timecodeGroup, DialogRadio::Frame, "frame", 108, 56, 34, 10);
  // Checking a button of an exclusive group leaves it the group's only tab stop.
  for (const auto& [button, which] : radios) {
    button->setChecked(core_.IsChecked(which));
  }
  label(Tr("Step3: Select dvc source file"), "step3", 5, 74, 157, 8);
  sourcePath_ = pathEdit("sourcePath", 25, 84, 123, 12, &DialogCore::SetSourcePath);
  pushButton("...", "browseSource", 151, 84, 11, 12, [this] {
    if (core_.BrowseForSource()) {
      sourcePath_->setText(ToQString(core_.sourcePath()));
    }
  });
  label(Tr("Step4: Select txt destination file"), "step4", 5, 102, 157, 8);
  destinationPath_ = pathEdit("destinationPath", 25, 112, 122, 12, &DialogCore::SetDestinationPath);
  pushButton("...", "browseDestination", 151, 112, 11, 12, [this] {
    if (core_.BrowseForDestination()) {
      destinationPath_->setText(ToQString(core_.destinationPath()));
    }
  });
  // 31 units wide, where the Japanese "ステップ5:" fits; "convert", the bar and the status line
  // sit to its right, the bar and the status line 12 units narrower for it.
  label(Tr("Step5:"), "step5", 5, 130, 31, 8);
  pushButton(Tr("convert"), "convert", 38, 129, 32, 28, [this] { core_.Convert(); });

  progress_ = new QProgressBar(this);
  place(progress_, "progress", 72, 130, 90, 13);
  progress_->setRange(0, kProgressSteps);
  progress_->setValue(0);
  progress_->setTextVisible(false);

  status_ = new QLineEdit(this);
  place(status_, "status", 72, 144, 90, 13);
  inTabOrder(status_);
  status_->setReadOnly(true);
  status_->setFrame(false);
  // A read-only edit shows the dialog's background, as it does on Windows.
  QPalette palette = status_->palette();
  palette.setColor(QPalette::Base, palette.color(QPalette::Window));
  status_->setPalette(palette);
}

void CMorvaneDlg::ShowProgress(int position, std::string_view status) {
  progress_->setValue(position);
  status_->setText(ToQString(status));
  // The conversion does not return to the event loop, so only a synchronous repaint shows it.
  status_->repaint();
}

void CMorvaneDlg::ShowAbout() {
  CAboutDlg about(this);
  about.exec();
}

std::unique_ptr<QMenu> CMorvaneDlg::MakeContextMenu() {
  auto menu = std::make_unique<QMenu>(this);
  menu->addAction(ToQString(Tr(kAboutItem)), this, &CMorvaneDlg::ShowAbout);
  AddMediaFoldersItem(*menu);
  return menu;
}

void CMorvaneDlg::AddMediaFoldersItem(QMenu& menu) {
  menu.addAction(ToQString(Tr(DialogCore::kMediaFoldersItem)), this, [this] { core_.AddMediaFolder(); });
}

void CMorvaneDlg::ShowPathMenu(QLineEdit* edit, const QPoint& position) {
  // The path fields keep their editing menu and get the about item below it.
  std::unique_ptr<QMenu> menu(edit->createStandardContextMenu());
  menu->addSeparator();
  menu->addAction(ToQString(Tr(kAboutItem)), this, &CMorvaneDlg::ShowAbout);
  AddMediaFoldersItem(*menu);
  menu->exec(edit->mapToGlobal(position));
}

void CMorvaneDlg::OfferSource(const QStringList& paths) {
  std::vector<std::string> files;
  for (const QString& path : paths) {
    files.push_back(path.toStdString());
  }
  if (core_.OfferSource(files)) {
    sourcePath_->setText(ToQString(core_.sourcePath()));
  }
}

// A drag that carries local files is the dialog's, wherever it is over the dialog; true when
// it was taken.
bool CMorvaneDlg::TakeDrop(QDropEvent* event) {
  const QStringList files = LocalFiles(event->mimeData());
  if (files.isEmpty()) {
    return false;
  }
  event->acceptProposedAction();
  if (event->type() == QEvent::Drop) {
    OfferSource(files);
  }
  return true;
}

void CMorvaneDlg::dragEnterEvent(QDragEnterEvent* event) { TakeDrop(event); }

void CMorvaneDlg::dropEvent(QDropEvent* event) { TakeDrop(event); }

// Over a path field too: files are not text to insert there (a text drag still is).
bool CMorvaneDlg::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if ((type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::Drop) &&
      TakeDrop(static_cast<QDropEvent*>(event))) {
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void CMorvaneDlg::contextMenuEvent(QContextMenuEvent* event) { MakeContextMenu()->exec(event->globalPos()); }

void CMorvaneDlg::keyPressEvent(QKeyEvent* event) {
  const bool plain = event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier;
  DialogKey key = DialogKey::Other;
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && plain) {
    key = DialogKey::Enter;
  } else if (event->key() == Qt::Key_Escape && plain) {
    key = DialogKey::Escape;
  } else if (event->key() == Qt::Key_F1) {
    key = DialogKey::F1;
  }
  auto* focusedButton = qobject_cast<QPushButton*>(focusWidget());
  switch (DialogCore::CommandForKey(key, focusedButton != nullptr)) {
    case KeyCommand::PressFocusedButton:
      focusedButton->click();
      return;
    case KeyCommand::Nothing:
      return;
    case KeyCommand::Close:
      reject();
      return;
    case KeyCommand::ShowAbout:
      ShowAbout();
      return;
    case KeyCommand::Default:
      break;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace morvane::app
