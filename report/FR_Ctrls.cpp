#include "report/FR_Ctrls.h"

#include <QApplication>
#include <QCursor>
#include <QEnterEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcutEvent>
#include <QSettings>
#include <algorithm>

// ---------------------------------------------------------------------------------------
// Settings

QString SettingsKey = QStringLiteral("Software\\Chartula");

namespace {
QString& settingsFile() {
  static QString file;
  return file;
}

void fill3D(QPainter& p, const QRect& r, TColor topLeft, TColor bottomRight) {
  p.setPen(ToQColor(topLeft));
  p.drawLine(r.left(), r.bottom(), r.left(), r.top());
  p.drawLine(r.left(), r.top(), r.right(), r.top());
  p.setPen(ToQColor(bottomRight));
  p.drawLine(r.right(), r.top(), r.right(), r.bottom());
  p.drawLine(r.right(), r.bottom(), r.left(), r.bottom());
}
}  // namespace

void SetUserSettingsFile(const QString& fileName) { settingsFile() = fileName; }

std::unique_ptr<QSettings> OpenUserSettings() {
  if (!settingsFile().isEmpty()) return std::make_unique<QSettings>(settingsFile(), QSettings::IniFormat);
  return std::make_unique<QSettings>();
}

QString SettingsGroup(const QString& keyPath) {
  QString g = keyPath;
  g.replace(QLatin1Char('\\'), QLatin1Char('/'));
  while (g.startsWith(QLatin1Char('/'))) g.remove(0, 1);
  while (g.endsWith(QLatin1Char('/'))) g.chop(1);
  return g;
}

QString ReadSettingString(const QString& keyPath, const QString& name, const QString& def) {
  auto s = OpenUserSettings();
  const QString key = SettingsGroup(keyPath) + QLatin1Char('/') + name;
  if (!s->contains(key)) return def;
  return s->value(key).toString();
}

int ReadSettingInteger(const QString& keyPath, const QString& name, int def) {
  const QString text = ReadSettingString(keyPath, name, QString());
  bool ok = false;
  const int v = text.trimmed().toInt(&ok, 10);
  return ok ? v : def;
}

bool ReadSettingBool(const QString& keyPath, const QString& name, bool def) {
  const QString text = ReadSettingString(keyPath, name, QString()).trimmed();
  if (text == QLatin1String("1")) return true;
  if (text == QLatin1String("0")) return false;
  return def;
}

void WriteSettingString(const QString& keyPath, const QString& name, const QString& value) {
  auto s = OpenUserSettings();
  s->setValue(SettingsGroup(keyPath) + QLatin1Char('/') + name, value);
  s->sync();
}

void WriteSettingInteger(const QString& keyPath, const QString& name, int value) {
  WriteSettingString(keyPath, name, QString::number(value));
}

void WriteSettingBool(const QString& keyPath, const QString& name, bool value) {
  WriteSettingString(keyPath, name, value ? QStringLiteral("1") : QStringLiteral("0"));
}

// ---------------------------------------------------------------------------------------
// Glyphs

QImage GrayedGlyph(const QImage& image, TColor transparent) {
  QImage out = image.convertToFormat(QImage::Format_ARGB32);
  const TColor face = ColorToRGB(clBtnFace);
  for (int y = 0; y < out.height(); ++y) {
    for (int x = 0; x < out.width(); ++x) {
      const QRgb px = out.pixel(x, y);
      if (qAlpha(px) == 0) continue;
      const TColor c = RGBColor(qRed(px), qGreen(px), qBlue(px));
      if (c == (transparent & 0xFFFFFF) || c == face) continue;
      const int g = (77 * qRed(px) + 150 * qGreen(px) + 29 * qBlue(px)) / 256;
      out.setPixel(x, y, qRgba(g, g, g, qAlpha(px)));
    }
  }
  return out;
}

QImage EmbossedGlyph(const QImage& image, TColor transparent) {
  QImage src = image.convertToFormat(QImage::Format_ARGB32);
  QImage out(src.size(), QImage::Format_ARGB32);
  out.fill(Qt::transparent);
  auto isShape = [&](int x, int y) {
    const QRgb px = src.pixel(x, y);
    if (qAlpha(px) == 0) return false;
    return RGBColor(qRed(px), qGreen(px), qBlue(px)) != (transparent & 0xFFFFFF);
  };
  const QRgb hi = ToQColor(clBtnHighlight).rgba();
  const QRgb sh = ToQColor(clBtnShadow).rgba();
  for (int y = 0; y < src.height(); ++y)
    for (int x = 0; x < src.width(); ++x)
      if (isShape(x, y) && x + 1 < out.width() && y + 1 < out.height()) out.setPixel(x + 1, y + 1, hi);
  for (int y = 0; y < src.height(); ++y)
    for (int x = 0; x < src.width(); ++x)
      if (isShape(x, y)) out.setPixel(x, y, sh);
  return out;
}

