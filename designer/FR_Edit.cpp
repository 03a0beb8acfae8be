#include "designer/FR_Edit.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QTextBlock>
#include <QVBoxLayout>

#include "designer/FR_DesignModel.h"
#include "designer/FR_Expr.h"
#include "designer/FR_Glyphs.h"
#include "platform/ui.h"
#include "report/FR_Class.h"
#include "report/FR_Ctrls.h"
#include "report/FR_Intrp.h"
#include "report/FR_Synm.h"
#include "report/FR_Utils.h"

namespace {

// The OK (a green tick) and Cancel (a red cross) glyphs.
QImage markGlyph(bool ok) {
  return KeyedGlyph([ok](QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(ok ? QColor(0, 128, 0) : QColor(192, 0, 0), 2.2));
    if (ok) {
      p.drawPolyline(QPolygonF({QPointF(3, 8), QPointF(7, 12), QPointF(13, 4)}));
    } else {
      p.drawLine(QPointF(4, 4), QPointF(12, 12));
      p.drawLine(QPointF(12, 4), QPointF(4, 12));
    }
  });
}

// A tool button with the designer's picture of the same name (the cut, copy and paste buttons
// share the main bar's pictures).
TfrSpeedButton* toolButton(QWidget* parent, const char* name, int x, const char* glyph, int hintId) {
  auto* b = new TfrSpeedButton(parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setGeometry(x, 4, 24, 24);
  b->setFlat(true);
  b->setGlyph(DesignerGlyph(QString::fromLatin1(glyph)));
  b->setToolTip(LocaleText(hintId));
  return b;
}

bool hasTextPane(TfrView* view) {
  return view && !dynamic_cast<TfrBandView*>(view) && view->ClassName() != QLatin1String("TfrControl");
}

}  // namespace

// ---------------------------------------------------------------------------------------
// The common part

