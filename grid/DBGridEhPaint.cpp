// Painting of the list grid: grid lines, indicator, titles (with multi-line headers), data
// cells with striping and highlighting, the filler row and footers.
#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

#include "grid/DBGridEh.h"
#include "grid/ImgListEh.h"

namespace {
QColor Q(TColor c) { return ToQColor(c); }
}  // namespace

void TCustomDBGridEh::FillRect(const QRect& r, TColor c) {
  cellBrush_ = c;
  if (!r.isEmpty()) Painter()->fillRect(r, Q(c));
}

// ---- measuring ----------------------------------------------------------------------------

void TCustomDBGridEh::CalcDrawInfoXY(TGridDrawInfo& info, int useWidth, int useHeight) const {
  TCustomGrid::CalcDrawInfoXY(info, useWidth, useHeight);
  // Frozen columns are the last fixed columns.
  info.Horz.FrozenExtent = 0;
  const int fixed = FixedCols();
  for (int i = std::max(0, fixed - std::max(0, frozenCols_)); i < fixed && frozenCols_ > 0; ++i)
    if (ColWidths(i) >= 0) info.Horz.FrozenExtent += ColWidths(i) + info.Horz.EffectiveLineWidth;
  // Footer rows stand at the bottom; their extent is what the walk reached of them.
  info.Vert.FooterExtent = 0;
  if (footerRowCount_ > 0) {
    const int firstFooter = RowCount() - footerRowCount_;
    for (int r = std::max(firstFooter, TopRow()); r <= info.Vert.LastFullVisibleCell && r < RowCount(); ++r)
      info.Vert.FooterExtent += RowHeights(r) + info.Vert.EffectiveLineWidth;
  }
}

// ---- colours ------------------------------------------------------------------------------

bool TCustomDBGridEh::OwnsFocus() const {
  QWidget* f = QApplication::focusWidget();
  return f && (f == this || f == viewport() || (InplaceEditor() && f == InplaceEditor()));
}

bool TCustomDBGridEh::GetHighlightColors(int aCol, int aRow, TFontEh& font, TColor& background,
                                         TGridDrawState& state, int dataRow, int dataCol) {
  if (style_) return style_->GetHighlightColors(this, aCol, font, background, state, dataRow, dataCol, aRow);
  const bool focusHighlight = hasFocus() && (optionsEh_ & dghHighlightFocus);
  bool hl = ((state & gdSelected) || (aRow == Row() && (options_ & dgRowSelect))) &&
            ((options_ & dgAlwaysShowSelection) || focusHighlight);
  if (updateLock_ > 0) hl = hl && (options_ & dgRowSelect);
  if (!hl) return false;
  if (OwnsFocus()) {
    background = clHighlight;
    font.Color = clHighlightText;
  } else if (aRow == Row() && (aCol == Col() || (options_ & dgRowSelect))) {
    background = clBtnShadow;
    font.Color = clHighlightText;
  } else {
    background = clBtnFace;
  }
  return true;
}

bool TCustomDBGridEh::GetFixedCellColors(int aCol, int aRow, TFontEh& font, TColor& background, bool selected) {
  if (!selected) return false;
  const TCellTypeEh t = GetCellType(aCol, aRow);
  if (style_)
    return style_->GetFixedCellColors(this, font, background, selected, !t.dataColumn,
                                      t.rowArea == caTitle || t.rowArea == caFilter, t.rowArea == caFiller);
  background = OwnsFocus() ? clHighlight : clBtnFace;
  if (OwnsFocus()) font.Color = clHighlightText;
  return true;
}

bool TCustomDBGridEh::UsesCell3DFrame(int aCol, int aRow, TGridDrawState state) const {
  const TCellTypeEh t = GetCellType(aCol, aRow);
  const bool fixed = state & gdFixed;
  if (t.rowArea == caFooter) return optionsEh_ & dghFooter3D;
  if (t.rowArea == caFiller && !t.dataColumn)
    return (optionsEh_ & dghFixed3D) && (optionsEh_ & (dghData3D | dghFrozen3D)) && footerRowCount_ > 0;
  if (fixed && t.dataColumn && t.rowArea == caData) return optionsEh_ & dghFrozen3D;
  if (fixed) return (optionsEh_ & dghFixed3D) && t.rowArea != caFiller;
  return optionsEh_ & dghData3D;
}

// ---- frames -------------------------------------------------------------------------------