void TButtonGlyph::setGlyph(const QImage& strip) {
  invalidate();
  strip_ = strip.isNull() ? QImage() : strip.convertToFormat(QImage::Format_ARGB32);
  if (!strip_.isNull()) {
    const QRgb px = strip_.pixel(0, strip_.height() - 1);
    transparent_ = RGBColor(qRed(px), qGreen(px), qBlue(px));
    const int w = strip_.width(), h = strip_.height();
    if (h > 0 && w % h == 0) {
      const int n = w / h;
      numGlyphs_ = n < 5 ? n : 1;
    }
  }
  if (onChange) onChange();
}

void TButtonGlyph::setNumGlyphs(int n) {
  n = std::clamp(n, 1, 4);
  if (n == numGlyphs_) return;
  numGlyphs_ = n;
  invalidate();
  if (onChange) onChange();
}

QSize TButtonGlyph::imageSize() const {
  if (strip_.isNull()) return QSize();
  return QSize(strip_.width() / numGlyphs_, strip_.height());
}

void TButtonGlyph::invalidate() {
  for (int i = 0; i < 5; ++i) {
    images_[i] = QImage();
    made_[i] = false;
  }
}

QImage TButtonGlyph::stripImage(int index) const {
  const QSize sz = imageSize();
  if (index >= numGlyphs_) index = 0;
  QImage img = strip_.copy(index * sz.width(), 0, sz.width(), sz.height());
  // The transparent colour becomes see-through so the button face shows.
  const QRgb key = ToQColor(transparent_).rgb();
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if ((img.pixel(x, y) & 0xFFFFFF) == (key & 0xFFFFFF)) img.setPixel(x, y, qRgba(0, 0, 0, 0));
  return img;
}

const QImage& TButtonGlyph::stateImage(int state) {
  state = std::clamp(state, 0, 4);
  if (strip_.isNull()) return images_[0];
  if (made_[state]) return images_[state];
  QImage img;
  switch (state) {
    case Disabled:
      img = EmbossedGlyph(stripImage(numGlyphs_ >= 2 ? 1 : 0), transparent_);
      break;
    case Pressed:
      img = stripImage(numGlyphs_ < 3 ? 0 : 2);
      break;
    case Inactive:
      img = GrayedGlyph(stripImage(0), transparent_);
      break;
    default:
      img = stripImage(state);
      break;
  }
  images_[state] = img;
  made_[state] = true;
  return images_[state];
}

// ---------------------------------------------------------------------------------------
// Tool button

TfrSpeedButton::TfrSpeedButton(QWidget* parent) : QWidget(parent) {
  resize(22, 22);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  glyph_.onChange = [this] { update(); };
}

TfrSpeedButton::~TfrSpeedButton() { glyph_.onChange = nullptr; }

void TfrSpeedButton::setAllowAllUp(bool v) {
  if (allowAllUp_ == v) return;
  allowAllUp_ = v;
  updateExclusive();
}

void TfrSpeedButton::setGroupIndex(int v) {
  if (groupIndex_ == v) return;
  groupIndex_ = v;
  updateExclusive();
}

void TfrSpeedButton::setDown(bool v) {
  if (groupIndex_ == 0) v = false;
  if (v == down_) return;
  if (down_ && !allowAllUp_) return;
  down_ = v;
  if (v) {
    if (state_ == bsUp) state_ = bsExclusive;
  } else {
    state_ = bsUp;
  }
  update();
  if (v) updateExclusive();
}

void TfrSpeedButton::updateExclusive() {
  if (groupIndex_ == 0 || !parentWidget()) return;
  for (QObject* o : parentWidget()->children()) {
    auto* b = qobject_cast<TfrSpeedButton*>(o);
    if (b && b != this) b->buttonPressed(this);
  }
}

void TfrSpeedButton::buttonPressed(TfrSpeedButton* sender) {
  if (sender->groupIndex_ != groupIndex_) return;
  if (sender->down_ && down_) {
    down_ = false;
    state_ = bsUp;
    update();
  }
  allowAllUp_ = sender->allowAllUp_;
}

void TfrSpeedButton::setFlat(bool v) {
  if (flat_ != v) { flat_ = v; update(); }
}
void TfrSpeedButton::setCaption(const QString& v) {
  if (caption_ == v) return;
  caption_ = v;
  // The caption's accelerator ("&" before a letter) clicks the button.
  if (shortcutId_) releaseShortcut(shortcutId_);
  shortcutId_ = 0;
  const QKeySequence mnemonic = QKeySequence::mnemonic(v);
  if (!mnemonic.isEmpty()) shortcutId_ = grabShortcut(mnemonic);
  update();
}

