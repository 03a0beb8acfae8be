#pragma once

#include <QPageSize>
#include <QString>
#include <QStringList>
#include <exception>
#include <functional>
#include <optional>
#include <type_traits>
#include <utility>

#include "platform/canvas.h"
#include "platform/exception.h"
#include "platform/syscolors.h"

class QDialog;
class QPrinter;
class QWidget;

// The program's dialogs with the operator: message boxes, the common dialogs, modal windows.
// Every one goes through the current UiBackend. The program uses the real Qt dialogs; tests
// install a scripted backend that answers from a queue and records what was shown.

// ---------------------------------------------------------------------------------------
// Message boxes

enum class MsgIcon { None, Exclamation, Information, Question, Error };

// The answer of a message box: which button was pressed. mrNone only when nothing was shown.
enum TModalResult : int {
  mrNone = 0,
  mrOk = 1,
  mrCancel = 2,
  mrAbort = 3,
  mrRetry = 4,
  mrIgnore = 5,
  mrYes = 6,
  mrNo = 7,
  mrAll = 8,
};

// The same answers under the numeric names scripts and old code compare with.
inline constexpr int IDOK = mrOk;
inline constexpr int IDCANCEL = mrCancel;
inline constexpr int IDABORT = mrAbort;
inline constexpr int IDRETRY = mrRetry;
inline constexpr int IDIGNORE = mrIgnore;
inline constexpr int IDYES = mrYes;
inline constexpr int IDNO = mrNo;

// Button sets.
enum class MsgButtons { OK, OKCancel, YesNo, YesNoCancel, AbortRetryIgnore, RetryCancel, YesNoAll };

// The buttons of a set, left to right.
QList<int> ButtonsOf(MsgButtons buttons);
// The caption of a button as the box shows it ("确定", "取消", "是(&Y)", ...).
QString ButtonCaption(int result);

// What a box shows, as the backend receives it.
struct MessageRequest {
  QString text;
  QString caption;
  MsgIcon icon = MsgIcon::None;
  QList<int> buttons;     // TModalResult values, left to right
  int defaultButton = 0;  // one of `buttons`; the first when 0
};

// The application's title (captions of plain boxes and of error boxes of the event loop).
QString ApplicationTitle();

// Shows a modal message box and returns the button pressed (a TModalResult). Escape
// answers mrCancel in a box with Cancel, mrOk in an OK box and mrNo in a Yes/No box; other
// boxes are answered by their buttons only.
int MessageBox(const QString& text, const QString& caption, MsgIcon icon = MsgIcon::None,
               MsgButtons buttons = MsgButtons::OK, int defaultButton = 0);

// The numeric form scripts and old code use: MB_* flags for buttons, icon and default button.
// Returns IDOK 1, IDCANCEL 2, IDABORT 3, IDRETRY 4, IDIGNORE 5, IDYES 6, IDNO 7.
inline constexpr int MB_OK = 0x0;
inline constexpr int MB_OKCANCEL = 0x1;
inline constexpr int MB_ABORTRETRYIGNORE = 0x2;
inline constexpr int MB_YESNOCANCEL = 0x3;
inline constexpr int MB_YESNO = 0x4;
inline constexpr int MB_RETRYCANCEL = 0x5;
inline constexpr int MB_ICONERROR = 0x10;
inline constexpr int MB_ICONQUESTION = 0x20;
inline constexpr int MB_ICONEXCLAMATION = 0x30;
inline constexpr int MB_ICONINFORMATION = 0x40;
inline constexpr int MB_DEFBUTTON1 = 0x0;
inline constexpr int MB_DEFBUTTON2 = 0x100;
inline constexpr int MB_DEFBUTTON3 = 0x200;
int MessageBoxFlags(const QString& text, const QString& caption, int flags);

// A box captioned by its kind, with a free set of buttons (TModalResult values).
enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
int MessageDlg(const QString& text, TMsgDlgType type, const QList<int>& buttons, int defaultButton = 0);

// The office's conventions.
// A notice, refusal or input error: exclamation, OK, caption "提示".
void ShowNotice(const QString& text, const QString& caption = QString::fromUtf8("提示"));
// Information (found nothing, duplicate key): information icon, OK, caption "提示".
void ShowInformation(const QString& text, const QString& caption = QString::fromUtf8("提示"));
// A Yes/No question, captioned "请选择", No preselected. True for Yes.
bool AskYesNo(const QString& text, const QString& caption = QString::fromUtf8("请选择"),
              int defaultButton = mrNo);
// An error: error icon, OK, caption "错误".
void ShowError(const QString& text, const QString& caption = QString::fromUtf8("错误"));
// A plain box with OK and the application's title.
void ShowMessage(const QString& text);

// ---------------------------------------------------------------------------------------
// Common dialogs

struct FileDialogRequest {
  QString title;
  // Filters as "描述|*.ext;*.ext2|描述2|*.*" (pairs of text and patterns joined by '|').
  QString filter;
  int filterIndex = 1;     // 1-based
  QString defaultExt;      // appended (with a dot) to a name typed without extension
  QString initialDir;
  QString fileName;        // initial name
  bool overwritePrompt = true;  // save: ask before replacing an existing file
  // When set, receives the 1-based index of the filter the operator had chosen when the
  // dialog was accepted (a save dialog's format follows it).
  int* chosenFilterIndex = nullptr;
};

// The chosen file, or nothing when the operator cancelled.
std::optional<QString> OpenFileDialog(const FileDialogRequest& request);
std::optional<QString> SaveFileDialog(const FileDialogRequest& request);
std::optional<TColor> ColorDialog(TColor initial);
std::optional<TFont> FontDialog(const TFont& initial);