void TCustomDBGridEh::PaintCell3DFrame(QRect rect, bool rightSide, bool leftSide, bool highlighted, bool pressed) {
  QPainter* p = Painter();
  const bool sunken = highlighted || pressed;
  const QColor light = Q(clBtnHighlight), dark = Q(clBtnShadow);
  const QColor tl = sunken ? dark : light, br = sunken ? light : dark;
  const int l = rect.x(), t = rect.y(), r = RectRight(rect) - 1, b = RectBottom(rect) - 1;
  if (flat_) {
    const QColor brush = Q(cellBrush_);
    p->fillRect(RectLTRB(l, b, r + 1, b + 1), brush);
    if (rightSide) p->fillRect(RectLTRB(r, t, r + 1, b + 1), brush);
    p->fillRect(RectLTRB(l, t, r + 1, t + 1), tl);
    if (leftSide) p->fillRect(RectLTRB(l, t, l + 1, b + 1), tl);
    return;
  }
  p->fillRect(RectLTRB(l, t, r + 1, t + 1), tl);
  if (leftSide) p->fillRect(RectLTRB(l, t, l + 1, b + 1), tl);
  p->fillRect(RectLTRB(l, b, r + 1, b + 1), br);
  if (rightSide) p->fillRect(RectLTRB(r, t, r + 1, b + 1), br);
}

// ---- paint loop ---------------------------------------------------------------------------

