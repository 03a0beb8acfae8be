#include "designer/FR_Surface.h"

#include <QScopedValueRollback>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

#include "platform/syscolors.h"
#include "platform/ui.h"
#include "report/FR_Utils.h"

namespace {
int rnd(double v) { return int(std::nearbyint(v)); }   // halves to the even neighbour
bool noMove(const TfrView* v) { return v->Restrictions & frrfDontMove; }
bool noSize(const TfrView* v) { return v->Restrictions & frrfDontSize; }
QRect normalized(QRect r) {
  // Rectangles here are (left, top, width, height) with possibly negative extents.
  int l = r.x(), t = r.y(), w = r.width(), h = r.height();
  if (w < 0) l += w, w = -w;
  if (h < 0) t += h, h = -h;
  return QRect(l, t, w, h);
}
QRect rectOf(const TfrView* v) { return QRect(v->Left, v->Top, v->Width, v->Height); }
}  // namespace

TfrSurfaceController::TfrSurfaceController(TfrDesignModel& model) : model_(model) {}

void TfrSurfaceController::SetTool(int tool, bool sticky) {
  tool_ = tool;
  StickyTool = tool != toolSelect && sticky;
  GhostShown = false;
  cursor_ = tool == toolSelect ? crsDefault : tool == toolLine ? crsPencil : crsCross;
  if (OnToolChanged) OnToolChanged();
  changed();
}

int TfrSurfaceController::PanelWidth() const {
  TfrPage* p = model_.Page();
  if (!p) return 0;
  return p->PageType == ptDialog ? p->Width : p->PageWidthPixels();
}

bool TfrSurfaceController::DialogPage() const {
  TfrPage* p = model_.Page();
  return p && p->PageType == ptDialog;
}

void TfrSurfaceController::DefaultObjectSize(int& width, int& height) const {
  const bool big = model_.Settings.GridSize == 18;
  width = big ? 108 : 96;
  height = big ? 18 : 20;
  if (Last.FontSize == 12 || Last.FontSize == 13) height = 20;
  if (Last.FontSize >= 14 && Last.FontSize <= 16) height = 24;
}

QPoint TfrSurfaceController::SnapPoint(QPoint p) const {
  if (!model_.Settings.GridAlign) return p;
  const int g = model_.Settings.GridSize;
  return QPoint(g * (p.x() / g), g * (p.y() / g));
}

bool TfrSurfaceController::gridEffective(Qt::KeyboardModifiers mods) const {
  return model_.Settings.GridAlign != bool(mods & Qt::AltModifier);
}

bool TfrSurfaceController::takeDelta(QPoint p, Qt::KeyboardModifiers mods, int& dx, int& dy) {
  dx = p.x() - LastX;
  dy = p.y() - LastY;
  if (gridEffective(mods)) {
    const int g = model_.Settings.GridSize;
    if (std::abs(dx) < g && std::abs(dy) < g) return false;
    dx = dx / g * g;
    dy = dy / g * g;
  }
  LastX += dx;
  LastY += dy;
  return dx != 0 || dy != 0;
}

bool TfrSurfaceController::nearPoint(QPoint m, int px, int py, int e) const {
  return m.x() >= px - e && m.x() <= px + e + 1 && m.y() >= py - e && m.y() <= py + e + 1;
}

void TfrSurfaceController::changed() {
  if (OnChanged) OnChanged();
}

void TfrSurfaceController::selectionChanged() {
  if (OnSelectionChanged) OnSelectionChanged();
}

void TfrSurfaceController::ResetMouseState() {
  MouseDown = false;
  SkipNextPress = false;
  RubberBand = false;
  ResizeState = 0;
  cursor_ = tool_ == toolSelect ? crsDefault : tool_ == toolLine ? crsPencil : crsCross;
}

void TfrSurfaceController::ComputeGroupRect() {
  GroupRef = -1;
  GroupRectValid = false;
  saved_.clear();
  const QList<TfrView*> sel = model_.Selection();
  if (sel.size() < 2) return;
  GroupMinX = GroupMinY = 10000;
  TfrView* ref = nullptr;
  for (TfrView* v : sel) {
    saved_.insert(v, rectOf(v));
    if (!ref || v->Left + v->Width > ref->Left + ref->Width ||
        (v->Left + v->Width == ref->Left + ref->Width && v->Top + v->Height > ref->Top + ref->Height))
      ref = v;
    GroupMinX = std::min(GroupMinX, v->Left);
    GroupMinY = std::min(GroupMinY, v->Top);
  }
  GroupRef = model_.IndexOf(ref);
  WorkRect = OriginalRect = QRect(QPoint(GroupMinX, GroupMinY), QPoint(ref->Left + ref->Width, ref->Top + ref->Height));
  // QRect's right edge is inclusive: keep the width as right - left.
  WorkRect.setWidth(ref->Left + ref->Width - GroupMinX);
  WorkRect.setHeight(ref->Top + ref->Height - GroupMinY);
  OriginalRect = WorkRect;
  GroupRectValid = true;
}

