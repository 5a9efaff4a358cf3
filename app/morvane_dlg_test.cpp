// What only the Qt view and the Qt prompts do; every rule of the dialog is tested with its core.
#include "app/morvane_dlg.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QListView>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QTemporaryDir>
#include <QTest>

#include "app/about_dlg.h"
#include "app/dialog_units.h"
#include "app/qt_prompts.h"
#include "app/testing/modal_driver.h"
#include "convert/project_links.h"
#include "convert/version.h"
#include "testing/doubles/recording_prompts.h"

namespace morvane::app {

class MorvaneDlgTest : public QObject {
  Q_OBJECT

  testing::RecordingMessageBoxes messages_;
  testing::RecordingFilePickers pickers_;
  template <typename T = QWidget>
  static T* Find(const QWidget& parent, const char* name) {
    T* child = parent.findChild<T*>(QString::fromLatin1(name));
    QTest::qVerify(child != nullptr, name, "", __FILE__, __LINE__);
    return child;
  }

  static QLineEdit* FileName(QWidget* picker) { return Find<QLineEdit>(*picker, "fileNameEdit"); }

 private slots:
  void ControlsSitAtTheTemplatesDialogUnitsUnclippedAndApartInBothDialogs() {
    // Windows rounds half away from zero and refuses what does not fit.
    QCOMPARE(QList<int>({MulDiv(67, 6, 4), MulDiv(-3, 1, 2), MulDiv(INT_MAX, 2, 1)}),
             QList<int>({101, -2, -1}));
    QCOMPARE(DialogUnits({6, 13}).ToPixels(25, 84, 123, 12), QRect(38, 137, 185, 20));
    CMorvaneDlg dialog(messages_, pickers_);
    const DialogUnits units = DialogUnits::Of(dialog.font());
    QCOMPARE(dialog.size(), units.ToPixels(0, 0, 167, 165).size());
    // clang-format off
    const struct { const char *name, *text; int x, y, width, height; } controls[] = {
        {"step1", "Step1: Select Software", 5, 5, 67, 8}, {"rexEdit", "RexEdit", 24, 17, 39, 10},
        {"ezEdit", "EzEdit( EZDV II )", 68, 17, 66, 10}, {"step2", "Step2: Select EDL output", 5, 34, 74, 8},
        {"ntscDropFrame", "NTSC(drop frame)", 24, 45, 65, 10}, {"pal", "PAL", 108, 45, 24, 10},
        {"ntscNonDrop", "NTSC(non drop frame)", 24, 56, 82, 10}, {"frame", "FRAME", 108, 56, 34, 10},
        {"step3", "Step3: Select dvc source file", 5, 74, 157, 8}, {"sourcePath", "", 25, 84, 123, 12},
        {"browseSource", "...", 151, 84, 11, 12}, {"step4", "Step4: Select txt destination file", 5, 102, 157, 8},
        {"destinationPath", "", 25, 112, 122, 12}, {"browseDestination", "...", 151, 112, 11, 12},
        {"step5", "Step5:", 5, 130, 19, 8}, {"convert", "convert", 26, 129, 32, 28},
        {"progress", nullptr, 60, 130, 102, 13}, {"status", "", 60, 144, 102, 13}};
    // clang-format on
    for (const auto& control : controls) {
      const QWidget* widget = Find(dialog, control.name);
      const QRect expected = units.ToPixels(control.x, control.y, control.width, control.height);
      QCOMPARE(widget->property("text").toString(),
               control.text ? QString::fromLatin1(control.text) : widget->property("text").toString());
      QCOMPARE(widget->pos(), expected.topLeft());
      QCOMPARE(widget->height(), expected.height());
      // A label or radio button may grow to the right to show its whole text, nothing else.
      const bool grows = qobject_cast<const QLabel*>(widget) || qobject_cast<const QRadioButton*>(widget);
      QVERIFY2(grows ? widget->width() >= expected.width() : widget->width() == expected.width(),
               control.name);
    }
    const QList<QWidget*> all = dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (const QWidget* control : all) {
      if (auto* radio = qobject_cast<const QRadioButton*>(control)) {
        QStyleOptionButton option;
        option.initFrom(radio);
        const QRect text = radio->style()->subElementRect(QStyle::SE_RadioButtonContents, &option, radio);
        QVERIFY(text.left() + radio->fontMetrics().horizontalAdvance(radio->text()) <= radio->width());
      } else if (qobject_cast<const QLabel*>(control)) {
        QVERIFY(control->sizeHint().width() <= control->width());
      }
      QVERIFY(dialog.rect().contains(control->geometry()));
      for (const QWidget* other : all) {
        QVERIFY2(other == control || !control->geometry().intersects(other->geometry()),
                 qPrintable(control->objectName() + QStringLiteral(" overlaps ") + other->objectName()));
      }
    }
    // At least one unit apart, also once rounded to pixels.
    QVERIFY(Find(dialog, "frame")->x() - Find(dialog, "ntscNonDrop")->geometry().right() >
            units.ToPixelsX(1));

    // The about box shows no line for a home page or contact the build does not set.
    CAboutDlg about;
    QCOMPARE(Find<QLabel>(about, "version")->text(),
             QStringLiteral("morvane Version ") + QString::fromLatin1(version::kDisplayVersion));
    QCOMPARE(about.findChild<QLabel*>(QStringLiteral("web")) != nullptr, *version::kHomePage != '\0');
    QCOMPARE(about.findChild<QLabel*>(QStringLiteral("mail")) != nullptr, *version::kContact != '\0');
    for (QLabel* label : about.findChildren<QLabel*>()) {
      QVERIFY(label->wordWrap() || label->sizeHint().width() <= label->width());
    }
  }

