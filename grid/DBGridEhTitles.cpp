// The header tree of multi-line titles, the word routines that split captions, the grid style
// and the text routines shared by the grid's painting.
#include <QFontMetrics>
#include <QPainter>
#include <cmath>

#include "grid/DBGridEh.h"

// ---- word routines ------------------------------------------------------------------------

int NthWordStart(int n, const QString& text, const QString& delimiters) {
  int i = 0;
  const int len = int(text.size());
  int word = 0;
  while (i < len) {
    while (i < len && delimiters.contains(text[i])) ++i;
    if (i >= len) break;
    if (++word == n) return i + 1;
    while (i < len && !delimiters.contains(text[i])) ++i;
  }
  return 0;
}

QString NthWordWithStart(int n, const QString& text, const QString& delimiters, int& position) {
  position = NthWordStart(n, text, delimiters);
  if (position == 0) return QString();
  int e = position - 1;
  while (e < text.size() && !delimiters.contains(text[e])) ++e;
  return text.mid(position - 1, e - (position - 1));
}

QString NthWord(int n, const QString& text, const QString& delimiters) {
  int p;
  return NthWordWithStart(n, text, delimiters, p);
}

// ---- header tree --------------------------------------------------------------------------

THeadTreeNode::THeadTreeNode(const QString& text, int width, int height)
    : NodeHeight(height), NodeText(text), NodeWidth(width) {}

THeadTreeNode::~THeadTreeNode() { FreeChildren(this); }

THeadTreeNode* THeadTreeNode::MakeLoneNode(const QString& caption, int width, int height) {
  return new THeadTreeNode(caption, width, height);
}

std::vector<THeadTreeNode*> THeadTreeNode::Children() const {
  std::vector<THeadTreeNode*> out;
  if (!FirstChild) return out;
  THeadTreeNode* n = FirstChild;
  do {
    out.push_back(n);
    n = n->NextSibling;
  } while (n != FirstChild);
  return out;
}

bool THeadTreeNode::ContainsNode(const THeadTreeNode* start, const THeadTreeNode* node) {
  if (!start || !node) return false;
  const THeadTreeNode* n = start;
  do {
    if (n == node) return true;
    if (n->FirstChild && ContainsNode(n->FirstChild, node)) return true;
    n = n->NextSibling;
  } while (n != start);
  return false;
}

THeadTreeNode* THeadTreeNode::AddSibling(THeadTreeNode* after, const QString& caption, int width, int height) {
  if (!ContainsNode(this, after)) throw Exception(QStringLiteral("Node not in Tree"));
  THeadTreeNode* n = MakeLoneNode(caption, width, height);
  n->Parent = after->Parent;
  n->NextSibling = after->NextSibling;
  after->NextSibling = n;
  return n;
}

THeadTreeNode* THeadTreeNode::AppendChildNode(THeadTreeNode* parent, const QString& caption, int width, int height) {
  if (!ContainsNode(this, parent)) throw Exception(QStringLiteral("Node not in Tree"));
  if (!parent->FirstChild) {
    THeadTreeNode* n = MakeLoneNode(caption, width, height);
    n->Parent = parent;
    parent->FirstChild = n;
    return n;
  }
  THeadTreeNode* last = parent->FirstChild;
  while (last->NextSibling != parent->FirstChild) last = last->NextSibling;
  return AddSibling(last, caption, width, height);
}

void THeadTreeNode::FreeChildren(THeadTreeNode* node) {
  if (!node->FirstChild) return;
  std::vector<THeadTreeNode*> kids = node->Children();
  node->FirstChild = nullptr;
  for (THeadTreeNode* k : kids) {
    k->NextSibling = k;
    delete k;
  }
}

int THeadTreeNode::NodeLevel(const THeadTreeNode* node) {
  int level = 0;
  for (const THeadTreeNode* p = node->Parent; p; p = p->Parent) ++level;
  return level;
}

THeadTreeNode* THeadTreeNode::GroupRange(THeadTreeNode* from, THeadTreeNode* to, int height, const QString& caption) {
  if (!ContainsNode(this, from)) throw Exception(QStringLiteral("Node not in Tree"));
  THeadTreeNode* parent = from->Parent;
  THeadTreeNode* first = parent ? parent->FirstChild : from;
  // "to" must follow "from" in the ring before the ring starts over.
  if (from != to) {
    THeadTreeNode* n = from;
    bool found = false;
    while (true) {
      n = n->NextSibling;
      if (n == first || n == from) break;  // wrapped round: "to" lies before "from"
      if (n == to) { found = true; break; }
    }
    if (!found) throw Exception(QStringLiteral("ATo not in level"));
  }
  THeadTreeNode* before = from;
  while (before->NextSibling != from) before = before->NextSibling;
  THeadTreeNode* group = MakeLoneNode(caption, 0, height);
  group->LineWidth = to->LineWidth;
  group->Parent = parent;
  const bool lone = (before == to);  // the range covers the whole ring
  group->NextSibling = lone ? group : to->NextSibling;
  if (!lone) before->NextSibling = group;
  group->FirstChild = from;
  if (parent && parent->FirstChild == from) parent->FirstChild = group;
  int width = 0;
  THeadTreeNode* n = from;
  while (true) {
    n->NodeHeight -= height;
    n->Parent = group;
    width += n->NodeWidth + group->LineWidth;
    if (n == to) break;
    n = n->NextSibling;
  }
  to->NextSibling = from;
  group->NodeWidth = width - group->LineWidth;
  return group;
}