TfrView* TfrSurfaceController::hitTest(QPoint p) const {
  TfrPage* page = model_.Page();
  if (!page) return nullptr;
  for (int i = int(page->Objects.size()) - 1; i >= 0; --i) {
    TfrView* v = page->Objects[size_t(i)].get();
    QRect r = rectOf(v);
    if (v->Width < 3 || v->Height < 3) {
      r = normalized(r).adjusted(-3, -3, 3, 3);
      if (p.x() >= r.x() && p.x() < r.x() + r.width() && p.y() >= r.y() && p.y() < r.y() + r.height()) return v;
    } else if (IsBand(v)) {
      // The band itself, or its title tab above it (left of it for cross bands).
      const QRect tab = static_cast<TfrBandView*>(v)->TitleTabRect();
      if (QRect(v->Left, v->Top, v->Width + 1, v->Height + 1).contains(p) ||
          (model_.Settings.BandTitles && tab.contains(p)))
        return v;
    } else if (v->ClipRegion(false).contains(p)) {
      return v;
    }
  }
  return nullptr;
}

QPoint TfrSurfaceController::lineStart(QPoint p) const {
  if (!model_.Settings.GridAlign) return p;
  const int g = model_.Settings.GridSize;
  double best = g;
  QPoint found;
  bool any = false;
  if (TfrPage* page = model_.Page())
    for (auto& o : page->Objects) {
      const QPoint corners[] = {{o->Left, o->Top}, {o->Left + o->Width, o->Top},
                                {o->Left + o->Width, o->Top + o->Height}, {o->Left, o->Top + o->Height}};
      for (QPoint c : corners) {
        const double d = std::hypot(double(c.x() - p.x()), double(c.y() - p.y()));
        if (d < best) {
          best = d;
          found = c;
          any = true;
        }
      }
    }
  if (any) return found;
  return QPoint(rnd(double(p.x()) / g) * g, rnd(double(p.y()) / g) * g);
}

void TfrSurfaceController::MousePress(QPoint p, Qt::MouseButton button, Qt::KeyboardModifiers mods) {
  MousePoint = p;
  ctrlAtPress_ = mods & Qt::ControlModifier;
  if (SkipNextPress) {
    SkipNextPress = false;
    return;
  }
  RubberBand = false;
  MouseDown = true;
  changeRecorded_ = false;
  ResizeState = 0;
  const bool left = button == Qt::LeftButton;
  if (left && ((mods & Qt::ControlModifier) || cursor_ == crsCross)) {
    RubberBand = true;
    QPoint q = p;
    if (cursor_ == crsCross) {
      GhostShown = false;
      q = SnapPoint(p);
      OriginalRect = QRect(q, QSize(0, 0));
    }
    WorkRect = QRect(q, QSize(0, 0));
    model_.UnselectAll();
    GroupRef = -1;
    GroupRectValid = false;
    changed();
    return;
  }
  if (left && cursor_ == crsPencil) {
    const QPoint q = lineStart(p);
    WorkRect = QRect(q, QSize(0, 0));
    model_.UnselectAll();
    GroupRef = -1;
    GroupRectValid = false;
    LastX = q.x();
    LastY = q.y();
    changed();
    return;
  }
  if (cursor_ == crsDefault) {
    TfrView* hit = hitTest(p);
    if (hit) {
      if (mods & Qt::ShiftModifier) {
        hit->Selected = !hit->Selected;
      } else if (!hit->Selected) {
        model_.UnselectAll();
        hit->Selected = true;
      }
      const int n = model_.SelectionCount();
      if (n == 0) model_.FirstSelected = nullptr;
      else if (n == 1) model_.FirstSelected = model_.TopSelected();
      else if (!hit->Selected) model_.FirstSelected = nullptr;
      else if (!model_.FirstSelected || !model_.FirstSelected->Selected) model_.FirstSelected = nullptr;
    } else {
      model_.UnselectAll();
      if (left) {
        RubberBand = true;
        WorkRect = QRect(p, QSize(0, 0));
        GroupRef = -1;
        GroupRectValid = false;
        changed();
        return;
      }
    }
    ComputeGroupRect();
  }
  if (model_.SelectionCount() == 0) {
    GroupRef = -1;
    GroupRectValid = false;
  } else if (cursor_ != crsDefault && model_.SelectionCount() > 1) {
    ComputeGroupRect();
  }
  LastX = p.x();
  LastY = p.y();
  MouseMoved = false;
  firstMove_ = true;
  if (button == Qt::RightButton) {
    MouseDown = false;
    selectionChanged();
    if (OnContextMenu) OnContextMenu(p);
  }
  changed();
}

