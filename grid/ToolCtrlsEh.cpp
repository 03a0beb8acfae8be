#include "grid/ToolCtrlsEh.h"
#include "grid/ImgListEh.h"

#include <QStyledItemDelegate>

#include <QApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWheelEvent>
#include <cmath>

namespace {

// Rounds to the nearest integer, halves to the even neighbour.
int RoundHalfEven(double x) { return static_cast<int>(std::nearbyint(x)); }

QColor C(TColor color) { return ToQColor(color); }

// Rectangle with exclusive right and bottom, as the drawing rules count.
struct Box {
  int l, t, r, b;
  int w() const { return r - l; }
  int h() const { return b - t; }
  QRect q() const { return QRect(l, t, qMax(0, r - l), qMax(0, b - t)); }
  Box inflated(int d) const { return {l - d, t - d, r + d, b + d}; }
  static Box of(const QRect& q) { return {q.x(), q.y(), q.x() + q.width(), q.y() + q.height()}; }
};

void Fill(QPainter* p, const Box& r, TColor color) {
  if (r.w() > 0 && r.h() > 0) p->fillRect(r.q(), C(color));
}

// A one-pixel ring inside `r`.
void FrameBox(QPainter* p, const Box& r, TColor color) {
  if (r.w() <= 0 || r.h() <= 0) return;
  Fill(p, {r.l, r.t, r.r, r.t + 1}, color);
  Fill(p, {r.l, r.b - 1, r.r, r.b}, color);
  Fill(p, {r.l, r.t, r.l + 1, r.b}, color);
  Fill(p, {r.r - 1, r.t, r.r, r.b}, color);
}

// A ring whose top-left and bottom-right sides have their own colours.
void Ring(QPainter* p, const Box& r, TColor topLeft, TColor bottomRight) {
  if (r.w() <= 0 || r.h() <= 0) return;
  Fill(p, {r.l, r.t, r.r - 1, r.t + 1}, topLeft);
  Fill(p, {r.l, r.t, r.l + 1, r.b - 1}, topLeft);
  Fill(p, {r.l, r.b - 1, r.r, r.b}, bottomRight);
  Fill(p, {r.r - 1, r.t, r.r, r.b}, bottomRight);
}

void RaisedOuter(QPainter* p, const Box& r) { Ring(p, r, clBtnHighlight, cl3DDkShadow); }
void RaisedInner(QPainter* p, const Box& r) { Ring(p, r, cl3DLight, clBtnShadow); }
void SunkenOuter(QPainter* p, const Box& r) { Ring(p, r, clBtnShadow, clBtnHighlight); }
void SunkenInner(QPainter* p, const Box& r) { Ring(p, r, cl3DDkShadow, cl3DLight); }

void EdgeRaised(QPainter* p, const Box& r) {
  RaisedOuter(p, r);
  RaisedInner(p, r.inflated(-1));
}
void EdgeSunken(QPainter* p, const Box& r) {
  SunkenOuter(p, r);
  SunkenInner(p, r.inflated(-1));
}

// A push-button face of a frame control: 3-D or flat frame over the button face.
Box FrameButton(QPainter* p, const Box& r, bool pushed, bool flat) {
  Fill(p, r, clBtnFace);
  if (flat) {
    FrameBox(p, r, pushed ? clBtnShadow : clBtnShadow);
  } else if (pushed) {
    FrameBox(p, r, clBtnShadow);
  } else {
    EdgeRaised(p, r);
  }
  return r.inflated(-2);
}

// A filled triangle arrow centred in `r`.
void Arrow(QPainter* p, const Box& r, bool down, bool enabled, int shift) {
  const int m = qMin(r.w(), r.h());
  int half = qMax(1, (m - 2) / 4);  // half the base; the arrow is half + 1 rows high
  const int cx = r.l + r.w() / 2 + shift;
  const int rows = half + 1;
  const int top = r.t + (r.h() - rows) / 2 + shift;
  auto draw = [&](int dx, int dy, TColor color) {
    for (int i = 0; i < rows; ++i) {
      const int w = down ? half - i : i;
      Fill(p, {cx - w + dx, top + i + dy, cx + w + 1 + dx, top + i + 1 + dy}, color);
    }
  };
  if (!enabled) {
    draw(1, 1, clBtnHighlight);
    draw(0, 0, clBtnShadow);
  } else {
    draw(0, 0, clBtnText);
  }
}

// Marks (squares or bars) in button text, embossed when disabled.
void Mark(QPainter* p, const Box& r, bool enabled) {
  if (!enabled) {
    Fill(p, {r.l + 1, r.t + 1, r.r + 1, r.b + 1}, clBtnHighlight);
    Fill(p, r, clBtnShadow);
  } else {
    Fill(p, r, clBtnText);
  }
}

void PaintComboArrowFace(QPainter* p, const Box& r, bool enabled, bool flat, bool pressed) {
  const Box inner = FrameButton(p, r, pressed, flat);
  Arrow(p, inner, true, enabled, pressed ? 1 : 0);
}

void PaintSpinArrowFace(QPainter* p, const Box& r, bool enabled, bool flat, bool pressed, bool lower) {
  const Box inner = FrameButton(p, r, pressed, flat);
  Arrow(p, inner, lower, enabled, pressed ? 1 : 0);
}

void PaintEllipsisFace(QPainter* p, Box r, bool enabled, bool flat, bool pressed) {
  if (flat) {
    Fill(p, r, clBtnFace);
    r = r.inflated(-1);
  } else {
    Fill(p, r, clBtnFace);
    if (pressed) EdgeSunken(p, r);
    else EdgeRaised(p, r);
    r = r.inflated(-2);
  }
  const int W = r.w(), H = r.h();
  const int s = W < 8 ? 1 : 2;
  const int g = W < 12 ? 1 : 2;
  const int pp = pressed ? 1 : 0;
  const int X = r.l + W / 2 - s / 2 + pp;
  const int Y = r.t + H / 2 - s / 2 + pp;
  for (int x : {X - g - s, X, X + g + s}) Mark(p, {x, Y, x + s, Y + s}, enabled);
}

void PaintPlusMinusFace(QPainter* p, Box r, bool plus, bool enabled, bool flat, bool pressed) {
  if (flat) {
    Fill(p, r, clBtnFace);
    r = r.inflated(-1);
  } else {
    Fill(p, r, clBtnFace);
    if (pressed) EdgeSunken(p, r);
    else EdgeRaised(p, r);
    r = r.inflated(-2);
    Fill(p, r, clBtnFace);
  }
  const int W = r.w(), H = r.h();
  const int M = qMin(W, H);
  int L = qMax(1, M * 4 / 7);
  const int T = qMax(1, L / 3);
  if (flat) L -= 1;
  if ((L % 2) != (M % 2)) L += 1;
  if (plus && (L % 2) != (T % 2)) L += M < 12 ? 1 : -1;
  const int D = L / 2 - T / 2;
  const int pp = pressed ? 1 : 0;
  const int X = r.l + (W - L) / 2 + pp;
  const int Y = r.t + (H - T) / 2 + pp;
  Mark(p, {X, Y, X + L, Y + T}, enabled);
  if (plus) Mark(p, {X + D, Y - D, X + D + T, Y - D + L}, enabled);
}

// The system check box: a sunken white box with the mark.
void DrawCheckFrameControl(QPainter* p, const Box& r, TCheckBoxState state, bool enabled, bool pressed) {
  EdgeSunken(p, r);
  const Box in = r.inflated(-2);
  const bool faceBack = pressed || !enabled || state == cbGrayed;
  Fill(p, in, faceBack ? clBtnFace : clWindow);
  if (state == cbUnchecked) return;
  const TColor mark = !enabled ? clGrayText : (state == cbGrayed ? clBtnShadow : clWindowText);
  // A check mark: a short stroke down to the right, a long stroke up to the right, 3 rows thick.
  const int w = in.w(), h = in.h();
  if (w < 3 || h < 3) return;
  const int x0 = in.l + w / 5;
  const int yBase = in.t + h / 2 - 1;
  const int shortLen = qMax(1, w / 4);
  const int longLen = qMax(1, w - (x0 - in.l) - shortLen - w / 6);
  for (int i = 0; i <= shortLen; ++i) Fill(p, {x0 + i, yBase + i, x0 + i + 1, yBase + i + 3}, mark);
  for (int i = 1; i <= longLen; ++i)
    Fill(p, {x0 + shortLen + i, yBase + shortLen - i, x0 + shortLen + i + 1, yBase + shortLen - i + 3}, mark);
}

struct FaceCacheEntry {
  TButtonBitmapKeyEh key;
  QPixmap bitmap;
};
std::vector<FaceCacheEntry>& FaceCache() {
  static std::vector<FaceCacheEntry> cache;
  return cache;
}

}  // namespace

