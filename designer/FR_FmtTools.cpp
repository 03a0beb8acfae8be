// The Text and Frame tool bars, the colour pop-up and the line-style panel: what each control
// does to the selected objects, and how the bars follow the selection.
#include <QComboBox>
#include <QGridLayout>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "designer/FR_Desgn.h"
#include <QEvent>

#include "designer/FR_Glyphs.h"
#include "designer/FR_Small.h"
#include "platform/ui.h"
#include "report/FR_Combo.h"
#include "report/FR_Ctrls.h"
#include "report/FR_Report.h"
#include "report/FR_Utils.h"

namespace {

QString t(int id) { return LocaleText(id); }

// The colours the pop-up offers, then "no colour".
// A colour button's glyph: the button's picture over a bar of the colour (a hatched bar for
// "no colour").
QImage colourGlyph(const QString& button, TColor colour) {
  return KeyedGlyph([&](QPainter& p) {
    PaintDesignerGlyph(p, button);
    const QRect bar(1, 12, 14, 4);
    if (colour == clNone) {
      p.fillRect(bar, QBrush(Qt::gray, Qt::BDiagPattern));
      p.setPen(Qt::gray);
      p.drawRect(bar.adjusted(0, 0, -1, -1));
    } else {
      p.fillRect(bar, ToQColor(colour));
    }
  });
}

// A line-style glyph: a horizontal line in the pen style.
QImage styleGlyph(int style) {
  return KeyedGlyph(
      [style](QPainter& p) {
        static const Qt::PenStyle styles[] = {Qt::SolidLine, Qt::DashLine, Qt::DotLine, Qt::DashDotLine,
                                              Qt::DashDotDotLine};
        if (style == 5) {
          p.setPen(QPen(Qt::black, 1));
          p.drawLine(2, 6, 29, 6);
          p.drawLine(2, 9, 29, 9);
        } else {
          p.setPen(QPen(Qt::black, 1, styles[style]));
          p.drawLine(2, 8, 29, 8);
        }
      },
      32, 16);
}

bool mayModify(const TfrView* v) { return !(v->Restrictions & frrfDontModify); }

}  // namespace

// ---------------------------------------------------------------------------------------
// The colour pop-up

TfrColorPopup::TfrColorPopup(QWidget* parent) : QFrame(parent, Qt::Popup) {
  // The engine's colour selector dropped down under the colour button.
  setObjectName(QStringLiteral("ColorPopup"));
  setFrameShape(QFrame::Box);
  setLineWidth(1);
  Selector = new TColorSelector(this);
  Selector->setObjectName(QStringLiteral("ColorSelector"));
  Selector->move(1, 1);
  setFixedSize(Selector->width() + 2, Selector->height() + 2);
  Selector->OnColorSelected = [this](TColorSelector* s) { choose(s->Color()); };
  // The selector hides itself before its colour dialog: the pop-up goes with it, so a
  // cancelled dialog leaves no empty frame dropped down.
  struct FollowHide : QObject {
    QWidget* popup;
    explicit FollowHide(QWidget* p) : QObject(p), popup(p) {}
    bool eventFilter(QObject* o, QEvent* e) override {
      if (e->type() == QEvent::Hide && static_cast<QWidget*>(o)->isHidden() && popup->isVisible()) popup->hide();
      return false;
    }
  };
  Selector->installEventFilter(new FollowHide(this));
}

void TfrColorPopup::showEvent(QShowEvent* e) {
  // The selector hides itself on a choice; every drop-down shows it with the current colour.
  Selector->SelectColor(Colour);
  Selector->show();
  QFrame::showEvent(e);
}

void TfrColorPopup::choose(TColor c) {
  Colour = c;
  hide();
  if (OnColour) OnColour(c);
}

// ---------------------------------------------------------------------------------------
// Building the bars

