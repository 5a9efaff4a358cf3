#include <QAbstractButton>
#include <QButtonGroup>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <string>

#include "app/about_dlg.h"
#include "app/dialog_units.h"
#include "app/modal_driver.h"
#include "app/morvane_dlg.h"
#include "app/recording_prompts.h"
#include "testing/example_projects.h"
#include "testing/listing_run.h"
#include "testing/project_writer.h"

namespace morvane::app {

namespace {

using morvane::testing::ProjectWriter;

struct TemplateControl {
  const char* name;
  const char* text;
  int x, y, width, height;
};

// Dialog template 102 in tab and creation order.
const TemplateControl kTemplate[] = {
    {"step1", "Step1: Select Software", 5, 5, 67, 8},
    {"rexEdit", "RexEdit", 24, 17, 39, 10},
    {"ezEdit", "EzEdit( EZDV II )", 68, 17, 66, 10},
    {"step2", "Step2: Select EDL output", 5, 34, 74, 8},
    {"ntscDropFrame", "NTSC(drop frame)", 24, 45, 65, 10},
    {"ntscNonDrop", "NTSC(non drop frame)", 24, 56, 82, 10},
    {"pal", "PAL", 106, 45, 24, 10},
    {"frame", "FRAME", 106, 56, 34, 10},
    {"step3", "Step3: Select dvc source file", 5, 74, 157, 8},
    {"sourcePath", "", 25, 84, 123, 12},
    {"browseSource", "...", 151, 84, 11, 12},
    {"step4", "Step4: Select txt destination file", 5, 102, 157, 8},
    {"destinationPath", "", 25, 112, 122, 12},
    {"browseDestination", "...", 151, 112, 11, 12},
    {"step5", "Step5:", 5, 130, 19, 8},
    {"convert", "convert", 26, 129, 32, 28},
    {"progress", "", 60, 130, 102, 13},
    {"status", "", 60, 144, 102, 13},
};

QString TextOf(const QWidget* widget) {
  if (auto* label = qobject_cast<const QLabel*>(widget)) {
    return label->text();
  }
  if (auto* button = qobject_cast<const QAbstractButton*>(widget)) {
    return button->text();
  }
  if (auto* edit = qobject_cast<const QLineEdit*>(widget)) {
    return edit->text();
  }
  return QString();
}

std::string ReadFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    return "(cannot read " + path.toStdString() + ")";
  }
  return file.readAll().toStdString();
}

}  // namespace

class MorvaneDlgTest : public QObject {
  Q_OBJECT

 private:
  RecordingMessageBoxes messages_;
  RecordingFilePickers pickers_;
  std::unique_ptr<CMorvaneDlg> dialog_;
  std::unique_ptr<QTemporaryDir> folder_;

  template <typename T = QWidget>
  T* Control(const char* name) {
    T* control = dialog_->findChild<T*>(QString::fromLatin1(name));
    if (control == nullptr) {
      qFatal("no control %s", name);
    }
    return control;
  }
  QLineEdit* Source() { return Control<QLineEdit>("sourcePath"); }
  QLineEdit* Destination() { return Control<QLineEdit>("destinationPath"); }
  QProgressBar* Bar() { return Control<QProgressBar>("progress"); }
  QLineEdit* Status() { return Control<QLineEdit>("status"); }
  QString InFolder(const char* name) { return folder_->filePath(QString::fromLatin1(name)); }

