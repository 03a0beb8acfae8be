#include "report/FR_Combo.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QEnterEvent>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/ui.h"
#include "report/FR_Ctrls.h"
#include "report/FR_Utils.h"

namespace {
void frame(QPainter& p, const QRect& r, TColor c) {
  p.setPen(ToQColor(c));
  p.setBrush(Qt::NoBrush);
  p.drawRect(r.adjusted(0, 0, -1, -1));
}

void edge(QPainter& p, const QRect& r, bool raised) {
  const QRect q = r.adjusted(0, 0, -1, -1);
  p.setPen(ToQColor(raised ? clBtnHighlight : clBtnShadow));
  p.drawLine(q.topLeft(), q.topRight());
  p.drawLine(q.topLeft(), q.bottomLeft());
  p.setPen(ToQColor(raised ? clBtnShadow : clBtnHighlight));
  p.drawLine(q.bottomLeft(), q.bottomRight());
  p.drawLine(q.topRight(), q.bottomRight());
}
}  // namespace

// ---------------------------------------------------------------------------------------
// Flat combo box

TfrCustomComboBox::TfrCustomComboBox(QWidget* parent) : QComboBox(parent) {
  setEditable(true);
  setMaxVisibleItems(8);
  setInsertPolicy(QComboBox::NoInsert);
  resize(100, fontMetrics().height() + 8);
  connect(lineEdit(), &QLineEdit::textChanged, this, [this] { update(); });
}

void TfrCustomComboBox::setReadOnly(bool v) {
  readOnly_ = v;
  if (lineEdit()) lineEdit()->setReadOnly(v);
}

bool TfrCustomComboBox::IsHot() const {
  return listOpen_ || (lineEdit() && lineEdit()->hasFocus()) || hasFocus() || mouseInside_;
}

int TfrCustomComboBox::DropDownHeight() const {
  const int ih = fontMetrics().height();
  const int n = std::min(maxVisibleItems(), count());
  return n == 0 ? ih + 4 : ih * n + 4;
}

void TfrCustomComboBox::showPopup() {
  listOpen_ = true;
  // Opens upwards when the list would pass the screen's bottom.
  const QScreen* screen = this->screen();
  const int bottom = mapToGlobal(QPoint(0, height())).y() + DropDownHeight();
  opensUp_ = screen && bottom > screen->geometry().bottom();
  update();
  QComboBox::showPopup();
}

void TfrCustomComboBox::hidePopup() {
  QComboBox::hidePopup();
  listOpen_ = false;
  update();
}

void TfrCustomComboBox::placeEdit() {
  if (lineEdit())
    lineEdit()->setGeometry(imageWidth_ + 3, 3, std::max(0, width() - ButtonWidth() - imageWidth_ - 7),
                            std::max(0, height() - 6));
}

void TfrCustomComboBox::resizeEvent(QResizeEvent* e) {
  QComboBox::resizeEvent(e);
  placeEdit();
}

void TfrCustomComboBox::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QRect r = rect();
  const int bw = ButtonWidth();
  const QRect button(width() - bw - 2, 2, bw, height() - 4);
  if (!isEnabled()) {
    p.fillRect(r, ToQColor(clBtnFace));
    frame(p, r.adjusted(2, 2, -2, -2), clWindow);
  } else {
    const bool hot = IsHot();
    p.fillRect(r.adjusted(2, 2, -2, -2), ToQColor(clWindow));
    frame(p, r.adjusted(1, 1, -1, -1), clBtnFace);
    if (hot) edge(p, r, false);
    else frame(p, r, clBtnFace);
    p.fillRect(button, ToQColor(clBtnFace));
    if (listOpen_) edge(p, button, false);
    else if (hot) edge(p, button, true);
    else frame(p, button, clWindow);
  }
  // The arrow: three lines of 5, 3 and 1 pixels.
  const int shift = listOpen_ ? 1 : 0;
  const int ax = (bw + 1) / 2 + width() - bw - 4 + shift;
  const int ay = (height() - 4 + 1) / 2 + 1 + shift;
  p.setPen(Qt::black);
  for (int i = 0; i < 3; ++i) p.drawLine(ax - 2 + i, ay - 1 + i, ax + 2 - i, ay - 1 + i);
}

void TfrCustomComboBox::enterEvent(QEnterEvent* e) {
  mouseInside_ = true;
  update();
  QComboBox::enterEvent(e);
}

