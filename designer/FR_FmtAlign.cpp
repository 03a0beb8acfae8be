// The alignment palette and fit to grid: positions of the selected objects relative to the
// reference object, to each other and to the page.
#include <algorithm>
#include <cmath>

#include "designer/FR_Desgn.h"
#include "report/FR_Ctrls.h"
#include "report/FR_Report.h"

namespace {

// "div": truncates towards zero.
int divz(int a, int b) { return a / b; }

// The objects ordered by a position, as numbers; equal positions keep their list order.
QList<TfrView*> sortedBy(QList<TfrView*> views, int TfrView::*pos) {
  std::stable_sort(views.begin(), views.end(), [pos](TfrView* a, TfrView* b) { return a->*pos < b->*pos; });
  return views;
}

bool movable(const TfrView* v) { return !(v->Restrictions & frrfDontMove); }

// Rounds to the nearest multiple of `step`, halves to the even multiple.
int roundToGrid(int value, int step) {
  const double q = std::nearbyint(double(value) / step);   // the default rounding mode: half to even
  return int(q) * step;
}

}  // namespace

void TfrDesignerForm::AlignSelection(int command) {
  const QList<TfrView*> sel = model_.Selection();
  if (sel.isEmpty()) return;
  TfrView* band = nullptr;
  for (TfrView* v : sel)
    if (IsBand(v)) {
      band = v;
      break;
    }
  const int n = int(sel.size());
  const bool bandArrangement = band && (command == 1 || command == 5);
  const int needs = bandArrangement ? 1 : (command == 3 || command == 8) ? 1 : (command == 4 || command == 9) ? 3 : 2;
  if (n < needs) return;
  TfrView* ref = model_.FirstSelected ? model_.FirstSelected : model_.TopSelected();
  BeginChange();
  TfrPage* page = model_.Page();
  if (bandArrangement) {
    // The objects lying within the band, packed side by side from one edge.
    QList<TfrView*> inside;
    for (const auto& o : page->Objects)
      if (!IsBand(o.get()) && o->Top >= band->Top && o->Top + o->Height <= band->Top + band->Height)
        inside << o.get();
    inside = sortedBy(inside, &TfrView::Left);
    QList<TfrView*> selectedObjects;
    for (TfrView* v : sel)
      if (!IsBand(v)) selectedObjects << v;
    if (command == 1) {
      int top = band->Top;
      if (!selectedObjects.isEmpty())
        top = (*std::min_element(selectedObjects.begin(), selectedObjects.end(),
                                 [](auto a, auto b) { return a->Left < b->Left; }))->Top;
      int cursor = page->LeftEdge();
      for (TfrView* v : inside) {
        if (movable(v)) v->Left = cursor, v->Top = top;
        cursor += v->Width;
      }
    } else {
      int top = band->Top;
      if (!selectedObjects.isEmpty())
        top = (*std::max_element(selectedObjects.begin(), selectedObjects.end(),
                                 [](auto a, auto b) { return a->Left + a->Width < b->Left + b->Width; }))->Top;
      int cursor = page->RightEdge();
      for (auto it = inside.rbegin(); it != inside.rend(); ++it) {
        TfrView* v = *it;
        if (movable(v)) v->Left = cursor - v->Width, v->Top = top;
        cursor -= v->Width;
      }
    }
    controller_.ComputeGroupRect();
    RepaintSurface();
    return;
  }
  int minL = 1 << 30, maxR = -(1 << 30), minT = 1 << 30, maxB = -(1 << 30);
  for (TfrView* v : sel) {
    minL = std::min(minL, v->Left);
    maxR = std::max(maxR, v->Left + v->Width);
    minT = std::min(minT, v->Top);
    maxB = std::max(maxB, v->Top + v->Height);
  }
  const int surfaceW = DesignSurface ? DesignSurface->width() : controller_.PanelWidth();
  const int surfaceH = DesignSurface ? DesignSurface->height() : 0;
  auto distribute = [&](int TfrView::*pos) {
    const QList<TfrView*> order = sortedBy(sel, pos);
    const int step = divz(order.last()->*pos - order.first()->*pos, int(order.size()) - 1);
    for (int i = 1; i < order.size() - 1; ++i)
      if (movable(order[i])) order[i]->*pos = order[i - 1]->*pos + step;
  };
  switch (command) {
    case 4: distribute(&TfrView::Left); break;
    case 9: distribute(&TfrView::Top); break;
    default:
      for (TfrView* v : sel) {
        if (!movable(v)) continue;
        switch (command) {
          case 1: v->Left = ref->Left; break;
          case 5: v->Left = ref->Left + ref->Width - v->Width; break;
          case 6: v->Top = ref->Top; break;
          case 10: v->Top = ref->Top + ref->Height - v->Height; break;
          case 2: v->Left = ref->Left + divz(ref->Width, 2) - divz(v->Width, 2); break;
          case 7: v->Top = ref->Top + divz(ref->Height, 2) - divz(v->Height, 2); break;
          case 3: v->Left -= minL + divz(maxR - minL - surfaceW, 2); break;
          case 8: v->Top -= minT + divz(maxB - minT - surfaceH, 2); break;
          default: break;
        }
      }
  }
  controller_.ComputeGroupRect();
  RefreshInspector();
  RepaintSurface();
}

void TfrDesignerForm::FitToGrid() {
  const QList<TfrView*> sel = model_.Selection();
  if (sel.isEmpty()) return;
  BeginChange();
  const int g = model_.Settings.GridSize;
  // An object that may not be moved or sized keeps its place or size.
  for (TfrView* v : sel) {
    if (!(v->Restrictions & frrfDontMove)) {
      v->Left = roundToGrid(v->Left, g);
      v->Top = roundToGrid(v->Top, g);
    }
    if (!(v->Restrictions & frrfDontSize)) {
      v->Width = std::max(g, roundToGrid(v->Width, g));
      v->Height = std::max(g, roundToGrid(v->Height, g));
    }
  }
  controller_.ComputeGroupRect();
  RefreshInspector();
  RepaintSurface();
}

void TfrDesignerForm::buildAlignmentPalette() {
  static const struct {
    int command;
    const char* hint;
    const char* caption;
  } buttons[] = {
      {1, "左边缘对齐", "左"},         {5, "右边缘对齐", "右"},         {6, "顶端对齐", "顶"},
      {10, "底端对齐", "底"},          {2, "水平中心对齐", "水中"},     {7, "垂向中心对齐", "垂中"},
      {3, "窗口水平中心对齐", "窗水"}, {8, "窗口垂向中心对齐", "窗垂"}, {4, "水平均匀分布", "水分"},
      {9, "垂向均匀分布", "垂分"},
  };
  for (const auto& b : buttons) {
    const int command = b.command;
    TfrSpeedButton* btn = addButton(Panel5, QStringLiteral("Align%1").arg(command), 0, 0, QString::fromUtf8(b.caption),
                                    [this, command] { AlignSelection(command); });
    btn->setToolTip(QString::fromUtf8(b.hint));
  }
}