void TCustomDBGridEh::Paint() {
  if (inLayout_) return;
  QPainter* p = Painter();
  TGridDrawInfo info;
  CalcDrawInfo(info);
  const TColor fixedLine = flat_ ? clBtnShadow : clBlack;
  const TColor dataLine = ColorToRGB(color_) == clSilver ? clGray : clSilver;
  const int lw = GridLineWidth();
  const int fixedCols = FixedCols(), fixedRows = FixedRows();
  const int gbH = info.Horz.GridBoundary, gbV = info.Vert.GridBoundary;
  const int fbH = info.Horz.FixedBoundary, fbV = info.Vert.FixedBoundary;
  const bool vOn = options_ & dgColLines, hOn = options_ & dgRowLines;

  // Lines after each cell of a block; a switched-off direction takes the block's background.
  auto lines = [&](int c0, int c1, int x0, int xEnd, int r0, int r1, int y0, int yEnd, TColor lineColor,
                   TColor background) {
    if (lw <= 0) return;
    const QColor vc = Q(vOn ? lineColor : background), hc = Q(hOn ? lineColor : background);
    auto vertical = [&] {
      int x = x0;
      for (int c = c0; c < c1 && x < xEnd; ++c) {
        const int w = ColWidths(c);
        if (w < 0) continue;
        x += w;
        p->fillRect(RectLTRB(x, y0, x + lw, yEnd), vc);
        x += lw;
      }
    };
    auto horizontal = [&] {
      int y = y0;
      for (int r = r0; r < r1 && y < yEnd; ++r) {
        const int h = RowHeights(r);
        if (h < 0) continue;
        y += h;
        p->fillRect(RectLTRB(x0, y, xEnd, y + lw), hc);
        y += lw;
      }
    };
    if (hOn) {
      vertical();
      horizontal();
    } else {
      horizontal();
      vertical();
    }
  };
  lines(0, fixedCols, 0, fbH, 0, fixedRows, 0, fbV, fixedLine, fixedColor_);
  lines(LeftCol(), ColCount(), fbH, gbH, 0, fixedRows, 0, fbV, fixedLine, fixedColor_);
  lines(0, fixedCols, 0, fbH, TopRow(), RowCount(), fbV, gbV, fixedLine, fixedColor_);
  if (frozenCols_ > 0 && !(optionsEh_ & dghFrozen3D))
    lines(fixedCols - frozenCols_, fixedCols, fbH - info.Horz.FrozenExtent, fbH - 1, TopRow(), RowCount(), fbV, gbV,
          dataLine, color_);
  lines(LeftCol(), ColCount(), fbH, gbH, TopRow(), RowCount(), fbV, gbV, dataLine, color_);
  if (footerRowCount_ > 0 && ((optionsEh_ & dghFooter3D) || footerColor_ == clBtnFace)) {
    const QRect first = CellRect(ColCount() > fixedCols ? LeftCol() : 0, RowCount() - footerRowCount_);
    if (!first.isEmpty()) {
      lines(LeftCol(), ColCount(), fbH, gbH, RowCount() - footerRowCount_, RowCount(), first.y(), gbV, fixedLine,
            fixedColor_);
      if (hOn) p->fillRect(RectLTRB(fbH - info.Horz.FrozenExtent, first.y() - lw, gbH, first.y()), Q(fixedLine));
    }
  }

  // Cells, block by block.
  auto cells = [&](int c0, int c1, int x0, int xEnd, int r0, int r1, int y0, int yEnd, bool fixed) {
    int y = y0;
    for (int r = r0; r < r1 && y < yEnd; ++r) {
      const int h = RowHeights(r);
      if (h < 0) continue;
      int x = x0;
      for (int c = c0; c < c1 && x < xEnd; ++c) {
        const int w = ColWidths(c);
        if (w < 0) continue;
        const QRect rc(x, y, std::min(w, xEnd - x), std::min(h, yEnd - y));
        if (rc.adjusted(-1, -1, 1, 1).intersects(paintClip_)) {
          TGridDrawState st;
          if (fixed) st |= gdFixed;
          if (OwnsFocus() && c == Col() && r == Row()) st |= gdFocused;
          const TGridRect sel = Selection();
          if (!fixed && c >= sel.Left && c <= sel.Right && r >= sel.Top && r <= sel.Bottom) st |= gdSelected;
          p->save();
          p->setClipRect(rc);
          DrawCell(c, r, rc, st);
          p->restore();
        }
        x += w + info.Horz.EffectiveLineWidth;
      }
      y += h + info.Vert.EffectiveLineWidth;
    }
  };
  cells(0, fixedCols, 0, fbH, 0, fixedRows, 0, fbV, true);
  cells(LeftCol(), ColCount(), fbH, gbH, 0, fixedRows, 0, fbV, true);
  cells(0, fixedCols, 0, fbH, TopRow(), RowCount(), fbV, gbV, true);
  cells(LeftCol(), ColCount(), fbH, gbH, TopRow(), RowCount(), fbV, gbV, false);

  // Beyond the grid.
  FillRect(RectLTRB(gbH, 0, info.Horz.GridExtent, info.Vert.GridExtent), color_);
  FillRect(RectLTRB(0, gbV, gbH, info.Vert.GridExtent), color_);
  if ((options_ & dgTitles) && useMultiTitle_)
    THeadTreeNode::ForEachNode(headerTree_.get(), [](THeadTreeNode* n) { n->Painted = false; });
  if (DrawsRowFocusRect() && style_ && style_->ShowFocusRect && dataLink_->Active()) {
    const TGridRect sel = Selection();
    const QRect r = BoxRect(std::max(0, FixedCols() - std::max(0, frozenCols_)), sel.Top, ColCount() - 1, sel.Bottom);
    if (!r.isEmpty()) {
      p->save();
      QPen pen(Q(clWindowText));
      pen.setStyle(Qt::DotLine);
      p->setPen(pen);
      p->setBrush(Qt::NoBrush);
      p->drawRect(r.adjusted(0, 0, -1, -1));
      p->restore();
    }
  }
  PaintDropLine(p);
}

bool TCustomDBGridEh::DrawsRowFocusRect() const {
  return (options_ & dgRowSelect) && DefaultDrawing && OwnsFocus();
}

// ---- one cell -----------------------------------------------------------------------------