namespace {
constexpr const char* kMenuAlignmentProperty = "menuAlignment";
}

void SetMenuAlignment(QMenu* menu, TPopupAlignment alignment) {
  menu->setProperty(kMenuAlignmentProperty, int(alignment));
}

TPopupAlignment MenuAlignment(const QMenu* menu) {
  const QVariant v = menu->property(kMenuAlignmentProperty);
  return v.isValid() ? TPopupAlignment(v.toInt()) : paLeft;
}

QPoint DropdownMenuPosition(const QWidget* button, QMenu* menu) {
  return DropdownMenuPosition(button, button->rect(), menu);
}

QPoint DropdownMenuPosition(const QWidget* owner, const QRect& buttonRect, QMenu* menu) {
  const TPopupAlignment align = MenuAlignment(menu);
  const QPoint corner =
      owner->mapToGlobal(QPoint(align == paRight ? buttonRect.x() + buttonRect.width() : buttonRect.x(), buttonRect.bottom() + 1));
  const int width = menu->sizeHint().width();
  if (align == paRight) return corner - QPoint(width, 0);
  if (align == paCenter) return corner - QPoint(width / 2, 0);
  return corner;
}

TDrawButtonKindEh DrawKindOfStyle(TEditButtonStyleEh style) {
  switch (style) {
    case ebsDropDownEh: return dbkDropDownEh;
    case ebsEllipsisEh: return dbkEllipsisEh;
    case ebsGlyphEh: return dbkUpDownEh;
    case ebsUpDownEh: return dbkUpDownEh;
    case ebsPlusEh: return dbkPlusEh;
    case ebsMinusEh: return dbkMinusEh;
  }
  return dbkDropDownEh;
}

// ---- TEditButtonEh ----

TEditButtonEh::TEditButtonEh(QWidget* ownerEditor) : ownerEditor_(ownerEditor) {}

void TEditButtonEh::Assign(const TEditButtonEh& source) {
  dropdownMenu_ = source.dropdownMenu_;
  SetGlyph(source.glyph_);
  SetHint(source.hint_);
  SetNumGlyphs(source.numGlyphs_);
  shortCut_ = source.shortCut_;
  SetStyle(source.style_);
  SetVisible(source.visible_);
  SetWidth(source.width_);
  OnClick = source.OnClick;
  OnDown = source.OnDown;
}

void TEditButtonEh::SetGlyph(const QPixmap& glyph) {
  glyph_ = glyph;
  NotifyButtonChanged();
}

void TEditButtonEh::SetHint(const QString& hint) {
  if (hint == hint_) return;
  hint_ = hint;
  NotifyButtonChanged();
}

void TEditButtonEh::SetNumGlyphs(int value) {
  value = qBound(1, value, 4);
  if (value == numGlyphs_) return;
  numGlyphs_ = value;
  NotifyButtonChanged();
}

void TEditButtonEh::SetStyle(TEditButtonStyleEh value) {
  if (value == style_) return;
  style_ = value;
  NotifyButtonChanged();
}

void TEditButtonEh::SetVisible(bool value) {
  if (value == visible_) return;
  visible_ = value;
  NotifyButtonChanged();
}

void TEditButtonEh::SetWidth(int value) {
  if (value == width_) return;
  width_ = value;
  NotifyButtonChanged();
}

void TEditButtonEh::NotifyButtonChanged() {
  if (ChangeHandler) ChangeHandler(this);
  else if (collection_) collection_->Update(this);
}

// ---- TEditButtonsEh ----

TEditButtonsEh::TEditButtonsEh(QObject* owner, Factory itemFactory) : owner_(owner), factory_(std::move(itemFactory)) {
  if (!factory_) factory_ = [] { return std::make_unique<TVisibleEditButtonEh>(); };
}

TEditButtonEh* TEditButtonsEh::Add() {
  BeginUpdate();
  auto item = factory_();
  item->collection_ = this;
  items_.push_back(std::move(item));
  EndUpdate();
  return items_.back().get();
}

void TEditButtonsEh::Assign(const TEditButtonsEh& source) {
  if (&source == this) return;
  BeginUpdate();
  items_.clear();
  for (const auto& b : source.items_) Add()->Assign(*b);
  EndUpdate();
}

void TEditButtonsEh::Delete(int index) {
  items_.erase(items_.begin() + index);
  Update(nullptr);
}

void TEditButtonsEh::Clear() {
  items_.clear();
  Update(nullptr);
}

void TEditButtonsEh::EndUpdate() {
  if (updateCount_ > 0 && --updateCount_ == 0) Update(nullptr);
}

void TEditButtonsEh::Update(TEditButtonEh* item) {
  if (updateCount_ > 0) return;
  if (ItemChangeHandler) ItemChangeHandler(item);
}

// ---- TEditButtonControlEh ----

TEditButtonControlEh::TEditButtonControlEh(QWidget* parent) : QWidget(parent) {
  resize(10, 17);
  setFocusPolicy(Qt::NoFocus);
}

void TEditButtonControlEh::SetActive(bool value) {
  if (value == active_) return;
  active_ = value;
  update();
}

void TEditButtonControlEh::SetStyle(TEditButtonStyleEh value) {
  if (value == style_) return;
  style_ = value;
  update();
}

void TEditButtonControlEh::SetFlat(bool value) {
  if (value == flat_) return;
  flat_ = value;
  update();
}

void TEditButtonControlEh::SetCaption(const QString& caption) {
  caption_ = caption;
  update();
}

void TEditButtonControlEh::SetGlyph(const QPixmap& glyph, int numGlyphs) {
  glyph_ = glyph;
  numGlyphs_ = qBound(1, numGlyphs, 4);
  update();
}

