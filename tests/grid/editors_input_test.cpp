#include <gtest/gtest.h>

#include <QApplication>
#include <QInputMethodEvent>
#include <QMenu>
#include <QTimer>

#include "grid/DBCtrlsEh.h"
#include "tests/grid/editors_keys.h"

namespace {

// What a key-press handler saw of one typed character.
struct Seen {
  QChar key;
  QString whole;
};

// ---- the whole character for key-press handlers ----

TEST(EditorsWholeKeyPress, HandlersSeeTheWholeCharacterAndNoHalfIsTyped) {
  const QString face = QString::fromUcs4(U"\U0001F600");  // beyond the basic plane: two code units
  struct Case {
    const char* name;
    QString typed;
    bool consumeFirst;
    QString text;
  };
  const Case cases[] = {
      {"plain letter", QStringLiteral("a"), false, QStringLiteral("a")},
      {"Chinese letter", QStringLiteral("好"), false, QStringLiteral("好")},
      {"two-unit character", face, false, face},
      {"two-unit character consumed", face, true, QString()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TDBEditEh edit;
    std::vector<Seen> seen;
    edit.OnKeyPress = [&](TCustomMaskEdit*, QChar& key) {
      seen.push_back({key, edit.WholeKeyPress()});
      if (c.consumeFirst) key = QChar(0);
    };
    testkeys::press(&edit, Qt::Key_unknown, Qt::NoModifier, c.typed);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].key, c.typed[0]);
    EXPECT_EQ(seen[0].whole, c.typed);
    EXPECT_EQ(edit.Text(), c.text);
    EXPECT_TRUE(edit.WholeKeyPress().isEmpty());  // only while the handlers run
  }
}

TEST(EditorsWholeKeyPress, InputMethodTextGoesCharacterByCharacter) {
  const QString rare = QString::fromUcs4(U"\U00020000");
  TDBEditEh edit;
  std::vector<Seen> seen;
  edit.OnKeyPress = [&](TCustomMaskEdit*, QChar& key) {
    seen.push_back({key, edit.WholeKeyPress()});
    if (key == QLatin1Char('x')) key = QChar(0);
  };
  QInputMethodEvent commit;
  commit.setCommitString(rare + QStringLiteral("好x"));
  QApplication::sendEvent(&edit, &commit);
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0].whole, rare);
  EXPECT_EQ(seen[1].whole, QStringLiteral("好"));
  EXPECT_EQ(seen[2].whole, QStringLiteral("x"));
  EXPECT_EQ(edit.Text(), rare + QStringLiteral("好"));
}

// ---- drop-down menus of edit buttons ----

// Presses a button control with the mouse and returns the screen rectangle of the menu it
// shows (closed again at once), or an empty rectangle when none shows.
QRect MenuOfPress(QWidget* control) {
  QRect shown;
  QTimer::singleShot(0, [&] {
    if (QWidget* popup = QApplication::activePopupWidget()) {
      shown = popup->geometry();
      popup->close();
    }
  });
  const QPoint centre(control->width() / 2, control->height() / 2);
  testkeys::mouse(control, QEvent::MouseButtonPress, centre, Qt::LeftButton, Qt::LeftButton);
  testkeys::mouse(control, QEvent::MouseButtonRelease, centre, Qt::LeftButton, Qt::NoButton);
  return shown;
}

TEST(EditorsButtons, DropdownMenuLiesAtTheCornerOfItsAlignment) {
  TDBEditEh edit;
  edit.setGeometry(300, 200, 160, 22);
  QMenu menu;
  menu.addAction(QStringLiteral("复制地址"));
  menu.addAction(QStringLiteral("清除全部内容"));
  edit.EditButton()->SetVisible(true);
  edit.EditButton()->SetDropdownMenu(&menu);
  TEditButtonEh* extra = edit.EditButtons()->Add();
  extra->SetStyle(ebsEllipsisEh);
  extra->SetDropdownMenu(&menu);
  edit.show();
  ASSERT_EQ(edit.ButtonControls().size(), 2u);
  for (const auto& entry : edit.ButtonControls()) {
    QWidget* control = entry.control;
    const QPoint bottomLeft = control->mapToGlobal(QPoint(0, control->height()));
    const QPoint bottomRight = control->mapToGlobal(QPoint(control->width(), control->height()));
    struct Case {
      TPopupAlignment align;
      int x;  // where the menu's left (paLeft) or right (paRight) edge should be
    };
    for (const Case& c : {Case{paLeft, bottomLeft.x()}, Case{paRight, bottomRight.x()}}) {
      SCOPED_TRACE(c.align == paRight ? "right-aligned" : "left-aligned");
      SetMenuAlignment(&menu, c.align);
      const QRect shown = MenuOfPress(control);
      ASSERT_FALSE(shown.isEmpty());
      EXPECT_EQ(shown.top(), bottomLeft.y());
      EXPECT_EQ(c.align == paRight ? shown.left() + shown.width() : shown.left(), c.x);
      // The press that closed the menu is kept from opening it again; the next one opens it.
      QApplication::processEvents();
    }
  }
  EXPECT_EQ(MenuAlignment(&menu), paRight);
  QMenu fresh;
  EXPECT_EQ(MenuAlignment(&fresh), paLeft);
}

// ---- context menu of a key-mode combo box ----

TEST(EditorsCombo, KeyModeAsksForTheContextMenuOnRightButtonRelease) {
  TDBComboBoxEh combo;
  combo.setGeometry(300, 200, 160, 22);
  combo.SetItems({QStringLiteral("一月"), QStringLiteral("二月")});
  combo.SetKeyItems({QStringLiteral("1"), QStringLiteral("2")});
  combo.setContextMenuPolicy(Qt::CustomContextMenu);
  std::vector<QPoint> asked;
  QObject::connect(&combo, &QWidget::customContextMenuRequested, [&](const QPoint& p) { asked.push_back(p); });
  combo.show();
  const QPoint at(40, 11);
  testkeys::mouse(&combo, QEvent::MouseButtonPress, at, Qt::RightButton, Qt::RightButton);
  // The window system's request that comes with the press is not answered.
  QContextMenuEvent onPress(QContextMenuEvent::Mouse, at, combo.mapToGlobal(at));
  QApplication::sendEvent(&combo, &onPress);
  EXPECT_TRUE(asked.empty());
  testkeys::mouse(&combo, QEvent::MouseButtonRelease, at, Qt::RightButton, Qt::NoButton);
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0], at);
  // Left and middle releases ask for nothing; the keyboard's menu key still does.
  testkeys::mouse(&combo, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
  testkeys::mouse(&combo, QEvent::MouseButtonRelease, at, Qt::MiddleButton, Qt::NoButton);
  EXPECT_EQ(asked.size(), 1u);
  QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(2, 2), combo.mapToGlobal(QPoint(2, 2)));
  QApplication::sendEvent(&combo, &menuKey);
  EXPECT_EQ(asked.size(), 2u);
  // A text-mode combo box leaves the mouse to the text.
  combo.SetKeyItems({});
  testkeys::mouse(&combo, QEvent::MouseButtonRelease, at, Qt::RightButton, Qt::NoButton);
  EXPECT_EQ(asked.size(), 2u);
}

}  // namespace