void TfrSurfaceController::recordFirstChange() {
  if (changeRecorded_) return;
  changeRecorded_ = true;
  model_.RecordUndo(acEdit);
}

void TfrSurfaceController::hover(QPoint p) {
  if (tool_ == toolLine) {
    cursor_ = crsPencil;
    return;
  }
  if (tool_ != toolSelect) {
    int w, h;
    DefaultObjectSize(w, h);
    if (tool_ == toolBand) w = PanelWidth();
    GhostRect = QRect(SnapPoint(p), QSize(w, h));
    GhostShown = !DialogPage();
    cursor_ = crsCross;
    return;
  }
  cursor_ = crsDefault;
  const QList<TfrView*> sel = model_.Selection();
  if (sel.size() == 1) {
    TfrView* v = sel.first();
    const int l = v->Left, t = v->Top, r = v->Left + v->Width, b = v->Top + v->Height;
    const int mx = l + v->Width / 2, my = t + v->Height / 2;
    if (nearPoint(p, l, t, 2) || nearPoint(p, r, b, 2)) cursor_ = crsSizeNWSE;
    else if (nearPoint(p, r, t, 2) || nearPoint(p, l, b, 2)) cursor_ = crsSizeNESW;
    else if (v->Width && v->Height && (nearPoint(p, mx, t, 2) || nearPoint(p, mx, b, 2))) cursor_ = crsSizeNS;
    else if (v->Width && v->Height && (nearPoint(p, l, my, 2) || nearPoint(p, r, my, 2))) cursor_ = crsSizeWE;
  } else if (sel.size() > 1) {
    ComputeGroupRect();
    TfrPage* page = model_.Page();
    if (GroupRef >= 0) {
      TfrView* ref = page->Objects[size_t(GroupRef)].get();
      if (nearPoint(p, ref->Left + ref->Width, ref->Top + ref->Height, 2)) {
        cursor_ = crsSizeNWSE;
        return;
      }
    }
    // A border shared by two selected objects side by side.
    for (TfrView* a : sel) {
      if (IsBand(a) || a->Typ == gtLine) continue;
      if (!QRect(a->Left, a->Top, a->Width + 1, a->Height + 1).contains(p)) continue;
      for (TfrView* b : sel) {
        if (b == a || IsBand(b)) continue;
        if (b->Left + b->Width == a->Left && p.x() <= a->Left + 2) {
          cursor_ = crsHSplit;
          SplitLeft = b;
          SplitRight = a;
          SplitOrigin = SplitX = a->Left;
          return;
        }
        if (b->Left == a->Left + a->Width && p.x() >= a->Left + a->Width - 2) {
          cursor_ = crsHSplit;
          SplitLeft = a;
          SplitRight = b;
          SplitOrigin = SplitX = b->Left;
          return;
        }
      }
    }
  }
}

