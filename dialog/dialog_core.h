#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "convert/conversion_job.h"
#include "convert/messages.h"
#include "listing/format_kinds.h"
#include "listing/progress_sink.h"

// The main dialog without its toolkit: every rule of the five-step dialog lives here, and a
// front end (the Qt view in app/, a native Win32 view) only draws controls, forwards clicks,
// typed paths and keys to DialogCore, and shows what it says through three small interfaces:
//
//   DialogView    repaints the progress bar and the status line at once;
//   MessageBoxes  shows one message box and returns when the user has closed it;
//   FilePickers   runs the open or the save picker that a PickerDescription describes.
//
// Texts and paths are UTF-8 std::string throughout; a view converts at its edge (QString,
// UTF-16 for Win32). Nothing here uses a toolkit type. Everything runs on the dialog's thread.
namespace morvane {

// ---- The seams a front end implements -------------------------------------------------------

// The bar (0 to kProgressSteps) and the status line, as the user sees them.
class DialogView {
 public:
  virtual ~DialogView() = default;
  // Sets the bar to position and the status line to status, and repaints both synchronously:
  // a conversion runs on the dialog's thread and does not return to the event loop.
  virtual void ShowProgress(int position, std::string_view status) = 0;
};

// The message boxes of the dialog. Show returns when the user has closed the box.
class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  // A modal box with the caption kCaption ("morvane"), the text as it stands (plain text, no
  // markup, "\n" breaks lines), one OK button and, for MessageIcon::Warning, the warning icon
  // (an exclamation mark); MessageIcon::None shows no icon.
  virtual void Show(std::string_view text, MessageIcon icon) = 0;

  // A modal box with the caption kCaption, the text as it stands, the warning icon and the
  // buttons Yes (the default), No and Cancel; Escape and the close box answer Cancel.
  enum class Answer { Yes, No, Cancel };
  virtual Answer Ask(std::string_view text) = 0;

  // A modal box with the caption kCaption, the text as it stands, the warning icon and the
  // buttons Yes (the default) and No. True: Yes. Without a box of its own, a front end asks
  // with Ask, where Cancel counts as No.
  virtual bool AskYesNo(std::string_view text) { return Ask(text) == Answer::Yes; }
};

// One entry of a picker's file type list.
struct FileFilter {
  std::string label;                  // shown exactly as it stands: "Text file (*.txt)"
  std::vector<std::string> patterns;  // the names it shows: {"*.txt"}; {"*"} is every file
};

// What a file picker must look like and do. The texts are the dialog's own.
struct PickerDescription {
  enum class Mode { Open, Save };

  Mode mode = Mode::Open;
  std::string title;                // the picker's window title
  std::vector<FileFilter> filters;  // in this order; the first is chosen at start
  std::string defaultSuffix;        // without the dot, added to a name typed without one
  std::string initialName;          // the file name field's text at start
  std::string initialFolder;        // the folder it opens in; empty: the system's choice
  bool askBeforeOverwrite = false;  // ask before an existing file is chosen (save picker)
  bool showReadOnlyBox = false;     // the "open as read-only" box is shown ...
  bool readOnlyBoxTicked = false;   // ... and initially ticked (platforms without it ignore both)
  // The folder of the chosen name must exist: the picker refuses a name in a missing folder and
  // stays open. The file itself need not exist (the conversion then says it cannot be opened).
  bool pathMustExist = false;
};

// A confirmed choice of a picker.
struct PickedFile {
  std::string path;        // the full path, UTF-8
  std::size_t filter = 0;  // index into PickerDescription::filters of the type chosen last
};

// The pickers behind the two "..." buttons. Each returns the choice, or nothing when the user
// cancelled.
class FilePickers {
 public:
  virtual ~FilePickers() = default;
  virtual std::optional<PickedFile> PickSource(const PickerDescription& description) = 0;
  virtual std::optional<PickedFile> PickDestination(const PickerDescription& description) = 0;
  // The folder picker of "Media folders...", titled title: the folder chosen (UTF-8), or nothing
  // when the user cancelled (also where a front end has none).
  virtual std::optional<std::string> PickFolder(const std::string& title) {
    static_cast<void>(title);
    return std::nullopt;
  }
};

// ---- The dialog's controls and keys -----------------------------------------------------------

// The six radio buttons, in tab and creation order. The first two form the software group, the
// other four the timecode group.
enum class DialogRadio { RexEdit, EzEdit, NtscDropFrame, NtscNonDrop, Pal, Frame };

// The keys whose handling is the dialog's own, and what a view does with them.
enum class DialogKey { Enter, Escape, F1, Other };
enum class KeyCommand {
  PressFocusedButton,  // click the push button that has the focus
  Nothing,             // swallow the key
  Close,               // end the dialog, as its close button does
  ShowAbout,           // open the about box modally
  Default,             // the toolkit's ordinary handling
};

// What the message box after "convert" says.
struct DialogOutcome {
  std::string text;
  MessageIcon icon = MessageIcon::None;

  bool operator==(const DialogOutcome&) const = default;
};

// ---- The core -------------------------------------------------------------------------------

// The dialog's state (the settings and the two paths) and its actions. It is the conversion's
// ProgressSink: Step and SetStatus reach the view through the repaint throttle.
class DialogCore : public ProgressSink {
 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;