void TfrCustomComboBox::leaveEvent(QEvent* e) {
  mouseInside_ = false;
  update();
  QComboBox::leaveEvent(e);
}

void TfrCustomComboBox::focusInEvent(QFocusEvent* e) {
  QComboBox::focusInEvent(e);
  update();
}

void TfrCustomComboBox::focusOutEvent(QFocusEvent* e) {
  QComboBox::focusOutEvent(e);
  update();
}

// ---------------------------------------------------------------------------------------
// Font preview

TfrFontPreview::TfrFontPreview(QWidget* parent) : QWidget(parent, Qt::ToolTip | Qt::FramelessWindowHint) {
  resize(200, 50);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  panel_ = new QLabel(this);
  panel_->setAlignment(Qt::AlignCenter);
  panel_->setFrameStyle(QFrame::Box | QFrame::Plain);
  panel_->setAutoFillBackground(true);
  QPalette pal = panel_->palette();
  pal.setColor(QPalette::Window, ToQColor(clWindow));
  pal.setColor(QPalette::WindowText, ToQColor(clWindowText));
  panel_->setPalette(pal);
  layout->addWidget(panel_);
  hide();
}

void TfrFontPreview::ShowFont(const QString& family) {
  shown_ = family;
  QFont f(family);
  f.setPointSize(18);
  panel_->setFont(f);
  panel_->setText(family);
}

// ---------------------------------------------------------------------------------------
// Font combo box

namespace {
const QString kDefaultMruKey = QStringLiteral("\\Software\\Chartula\\MRUFont");
}

namespace {
// Draws a font item: the outline mark, the name in its own font, and the lines that close the
// recently used part.
class FontItemDelegate : public QStyledItemDelegate {
 public:
  explicit FontItemDelegate(TfrFontComboBox* box) : QStyledItemDelegate(box), box_(box) {}
  QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
    return QSize(box_->width(), box_->ItemHeight());
  }
  void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const QRect r = option.rect;
    const bool selected = option.state & QStyle::State_Selected;
    p->fillRect(r, ToQColor(selected ? clHighlight : clWindow));
    const QImage& mark = TfrFontComboBox::TrueTypeMark();
    const int type = index.data(Qt::UserRole).toInt();
    if (type & TfrFontComboBox::kTrueTypeFont) p->drawImage(r.left() + 1, r.top() + (r.height() - mark.height()) / 2, mark);
    QFont f(index.data(Qt::DisplayRole).toString());
    f.setPointSize(box_->font().pointSize() > 0 ? box_->font().pointSize() : 9);
    p->setFont(f);
    p->setPen(ToQColor(selected ? clHighlightText : clWindowText));
    p->drawText(r.adjusted(mark.width() + 2, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                index.data(Qt::DisplayRole).toString());
    p->setPen(ToQColor(clBtnShadow));
    const int last = box_->MRUCount() - 1;
    if (last >= 0 && index.row() == last) p->drawLine(r.left(), r.bottom() - 2, r.right(), r.bottom() - 2);
    if (last >= 0 && index.row() == last + 1) p->drawLine(r.left(), r.top(), r.right(), r.top());
  }

 private:
  TfrFontComboBox* box_;
};
}  // namespace

