#pragma once
// Small helpers of the editor dialog tests: clicks on list rows and buttons, screenshots.

#include <QAbstractButton>
#include "platform/utf8.h"
#include <QCoreApplication>
#include <QKeyEvent>
#include <QListWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace editors {


// Clicks the row's centre (scrolled into view first).
inline void clickRow(QListWidget* list, int row) {
  QListWidgetItem* item = list->item(row);
  ASSERT_NE(item, nullptr);
  list->scrollToItem(item);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
}

inline void click(QAbstractButton* b) { QTest::mouseClick(b, Qt::LeftButton, {}, b->rect().center()); }

// Saves the widget's picture as `name` in the test program's folder.
inline void shot(QWidget* w, const char* name) {
  QCoreApplication::processEvents();
  w->grab().save(QCoreApplication::applicationDirPath() + QLatin1Char('/') + QString::fromLatin1(name));
}

// Types `text` key by key ("\n" as Enter); characters beyond ASCII arrive as key events
// carrying their text, as an input method delivers them.
inline void type(QWidget* w, const QString& text) {
  for (QChar c : text) {
    if (c == QLatin1Char('\n')) {
      QTest::keyClick(w, Qt::Key_Return);
    } else if (c.unicode() < 128) {
      QTest::keyClick(w, char(c.unicode()));
    } else {
      QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
      QCoreApplication::sendEvent(w, &press);
    }
  }
}

}  // namespace editors