bool TfrSpeedButton::event(QEvent* e) {
  if (e->type() == QEvent::Shortcut) {
    if (static_cast<QShortcutEvent*>(e)->shortcutId() == shortcutId_ && isEnabled()) Click();
    return true;
  }
  return QWidget::event(e);
}
void TfrSpeedButton::setGlyph(const QImage& v) { glyph_.setGlyph(v); }
void TfrSpeedButton::setNumGlyphs(int v) { glyph_.setNumGlyphs(v); }
void TfrSpeedButton::setGrayedInactive(bool v) {
  if (grayedInactive_ != v) { grayedInactive_ = v; update(); }
}
void TfrSpeedButton::setLayout(TButtonLayout v) {
  if (layout_ != v) { layout_ = v; update(); }
}
void TfrSpeedButton::setMargin(int v) {
  if (v < -1) v = -1;
  if (margin_ != v) { margin_ = v; update(); }
}
void TfrSpeedButton::setSpacing(int v) {
  if (spacing_ != v) { spacing_ = v; update(); }
}

int TfrSpeedButton::PaintState() const {
  if (!isEnabled()) return bsDisabled;
  if (grayedInactive_ && flat_ && !mouseInside_ && !dragging_) return bsInactive;
  if (state_ == bsDisabled) return down_ && groupIndex_ != 0 ? bsExclusive : bsUp;
  return state_;
}

void TfrSpeedButton::Click() {
  if (OnClick) OnClick(this);
}

void TfrSpeedButton::paintContent(QPainter& p, int drawState) {
  QRect content = rect();
  p.fillRect(rect(), ToQColor(clBtnFace));
  if (flat_) {
    if (drawState == bsDown) content.translate(1, 1);
  } else {
    const bool sunken = drawState == bsDown || drawState == bsExclusive;
    fill3D(p, rect().adjusted(0, 0, -1, -1), sunken ? clBtnShadow : clBtnHighlight,
           sunken ? clBtnHighlight : cl3DDkShadow);
    if (sunken) content.translate(1, 1);
  }
  const bool exclusive = (flat_ && isEnabled() && !mouseInside_ &&
                          (drawState == bsExclusive || (state_ == bsExclusive && drawState == bsInactive))) ||
                         (!flat_ && drawState == bsExclusive);
  if (exclusive) {
    QImage pattern(8, 8, QImage::Format_RGB32);
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x)
        pattern.setPixel(x, y, ((x % 2) == (y % 2)) ? qRgb(255, 255, 255) : ToQColor(clBtnFace).rgb());
    p.fillRect(rect().adjusted(1, 1, -1, -1), QBrush(pattern));
  }
  // Glyph and caption.
  const QImage& img = glyph_.isEmpty() ? QImage() : glyph_.stateImage(drawState == bsExclusive ? bsUp : drawState);
  const QSize gs = img.isNull() ? QSize(0, 0) : img.size();
  const QSize ts = caption_.isEmpty() ? QSize(0, 0) : fontMetrics().size(Qt::TextSingleLine | Qt::TextShowMnemonic, caption_);
  const bool horizontal = layout_ == blGlyphLeft || layout_ == blGlyphRight;
  const int total = horizontal ? content.width() : content.height();
  const int gLen = horizontal ? gs.width() : gs.height();
  const int tLen = horizontal ? ts.width() : ts.height();
  int spacing = (gLen == 0 || tLen == 0) ? 0 : spacing_;
  int margin = margin_;
  if (margin == -1) {
    if (spacing_ == -1) {
      const int free = total - gLen - tLen;
      margin = free / 3;
      spacing = (gLen == 0 || tLen == 0) ? 0 : margin;
    } else {
      margin = (total - gLen - tLen - spacing) / 2;
    }
  } else if (spacing_ == -1) {
    spacing = (gLen == 0 || tLen == 0) ? 0 : (total - margin - gLen - tLen) / 2;
  }
  QPoint gp, tp;
  auto centre = [](int outer, int inner) { return (outer - inner) / 2; };
  switch (layout_) {
    case blGlyphLeft:
      gp = QPoint(margin, centre(content.height(), gs.height()));
      tp = QPoint(margin + gs.width() + spacing, centre(content.height(), ts.height()));
      break;
    case blGlyphRight:
      gp = QPoint(total - margin - gs.width(), centre(content.height(), gs.height()));
      tp = QPoint(total - margin - gs.width() - spacing - ts.width(), centre(content.height(), ts.height()));
      break;
    case blGlyphTop:
      gp = QPoint(centre(content.width(), gs.width()), margin);
      tp = QPoint(centre(content.width(), ts.width()), margin + gs.height() + spacing);
      break;
    case blGlyphBottom:
      gp = QPoint(centre(content.width(), gs.width()), total - margin - gs.height());
      tp = QPoint(centre(content.width(), ts.width()), total - margin - gs.height() - spacing - ts.height());
      break;
  }
  if (!img.isNull()) p.drawImage(content.topLeft() + gp, img);
  if (!caption_.isEmpty()) {
    const QRect tr(content.topLeft() + tp, ts);
    if (drawState == bsDisabled) {
      p.setPen(Qt::white);
      p.drawText(tr.translated(1, 1), Qt::AlignCenter | Qt::TextSingleLine | Qt::TextShowMnemonic, caption_);
      p.setPen(ToQColor(clBtnShadow));
    } else {
      p.setPen(ToQColor(clBtnText));
    }
    p.drawText(tr, Qt::AlignCenter | Qt::TextSingleLine | Qt::TextShowMnemonic, caption_);
  }
  if (flat_ && isEnabled() && (mouseInside_ || state_ == bsExclusive)) {
    const bool sunken = state_ == bsDown || state_ == bsExclusive;
    fill3D(p, rect().adjusted(0, 0, -1, -1), sunken ? clBtnShadow : clBtnHighlight,
           sunken ? clBtnHighlight : clBtnShadow);
  }
}

void TfrSpeedButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  paintContent(p, PaintState());
}

void TfrSpeedButton::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton || !isEnabled()) return;
  if (!down_) {
    state_ = bsDown;
    update();
  }
  dragging_ = true;
}

void TfrSpeedButton::mouseMoveEvent(QMouseEvent* e) {
  if (!dragging_) return;
  const bool inside = rect().contains(e->position().toPoint());
  int s = inside ? (down_ ? bsExclusive : bsDown) : (down_ ? bsExclusive : bsUp);
  if (s != state_) {
    state_ = s;
    update();
  }
}

void TfrSpeedButton::mouseReleaseEvent(QMouseEvent* e) {
  if (!dragging_ || e->button() != Qt::LeftButton) return;
  dragging_ = false;
  const bool inside = rect().contains(e->position().toPoint());
  if (groupIndex_ == 0) {
    state_ = bsUp;
    mouseInside_ = false;
  } else if (inside) {
    setDown(!down_);
    if (down_) state_ = bsExclusive; else state_ = bsUp;
  } else {
    state_ = down_ ? bsExclusive : bsUp;
  }
  mouseInside_ = rect().contains(mapFromGlobal(QCursor::pos())) || inside;
  update();
  if (inside) Click();
}

void TfrSpeedButton::mouseDoubleClickEvent(QMouseEvent*) {
  if (down_ && OnDblClick) OnDblClick(this);
}

void TfrSpeedButton::enterEvent(QEnterEvent*) {
  if (!flat_ || !isEnabled()) return;
  mouseInside_ = true;
  update();
  if (OnMouseEnter) OnMouseEnter(this);
}

void TfrSpeedButton::leaveEvent(QEvent*) {
  if (!flat_ || !isEnabled()) return;
  mouseInside_ = false;
  update();
  if (OnMouseLeave) OnMouseLeave(this);
}

void TfrSpeedButton::changeEvent(QEvent* e) {
  if (e->type() == QEvent::EnabledChange) {
    glyph_.invalidate();
    if (!isEnabled()) dragging_ = false;
    update();
  } else if (e->type() == QEvent::FontChange || e->type() == QEvent::PaletteChange) {
    update();
  }
  QWidget::changeEvent(e);
}

void PaintToolGlyph(TfrSpeedButton* button, QPainter& painter, int x, int y, bool enabled) {
  TButtonGlyph& g = button->glyphObject();
  if (g.isEmpty()) return;
  painter.drawImage(x, y, g.stateImage(enabled ? TButtonGlyph::Up : TButtonGlyph::Disabled));
}

// ---------------------------------------------------------------------------------------
// Combo box with a side button

TfrComboEdit::TfrComboEdit(QWidget* parent) : QComboBox(parent) {
  setEditable(true);
  // Enter belongs to the dialog's default button; it never adds the typed text to the list.
  setInsertPolicy(QComboBox::NoInsert);
  resize(width(), 21);
  panel_ = new QWidget(this);
  button_ = new TfrSpeedButton(panel_);
  button_->setObjectName(QStringLiteral("Button"));
  button_->OnClick = [this](TfrSpeedButton*) {
    setFocus();
    if (OnButtonClick) OnButtonClick(this);
  };
  place();
}

void TfrComboEdit::place() {
  const int h = height();
  panel_->setGeometry(width() - h + 2, 2, h - 4, h - 4);
  button_->setGeometry(0, 0, h - 4, h - 4);
  if (lineEdit()) lineEdit()->setGeometry(2, 2, std::max(0, width() - h - 4), h - 4);
}

void TfrComboEdit::resizeEvent(QResizeEvent* e) {
  QComboBox::resizeEvent(e);
  place();
}

void TfrComboEdit::setButtonEnabled(bool v) {
  buttonEnabled_ = v;
  button_->setEnabled(v && isEnabled());
}

void TfrComboEdit::changeEvent(QEvent* e) {
  if (e->type() == QEvent::EnabledChange) button_->setEnabled(buttonEnabled_ && isEnabled());
  QComboBox::changeEvent(e);
}