const QImage& TfrFontComboBox::TrueTypeMark() {
  static const QImage mark = [] {
    QImage img(15, 11, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    // Two overlapping letters T, the back one grey.
    p.setPen(ToQColor(clGray));
    p.drawLine(1, 1, 8, 1);
    p.drawLine(4, 1, 4, 8);
    p.setPen(ToQColor(clBlack));
    p.drawLine(6, 3, 13, 3);
    p.drawLine(9, 3, 9, 10);
    return img;
  }();
  return mark;
}

int TfrFontComboBox::ItemHeight() const { return std::max(fontMetrics().height(), TrueTypeMark().height() + 1); }

void TfrFontComboBox::paintEvent(QPaintEvent* e) {
  TfrCustomComboBox::paintEvent(e);
  const int i = findText(currentText());
  if (i >= 0 && (FontType(i) & kTrueTypeFont)) {
    QPainter p(this);
    const QImage& mark = TrueTypeMark();
    p.drawImage(3, (height() - mark.height()) / 2, mark);
  }
}

TfrFontComboBox::TfrFontComboBox(QWidget* parent) : TfrCustomComboBox(parent), mruRegKey_(kDefaultMruKey) {
  resize(150, height());
  setMaxVisibleItems(12);
  imageWidth_ = 16;
  setReadOnly(true);
  preview_ = new TfrFontPreview(this);
  setItemDelegate(new FontItemDelegate(this));
  connect(this, QOverload<int>::of(&QComboBox::activated), this, [this](int index) { ChooseItem(index); });
  connect(this, QOverload<int>::of(&QComboBox::highlighted), this, [this](int index) {
    if (index >= 0) preview_->ShowFont(itemText(index));
  });
}

void TfrFontComboBox::setMRURegKey(const QString& key) { mruRegKey_ = key.isEmpty() ? kDefaultMruKey : key; }

int TfrFontComboBox::FontType(int index) const { return itemData(index).toInt(); }

void TfrFontComboBox::FillList() {
  QList<FontFamilyEntry> families;
  for (const QString& family : QFontDatabase::families()) {
    FontFamilyEntry e;
    e.name = family;
    e.type = QFontDatabase::isSmoothlyScalable(family) ? kTrueTypeFont : 0;
    families.append(e);
  }
  FillFrom(families);
}

void TfrFontComboBox::FillFrom(const QList<FontFamilyEntry>& families) {
  filling_ = true;
  const QString current = currentText();
  QList<FontFamilyEntry> sorted;
  for (const FontFamilyEntry& e : families) {
    bool seen = false;
    for (const FontFamilyEntry& s : sorted)
      if (s.name == e.name) { seen = true; break; }
    if (!seen) sorted.append(e);
  }
  std::sort(sorted.begin(), sorted.end(), [](const FontFamilyEntry& a, const FontFamilyEntry& b) {
    return QString::compare(a.name, b.name, Qt::CaseInsensitive) < 0;
  });
  clear();
  for (const FontFamilyEntry& e : sorted) addItem(e.name, e.type);
  lastMru_ = -1;
  if (showMRU_) {
    for (int n = kMruSize - 1; n >= 0; --n) {
      const QString nameKey = QStringLiteral("Font%1").arg(n);
      const QString typeKey = QStringLiteral("FontType%1").arg(n);
      const QString name = ReadSettingString(mruRegKey_, nameKey, QString());
      bool known = false;
      for (const FontFamilyEntry& e : sorted)
        if (!name.isEmpty() && e.name == name) { known = true; break; }
      if (known) {
        insertItem(0, name, ReadSettingInteger(mruRegKey_, typeKey, 0));
        ++lastMru_;
      } else {
        WriteSettingString(mruRegKey_, nameKey, QString());
        WriteSettingInteger(mruRegKey_, typeKey, 0);
      }
    }
  }
  const int found = findText(current);
  setCurrentIndex(found >= 0 && !current.isEmpty() ? found : (count() > 0 ? 0 : -1));
  filling_ = false;
}

void TfrFontComboBox::ChooseItem(int index) {
  if (index < 0 || index >= count()) return;
  setCurrentIndex(index);
  if (index > 0 && showMRU_) {
    const QString name = itemText(index);
    const int first = findText(name);
    const int mruCount = MRUCount();
    if (first >= mruCount) {
      insertItem(0, name, itemData(first));
      if (mruCount >= kMruSize) removeItem(kMruSize);
      else ++lastMru_;
    } else {
      const QVariant type = itemData(first);
      removeItem(first);
      insertItem(0, name, type);
    }
    setCurrentIndex(0);
    writeMru();
  }
  if (!filling_ && OnClick) OnClick(this);
}

void TfrFontComboBox::writeMru() {
  for (int n = 0; n < kMruSize; ++n) {
    const bool used = n < MRUCount() && n < count();
    WriteSettingString(mruRegKey_, QStringLiteral("Font%1").arg(n), used ? itemText(n) : QString());
    WriteSettingInteger(mruRegKey_, QStringLiteral("FontType%1").arg(n), used ? itemData(n).toInt() : 0);
  }
}

void TfrFontComboBox::showPopup() {
  TfrCustomComboBox::showPopup();
  if (currentIndex() >= 0 && currentIndex() < kMruSize && view()) view()->setCurrentIndex(model()->index(0, 0));
  // The sample sits at the box's bottom-right corner, left of the box near the screen's right
  // edge, above the box when the list opens upwards.
  QPoint at = mapToGlobal(QPoint(width(), opensUp_ ? -preview_->height() : height()));
  if (const QScreen* s = screen(); s && at.x() + preview_->width() > s->geometry().right())
    at.setX(mapToGlobal(QPoint(0, 0)).x() - preview_->width() - 1);
  preview_->move(at);
  if (currentIndex() >= 0) preview_->ShowFont(currentText());
  preview_->show();
}

void TfrFontComboBox::hidePopup() {
  preview_->hide();
  TfrCustomComboBox::hidePopup();
}

// ---------------------------------------------------------------------------------------
// Colour selector

const TColor TColorSelector::kColors[16] = {clWhite, clBlack, clMaroon, clGreen, clOlive,   clNavy,
                                            clPurple, clTeal, clGray,   clSilver, clRed,     clLime,
                                            clYellow, clBlue, clFuchsia, clAqua};

namespace {
// A square of a colour outlined in the shadow colour on the button face colour.
QImage colourSquare(TColor color, int size, int rows) {
  QImage img(size, rows, QImage::Format_RGB32);
  img.fill(ToQColor(clBtnFace));
  QPainter p(&img);
  p.fillRect(0, 0, size, size, ToQColor(color));
  p.setPen(ToQColor(clBtnShadow));
  p.drawRect(0, 0, size - 1, size - 1);
  return img;
}
}  // namespace

TColorSelector::TColorSelector(QWidget* owner) : QWidget(owner) {
  resize(96, 132);
  for (int tag = 0; tag < 18; ++tag) {
    auto* b = new TfrSpeedButton(this);
    b->setTag(tag);
    b->setGroupIndex(1);
    b->setFlat(true);
    b->setGrayedInactive(false);
    if (tag < 16) {
      b->setGeometry(4 + 22 * (tag % 4), 4 + 22 * (tag / 4), 22, 22);
      QImage glyph(16, 17, QImage::Format_RGB32);
      glyph.fill(ToQColor(clOlive));
      QPainter p(&glyph);
      p.fillRect(0, 0, 16, 16, ToQColor(kColors[tag]));
      p.setPen(ToQColor(clBtnShadow));
      p.drawRect(0, 0, 15, 15);
      p.end();
      b->setGlyph(glyph);
    } else if (tag == kTransparentTag) {
      b->setGeometry(4, 92, 88, 18);
      b->setCaption(LocaleText(55229));
    } else {
      b->setGeometry(4, 110, 88, 18);
      b->setCaption(LocaleText(55230));
    }
    b->OnClick = [this](TfrSpeedButton* s) { ButtonClicked(s->Tag()); };
    buttons_[tag] = b;
  }
}

TfrSpeedButton* TColorSelector::ButtonByTag(int tag) const { return tag >= 0 && tag < 18 ? buttons_[tag] : nullptr; }

void TColorSelector::choose(TColor color) {
  color_ = color;
  hide();
  if (OnColorSelected) OnColorSelected(this);
}

void TColorSelector::ButtonClicked(int tag) {
  if (tag >= 0 && tag < 16) {
    choose(kColors[tag]);
  } else if (tag == kTransparentTag) {
    choose(clNone);
  } else if (tag == kOtherTag) {
    hide();
    const std::optional<TColor> chosen = ColorDialog(color_);
    if (!chosen) return;
    choose(*chosen);
  }
}

void TColorSelector::SelectColor(TColor color) {
  color_ = color;
  int tag = -1;
  for (int i = 0; i < 16; ++i)
    if (kColors[i] == color) tag = i;
  if (color == clNone) tag = kTransparentTag;
  TfrSpeedButton* other = buttons_[kOtherTag];
  if (tag >= 0) {
    buttons_[tag]->setDown(true);
    other->setGlyph(QImage());
  } else {
    // No colour button stands for it: every colour button goes up.
    for (int i = 0; i < 18; ++i) {
      buttons_[i]->setAllowAllUp(true);
      buttons_[i]->setDown(false);
    }
    for (int i = 0; i < 18; ++i) buttons_[i]->setAllowAllUp(false);
    other->setGlyph(colourSquare(color, 12, 13));
  }
}

// ---------------------------------------------------------------------------------------
// Popup list

TfrPopupListBox::TfrPopupListBox(QWidget* parent) : QWidget(parent, Qt::Popup | Qt::FramelessWindowHint) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  list_ = new QListWidget(this);
  list_->setObjectName(QStringLiteral("ListBox"));
  list_->setFrameStyle(QFrame::Box | QFrame::Plain);
  list_->setUniformItemSizes(true);
  list_->setStyleSheet(QStringLiteral("QListWidget::item { height: 11px; }"));
  layout->addWidget(list_);
}