  void RadiosShowTheSettingsTabReachesEachGroupArrowsMoveWithinAndEnterNeverEnds() {
    CMorvaneDlg dialog(messages_, pickers_);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QVERIFY(Find<QRadioButton>(dialog, "rexEdit")->isChecked() &&
            Find<QRadioButton>(dialog, "ntscDropFrame")->isChecked());
    QRadioButton* pal = Find<QRadioButton>(dialog, "pal");  // a click anywhere in its rectangle
    QTest::mouseClick(pal, Qt::LeftButton, {}, QPoint(pal->width() - 1, pal->height() - 1));
    QVERIFY(pal->isChecked() && !Find<QRadioButton>(dialog, "ntscDropFrame")->isChecked());
    QCOMPARE(dialog.core().settings().timecodeMode, TimecodeMode::Pal);
    Find(dialog, "status")->setFocus();
    QStringList visited;
    for (int i = 0; i < 8; ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      visited << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(visited, (QStringList{"rexEdit", "pal", "sourcePath", "browseSource", "destinationPath",
                                   "browseDestination", "convert", "status"}));
    Find(dialog, "rexEdit")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("ezEdit"));
    QCOMPARE(dialog.core().settings().softwareKind, SoftwareKind::EzEdit);
    QVERIFY(pal->isChecked());

    // Enter never ends the dialog, Escape does, F1 opens the about box.
    for (const char* name : {"sourcePath", "destinationPath", "status", "convert"}) {
      Find(dialog, name)->setFocus();
      QTest::keyClicks(Find(dialog, "sourcePath"), QStringLiteral("x"));
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter, Qt::KeypadModifier);
    }
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.core().sourcePath(), "xxxx");      // typed text reaches the core and stays
    QCOMPARE(messages_.shown.size(), std::size_t{2});  // "convert" took Enter twice
    ModalDriver driver({[](QWidget* window) {
      QVERIFY(qobject_cast<CAboutDlg*>(window) != nullptr);
      ModalDriver::Dismiss(window);
    }});
    QTest::keyClick(&dialog, Qt::Key_F1);
    QVERIFY(driver.finished());
    // The context menu: the about item, then "Media folders...", which adds the folder picked.
    const std::unique_ptr<QMenu> menu = dialog.MakeContextMenu();
    const QList<QAction*> items = menu->actions();
    QCOMPARE(items.size(), 2);
    QCOMPARE(items[1]->text(), QStringLiteral("Media folders..."));
    pickers_.folderAnswer = "/archive";
    items[1]->trigger();
    QCOMPARE(dialog.core().MediaFolders(), std::vector<std::string>{"/archive"});
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QVERIFY(!dialog.isVisible());
  }

  void BoxesShowCaptionPlainTextIconAndOnlyOk() {
    for (MessageIcon icon : {MessageIcon::Warning, MessageIcon::None}) {
      QStringList seen;
      ModalDriver driver({[&](QWidget* window) {
        auto* box = qobject_cast<QMessageBox*>(window);
        seen << box->windowTitle() << box->text() << QString::number(box->icon())
             << QString::number(box->textFormat()) << QString::number(box->standardButtons());
        box->button(QMessageBox::Ok)->click();
      }});
      QtMessageBoxes().Show("Can not open <source>\n\nhint", icon);
      QVERIFY(driver.finished());
      const int shown = icon == MessageIcon::Warning ? QMessageBox::Warning : QMessageBox::NoIcon;
      QCOMPARE(seen, (QStringList{"morvane", "Can not open <source>\n\nhint", QString::number(shown),
                                  QString::number(Qt::PlainText), QString::number(QMessageBox::Ok)}));
    }
    // The questions, with the warning icon: Yes (the default), No and Cancel; Yes and No, where
    // Escape answers No.
    for (const bool yesNo : {false, true}) {
      QStringList seen;
      ModalDriver driver({[&](QWidget* window) {
        auto* box = qobject_cast<QMessageBox*>(window);
        seen << box->text() << QString::number(box->icon()) << QString::number(box->standardButtons())
             << QString::number(box->standardButton(box->defaultButton()));
        yesNo ? QTest::keyClick(box, Qt::Key_Escape) : box->button(QMessageBox::No)->click();
      }});
      QVERIFY(yesNo ? !QtMessageBoxes().AskYesNo("which?")
                    : QtMessageBoxes().Ask("which?") == MessageBoxes::Answer::No);
      QVERIFY(driver.finished());
      const int buttons = QMessageBox::Yes | QMessageBox::No | (yesNo ? 0 : QMessageBox::Cancel);
      QCOMPARE(seen, (QStringList{"which?", QString::number(QMessageBox::Warning), QString::number(buttons),
                                  QString::number(QMessageBox::Yes)}));
    }
  }

  // Local files dropped anywhere on the dialog, a path field included, are offered as the source;
  // a web address is not taken, and text still drops into a field.
  void DroppedFilesFillStepThreeWhereverTheyLandAndTextStillDropsIntoAField() {
    CMorvaneDlg dialog(messages_, pickers_);
    auto* source = Find<QLineEdit>(dialog, "sourcePath");
    auto* destination = Find<QLineEdit>(dialog, "destinationPath");
    destination->setText(QStringLiteral("/q/out.txt"));
    messages_ = {};
    messages_.answer = MessageBoxes::Answer::Yes;
    const struct { QWidget* target; QString url, text, source, destination; std::size_t asked; } rows[] = {
        {&dialog, "file:///p/a.DVC", "", "/p/a.DVC", "/q/out.txt", 0},
        {destination, "file:///p/clip.avi", "", "/p/clip.avi", "/q/out.txt", 1},
        {source, "https://example.org/b.dvc", "", "/p/clip.avi", "/q/out.txt", 1},
        {destination, "", "cut", "/p/clip.avi", "cut/q/out.txt", 1}};  // at the drop point
    for (const auto& row : rows) {
      QMimeData data;
      if (!row.url.isEmpty()) data.setUrls({QUrl(row.url)});
      if (!row.text.isEmpty()) data.setText(row.text);
      QDragEnterEvent enter(QPoint(2, 2), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(row.target, &enter);
      QCOMPARE(enter.isAccepted(), row.url.startsWith(QStringLiteral("file:")) || !row.text.isEmpty());
      QDropEvent drop(QPointF(2, 2), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(row.target, &drop);
      QCOMPARE((QStringList{source->text(), QString::fromStdString(dialog.core().sourcePath()), destination->text()}),
               (QStringList{row.source, row.source, row.destination}));
      QCOMPARE(messages_.asked.size(), row.asked);
    }
  }

  void PickersShowTheLabelsListEveryFileUnderAllAndReportTheChosenType() {
    QTemporaryDir folder;
    QFile(folder.filePath(QStringLiteral("README"))).open(QIODevice::WriteOnly);
    QFile(folder.filePath(QStringLiteral("a.dvc"))).open(QIODevice::WriteOnly);
    QStringList seen;
    ModalDriver driver({[&](QWidget* window) {
      auto* picker = qobject_cast<QFileDialog*>(window);
      auto* types = Find<QComboBox>(*picker, "fileTypeCombo");
      seen << picker->windowTitle() << picker->defaultSuffix() << FileName(picker)->text()
           << types->itemText(0) << types->itemText(1);
      picker->setDirectory(folder.path());
      picker->selectNameFilter(picker->nameFilters().at(1));
      auto* list = Find<QListView>(*picker, "listView");
      QTRY_COMPARE(list->model()->rowCount(list->rootIndex()), 2);  // README has no dot
      FileName(picker)->setText(QStringLiteral("wedding"));
      static_cast<QDialog*>(picker)->accept();
    }});
    const auto picked = QtFilePickers().PickSource(DialogCore::SourcePicker());
    QVERIFY(driver.finished() && picked);
    QCOMPARE(seen, (QStringList{"Open", "dvc", "*.dvc", "Rex Edit file (*.dvc)", "all(*.*)"}));
    QCOMPARE(picked->filter, std::size_t{1});
    QCOMPARE(QString::fromStdString(picked->path), folder.filePath(QStringLiteral("wedding.dvc")));
  }

  void TheOpenPickerRefusesAMissingFolderAndTheSavePickerAsksBeforeReplacing() {
    QTemporaryDir folder;
    QFile(folder.filePath(QStringLiteral("a.txt"))).open(QIODevice::WriteOnly);
    QStringList answers;
    QStringList folders;  // where each picker opened
    auto choose = [&](const QString& name) {
      return [&, name](QWidget* window) {
        folders << qobject_cast<QFileDialog*>(window)->directory().absolutePath();
        FileName(window)->setText(name);
        static_cast<QDialog*>(window)->accept();  // asks or refuses: the next handler answers
        if (window->isVisible()) ModalDriver::Dismiss(window);
      };
    };
    auto answer = [&](QMessageBox::StandardButton button) {
      return [&, button](QWidget* window) {
        answers << qobject_cast<QMessageBox*>(window)->text();
        qobject_cast<QMessageBox*>(window)->button(button)->click();
      };
    };
    ModalDriver driver({choose(QStringLiteral("/no/such/folder/a.dvc")), answer(QMessageBox::Ok),
                        choose(folder.filePath(QStringLiteral("a"))), answer(QMessageBox::Yes)});
    QVERIFY(!QtFilePickers().PickSource(DialogCore::SourcePicker()));
    // The destination picker opens in the source's folder.
    const auto picked =
        QtFilePickers().PickDestination(DialogCore::DestinationPicker(folder.filePath(QStringLiteral("p.dvc")).toStdString()));
    QCOMPARE(folders.value(1), QDir(folder.path()).absolutePath());
    QVERIFY(driver.finished() && picked && picked->filter == 0);
    QCOMPARE(QString::fromStdString(picked->path), folder.filePath(QStringLiteral("a.txt")));
    QVERIFY2(answers.size() == 2 && answers[0].contains(QStringLiteral("/no/such/folder")) &&
                 answers[1].contains(QStringLiteral("already exists")),
             qPrintable(answers.join(QLatin1Char('|'))));
  }
};

}  // namespace morvane::app

QTEST_MAIN(morvane::app::MorvaneDlgTest)
#include "morvane_dlg_test.moc"