void TEditButtonControlEh::SetFontColor(TColor color) {
  fontColor_ = color;
  update();
}

void TEditButtonControlEh::SetDown(bool value) {
  if (groupIndex_ == 0) value = false;
  if (value == down_) return;
  if (down_ && !allowAllUp_ && !value) {
    // A grouped button that may not be all up stays down unless the group releases it.
  }
  down_ = value;
  state_ = down_ ? bsExclusive : bsUp;
  update();
}

void TEditButtonControlEh::SetStaysDown(bool value) {
  if (value == staysDown_) return;
  staysDown_ = value;
  if (value) {
    groupIndex_ = 1;
    down_ = true;
    state_ = bsExclusive;
    allowAllUp_ = false;
    downHalf_ = 1;
  } else {
    allowAllUp_ = true;
    down_ = false;
    state_ = bsUp;
    groupIndex_ = 0;
    downHalf_ = 0;
  }
  update();
}

void TEditButtonControlEh::UpdateDownHalf(int x, int y) {
  Q_UNUSED(x);
  int half;
  if (state_ != bsDown && state_ != bsExclusive) {
    half = 0;
  } else if (style_ == ebsUpDownEh) {
    const int h = height();
    if (y < h / 2) half = 1;
    else if (y > h - h / 2) half = 2;
    else half = 0;
  } else {
    half = 1;
  }
  if (half != downHalf_) {
    downHalf_ = half;
    update();
  }
}

void TEditButtonControlEh::FireDownHandler(bool topButton, bool& autoRepeat) {
  bool handled = false;
  if (DownHandler) DownHandler(this, topButton, autoRepeat, handled);
}

void TEditButtonControlEh::RestartRepeatTimer(int interval) {
  if (!repeatTimer_) {
    repeatTimer_ = new QTimer(this);
    connect(repeatTimer_, &QTimer::timeout, this, [this] { RepeatTick(); });
  }
  if (repeatTimer_->isActive() && repeatTimer_->interval() == interval) return;
  repeatTimer_->stop();
  repeatTimer_->setInterval(interval);
  repeatTimer_->start();
}

void TEditButtonControlEh::RepeatTick() {
  bool autoRepeat = style_ == ebsUpDownEh;
  if (state_ != bsDown) return;
  if (repeatTimer_->interval() == 400) RestartRepeatTimer(100);
  FireDownHandler(downHalf_ == 1, autoRepeat);
  if (!autoRepeat && repeatTimer_) repeatTimer_->stop();
}

void TEditButtonControlEh::mousePressEvent(QMouseEvent* event) {
  if (!isEnabled() || event->button() != Qt::LeftButton) {
    QWidget::mousePressEvent(event);
    return;
  }
  QPointer<TEditButtonControlEh> self(this);
  bool autoRepeat = style_ == ebsUpDownEh;
  if (!down_) state_ = bsDown;
  dragging_ = true;
  update();
  const QPoint pos = event->position().toPoint();
  UpdateDownHalf(pos.x(), pos.y());
  if (downHalf_ > 0) {
    FireDownHandler(downHalf_ == 1, autoRepeat);
    if (!self) return;
    if (autoRepeat) RestartRepeatTimer(400);
  }
}

void TEditButtonControlEh::mouseMoveEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  if (dragging_) {
    if (style_ == ebsUpDownEh && state_ == bsDown) {
      const int h = height();
      if ((downHalf_ == 2 && pos.y() < h / 2) || (downHalf_ == 1 && pos.y() > h - h / 2)) {
        state_ = bsUp;
        update();
        if (OnMouseMoveHandler) OnMouseMoveHandler(this, event);
        return;
      }
    }
    const bool inside = rect().contains(pos);
    TButtonState newState = down_ ? bsExclusive : bsUp;
    if (inside) newState = down_ ? bsExclusive : bsDown;
    // An up/down button re-presses only over the half that was pressed.
    if (inside && style_ == ebsUpDownEh && !down_) {
      const int h = height();
      if ((downHalf_ == 2 && pos.y() < h / 2) || (downHalf_ == 1 && pos.y() > h - h / 2)) newState = bsUp;
    }
    if (newState != state_) {
      state_ = newState;
      update();
    }
  }
  if (OnMouseMoveHandler) OnMouseMoveHandler(this, event);
}

void TEditButtonControlEh::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !dragging_) {
    // A press handed over to a drop-down still ends here; the owner forwards it.
    QWidget::mouseReleaseEvent(event);
    const QPoint pos = event->position().toPoint();
    if (OnMouseUpHandler) OnMouseUpHandler(this, event->button(), event->modifiers(), pos.x(), pos.y());
    return;
  }
  QPointer<TEditButtonControlEh> self(this);
  const QPoint pos = event->position().toPoint();
  if (style_ == ebsUpDownEh && state_ != bsDown) clickSuppressed_ = true;
  // The platform's release: a click when released over the pressed button.
  dragging_ = false;
  const bool doClick = rect().contains(pos) && state_ == bsDown;
  if (groupIndex_ == 0) {
    state_ = bsUp;
  } else if (doClick) {
    if (!down_ || allowAllUp_) SetDown(!down_);
    state_ = down_ ? bsExclusive : bsUp;
  } else {
    state_ = down_ ? bsExclusive : bsUp;
  }
  update();
  if (doClick && !clickSuppressed_) {
    if (OnClick) OnClick(this);
  }
  if (!self) return;
  clickSuppressed_ = false;
  UpdateDownHalf(pos.x(), pos.y());
  if (repeatTimer_) repeatTimer_->stop();
  if (OnMouseUpHandler) OnMouseUpHandler(this, event->button(), event->modifiers(), pos.x(), pos.y());
}

void TEditButtonControlEh::Click() {
  if (OnClick) OnClick(this);
}

void TEditButtonControlEh::CancelMode() {
  if (!dragging_) return;
  dragging_ = false;
  state_ = down_ ? bsExclusive : bsUp;
  if (repeatTimer_) repeatTimer_->stop();
  if (!staysDown_) downHalf_ = 0;
  update();
}

void TEditButtonControlEh::changeEvent(QEvent* event) {
  if (event->type() == QEvent::EnabledChange) update();
  QWidget::changeEvent(event);
}

TColor TEditButtonControlEh::ParentColor() const {
  if (parentWidget()) return FromQColor(parentWidget()->palette().color(parentWidget()->backgroundRole()));
  return clBtnFace;
}

void TEditButtonControlEh::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const bool pressedState = state_ == bsDown || state_ == bsExclusive;
  if (style_ != ebsGlyphEh) {
    PaintEditButton(&p, rect(), ParentColor(), DrawKindOfStyle(style_), pressedState ? downHalf_ : 0, flat_, active_,
                    isEnabled(), cbUnchecked);
    return;
  }
  PaintGlyphButton(&p, rect(), glyph_, numGlyphs_, caption_, font(), fontColor_, ParentColor(), pressedState, flat_,
                   active_, isEnabled());
}

