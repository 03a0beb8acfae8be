// The word-wrap editor: a tall editor whose long text runs onto further lines.
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

#include "grid/DBCtrlsEh.h"

void TCustomDBEditEh::SetWordWrap(bool on) {
  if (wordWrap_ == on) return;
  wordWrap_ = on;
  ApplyTextRect();
  update();
}

Qt::Alignment TCustomDBEditEh::WrappedTextAlignment() const {
  if (!wordWrap_) return Qt::AlignLeft;
  switch (Alignment()) {
    case taRightJustify: return Qt::AlignRight;
    case taCenter: return Qt::AlignHCenter;
    default: return Qt::AlignLeft;
  }
}

QString TCustomDBEditEh::PaintFrameAndShownText(QPainter& p) {
  QStyleOptionFrame opt;
  initStyleOption(&opt);
  style()->drawPrimitive(QStyle::PE_PanelLineEdit, &opt, &p, this);
  p.setPen(isEnabled() ? palette().color(QPalette::Text) : ToQColor(clGrayText));
  QString text = EditText();
  if (echoMode() == QLineEdit::Password)
    text = QString(text.size(), passwordChar_.isNull() ? QLatin1Char('*') : passwordChar_);
  return text;
}

void TCustomDBEditEh::PaintWrappedText(QPainter& p) {
  const QString text = PaintFrameAndShownText(p);
  // Lines start at the top of the text area, inside the same margins the edit control uses.
  const QRect r = TextAreaRect().adjusted(3, 2, -3, -2);
  p.setClipRect(r);
  p.drawText(r, WrappedTextAlignment() | Qt::AlignTop | Qt::TextWordWrap, text);
}