void TfrComboEdit::keyPressEvent(QKeyEvent* e) {
  // Enter and Esc belong to the dialog's default and cancel buttons.
  if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter || e->key() == Qt::Key_Escape) {
    e->ignore();
    return;
  }
  QComboBox::keyPressEvent(e);
}

// ---------------------------------------------------------------------------------------
// Docks

TfrDock::TfrDock(QWidget* parent, TfrDockAlign align) : QWidget(parent), align_(align) {}

void TfrDock::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), ToQColor(clBtnFace));
}

void TfrDock::ArrangeRows() {
  QList<QWidget*> controls;
  for (QObject* o : children())
    if (auto* w = qobject_cast<QWidget*>(o); w && !w->isWindow()) controls.append(w);
  const bool vert = IsVertical();
  const bool far = align_ == daBottom || align_ == daRight;
  auto across = [&](QWidget* w) { return vert ? w->x() : w->y(); };
  auto extent = [&](QWidget* w) { return vert ? w->width() : w->height(); };
  auto shift = [&](QWidget* w, int d) { vert ? w->move(w->x() + d, w->y()) : w->move(w->x(), w->y() + d); };
  const int oldSize = vert ? width() : height();
  if (controls.isEmpty()) {
    if (align_ == daTop || align_ == daBottom) resize(width(), 1);
    else resize(1, height());
    return;
  }
  // Remove rows that hold no visible control.
  int rows = std::max(1, oldSize / rowSize_);
  auto rowUsed = [&](int line) {
    for (QWidget* w : controls)
      if (!w->isHidden() && across(w) <= line && across(w) + extent(w) > line) return true;
    return false;
  };
  if (!far) {
    for (int r = 0; r < rows;) {
      const int line = r * rowSize_;
      if (!rowUsed(line)) {
        bool any = false;
        for (QWidget* w : controls)
          if (across(w) > line) { shift(w, -rowSize_); any = true; }
        --rows;
        if (!any) break;
      } else {
        ++r;
      }
    }
  } else {
    for (int r = 0; r < rows;) {
      const int line = oldSize - (r + 1) * rowSize_;
      if (!rowUsed(line) && !rowUsed(line + rowSize_ - 1)) {
        bool any = false;
        for (QWidget* w : controls)
          if (across(w) + extent(w) <= line + 1) { shift(w, rowSize_); any = true; }
        --rows;
        if (!any) break;
      } else {
        ++r;
      }
    }
  }
  // Pull in controls pushed outside and size the dock.
  int minStart = 0, maxEnd = 0;
  for (QWidget* w : controls) {
    if (w->isHidden()) continue;
    minStart = std::min(minStart, across(w));
    maxEnd = std::max(maxEnd, across(w) + extent(w));
  }
  if (minStart < 0) {
    for (QWidget* w : controls) shift(w, -minStart);
    maxEnd -= minStart;
  }
  int newSize;
  if (!far) {
    newSize = std::max(maxEnd + 1, 1);
  } else {
    newSize = std::max(maxEnd, 1);
  }
  if (vert) {
    if (align_ == daRight && parentWidget()) {
      const int right = x() + width();
      setGeometry(right - newSize, y(), newSize, height());
    } else {
      resize(newSize, height());
    }
  } else {
    if (align_ == daBottom && parentWidget()) {
      const int bottom = y() + height();
      setGeometry(x(), bottom - newSize, width(), newSize);
    } else {
      resize(width(), newSize);
    }
  }
}

// ---------------------------------------------------------------------------------------
// Float windows

QList<TfrFloatWindow*>& FloatWindows() {
  static QList<TfrFloatWindow*> list;
  return list;
}

TfrFloatWindow::TfrFloatWindow(QWidget* owner, TfrToolBar* bar)
    : QWidget(owner, Qt::Tool | Qt::WindowSystemMenuHint | Qt::WindowTitleHint), bar_(bar) {}

TfrFloatWindow::~TfrFloatWindow() {
  FloatWindows().removeAll(this);
  if (bar_) bar_->floatWindowGone();
}

void TfrFloatWindow::BeginDrag() {
  dragging_ = true;
  dragOffset_ = QCursor::pos() - pos();
}

void TfrFloatWindow::mousePressEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton) {
    dragging_ = true;
    dragOffset_ = e->globalPosition().toPoint() - pos();
  }
}

void TfrFloatWindow::mouseMoveEvent(QMouseEvent* e) { DragTo(e->globalPosition().toPoint()); }

void TfrFloatWindow::DragTo(const QPoint& global) {
  if (!dragging_ || !bar_) return;
  QWidget* owner = bar_->OwnerForm();
  if (owner && bar_->DockAtPoint(owner->mapFromGlobal(global))) return;  // this window is gone now
  move(global - dragOffset_);
}