void TCustomDBGridEh::DrawCell(int col, int row, const QRect& rect, TGridDrawState state) {
  if (loading_) {
    FillRect(rect, color_);
    return;
  }
  const bool threeD = UsesCell3DFrame(col, row, state);
  const TCellTypeEh type = GetCellType(col, row);
  QRect r = rect;
  int dx = 2;
  if (threeD) {
    r.adjust(1, 1, -1, -1);
    dx = 1;
  }
  const int dy = dx - (flat_ ? 1 : 0);
  highlightedCell_ = false;
  TColumnEh* column = nullptr;
  if (type.dataColumn) {
    if (type.columnIndex < 0 || type.columnIndex >= columns_->Count()) {
      FillRect(rect, color_);
      return;
    }
    column = columns_->Items(type.columnIndex);
  }
  if (!column) {
    PaintIndicatorCell(row, r, state, type, threeD);
  } else {
    switch (type.rowArea) {
      case caTitle: PaintTitleCell(column, col, r, state, dx, dy); break;
      case caFilter: {
        TFontEh f = column->Title()->Font();
        TColor bg = column->Title()->Color();
        highlightedCell_ = GetFixedCellColors(col, row, f, bg, IsCellSelected(col, row));
        FillRect(r, bg);
        // The column's filter text, left-aligned.
        const QString filterText = ColumnFilterText(column->Index());
        if (!filterText.isEmpty() && Painter())
          DrawCellText(*Painter(), f, bg, r, false, 2, 2, true, false, tlTop, taLeftJustify, filterText, 2, 2);
        break;
      }
      case caData:
        if (!dataLink_->Active() || (footerRowCount_ == 0 && type.index >= dataLink_->RecordCount())) {
          TFontEh f = column->Font();
          TColor bg = column->Color();
          FillRect(r, bg);
        } else {
          PaintDataCell(column, col, row, r, state, type, dx, dy);
        }
        break;
      case caFiller: {
        TFontEh f = column->Font();
        TColor bg = column->Color();
        highlightedCell_ = GetFixedCellColors(col, row, f, bg, IsCellSelected(col, row));
        FillRect(r, bg);
        break;
      }
      case caFooter: PaintFooterCell(column, col, type.index, r, state, dx, dy); break;
    }
  }
  // A title button held down looks pressed.
  const bool pressed = type.rowArea == caTitle && pressedDown_ && col == pressedCol_;
  if (threeD) PaintCell3DFrame(rect, true, true, highlightedCell_, pressed);
  if (column && type.rowArea == caTitle && useMultiTitle_) PaintMultiTitleHeaders(column, col, rect, highlightedCell_);
}

void TCustomDBGridEh::PaintIndicatorCell(int row, QRect rect, TGridDrawState, const TCellTypeEh& type, bool threeD) {
  TColor bg = fixedColor_;
  if (type.rowArea == caFiller && !(optionsEh_ & dghFrozen3D)) bg = color_;
  if (!dataLink_->Active() || type.rowArea != caData) {
    FillRect(rect, bg);
    return;
  }
  FillRect(rect, bg);
  if (type.index >= dataLink_->RecordCount()) return;
  TDataSet* ds = DataSet();
  if (!ds) return;
  QPainter* p = Painter();
  const int size = 8;
  const int x = RectRight(rect) - size - (threeD ? 1 : 2);
  const int y = rect.y() + (rect.height() - size) / 2;
  // A marked row shows a dot (left of the arrow on the current row).
  if (selection_->ActiveType() == gstRecordBookmarks && IsCellSelected(0, row)) {
    p->save();
    p->setRenderHint(QPainter::Antialiasing, false);
    p->setPen(Qt::NoPen);
    p->setBrush(Qt::black);
    const int dx = type.index == dataLink_->ActiveRecord() ? x - 5 : x + 2;
    p->drawEllipse(QRect(std::max(rect.x() + 1, dx), y + 2, 4, 4));
    p->restore();
  }
  if (type.index != dataLink_->ActiveRecord()) return;
  p->save();
  p->setRenderHint(QPainter::Antialiasing, false);
  p->setPen(Qt::NoPen);
  p->setBrush(Qt::black);
  switch (ds->State()) {
    case dsEdit: {  // a text cursor: the record is being edited
      p->fillRect(QRect(x + 3, y, 2, size), Qt::black);
      p->fillRect(QRect(x + 1, y, 6, 1), Qt::black);
      p->fillRect(QRect(x + 1, y + size - 1, 6, 1), Qt::black);
      break;
    }
    case dsInsert: {  // a star: a new record
      p->fillRect(QRect(x + 3, y, 2, size), Qt::black);
      p->fillRect(QRect(x, y + 3, size, 2), Qt::black);
      break;
    }
    default: {  // the current-record arrow
      QPainterPath path;
      path.moveTo(x + 2, y);
      path.lineTo(x + 6, y + size / 2);
      path.lineTo(x + 2, y + size);
      path.closeSubpath();
      p->drawPath(path);
    }
  }
  p->restore();
  indicatorRow_ = row;
}