void PaintGlyphButton(QPainter* p, const QRect& rect, const QPixmap& glyph, int numGlyphs, const QString& caption,
                      const QFont& font, TColor fontColor, TColor surroundColor, bool pressed, bool flat, bool active,
                      bool enabled) {
  // Face, glyph and caption, then the outer ring of a flat button.
  const Box r = Box::of(rect);
  Fill(p, r, clBtnFace);
  if (!flat) {
    if (pressed) EdgeSunken(p, r);
    else EdgeRaised(p, r);
  }
  const int shift = pressed ? 1 : 0;
  if (!glyph.isNull()) {
    const int gw = glyph.width() / std::max(1, numGlyphs);
    const QPixmap part = glyph.copy(0, 0, gw, glyph.height());
    p->drawPixmap(rect.x() + (rect.width() - gw) / 2 + shift, rect.y() + (rect.height() - glyph.height()) / 2 + shift,
                  part);
  }
  if (!caption.isEmpty()) {
    p->save();
    p->setPen(C(enabled ? fontColor : clGrayText));
    p->setFont(font);
    p->drawText(rect.translated(shift, shift), Qt::AlignCenter, caption);
    p->restore();
  }
  if (flat) {
    if (active) {
      if (pressed) SunkenOuter(p, r);
      else RaisedInner(p, r);
    } else {
      FrameBox(p, r, surroundColor);
    }
  }
}

// ---- Faces ----

void PaintCheckBoxGlyph(QPainter* p, const QRect& rect, TCheckBoxState state, bool enabled, bool flat, bool pressed,
                        bool active) {
  Box sq = Box::of(CheckBoxSquare(rect));
  if (!flat) {
    DrawCheckFrameControl(p, sq, state, enabled, pressed);
    return;
  }
  p->save();
  p->setClipRect(sq.inflated(-1).q());
  DrawCheckFrameControl(p, sq.inflated(1), state, enabled, pressed);
  p->restore();
  FrameBox(p, sq, active ? clBtnFace : clBtnShadow);
}

void PaintButtonKindFace(QPainter* p, TDrawButtonKindEh kind, const QRect& rect, bool enabled, bool flat, bool active,
                         bool pressed, bool lowerHalf) {
  Box r = Box::of(rect);
  const bool flatActive = flat && active;
  if (flatActive) {
    p->save();
    p->setClipRect(r.inflated(-1).q());
  }
  if (flat) r = r.inflated(active ? 1 : 2);
  switch (kind) {
    case dbkDropDownEh: PaintComboArrowFace(p, r, enabled, flat, pressed); break;
    case dbkEllipsisEh: PaintEllipsisFace(p, r, enabled, flat, pressed); break;
    case dbkUpDownEh: PaintSpinArrowFace(p, r, enabled, flat, pressed, lowerHalf); break;
    case dbkPlusEh: PaintPlusMinusFace(p, r, true, enabled, flat, pressed); break;
    case dbkMinusEh: PaintPlusMinusFace(p, r, false, enabled, flat, pressed); break;
    case dbkCheckBoxEh: break;
  }
  if (flat) r = r.inflated(active ? -1 : -2);
  if (flatActive) {
    p->restore();
    if (pressed) SunkenOuter(p, r);
    else RaisedInner(p, r);
  }
}

const QPixmap& CachedButtonFace(const TButtonBitmapKeyEh& keyIn) {
  TButtonBitmapKeyEh key = keyIn;
  key.Width = qMax(0, key.Width);
  key.Height = qMax(0, key.Height);
  auto& cache = FaceCache();
  for (const FaceCacheEntry& e : cache)
    if (e.key == key) return e.bitmap;
  QPixmap bitmap(qMax(1, key.Width), qMax(1, key.Height));
  bitmap.fill(C(clBtnFace));
  if (key.Width > 0 && key.Height > 0) {
    QPainter p(&bitmap);
    const QRect r(0, 0, key.Width, key.Height);
    if (key.Kind == dbkCheckBoxEh)
      PaintCheckBoxGlyph(&p, r, key.BoxState, key.Enabled, key.Flat, key.Pressed, key.Active);
    else
      PaintButtonKindFace(&p, key.Kind, r, key.Enabled, key.Flat, key.Active, key.Pressed, key.LowerHalf);
  }
  cache.push_back({key, bitmap});
  return cache.back().bitmap;
}

int FaceCacheCount() { return static_cast<int>(FaceCache().size()); }

void ResetFaceCache() { FaceCache().clear(); }

namespace {
void DrawFace(QPainter* p, const Box& r, const TButtonBitmapKeyEh& key) {
  if (r.w() <= 0 || r.h() <= 0) return;
  p->drawPixmap(r.l, r.t, CachedButtonFace(key), 0, 0, r.w(), r.h());
}
}  // namespace

void PaintEditButton(QPainter* p, const QRect& rect, TColor surroundColor, TDrawButtonKindEh kind, int pressedPart,
                     bool flat, bool active, bool enabled, TCheckBoxState boxState) {
  Box r = Box::of(rect);
  if (kind == dbkCheckBoxEh) {
    Box sq = Box::of(CheckBoxSquare(rect));
    if (flat) sq = sq.inflated(-1);
    TButtonBitmapKeyEh key{sq.w(), sq.h(), dbkCheckBoxEh, flat, pressedPart != 0, active, enabled, false, boxState};
    DrawFace(p, sq, key);
    if (flat) {
      sq = sq.inflated(1);
      if (active) SunkenOuter(p, sq);
      else FrameBox(p, sq, surroundColor);
    }
    return;
  }
  const bool flatIdle = flat && !active;
  if (flatIdle) r = r.inflated(-1);
  if (kind == dbkUpDownEh) {
    if (flatIdle) r = r.inflated(1);
    const int H = r.h();
    Box upper{r.l, r.t, r.r, r.t + H / 2};
    if (flatIdle) upper = upper.inflated(-1);
    DrawFace(p, upper, {upper.w(), upper.h(), dbkUpDownEh, flat, pressedPart == 1, active, enabled, false, cbUnchecked});
    Box lower{r.l, r.b - H / 2, r.r, r.b};
    if (flatIdle) lower = lower.inflated(-1);
    DrawFace(p, lower, {lower.w(), lower.h(), dbkUpDownEh, flat, pressedPart == 2, active, enabled, true, cbUnchecked});
    if (flatIdle) r = r.inflated(-1);
    if (H % 2 == 1 || flatIdle) {
      int top = (r.t + r.b) / 2, bottom = top;
      if (H % 2 == 1) bottom += 1;
      if (flatIdle) {
        top -= 1;
        bottom += 1;
      }
      Fill(p, {r.l, top, r.r, bottom}, surroundColor);
    }
  } else {
    DrawFace(p, r, {r.w(), r.h(), kind, flat, pressedPart != 0, active, enabled, false, cbUnchecked});
  }
  if (flatIdle) {
    r = r.inflated(1);
    FrameBox(p, r, surroundColor);
  }
}

// ---- Sizes ----

int ComputeFlatDefaultWidthFor(int fontHeight) {
  int w = RoundHalfEven(fontHeight * 2.0 / 3.0);
  if (w % 2 == 0) w += 1;
  return qMin(w, GetSystemMetrics(SM_CXVSCROLL));
}