TfrTextEditorBase::TfrTextEditorBase(QWidget* parent) : QDialog(parent) {
  setWindowTitle(LocaleText(53060));
  setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint);
  Panel1 = new QWidget(this);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel1->setFixedHeight(33);
  InsExprBtn = toolButton(Panel1, "InsExprBtn", 4, "InsExprBtn", 53061);
  InsDBBtn = toolButton(Panel1, "InsDBBtn", 28, "InsDBBtn", 53062);
  CutBtn = toolButton(Panel1, "CutBtn", 60, "CutB", 53091);
  CopyBtn = toolButton(Panel1, "CopyBtn", 84, "CopyB", 53092);
  PasteBtn = toolButton(Panel1, "PasteBtn", 108, "PstB", 53093);
  WordWrapBtn = toolButton(Panel1, "WordWrapBtn", 140, "WordWrapBtn", 53063);
  WordWrapBtn->setGroupIndex(1);
  WordWrapBtn->setAllowAllUp(true);
  ScriptBtn = toolButton(Panel1, "ScriptBtn", 164, "ScriptBtn", 53064);
  ScriptBtn->setGroupIndex(2);
  ScriptBtn->setAllowAllUp(true);
  ScriptBtn->setDown(true);
  CancelBtn = toolButton(Panel1, "CancelBtn", 196, "", 55001);
  CancelBtn->setGlyph(markGlyph(false));
  OkBtn = toolButton(Panel1, "OkBtn", 220, "", 55000);
  OkBtn->setGlyph(markGlyph(true));

  Splitter = new QSplitter(Qt::Vertical, this);
  Splitter->setObjectName(QStringLiteral("Splitter"));
  Splitter->setHandleWidth(2);
  MemoPanel = new QWidget(Splitter);
  MemoPanel->setObjectName(QStringLiteral("MemoPanel"));
  M1 = new QPlainTextEdit(MemoPanel);
  M1->setObjectName(QStringLiteral("M1"));
  M1->setLineWrapMode(QPlainTextEdit::NoWrap);
  M1->setFont(QFont(QStringLiteral("Noto Sans CJK SC"), 10));
  auto* mv = new QVBoxLayout(MemoPanel);
  mv->setContentsMargins(0, 2, 0, 0);
  mv->addWidget(M1);
  ScriptPanel = new QWidget(Splitter);
  ScriptPanel->setObjectName(QStringLiteral("ScriptPanel"));
  (new QVBoxLayout(ScriptPanel))->setContentsMargins(0, 0, 0, 0);
  Splitter->setCollapsible(0, false);
  Splitter->setCollapsible(1, false);

  auto* v = new QVBoxLayout(this);
  v->setContentsMargins(0, 0, 0, 0);
  v->setSpacing(0);
  v->addWidget(Panel1);
  v->addWidget(Splitter, 1);
  resize(432, 450);

  M1->installEventFilter(this);
  ActiveEditor = M1;
  PickExpression = [this](QString& text) {
    QString e;
    text.clear();
    if (EditExpression(e, this) && !e.trimmed().isEmpty()) text = QLatin1Char('[') + e + QLatin1Char(']');
  };
  PickField = [this](QString& text) {
    QString f;
    text.clear();
    if (FieldPickerHook() && FieldPickerHook()(f, this) && !f.isEmpty()) text = QLatin1Char('[') + f + QLatin1Char(']');
  };

  InsExprBtn->OnClick = [this](TfrSpeedButton*) {
    QString t;
    if (PickExpression) PickExpression(t);
    if (!t.isEmpty()) InsertAtCaret(t);
  };
  InsDBBtn->OnClick = [this](TfrSpeedButton*) {
    QString t;
    if (PickField) PickField(t);
    if (!t.isEmpty()) InsertAtCaret(t);
  };
  auto onActive = [this](auto memoAct, auto scriptAct) {
    if (ActiveEditor == M1) {
      (M1->*memoAct)();
    } else if (auto* syn = qobject_cast<TSyntaxMemo*>(ActiveEditor)) {
      (syn->*scriptAct)();
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(ActiveEditor)) {
      (plain->*memoAct)();
    }
  };
  CutBtn->OnClick = [onActive](TfrSpeedButton*) { onActive(&QPlainTextEdit::cut, &TSyntaxMemo::CutSelection); };
  CopyBtn->OnClick = [onActive](TfrSpeedButton*) { onActive(&QPlainTextEdit::copy, &TSyntaxMemo::CopySelection); };
  PasteBtn->OnClick = [onActive](TfrSpeedButton*) { onActive(&QPlainTextEdit::paste, &TSyntaxMemo::PasteText); };
  WordWrapBtn->OnClick = [this](TfrSpeedButton*) {
    M1->setLineWrapMode(WordWrapBtn->Down() ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
  };
  ScriptBtn->OnClick = [this](TfrSpeedButton*) {
    if (!textPane_) {
      ScriptBtn->setDown(true);  // the script is all there is
      return;
    }
    ScriptPanel->setVisible(ScriptBtn->Down());
  };
  CancelBtn->OnClick = [this](TfrSpeedButton*) { reject(); };
  OkBtn->OnClick = [this](TfrSpeedButton*) { OkBtnClick(); };
}

void TfrTextEditorBase::attachScriptEditor(QWidget* editor) {
  ScriptEditor = editor;
  editor->setObjectName(QStringLiteral("ScriptEditor"));
  ScriptPanel->layout()->addWidget(editor);
  editor->installEventFilter(this);
}

void TfrTextEditorBase::ErrorPosition(const QString& error, int& line, int& column) {
  line = 0;
  column = 1;
  const int slash = int(error.indexOf(QLatin1Char('/')));
  if (slash < 0) return;
  const int colon = int(error.indexOf(QLatin1Char(':'), slash));
  line = error.mid(5, slash - 5).trimmed().toInt();
  column = error.mid(slash + 1, colon < 0 ? -1 : colon - slash - 1).trimmed().toInt();
}

void TfrTextEditorBase::InsertAtCaret(const QString& text) {
  if (ActiveEditor == M1) {
    if (!M1->isReadOnly()) M1->insertPlainText(text);
  } else if (auto* syn = qobject_cast<TSyntaxMemo*>(ActiveEditor)) {
    if (!syn->ReadOnly()) syn->ReplaceSelection(text);
  } else if (auto* plain = qobject_cast<QPlainTextEdit*>(ActiveEditor)) {
    if (!plain->isReadOnly()) plain->insertPlainText(text);
  }
  if (ActiveEditor) ActiveEditor->setFocus();
}

void TfrTextEditorBase::layoutPanes() {
  MemoPanel->setVisible(textPane_);
  if (textPane_) {
    ScriptBtn->setDown(ScriptShown);
    ScriptPanel->setVisible(ScriptShown);
    const int h = std::max(100, Splitter->height());
    Splitter->setSizes({h / 2, h - h / 2});
  } else {
    ScriptBtn->setDown(true);
    ScriptPanel->setVisible(true);
  }
}