void TCustomDBGridEh::PaintTitleCell(TColumnEh* column, int gridCol, QRect rect, TGridDrawState, int dx, int dy) {
  TColumnTitleEh* title = column->Title();
  TFontEh font = title->Font();
  TColor bg = title->Color();
  QString caption = title->Caption();
  const int index = column->Index();
  if (useMultiTitle_ && index >= 0 && index < int(leafColumns_.size()) && leafColumns_[size_t(index)]) {
    THeadTreeNode* leaf = leafColumns_[size_t(index)];
    caption = leaf->NodeText;
    rect.setTop(std::max(rect.y(), RectBottom(rect) - leaf->NodeHeight + 3));
  }
  TSortMarkerEh marker = title->SortMarker();
  if (column->BoundField() && OnGetBtnParams)
    OnGetBtnParams(this, column, font, bg, marker, pressedDown_ && gridCol == pressedCol_);
  QRect textRect = rect;
  // Marker strip: 16 pixels, plus the sort index when several columns are sorted. A title
  // too narrow drops the marker first, then the index.
  QFont indexFont(QStringLiteral("Arial"));
  indexFont.setPixelSize(9);
  QString indexText;
  if (marker != smNoneEh && sortOrderColumns_.Count() > 1 && title->SortIndex() > 0)
    indexText = QString::number(title->SortIndex());
  int indexWidth = indexText.isEmpty() ? 0 : MeasureTextWidth(indexFont, indexText);
  bool showMarker = marker != smNoneEh;
  const int titleImageWidth = TitleImages && title->ImageIndex != -1 ? TitleImages->Width() : 0;
  if (showMarker) {
    textRect.setWidth(textRect.width() - 16 - indexWidth);
    if (RectRight(textRect) < textRect.x() + titleImageWidth) {
      showMarker = false;
      textRect.setWidth(textRect.width() + 14);
      if (RectRight(textRect) < textRect.x() + titleImageWidth) {
        indexText.clear();
        textRect.setWidth(textRect.width() + indexWidth + 2);
        indexWidth = 0;
      }
    }
  }
  // A title image replaces the caption; its width stays free of the marker strip.
  const bool titleImage = TitleImages && title->ImageIndex != -1;
  if (titleImage) caption.clear();
  highlightedCell_ = GetFixedCellColors(gridCol, 0, font, bg, IsCellSelected(gridCol, 0));
  FillRect(rect, bg);
  if (titleImage) {
    const int align = useMultiTitle_ ? 2 : title->Alignment() == taRightJustify ? 1 : title->Alignment() == taCenter ? 2 : 0;
    QRect imageRect = textRect;
    if (align == 0) imageRect.adjust(2, 0, 0, 0);
    DrawImageClipped(Painter(), TitleImages, align, 0, title->ImageIndex, imageRect);
  }
  if (useMultiTitle_) {
    if (title->Orientation() == tohVertical)
      DrawVerticalText(Painter(), font, bg, textRect, false, false, tlBottom, taCenter, caption, dy + 2, dx);
    else
      DrawCellText(*Painter(), font, bg, textRect, false, 0, 0, title->EndEllipsis(), true, tlCenter, taCenter,
                   caption, dy, dx);
  } else if (titleHeight_ != 0 || titleLines_ != 0) {
    DrawCellText(*Painter(), font, bg, textRect, false, 0, 0, title->EndEllipsis(), true, tlCenter,
                 title->Alignment(), caption, dy, dx);
  } else {
    DrawCellText(*Painter(), font, bg, textRect, false, 0, 0, title->EndEllipsis(), false, tlTop,
                 title->Alignment(), caption, dy, dx);
  }
  if (!indexText.isEmpty()) {
    QPainter* p = Painter();
    p->save();
    p->setFont(indexFont);
    p->setPen(highlightedCell_ ? Q(clWhite) : Q(font.Color));
    const QFontMetrics ifm(indexFont);
    p->drawText(RectRight(rect) - indexWidth - 2, rect.y() + (rect.height() - ifm.height()) / 2 + ifm.ascent() - 1,
                indexText);
    p->restore();
  }
  if (showMarker) {
    // A small triangle pointing down (descending) or up (ascending).
    QPainter* p = Painter();
    const int w = 8, h = 4;
    const int x = RectRight(rect) - w - 4 - indexWidth;
    const int y = rect.y() + (rect.height() - h) / 2;
    QPainterPath path;
    if (marker == smDownEh) {
      path.moveTo(x, y);
      path.lineTo(x + w, y);
      path.lineTo(x + w / 2, y + h);
    } else {
      path.moveTo(x, y + h);
      path.lineTo(x + w, y + h);
      path.lineTo(x + w / 2, y);
    }
    path.closeSubpath();
    p->save();
    p->setPen(Qt::NoPen);
    p->setBrush(Q(clBtnShadow));
    p->drawPath(path);
    p->restore();
  }
}

