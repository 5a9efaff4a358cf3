#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "app/about_dlg.h"
#include "app/dialog_units.h"
#include "app/modal_driver.h"
#include "app/qt_prompts.h"

namespace morvane::app {

namespace {

// Types a name into the picker's name field, as the user would.
void TypeFileName(QFileDialog* picker, const QString& name) {
  auto* edit = picker->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  QVERIFY(edit != nullptr);
  edit->setText(name);
}

QString FileNameText(QFileDialog* picker) {
  auto* edit = picker->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  return edit != nullptr ? edit->text() : QStringLiteral("(no name field)");
}

}  // namespace

class QtPromptsTest : public QObject {
  Q_OBJECT

 private slots:
  void WarningBoxShowsCaptionTextAndIconAndOnlyOk() {
    QString caption, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    Qt::TextFormat format = Qt::AutoText;
    ModalDriver driver({[&](QWidget* window) {
      auto* box = qobject_cast<QMessageBox*>(window);
      QVERIFY(box != nullptr);
      caption = box->windowTitle();
      text = box->text();
      icon = box->icon();
      buttons = box->standardButtons();
      format = box->textFormat();
      box->button(QMessageBox::Ok)->click();
    }});
    QtMessageBoxes().Show(nullptr, QStringLiteral("Can not open <source> file"),
                          MessageIcon::Warning);
    QVERIFY(driver.finished());
    QCOMPARE(caption, QStringLiteral("morvane"));
    QCOMPARE(text, QStringLiteral("Can not open <source> file"));
    QCOMPARE(icon, QMessageBox::Warning);
    QCOMPARE(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(format, Qt::PlainText);
  }

  void CompletionBoxHasNoIcon() {
    QMessageBox::Icon icon = QMessageBox::Warning;
    ModalDriver driver({[&](QWidget* window) {
      icon = qobject_cast<QMessageBox*>(window)->icon();
      ModalDriver::Dismiss(window);
    }});
    QtMessageBoxes().Show(nullptr, QStringLiteral("conversion completed\nfrom : a\n   to : b"),
                          MessageIcon::None);
    QVERIFY(driver.finished());
    QCOMPARE(icon, QMessageBox::NoIcon);
  }

  void SourcePickerOffersProjectFilesAndACancelReturnsNothing() {
    QFileDialog::AcceptMode mode = QFileDialog::AcceptSave;
    QStringList filters;
    QString suffix, name;
    ModalDriver driver({[&](QWidget* window) {
      auto* picker = qobject_cast<QFileDialog*>(window);
      QVERIFY(picker != nullptr);
      mode = picker->acceptMode();
      filters = picker->nameFilters();
      suffix = picker->defaultSuffix();
      name = FileNameText(picker);
      picker->reject();
    }});
    QCOMPARE(QtFilePickers().PickSource(nullptr), std::optional<QString>());
    QVERIFY(driver.finished());
    QCOMPARE(mode, QFileDialog::AcceptOpen);
    QCOMPARE(filters, (QStringList{"Rex Edit file (*.dvc)", "all(*.*)"}));
    QCOMPARE(suffix, QStringLiteral("dvc"));
    QCOMPARE(name, QStringLiteral("*.dvc"));
  }

  void SourcePickerAcceptsANewNameInAnExistingFolderWithTheDefaultSuffix() {
    QTemporaryDir folder;
    ModalDriver driver({[&](QWidget* window) {
      auto* picker = qobject_cast<QFileDialog*>(window);
      picker->setDirectory(folder.path());
      TypeFileName(picker, QStringLiteral("wedding"));
      static_cast<QDialog*>(picker)->accept();
    }});
    const std::optional<QString> chosen = QtFilePickers().PickSource(nullptr);
    QVERIFY(driver.finished());
    QCOMPARE(chosen, std::optional<QString>(folder.filePath(QStringLiteral("wedding.dvc"))));
  }

  void DestinationPickerOffersTextFiles() {
    QFileDialog::AcceptMode mode = QFileDialog::AcceptOpen;
    QStringList filters;
    QString suffix, name;
    bool confirms = false;
    ModalDriver driver({[&](QWidget* window) {
      auto* picker = qobject_cast<QFileDialog*>(window);
      mode = picker->acceptMode();
      filters = picker->nameFilters();
      suffix = picker->defaultSuffix();
      name = FileNameText(picker);
      confirms = !picker->testOption(QFileDialog::DontConfirmOverwrite);
      picker->reject();
    }});
    QCOMPARE(QtFilePickers().PickDestination(nullptr), std::optional<QString>());
    QVERIFY(driver.finished());
    QCOMPARE(mode, QFileDialog::AcceptSave);
    QCOMPARE(filters, (QStringList{"Text file (*.txt)", "all(*.*)"}));
    QCOMPARE(suffix, QStringLiteral("txt"));
    QCOMPARE(name, QStringLiteral("*.txt"));
    QVERIFY(confirms);
  }

  void DestinationPickerAsksBeforeAnExistingFileIsChosen_data() {
    QTest::addColumn<bool>("replace");
    QTest::newRow("no") << false;
    QTest::newRow("yes") << true;
  }
  void DestinationPickerAsksBeforeAnExistingFileIsChosen() {
    QFETCH(bool, replace);
    QTemporaryDir folder;
    const QString existing = folder.filePath(QStringLiteral("listing.txt"));
    {
      QFile file(existing);
      QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QString question;
    ModalDriver driver({[&](QWidget* window) {
                          auto* picker = qobject_cast<QFileDialog*>(window);
                          picker->setDirectory(folder.path());
                          TypeFileName(picker, QStringLiteral("listing.txt"));
                          static_cast<QDialog*>(picker)->accept();  // asks; the next handler answers
                          if (picker->isVisible()) {
                            picker->reject();
                          }
                        },
                        [&](QWidget* window) {
                          auto* box = qobject_cast<QMessageBox*>(window);
                          QVERIFY(box != nullptr);
                          question = box->text();
                          box->button(replace ? QMessageBox::Yes : QMessageBox::No)->click();
                        }});
    const std::optional<QString> chosen = QtFilePickers().PickDestination(nullptr);
    QVERIFY(driver.finished());
    QVERIFY2(question.contains(QStringLiteral("already exists")), qPrintable(question));
    QCOMPARE(chosen, replace ? std::optional<QString>(existing) : std::optional<QString>());
  }

  void AboutBoxShowsTheTemplatesTexts() {
    CAboutDlg about;
    QCOMPARE(about.windowTitle(), QStringLiteral("morvane version information"));
    auto text = [&](const char* name) {
      auto* label = about.findChild<QLabel*>(QString::fromLatin1(name));
      return label != nullptr ? label->text() : QStringLiteral("(missing)");
    };
    QCOMPARE(text("purpose"), QStringLiteral("Contents of a project file of RexEdit are outputted "
                                             "by the text form along the time line."));
    QCOMPARE(text("version"), QStringLiteral("morvane Version 1.41"));
    QCOMPARE(text("rexEdit"), QStringLiteral("RexEdit ver2.91 Correspondence."));
    QCOMPARE(text("ezEdit"), QStringLiteral("EzEdit ver2.5  Correspondence."));
    auto* icon = about.findChild<QLabel*>(QStringLiteral("icon"));
    QVERIFY(icon != nullptr);
    QCOMPARE(icon->pixmap().size(), QSize(32, 32));
    const DialogUnits units = DialogUnits::Of(about.font());
    QCOMPARE(about.size(), units.ToPixels(0, 0, 235, 143).size());
    QCOMPARE(icon->pos(), units.ToPixels(17, 31, 0, 0).topLeft());
    auto* ok = about.findChild<QPushButton*>(QStringLiteral("ok"));
    QCOMPARE(ok->text(), QStringLiteral("OK"));
    QCOMPARE(ok->geometry(), units.ToPixels(178, 6, 50, 14));
    QVERIFY(ok->isDefault());
    for (QLabel* label : about.findChildren<QLabel*>()) {
      QVERIFY2(about.rect().contains(label->geometry()), qPrintable(label->objectName()));
      if (!label->wordWrap()) {
        QVERIFY2(label->sizeHint().width() <= label->width(), qPrintable(label->objectName()));
      }
    }
  }

  void AboutBoxEndsOnOkEnterAndEscape_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("result");
    QTest::newRow("Enter") << int{Qt::Key_Return} << int{QDialog::Accepted};
    QTest::newRow("Escape") << int{Qt::Key_Escape} << int{QDialog::Rejected};
    QTest::newRow("OK") << 0 << int{QDialog::Accepted};
  }
  void AboutBoxEndsOnOkEnterAndEscape() {
    QFETCH(int, key);
    QFETCH(int, result);
    CAboutDlg about;
    ModalDriver driver({[&](QWidget* window) {
      if (key == 0) {
        QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("ok")), Qt::LeftButton);
      } else {
        QTest::keyClick(window, static_cast<Qt::Key>(key));
      }
    }});
    QCOMPARE(about.exec(), result);
    QVERIFY(driver.finished());
  }

  void ADriverWithoutItsWindowGivesUpAtTheDeadline() {
    ModalDriver driver({[](QWidget*) {}}, std::chrono::milliseconds(50));
    QTest::qWait(100);
    QVERIFY(!driver.finished());
    QVERIFY(driver.timedOut());
  }

  void ADriverClosesAWindowItWasNotToldAbout() {
    ModalDriver driver({}, std::chrono::milliseconds(50));
    CAboutDlg about;
    QCOMPARE(about.exec(), int{QDialog::Rejected});
    QVERIFY(driver.timedOut());
  }
};

}  // namespace morvane::app

QTEST_MAIN(morvane::app::QtPromptsTest)
#include "qt_prompts_test.moc"
