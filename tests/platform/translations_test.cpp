// The platform's own dialogs speak Chinese: Qt's translations are loaded at start-up (the test
// programs load them as the program does).
#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <gtest/gtest.h>

#include "platform/translations.h"

TEST(QtTranslations, ChineseTextsLoad) {
  ASSERT_TRUE(InstallQtChineseTranslations()) << QtTranslationsDir().toStdString();
  EXPECT_TRUE(InstallQtChineseTranslations());  // a second call keeps the one translator
  struct Case {
    const char* context;
    const char* source;
  };
  const Case cases[] = {
      {"QFileDialog", "Save As"},          {"QFileDialog", "Open"},          {"QPrintDialog", "Print"},
      {"QPageSetupWidget", "Portrait"},    {"QColorDialog", "Select Color"}, {"QFontDialog", "Select Font"},
      {"QPlatformTheme", "Cancel"},        {"QPrintDialog", "Print to File (PDF)"},
  };
  for (const Case& c : cases) {
    const QString text = QCoreApplication::translate(c.context, c.source);
    EXPECT_NE(text, QString::fromLatin1(c.source)) << c.context << " " << c.source;
    bool chinese = false;
    for (QChar ch : text) chinese = chinese || (ch.unicode() >= 0x4E00 && ch.unicode() <= 0x9FFF);
    EXPECT_TRUE(chinese) << c.source << " -> " << text.toStdString();
  }
}

// The dialogs themselves carry the translated texts.
TEST(QtTranslations, DialogsShowChinese) {
  ASSERT_TRUE(InstallQtChineseTranslations());
  QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Save);
  EXPECT_EQ(buttons.button(QDialogButtonBox::Cancel)->text(), QString::fromUtf8("取消"));
  EXPECT_TRUE(buttons.button(QDialogButtonBox::Save)->text().contains(QString::fromUtf8("保存")));
  QColorDialog color;
  EXPECT_TRUE(color.windowTitle().contains(QString::fromUtf8("颜色"))) << color.windowTitle().toStdString();
  QFileDialog file(nullptr, QString(), QString());
  file.setOption(QFileDialog::DontUseNativeDialog);
  file.setAcceptMode(QFileDialog::AcceptSave);
  file.show();
  QStringList texts;
  for (const QPushButton* b : file.findChildren<QPushButton*>()) texts << b->text();
  EXPECT_TRUE(texts.join(QLatin1Char('|')).contains(QString::fromUtf8("保存"))) << texts.join('|').toStdString();
  file.hide();
  QPrinter printer;
  QPrintDialog print(&printer);
  EXPECT_TRUE(print.windowTitle().contains(QString::fromUtf8("打印"))) << print.windowTitle().toStdString();
  // Without printers the dialog still offers printing into a PDF file.
  print.show();
  QStringList entries;
  for (const QComboBox* box : print.findChildren<QComboBox*>())
    for (int i = 0; i < box->count(); ++i) entries << box->itemText(i);
  EXPECT_TRUE(entries.join(QLatin1Char('|')).contains(QStringLiteral("PDF"))) << entries.join('|').toStdString();
  // Screenshots for a look (build folder).
  print.grab().save(QStringLiteral("print_dialog_zh.png"));
  print.hide();
  file.show();
  file.grab().save(QStringLiteral("save_dialog_zh.png"));
  file.hide();
}