void TCustomDBGridEh::PaintMultiTitleHeaders(TColumnEh* column, int, const QRect& cellRect, bool highlighted) {
  const int index = column->Index();
  if (index < 0 || index >= int(leafColumns_.size()) || !leafColumns_[size_t(index)]) return;
  THeadTreeNode* root = headerTree_.get();
  THeadTreeNode* child = leafColumns_[size_t(index)];
  QPainter* p = Painter();
  const int rowLine = (options_ & dgRowLines) ? 1 : 0;
  int bandTop = RectBottom(cellRect) - child->NodeHeight + 3;
  int childLeft = cellRect.x();
  TFontEh font = titleFont_;
  const TColor brush = highlighted ? RGBColor(64, 64, 64) : fixedColor_;
  if (highlighted) font.Color = clWhite;
  while (child->Parent && child->Parent != root) {
    THeadTreeNode* h = child->Parent;
    int before = 0;
    for (THeadTreeNode* s : h->Children()) {
      if (s == child) break;
      before += s->NodeWidth + s->LineWidth;
    }
    const int hLeft = childLeft - before;
    const int hRight = hLeft + h->NodeWidth;
    const int bottom = bandTop - rowLine;
    const int top = bottom - h->NodeHeight + rowLine;
    int sliceRight = std::min(hRight, RectRight(cellRect));
    if (sliceRight < hRight) sliceRight += 1;  // covers the column line inside the header
    QRect slice = RectLTRB(std::max(hLeft, cellRect.x()), top, sliceRight, bottom);
    p->save();
    p->setClipRect(slice);
    FillRect(slice, brush);
    DrawCellText(*p, font, brush, RectLTRB(hLeft, top, hRight, bottom), false, 0, 0, column->Title()->EndEllipsis(),
                 true, tlCenter, taCenter, h->NodeText, 1, 2);
    if (optionsEh_ & dghFixed3D)
      PaintCell3DFrame(RectLTRB(hLeft, top, hRight, bottom), slice.x() + slice.width() >= hRight,
                       slice.x() <= hLeft, highlighted, false);
    if (rowLine) p->fillRect(RectLTRB(slice.x(), bottom, RectRight(slice), bottom + 1), flat_ ? Q(clGray) : Q(clBlack));
    p->restore();
    h->Painted = true;
    bandTop = top;
    childLeft = hLeft;
    child = h;
  }
  // What the header levels leave above the top one belongs to the title row too: painted, it
  // shows no remains of an earlier layout.
  // The cell's own raised frame keeps its top line.
  const int frameTop = cellRect.y() + ((optionsEh_ & dghFixed3D) ? 1 : 0);
  if (child != leafColumns_[size_t(index)] && bandTop > frameTop)
    FillRect(RectLTRB(cellRect.x(), frameTop, RectRight(cellRect), bandTop), brush);
}