void TfrDesignerForm::buildFormatBars() {
  auto apply = [this](TfrSpeedButton* b) { Guard([&] { ApplyTool(b->Tag()); }); };
  auto toggle = [&](TfrToolBar* bar, const char* name, int tag, const char* hint, const char* caption, int group) {
    TfrSpeedButton* b = addButton(bar, QString::fromLatin1(name), tag, 0, QString::fromUtf8(caption), nullptr);
    b->setToolTip(QString::fromUtf8(hint));
    b->resize(24, 22);
    b->setGroupIndex(group);
    b->setAllowAllUp(true);
    b->OnClick = apply;
    return b;
  };
  // Text bar, after the font boxes.
  toggle(Panel3, "FnB1", 9, "粗体", "粗", 11);
  toggle(Panel3, "FnB2", 10, "斜体", "斜", 12);
  toggle(Panel3, "FnB3", 18, "下划线", "线", 13);
  // The horizontal alignments are one group; one of them is always down.
  for (auto [name, tag, hint, caption] :
       {std::tuple{"AlB1", 11, "左对齐", "左"}, std::tuple{"AlB2", 12, "右对齐", "右"},
        std::tuple{"AlB3", 13, "中间对齐", "中"}, std::tuple{"AlB8", 22, "宽度对齐", "齐"}}) {
    TfrSpeedButton* b = toggle(Panel3, name, tag, hint, caption, 14);
    b->setAllowAllUp(false);
  }
  toggle(Panel3, "AlB4", 14, "转90度", "转", 15);
  for (auto [name, hint, caption] : {std::tuple{"AlB6", "顶端对齐", "顶"}, std::tuple{"AlB5", "垂向中间对齐", "垂"},
                                     std::tuple{"AlB7", "底端对齐", "底"}}) {
    TfrSpeedButton* b = toggle(Panel3, name, 15, hint, caption, 16);
    b->setAllowAllUp(false);
  }
  TfrSpeedButton* fontColour = addButton(Panel3, "ClB2", 17, 0, QString(), nullptr);
  fontColour->setToolTip(QString::fromUtf8("字体颜色"));
  fontColour->resize(24, 22);
  fontColour->OnClick = [this](TfrSpeedButton* b) { Guard([&] { ShowColorPopup(b); }); };
  TfrSpeedButton* hl = addButton(Panel3, "HlB1", 59, 0, QString::fromUtf8("高亮"), nullptr);
  hl->setToolTip(QString::fromUtf8("条件高亮度"));
  hl->OnClick = [this](TfrSpeedButton*) { Guard([&] { EditHighlightOfSelection(); }); };
  C2->setToolTip(QString::fromUtf8("字体名称"));
  C3->setToolTip(QString::fromUtf8("字体大小"));
  C3->clear();
  for (int s : {5, 6, 7, 8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72}) C3->addItem(QString::number(s));
  // No size is chosen until a text object is.
  C3->setCurrentIndex(-1);
  C3->setEditText(QString());
  // The font boxes first, then the buttons in the order they were made.
  {
    int x = 0;
    QList<QWidget*> order{C2, C3};
    for (QObject* o : Panel3->children())
      if (auto* b = qobject_cast<TfrSpeedButton*>(o)) order << b;
    for (QWidget* w : order) w->move(x += 30, 2);
  }
  Panel3->FitToButtons();

  // Frame bar.
  toggle(Panel1, "FrB1", 1, "顶框线", "顶", 21);
  toggle(Panel1, "FrB2", 2, "左框线", "左", 22);
  toggle(Panel1, "FrB3", 3, "底框线", "底", 23);
  toggle(Panel1, "FrB4", 4, "右框线", "右", 24);
  TfrSpeedButton* all = addButton(Panel1, "FrB5", 20, 0, QString::fromUtf8("全框"), nullptr);
  all->setToolTip(QString::fromUtf8("有框线"));
  all->OnClick = apply;
  TfrSpeedButton* none = addButton(Panel1, "FrB6", 21, 0, QString::fromUtf8("无框"), nullptr);
  none->setToolTip(QString::fromUtf8("无框线"));
  none->OnClick = apply;
  for (auto [name, tag, hint] : {std::tuple{"ClB1", 5, "背景色"}, std::tuple{"ClB3", 19, "框线色"}}) {
    TfrSpeedButton* b = addButton(Panel1, QString::fromLatin1(name), tag, 0, QString(), nullptr);
    b->setToolTip(QString::fromUtf8(hint));
    b->resize(24, 22);
    b->OnClick = [this](TfrSpeedButton* btn) { Guard([&] { ShowColorPopup(btn); }); };
  }
  TfrSpeedButton* style = addButton(Panel1, "StB1", 0, 0, QString::fromUtf8("线型"), nullptr);
  style->setToolTip(QString::fromUtf8("线型"));
  style->OnClick = [this](TfrSpeedButton* b) { Guard([&] { ShowLinePanel(b); }); };
  C4 = new QComboBox(Panel1);
  C4->setObjectName(QStringLiteral("C4"));
  C4->setEditable(true);
  C4->setInsertPolicy(QComboBox::NoInsert);
  C4->setCompleter(nullptr);
  C4->setToolTip(QString::fromUtf8("框线宽"));
  C4->addItems({"0,1", "0,5", "1", "1,5", "2", "3", "4", "5", "6", "7", "8", "9", "10"});
  C4->resize(56, 22);
  connect(C4, &QComboBox::activated, this, Guarded([this] { ApplyTool(6); }));
  // Enter in the box applies what was typed (the window's filter takes it first).
  C4->lineEdit()->installEventFilter(this);
  Panel1->FitToButtons();
  // Text and Frame bars share the second row under the standard bar.
  Panel3->move(0, frDock1->RowSize());
  Panel1->move(Panel3->width(), frDock1->RowSize());
  Panel1->show();

  // The line styles.
  LinePanel = new QFrame(this, Qt::Popup);
  LinePanel->setObjectName(QStringLiteral("LinePanel"));
  LinePanel->setFrameShape(QFrame::Box);
  auto* lv = new QVBoxLayout(LinePanel);
  lv->setContentsMargins(2, 2, 2, 2);
  lv->setSpacing(0);
  for (int i = 0; i < 6; ++i) {
    auto* b = new TfrSpeedButton(LinePanel);
    b->setObjectName(QStringLiteral("frSpeedButton%1").arg(i + 1));
    b->setTag(25 + i);
    b->setFlat(true);
    b->setGlyph(styleGlyph(i));
    b->setNumGlyphs(1);   // one picture twice as wide as high, not two
    b->setFixedSize(40, 20);
    b->OnClick = [this](TfrSpeedButton* btn) {
      LinePanel->hide();
      Guard([&] { ApplyTool(btn->Tag()); });
    };
    lv->addWidget(b);
  }
  ColorPopup = new TfrColorPopup(this);
  ColorPopup->OnColour = [this](TColor c) {
    if (!colourButton_) return;
    drawColourButton(colourButton_, c);
    Guard([&] { ApplyTool(colourButton_->Tag()); });
  };
  drawColourButton(button("ClB1"), controller_.Last.FillColor);
  drawColourButton(button("ClB2"), controller_.Last.FontColor);
  drawColourButton(button("ClB3"), controller_.Last.FrameColor);
}