void THeadTreeNode::ForEachNode(THeadTreeNode* node, const std::function<void(THeadTreeNode*)>& action) {
  for (THeadTreeNode* c : node->Children()) {
    action(c);
    ForEachNode(c, action);
  }
}

// ---- style --------------------------------------------------------------------------------

static double RoundHalfEven(double v) { return std::nearbyint(v); }

TColor BlendHighlightColor(TColor color, TColor glass, bool darken) {
  const TColor c = ColorToRGB(color), g = ColorToRGB(glass);
  int out[3];
  const int cs[3] = {GetRValue(c), GetGValue(c), GetBValue(c)};
  const int gs[3] = {GetRValue(g), GetGValue(g), GetBValue(g)};
  for (int i = 0; i < 3; ++i) {
    double v = cs[i];
    v = v + (gs[i] - v) * 0.5;
    v = v + (225 - v) * 0.6;
    if (darken) v = v - (122 - v) * 0.25;
    out[i] = std::clamp(int(RoundHalfEven(v)), 0, 255);
  }
  return RGBColor(out[0], out[1], out[2]);
}

TColor BrightenColor(TColor color, int divisor) {
  const TColor c = ColorToRGB(color);
  auto ch = [&](int v) { return std::min(255, v + v / divisor); };
  return RGBColor(ch(GetRValue(c)), ch(GetGValue(c)), ch(GetBValue(c)));
}

TDBGridEhStyle::TDBGridEhStyle() = default;
TDBGridEhStyle::~TDBGridEhStyle() = default;

void TDBGridEhStyle::RegisterGrid(TCustomDBGridEh* g) {
  if (!grids_.contains(g)) grids_.append(g);
}
void TDBGridEhStyle::UnregisterGrid(TCustomDBGridEh* g) { grids_.removeAll(g); }
bool TDBGridEhStyle::IsGridRegistered(TCustomDBGridEh* g) const { return grids_.contains(g); }

TDBGridEhStyle* DefaultGridStyle() {
  static TDBGridEhStyle style;
  return &style;
}

bool TDBGridEhStyle::GetHighlightColors(TCustomDBGridEh* grid, int, TFontEh& font, TColor& background,
                                        TGridDrawState& state, int dataRow, int dataCol, int aRow) {
  const TDBGridOptions o = grid->Options();
  const int curRow = grid->Row(), curCol = grid->Col();
  bool selected = grid->DataLink()->Active() && grid->IsCellSelected(grid->ColumnToGridIndex(dataCol), aRow);
  bool focus = false;
  if (!selected) {
    focus = grid->hasFocus() && (grid->OptionsEh() & dghHighlightFocus);
    if ((grid->OptionsEh() & dghRowHighlight) && grid->DataRowOffset() + dataRow == curRow &&
        curCol != grid->IndicatorOffset() + dataCol) {
      focus = true;
      state |= gdSelected;
    }
    selected = ((state & gdSelected) || (aRow == curRow && (o & dgRowSelect))) &&
               ((o & dgAlwaysShowSelection) || focus) && (grid->UpdateLock() == 0 || (o & dgRowSelect));
  }
  if (!selected) return false;
  const bool isCurrent = aRow == curRow && ((o & dgRowSelect) || grid->IndicatorOffset() + dataCol == curCol);
  if (grid->OwnsFocus()) {
    if (LightenSelection && ScreenColorCount == -1 && !isCurrent) {
      background = BlendHighlightColor(background, clHighlight, true);
    } else {
      background = clHighlight;
      font.Color = clHighlightText;
    }
  } else {
    if (isCurrent && ((o & dgAlwaysShowSelection) || focus)) {
      background = clBtnShadow;
      font.Color = clHighlightText;
    } else {
      background = ScreenColorCount == -1 ? BlendHighlightColor(background, clBtnShadow, false) : clBtnFace;
    }
  }
  return true;
}