void TCustomDBGridEh::PaintDataCell(TColumnEh* column, int gridCol, int gridRow, QRect rect, TGridDrawState state,
                                    const TCellTypeEh& type, int dx, int dy) {
  const int saved = dataLink_->ActiveRecord();
  struct Restore {
    TGridDataLinkEh* link;
    int record;
    ~Restore() { link->SetActiveRecord(record); }
  } restore{dataLink_.get(), saved};
  dataLink_->SetActiveRecord(type.index);
  TDataSet* ds = DataSet();

  TColor bg = column->Color();
  if (bg == color_ && ds && (ds->IsSequenced() || (sumList_->Active() && sumList_->VirtualRecords())))
    bg = (sumList_->RecordNumber() % 2 != 0) ? OddRowColor() : EvenRowColor();
  TFontEh font = column->Font();
  cellParams_.State = state;
  cellParams_.Font = &font;
  cellParams_.Alignment = column->Alignment();
  cellParams_.Background = bg;
  cellParams_.Text = column->CellDisplayText();
  cellParams_.ImageIndex = column->CellImageIndex();
  cellParams_.CheckMark = column->Checkboxes() ? column->CellCheckState() : cbUnchecked;
  cellParams_.Col = gridCol;
  cellParams_.Row = gridRow;
  if (OnGetCellParams) OnGetCellParams(this, column, font, cellParams_.Background, state);
  column->FireGetCellParams(false, cellParams_);
  bg = cellParams_.Background;
  if (GetHighlightColors(gridCol, gridRow, font, bg, state, type.index, type.columnIndex)) state |= gdSelected;
  // Tree rows: the first column starts with the row's indentation.
  if (DefaultDrawing && ShowsTreeRows() && visibleColumns_.Count() > 0 && visibleColumns_[0] == column) {
    const int level = RowInterface()->ActiveRowLevel();
    const int indent = std::min(rect.width(), kTreeIndentStep * level);
    PaintTreeIndent(QRect(rect.x(), rect.y(), indent, rect.height()), level, bg);
    rect.setLeft(rect.x() + indent);
  }
  // Buttons shown in every row take the right of the cell; the text stays left of them.
  const QRect cell = rect;
  const int buttonsWidth = column->AlwaysShowEditButton() ? std::min(rect.width(), column->EditButtonsWidth()) : 0;
  rect.setRight(rect.right() - buttonsWidth);
  QString text = cellParams_.Text;
  const TAlignment alignment = cellParams_.Alignment;
  const TCheckBoxState check = cellParams_.CheckMark;

  // Hidden duplicates: the same text as the record above (never for the first buffered row).
  bool duplicate = false;
  if (column->HideDuplicates() && type.index > 0) {
    dataLink_->SetActiveRecord(type.index - 1);
    TColCellParamsEh prev;
    TFontEh prevFont = column->Font();
    prev.Font = &prevFont;
    prev.Text = column->CellDisplayText();
    TColor prevBg = column->Color();
    if (OnGetCellParams) OnGetCellParams(this, column, prevFont, prevBg, state);
    column->FireGetCellParams(false, prev);
    duplicate = prev.Text == text;
    dataLink_->SetActiveRecord(type.index);
    if (duplicate) text.clear();
  }

  if (DefaultDrawing && !rect.isEmpty()) {
    if (column->Checkboxes()) {
      FillRect(rect, bg);
      const int size = kCheckGlyphSize;
      const int x = rect.width() < size ? rect.x() : rect.x() + (rect.width() - size) / 2;
      const int y = rect.height() < size ? rect.y() : rect.y() + (rect.height() - size) / 2;
      QPainter* p = Painter();
      const QRect box(x, y, size, size);
      p->fillRect(box, check == cbGrayed ? Q(clBtnFace) : Q(clWindow));
      p->setPen(Q(clBtnShadow));
      p->drawRect(box.adjusted(0, 0, -1, -1));
      if (check == cbChecked) {
        p->setPen(QPen(Q(clWindowText), 2));
        p->drawLine(x + 3, y + 6, x + 5, y + 9);
        p->drawLine(x + 5, y + 9, x + 10, y + 3);
      }
    } else if (column->ImageList && !column->ShowImageAndText) {
      FillRect(rect, bg);
      DrawImageClipped(Painter(), column->ImageList, 2, 0, cellParams_.ImageIndex, rect);
    } else {
      cellBrush_ = bg;
      if (column->ImageList) {
        // The image in a box at the left, the text one pixel right of it; the whole cell is
        // filled first so that the pixel between them shows the column's colour.
        FillRect(rect, column->Color());
        const QRect box(rect.x(), rect.y(), qMin(rect.width(), column->ImageList->Width() + 4), rect.height());
        DrawImageClipped(Painter(), column->ImageList, 2, 0, duplicate ? -1 : cellParams_.ImageIndex, box);
        rect.setLeft(qMin(RectRight(rect), box.x() + box.width() + 1));
        cellBrush_ = bg;
      }
      DrawCellText(*Painter(), font, bg, rect, true, 0, 0, column->EndEllipsis(),
                   column->WordWrap() && wordWrapFits_, column->Layout(), alignment, text, dy, dx);
      // The part of the text an incremental search has matched is shown inverted.
      if (incSearchActive_ && !incSearchText_.isEmpty() && type.index == saved &&
          type.columnIndex == SelectedColumnIndex() && alignment == taLeftJustify) {
        const QString prefix = text.left(incSearchText_.size());
        const QFontMetrics fm(font.Font);
        const QRect band = QRect(rect.x() + dx, rect.y() + dy, fm.horizontalAdvance(prefix), fm.height()) & rect;
        const TColor fill = bg == clHighlight ? clWindowText : clHighlight;
        QPainter* p = Painter();
        p->save();
        p->setClipRect(band);
        p->fillRect(band, Q(fill));
        p->setFont(font.Font);
        p->setPen(Q(bg == clHighlight ? clHighlight : clHighlightText));
        p->drawText(band.x(), rect.y() + dy + fm.ascent(), prefix);
        p->restore();
      }
    }
  }
  if (DefaultDrawing && buttonsWidth > 0) PaintCellButtons(column, cell, RectRight(cell) - buttonsWidth, bg);
  if (!columns_->IsCustomised() && OnDrawDataCell) OnDrawDataCell(this, rect, column->BoundField(), state);
  if (OnDrawColumnCell) OnDrawColumnCell(this, rect, type.columnIndex, column, state);
  if (duplicate && (options_ & dgRowLines))
    FillRect(RectLTRB(rect.x(), rect.y() - GridLineWidth(), RectRight(rect), rect.y()), column->Color());
  if (DefaultDrawing && (state & gdFocused) && !(options_ & dgRowSelect) && updateLock_ == 0 && OwnsFocus() &&
      style_ && style_->ShowFocusRect) {
    QPainter* p = Painter();
    p->save();
    QPen pen(Q(clWindowText));
    pen.setStyle(Qt::DotLine);
    p->setPen(pen);
    p->setBrush(Qt::NoBrush);
    p->drawRect(rect.adjusted(0, 0, -1, -1));
    p->restore();
  }
}