int ComputeFlatDefaultWidth() { return ComputeFlatDefaultWidthFor(QFontMetrics(QApplication::font()).height()); }

int FlatDefaultWidth() {
  static const int width = ComputeFlatDefaultWidth();
  return width;
}

int ButtonHeightForWidth(int width, bool flat) { return flat ? RoundHalfEven(width * 3.0 / 2.0) : width; }

int CheckGlyphWidth() { return GetSystemMetrics(SM_CXMENUCHECK) > 0 ? GetSystemMetrics(SM_CXMENUCHECK) : kCheckGlyphSize; }
int CheckGlyphHeight() { return GetSystemMetrics(SM_CYMENUCHECK) > 0 ? GetSystemMetrics(SM_CYMENUCHECK) : kCheckGlyphSize; }

QRect CheckBoxSquare(const QRect& rect) {
  Box r = Box::of(rect);
  const int w = r.w(), h = r.h();
  if (w > h) {
    const int d = w - h;
    r.l += d / 2;
    r.r -= d / 2 + d % 2;
  } else if (h > w) {
    const int d = h - w;
    r.t += d / 2;
    r.b -= d / 2 + d % 2;
  }
  return r.q();
}

QRect PlaceCheckBoxRect(const QRect& clientRect, TAlignment alignment, TTextLayout layout) {
  Box r = Box::of(clientRect);
  const int rw = r.w(), rh = r.h();
  const int w = qMin(CheckGlyphWidth(), rw);
  const int h = qMin(CheckGlyphHeight(), rh);
  if (CheckGlyphWidth() < rw) {
    if (alignment == taRightJustify) r.l = r.r - w;
    else if (alignment == taCenter) r.l = r.l + rw / 2 - w / 2;
    r.r = r.l + w;
  }
  if (CheckGlyphHeight() < rh) {
    if (layout == tlCenter) r.t = r.t + rh / 2 - h / 2;
    else if (layout == tlBottom) r.t = r.b - h;
    r.b = r.t + h;
  }
  return r.q();
}

void PaintImageCentered(QPainter* p, const QRect& rect, const QPixmap& image, bool selected) {
  if (image.isNull()) return;
  const Box r = Box::of(rect);
  const int x = (r.l + r.r - image.width()) / 2;
  const int y = (r.t + r.b - image.height()) / 2;
  const QRect target(x, y, image.width(), image.height());
  p->save();
  if (!rect.contains(target)) p->setClipRect(rect);
  p->drawPixmap(x, y, image);
  if (selected) p->fillRect(target, QColor(ToQColor(clHighlight).red(), ToQColor(clHighlight).green(),
                                            ToQColor(clHighlight).blue(), 128));
  p->restore();
}

QVector<QPoint> DottedLinePoints(QPoint from, int length, bool horizontal, bool oddPhase, int penWidth) {
  QVector<QPoint> dots;
  const bool odd = ((from.x() + from.y()) & 1) != 0;
  if (odd != oddPhase) {
    if (horizontal) from.rx() += 1;
    else from.ry() += 1;
    length -= 1;
  }
  if (length <= 0) return dots;
  const int step = 2 * qMax(1, penWidth);
  int count = length / step;
  if (length % 2 == 1) count += 1;
  for (int i = 0; i < count; ++i)
    dots.append(horizontal ? QPoint(from.x() + i * step, from.y()) : QPoint(from.x(), from.y() + i * step));
  return dots;
}

void PaintDottedLine(QPainter* p, QPoint from, int length, bool horizontal, bool oddPhase) {
  const int penWidth = qMax(1, p->pen().width());
  const QColor color = p->pen().color();
  for (const QPoint& d : DottedLinePoints(from, length, horizontal, oddPhase, penWidth))
    p->fillRect(QRect(d.x(), d.y(), 1, 1), color);
}

void PaintTreeNodeCell(QPainter* p, const QRect& rect, int kind, double horzScale, double vertScale, bool oddPhase) {
  const Box R = Box::of(rect);
  const int CX = (R.l + R.r) / 2, CY = (R.t + R.b) / 2;
  const int a1 = static_cast<int>(horzScale), a2 = static_cast<int>(2 * horzScale), a4 = static_cast<int>(4 * horzScale);
  const int b1 = static_cast<int>(vertScale), b2 = static_cast<int>(2 * vertScale), b4 = static_cast<int>(4 * vertScale);
  p->save();
  if (kind >= 0 && kind <= 5) {
    const Box box{CX - a4, CY - b4, CX + a4 + 1, CY + b4 + 1};
    Fill(p, box, clWindow);
    FrameBox(p, box, clBtnShadow);
    Fill(p, {box.l + a2, CY, box.r - a2, CY + 1}, clWindowText);
    if (kind >= 3) Fill(p, {CX, box.t + b2, CX + 1, box.b - b2}, clWindowText);
    p->setPen(C(clBtnShadow));
    PaintDottedLine(p, QPoint(box.r + a1, CY), R.r - box.r, true, false);
    const bool above = kind == 0 || kind == 1 || kind == 3 || kind == 4;
    const bool below = kind == 0 || kind == 2 || kind == 3 || kind == 5;
    if (above) PaintDottedLine(p, QPoint(CX, R.t), box.t - R.t, false, oddPhase);
    if (below) PaintDottedLine(p, QPoint(CX, box.b + b1), R.b - box.b, false, oddPhase);
  } else {
    p->setPen(C(clBtnShadow));
    switch (kind) {
      case 6: PaintDottedLine(p, QPoint(CX, R.t), R.b - R.t, false, oddPhase); break;
      case 7: PaintDottedLine(p, QPoint(CX, R.t), CY - R.t, false, oddPhase); break;
      case 8: PaintDottedLine(p, QPoint(CX, CY), R.b - CY, false, oddPhase); break;
      case 9: PaintDottedLine(p, QPoint(CX, R.t), R.b - R.t, false, oddPhase); break;
      default: break;
    }
    if (kind >= 6 && kind <= 8) PaintDottedLine(p, QPoint(CX, CY), R.r - CX, true, false);
  }
  p->restore();
}

void CloseThroughHolder(QObject* owner, bool accept) {
  if (auto* holder = dynamic_cast<IDropDownHolderEh*>(owner)) holder->CloseDropDown(accept);
}

// ---- Placement ----

TDropDownPlacementEh PlaceDropDownInArea(const QRect& master, QSize size, TDropDownAlign align,
                                         const QRect& workArea) {
  const Box M = Box::of(master);
  const Box A = Box::of(workArea);
  int H = size.height();
  int W = size.width();
  TDropDownPlacementEh result;
  bool below;
  if (M.b + H <= A.b) below = true;
  else if (M.t - H >= A.t) below = false;
  else below = !((M.t - A.t) > (A.b - M.b));
  int y;
  if (!below) {
    if (M.t - H < A.t) H = M.t - A.t;
    y = M.t - H;
    result.vertical = gsTop;
  } else {
    if (M.b + H > A.b) H = A.b - M.b;
    y = M.b;
    result.vertical = gsBottom;
  }
  int x = M.l;
  if (align == daRight) x = M.l - (W - M.w());
  else if (align == daCenter) x = M.l - (W - M.w()) / 2;
  if (A.w() < W) W = A.w();
  if (x + W > A.r) {
    x = A.r - W;
    result.horizontal = gsLeft;
  } else if (x < A.l) {
    x = A.l;
    result.horizontal = gsRight;
  } else {
    result.horizontal = align == daRight ? gsLeft : gsRight;
  }
  result.pos = QPoint(x, y);
  result.size = QSize(W, H);
  return result;
}