void TfrFloatWindow::mouseReleaseEvent(QMouseEvent*) { dragging_ = false; }

// ---------------------------------------------------------------------------------------
// Tool bars

namespace {
constexpr int kDragBoxSize = 9;
constexpr int kMaxToolControls = 101;
}  // namespace

TfrToolBar::TfrToolBar(QWidget* parent) : QWidget(parent) {
  owner_ = parent ? parent->window() : nullptr;
  resize(100, 26);
  dragBox_ = new QWidget(this);
  dragBox_->setObjectName(QStringLiteral("DragBox"));
  dragBox_->setAttribute(Qt::WA_TransparentForMouseEvents);
  placeDragBox();
}

TfrToolBar::~TfrToolBar() {
  if (floatWindow_) {
    TfrFloatWindow* w = floatWindow_;
    floatWindow_ = nullptr;
    w->releaseBar();
    FloatWindows().removeAll(w);
    setParent(nullptr);
    w->deleteLater();
  }
}

TfrDock* TfrToolBar::Dock() const { return floatWindow_ ? nullptr : qobject_cast<TfrDock*>(parentWidget()); }

bool TfrToolBar::IsShown() const { return floatWindow_ ? floatWindow_->isVisible() : !isHidden(); }

void TfrToolBar::SetShown(bool shown) {
  if (floatWindow_) floatWindow_->setVisible(shown);
  else setVisible(shown);
  if (TfrDock* d = Dock()) d->ArrangeRows();
}

QList<QWidget*> TfrToolBar::toolControls() const {
  QList<QWidget*> list;
  for (QObject* o : children())
    if (auto* w = qobject_cast<QWidget*>(o); w && w != dragBox_ && !w->isWindow() && !w->isHidden()) list.append(w);
  if (list.size() > kMaxToolControls) list = list.mid(0, kMaxToolControls);
  return list;
}

void TfrToolBar::placeDragBox() {
  TfrDock* d = Dock();
  if (d && d->IsVertical()) dragBox_->setGeometry(2, 2, width() - 4, kDragBoxSize);
  else dragBox_->setGeometry(2, 2, kDragBoxSize, height() - 4);
}

void TfrToolBar::Rotate() {
  TfrDock* d = Dock();
  const bool vert = d && d->IsVertical();
  QList<QWidget*> list = toolControls();
  std::stable_sort(list.begin(), list.end(), [&](QWidget* a, QWidget* b) {
    return vert ? a->y() < b->y() : a->x() < b->x();
  });
  if (!vert && width() < height()) resize(height(), width());
  if (vert && height() < width()) resize(height(), width());
  placeDragBox();
  int pos = 2 + (dragBox_->isHidden() ? 0 : kDragBoxSize);
  for (QWidget* w : list) {
    if (vert) {
      w->move(2, pos);
      pos += w->height();
    } else {
      w->move(pos, 2);
      pos += w->width();
    }
  }
}

void TfrToolBar::FitToButtons() {
  Rotate();
  TfrDock* d = Dock();
  const bool vert = d && d->IsVertical();
  int sum = dragBox_->isHidden() ? 0 : kDragBoxSize;
  for (QWidget* w : toolControls()) sum += vert ? w->height() : w->width();
  if (vert) resize(width(), sum + 4);
  else resize(sum + 4, height());
}

void TfrToolBar::DockAt(TfrDock* dock, int x, int y) {
  if (!dock) return;
  hide();
  TfrFloatWindow* oldFloat = floatWindow_;
  QWidget* oldParent = parentWidget();
  if (oldFloat) {
    oldFloat->hide();
    oldFloat->releaseBar();
    floatWindow_ = nullptr;
  }
  setParent(dock);
  if (auto* oldDock = qobject_cast<TfrDock*>(oldParent); oldDock && oldDock != dock) oldDock->ArrangeRows();
  dragBox_->show();
  Rotate();
  move(x, y);
  show();
  dock->ArrangeRows();
  if (oldFloat) {
    FloatWindows().removeAll(oldFloat);
    oldFloat->deleteLater();
  }
}

void TfrToolBar::DockInto(TfrDock* dock) {
  if (!dock) return;
  int x = 0, y = 0;
  switch (dock->Align()) {
    case daTop: y = dock->height() - 1; break;
    case daBottom: y = 1 - height(); break;
    case daLeft: x = dock->width() - 1; break;
    case daRight: x = 1 - width(); break;
    default: break;
  }
  DockAt(dock, x, y);
}

void TfrToolBar::FloatAt(int screenX, int screenY) {
  if (floatWindow_) {
    floatWindow_->move(screenX, screenY);
    return;
  }
  TfrDock* oldDock = Dock();
  hide();
  dragBox_->hide();
  auto* w = new TfrFloatWindow(owner_, this);
  w->setWindowTitle(caption_);
  w->move(screenX, screenY);
  floatWindow_ = w;
  setParent(w);
  Rotate();
  if (oldDock) oldDock->ArrangeRows();
  FitToButtons();
  w->resize(width(), height());
  move(0, 0);
  show();
  w->show();
  if (!FloatWindows().contains(w)) FloatWindows().append(w);
}

