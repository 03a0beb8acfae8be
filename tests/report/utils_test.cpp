// Engine texts, font-style packing, text helpers and the XML writer's helpers.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QWidget>

#include "platform/exception.h"
#include "report/FR_Pars.h"
#include "report/FR_Utils.h"

TEST(ReportUtils, EngineTextsByNumber) {
  struct Case {
    int id;
    const char* text;
  };
  const Case cases[] = {
      {55439, "符号没定义"},
      {55000, "确认"},
      {55001, "取消"},
      {55209, "Untitled"},
      {55348, "所有函数"},
      {55337, "1"},
      {55077, "报表标题"},
      {55099, "无"},
      {55170, "0;1"},
      {55173, "假;真"},
      {55177, "yyyy''年''mm''月''dd''日''"},
      {55182, "h:nn"},
      {55130, "文本"},
      {55134, "布尔"},
      {55012, "Legal, 8 1/2 x 14\""},
      {55371, "NAMECASE(<String>)/转换<String>符号为小写,\"首字符大写."},
      {53000, "查找文本"},
      {53158, "数据字典(&D)..."},
      {55112, "日期"},
  };
  for (const Case& c : cases) EXPECT_EQ(LocaleText(c.id), QString::fromUtf8(c.text)) << c.id;
  EXPECT_EQ(LocaleText(52999), QString());
  EXPECT_EQ(LocaleText(56001), QString());
  QList<int> ids = LocaleTextIds();
  EXPECT_GT(ids.size(), 500);
  for (int id : ids) {
    EXPECT_TRUE(id >= 53000 && id <= 56000) << id;
    EXPECT_FALSE(LocaleText(id).isEmpty()) << id;
  }
  EXPECT_EQ(QSet<int>(ids.begin(), ids.end()).size(), ids.size());
}

TEST(ReportUtils, FontStylePackingSwapsBoldAndItalic) {
  EXPECT_EQ(FontStyleFromStored(1), fsItalic);
  EXPECT_EQ(FontStyleFromStored(2), fsBold);
  EXPECT_EQ(FontStyleFromStored(0xFF), fsBold | fsItalic | fsUnderline | fsStrikeOut);
  EXPECT_EQ(FontStyleToStored(fsBold), 2);
  EXPECT_EQ(FontStyleToStored(fsItalic | fsStrikeOut), 9);
  for (int b = 0; b < 16; ++b) EXPECT_EQ(FontStyleToStored(FontStyleFromStored(uint8_t(b))), b);
}

TEST(ReportUtils, TextHelpers) {
  EXPECT_DOUBLE_EQ(TextToFloat(QStringLiteral(" 3,5 ")), 3.5);
  EXPECT_DOUBLE_EQ(TextToFloat(QStringLiteral("2.25")), 2.25);
  EXPECT_THROW(TextToFloat(QStringLiteral("3,5,1")), EConvertError);
  EXPECT_THROW(TextToFloat(QStringLiteral("abc")), EConvertError);
  EXPECT_EQ(Unquote(QStringLiteral("\"ab\"")), QStringLiteral("ab"));
  EXPECT_EQ(Unquote(QStringLiteral("\"\"")), QStringLiteral("\"\""));
  EXPECT_EQ(Unquote(QStringLiteral("\"ab")), QStringLiteral("\"ab"));
  QStringList parts;
  SplitSemicolonList(QStringLiteral("a;;b;"), parts);
  EXPECT_EQ(parts, (QStringList{"a", "", "b", ""}));
  EXPECT_EQ(RepeatChar(QLatin1Char('-'), 3), QStringLiteral("---"));
  EXPECT_EQ(RepeatChar(QLatin1Char('-'), -1), QString());
}

TEST(ReportUtils, CharacterCountedTextNeverCutsACharacter) {
  const QString s = QString::fromUtf8("物业\U00020000费a");
  EXPECT_EQ(s.size(), 6);   // the outside-the-plane character takes two units
  EXPECT_EQ(CharLength(s), 5);
  EXPECT_EQ(CharCopy(s, 3, 1), QString::fromUtf8("\U00020000"));
  EXPECT_EQ(CharCopy(s, 2, 3), QString::fromUtf8("业\U00020000费"));
  EXPECT_EQ(CharCopy(s, 5, 9), QStringLiteral("a"));
  EXPECT_EQ(CharCopy(s, 6, 1), QString());
  EXPECT_EQ(CharCopy(s, 1, 0), QString());
  EXPECT_EQ(CharPos(QString::fromUtf8("费"), s), 4);
  EXPECT_EQ(CharPos(QStringLiteral("a"), s), 5);
  EXPECT_EQ(CharPos(QString(), s), 0);
  // A lone low half never matches inside a pair.
  QString low = QString::fromUtf8("\U00020000").mid(1);
  EXPECT_EQ(CharPos(low, s), 0);
}