QRect WorkAreaOf(const QRect& screenRect) {
  QScreen* screen = QGuiApplication::screenAt(screenRect.center());
  if (!screen) screen = QGuiApplication::primaryScreen();
  return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

QPoint PlaceDropDownAtRect(const QRect& masterScreenRect, QWidget* popup, TDropDownAlign align) {
  const TDropDownPlacementEh place =
      PlaceDropDownInArea(masterScreenRect, popup->size(), align, WorkAreaOf(masterScreenRect));
  if (place.size != popup->size()) popup->resize(place.size);
  // The vertical side first, then the horizontal one: the grip ends in the far corner.
  TSizeGripSideEvent vertical(place.vertical);
  QApplication::sendEvent(popup, &vertical);
  TSizeGripSideEvent horizontal(place.horizontal);
  QApplication::sendEvent(popup, &horizontal);
  return place.pos;
}

QPoint PlaceDropDown(QWidget* master, QWidget* popup, TDropDownAlign align) {
  const QRect screenRect(master->mapToGlobal(QPoint(0, 0)), master->size());
  return PlaceDropDownAtRect(screenRect, popup, align);
}

// ---- TSizeGripEh ----

TSizeGripEh::TSizeGripEh(QWidget* parent) : QWidget(parent) {
  resize(GetSystemMetrics(SM_CXVSCROLL), GetSystemMetrics(SM_CYVSCROLL));
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, C(clBtnFace));
  setPalette(pal);
  updateRegion();
}

void TSizeGripEh::SetCorner(TGripCornerEh corner) {
  if (corner == corner_) return;
  corner_ = corner;
  updateRegion();
  update();
}

void TSizeGripEh::SetTriangular(bool value) {
  if (value == triangular_) return;
  triangular_ = value;
  updateRegion();
}

void TSizeGripEh::MoveToSide(TGripSideEh side) {
  TGripCornerEh c = corner_;
  switch (side) {
    case gsLeft:
      if (c == gcTopRight) c = gcTopLeft;
      else if (c == gcBottomRight) c = gcBottomLeft;
      break;
    case gsRight:
      if (c == gcTopLeft) c = gcTopRight;
      else if (c == gcBottomLeft) c = gcBottomRight;
      break;
    case gsTop:
      if (c == gcBottomRight) c = gcTopRight;
      else if (c == gcBottomLeft) c = gcTopLeft;
      break;
    case gsBottom:
      if (c == gcTopRight) c = gcBottomRight;
      else if (c == gcTopLeft) c = gcBottomLeft;
      break;
  }
  SetCorner(c);
}

QPolygon TSizeGripEh::TrianglePolygon() const {
  const int W = width(), H = height();
  switch (corner_) {
    case gcBottomRight: return QPolygon({QPoint(0, H), QPoint(W, H), QPoint(W, 0)});
    case gcBottomLeft: return QPolygon({QPoint(W, H), QPoint(0, H), QPoint(0, 0)});
    case gcTopLeft: return QPolygon({QPoint(W - 1, 0), QPoint(0, 0), QPoint(0, H - 1)});
    case gcTopRight: return QPolygon({QPoint(W, H - 1), QPoint(W, 0), QPoint(1, 0)});
  }
  return {};
}

void TSizeGripEh::updateRegion() {
  if (triangular_) setMask(QRegion(TrianglePolygon()));
  else clearMask();
  SnapToCorner();
  setCursor((corner_ == gcTopLeft || corner_ == gcBottomRight) ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor);
}

void TSizeGripEh::SnapToCorner() {
  QWidget* parent = parentWidget();
  if (!parent) return;
  selfMoving_ = true;
  const int pw = parent->contentsRect().width() + parent->contentsRect().x() * 2;
  const int ph = parent->contentsRect().height() + parent->contentsRect().y() * 2;
  const int cw = parent->width() > 0 ? parent->width() : pw;
  const int ch = parent->height() > 0 ? parent->height() : ph;
  QPoint pos;
  switch (corner_) {
    case gcTopLeft: pos = QPoint(0, 0); break;
    case gcTopRight: pos = QPoint(cw - width(), 0); break;
    case gcBottomRight: pos = QPoint(cw - width(), ch - height()); break;
    case gcBottomLeft: pos = QPoint(0, ch - height()); break;
  }
  move(pos);
  selfMoving_ = false;
}

void TSizeGripEh::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  if (!selfMoving_) SnapToCorner();
}

void TSizeGripEh::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const int W = width();
  const TColor colors[4] = {clBtnHighlight, clBtnShadow, clBtnShadow, clBtnFace};
  for (int k = 0; k + 1 < W; ++k) {
    p.setPen(C(colors[k % 4]));
    switch (corner_) {
      case gcBottomRight: p.drawLine(k, W, W, k); break;
      case gcBottomLeft: p.drawLine(0, 1 + k, W - 1 - k, W); break;
      case gcTopLeft: p.drawLine(W - 1 - k, -1, -1, W - 1 - k); break;
      case gcTopRight: p.drawLine(W, W - 1 - k, k, -1); break;
    }
  }
}

void TSizeGripEh::mousePressEvent(QMouseEvent* event) {
  pressScreenPos_ = event->globalPosition().toPoint();
  lastScreenPos_ = pressScreenPos_;
  if (QWidget* parent = window()) {
    pressParentClient_ = parent->size();
    pressParentGeometry_ = parent->geometry();
  }
}

void TSizeGripEh::mouseMoveEvent(QMouseEvent* event) {
  if (!(event->buttons() & Qt::LeftButton) || selfMoving_) return;
  const QPoint pos = event->globalPosition().toPoint();
  if (pos == lastScreenPos_) return;
  QWidget* parent = window();
  if (!parent || parent == this) return;
  const QRect A = WorkAreaOf(parent->geometry());
  const int aRight = A.x() + A.width(), aBottom = A.y() + A.height();
  QRect g = parent->geometry();
  const QSize before = g.size();
  const int dx = pos.x() - pressScreenPos_.x();
  const int dy = pos.y() - pressScreenPos_.y();
  const bool right = corner_ == gcTopRight || corner_ == gcBottomRight;
  const bool bottom = corner_ == gcBottomRight || corner_ == gcBottomLeft;
  if (right) {
    int w = pressParentClient_.width() + dx;
    if (pressParentGeometry_.x() + w > aRight) w -= pressParentGeometry_.x() + w - aRight;
    g.setWidth(qMax(1, w));
  } else {
    int w = pressParentClient_.width() - dx;
    const int rightEdge = pressParentGeometry_.x() + pressParentGeometry_.width();
    if (rightEdge - w < A.x()) w -= A.x() - (rightEdge - w);
    w = qMax(1, w);
    g.setLeft(rightEdge - w);
  }
  if (bottom) {
    int h = pressParentClient_.height() + dy;
    if (pressParentGeometry_.y() + h > aBottom) h -= pressParentGeometry_.y() + h - aBottom;
    g.setHeight(qMax(1, h));
  } else {
    int h = pressParentClient_.height() - dy;
    const int bottomEdge = pressParentGeometry_.y() + pressParentGeometry_.height();
    if (bottomEdge - h < A.y()) h -= A.y() - (bottomEdge - h);
    h = qMax(1, h);
    g.setTop(bottomEdge - h);
  }
  parent->setGeometry(g);
  lastScreenPos_ = pos;
  if (parent->size() != before && OnOwnerSized) OnOwnerSized(this);
  SnapToCorner();
}