void TfrSurfaceController::MouseMove(QPoint p, Qt::MouseButtons buttons, Qt::KeyboardModifiers mods) {
  MousePoint = p;
  MouseMoved = true;
  if (!MouseDown || !(buttons & (Qt::LeftButton | Qt::RightButton))) {
    if (!MouseDown) {
      hover(p);
      if (tool_ == toolSelect && model_.SelectionCount() == 0) WorkRect = QRect(p, QSize(0, 0));
      changed();
    }
    return;
  }
  if (RubberBand) {
    const QPoint q = cursor_ == crsCross ? SnapPoint(p) : p;
    WorkRect.setWidth(q.x() - WorkRect.x());
    WorkRect.setHeight(q.y() - WorkRect.y());
    changed();
    return;
  }
  int dx = 0, dy = 0;
  if (cursor_ == crsPencil) {
    if (!takeDelta(p, mods, dx, dy)) return;
    WorkRect.setWidth(LastX - WorkRect.x());
    WorkRect.setHeight(LastY - WorkRect.y());
    changed();
    return;
  }
  const QList<TfrView*> sel = model_.Selection();
  if (sel.isEmpty()) return;
  if (cursor_ == crsHSplit) {
    if (!takeDelta(p, mods, dx, dy)) return;
    SplitX += dx;
    changed();
    return;
  }
  const bool sizing = cursor_ == crsSizeNWSE || cursor_ == crsSizeNESW || cursor_ == crsSizeNS || cursor_ == crsSizeWE;
  if (sizing && sel.size() > 1 && GroupRectValid) {
    if (!takeDelta(p, mods, dx, dy)) return;
    recordFirstChange();
    WorkRect.setWidth(std::max(0, WorkRect.width() + dx));
    WorkRect.setHeight(std::max(0, WorkRect.height() + dy));
    // A group with no width (or no height) at the press keeps that extent: nothing to scale.
    const double kx = OriginalRect.width() ? double(WorkRect.width()) / OriginalRect.width() : 1.0;
    const double ky = OriginalRect.height() ? double(WorkRect.height()) / OriginalRect.height() : 1.0;
    for (TfrView* v : sel) {
      if (noSize(v) || !saved_.contains(v)) continue;
      const QRect s = saved_.value(v);
      const double bx = (s.x() - GroupMinX) * kx, ax = s.width() * kx;
      v->Left = GroupMinX + rnd(bx);
      v->Width = rnd(ax) + (rnd(bx + ax) - rnd(bx) - rnd(ax));
      const double by = (s.y() - GroupMinY) * ky, ay = s.height() * ky;
      v->Top = GroupMinY + rnd(by);
      v->Height = rnd(ay) + (rnd(by + ay) - rnd(by) - rnd(ay));
    }
    changed();
    return;
  }
  if (cursor_ == crsDefault) {
    if (!takeDelta(p, mods, dx, dy)) return;
    if (firstMove_) {
      firstMove_ = false;
      // A band dragged alone takes the objects lying inside it along; they join the selection
      // before the step is recorded, so Undo puts them back too.
      if (sel.size() == 1 && IsBand(sel.first()) && !noMove(sel.first()) && !(mods & Qt::AltModifier)) {
        TfrView* b = sel.first();
        for (auto& o : model_.Page()->Objects)
          if (!IsBand(o.get()) && o->Left >= b->Left && o->Top >= b->Top && o->Left + o->Width <= b->Left + b->Width &&
              o->Top + o->Height <= b->Top + b->Height)
            o->Selected = true;
        selectionChanged();
        ComputeGroupRect();
      }
    }
    recordFirstChange();
    for (TfrView* v : model_.Selection())
      if (!noMove(v)) {
        v->Left += dx;
        v->Top += dy;
      }
    changed();
    return;
  }
  if (sizing && sel.size() == 1) {
    TfrView* v = sel.first();
    if (ResizeState == 0) {
      const int l = v->Left, t = v->Top, r = v->Left + v->Width, b = v->Top + v->Height;
      const QPoint m(LastX, LastY);
      switch (cursor_) {
        case crsSizeNWSE: ResizeState = nearPoint(m, l, t, 3) ? 1 : 2; break;
        case crsSizeNESW: ResizeState = nearPoint(m, r, t, 3) ? 3 : 4; break;
        case crsSizeWE: ResizeState = nearPoint(m, l, t + v->Height / 2, 3) ? 5 : 6; break;
        default: ResizeState = nearPoint(m, l + v->Width / 2, t, 3) ? 7 : 8; break;
      }
      (void)b;
    }
    if (!takeDelta(p, mods, dx, dy)) return;
    if (noSize(v)) return;
    recordFirstChange();
    switch (ResizeState) {
      case 1: v->Left += dx, v->Width -= dx, v->Top += dy, v->Height -= dy; break;
      case 2: v->Width += dx, v->Height += dy; break;
      case 3: v->Width += dx, v->Top += dy, v->Height -= dy; break;
      case 4: v->Left += dx, v->Width -= dx, v->Height += dy; break;
      case 5: v->Left += dx, v->Width -= dx; break;
      case 6: v->Width += dx; break;
      case 7: v->Top += dy, v->Height -= dy; break;
      case 8: v->Height += dy; break;
    }
    if (v->Width < 0) {
      v->Left += v->Width;
      v->Width = -v->Width;
      static const int flipH[] = {0, 3, 4, 1, 2, 6, 5, 7, 8};
      ResizeState = flipH[ResizeState];
    }
    if (v->Height < 0) {
      v->Top += v->Height;
      v->Height = -v->Height;
      static const int flipV[] = {0, 4, 3, 2, 1, 5, 6, 8, 7};
      ResizeState = flipV[ResizeState];
    }
    changed();
  }
}

