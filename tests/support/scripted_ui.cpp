#include "tests/support/scripted_ui.h"

#include <QPointer>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

QString IconName(MsgIcon icon) {
  switch (icon) {
    case MsgIcon::None: return QStringLiteral("none");
    case MsgIcon::Exclamation: return QStringLiteral("exclamation");
    case MsgIcon::Information: return QStringLiteral("information");
    case MsgIcon::Question: return QStringLiteral("question");
    case MsgIcon::Error: return QStringLiteral("error");
  }
  return QString();
}

QString Describe(const MessageRequest& r) {
  QStringList buttons;
  for (int b : r.buttons) buttons << QString::number(b);
  return QStringLiteral("message box \"%1\" captioned \"%2\" (icon %3, buttons %4)")
      .arg(r.text, r.caption, IconName(r.icon), buttons.join(QLatin1Char(',')));
}

// The answer a box gets when the script did not give one: the one that changes nothing.
int SafeAnswer(const QList<int>& buttons) {
  for (int b : {int(mrCancel), int(mrNo), int(mrIgnore)})
    if (buttons.contains(b)) return b;
  return buttons.isEmpty() ? int(mrOk) : buttons.last();
}

}  // namespace

ScriptedUi::ScriptedUi() : previous_(SetUiBackend(this)) {}

ScriptedUi::~ScriptedUi() {
  SetUiBackend(previous_ == &QtUiBackend() ? nullptr : previous_);
  if (!answers_.empty()) {
    QStringList left;
    for (const Answer& a : answers_) left << describe(a.kind);
    ADD_FAILURE() << "scripted answers were never used: " << left.join(QStringLiteral(", ")).toStdString();
  }
}

QString ScriptedUi::describe(Dialog kind) {
  switch (kind) {
    case Dialog::Message: return QStringLiteral("message box");
    case Dialog::OpenFile: return QStringLiteral("open-file dialog");
    case Dialog::SaveFile: return QStringLiteral("save-file dialog");
    case Dialog::Color: return QStringLiteral("colour dialog");
    case Dialog::Font: return QStringLiteral("font dialog");
    case Dialog::Print: return QStringLiteral("print dialog");
    case Dialog::PrinterSetup: return QStringLiteral("printer-setup dialog");
    case Dialog::Input: return QStringLiteral("input box");
    case Dialog::Modal: return QStringLiteral("modal window");
  }
  return QString();
}

ScriptedUi& ScriptedUi::push(Answer answer) {
  answers_.push_back(std::move(answer));
  return *this;
}

ScriptedUi& ScriptedUi::answerMessage(int result) {
  Answer a(Dialog::Message);
  a.button = result;
  return push(std::move(a));
}
ScriptedUi& ScriptedUi::answerOpenFile(const QString& fileName) {
  Answer a(Dialog::OpenFile);
  a.text = fileName;
  return push(std::move(a));
}
ScriptedUi& ScriptedUi::answerSaveFile(const QString& fileName) {
  Answer a(Dialog::SaveFile);
  a.text = fileName;
  return push(std::move(a));
}
ScriptedUi& ScriptedUi::answerColor(TColor color) {
  Answer a(Dialog::Color);
  a.color = color;
  return push(std::move(a));
}
ScriptedUi& ScriptedUi::answerFont(const TFont& font) {
  Answer a(Dialog::Font);
  a.font = font;
  return push(std::move(a));
}
ScriptedUi& ScriptedUi::answerPrint(std::function<void(PrintDialogRequest&)> choose) {
  Answer a(Dialog::Print);
  a.print = std::move(choose);
  return push(std::move(a));
}
ScriptedUi& ScriptedUi::answerPrinterSetup(std::function<void(PrinterSetupRequest&)> choose) {
  Answer a(Dialog::PrinterSetup);
  a.setup = std::move(choose);
  return push(std::move(a));
}
ScriptedUi& ScriptedUi::answerInput(const QString& value) {
  Answer a(Dialog::Input);
  a.text = value;
  return push(std::move(a));
}
ScriptedUi& ScriptedUi::cancel(Dialog kind) {
  Answer a{kind};
  a.cancel = true;
  return push(std::move(a));
}
ScriptedUi& ScriptedUi::onModal(std::function<void(QDialog*)> act) {
  Answer a(Dialog::Modal);
  a.modal = std::move(act);
  return push(std::move(a));
}

const ScriptedUi::Message& ScriptedUi::lastMessage() const {
  static const Message none;
  if (messages_.isEmpty()) {
    ADD_FAILURE() << "no message box was shown";
    return none;
  }
  return messages_.last();
}

QStringList ScriptedUi::messageTexts() const {
  QStringList out;
  for (const Message& m : messages_) out << m.text;
  return out;
}