TEST(ReportUtils, XmlWriterHelpers) {
  EXPECT_EQ(XmlEscape(QStringLiteral("a<b>\"c\"&\r\n'")), QStringLiteral("a&#60;b&#62;&#34;c&#34;&#38;&#13;&#10;&#39;"));
  EXPECT_EQ(StreamToHex(QByteArray("\x01\xAB", 2)), QStringLiteral("01AB"));
  EXPECT_EQ(XmlMillimetres(757), 210);
  EXPECT_EQ(XmlPassword(QStringLiteral("K")), QString(QChar(ushort('K' - 10))));
  EXPECT_EQ(XmlPassword(QString(QChar(5))), QString(QChar(251)));

  EXPECT_EQ(XmlScriptText({}), QStringLiteral("begin\r\n\r\nend."));
  QString withScripts = XmlScriptText({{QStringLiteral("Memo1"), {QStringLiteral("begin"), QStringLiteral("a := 1"),
                                                                  QStringLiteral("end")}},
                                       {QStringLiteral("Page1"), {QStringLiteral("b := 2")}},
                                       {QStringLiteral("Memo2"), {}}});
  EXPECT_EQ(withScripts.split(QStringLiteral("\r\n")),
            (QStringList{"procedure Memo1OnBeforePrint(Sender: TfrComponent);", "begin", "  with Memo1, Engine do",
                         "  begin", "a := 1", "  end", "end;", "",
                         "procedure Page1OnBeforePrint(Sender: TfrComponent);", "begin", "  with Page1, Engine do",
                         "  begin", "b := 2", "  end", "end;", "", "begin", "", "end."}));

  TfrVariables vars;
  vars.PutValue(QStringLiteral("V"), Variant(QString::fromUtf8("金额")));
  QByteArray block = XmlPropDataBlock(vars);
  QByteArray want;
  want.append(char(8)).append("Datasets").append(char(14)).append(char(0));
  want.append(char(9)).append("Variables").append(char(14));
  want.append(char(1)).append(char(4)).append("Name").append(char(6)).append(char(1)).append("V");
  want.append(char(5)).append("Value").append(char(6)).append(char(4)).append("\xBD\xF0\xB6\xEE", 4);
  want.append(char(0)).append(char(0));
  EXPECT_EQ(block.toHex(), want.toHex());
}

TEST(ReportUtils, ControlsAtPointsAndEnabledGroups) {
  QWidget parent;
  parent.resize(200, 200);
  auto* panel = new QWidget(&parent);
  panel->setGeometry(10, 10, 100, 100);
  auto* edit = new QLineEdit(panel);
  edit->setGeometry(5, 5, 50, 20);
  auto* label = new QLabel(QStringLiteral("x"), &parent);
  label->setGeometry(150, 150, 20, 20);
  parent.show();
  EXPECT_EQ(ControlAtPoint(&parent, QPoint(20, 20)), edit);
  EXPECT_EQ(ControlAtPoint(&parent, QPoint(100, 100)), panel);
  EXPECT_EQ(ControlAtPoint(&parent, QPoint(155, 155)), label);
  EXPECT_EQ(ControlAtPoint(&parent, QPoint(190, 5)), nullptr);
  EnableControlGroup({edit, label}, false);
  EXPECT_FALSE(edit->isEnabled());
  EXPECT_FALSE(label->isEnabled());
  EnableControlGroup({edit, label}, true);
  EXPECT_TRUE(edit->isEnabled());
  EXPECT_EQ(WindowsVersionName(), QStringLiteral("NT"));
}

TEST(ReportUtils, NamedConstants) {
  TfrVariables& c = ReportConstants();
  EXPECT_EQ(c.ValueOf(QStringLiteral("clBlue")).toInt(), 0xFF0000);
  EXPECT_EQ(c.ValueOf(QStringLiteral("clbtnface")).toInt(), int(0x8000000F));
  EXPECT_EQ(c.ValueOf(QStringLiteral("mb_IconWarning")).toInt(), 48);
  EXPECT_EQ(c.ValueOf(QStringLiteral("baRest")).toInt(), 7);
  EXPECT_EQ(c.ValueOf(QStringLiteral("frtaDown")).toInt(), 16);
  EXPECT_TRUE(c.ValueOf(QStringLiteral("Null")).isNull());
  EXPECT_TRUE(c.Contains(QStringLiteral("Null")));
}