void TfrSurfaceController::insertAt(QRect r) {
  TfrPage* page = model_.Page();
  if (!page) return;
  const int tool = tool_;
  TfrView* v = nullptr;
  if (tool == toolBand) {
    TfrPage* cur = page;
    bool onSubPage = false;
    for (auto& pg : model_.Report()->Pages)
      for (auto& o : pg->Objects)
        onSubPage = onSubPage || (o->Typ == gtSubReport && static_cast<TfrSubReportView*>(o.get())->SubPage == model_.CurPage);
    const int kind = AskBandKind ? AskBandKind(onSubPage) : -1;
    if (kind < 0) {
      SetTool(toolSelect);
      return;
    }
    auto* b = static_cast<TfrBandView*>(CreateViewByType(gtBand));
    b->SetBandKind(kind);
    QString base = BandKindNames().value(kind);
    if (const int sp = base.indexOf(' '); sp >= 0) {
      base.remove(sp, 1);
      if (sp < base.size()) base[sp] = base[sp].toUpper();
    }
    if (!base.isEmpty()) b->BaseName = base;
    v = b;
    (void)cur;
  } else if (tool == toolSubReport) {
    auto* s = static_cast<TfrSubReportView*>(CreateViewByType(gtSubReport));
    s->SubPage = model_.PageCount();
    TfrPage* np = model_.Report()->AppendPage();
    np->Name = QStringLiteral("Page%1").arg(model_.PageCount());
    v = s;
  } else {
    v = CreateViewByType(tool);
  }
  if (!v) return;
  if (r.width() == 0 || r.height() == 0) {
    int w = 36, h = 36;
    if (v->Typ == gtMemo) DefaultObjectSize(w, h);
    else if (DialogPage() && v->Width && v->Height) w = v->Width, h = v->Height;
    r = QRect(r.topLeft(), QSize(w, h));
  }
  v->Left = r.x();
  v->Top = r.y();
  v->Width = r.width();
  v->Height = r.height();
  if (const int k = BandKindOf(v); k >= kBandCrossHeader && k <= kBandCrossFooter && v->Width > PanelWidth() - 10)
    v->Width = 40;
  v->FrameWidth = Last.FrameWidth;
  v->FrameColor = Last.FrameColor;
  v->FillColor = Last.FillColor;
  if (v->Typ == gtMemo) {
    auto* m = static_cast<TfrMemoView*>(v);
    m->FrameTyp = Last.FrameLines;
    m->Font.setName(Last.FontName);
    m->Font.setSize(Last.FontSize);
    m->Font.setColor(Last.FontColor);
    m->Font.setStyle(Last.FontStyle);
    m->Alignment = Last.Alignment;
    if (dropping_) m->Memo = QStringList{dropMemo_};
  }
  model_.InsertObject(v, true);
  if (tool == toolSubReport && OnPagesChanged) OnPagesChanged();
  selectionChanged();
  if (StickyTool) {
    GhostShown = false;
  } else {
    SetTool(toolSelect);
  }
  if (model_.Settings.EditAfterInsert && !dropping_ && !DialogPage() && OnEditSelected) OnEditSelected();
}

void TfrSurfaceController::ShowFieldGhost(QPoint p) {
  int w = 0, h = 0;
  DefaultObjectSize(w, h);
  QPoint at = model_.Settings.GridAlign ? SnapPoint(p) : p;
  GhostRect = QRect(at - QPoint(4, 4), QSize(w, h));
  GhostShown = true;
  if (OnChanged) OnChanged();
}

void TfrSurfaceController::DropField(QPoint p, const QString& memo) {
  if (DialogPage() || !model_.Page()) return;
  GhostShown = false;
  QPoint at = model_.Settings.GridAlign ? SnapPoint(p) : p;
  at -= QPoint(4, 4);
  tool_ = toolText;
  dropMemo_ = memo;
  const QScopedValueRollback<bool> reset(dropping_, true);
  const bool sticky = StickyTool;
  StickyTool = false;
  insertAt(QRect(at, QSize(0, 0)));
  StickyTool = sticky;
  if (OnChanged) OnChanged();
}

void TfrSurfaceController::finishLine(QPoint p) {
  const int w = WorkRect.width(), h = WorkRect.height();
  if (w == 0 && h == 0) return;
  auto* v = CreateViewByType(gtLine);
  v->Left = WorkRect.x();
  v->Top = WorkRect.y();
  v->Width = std::abs(w);
  v->Height = std::abs(h);
  if (w < 0 && std::abs(w) > std::abs(h)) v->Left = WorkRect.x() + w;
  if (h < 0 && std::abs(h) > std::abs(w)) v->Top = WorkRect.y() + h;
  // The line is drawn along its larger extent only.
  if (v->Width >= v->Height) v->Height = 0;
  else v->Width = 0;
  v->FrameWidth = Last.LineWidth;
  v->FrameColor = Last.FrameColor;
  model_.InsertObject(v, true);
  selectionChanged();
}

