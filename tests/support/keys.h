#pragma once

// Keys delivered straight to a widget, one press each and no release, as a test types them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QList>
#include <QString>
#include <QWidget>

// Each character of `text` as a key press carrying that text and no key code, as an input
// method delivers it.
inline void TypeText(QWidget* w, const QString& text) {
  for (QChar ch : text) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
    QApplication::sendEvent(w, &press);
  }
}

// A press of `key` with `mods`.
inline void PressKey(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  QKeyEvent press(QEvent::KeyPress, key, mods);
  QApplication::sendEvent(w, &press);
}

// Enter in each editor of `chain` but the last moves the focus on to the next one.
inline void ExpectEnterWalks(const QList<QWidget*>& chain) {
  for (int i = 0; i + 1 < chain.size(); ++i) {
    chain[i]->setFocus();
    PressKey(chain[i], Qt::Key_Return);
    EXPECT_TRUE(chain[i + 1]->hasFocus()) << i;
  }
}