int TfrTextEditorBase::EditView(TfrView* view) {
  EditedView = view;
  textPane_ = hasTextPane(view);
  M1->setLineWrapMode(WordWrapBtn->Down() ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
  M1->setPlainText(view->Memo.join(QLatin1Char('\n')));
  ClearError();
  QStringList script = view->Script;
  if (script.isEmpty()) script = {QStringLiteral("begin"), QStringLiteral("  "), QStringLiteral("end")};
  SetScriptLines(script);
  // The fonts chosen in the designer options: the text in the fixed font or, for a text
  // object with "UseDefaultFont", in the object's own font at size 10.
  const QString key = TfrDesignerSettings::Key();
  auto fontOf = [&key](const char* nameKey, const char* nameDefault, const char* sizeKey) {
    const int size = ReadSettingInteger(key, QLatin1String(sizeKey), 10);
    return QFont(ReadSettingString(key, QLatin1String(nameKey), QLatin1String(nameDefault)), size > 0 ? size : 10);
  };
  QFont textFont = fontOf("TextFontName", "Arial", "TextFontSize");
  if (auto* memo = dynamic_cast<TfrMemoView*>(view); memo && ReadSettingBool(key, QStringLiteral("UseDefaultFont"), true))
    textFont = QFont(memo->Font.name(), 10);
  M1->setFont(textFont);
  ScriptEditor->setFont(fontOf("ScriptFontName", "Courier New", "ScriptFontSize"));
  M1->setReadOnly(view->Restrictions & 1);
  SetScriptReadOnly(view->Restrictions & 2);
  layoutPanes();
  ActiveEditor = textPane_ ? static_cast<QWidget*>(M1) : ScriptEditor;
  M1->moveCursor(QTextCursor::Start);
  M1->ensureCursorVisible();

  const int result = RunModal(this) == QDialog::Accepted ? 1 : 2;
  if (result == 1) {
    if (BeginChange) BeginChange();
    // Only the line breaks the author typed count, never those of word wrap.
    view->Memo = M1->toPlainText().split(QLatin1Char('\n'));
    if (view->Memo.size() == 1 && view->Memo.first().isEmpty()) view->Memo.clear();
    if (ScriptIsEmpty()) {
      view->Script.clear();
    } else {
      view->Script = ScriptLines();
    }
  }
  if (textPane_) ScriptShown = ScriptBtn->Down();
  return result;
}

void TfrTextEditorBase::OkBtnClick() {
  QStringList coded, errors;
  ReportInterpreter().CompileScript(ScriptLines(), coded, errors);
  if (errors.isEmpty()) {
    accept();
    return;
  }
  int line = 0, column = 1;
  ErrorPosition(errors.first(), line, column);
  if (!ScriptPanel->isVisible()) {
    ScriptBtn->setDown(true);
    ScriptPanel->setVisible(true);
  }
  ShowError(errors, line, column);
}

void TfrTextEditorBase::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  (textPane_ ? static_cast<QWidget*>(M1) : ScriptEditor)->setFocus();
}

