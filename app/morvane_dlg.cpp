#include "app/morvane_dlg.h"

#include <QButtonGroup>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QProxyStyle>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>

#include "app/about_dlg.h"
#include "app/app_icon.h"
#include "app/dialog_units.h"
#include "convert/conversion_job.h"
#include "convert/version.h"

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
  int pixelMetric(PixelMetric metric, const QStyleOption* option,
                  const QWidget* widget) const override {
    if (metric == PM_RadioButtonLabelSpacing) {
      return 3;
    }
    return QProxyStyle::pixelMetric(metric, option, widget);
  }
};

QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string ToPath(const QLineEdit& edit) { return edit.text().toStdString(); }

const QString kAboutItem = QStringLiteral("morvane version information(&A)...");

}  // namespace

CMorvaneDlg::CMorvaneDlg(MessageBoxes& messages, FilePickers& pickers, QWidget* parent)
    : QDialog(parent), messages_(messages), pickers_(pickers), icon_(ApplicationIcon()) {
  setWindowTitle(QStringLiteral("morvane version") + QString::fromLatin1(version::kDisplayVersion));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setWindowIcon(icon_);
  setFont(DialogFont());
  BuildControls();
}

CMorvaneDlg::~CMorvaneDlg() = default;

// The controls of the template in tab and creation order; positions are dialog units.
void CMorvaneDlg::BuildControls() {
  const DialogUnits units = DialogUnits::Of(font());
  setFixedSize(units.ToPixels(0, 0, 167, 165).size());

  auto place = [&](QWidget* widget, const char* name, int x, int y, int width, int height) {
    widget->setObjectName(QString::fromLatin1(name));
    PlaceControl(*widget, units, x, y, width, height);
  };
  auto label = [&](const char* text, const char* name, int x, int y, int width, int height) {
    auto* widget = new QLabel(QString::fromLatin1(text), this);
    widget->setObjectName(QString::fromLatin1(name));
    PlaceTextControl(*widget, widget->sizeHint().width(), units, x, y, width, height);
  };
  auto* radioStyle = new RadioStyle;
  radioStyle->setParent(this);
  auto radio = [&](QButtonGroup* group, const char* text, const char* name, int x, int y,
                   int width, int height, auto setSetting) {
    auto* button = new RadioButton(QString::fromLatin1(text), this);
    button->setObjectName(QString::fromLatin1(name));
    button->setStyle(radioStyle);
    PlaceTextControl(*button, button->NeededWidth(), units, x, y, width, height);
    button->setFocusPolicy(Qt::ClickFocus);
    group->addButton(button);
    connect(button, &QAbstractButton::clicked, this, [this, setSetting] { setSetting(settings_); });
  };
  auto pushButton = [&](const char* text, const char* name, int x, int y, int width, int height,
                        void (CMorvaneDlg::*action)()) {
    auto* button = new QPushButton(QString::fromLatin1(text), this);
    place(button, name, x, y, width, height);
    // An autoDefault button would become the default and take Enter typed in a path field.
    button->setAutoDefault(false);
    connect(button, &QAbstractButton::clicked, this, action);
    return button;
  };
  auto pathEdit = [&](const char* name, int x, int y, int width, int height) {
    auto* edit = new QLineEdit(this);
    place(edit, name, x, y, width, height);
    edit->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(edit, &QWidget::customContextMenuRequested, this,
            [this, edit](const QPoint& position) { ShowPathMenu(edit, position); });
    return edit;
  };

  softwareGroup_ = new QButtonGroup(this);
  timecodeGroup_ = new QButtonGroup(this);
  softwareGroup_->setExclusive(true);
  timecodeGroup_->setExclusive(true);

  label("Step1: Select Software", "step1", 5, 5, 67, 8);
  radio(softwareGroup_, "RexEdit", "rexEdit", 24, 17, 39, 10,
        [](ConversionSettings& s) { s.softwareKind = SoftwareKind::RexEdit; });
  radio(softwareGroup_, "EzEdit( EZDV II )", "ezEdit", 68, 17, 66, 10,
        [](ConversionSettings& s) { s.softwareKind = SoftwareKind::EzEdit; });
  label("Step2: Select EDL output", "step2", 5, 34, 74, 8);
  radio(timecodeGroup_, "NTSC(drop frame)", "ntscDropFrame", 24, 45, 65, 10,
        [](ConversionSettings& s) { s.timecodeMode = TimecodeMode::NtscDropFrame; });
  radio(timecodeGroup_, "NTSC(non drop frame)", "ntscNonDrop", 24, 56, 82, 10,
        [](ConversionSettings& s) { s.timecodeMode = TimecodeMode::NtscNonDrop; });
  radio(timecodeGroup_, "PAL", "pal", 106, 45, 24, 10,
        [](ConversionSettings& s) { s.timecodeMode = TimecodeMode::Pal; });
  radio(timecodeGroup_, "FRAME", "frame", 106, 56, 34, 10,
        [](ConversionSettings& s) { s.timecodeMode = TimecodeMode::Frames; });
  label("Step3: Select dvc source file", "step3", 5, 74, 157, 8);
  sourcePath_ = pathEdit("sourcePath", 25, 84, 123, 12);
  auto* browseSource = pushButton("...", "browseSource", 151, 84, 11, 12,
                                  &CMorvaneDlg::BrowseForSource);
  label("Step4: Select txt destination file", "step4", 5, 102, 157, 8);
  destinationPath_ = pathEdit("destinationPath", 25, 112, 122, 12);
  auto* browseDestination = pushButton("...", "browseDestination", 151, 112, 11, 12,
                                       &CMorvaneDlg::BrowseForDestination);
  label("Step5:", "step5", 5, 130, 19, 8);
  convert_ = pushButton("convert", "convert", 26, 129, 32, 28, &CMorvaneDlg::Convert);

  progress_ = new QProgressBar(this);
  place(progress_, "progress", 60, 130, 102, 13);
  progress_->setRange(0, kProgressSteps);
  progress_->setValue(0);
  progress_->setTextVisible(false);

  status_ = new QLineEdit(this);
  place(status_, "status", 60, 144, 102, 13);
  status_->setReadOnly(true);
  status_->setFrame(false);
  // A read-only edit shows the dialog's background, as it does on Windows.
  QPalette palette = status_->palette();
  palette.setColor(QPalette::Base, palette.color(QPalette::Window));
  status_->setPalette(palette);

  setTabOrder(sourcePath_, browseSource);
  setTabOrder(browseSource, destinationPath_);
  setTabOrder(destinationPath_, browseDestination);
  setTabOrder(browseDestination, convert_);
  setTabOrder(convert_, status_);
}

