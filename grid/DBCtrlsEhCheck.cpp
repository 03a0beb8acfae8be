#include <QApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "grid/DBCtrlsEh.h"
#include "grid/LibrarySupportEh.h"
#include "platform/exception.h"
#include "platform/ui.h"

TCustomDBCheckBoxEh::TCustomDBCheckBoxEh(QWidget* parent) : QWidget(parent) {
  resize(97, 17);
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_Hover);
  FieldLink = std::make_unique<TFieldDataLinkEh>(this);
  FieldLink->IndependentValue = Variant(false);
  FieldLink->DataChangeHandler = [this](TFieldDataLinkEh*) { LoadFromLink(); };
  FieldLink->UpdateDataHandler = [this](TFieldDataLinkEh*) { CommitState(); };
  FieldLink->FocusHandler = [this](TFieldDataLinkEh*) { setFocus(); };
}

TCustomDBCheckBoxEh::~TCustomDBCheckBoxEh() {
  FieldLink->DataChangeHandler = nullptr;
  FieldLink->UpdateDataHandler = nullptr;
  FieldLink->SetDataSource(nullptr);
}

void TCustomDBCheckBoxEh::SetDataSource(TDataSource* source) { FieldLink->SetLinkDataSource(source); }

bool TCustomDBCheckBoxEh::MatchesValueList(const QString& list, const QString& text) {
  for (const QString& part : list.split(QLatin1Char(';')))
    if (QString::compare(part.trimmed(), text, Qt::CaseInsensitive) == 0) return true;
  return false;
}

TCheckBoxState TCustomDBCheckBoxEh::StateFromLink() const {
  if (FieldLink->Independent()) {
    const Variant& v = FieldLink->IndependentValue;
    if (VariantsEqual(v, Variant(true))) return cbChecked;
    if (VariantsEqual(v, Variant(false))) return cbUnchecked;
    return cbGrayed;
  }
  TField* f = Field();
  if (!f) return cbUnchecked;
  if (f->IsNull()) return cbGrayed;
  if (f->DataType() == ftBoolean) return f->AsBoolean() ? cbChecked : cbUnchecked;
  const QString text = f->Text();
  if (MatchesValueList(valueChecked_, text)) return cbChecked;
  if (MatchesValueList(valueUnchecked_, text)) return cbUnchecked;
  return cbGrayed;
}

void TCustomDBCheckBoxEh::LoadFromLink() {
  ApplyState(StateFromLink());
  dirty_ = false;
}

void TCustomDBCheckBoxEh::ApplyState(TCheckBoxState state) {
  if (state == state_) return;
  state_ = state;
  if (!clickGuard_ && OnClick) OnClick(this);
  update();
  dirty_ = true;
}

void TCustomDBCheckBoxEh::SetState(TCheckBoxState state) {
  if (!IsDataIndependent() && DataSource() && DataSource()->DataSet()) DataSource()->DataSet()->Edit();
  ApplyState(state);
  if (!posting_) {
    try {
      CommitState();
    } catch (...) {
      FieldLink->ReloadRecord();
      throw;
    }
  }
}

void TCustomDBCheckBoxEh::SetValueChecked(const QString& value) {
  valueChecked_ = value;
  LoadFromLink();
}

void TCustomDBCheckBoxEh::SetValueUnchecked(const QString& value) {
  valueUnchecked_ = value;
  LoadFromLink();
}

void TCustomDBCheckBoxEh::WriteStateToField() {
  if (FieldLink->Independent()) {
    FieldLink->IndependentValue = state_ == cbGrayed ? Variant::null() : Variant(state_ == cbChecked);
    return;
  }
  TField* f = Field();
  if (!f) return;
  if (state_ == cbGrayed) {
    f->Clear();
  } else if (f->DataType() == ftBoolean) {
    f->SetAsBoolean(state_ == cbChecked);
  } else {
    const QString list = state_ == cbChecked ? valueChecked_ : valueUnchecked_;
    f->SetText(list.section(QLatin1Char(';'), 0, 0).trimmed());
  }
}

void TCustomDBCheckBoxEh::CommitState() {
  posting_ = true;
  try {
    bool handled = false;
    if (OnUpdateData) OnUpdateData(this, handled);
    if (!handled) WriteStateToField();
  } catch (...) {
    posting_ = false;
    throw;
  }
  posting_ = false;
}

void TCustomDBCheckBoxEh::AdvanceState() {
  if (!FieldLink->BeginEdit()) return;
  switch (state_) {
    case cbUnchecked: ApplyState(AllowGrayed ? cbGrayed : cbChecked); break;
    case cbChecked: ApplyState(cbUnchecked); break;
    case cbGrayed: ApplyState(cbChecked); break;
  }
  FieldLink->MarkModified();
  update();
}