bool ScriptedUi::take(Dialog kind, const QString& what, Answer* out) {
  dialogs_.append(kind);
  if (answers_.empty()) {
    ADD_FAILURE() << "unexpected " << what.toStdString() << ": no scripted answer";
    return false;
  }
  if (answers_.front().kind != kind) {
    ADD_FAILURE() << "unexpected " << what.toStdString() << ": the next scripted answer is for a "
                  << describe(answers_.front().kind).toStdString();
    return false;
  }
  *out = std::move(answers_.front());
  answers_.pop_front();
  return true;
}

int ScriptedUi::messageBox(const MessageRequest& request) {
  Message shown{request.text, request.caption, request.icon, request.buttons, request.defaultButton};
  if (request.buttons == QList<int>{mrOk}) {
    dialogs_.append(Dialog::Message);
    shown.answer = mrOk;
    messages_.append(shown);
    return mrOk;
  }
  Answer a;
  int result = SafeAnswer(request.buttons);
  if (take(Dialog::Message, Describe(request), &a)) {
    if (a.cancel) {
      if (request.buttons.contains(mrCancel)) {
        result = mrCancel;
      } else {
        ADD_FAILURE() << Describe(request).toStdString() << " cannot be cancelled: it has no Cancel button";
      }
    } else if (request.buttons.contains(a.button)) {
      result = a.button;
    } else {
      ADD_FAILURE() << "scripted answer " << a.button << " is not a button of " << Describe(request).toStdString();
    }
  }
  shown.answer = result;
  messages_.append(shown);
  return result;
}

std::optional<QString> ScriptedUi::openFile(const FileDialogRequest& request) {
  fileRequests_.append(request);
  Answer a;
  if (!take(Dialog::OpenFile, QStringLiteral("open-file dialog \"%1\"").arg(request.title), &a) || a.cancel)
    return std::nullopt;
  return a.text;
}

std::optional<QString> ScriptedUi::saveFile(const FileDialogRequest& request) {
  fileRequests_.append(request);
  Answer a;
  if (!take(Dialog::SaveFile, QStringLiteral("save-file dialog \"%1\"").arg(request.title), &a) || a.cancel)
    return std::nullopt;
  // A scripted answer names a file; the filter stays the one the dialog opened with.
  if (request.chosenFilterIndex) *request.chosenFilterIndex = request.filterIndex;
  return ApplyDefaultExt(a.text, request.defaultExt);
}

std::optional<TColor> ScriptedUi::chooseColor(TColor) {
  Answer a;
  if (!take(Dialog::Color, describe(Dialog::Color), &a) || a.cancel) return std::nullopt;
  return a.color;
}

std::optional<TFont> ScriptedUi::chooseFont(const TFont&) {
  Answer a;
  if (!take(Dialog::Font, describe(Dialog::Font), &a) || a.cancel) return std::nullopt;
  return a.font;
}

bool ScriptedUi::print(PrintDialogRequest& request, QPrinter*) {
  printRequests_.append(request);
  Answer a;
  if (!take(Dialog::Print, describe(Dialog::Print), &a) || a.cancel) return false;
  if (a.print) a.print(request);
  return true;
}

bool ScriptedUi::printerSetup(PrinterSetupRequest& request, QPrinter*) {
  Answer a;
  if (!take(Dialog::PrinterSetup, describe(Dialog::PrinterSetup), &a) || a.cancel) return false;
  if (a.setup) a.setup(request);
  return true;
}

bool ScriptedUi::inputQuery(const QString& caption, const QString& prompt, QString& value) {
  Answer a;
  if (!take(Dialog::Input, QStringLiteral("input box \"%1\" (%2)").arg(caption, prompt), &a) || a.cancel) return false;
  value = a.text;
  return true;
}

int ScriptedUi::runModal(QDialog* dialog) {
  const QString name = dialog->objectName().isEmpty() ? dialog->windowTitle() : dialog->objectName();
  modalWindows_ << name;
  Answer a;
  if (!take(Dialog::Modal, QStringLiteral("modal window \"%1\"").arg(name), &a)) return QDialog::Rejected;
  if (a.cancel) return QDialog::Rejected;
  QPointer<QDialog> guard(dialog);
  auto act = std::move(a.modal);
  // Runs once the window's own event loop is running, i.e. while it is shown modally.
  QTimer::singleShot(0, dialog, [guard, act, name] {
    try {
      if (act) act(guard.data());
    } catch (const std::exception& e) {
      ADD_FAILURE() << "the action on modal window \"" << name.toStdString() << "\" threw: " << e.what();
    }
    if (guard && guard->isVisible()) {
      ADD_FAILURE() << "modal window \"" << name.toStdString() << "\" was left open by the test";
      guard->reject();
    }
  });
  return dialog->exec();
}