void TfrSurfaceController::rubberSelect() {
  const QRect f = normalized(WorkRect);
  auto overlaps = [&](TfrView* o) {
    return o->Left <= f.x() + f.width() && o->Left + o->Width >= f.x() && o->Top <= f.y() + f.height() &&
           o->Top + o->Height >= f.y();
  };
  TfrPage* page = model_.Page();
  int n = 0;
  for (auto& o : page->Objects)
    if (!IsBand(o.get()) && overlaps(o.get())) o->Selected = true, ++n;
  if (n == 0)
    for (auto& o : page->Objects)
      if (overlaps(o.get())) o->Selected = true, ++n;
  model_.FirstSelected = n == 1 ? model_.TopSelected() : nullptr;
  ComputeGroupRect();
  selectionChanged();
}

void TfrSurfaceController::MouseRelease(QPoint p, Qt::MouseButton button, Qt::KeyboardModifiers mods) {
  if (button != Qt::LeftButton) return;
  MousePoint = p;
  const bool wasDown = MouseDown;
  MouseDown = false;
  if (!wasDown) return;
  if (cursor_ == crsCross) {
    RubberBand = false;
    QRect r = normalized(WorkRect);
    insertAt(r);
    changed();
    return;
  }
  if (cursor_ == crsPencil) {
    finishLine(p);
    changed();
    return;
  }
  if (RubberBand) {
    RubberBand = false;
    rubberSelect();
    changed();
    return;
  }
  if (cursor_ == crsHSplit && SplitLeft && SplitRight) {
    const int d = SplitX - SplitOrigin;
    if (d != 0 && !noSize(SplitLeft) && !noSize(SplitRight) && !noMove(SplitRight) && SplitLeft->Width + d > 0 &&
        SplitRight->Width - d > 0) {
      model_.RecordUndo(acEdit);
      SplitLeft->Width += d;
      SplitRight->Left += d;
      SplitRight->Width -= d;
    }
    SplitLeft = SplitRight = nullptr;
    ComputeGroupRect();
    cursor_ = crsDefault;
    changed();
    return;
  }
  if (!MouseMoved) {
    selectionChanged();
  } else if (model_.SelectionCount() > 0) {
    ComputeGroupRect();
    selectionChanged();
  }
  MouseMoved = false;
  ResizeState = 0;
  changed();
}

void TfrSurfaceController::DoubleClick(QPoint p) {
  MouseDown = false;
  const int n = model_.SelectionCount();
  if (n == 1) {
    SkipNextPress = true;
    if (ctrlAtPress_) {
      if (OnEditText) OnEditText();
    } else if (OnEditSelected) {
      OnEditSelected();
    }
  } else if (n == 0) {
    SkipNextPress = true;
    if (!DialogPage() && OnPageOptions) OnPageOptions();
  }
}

void TfrSurfaceController::MouseLeave() {
  if (tool_ != toolSelect && !MouseDown) {
    GhostShown = false;
    changed();
  }
}

bool TfrSurfaceController::ArrowKey(int key, Qt::KeyboardModifiers mods) {
  int dx = 0, dy = 0;
  switch (key) {
    case Qt::Key_Left: dx = -1; break;
    case Qt::Key_Right: dx = 1; break;
    case Qt::Key_Up: dy = -1; break;
    case Qt::Key_Down: dy = 1; break;
    default: return false;
  }
  const QList<TfrView*> sel = model_.Selection();
  if (sel.isEmpty()) return false;
  if (mods & (Qt::ControlModifier | Qt::ShiftModifier)) {
    model_.RecordUndo(acEdit);
    const bool size = mods & Qt::ShiftModifier;
    for (TfrView* v : sel) {
      if (size && !noSize(v)) {
        v->Width += dx;
        v->Height += dy;
      } else if (!noMove(v)) {
        v->Left += dx;
        v->Top += dy;
      }
    }
    ComputeGroupRect();
    selectionChanged();
    changed();
    return true;
  }
  if (sel.size() != 1) return true;
  TfrView* s = sel.first();
  // The nearest object in the arrow's direction. Vertical arrows use the horizontal rules with
  // the axes exchanged.
  const bool vertical = dy != 0;
  const int dir = dx + dy;
  struct Box {
    int l, t, r, b;
  };
  auto box = [&](TfrView* v) {
    Box x{v->Left, v->Top, v->Left + v->Width, v->Top + v->Height};
    return vertical ? Box{x.t, x.l, x.b, x.r} : x;
  };
  const Box S = box(s);
  TfrView* best = nullptr;
  int bestScore = 10000;
  for (auto& o : model_.Page()->Objects) {
    TfrView* w = o.get();
    if (w->Selected || IsBand(w)) continue;
    const Box W = box(w);
    int g;
    if (W.b <= S.t) g = S.t - W.b;
    else if (W.t >= S.b) g = W.t - S.b;
    else if (W.t <= S.t && W.b >= S.b) g = 0;
    else g = W.t - S.t;
    if ((dir > 0 && W.l <= S.l) || (dir < 0 && W.r >= S.r)) g = 10000;
    int score;
    if (dir > 0) score = W.l >= S.r ? g + W.l - S.r : g + W.l - S.l;
    else score = W.r <= S.l ? g + S.l - W.r : g + S.r - W.r;
    if (score < bestScore) {
      bestScore = score;
      best = w;
    }
  }
  if (!best) return true;
  if (!(mods & Qt::AltModifier)) {
    model_.SelectOnly(best);
  } else if (!noMove(s)) {
    model_.RecordUndo(acEdit);
    if (key == Qt::Key_Right && best->Left >= s->Left + s->Width) s->Left = best->Left - s->Width;
    else if (key == Qt::Key_Down && s->Top + s->Height < best->Top) s->Top = best->Top - s->Height;
    else if (key == Qt::Key_Left && s->Left >= best->Left + best->Width) s->Left = best->Left + best->Width;
    else if (key == Qt::Key_Up && s->Top >= best->Top + best->Height) s->Top = best->Top + best->Height;
  }
  selectionChanged();
  changed();
  return true;
}

