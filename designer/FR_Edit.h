#pragma once

#include <QDialog>
#include <QObject>
#include <QStringList>
#include <functional>

class QLabel;
class QPlainTextEdit;
class QSplitter;
class QWidget;
class TfrSpeedButton;
class TfrView;
class TSyntaxMemo;

// The text and script editor of report objects: the upper pane holds a text object's lines,
// the lower one the object's script. On OK the script is compiled and the dialog stays open
// at the first error. Two variants share everything but the script pane: one edits the script
// with syntax colouring, the other in a plain edit box with an error line under it.
class TfrTextEditorBase : public QDialog {
  Q_OBJECT
 public:
  explicit TfrTextEditorBase(QWidget* parent = nullptr);

  QWidget* Panel1;
  TfrSpeedButton *InsExprBtn, *InsDBBtn, *CutBtn, *CopyBtn, *PasteBtn, *WordWrapBtn, *ScriptBtn, *CancelBtn, *OkBtn;
  QSplitter* Splitter;
  QWidget *MemoPanel, *ScriptPanel;
  QPlainTextEdit* M1;
  QWidget* ScriptEditor = nullptr;  // the script pane's edit control
  QWidget* ActiveEditor = nullptr;  // M1 or ScriptEditor: the one last focused
  TfrView* EditedView = nullptr;
  bool ScriptShown = true;

  // The designer's pickers: fill `text` with "[expression]" or "[field reference]"; leave it
  // empty when cancelled. By default the expression builder and the field picker hook.
  std::function<void(QString& text)> PickExpression, PickField;
  // Runs after OK before anything is written (the designer records its undo step).
  std::function<void()> BeginChange;

  // Edits the view's text and script; 1 OK, 2 Cancel.
  int EditView(TfrView* view);

  // The error position of an error text "Line L/C: message" (line 0, column 1 without "/").
  static void ErrorPosition(const QString& error, int& line, int& column);

  void OkBtnClick();
  void InsertAtCaret(const QString& text);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void showEvent(QShowEvent* event) override;

  // Variant hooks.
  virtual QStringList ScriptLines() const = 0;
  virtual void SetScriptLines(const QStringList& lines) = 0;
  virtual void SetScriptReadOnly(bool readOnly) = 0;
  // True when the typed script is the empty skeleton.
  virtual bool ScriptIsEmpty() const = 0;
  virtual void ShowError(const QStringList& errors, int line, int column) = 0;
  virtual void ClearError() {}
  void attachScriptEditor(QWidget* editor);

 private:
  void layoutPanes();
  bool textPane_ = true;
};

// The variant with the syntax-colouring script editor.
class TfrEditorForm : public TfrTextEditorBase {
  Q_OBJECT
 public:
  explicit TfrEditorForm(QWidget* parent = nullptr);
  TSyntaxMemo* Script() const;

 protected:
  QStringList ScriptLines() const override;
  void SetScriptLines(const QStringList& lines) override;
  void SetScriptReadOnly(bool readOnly) override;
  bool ScriptIsEmpty() const override;
  void ShowError(const QStringList& errors, int line, int column) override;
  void ClearError() override;
};

// The variant with a plain script box and an error line.
class TfrEditorForm1 : public TfrTextEditorBase {
  Q_OBJECT
 public:
  explicit TfrEditorForm1(QWidget* parent = nullptr);
  QPlainTextEdit* Script() const;
  QLabel* ErrorPanel;

 protected:
  QStringList ScriptLines() const override;
  void SetScriptLines(const QStringList& lines) override;
  void SetScriptReadOnly(bool readOnly) override;
  bool ScriptIsEmpty() const override;
  void ShowError(const QStringList& errors, int line, int column) override;
  void ClearError() override;
  void resizeEvent(QResizeEvent* event) override;
};

// The designer's entry: edits `view`'s text and script in the variant `syntaxHighlight` asks
// for; `beginChange` runs after OK before anything is written. True after OK.
bool EditViewText(TfrView* view, QWidget* parent = nullptr, bool syntaxHighlight = true,
                  const std::function<void()>& beginChange = {});
