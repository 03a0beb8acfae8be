// Right-to-left reading and layout of the data-aware controls.
#include "grid/DBCtrlsEh.h"

bool DBUseRightToLeftAlignment(TBiDiMode mode, const TField* field) {
  if (mode != bdRightToLeft) return false;
  if (!field) return true;
  switch (field->DataType()) {
    case ftString: case ftMemo: return true;
    default: return field->Alignment == taLeftJustify;
  }
}

TBiDiMode TBiDiModeHolderEh::Mode() const {
  if (!parent_) return own_;
  // Following the parent: the widget's direction is the parent's (or the application's).
  return control_->layoutDirection() == Qt::RightToLeft ? bdRightToLeft : bdLeftToRight;
}

void TBiDiModeHolderEh::SetMode(TBiDiMode mode) {
  own_ = mode;
  parent_ = false;
  control_->setLayoutDirection(mode == bdLeftToRight ? Qt::LeftToRight : Qt::RightToLeft);
}

void TBiDiModeHolderEh::SetParentBiDiMode(bool on) {
  if (on == parent_) return;
  parent_ = on;
  if (on) control_->unsetLayoutDirection();
  else SetMode(own_);
}

void TCustomDBEditEh::SetBiDiMode(TBiDiMode mode) {
  biDi_.SetMode(mode);
  LayoutButtons();
  update();
}

void TCustomDBEditEh::SetParentBiDiMode(bool on) {
  biDi_.SetParentBiDiMode(on);
  LayoutButtons();
  update();
}

TAlignment TCustomDBEditEh::EffectiveAlignment() const {
  const TAlignment a = Alignment();
  if (!UseRightToLeftAlignment() || a == taCenter) return a;
  return a == taLeftJustify ? taRightJustify : taLeftJustify;
}

QRect TCustomDBEditEh::ImageRect() const {
  const int w = ImageAreaWidth();
  return UseRightToLeftAlignment() ? QRect(width() - w, 0, w, height()) : QRect(0, 0, w, height());
}

void TCustomDBEditEh::ApplyNativeAlignment() {
  // The edit control keeps its text at the reading side's edge while it edits one line; other
  // alignments are drawn by the editor while it is not focused.
  const Qt::Alignment side = UseRightToLeftAlignment() ? Qt::AlignRight : Qt::AlignLeft;
  const Qt::Alignment wanted = side | Qt::AlignAbsolute | Qt::AlignVCenter;
  if (alignment() != wanted) setAlignment(wanted);
}