bool TfrTextEditorBase::eventFilter(QObject* watched, QEvent* event) {
  if (watched == M1 || watched == ScriptEditor) {
    if (event->type() == QEvent::FocusIn) ActiveEditor = static_cast<QWidget*>(watched);
    if (event->type() == QEvent::KeyPress) {
      auto* k = static_cast<QKeyEvent*>(event);
      ClearError();
      if (k->key() == Qt::Key_Insert && !(k->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier))) {
        ActiveEditor = static_cast<QWidget*>(watched);
        InsDBBtn->OnClick(InsDBBtn);
        return true;
      }
      if (k->key() == Qt::Key_Escape) {
        reject();
        return true;
      }
      if ((k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) && (k->modifiers() & Qt::ControlModifier)) {
        OkBtnClick();
        return true;
      }
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TfrTextEditorBase::keyPressEvent(QKeyEvent* event) {
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && (event->modifiers() & Qt::ControlModifier)) {
    OkBtnClick();
    return;
  }
  QDialog::keyPressEvent(event);
}

// ---------------------------------------------------------------------------------------
// With syntax colouring

TfrEditorForm::TfrEditorForm(QWidget* parent) : TfrTextEditorBase(parent) {
  setObjectName(QStringLiteral("TfrEditorForm"));
  auto* memo = new TSyntaxMemo(ScriptPanel);
  memo->SetSyntax(kSyntaxScript);
  memo->setFont(QFont(QStringLiteral("Liberation Mono"), 10));
  attachScriptEditor(memo);
}

TSyntaxMemo* TfrEditorForm::Script() const { return static_cast<TSyntaxMemo*>(ScriptEditor); }
QStringList TfrEditorForm::ScriptLines() const { return Script()->Lines(); }
void TfrEditorForm::SetScriptLines(const QStringList& lines) { Script()->SetLines(lines); }
void TfrEditorForm::SetScriptReadOnly(bool readOnly) { Script()->setReadOnly(readOnly); }

bool TfrEditorForm::ScriptIsEmpty() const {
  QString rest;
  for (QChar c : Script()->Lines().join(QString()))
    if (c.unicode() > 32) rest += c;
  return rest.isEmpty() || rest.compare(QLatin1String("beginend"), Qt::CaseInsensitive) == 0;
}

void TfrEditorForm::ShowError(const QStringList& errors, int line, int column) {
  Script()->setFocus();
  Script()->MoveCaret(column, line);
  Script()->ShowErrorText(errors.first());
}

void TfrEditorForm::ClearError() { Script()->ShowErrorText(QString()); }

// ---------------------------------------------------------------------------------------
// Plain

TfrEditorForm1::TfrEditorForm1(QWidget* parent) : TfrTextEditorBase(parent) {
  setObjectName(QStringLiteral("TfrEditorForm1"));
  auto* box = new QPlainTextEdit(ScriptPanel);
  box->setLineWrapMode(QPlainTextEdit::NoWrap);
  box->setFont(QFont(QStringLiteral("Liberation Mono"), 10));
  attachScriptEditor(box);
  ErrorPanel = new QLabel(ScriptPanel);
  ErrorPanel->setObjectName(QStringLiteral("ErrorPanel"));
  ErrorPanel->setFixedHeight(18);
  ErrorPanel->setFrameShape(QFrame::Box);
  ErrorPanel->setAutoFillBackground(true);
  ErrorPanel->setBackgroundRole(QPalette::Base);
  ErrorPanel->hide();
  ScriptPanel->layout()->addWidget(ErrorPanel);
}

QPlainTextEdit* TfrEditorForm1::Script() const { return static_cast<QPlainTextEdit*>(ScriptEditor); }
QStringList TfrEditorForm1::ScriptLines() const { return Script()->toPlainText().split(QLatin1Char('\n')); }
void TfrEditorForm1::SetScriptLines(const QStringList& lines) { Script()->setPlainText(lines.join(QLatin1Char('\n'))); }
void TfrEditorForm1::SetScriptReadOnly(bool readOnly) { Script()->setReadOnly(readOnly); }

bool TfrEditorForm1::ScriptIsEmpty() const {
  const QStringList l = ScriptLines();
  return l.size() == 3 && l[0].trimmed() == QLatin1String("begin") && l[1].trimmed().isEmpty() &&
         l[2].trimmed() == QLatin1String("end");
}

void TfrEditorForm1::ShowError(const QStringList& errors, int line, int column) {
  ErrorPanel->setText(QLatin1Char(' ') + errors.join(QLatin1Char(' ')));
  ErrorPanel->show();
  Script()->setFocus();
  QTextBlock block = Script()->document()->findBlockByNumber(std::max(0, line - 1));
  QTextCursor c(block);
  c.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, std::clamp(column - 1, 0, block.length() - 1));
  Script()->setTextCursor(c);
  Script()->ensureCursorVisible();
}

void TfrEditorForm1::ClearError() { ErrorPanel->hide(); }

void TfrEditorForm1::resizeEvent(QResizeEvent* event) {
  TfrTextEditorBase::resizeEvent(event);
  ErrorPanel->hide();
}

// ---------------------------------------------------------------------------------------

bool EditViewText(TfrView* view, QWidget* parent, bool syntaxHighlight, const std::function<void()>& beginChange) {
  if (!view) return false;
  std::unique_ptr<TfrTextEditorBase> form;
  if (syntaxHighlight) {
    form = std::make_unique<TfrEditorForm>(parent);
  } else {
    form = std::make_unique<TfrEditorForm1>(parent);
  }
  form->BeginChange = beginChange;
  return form->EditView(view) == 1;
}
