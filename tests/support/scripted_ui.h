#pragma once

#include <gtest/gtest.h>

#include <QDialog>
#include <QList>
#include <QString>
#include <QVector>
#include <deque>
#include <functional>

#include "platform/ui.h"

// Replaces the program's dialogs for one test. While an object lives it is the UI backend:
// every message box, common dialog and modal window is answered from its queue of answers,
// in the order they were given, and recorded so the test can assert what was shown.
//
//   ScriptedUi ui;
//   ui.answerMessage(mrYes);                       // the next question is answered Yes
//   ui.onModal([](QDialog* d) { ...; d->accept(); });
//   form.DeleteClick();
//   EXPECT_EQ(ui.lastMessage().text, "要删除当前记录吗? ");
//
// A box with only an OK button has nothing to choose: it is recorded and answered OK without
// taking an answer from the queue. Anything else that shows up without a matching answer
// fails the test (with what was shown) and is answered the safe way (Cancel, No, closed),
// never by waiting for a person. Answers left unused when the object ends fail the test too.
class ScriptedUi : public UiBackend {
 public:
  enum class Dialog { Message, OpenFile, SaveFile, Color, Font, Print, PrinterSetup, Input, Modal };

  // One shown message box and the answer it got.
  struct Message {
    QString text;
    QString caption;
    MsgIcon icon = MsgIcon::None;
    QList<int> buttons;
    int defaultButton = 0;
    int answer = mrNone;
  };

  ScriptedUi();
  ~ScriptedUi() override;
  ScriptedUi(const ScriptedUi&) = delete;
  ScriptedUi& operator=(const ScriptedUi&) = delete;

  // Answers, consumed in order.
  ScriptedUi& answerMessage(int result);
  ScriptedUi& answerOpenFile(const QString& fileName);
  ScriptedUi& answerSaveFile(const QString& fileName);  // the request's default extension is applied
  ScriptedUi& answerColor(TColor color);
  ScriptedUi& answerFont(const TFont& font);
  // OK in the print dialog; `choose` may change the request (pages, copies) first.
  ScriptedUi& answerPrint(std::function<void(PrintDialogRequest&)> choose = {});
  ScriptedUi& answerPrinterSetup(std::function<void(PrinterSetupRequest&)> choose = {});
  ScriptedUi& answerInput(const QString& value);
  // Cancels the next dialog of that kind (a message box: closed with Escape / Cancel).
  ScriptedUi& cancel(Dialog kind);
  // Runs `act` once the next modal window is shown; `act` must close it (accept, reject,
  // done, or a button that does). A window still open afterwards fails the test and is
  // rejected.
  ScriptedUi& onModal(std::function<void(QDialog*)> act);
  // The same for a window that must be a `W`: anything else shown fails the test (naming its
  // class) and is closed unanswered.
  template <class W>
  ScriptedUi& onWindow(std::function<void(W*)> act) {
    return onModal([act](QDialog* d) {
      auto* w = qobject_cast<W*>(d);
      ASSERT_NE(w, nullptr) << d->metaObject()->className();
      act(w);
    });
  }

  // What was shown.
  const QVector<Message>& messages() const { return messages_; }
  const Message& lastMessage() const;  // fails the test when no box was shown
  QStringList messageTexts() const;
  const QVector<Dialog>& dialogs() const { return dialogs_; }  // every dialog, in order
  const QVector<FileDialogRequest>& fileRequests() const { return fileRequests_; }
  const QVector<PrintDialogRequest>& printRequests() const { return printRequests_; }
  QStringList modalWindows() const { return modalWindows_; }  // object names (or titles)
  int pendingAnswers() const { return int(answers_.size()); }

  static QString describe(Dialog kind);

  // UiBackend
  int messageBox(const MessageRequest& request) override;
  std::optional<QString> openFile(const FileDialogRequest& request) override;
  std::optional<QString> saveFile(const FileDialogRequest& request) override;
  std::optional<TColor> chooseColor(TColor initial) override;
  std::optional<TFont> chooseFont(const TFont& initial) override;
  bool print(PrintDialogRequest& request, QPrinter* printer) override;
  bool printerSetup(PrinterSetupRequest& request, QPrinter* printer) override;
  bool inputQuery(const QString& caption, const QString& prompt, QString& value) override;
  int runModal(QDialog* dialog) override;

 private:
  struct Answer {
    explicit Answer(Dialog k = Dialog::Message) : kind(k) {}
    Dialog kind;
    bool cancel = false;
    int button = mrNone;
    QString text;
    TColor color = clNone;
    TFont font;
    std::function<void(PrintDialogRequest&)> print;
    std::function<void(PrinterSetupRequest&)> setup;
    std::function<void(QDialog*)> modal;
  };
  // The next answer when it is of `kind`; otherwise fails the test with `what` and returns
  // false.
  bool take(Dialog kind, const QString& what, Answer* out);
  ScriptedUi& push(Answer answer);

  UiBackend* previous_;
  std::deque<Answer> answers_;
  QVector<Message> messages_;
  QVector<Dialog> dialogs_;
  QVector<FileDialogRequest> fileRequests_;
  QVector<PrintDialogRequest> printRequests_;
  QStringList modalWindows_;
};

// A save a record window refuses: the code and name typed and the prompt it shows.
struct RefusedSave {
  const char* code;
  const char* name;
  const char* message;
  MsgIcon icon;
};

// The last box shown was the prompt `message` (caption "提示") with `icon`.
inline void ExpectPrompt(const ScriptedUi& ui, const char* message, MsgIcon icon) {
  EXPECT_EQ(ui.lastMessage().text, QString::fromUtf8(message));
  EXPECT_EQ(ui.lastMessage().caption, QString::fromUtf8("提示"));
  EXPECT_EQ(ui.lastMessage().icon, icon);
}