// What the print dialog offers and returns. The caller fills it with the job's present
// settings; on OK it holds the operator's choice, which ApplyPrintChoice gives to the printer
// of the job, so what is chosen is what is printed.
struct PrintDialogRequest {
  enum Range { AllPages, PageRange, Selection };
  int minPage = 1;
  int maxPage = 1;
  int fromPage = 1;
  int toPage = 1;
  int copies = 1;
  bool collate = false;
  Range range = AllPages;
  QString printerName;      // empty: the current printer
  bool printToFile = false; // a PDF file (`outputFileName`) instead of a printer
  QString outputFileName;
  QPageSize pageSize;       // invalid: the job's own paper
  bool landscape = false;
  QString documentName;     // names the PDF file proposed when no printer is installed
};
// Shows the print dialog for `printer` (may be null); on OK the request holds the choices
// and the printer is set up with them. False when cancelled. (A scripted answer changes the
// request only; the printer is left as it is.) The dialog always offers printing into a PDF
// file, also on a machine without printers, and reads the printer list as it opens.
bool PrintDialog(PrintDialogRequest& request, QPrinter* printer = nullptr);

// Gives `printer` the choice of a print dialog: the printer or the PDF file, copies,
// collation, page range, paper (when chosen) and orientation.
void ApplyPrintChoice(const PrintDialogRequest& request, QPrinter* printer);
// The request describing `printer` as it is set up now (printer or file, copies, paper,
// orientation); pages as given.
void DescribePrinter(PrintDialogRequest& request, const QPrinter* printer);

// The printers installed now, read from the system at each call (a printer added while the
// program runs is seen).
QStringList InstalledPrinterNames();
QString DefaultPrinterName();

struct PrinterSetupRequest {
  QString printerName;
  bool landscape = false;
  QString paperName;  // empty: unchanged
  QPageSize pageSize; // invalid: unchanged
};
// Shows the page set-up dialog for `printer`; on OK the request holds the choice. The Qt
// dialog sets the printer up itself; callers give the choice to their printer with
// ApplyPrinterSetup, so a scripted answer is followed the same way.
bool PrinterSetupDialog(PrinterSetupRequest& request, QPrinter* printer = nullptr);
void ApplyPrinterSetup(const PrinterSetupRequest& request, QPrinter* printer);

// A one-line text input. On OK `value` holds the text and the result is true.
bool InputQuery(const QString& caption, const QString& prompt, QString& value);
// The entered text, or `defaultValue` when cancelled.
QString InputBox(const QString& caption, const QString& prompt, const QString& defaultValue);

// ---------------------------------------------------------------------------------------
// Modal windows

// Shows `dialog` modally and returns its result (QDialog's, or the TModalResult the window
// finished with). Every window of the program is shown modally through here.
int RunModal(QDialog* dialog);

// ---------------------------------------------------------------------------------------
// The backend

class UiBackend {
 public:
  virtual ~UiBackend() = default;
  virtual int messageBox(const MessageRequest& request) = 0;
  virtual std::optional<QString> openFile(const FileDialogRequest& request) = 0;
  virtual std::optional<QString> saveFile(const FileDialogRequest& request) = 0;
  virtual std::optional<TColor> chooseColor(TColor initial) = 0;
  virtual std::optional<TFont> chooseFont(const TFont& initial) = 0;
  virtual bool print(PrintDialogRequest& request, QPrinter* printer) = 0;
  virtual bool printerSetup(PrinterSetupRequest& request, QPrinter* printer) = 0;
  virtual bool inputQuery(const QString& caption, const QString& prompt, QString& value) = 0;
  virtual int runModal(QDialog* dialog) = 0;
};

// The backend with the real Qt dialogs.
UiBackend& QtUiBackend();
// Installs `backend` (null: the Qt one) and returns the previous one.
UiBackend* SetUiBackend(UiBackend* backend);
UiBackend& CurrentUiBackend();

// Helpers of the Qt backend that tests check on their own.
// "文本文件|*.txt|所有文件|*.*" -> "文本文件 (*.txt);;所有文件 (*.*)"
QString QtFileFilter(const QString& filter);
// Appends `defaultExt` to a name that has no extension.
QString ApplyDefaultExt(const QString& fileName, const QString& defaultExt);

// ---------------------------------------------------------------------------------------
// Exception barrier

// Shows the message of an exception that escaped an event handler: error icon, OK, the
// application title as caption.
void ShowException(const QString& message);

// Runs `handler`; an Exception or std::exception escaping it is shown by ShowException and
// swallowed, so the event loop goes on. Returns false when the handler failed.
template <class F>
bool Guard(F&& handler) noexcept {
  try {
    std::forward<F>(handler)();
    return true;
  } catch (const Exception& e) {
    ShowException(e.message());
  } catch (const std::exception& e) {
    ShowException(QString::fromUtf8(e.what()));
  } catch (...) {
    ShowException(QString::fromUtf8("发生未知错误"));
  }
  return false;
}

// Wraps a slot for connect(): the returned callable runs `handler` with its arguments under
// Guard. Example: connect(button, &QPushButton::clicked, this, Guarded([this] { Save(); }));
template <class F>
auto Guarded(F handler) {
  return [handler = std::move(handler)](auto&&... args) mutable {
    Guard([&] {
      if constexpr (std::is_invocable_v<F&, decltype(args)...>)
        handler(std::forward<decltype(args)>(args)...);
      else
        handler();  // a handler that ignores the signal's arguments
    });
  };
}