int TCustomDBGridEh::EditButtonWidth() const { return flat_ ? FlatDefaultWidth() : kScrollBarWidth; }

int TCustomDBGridEh::EditButtonHeight() const {
  const int w = EditButtonWidth();
  const int h = DefaultRowHeight();
  return h <= int(std::nearbyint(w * 3.0 / 2.0)) ? h : ButtonHeightForWidth(w, flat_);
}

void PaintCellButtonStrip(QPainter* p, const std::vector<TColumnEh::TCellButtonEh>& buttons, const QRect& cell,
                          int left, int height, TColor background, bool flat, bool enabled) {
  p->save();
  p->setClipRect(cell, Qt::IntersectClip);
  const int start = left;
  const int h = std::min(height, cell.height());
  for (const TColumnEh::TCellButtonEh& b : buttons) {
    QRect r(left, cell.y(), b.Width, h);
    left += b.Width;
    if (flat) {
      // A flat button stands one pixel apart from the text and from its neighbour.
      p->fillRect(QRect(r.x(), r.y(), 1, r.height()), Q(background));
      r.setLeft(r.x() + 1);
    }
    if (b.Style == ebsGlyphEh) {
      PaintGlyphButton(p, r, b.Button->Glyph(), b.Button->NumGlyphs(), QString(), p->font(), clBtnText, background,
                       false, flat, false, enabled);
    } else {
      PaintEditButton(p, r, background, DrawKindOfStyle(b.Style), 0, flat, false, enabled, cbUnchecked);
    }
  }
  // Below buttons lower than the row the cell's colour shows.
  if (h < cell.height()) p->fillRect(RectLTRB(start, cell.y() + h, RectRight(cell), RectBottom(cell)), Q(background));
  p->restore();
}

void TCustomDBGridEh::PaintCellButtons(TColumnEh* column, const QRect& cell, int left, TColor background) {
  PaintCellButtonStrip(Painter(), column->CellButtons(), cell, left, EditButtonHeight(), background, flat_,
                       isEnabled());
  cellBrush_ = background;
}

void TCustomDBGridEh::PaintFooterCell(TColumnEh* column, int gridCol, int footerIndex, QRect rect,
                                      TGridDrawState state, int dx, int dy) {
  TColumnFooterEh* footer = column->FooterAt(footerIndex);
  TFontEh font = footer->Font();
  TColor bg = footer->Color();
  if (DefaultDrawing) {
    TAlignment alignment = footer->Alignment();
    QString text = FooterCellText(footerIndex, column);
    if (OnGetFooterParams)
      OnGetFooterParams(this, column->Index(), footerIndex, column, font, bg, alignment, state, text);
    highlightedCell_ = GetFixedCellColors(gridCol, RowCount() - footerRowCount_ + footerIndex, font, bg,
                                          IsCellSelected(gridCol, RowCount() - footerRowCount_ + footerIndex));
    cellBrush_ = bg;
    DrawCellText(*Painter(), font, bg, rect, true, 0, 0, footer->EndEllipsis(), footer->WordWrap() && wordWrapFits_,
                 column->Layout(), alignment, text, dy, dx);
  }
  if (OnDrawFooterCell) OnDrawFooterCell(this, column->Index(), footerIndex, column, rect, state);
}