  // Clicks the middle of a radio button, as the user would.
  void Click(const char* name) {
    QAbstractButton* button = Control<QAbstractButton>(name);
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, button->rect().center());
  }

  void Convert() {
    QTest::mouseClick(Control<QPushButton>("convert"), Qt::LeftButton);
  }

  // The bar's position and the status text while the message box is open.
  int barDuringMessage_ = -1;
  QString statusDuringMessage_;

  void ShowActive() {
    dialog_->show();
    dialog_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(dialog_.get()));
  }

 private slots:
  void init() {
    messages_ = RecordingMessageBoxes();
    pickers_ = RecordingFilePickers();
    barDuringMessage_ = -1;
    statusDuringMessage_.clear();
    messages_.whileOpen = [this](QWidget*) {
      barDuringMessage_ = Bar()->value();
      statusDuringMessage_ = Status()->text();
    };
    dialog_ = std::make_unique<CMorvaneDlg>(messages_, pickers_);
    folder_ = std::make_unique<QTemporaryDir>();
    QVERIFY(folder_->isValid());
  }

  void cleanup() {
    dialog_.reset();
    folder_.reset();
  }

  void StartsWithRexEditAndDropFrameAndNoButtonChecked() {
    QCOMPARE(dialog_->settings().softwareKind, SoftwareKind::RexEdit);
    QCOMPARE(dialog_->settings().timecodeMode, TimecodeMode::NtscDropFrame);
    for (QRadioButton* radio : dialog_->findChildren<QRadioButton*>()) {
      QVERIFY2(!radio->isChecked(), qPrintable(radio->objectName()));
    }
    QCOMPARE(dialog_->windowTitle(), QStringLiteral("morvane version1.41"));
    QCOMPARE(Source()->text(), QString());
    QCOMPARE(Destination()->text(), QString());
    QCOMPARE(Status()->text(), QString());
    QCOMPARE(Bar()->minimum(), 0);
    QCOMPARE(Bar()->maximum(), 200);
    QCOMPARE(Bar()->value(), 0);
    QVERIFY(!Bar()->isTextVisible());
    QVERIFY(Status()->isReadOnly());
    QVERIFY(!Status()->hasFrame());
    QVERIFY(Source()->hasFrame());
    QVERIFY(!dialog_->windowIcon().isNull());
  }

  void ControlsHaveTheTemplatesTextsAndPositions() {
    const DialogUnits units = DialogUnits::Of(dialog_->font());
    QCOMPARE(dialog_->size(), units.ToPixels(0, 0, 167, 165).size());
    for (const TemplateControl& control : kTemplate) {
      const QWidget* widget = Control(control.name);
      QCOMPARE(TextOf(widget), QString::fromLatin1(control.text));
      const QRect expected = units.ToPixels(control.x, control.y, control.width, control.height);
      QCOMPARE(widget->pos(), expected.topLeft());
      QCOMPARE(widget->height(), expected.height());
      // A label or radio button may grow to the right to show its whole text, nothing else.
      if (qobject_cast<const QLabel*>(widget) || qobject_cast<const QRadioButton*>(widget)) {
        QVERIFY2(widget->width() >= expected.width(), control.name);
      } else {
        QCOMPARE(widget->width(), expected.width());
      }
    }
  }

  void NoTextIsClippedAndNoControlsOverlap() {
    const QList<QWidget*> controls = dialog_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (const QWidget* control : controls) {
      if (qobject_cast<const QLabel*>(control)) {
        QVERIFY2(control->sizeHint().width() <= control->width(),
                 qPrintable(control->objectName()));
      }
      if (auto* radio = qobject_cast<const QRadioButton*>(control)) {
        QStyleOptionButton option;
        option.initFrom(radio);
        option.text = radio->text();
        const QRect text = radio->style()->subElementRect(QStyle::SE_RadioButtonContents, &option,
                                                          radio);
        QVERIFY2(text.left() + radio->fontMetrics().horizontalAdvance(radio->text()) <=
                     radio->width(),
                 qPrintable(radio->objectName()));
      }
      QVERIFY2(dialog_->rect().contains(control->geometry()), qPrintable(control->objectName()));
      for (const QWidget* other : controls) {
        if (other != control) {
          QVERIFY2(!control->geometry().intersects(other->geometry()),
                   qPrintable(QStringLiteral("%1 at %2,%3 %4x%5 overlaps %6")
                                  .arg(control->objectName())
                                  .arg(control->x()).arg(control->y())
                                  .arg(control->width()).arg(control->height())
                                  .arg(other->objectName())));
        }
      }
    }
  }

  void ButtonsInAGroupExcludeEachOtherAndTheGroupsAreIndependent() {
    Click("ezEdit");
    Click("pal");
    QVERIFY(Control<QRadioButton>("ezEdit")->isChecked());
    QVERIFY(Control<QRadioButton>("pal")->isChecked());
    Click("rexEdit");
    QVERIFY(Control<QRadioButton>("rexEdit")->isChecked());
    QVERIFY(!Control<QRadioButton>("ezEdit")->isChecked());
    QVERIFY(Control<QRadioButton>("pal")->isChecked());
    Click("frame");
    QVERIFY(Control<QRadioButton>("frame")->isChecked());
    QVERIFY(!Control<QRadioButton>("pal")->isChecked());
    QVERIFY(Control<QRadioButton>("rexEdit")->isChecked());
    // Clicking the checked button keeps it checked.
    Click("frame");
    QVERIFY(Control<QRadioButton>("frame")->isChecked());
  }

  void EachRadioButtonSetsItsSettingAndNothingElse_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("softwareKind");
    QTest::addColumn<int>("timecodeMode");
    // The other setting starts from EzEdit / Frames so a change to it would show.
    QTest::newRow("RexEdit") << "rexEdit" << 0 << 2;
    QTest::newRow("EzEdit") << "ezEdit" << 1 << 2;
    QTest::newRow("NTSC drop frame") << "ntscDropFrame" << 1 << 0;
    QTest::newRow("NTSC non drop frame") << "ntscNonDrop" << 1 << 3;
    QTest::newRow("PAL") << "pal" << 1 << 1;
    QTest::newRow("FRAME") << "frame" << 1 << 2;
  }
  void EachRadioButtonSetsItsSettingAndNothingElse() {
    QFETCH(QString, name);
    QFETCH(int, softwareKind);
    QFETCH(int, timecodeMode);
    const bool software = name == QStringLiteral("rexEdit") || name == QStringLiteral("ezEdit");
    Click(software ? "frame" : "ezEdit");
    Click(software ? "ezEdit" : "frame");
    Click(name.toLatin1().constData());
    QCOMPARE(static_cast<int>(dialog_->settings().softwareKind), softwareKind);
    QCOMPARE(static_cast<int>(dialog_->settings().timecodeMode), timecodeMode);
  }

  void ARadioButtonReactsToAClickAnywhereInItsRectangle() {
    QRadioButton* pal = Control<QRadioButton>("pal");
    QTest::mouseClick(pal, Qt::LeftButton, Qt::NoModifier,
                      QPoint(pal->width() - 1, pal->height() - 1));
    QVERIFY(pal->isChecked());
    QCOMPARE(dialog_->settings().timecodeMode, TimecodeMode::Pal);
  }

  void TabVisitsPathsButtonsAndStatusButNoRadioButton() {
    ShowActive();
    Source()->setFocus();
    QStringList visited;
    for (int i = 0; i < 6; ++i) {
      visited << QApplication::focusWidget()->objectName();
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QCOMPARE(visited, (QStringList{"sourcePath", "browseSource", "destinationPath",
                                   "browseDestination", "convert", "status"}));
    QCOMPARE(QApplication::focusWidget(), Source());
    for (QRadioButton* radio : dialog_->findChildren<QRadioButton*>()) {
      QVERIFY(!(radio->focusPolicy() & Qt::TabFocus));
    }
    for (QPushButton* button : dialog_->findChildren<QPushButton*>()) {
      QVERIFY(!button->autoDefault());
      QVERIFY(!button->isDefault());
    }
  }

  void ConversionUsesTheTypedPathsAndTheChosenSettings() {
    const auto projects = morvane::testing::ExampleProjects();
    const auto ezedit = std::find_if(projects.begin(), projects.end(), [](const auto& project) {
      return project.settings.softwareKind == SoftwareKind::EzEdit;
    });
    QVERIFY(ezedit != projects.end());
    ezedit->file.SaveTo(InFolder("project.dvc").toStdString());
    Click("ezEdit");
    Click("pal");
    QTest::keyClicks(Source(), InFolder("project.dvc"));
    QTest::keyClicks(Destination(), InFolder("listing.txt"));
    Convert();
    QCOMPARE(messages_.shown.size(), std::size_t{1});
    QCOMPARE(messages_.shown[0].icon, MessageIcon::None);
    const std::string expected = morvane::testing::ConvertInMemory(
        ezedit->file.bytes(), ConversionSettings{SoftwareKind::EzEdit, TimecodeMode::Pal});
    QCOMPARE(ReadFile(InFolder("listing.txt")), expected);
  }

  void CompletionShowsBothPathsAsTypedWithTheBarFullThenEmptiesIt() {
    ProjectWriter().Header(0x0207, 0, 0).SaveTo(InFolder("a.dvc").toStdString());
    // Paths exactly as typed, not normalised: a doubled slash and a "..".
    const QString source = folder_->path() + QStringLiteral("//sub/../a.dvc");
    const QString destination = folder_->path() + QStringLiteral("/./out.txt");
    QVERIFY(QDir(folder_->path()).mkdir(QStringLiteral("sub")));
    Source()->setText(source);
    Destination()->setText(destination);
    Convert();
    QCOMPARE(messages_.shown.size(), std::size_t{1});
    QCOMPARE(messages_.shown[0].text, QStringLiteral("conversion completed\nfrom : ") + source +
                                          QStringLiteral("\n   to : ") + destination);
    QCOMPARE(messages_.shown[0].icon, MessageIcon::None);
    QCOMPARE(barDuringMessage_, 200);
    QCOMPARE(statusDuringMessage_, QString());
    QCOMPARE(Bar()->value(), 0);
    QCOMPARE(Status()->text(), QString());
    QCOMPARE(Source()->text(), source);
    QCOMPARE(Destination()->text(), destination);
  }

  void FailuresShowTheirMessageWithAWarningAndResetBarAndStatus_data() {
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("destination");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing source") << "missing.dvc" << "out.txt" << "Can not open source file";
    QTest::newRow("empty source") << "" << "out.txt" << "Can not open source file";
    QTest::newRow("empty destination") << "ok.dvc" << "" << "Can not open destination file";
    QTest::newRow("destination is the source") << "ok.dvc" << "ok.dvc"
                                               << "Can not open destination file";
    QTest::newRow("destination folder missing") << "ok.dvc" << "no/such/folder/out.txt"
                                                << "Can not open destination file";
    QTest::newRow("full disk") << "ok.dvc" << "/dev/full" << "Can not write destination file";
    QTest::newRow("too many clips")
        << "huge.dvc" << "out.txt"
        << "Can not convert source file: [MainAV] holds 1234 clips, more than 1000";
    QTest::newRow("ends too early") << "endless.dvc" << "out.txt"
                                    << "Can not convert source file: it ends too early";
  }
  void FailuresShowTheirMessageWithAWarningAndResetBarAndStatus() {
    QFETCH(QString, source);
    QFETCH(QString, destination);
    QFETCH(QString, message);
    ProjectWriter().Header(0x0207, 0, 0).SaveTo(InFolder("ok.dvc").toStdString());
    ProjectWriter().Header(0x0207, 0, 1234).SaveTo(InFolder("huge.dvc").toStdString());
    ProjectWriter().Header(0x0207, 0x7FFFFFFF, 0).SaveTo(InFolder("endless.dvc").toStdString());
    auto path = [&](const QString& name) {
      return name.isEmpty() || name.startsWith(QLatin1Char('/')) ? name : folder_->filePath(name);
    };
    Source()->setText(path(source));
    Destination()->setText(path(destination));
    // Left over from an earlier conversion, as far as the dialog can tell.
    dialog_->Step();
    dialog_->SetStatus("[MainAV] 1 / 3");
    Convert();
    QCOMPARE(messages_.shown.size(), std::size_t{1});
    QCOMPARE(messages_.shown[0].text, message);
    QCOMPARE(messages_.shown[0].icon, MessageIcon::Warning);
    QCOMPARE(Bar()->value(), 0);
    QCOMPARE(Status()->text(), QString());
    QVERIFY(!QFile::exists(InFolder("out.txt")));
    QCOMPARE(ReadFile(InFolder("ok.dvc")), ProjectWriter().Header(0x0207, 0, 0).str());
  }

  void TwoConversionsInARowAreIndependent() {
    ProjectWriter().Header(0x0207, 0, 0).SaveTo(InFolder("a.dvc").toStdString());
    Source()->setText(InFolder("a.dvc"));
    Destination()->setText(InFolder("a.txt"));
    Convert();
    const std::string first = ReadFile(InFolder("a.txt"));
    Source()->setText(InFolder("missing.dvc"));
    Convert();
    Source()->setText(InFolder("a.dvc"));
    Convert();
    QCOMPARE(messages_.shown.size(), std::size_t{3});
    QCOMPARE(messages_.shown[1].icon, MessageIcon::Warning);
    QCOMPARE(messages_.shown[2].icon, MessageIcon::None);
    QCOMPARE(ReadFile(InFolder("a.txt")), first);
    QCOMPARE(barDuringMessage_, 200);
  }

  void ChosenFilesBecomeThePathsAndACancelledPickerKeepsTheTypedText() {
    QTest::keyClicks(Source(), QStringLiteral("typed.dvc"));
    QTest::keyClicks(Destination(), QStringLiteral("typed.txt"));
    QTest::mouseClick(Control<QPushButton>("browseSource"), Qt::LeftButton);
    QTest::mouseClick(Control<QPushButton>("browseDestination"), Qt::LeftButton);
    QCOMPARE(pickers_.sourceCalls, 1);
    QCOMPARE(pickers_.destinationCalls, 1);
    QCOMPARE(Source()->text(), QStringLiteral("typed.dvc"));
    QCOMPARE(Destination()->text(), QStringLiteral("typed.txt"));

    pickers_.sourceAnswer = QStringLiteral("/projects/chosen.dvc");
    pickers_.destinationAnswer = QStringLiteral("/projects/chosen.txt");
    QTest::mouseClick(Control<QPushButton>("browseSource"), Qt::LeftButton);
    QCOMPARE(Source()->text(), QStringLiteral("/projects/chosen.dvc"));
    QCOMPARE(Destination()->text(), QStringLiteral("typed.txt"));
    QTest::mouseClick(Control<QPushButton>("browseDestination"), Qt::LeftButton);
    QCOMPARE(Destination()->text(), QStringLiteral("/projects/chosen.txt"));
    QVERIFY(messages_.shown.empty());
  }

  void EscapeEndsTheDialog() {
    ShowActive();
    QTest::keyClick(Source(), Qt::Key_Escape);
    QVERIFY(!dialog_->isVisible());
    QCOMPARE(dialog_->result(), int{QDialog::Rejected});
  }

  void TheCloseButtonEndsTheDialog() {
    ShowActive();
    QVERIFY(dialog_->close());
    QVERIFY(!dialog_->isVisible());
  }

  void EnterInAPathFieldNeitherEndsTheDialogNorStartsAnything() {
    ShowActive();
    for (QLineEdit* edit : {Source(), Destination(), Status()}) {
      edit->setFocus();
      QTest::keyClicks(Source(), QStringLiteral("x"));
      QTest::keyClick(edit, Qt::Key_Return);
      QTest::keyClick(edit, Qt::Key_Enter, Qt::KeypadModifier);
    }
    QVERIFY(dialog_->isVisible());
    QCOMPARE(Source()->text(), QStringLiteral("xxx"));
    QVERIFY(messages_.shown.empty());
    QCOMPARE(pickers_.sourceCalls + pickers_.destinationCalls, 0);
  }

  void EnterPressesTheFocusedPushButton() {
    ShowActive();
    Control<QPushButton>("browseDestination")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(pickers_.destinationCalls, 1);
    Control<QPushButton>("convert")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(messages_.shown.size(), std::size_t{1});
    QCOMPARE(messages_.shown[0].text, QStringLiteral("Can not open source file"));
    QVERIFY(dialog_->isVisible());
  }

  void TheFirstStepShowsAtOnceAndTheEmptyStatusShowsEverything() {
    dialog_->Step();
    QCOMPARE(Bar()->value(), 1);
    for (int k = 1; k <= 150; ++k) {
      dialog_->SetStatus("[Title] " + std::to_string(k) + " / 150");
      dialog_->Step();
    }
    dialog_->SetStatus("");
    QCOMPARE(Bar()->value(), 151);
    QCOMPARE(Status()->text(), QString());
  }

  void F1AndTheContextMenuOpenTheAboutBox() {
    ShowActive();
    QString caption;
    ModalDriver f1Driver({[&](QWidget* window) {
      caption = window->windowTitle();
      QVERIFY(qobject_cast<CAboutDlg*>(window) != nullptr);
      ModalDriver::Dismiss(window);
    }});
    QTest::keyClick(Source(), Qt::Key_F1);
    QVERIFY(f1Driver.finished());
    QCOMPARE(caption, QStringLiteral("morvane version information"));

    QStringList items;
    bool aboutOpened = false;
    ModalDriver menuDriver({[&](QWidget* window) {
                              auto* menu = qobject_cast<QMenu*>(window);
                              QVERIFY(menu != nullptr);
                              for (QAction* action : menu->actions()) {
                                items << action->text();
                              }
                              menu->setActiveAction(menu->actions().constLast());
                              QTest::keyClick(menu, Qt::Key_Return);
                            },
                            [&](QWidget* window) {
                              aboutOpened = qobject_cast<CAboutDlg*>(window) != nullptr;
                              ModalDriver::Dismiss(window);
                            }});
    QLabel* step1 = Control<QLabel>("step1");
    QContextMenuEvent rightClick(QContextMenuEvent::Mouse, step1->rect().center(),
                                 step1->mapToGlobal(step1->rect().center()));
    QApplication::sendEvent(step1, &rightClick);
    QVERIFY(menuDriver.finished());
    QCOMPARE(items, QStringList{QStringLiteral("morvane version information(&A)...")});
    QVERIFY(aboutOpened);
  }

  void ThePathFieldsMenusKeepEditingAndAddTheAboutItem() {
    ShowActive();
    QStringList items;
    ModalDriver driver({[&](QWidget* window) {
      auto* menu = qobject_cast<QMenu*>(window);
      QVERIFY(menu != nullptr);
      for (QAction* action : menu->actions()) {
        if (!action->isSeparator()) {
          items << action->text().section(QLatin1Char('\t'), 0, 0);
        }
      }
      menu->close();
    }});
    emit Source()->customContextMenuRequested(QPoint(2, 2));
    QVERIFY(driver.finished());
    QVERIFY(items.size() > 1);
    QVERIFY(items.contains(QStringLiteral("&Paste")));
    QCOMPARE(items.constLast(), QStringLiteral("morvane version information(&A)..."));
  }
};

}  // namespace morvane::app

QTEST_MAIN(morvane::app::MorvaneDlgTest)
#include "morvane_dlg_test.moc"
