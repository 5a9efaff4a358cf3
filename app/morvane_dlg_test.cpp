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
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>
#include <span>

#include "app/about_dlg.h"
#include "app/dialog_units.h"
#include "app/qt_prompts.h"
#include "app/testing/modal_driver.h"
#include "convert/project_links.h"
#include "convert/version.h"
#include "app/morvane_app.h"
#include "testing/doubles/recording_prompts.h"
#include "testing/example_projects.h"

namespace morvane::app {

namespace {

// The controls of the main dialog and the about box: name, English text, rectangle (dialog units).
struct TemplateControl {
  const char *name, *text;
  int x, y, width, height;
};
// clang-format off
const TemplateControl kMainControls[] = {
    {"step1", "Step1: Select Software", 5, 5, 67, 8}, {"rexEdit", "RexEdit", 24, 17, 39, 10},
    {"ezEdit", "EzEdit( EZDV II )", 68, 17, 66, 10}, {"step2", "Step2: Select EDL output", 5, 34, 74, 8},
    {"ntscDropFrame", "NTSC(drop frame)", 24, 45, 65, 10}, {"pal", "PAL", 108, 45, 24, 10},
    {"ntscNonDrop", "NTSC(non drop frame)", 24, 56, 82, 10}, {"frame", "FRAME", 108, 56, 34, 10},
    {"step3", "Step3: Select dvc source file", 5, 74, 157, 8}, {"sourcePath", "", 25, 84, 123, 12},
    {"browseSource", "...", 151, 84, 11, 12}, {"step4", "Step4: Select txt destination file", 5, 102, 157, 8},
    {"destinationPath", "", 25, 112, 122, 12}, {"browseDestination", "...", 151, 112, 11, 12},
    {"step5", "Step5:", 5, 130, 31, 8}, {"convert", "convert", 38, 129, 32, 28},
    {"progress", nullptr, 72, 130, 90, 13}, {"status", "", 72, 144, 90, 13}};
const TemplateControl kAboutControls[] = {
    {"purpose", nullptr, 43, 33, 166, 26}, {"version", nullptr, 86, 60, 59, 8},
    {"rexEdit", "RexEdit ver2.91 Correspondence.", 86, 71, 133, 10},
    {"ezEdit", "EzEdit ver2.5  Correspondence.", 86, 82, 133, 10},
    {"thanks", "Thanks to everyone who still edits on DV.", 86, 128, 140, 10}, {"ok", "OK", 178, 6, 50, 14}};
// clang-format on

// The language of the catalog for one test; English again after it.
struct LanguageScope {
  explicit LanguageScope(UiLanguage language) { SetLanguage(language); }
  ~LanguageScope() { SetLanguage(UiLanguage::English); }
};

// Why a control's text does not fit the box (pixels; empty: it fits), measured in the control's
// font: a label's size hint (wrapped, its height at the box's width), a radio button's text from
// where the style starts it after the circle, a push button's text within the style's contents
// rectangle for a button of the box's size.
QString Misfit(const QWidget& control, const QRect& box) {
  const QFontMetrics metrics = control.fontMetrics();
  int needed = 0;
  int room = box.width();
  if (auto* label = qobject_cast<const QLabel*>(&control)) {
    if (label->wordWrap()) {
      return label->heightForWidth(box.width()) <= box.height()
                 ? QString()
                 : QStringLiteral("%1 lines too tall").arg(label->heightForWidth(box.width()) - box.height());
    }
    needed = label->sizeHint().width();
  } else if (auto* radio = qobject_cast<const QRadioButton*>(&control)) {
    QStyleOptionButton option;
    option.initFrom(radio);
    option.rect = QRect(QPoint(), box.size());
    needed = radio->style()->subElementRect(QStyle::SE_RadioButtonContents, &option, radio).left() +
             metrics.horizontalAdvance(radio->text());
  } else if (auto* button = qobject_cast<const QPushButton*>(&control)) {
    QStyleOptionButton option;
    option.initFrom(button);
    option.rect = QRect(QPoint(), box.size());
    room = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button).width();
    needed = metrics.horizontalAdvance(QString(button->text()).remove(QLatin1Char('&')));
  }
  if (metrics.height() > box.height()) {
    return QStringLiteral("%1 px too tall").arg(metrics.height() - box.height());
  }
  return needed <= room ? QString() : QStringLiteral("%1 px too wide").arg(needed - room);
}

}  // namespace

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
  // In each language every control of both dialogs sits at the template's rectangle, its text
  // whole in its font and apart from the others; in English a label or radio button may grow to
  // the right to show its whole text, in Japanese none grows and every text but a name is
  // translated. Qt's own texts (the pickers', its boxes') come from its Japanese catalog.
  void ControlsSitAtTheTemplatesDialogUnitsWholeAndApartInBothLanguages() {
    // Windows rounds half away from zero and refuses what does not fit.
    QCOMPARE(QList<int>({MulDiv(67, 6, 4), MulDiv(-3, 1, 2), MulDiv(INT_MAX, 2, 1)}),
             QList<int>({101, -2, -1}));
    QCOMPARE(DialogUnits({6, 13}).ToPixels(25, 84, 123, 12), QRect(38, 137, 185, 20));
    for (const UiLanguage language : {UiLanguage::English, UiLanguage::Japanese}) {
      const LanguageScope scope(language);
      const bool english = language == UiLanguage::English;
      CMorvaneDlg dialog(messages_, pickers_);
      CAboutDlg about;
      QCOMPARE(dialog.size(), DialogUnits::Of(dialog.font()).ToPixels(0, 0, 167, 165).size());
      const struct { QDialog* dialog; std::span<const TemplateControl> controls; } dialogs[] = {
          {&dialog, kMainControls}, {&about, kAboutControls}};
      for (const auto& [window, controls] : dialogs) {
        const DialogUnits units = DialogUnits::Of(window->font());
        for (const TemplateControl& control : controls) {
          const QWidget* widget = Find(*window, control.name);
          const QRect box = units.ToPixels(control.x, control.y, control.width, control.height);
          const bool grows = english && (qobject_cast<const QLabel*>(widget) || qobject_cast<const QRadioButton*>(widget));
          QCOMPARE(widget->geometry(), grows ? QRect(box.topLeft(), QSize(std::max(box.width(), widget->width()),
                                                                          box.height()))
                                             : box);
          const QString text = widget->property("text").toString();
          // Translated, or a name that is the same in Japanese.
          const QStringList names = {"OK", "...", "RexEdit", "EzEdit( EZDV II )", "PAL", "FRAME"};
          const QString want = QString::fromLatin1(control.text != nullptr ? control.text : "");
          QVERIFY2(control.text == nullptr ||
                       (english ? text == want : text != want || want.isEmpty() || names.contains(want)),
                   control.name);
          const QString misfit = Misfit(*widget, widget->geometry());
          QVERIFY2(misfit.isEmpty(), qPrintable(QStringLiteral("%1 %2: %3").arg(control.name, misfit, text)));
        }
      }
      const QList<QWidget*> all = dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
      for (const QWidget* control : all) {
        QVERIFY(dialog.rect().contains(control->geometry()));
        for (const QWidget* other : all) {
          QVERIFY2(other == control || !control->geometry().intersects(other->geometry()),
                   qPrintable(control->objectName() + QStringLiteral(" overlaps ") + other->objectName()));
        }
      }
      // At least one unit apart, also once rounded to pixels.
      QVERIFY(Find(dialog, "frame")->x() - Find(dialog, "ntscNonDrop")->geometry().right() >
              DialogUnits::Of(dialog.font()).ToPixelsX(1));
      // The about box shows no line for a home page or contact the build does not set.
      QCOMPARE(about.findChild<QLabel*>(QStringLiteral("web")) != nullptr, *version::kHomePage != '\0');
      QCOMPARE(about.findChild<QLabel*>(QStringLiteral("mail")) != nullptr, *version::kContact != '\0');
      for (QLabel* label : about.findChildren<QLabel*>()) {
        QVERIFY(label->wordWrap() || label->sizeHint().width() <= label->width());
      }
    }
    CAboutDlg about;
    QCOMPARE(Find<QLabel>(about, "version")->text(),
             QStringLiteral("morvane Version ") + QString::fromLatin1(version::kDisplayVersion));
    QTranslator qt;
    for (const UiLanguage language : {UiLanguage::English, UiLanguage::Pseudo}) {
      QVERIFY(!InstallQtTranslations(language, qt));
    }
    QVERIFY(InstallQtTranslations(UiLanguage::Japanese, qt));
    const QString cancel = QCoreApplication::translate("QPlatformTheme", "Cancel");
    QCoreApplication::removeTranslator(&qt);
    QCOMPARE(cancel, QStringLiteral("キャンセル"));
  }

  // Every text of the dialog, its context menu, the about box, the boxes the dialog shows and the
  // pickers' titles and types comes from the catalog: in the pseudo-language each is marked. The
  // only texts not marked are names and data, the same in every language.
  void EveryTextShownIsMarkedInThePseudoLanguage() {
    const LanguageScope pseudo(UiLanguage::Pseudo);
    const QStringList unmarked = {
        QString::fromLatin1(kCaption.data(), static_cast<qsizetype>(kCaption.size())),  // the boxes' caption
        "...",                                                // the browse buttons' sign
        "RexEdit", "EzEdit( EZDV II )", "PAL", "FRAME",       // the editors' and modes' own names
        // The about box's notice, home page and contact, as the build sets them.
        QString::fromLatin1(version::kLegalCopyright), QString::fromUtf8(version::kHomePage),
        QString::fromUtf8(version::kContact)};
    QStringList shown;  // "where: text" of each visible text
    auto collect = [&](QWidget* window) {
      QList<QWidget*> widgets = window->findChildren<QWidget*>();
      widgets.prepend(window);
      shown << QStringLiteral("title: ") + window->windowTitle();
      for (QWidget* widget : widgets) {
        // Labels, buttons and fields; the bar shows no text.
        const QString text = widget->property("text").toString();
        if ((widget == window || widget->isVisibleTo(window)) && !text.isEmpty() &&
            !qobject_cast<QProgressBar*>(widget)) {
          shown << widget->objectName() + QStringLiteral(": ") + text;
        }
      }
    };
    QtMessageBoxes messages;
    QtFilePickers pickers;
    CMorvaneDlg dialog(messages, pickers);
    messages.SetParent(&dialog);
    pickers.SetParent(&dialog);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    collect(&dialog);
    const std::unique_ptr<QMenu> menu = dialog.MakeContextMenu();
    for (QAction* item : menu->actions()) shown << QStringLiteral("menu: ") + item->text();

    // The boxes: a file that is no project offered, a failed conversion, the wrong software.
    QTemporaryDir folder;
    const std::vector<testing::ExampleProject> examples = testing::ExampleProjects();  // rexedit, ezedit
    const QString ezEdit = folder.filePath(QString::fromStdString(examples[1].name));
    examples[1].file.SaveTo(ezEdit.toStdString());
    auto answer = [&](QMessageBox::StandardButton button) {
      return [&, button](QWidget* window) {
        collect(window);
        qobject_cast<QMessageBox*>(window)->button(button)->click();
      };
    };
    // Of a picker only what the dialog gives it: the title and the file types (the rest is Qt's;
    // the folder picker's one type too).
    auto picker = [&](QWidget* window) {
      shown << QStringLiteral("title: ") + window->windowTitle();
      auto* types = Find<QComboBox>(*window, "fileTypeCombo");
      const bool folders = qobject_cast<QFileDialog*>(window)->testOption(QFileDialog::ShowDirsOnly);
      for (int i = 0; !folders && i < types->count(); ++i) {
        shown << QStringLiteral("type: ") + types->itemText(i);
      }
      ModalDriver::Dismiss(window);
    };
    auto dismiss = [&](QWidget* window) {
      collect(window);
      ModalDriver::Dismiss(window);
    };
    ModalDriver driver({answer(QMessageBox::No), answer(QMessageBox::Ok), answer(QMessageBox::Cancel), picker,
                        picker, picker, dismiss});
    dialog.OfferSource({folder.filePath(QStringLiteral("clip.avi"))});
    Find<QPushButton>(dialog, "convert")->click();
    Find<QLineEdit>(dialog, "sourcePath")->setText(ezEdit);
    Find<QLineEdit>(dialog, "destinationPath")->setText(folder.filePath(QStringLiteral("out.txt")));
    Find<QPushButton>(dialog, "convert")->click();  // RexEdit chosen: asks
    Find<QPushButton>(dialog, "browseSource")->click();
    Find<QPushButton>(dialog, "browseDestination")->click();
    menu->actions().at(1)->trigger();  // "Media folders..."'s picker
    dialog.ShowAbout();
    QVERIFY(driver.finished());
    // The dialog, 3 boxes, 3 pickers and the about box.
    QCOMPARE(shown.filter(QStringLiteral("title: ")).size(), 8);
    QCOMPARE(static_cast<std::size_t>(shown.filter(QStringLiteral("type: ")).size()),
             DialogCore::SourcePicker().filters.size() + DialogCore::DestinationPicker().filters.size());

    QStringList missing;
    const QString mark = QString::fromUtf8(kPseudoOpen.data(), static_cast<qsizetype>(kPseudoOpen.size()));
    for (const QString& text : shown) {
      const QString value = text.section(QStringLiteral(": "), 1);
      if (!value.contains(mark) && !unmarked.contains(value)) {
        missing << text;
      }
    }
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QStringLiteral(" | "))));
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
        QMessageBox plain(QMessageBox::NoIcon, {}, {}, box->standardButtons());  // Qt's own names
        for (QAbstractButton* button : box->buttons()) {
          QCOMPARE(button->text(), plain.button(box->standardButton(button))->text());
        }
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

  // The open picker shows the description's labels and types, lists every file under "all",
  // reports the type chosen with the suffix added, and refuses a missing folder; the save picker
  // opens in the source's folder and asks before replacing.
  void PickersShowTheLabelsReportTheTypeRefuseAMissingFolderAndAskBeforeReplacing() {
    QTemporaryDir folder;
    for (const char* name : {"README", "a.dvc", "a.txt"}) {
      QFile(folder.filePath(QString::fromLatin1(name))).open(QIODevice::WriteOnly);
    }
    QStringList seen, answers, folders;  // what the first picker showed, the boxes' texts, where each opened
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
    ModalDriver driver({[&](QWidget* window) {
                          auto* picker = qobject_cast<QFileDialog*>(window);
                          auto* types = Find<QComboBox>(*picker, "fileTypeCombo");
                          seen << picker->windowTitle() << picker->defaultSuffix() << FileName(picker)->text()
                               << types->itemText(0) << types->itemText(1);
                          picker->setDirectory(folder.path());
                          picker->selectNameFilter(picker->nameFilters().at(1));
                          auto* list = Find<QListView>(*picker, "listView");
                          QTRY_COMPARE(list->model()->rowCount(list->rootIndex()), 3);  // README has no dot
                          FileName(picker)->setText(QStringLiteral("wedding"));
                          static_cast<QDialog*>(picker)->accept();
                        },
                        choose(QStringLiteral("/no/such/folder/a.dvc")), answer(QMessageBox::Ok),
                        choose(folder.filePath(QStringLiteral("a"))), answer(QMessageBox::Yes)});
    const auto chosen = QtFilePickers().PickSource(DialogCore::SourcePicker());
    QVERIFY(chosen && chosen->filter == 1);
    QCOMPARE(seen, (QStringList{"Open", "dvc", "*.dvc", "Rex Edit file (*.dvc)", "all(*.*)"}));
    QCOMPARE(QString::fromStdString(chosen->path), folder.filePath(QStringLiteral("wedding.dvc")));
    QVERIFY(!QtFilePickers().PickSource(DialogCore::SourcePicker()));
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
