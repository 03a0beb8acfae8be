#pragma once

#include <QDialog>
#include <QLineEdit>
#include <QString>
#include <gtest/gtest.h>

#include <QComboBox>
#include "shell/enter.h"
#include "tests/support/scripted_ui.h"

// Answers the next log-in dialog: chooses the operator `name`, types `password` and confirms,
// `attempts` times over.
inline void AnswerLogIn(ScriptedUi& ui, const QString& name = QString::fromUtf8("系统管理员"),
                        const QString& password = QString(), int attempts = 1) {
  ui.onWindow<TForm_Enter>([name, password, attempts](TForm_Enter* enter) {
    const int index = enter->DBLookupComboBox1->findText(name);
    ASSERT_GE(index, 0) << name.toStdString();
    enter->DBLookupComboBox1->setCurrentIndex(index);
    for (int i = 0; i < attempts; ++i) {
      enter->Edit1->setText(password);
      enter->BitBtn_OKClick();
    }
  });
}