bool TfrToolBar::DockAtPoint(const QPoint& formPoint) {
  if (!owner_) return false;
  for (QObject* o : owner_->children()) {
    auto* d = qobject_cast<TfrDock*>(o);
    if (!d) continue;
    const QRect r = d->geometry().adjusted(0, 0, 1, 1);  // edges included
    if (!r.contains(formPoint)) continue;
    const bool vertDock = d->IsVertical();
    if ((orientation_ == toVertOnly && !vertDock) || (orientation_ == toHorzOnly && vertDock)) return false;
    const QPoint p = formPoint - d->pos();
    int x, y;
    if (vertDock) {
      x = d->Align() == daRight ? 1 - height() : d->width() - 1;
      y = std::clamp(p.y(), 0, std::max(0, d->height() - height()));
    } else {
      x = std::clamp(p.x(), 0, std::max(0, d->width() - width()));
      y = d->Align() == daBottom ? 1 - height() : d->height() - 1;
    }
    DockAt(d, x, y);
    // The button is still down: the docked bar takes the mouse and the drag goes on in the dock.
    dragging_ = true;
    floatDrag_ = false;
    dragStart_ = owner_->mapToGlobal(formPoint);
    grabMouse();
    return true;
  }
  return false;
}

bool TfrToolBar::TryMove(int dx, int dy) {
  TfrDock* d = Dock();
  if (!d) return false;
  const bool vert = d->IsVertical();
  int along = vert ? y() + dy : x() + dx;
  const int across = vert ? x() + dx : y() + dy;
  const int len = vert ? height() : width();
  const int dockLen = vert ? d->height() : d->width();
  bool floats = false;
  int passes = 0;
  for (; passes < 4; ++passes) {
    bool adjusted = false;
    if (along < -20 && canFloat_) {
      floats = true;
      break;
    }
    if (along < 0) { along = 0; adjusted = true; }
    if (along + len > dockLen && dockLen >= len) { along = dockLen - len; adjusted = true; }
    for (QObject* o : d->children()) {
      auto* w = qobject_cast<QWidget*>(o);
      if (!w || w == this || w->isHidden()) continue;
      const int wAcross = vert ? w->x() : w->y();
      const int wAcrossLen = vert ? w->width() : w->height();
      const int myAcrossLen = vert ? width() : height();
      if (across + myAcrossLen <= wAcross || across >= wAcross + wAcrossLen) continue;
      const int wAlong = vert ? w->y() : w->x();
      const int wLen = vert ? w->height() : w->width();
      if (along >= wAlong && along < wAlong + wLen) { along = wAlong + wLen; adjusted = true; }
      else if (along < wAlong && along + len > wAlong) { along = wAlong - len; adjusted = true; }
    }
    if (!adjusted) break;
  }
  if (floats) {
    const QPoint global = QCursor::pos();
    FloatAt(global.x(), global.y());
    return true;
  }
  if (passes >= 3) return false;
  const int oldDockSize = vert ? d->width() : d->height();
  if (vert) move(across, along); else move(along, across);
  d->ArrangeRows();
  const int newDockSize = vert ? d->width() : d->height();
  const int myAcross = vert ? x() : y();
  if (canFloat_ && oldDockSize == newDockSize && (myAcross < 0 || myAcross >= newDockSize)) {
    const QPoint global = QCursor::pos();
    FloatAt(global.x(), global.y());
  }
  return true;
}

void TfrToolBar::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), ToQColor(clBtnFace));
  if (!floatWindow_) {
    fill3D(p, rect().adjusted(0, 0, -1, -1), clBtnHighlight, clBtnShadow);
    if (!dragBox_->isHidden()) {
      const QRect r = dragBox_->geometry();
      fill3D(p, QRect(r.x() + 1, r.y() + 1, 3, r.height() - 2), clBtnHighlight, clBtnShadow);
      fill3D(p, QRect(r.x() + 4, r.y() + 1, 3, r.height() - 2), clBtnHighlight, clBtnShadow);
    }
  }
}

void TfrToolBar::resizeEvent(QResizeEvent*) { placeDragBox(); }

void TfrToolBar::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  dragging_ = true;
  dragStart_ = e->globalPosition().toPoint();
}