// ---- TPopupListModelEh / TPopupListboxEh ----

int TPopupListModelEh::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(source_->size());
}

QVariant TPopupListModelEh::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= source_->size()) return {};
  if (role == Qt::DisplayRole) return source_->at(index.row());
  return {};
}

void TPopupListModelEh::SetSource(const QStringList* items) {
  beginResetModel();
  source_ = items ? items : &own;
  endResetModel();
}

void TPopupListModelEh::Refresh() {
  beginResetModel();
  endResetModel();
}

TPopupListboxEh::TPopupListboxEh(QWidget* owner) : QListView(owner), owner_(owner) {
  setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus);
  setAttribute(Qt::WA_ShowWithoutActivating);
  setFocusPolicy(Qt::NoFocus);
  setModel(&model_);
  setUniformItemSizes(true);
  setMouseTracking(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  SetCtl3D(true);
  Clock = [] {
    static QElapsedTimer timer;
    if (!timer.isValid()) timer.start();
    return timer.elapsed();
  };
  grip_ = new TSizeGripEh(this);
  grip_->SetTriangular(true);
  hide();
}

namespace {

// Draws a list item with its image: the image strip (image width + 4) at the reading side's
// start, the text after it; a selected item in the highlight colours with its image blended.
class TPopupListImageDelegateEh : public QStyledItemDelegate {
 public:
  explicit TPopupListImageDelegateEh(TPopupListboxEh* list) : QStyledItemDelegate(list), list_(list) {}
  void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const TCustomImageList* images = list_->ItemImages();
    if (!images) {
      QStyledItemDelegate::paint(p, option, index);
      return;
    }
    const bool selected = option.state & QStyle::State_Selected;
    const QRect r = option.rect;
    const bool rtl = list_->layoutDirection() == Qt::RightToLeft;
    p->save();
    p->fillRect(r, selected ? ToQColor(clHighlight) : list_->palette().color(QPalette::Base));
    const int strip = images->Width() + 4;
    const QRect stripRect = rtl ? QRect(r.right() - strip + 1, r.top(), strip, r.height())
                                : QRect(r.left(), r.top(), strip, r.height());
    DrawImageClipped(p, images, 2, 0, list_->ItemImageIndex(index.row()), stripRect);
    if (selected) p->fillRect(stripRect, QColor(ToQColor(clHighlight).red(), ToQColor(clHighlight).green(),
                                                ToQColor(clHighlight).blue(), 128));
    const QString text = index.data(Qt::DisplayRole).toString();
    p->setFont(option.font);
    p->setPen(selected ? ToQColor(clHighlightText) : list_->palette().color(QPalette::Text));
    const int textWidth = QFontMetrics(option.font).horizontalAdvance(text);
    const int x = rtl ? r.right() + 1 - strip - textWidth - 2 : r.left() + images->Width() + 5;
    p->setClipRect(rtl ? r.adjusted(0, 0, -strip, 0) : r.adjusted(strip, 0, 0, 0));
    p->drawText(QRect(x, r.top(), textWidth + 1, r.height()), Qt::AlignLeft | Qt::AlignAbsolute | Qt::AlignTop, text);
    p->restore();
  }

 private:
  TPopupListboxEh* list_;
};

}  // namespace

void TPopupListboxEh::SetItemImages(TCustomImageList* images) {
  itemImages_ = images;
  if (!imageDelegate_) {
    plainDelegate_ = itemDelegate();
    imageDelegate_ = new TPopupListImageDelegateEh(this);
  }
  setItemDelegate(images ? imageDelegate_ : plainDelegate_);
  viewport()->update();
}

int TPopupListboxEh::ItemImageIndex(int item) const {
  int index = item;
  if (OnItemImage) OnItemImage(owner_, item, index);
  return index;
}

void TPopupListboxEh::SetCtl3D(bool value) {
  ctl3D_ = value;
  if (value) {
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(2);
  } else {
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
  }
}

int TPopupListboxEh::EdgeHeight() const { return 2 * frameWidth(); }

int TPopupListboxEh::FontTextHeight() const { return QFontMetrics(font()).height(); }

void TPopupListboxEh::SetItemHeight(int height) {
  itemHeight_ = height;
  setStyleSheet(height > 0 ? QStringLiteral("QListView::item { height: %1px; padding: 0px; }").arg(height) : QString());
}

void TPopupListboxEh::SetSharedItems(const QStringList* items) {
  shared_ = items;
  model_.SetSource(items);
}

int TPopupListboxEh::ItemIndex() const {
  const QModelIndex i = currentIndex();
  return i.isValid() && selectionModel()->isSelected(i) ? i.row() : -1;
}

void TPopupListboxEh::SetItemIndex(int index) {
  if (index < 0 || index >= Count()) {
    selectionModel()->clearSelection();
    setCurrentIndex(QModelIndex());
    return;
  }
  const QModelIndex i = model_.index(index);
  setCurrentIndex(i);
  selectionModel()->select(i, QItemSelectionModel::ClearAndSelect);
  scrollTo(i);
}

int TPopupListboxEh::TopIndex() const {
  const QModelIndex i = indexAt(QPoint(1, 1));
  return i.isValid() ? i.row() : 0;
}

void TPopupListboxEh::SetTopIndex(int index) {
  index = qBound(0, index, qMax(0, Count() - 1));
  if (Count() == 0) return;
  scrollTo(model_.index(index), QAbstractItemView::PositionAtTop);
}

int TPopupListboxEh::SnappedHeight(int requested) const {
  const int ih = itemHeight_ > 0 ? itemHeight_ : FontTextHeight();
  const int rows = qMax(1, (requested - EdgeHeight()) / qMax(1, ih));
  return EdgeHeight() + ih * rows;
}

void TPopupListboxEh::ShowRows(int rows) {
  const int ih = itemHeight_ > 0 ? itemHeight_ : FontTextHeight();
  resize(width(), qMax(rows, 1) * ih + EdgeHeight());
}

bool TPopupListboxEh::event(QEvent* event) {
  if (event->type() == TSizeGripSideEvent::kType) {
    grip_->MoveToSide(static_cast<TSizeGripSideEvent*>(event)->Side);
    return true;
  }
  return QListView::event(event);
}

void TPopupListboxEh::resizeEvent(QResizeEvent* event) {
  QListView::resizeEvent(event);
  if (!snapping_) {
    const int minW = GetSystemMetrics(SM_CXVSCROLL), minH = GetSystemMetrics(SM_CYVSCROLL);
    const int h = SnappedHeight(qMax(height(), minH));
    const int w = qMax(width(), minW);
    if (h != height() || w != width()) {
      snapping_ = true;
      resize(w, h);
      snapping_ = false;
    }
  }
  const int ih = itemHeight_ > 0 ? itemHeight_ : FontTextHeight();
  visibleRows_ = qMax(1, (height() - EdgeHeight()) / qMax(1, ih));
  grip_->SnapToCorner();
  grip_->raise();
  UserResized = true;
}