void TfrDesignerForm::drawColourButton(TfrSpeedButton* b, TColor colour) {
  if (!b) return;
  b->setGlyph(colourGlyph(b->objectName(), colour));
  buttonColours_[b] = colour;
}

TColor TfrDesignerForm::ButtonColour(TfrSpeedButton* b) const { return buttonColours_.value(b, clNone); }

void TfrDesignerForm::ShowColorPopup(TfrSpeedButton* b) {
  LinePanel->hide();
  colourButton_ = b;
  ColorPopup->Colour = ButtonColour(b);
  ColorPopup->adjustSize();
  ColorPopup->move(b->mapToGlobal(QPoint(0, 26)));
  ColorPopup->show();
}

void TfrDesignerForm::ShowLinePanel(TfrSpeedButton* b) {
  ColorPopup->hide();
  if (LinePanel->isVisible()) {
    LinePanel->hide();
    return;
  }
  LinePanel->adjustSize();
  LinePanel->move(b->mapToGlobal(QPoint(0, 26)));
  LinePanel->show();
}

// ---------------------------------------------------------------------------------------
// Applying a control to the selection

void TfrDesignerForm::ApplyTool(int tag) {
  if (updatingBars_) return;
  QList<TfrView*> targets;
  for (TfrView* v : model_.Selection())
    if (!IsBand(v) && mayModify(v)) targets << v;
  double width = 0;
  if (tag == 6) {
    // The width box takes "," or "." as the decimal separator; anything else is refused.
    bool ok = false;
    const double w = width = C4->currentText().trimmed().replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
    if (!ok || w < 0) {
      MessageBox(QString::fromUtf8("框线宽必须是一个不小于0的数字。"), t(53081), MsgIcon::Exclamation);
      return;
    }
    // The box applies on choosing and on Enter; a width already set is no new step.
    bool same = true;
    for (TfrView* v : targets) same = same && v->FrameWidth == w;
    if (same) return;
  }
  if (targets.isEmpty()) return;
  // Read every control before the step: recording it refreshes the bars.
  const TColor fontColour = ButtonColour(button("ClB2"));
  const TColor fillColour = ButtonColour(button("ClB1"));
  const TColor frameColour = ButtonColour(button("ClB3"));
  QHash<QString, bool> pressed;
  for (const char* n : {"FnB1", "FnB2", "FnB3", "AlB4", "AlB5", "AlB7", "FrB1", "FrB2", "FrB3", "FrB4"})
    if (TfrSpeedButton* b = button(QString::fromLatin1(n))) pressed.insert(QString::fromLatin1(n), b->Down());
  // The focus leaves the bars before they show the new state: a box losing the focus later
  // would apply whatever it then shows.
  DesignSurface->setFocus();
  BeginChange();
  TfrLastValues& last = controller_.Last;
  auto down = [&pressed](const char* name) { return pressed.value(QString::fromLatin1(name)); };
  for (TfrView* v : targets) {
    auto* m = v->Typ == gtMemo ? static_cast<TfrMemoView*>(v) : nullptr;
    if (m) {
      TFont& f = m->Font;
      switch (tag) {
        case 9:
        case 10:
        case 18: {
          TFontStyles s = f.style();
          const int bit = tag == 9 ? fsBold : tag == 10 ? fsItalic : fsUnderline;
          const char* name = tag == 9 ? "FnB1" : tag == 10 ? "FnB2" : "FnB3";
          s = down(name) ? (s | bit) : (s & ~bit);
          f.setStyle(s);
          last.FontStyle = s;
          break;
        }
        case 11:
        case 12:
        case 13:
          m->Alignment = (m->Alignment & ~3) | (tag - 11);
          break;
        case 22:
          m->Alignment = (m->Alignment & ~3) | frtaJustify;
          break;
        case 14:
          m->Alignment = down("AlB4") ? (m->Alignment | frtaVertical) : (m->Alignment & ~frtaVertical);
          break;
        case 15:
          m->Alignment = (m->Alignment & ~(frtaMiddle | frtaDown)) | (down("AlB5") ? frtaMiddle : 0) |
                         (down("AlB7") ? frtaDown : 0);
          break;
        case 17:
          f.setColor(fontColour);
          last.FontColor = f.color();
          break;
      }
      if ((tag >= 11 && tag <= 15) || tag == 22) last.Alignment = m->Alignment;
    }
    static const struct {
      int tag;
      const char* name;
      uint16_t bit;
    } lines[] = {{1, "FrB1", 8}, {2, "FrB2", 4}, {3, "FrB3", 2}, {4, "FrB4", 1}};
    for (const auto& l : lines)
      if (tag == l.tag) v->FrameTyp = down(l.name) ? (v->FrameTyp | l.bit) : (v->FrameTyp & ~l.bit);
    switch (tag) {
      case 5:
        v->FillColor = fillColour;
        last.FillColor = v->FillColor;
        break;
      case 6:
        v->FrameWidth = width;
        if (v->Typ == gtLine) last.LineWidth = width;
        else last.FrameWidth = width;
        break;
      case 19:
        v->FrameColor = frameColour;
        last.FrameColor = v->FrameColor;
        break;
      case 20:
        v->FrameTyp = 15;
        last.FrameLines = 15;
        break;
      case 21:
        v->FrameTyp = 0;
        last.FrameLines = 0;
        break;
      default:
        if (tag >= 25 && tag <= 30) v->FrameStyle = uint16_t(tag - 25);
    }
  }
  EndChange();
}