// ---------------------------------------------------------------------------------------
// The panel

TfrDesignerPage::TfrDesignerPage(TfrSurfaceController& controller, QWidget* parent) : QWidget(parent), c_(controller) {
  setObjectName(QStringLiteral("DesignSurface"));
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::ClickFocus);
  setAcceptDrops(true);
}

void TfrDesignerPage::dragEnterEvent(QDragEnterEvent* e) {
  if (!e->mimeData()->hasFormat(QLatin1String(kFieldMimeType)) || c_.DialogPage()) return;
  e->acceptProposedAction();
  Guard([&] { c_.ShowFieldGhost(e->position().toPoint()); });
}

void TfrDesignerPage::dragMoveEvent(QDragMoveEvent* e) {
  if (!e->mimeData()->hasFormat(QLatin1String(kFieldMimeType)) || c_.DialogPage()) return;
  e->acceptProposedAction();
  Guard([&] { c_.ShowFieldGhost(e->position().toPoint()); });
}

void TfrDesignerPage::dragLeaveEvent(QDragLeaveEvent*) {
  c_.GhostShown = false;
  update();
}

void TfrDesignerPage::dropEvent(QDropEvent* e) {
  if (!e->mimeData()->hasFormat(QLatin1String(kFieldMimeType)) || c_.DialogPage()) return;
  const QString reference = QString::fromUtf8(e->mimeData()->data(QLatin1String(kFieldMimeType)));
  e->acceptProposedAction();
  Guard([&] { c_.DropField(e->position().toPoint(), '[' + reference + ']'); });
  setFocus();
}

void TfrDesignerPage::PlaceSurface(int viewportWidth) {
  TfrPage* page = c_.Model().Page();
  if (!page || PaintLocked) return;
  if (page->PageType == ptDialog) {
    resize(std::max(page->Width, 100), std::max(page->Height, 80));
    move(10, 10);
    return;
  }
  const int w = page->PageWidthPixels();
  int h = page->PageHeightPixels();
  if (c_.Settings().UnlimitedHeight) h *= 3;
  int left;
  if (viewportWidth - 11 < w || c_.Settings().PagePosition == 3) left = 10;
  else if (c_.Settings().PagePosition == 5) left = (viewportWidth - w) / 2;
  else left = viewportWidth - w - 11;
  setGeometry(left, 10, w, h);
}

