#pragma once

// Small helpers that deliver key and wheel events straight to a widget, as a test needs them.
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QString>
#include <QWheelEvent>
#include <QWidget>

namespace testkeys {

inline void press(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = QString()) {
  QString t = text;
  if (t.isEmpty()) {
    if (key == Qt::Key_Backspace) t = QStringLiteral("\b");
    else if (key == Qt::Key_Return) t = QStringLiteral("\r");
    else if (key == Qt::Key_Escape) t = QString(QChar(27));
  }
  QKeyEvent down(QEvent::KeyPress, key, mods, t);
  QApplication::sendEvent(w, &down);
  QKeyEvent up(QEvent::KeyRelease, key, mods, t);
  QApplication::sendEvent(w, &up);
}

inline int keyOfChar(QChar c) {
  const QChar u = c.toUpper();
  if (u >= QLatin1Char('A') && u <= QLatin1Char('Z')) return Qt::Key_A + (u.unicode() - 'A');
  if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) return Qt::Key_0 + (c.unicode() - '0');
  return c.unicode();
}

// Types each character as a key press with that text.
inline void type(QWidget* w, const QString& text) {
  for (QChar c : text) press(w, keyOfChar(c), Qt::NoModifier, QString(c));
}

inline void wheel(QWidget* w, int delta, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  const QPointF p(w->width() / 2.0, w->height() / 2.0);
  QWheelEvent e(p, w->mapToGlobal(p), QPoint(), QPoint(0, delta), Qt::NoButton, mods, Qt::NoScrollPhase, false);
  QApplication::sendEvent(w, &e);
}

// Sends one mouse event to the widget at a point of it.
inline void mouse(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons buttons,
                  Qt::KeyboardModifiers mods = Qt::NoModifier) {
  QMouseEvent e(type, QPointF(pos), w->mapToGlobal(QPointF(pos)), button, buttons, mods);
  QApplication::sendEvent(w, &e);
}

// A left click at a point of a window, delivered as the window system would: to the child
// control under the point (so a test finds out what is there), mapped into it.
inline QWidget* clickAt(QWidget* top, QPoint pos, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  QWidget* target = top->childAt(pos);
  if (!target) target = top;
  const QPoint local = target->mapFrom(top, pos);
  mouse(target, QEvent::MouseButtonPress, local, Qt::LeftButton, Qt::LeftButton, mods);
  mouse(target, QEvent::MouseButtonRelease, local, Qt::LeftButton, Qt::NoButton, mods);
  return target;
}

}  // namespace testkeys