bool TDBGridEhStyle::GetFixedCellColors(TCustomDBGridEh* grid, TFontEh& font, TColor& background, bool selected,
                                        bool indicatorCell, bool titleOrFilterRow, bool afterDataRow) {
  if (!selected) return false;
  if ((indicatorCell && !afterDataRow) || (!indicatorCell && titleOrFilterRow)) {
    background = RGBColor(64, 64, 64);
    font.Color = clWhite;
    return true;
  }
  if (grid->OwnsFocus()) {
    if (LightenSelection && ScreenColorCount == -1) {
      background = BlendHighlightColor(background, clHighlight, true);
    } else {
      background = clHighlight;
      font.Color = clHighlightText;
    }
  } else {
    background = ScreenColorCount == -1 ? BlendHighlightColor(background, clBtnShadow, false) : clBtnFace;
  }
  return true;
}

// ---- text routines ------------------------------------------------------------------------

int MeasureTextWidth(const QFont& font, const QString& text) {
  return QFontMetrics(font).horizontalAdvance(text);
}

QString ShortenText(const QString& text, const QFontMetrics& fm, int maxWidth) {
  QString s = text;
  const int n = int(text.size());
  for (int i = 1; fm.horizontalAdvance(s) > maxWidth && n - i - 1 >= 0; ++i)
    s = text.left(n - i - 1) + QStringLiteral("...");
  return s;
}

void DrawCellText(QPainter& p, const TFontEh& font, TColor brush, const QRect& rect, bool fill, int rightMargin,
                  int leftMargin, bool endEllipsis, bool wordWrap, TTextLayout layout, TAlignment alignment,
                  const QString& text, int dy, int dx) {
  if (fill) p.fillRect(rect, ToQColor(brush));
  p.save();
  p.setClipRect(rect, Qt::IntersectClip);
  p.setFont(font.Font);
  p.setPen(ToQColor(font.Color));
  QFontMetrics fm(font.Font);
  if (wordWrap) {
    QRect r = RectLTRB(rect.x() + dx + leftMargin, rect.y() + dy, RectRight(rect) - dx - rightMargin,
                       RectBottom(rect) - dy + (dx > 0 ? 1 : 0));
    int flags = Qt::TextWordWrap | Qt::TextExpandTabs;
    flags |= alignment == taRightJustify ? Qt::AlignRight : alignment == taCenter ? Qt::AlignHCenter : Qt::AlignLeft;
    if (layout != tlTop) {
      QRect measured = fm.boundingRect(r, flags, text);
      if (measured.height() < r.height()) {
        const int top = layout == tlCenter ? r.y() + (r.height() - measured.height()) / 2
                                           : RectBottom(r) - measured.height();
        r.setTop(top);
      }
    }
    QString t = text;
    if (endEllipsis) t = fm.elidedText(text, Qt::ElideRight, r.width() * std::max(1, r.height() / std::max(1, fm.height())));
    p.drawText(r, flags, t);
  } else {
    QString t = endEllipsis ? ShortenText(text, fm, rect.width() - dx) : text;
    const int w = fm.horizontalAdvance(t);
    int x;
    if (alignment == taRightJustify) x = RectRight(rect) - w - 3 - rightMargin;
    else if (alignment == taCenter) x = rect.width() > 0 ? rect.x() + rect.width() / 2 - w / 2 : rect.x();
    else x = rect.x() + dx + leftMargin;
    int y = rect.y() + dy;
    const int th = fm.height();
    if (th < rect.height() - dy) {
      if (layout == tlCenter) y = rect.y() + (rect.height() - th) / 2;
      else if (layout == tlBottom) y = RectBottom(rect) - th;
    }
    p.drawText(x, y + fm.ascent(), t);
  }
  p.restore();
}

int DrawVerticalText(QPainter* p, const TFontEh& font, TColor brush, const QRect& rect, bool fill, bool measureOnly,
                     TTextLayout layout, TAlignment alignment, const QString& text, int dy, int dx) {
  QFontMetrics fm(font.Font);
  const int extent = fm.horizontalAdvance(text);
  if (measureOnly || !p) return extent;
  if (fill) p->fillRect(rect, ToQColor(brush));
  const int th = fm.height();
  int x = alignment == taLeftJustify ? rect.x() + dx
          : alignment == taRightJustify ? RectRight(rect) - th
                                        : rect.x() + rect.width() / 2 - th / 2;
  int base = layout == tlTop ? rect.y() + extent : layout == tlBottom ? RectBottom(rect) - dy
                                                                     : rect.y() + rect.height() / 2 + extent / 2;
  p->save();
  p->setClipRect(rect, Qt::IntersectClip);
  p->setFont(font.Font);
  p->setPen(ToQColor(font.Color));
  p->translate(x + fm.ascent(), base);
  p->rotate(-90);
  p->drawText(0, 0, text);
  p->restore();
  return extent;
}