  // A repaint waits while the last one is less than this ago.
  static constexpr std::chrono::milliseconds kRepaintInterval{15};

  // view, messages and pickers must outlive the core. clock is replaced only by tests.
  DialogCore(
      DialogView& view, MessageBoxes& messages, FilePickers& pickers,
      Clock clock = [] { return std::chrono::steady_clock::now(); });

  // -- State --
  const ConversionSettings& settings() const { return settings_; }
  const std::string& sourcePath() const { return sourcePath_; }
  const std::string& destinationPath() const { return destinationPath_; }
  // The file type chosen in the destination picker for the path it returned; nothing once the
  // path was typed or when no picker chose it.
  std::optional<std::size_t> destinationFilter() const { return destinationFilter_; }
  // What "convert" writes: the format whose extension the destination has (a row of the table
  // of formats, in any case), else that of the file type chosen in the picker (one type per
  // format, in the table's order), else the listing. An export in FRAME mode is refused with a
  // warning before any file is opened.
  ExportFormat DestinationFormat() const;

  // -- Radio buttons --
  // The text of a radio button, and whether it is checked: exactly the buttons of the settings in
  // force are checked, from the start (RexEdit, NTSC(drop frame)).
  static std::string_view RadioText(DialogRadio radio);
  bool IsChecked(DialogRadio radio) const;
  // A click sets the button's setting and nothing else; the view then checks it and clears the
  // other buttons of its group.
  void ClickRadio(DialogRadio radio);

  // -- Path fields --
  // The view reports every change of a path field's text (typing, pasting). Setting the text a
  // field already holds changes nothing.
  void SetSourcePath(std::string path);
  void SetDestinationPath(std::string path);

  // -- The "..." buttons --
  // Runs the picker; a confirmed choice becomes the path (true: the view shows the new path),
  // a cancelled one leaves the path as it was, including text typed before.
  bool BrowseForSource();
  bool BrowseForDestination();
  // The destination picker opens in the folder of sourcePath (a bare name has none).
  static PickerDescription SourcePicker();
  static PickerDescription DestinationPicker(std::string_view sourcePath = {});

  // -- A file dropped on the dialog, or named when the program starts --
  // The first of paths (a drop may hold several files) whose name ends in ".dvc" in any letter
  // case becomes the source. When none does, the first path becomes it if the user answers Yes
  // to OtherFileQuestion. Nothing else changes: the destination stays the person's choice.
  // Returns true when the source was set (the view shows the new path).
  bool OfferSource(const std::vector<std::string>& paths);
  static std::string OtherFileQuestion(std::string_view path);

  // -- "convert" --
  // Runs the conversion of the two paths with the settings in force, on the calling thread, with
  // this core as its progress sink; then shows the final progress (a refused conversion empties
  // the status line; a completed one has emptied it and stands at 200), shows the outcome's box
  // (DialogMessage with DialogIcon) and, once the box is closed, puts the bar back to 0. Returns
  // what the box said.
  //
  // When the software chosen in step 1 does not fit the project and the other one does, it asks
  // (WrongSoftwareQuestion) before anything is put in place, or after the refusal the wrong
  // choice caused: Yes converts again with the one that fits (the choice in step 1 stays), No
  // puts the files in place (or shows the refusal) without the hint, Cancel discards them and
  // shows no box (the empty outcome).
  DialogOutcome Convert();

  // -- "Media folders..." --
  // The context menu's item beside the about item, and the title of its folder picker.
  static constexpr std::string_view kMediaFoldersItem = TrNoop("Media folders...");  // shown through Tr
  static constexpr std::string_view kMediaFoldersTitle = TrNoop("Media folders");
  // The media of an export are looked for in the project's folder, then in its folder tree and
  // each folder added here with its subfolders (listing/media_finder.h), for as long as the
  // dialog is open. Runs the folder picker; true when it added a folder (one already added is
  // not added again).
  bool AddMediaFolder();
  const std::vector<std::string>& MediaFolders() const { return mediaFolders_; }

  // -- Keys --
  // Enter never ends the dialog: a focused push button takes it, elsewhere it does nothing, so a
  // typed path stays. Escape ends the dialog, F1 opens the about box, other keys are the
  // toolkit's.
  static KeyCommand CommandForKey(DialogKey key, bool pushButtonFocused);

  // -- ProgressSink --
  // Step moves the bar by one step, SetStatus sets the status text. Either repaints at once
  // unless the last repaint is less than kRepaintInterval ago; then the new position or text
  // waits for the next repaint (a large project sets thousands of texts). The empty text always
  // repaints at once, with the bar's position.
  void Step() override;
  void SetStatus(std::string_view text) override;

 private:
  void RepaintNow();
  void RepaintWhenDue();
  ConversionOutcome RunConversion(SoftwareKind software, std::optional<MessageBoxes::Answer>& answer,
                                  bool replaceFurther);

  DialogView& view_;
  MessageBoxes& messages_;
  FilePickers& pickers_;
  Clock clock_;

  ConversionSettings settings_;
  std::string sourcePath_;
  std::string destinationPath_;
  std::optional<std::size_t> destinationFilter_;
  std::vector<std::string> mediaFolders_;  // added by "Media folders...", in order

  int position_ = 0;
  std::string status_;
  std::optional<std::chrono::steady_clock::time_point> lastRepaint_;
};

}  // namespace morvane