void CMorvaneDlg::BrowseForSource() {
  if (std::optional<QString> path = pickers_.PickSource(this)) {
    sourcePath_->setText(*path);
  }
}

void CMorvaneDlg::BrowseForDestination() {
  if (std::optional<QString> path = pickers_.PickDestination(this)) {
    destinationPath_->setText(*path);
  }
}

void CMorvaneDlg::Convert() {
  position_ = 0;
  progress_->setRange(0, kProgressSteps);
  progress_->setValue(0);
  lastRepaint_ = {};

  const ConversionJob job(ToPath(*sourcePath_), ToPath(*destinationPath_), settings_);
  const ConversionOutcome outcome = job.Run(*this);

  if (!outcome.completed()) {
    // A refused conversion stops before the driver empties the status line.
    pendingStatus_.clear();
  }
  ShowProgressNow();
  messages_.Show(this, ToQString(outcome.message), outcome.icon);
  position_ = 0;
  progress_->setValue(0);
}

void CMorvaneDlg::Step() {
  ++position_;
  ShowProgressWhenDue();
}

void CMorvaneDlg::SetStatus(std::string_view text) {
  pendingStatus_.assign(text);
  if (text.empty()) {
    ShowProgressNow();
  } else {
    ShowProgressWhenDue();
  }
}

void CMorvaneDlg::ShowProgressWhenDue() {
  const auto now = std::chrono::steady_clock::now();
  if (now - lastRepaint_ >= kRepaintInterval) {
    ShowProgressNow();
  }
}

void CMorvaneDlg::ShowProgressNow() {
  lastRepaint_ = std::chrono::steady_clock::now();
  progress_->setValue(position_);
  status_->setText(ToQString(pendingStatus_));
  // The conversion does not return to the event loop, so only a synchronous repaint shows it.
  status_->repaint();
}

void CMorvaneDlg::ShowAbout() {
  CAboutDlg about(this);
  about.exec();
}

std::unique_ptr<QMenu> CMorvaneDlg::MakeContextMenu() {
  auto menu = std::make_unique<QMenu>(this);
  menu->addAction(kAboutItem, this, &CMorvaneDlg::ShowAbout);
  return menu;
}

void CMorvaneDlg::ShowPathMenu(QLineEdit* edit, const QPoint& position) {
  // The path fields keep their editing menu and get the about item below it.
  std::unique_ptr<QMenu> menu(edit->createStandardContextMenu());
  menu->addSeparator();
  menu->addAction(kAboutItem, this, &CMorvaneDlg::ShowAbout);
  menu->exec(edit->mapToGlobal(position));
}

void CMorvaneDlg::contextMenuEvent(QContextMenuEvent* event) {
  MakeContextMenu()->exec(event->globalPos());
}

void CMorvaneDlg::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
        // Windows closed the dialog here and lost the typed paths; only a focused push button
        // takes Enter.
        if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
          button->click();
        }
        return;
      }
      break;
    case Qt::Key_F1:
      ShowAbout();
      return;
    default:
      break;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace morvane::app