void TfrDesignerPage::PaintSurface(QPainter& painter, const QRect& clip) {
  TfrPage* page = c_.Model().Page();
  const bool dialog = page && page->PageType == ptDialog;
  const QColor back = dialog ? ToQColor(ColorToRGB(page->Color)) : Qt::white;
  painter.fillRect(clip, back);
  if (!page) return;
  const TfrDesignerSettings& s = c_.Settings();
  if (s.ShowGrid) {
    const int g = s.GridSize;
    const int step = g == 18 ? 18 : 8;
    const bool four = g == 4;
    painter.setPen(Qt::black);
    for (int y = (clip.top() / step) * step; y <= clip.bottom(); y += step)
      for (int x = (clip.left() / step) * step; x <= clip.right(); x += step) {
        painter.drawPoint(x, y);
        if (four) {
          painter.drawPoint(x + 4, y);
          painter.drawPoint(x, y + 4);
          painter.drawPoint(x + 4, y + 4);
        }
      }
  }
  if (!dialog && page->UseMargins) {
    painter.setPen(QColor(128, 128, 128));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(page->LeftMargin, page->TopMargin, page->PageWidthPixels() - page->LeftMargin - page->RightMargin,
                     page->PageHeightPixels() - page->TopMargin - page->BottomMargin);
  }
  TCanvas canvas(&painter);
  for (auto& o : page->Objects) {
    painter.save();
    o->Paint(&canvas);
    painter.restore();
    if (!o->Script.isEmpty()) painter.fillRect(o->Left + 1, o->Top + 1, 6, 6, QColor(0, 128, 0));
  }
  // The bands' names stay readable whatever objects reach into their title tabs.
  if (!dialog && s.BandTitles)
    for (auto& o : page->Objects)
      if (IsBand(o.get())) {
        painter.save();
        static_cast<TfrBandView*>(o.get())->PaintTitleTab(&canvas);
        painter.restore();
      }
  // Handles of the selection.
  const QList<TfrView*> sel = c_.Model().Selection();
  if (!c_.MouseDown || c_.Settings().ShowContentsWhileMoving) {
    for (TfrView* v : sel) {
      QList<QPoint> pts = {{v->Left, v->Top}, {v->Left + v->Width, v->Top}, {v->Left, v->Top + v->Height},
                           {v->Left + v->Width, v->Top + v->Height}};
      if (sel.size() == 1 && v->Width && v->Height)
        pts << QPoint(v->Left + v->Width / 2, v->Top) << QPoint(v->Left + v->Width / 2, v->Top + v->Height)
            << QPoint(v->Left, v->Top + v->Height / 2) << QPoint(v->Left + v->Width, v->Top + v->Height / 2);
      for (QPoint q : pts) painter.fillRect(q.x() - 2, q.y() - 2, 5, 5, Qt::black);
      if (sel.size() > 1 && c_.GroupRef >= 0 && c_.Model().IndexOf(v) == c_.GroupRef)
        painter.fillRect(v->Left + v->Width - 2, v->Top + v->Height - 2, 5, 5, QColor(0, 128, 128));
    }
  }
  QPen frame(QColor(128, 128, 128), 1, Qt::DashLine);
  painter.setPen(frame);
  painter.setBrush(Qt::NoBrush);
  if (c_.RubberBand) painter.drawRect(normalized(c_.WorkRect));
  if (c_.GhostShown && !c_.MouseDown) painter.drawRect(c_.GhostRect);
  if (c_.MouseDown && c_.Cursor() == crsPencil) {
    painter.setPen(QPen(Qt::black, std::max(1, int(std::lround(c_.Last.LineWidth)))));
    const QRect w = c_.WorkRect;
    if (std::abs(w.width()) > std::abs(w.height())) painter.drawLine(w.x(), w.y(), w.x() + w.width(), w.y());
    else painter.drawLine(w.x(), w.y(), w.x(), w.y() + w.height());
  }
  if (c_.MouseDown && c_.Cursor() == crsHSplit && c_.SplitRight)
    painter.drawLine(c_.SplitX, c_.SplitRight->Top, c_.SplitX, c_.SplitRight->Top + c_.SplitRight->Height);
}

void TfrDesignerPage::paintEvent(QPaintEvent* e) {
  if (PaintLocked) return;
  QPainter p(this);
  PaintSurface(p, e->rect());
}

void TfrDesignerPage::applyCursor() {
  static const Qt::CursorShape shapes[] = {Qt::ArrowCursor,     Qt::CrossCursor,     Qt::PointingHandCursor,
                                           Qt::SizeFDiagCursor, Qt::SizeBDiagCursor, Qt::SizeVerCursor,
                                           Qt::SizeHorCursor,   Qt::SplitHCursor};
  setCursor(shapes[c_.Cursor()]);
}

void TfrDesignerPage::mousePressEvent(QMouseEvent* e) {
  Guard([&] { c_.MousePress(e->position().toPoint(), e->button(), e->modifiers()); });
  applyCursor();
}

void TfrDesignerPage::mouseMoveEvent(QMouseEvent* e) {
  Guard([&] { c_.MouseMove(e->position().toPoint(), e->buttons(), e->modifiers()); });
  applyCursor();
}

void TfrDesignerPage::mouseReleaseEvent(QMouseEvent* e) {
  Guard([&] { c_.MouseRelease(e->position().toPoint(), e->button(), e->modifiers()); });
  applyCursor();
}

void TfrDesignerPage::mouseDoubleClickEvent(QMouseEvent* e) {
  Guard([&] { c_.DoubleClick(e->position().toPoint()); });
  // The window system delivers the double click's own second press before this event, so
  // there is no press left to swallow: the operator's next click must count.
  c_.SkipNextPress = false;
}

void TfrDesignerPage::leaveEvent(QEvent*) { c_.MouseLeave(); }

void TfrDesignerPage::keyPressEvent(QKeyEvent* e) {
  if (OnKey && OnKey(e)) return;
  QWidget::keyPressEvent(e);
}