void TfrToolBar::mouseMoveEvent(QMouseEvent* e) {
  if (!dragging_) return;
  const QPoint now = e->globalPosition().toPoint();
  if (floatWindow_) {
    // The press that floated the bar goes on moving its window, which may dock it again.
    if (floatDrag_) floatWindow_->DragTo(now);
    else dragStart_ = now;
    return;
  }
  TfrDock* d = Dock();
  if (!d) return;
  const int rs = d->RowSize();
  int dx = now.x() - dragStart_.x(), dy = now.y() - dragStart_.y();
  if (d->IsVertical()) dx = dx / rs * rs; else dy = dy / rs * rs;
  if (dx == 0 && dy == 0) return;
  if (TryMove(dx, dy)) {
    if (dx != 0) dragStart_.setX(now.x());
    if (dy != 0) dragStart_.setY(now.y());
    if (floatWindow_) {
      floatDrag_ = true;
      floatWindow_->BeginDrag();
    }
  }
}

void TfrToolBar::mouseReleaseEvent(QMouseEvent*) {
  if (floatDrag_ && floatWindow_) floatWindow_->EndDrag();
  dragging_ = floatDrag_ = false;
  if (mouseGrabber() == this) releaseMouse();
}

// ---------------------------------------------------------------------------------------
// Placements

void SaveToolBarPlacement(TfrToolBar* bar) {
  const QString key = SettingsKey + QStringLiteral("\\ToolBar\\") + bar->objectName();
  const bool floating = bar->IsFloating();
  WriteSettingBool(key, QStringLiteral("isFloat"), floating);
  WriteSettingBool(key, QStringLiteral("isVisible"), bar->IsShown());
  const QPoint pos = floating ? bar->FloatHost()->pos() : bar->pos();
  WriteSettingInteger(key, QStringLiteral("XPosition"), pos.x());
  WriteSettingInteger(key, QStringLiteral("YPosition"), pos.y());
  WriteSettingInteger(key, QStringLiteral("Width"), bar->width());
  WriteSettingInteger(key, QStringLiteral("Height"), bar->height());
  if (!floating && bar->Dock()) WriteSettingString(key, QStringLiteral("DockName"), bar->Dock()->objectName());
}

void RestoreToolBarPlacement(TfrToolBar* bar) {
  const QString key = SettingsKey + QStringLiteral("\\ToolBar\\") + bar->objectName();
  bar->hide();
  const QPoint cur = bar->IsFloating() ? bar->FloatHost()->pos() : bar->pos();
  const int x = ReadSettingInteger(key, QStringLiteral("XPosition"), cur.x());
  const int y = ReadSettingInteger(key, QStringLiteral("YPosition"), cur.y());
  const int w = ReadSettingInteger(key, QStringLiteral("Width"), bar->width());
  const int h = ReadSettingInteger(key, QStringLiteral("Height"), bar->height());
  bar->resize(w, h);
  if (ReadSettingBool(key, QStringLiteral("isFloat"), false)) {
    bar->FloatAt(x, y);
  } else {
    TfrDock* dock = bar->Dock();
    const QString dockName =
        ReadSettingString(key, QStringLiteral("DockName"), dock ? dock->objectName() : QString());
    TfrDock* target = nullptr;
    // A name that is no dock of the owner leaves the bar where it is.
    if (bar->OwnerForm() && !dockName.isEmpty())
      target = bar->OwnerForm()->findChild<TfrDock*>(dockName);
    if (target && target != dock) bar->DockAt(target, x, y);
    else bar->move(x, y);
  }
  bar->FitToButtons();
  bar->SetShown(ReadSettingBool(key, QStringLiteral("isVisible"), true));
  if (TfrDock* d = bar->Dock()) d->ArrangeRows();
}

void SaveFormPlacement(QWidget* form) {
  const QString key = SettingsKey + QStringLiteral("\\Form\\") + QString::fromLatin1(form->metaObject()->className());
  const QRect g = form->isMaximized() ? form->normalGeometry() : form->geometry();
  const QRect r = g.isValid() ? g : form->geometry();
  WriteSettingInteger(key, QStringLiteral("XPosition"), r.x());
  WriteSettingInteger(key, QStringLiteral("YPosition"), r.y());
  WriteSettingInteger(key, QStringLiteral("Width"), r.width());
  WriteSettingInteger(key, QStringLiteral("Height"), r.height());
  WriteSettingBool(key, QStringLiteral("Maximized"), form->windowState() & Qt::WindowMaximized);
}

void RestoreFormPlacement(QWidget* form) {
  const QString key = SettingsKey + QStringLiteral("\\Form\\") + QString::fromLatin1(form->metaObject()->className());
  if (!ReadSettingBool(key, QStringLiteral("Maximized"), true))
    form->setWindowState(form->windowState() & ~Qt::WindowMaximized);
  const QRect cur = form->geometry();
  const int x = ReadSettingInteger(key, QStringLiteral("XPosition"), cur.x());
  const int y = ReadSettingInteger(key, QStringLiteral("YPosition"), cur.y());
  const int w = ReadSettingInteger(key, QStringLiteral("Width"), cur.width());
  const int h = ReadSettingInteger(key, QStringLiteral("Height"), cur.height());
  form->setGeometry(x, y, w, h);
}