void TPopupListboxEh::TypeAhead(QChar ch) {
  if (ch.unicode() == 8 || ch.unicode() == 27) {
    typedPrefix_.clear();
    return;
  }
  if (ch.unicode() < 32) return;
  const qint64 now = Clock ? Clock() : 0;
  if (now - searchTime_ > 2000) typedPrefix_.clear();
  searchTime_ = now;
  if (typedPrefix_.size() < 32) typedPrefix_ += ch;
  const QStringList& items = *model_.Source();
  for (int i = 0; i < items.size(); ++i) {
    if (items[i].startsWith(typedPrefix_, Qt::CaseInsensitive)) {
      SetItemIndex(i);
      return;
    }
  }
}

void TPopupListboxEh::keyPressEvent(QKeyEvent* event) {
  const QString text = event->text();
  if (event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Escape) {
    typedPrefix_.clear();
    event->ignore();
    return;
  }
  if (!text.isEmpty() && text[0].unicode() >= 32 && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
    TypeAhead(text[0]);
    event->accept();
    return;
  }
  const int count = Count();
  int index = ItemIndex();
  const int page = qMax(1, visibleRows_);
  switch (event->key()) {
    case Qt::Key_Up: index = index < 0 ? count - 1 : qMax(0, index - 1); break;
    case Qt::Key_Down: index = qMin(count - 1, index + 1); break;
    case Qt::Key_PageUp: index = qMax(0, index - page); break;
    case Qt::Key_PageDown: index = qMin(count - 1, (index < 0 ? 0 : index) + page); break;
    case Qt::Key_Home: index = 0; break;
    case Qt::Key_End: index = count - 1; break;
    default: QListView::keyPressEvent(event); return;
  }
  if (count > 0) SetItemIndex(index);
  event->accept();
}

void TPopupListboxEh::mouseMoveEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  if (pos != lastPointerPos_ && event->buttons() == Qt::NoButton) {
    const QModelIndex i = indexAt(pos);
    if (i.isValid()) SetItemIndex(i.row());
  }
  lastPointerPos_ = pos;
  QListView::mouseMoveEvent(event);
}

void TPopupListboxEh::mouseReleaseEvent(QMouseEvent* event) {
  QListView::mouseReleaseEvent(event);
  if (OnMouseUp) OnMouseUp(this, event->button(), event->position().toPoint());
}

void TPopupListboxEh::wheelEvent(QWheelEvent* event) {
  const int delta = event->angleDelta().y();
  if (delta < 0) SetTopIndex(TopIndex() + 1);
  else if (delta > 0) SetTopIndex(TopIndex() - 1);
  event->accept();
}

// ---- TPopupMonthCalendarEh ----

TPopupMonthCalendarEh::TPopupMonthCalendarEh(QWidget* owner) : QCalendarWidget(owner), owner_(owner) {
  setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus);
  setAttribute(Qt::WA_ShowWithoutActivating);
  setFocusPolicy(Qt::NoFocus);
  setGridVisible(false);
  setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
  // A click on a day closes and accepts; the month arrows only change the month.
  connect(this, &QCalendarWidget::clicked, this, [this](QDate) { CloseThroughHolder(owner_, true); });
  for (QWidget* child : findChildren<QWidget*>()) {
    child->setFocusPolicy(Qt::NoFocus);
  }
  adjustSize();
  resize(sizeHint() + QSize(2 * EdgeWidth, 2 * EdgeWidth));
  hide();
}

void TPopupMonthCalendarEh::SetDate(const QDate& date) {
  if (!date.isValid()) return;
  setSelectedDate(date);
}

bool TPopupMonthCalendarEh::eventFilter(QObject* watched, QEvent* event) {
  return QCalendarWidget::eventFilter(watched, event);
}

void TPopupMonthCalendarEh::HandleKey(QKeyEvent* event) {
  QDate d = selectedDate();
  const bool ctrl = event->modifiers() & Qt::ControlModifier;
  switch (event->key()) {
    case Qt::Key_Return: case Qt::Key_Enter: CloseThroughHolder(owner_, true); return;
    case Qt::Key_Escape: CloseThroughHolder(owner_, false); return;
    case Qt::Key_Left: d = d.addDays(-1); break;
    case Qt::Key_Right: d = d.addDays(1); break;
    case Qt::Key_Up: d = d.addDays(-7); break;
    case Qt::Key_Down: d = d.addDays(7); break;
    case Qt::Key_PageUp: d = d.addMonths(-1); break;
    case Qt::Key_PageDown: d = d.addMonths(1); break;
    case Qt::Key_Home: if (ctrl) d = QDate(d.year(), d.month(), 1); break;
    case Qt::Key_End: if (ctrl) d = QDate(d.year(), d.month(), d.daysInMonth()); break;
    default: return;
  }
  SetDate(d);
}

void TPopupMonthCalendarEh::keyPressEvent(QKeyEvent* event) {
  HandleKey(event);
  event->accept();
}

void TPopupMonthCalendarEh::wheelEvent(QWheelEvent* event) {
  const int delta = event->angleDelta().y();
  if (delta < 0) SetDate(selectedDate().addDays(1));
  else if (delta > 0) SetDate(selectedDate().addDays(-1));
  event->accept();
}

// ---- TMRUListEh ----

void TMRUListEh::SetActive(bool value) {
  if (value == active_) return;
  active_ = value;
  if (OnActiveToggled) OnActiveToggled(this);
}

void TMRUListEh::SetLimit(int value) {
  if (value == limit_) return;
  limit_ = value;
  while (items_.size() > qMax(0, limit_)) items_.removeFirst();
}

void TMRUListEh::Remember(const QString& text) {
  if (text.trimmed().isEmpty()) return;
  const Qt::CaseSensitivity cs = CaseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
  for (int i = 0; i < items_.size(); ++i) {
    if (QString::compare(items_[i], text, cs) == 0) {
      items_.move(i, items_.size() - 1);
      return;
    }
  }
  items_.append(text);
  while (items_.size() > qMax(0, limit_)) items_.removeFirst();
}

bool TMRUListEh::CollectMatches(QStringList& target, const QString& prefix) {
  target.clear();
  const Qt::CaseSensitivity cs = CaseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
  for (int i = 0; i < items_.size(); ++i) {
    bool accept = QStringView(items_[i]).left(prefix.size()).compare(prefix, cs) == 0;
    if (OnFilterText) OnFilterText(this, items_[i], accept);
    if (accept) target.append(items_[i]);
    if (i % 100 == 0 && YieldToKeys && KeyWaiting && KeyWaiting()) return false;
  }
  return true;
}

void TMRUListEh::Assign(const TMRUListEh& source) {
  SetActive(source.active_);
  items_ = source.items_;
  SetLimit(source.limit_);
  Rows = source.Rows;
  CaseSensitive = source.CaseSensitive;
}