// ---------------------------------------------------------------------------------------
// The bars follow the selection

// The width box shows `text` as its chosen item when it is one: a box whose text differs from
// its chosen item would choose and apply it again when it loses the focus.
void TfrDesignerForm::showWidth(const QString& text) {
  const int i = C4->findText(text);
  if (i >= 0) C4->setCurrentIndex(i);
  C4->setEditText(text);
}

void TfrDesignerForm::UpdateToolBars() {
  if (!C4) return;
  updatingBars_ = true;
  if (ColorPopup) ColorPopup->hide();
  if (LinePanel) LinePanel->hide();
  auto set = [this](const char* name, bool on) {
    if (TfrSpeedButton* b = button(QString::fromLatin1(name))) b->setDown(on);
  };
  const QList<TfrView*> sel = model_.Selection();
  TfrView* top = model_.TopSelected();
  if (sel.size() == 1 && !IsBand(top)) {
    set("FrB1", top->FrameTyp & 8);
    set("FrB2", top->FrameTyp & 4);
    set("FrB3", top->FrameTyp & 2);
    set("FrB4", top->FrameTyp & 1);
    showWidth(QString::number(top->FrameWidth, 'g', 2));
    drawColourButton(button("ClB1"), top->FillColor);
    drawColourButton(button("ClB3"), top->FrameColor);
    if (top->Typ == gtMemo) {
      auto* m = static_cast<TfrMemoView*>(top);
      drawColourButton(button("ClB2"), m->Font.color());
      if (C2->currentText() != m->Font.name()) C2->setEditText(m->Font.name());
      if (C3->currentText() != QString::number(m->Font.size())) C3->setEditText(QString::number(m->Font.size()));
      set("FnB1", m->Font.style() & fsBold);
      set("FnB2", m->Font.style() & fsItalic);
      set("FnB3", m->Font.style() & fsUnderline);
      set("AlB4", m->Alignment & frtaVertical);
      const int vert = m->Alignment & (frtaMiddle | frtaDown);
      set("AlB5", vert == frtaMiddle);
      set("AlB6", vert == 0);
      set("AlB7", vert == frtaDown);
      static const char* horz[] = {"AlB1", "AlB2", "AlB3", "AlB8"};
      set(horz[m->Alignment & 3], true);
    }
  } else if (sel.isEmpty()) {
    C3->setCurrentIndex(-1);
    C3->setEditText(QString());
  } else if (sel.size() > 1) {
    for (const char* n : {"FrB1", "FrB2", "FrB3", "FrB4", "FnB1", "FnB2", "FnB3", "AlB4", "AlB5"}) set(n, false);
    drawColourButton(button("ClB1"), clBlack);
    showWidth(QStringLiteral("1"));
    C2->setEditText(QString());
    C3->setEditText(QString());
    set("AlB1", true);
  }
  updatingBars_ = false;
}