void TCustomDBCheckBoxEh::Toggle() { AdvanceState(); }

void TCustomDBCheckBoxEh::DoExit() {
  try {
    FieldLink->UpdateRecordEh();
  } catch (...) {
    if (isVisible()) setFocus();
    throw;
  }
}

void TCustomDBCheckBoxEh::focusOutEvent(QFocusEvent* event) {
  QWidget::focusOutEvent(event);
  Guard([this] { DoExit(); });
  update();
}

void TCustomDBCheckBoxEh::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Space:
      if (!event->isAutoRepeat()) {
        spaceHeld_ = true;
        FieldLink->BeginEdit();
        update();
      }
      event->accept();
      return;
    case Qt::Key_Backspace:
      FieldLink->BeginEdit();
      event->accept();
      return;
    case Qt::Key_Escape:
      if (dirty_) {
        FieldLink->ReloadRecord();
        event->accept();
        return;
      }
      break;
    default: break;
  }
  QWidget::keyPressEvent(event);
}

void TCustomDBCheckBoxEh::keyReleaseEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Space && spaceHeld_ && !event->isAutoRepeat()) {
    spaceHeld_ = false;
    Guard([this] { AdvanceState(); });
    update();
    event->accept();
    return;
  }
  QWidget::keyReleaseEvent(event);
}

void TCustomDBCheckBoxEh::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    if (!hasFocus() && focusPolicy() != Qt::NoFocus) {
      clickGuard_ = true;
      setFocus(Qt::MouseFocusReason);
      clickGuard_ = false;
    }
    leftHeld_ = true;
    update();
  }
  QWidget::mousePressEvent(event);
}

void TCustomDBCheckBoxEh::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && leftHeld_) {
    leftHeld_ = false;
    if (rect().contains(event->position().toPoint())) Guard([this] { AdvanceState(); });
    update();
  }
  QWidget::mouseReleaseEvent(event);
}

void TCustomDBCheckBoxEh::enterEvent(QEnterEvent* event) {
  hot_ = true;
  update();
  QWidget::enterEvent(event);
}

void TCustomDBCheckBoxEh::leaveEvent(QEvent* event) {
  hot_ = false;
  update();
  QWidget::leaveEvent(event);
}

bool TCustomDBCheckBoxEh::BoxAtRight() const {
  // Caption on the reading side: the alignment mirrors in a right-to-left box.
  const bool rtl = DBUseRightToLeftAlignment(BiDiMode(), Field());
  return rtl ? Alignment == taRightJustify : Alignment == taLeftJustify;
}

void TCustomDBCheckBoxEh::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), palette().color(backgroundRole()));
  const bool pressed = (hot_ && leftHeld_) || spaceHeld_;
  const bool boxRight = BoxAtRight();
  const QRect client(0, 0, width(), height());
  QRect box, captionRect;
  if (boxRight) {
    box = PlaceCheckBoxRect(client, taRightJustify, tlCenter);
    captionRect = QRect(0, 0, qMax(0, box.left() - 5), height());
  } else {
    box = PlaceCheckBoxRect(client, taLeftJustify, tlCenter);
    captionRect = QRect(box.right() + 1 + 5, 0, qMax(0, width() - box.right() - 6), height());
  }
  // Caption first, then the box.
  p.setFont(font());
  const QFontMetrics fm(font());
  const int th = fm.height();
  const QRect textRect(captionRect.left(), height() / 2 - th / 2, fm.horizontalAdvance(Caption), th);
  if (!isEnabled()) {
    p.setPen(ToQColor(clHighlightText));
    p.drawText(textRect.translated(1, 1), Qt::AlignLeft | Qt::AlignVCenter, Caption);
    p.setPen(ToQColor(clGrayText));
  } else {
    p.setPen(palette().color(QPalette::WindowText));
  }
  p.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, Caption);
  if (hasFocus()) {
    QRect focus = textRect.adjusted(-1, -1, 1, 2).intersected(rect());
    QPen pen(palette().color(QPalette::WindowText));
    pen.setStyle(Qt::DotLine);
    p.setPen(pen);
    p.drawRect(focus.adjusted(0, 0, -1, -1));
  }
  PaintEditButton(&p, box, FromQColor(palette().color(backgroundRole())), dbkCheckBoxEh, pressed ? 1 : 0, Flat,
                  hasFocus() || hot_ || AlwaysShowBorder, isEnabled(), state_);
}
