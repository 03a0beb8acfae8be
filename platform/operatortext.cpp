#include "platform/operatortext.h"

#include <QHash>
#include <QList>
#include <QRegularExpression>

namespace {

QString u(const char* s) { return QString::fromUtf8(s); }

// The names of value types in conversion failures.
QString TypeName(const QString& name) {
  static const QHash<QString, QString> names = {
      {QStringLiteral("String"), u("文本")},   {QStringLiteral("Double"), u("数字")},
      {QStringLiteral("Currency"), u("金额")}, {QStringLiteral("Date"), u("日期")},
      {QStringLiteral("Integer"), u("整数")},  {QStringLiteral("Int"), u("整数")},
      {QStringLiteral("Int64"), u("整数")},    {QStringLiteral("Byte"), u("整数")},
      {QStringLiteral("Boolean"), u("逻辑值")}, {QStringLiteral("Bool"), u("逻辑值")},
      {QStringLiteral("Null"), u("空值")},     {QStringLiteral("Empty"), u("空值")},
      {QStringLiteral("Array"), u("数组")},
  };
  return names.value(name, name);
}

struct Rule {
  QRegularExpression pattern;
  QString replacement;  // \1, \2 ... stand for the captured parts
};

QList<Rule> MakeRules() {
  const std::pair<const char*, const char*> table[] = {
      // Numbers, dates and values.
      {"'(.*?)' is not a valid floating point value", "“\\1”不是有效的数字"},
      {"'(.*?)' is not a valid integer value", "“\\1”不是有效的整数"},
      {"'(.*?)' is not a valid date and time", "“\\1”不是有效的日期时间"},
      {"'(.*?)' is not a valid date", "“\\1”不是有效的日期"},
      {"'(.*?)' is not a valid time", "“\\1”不是有效的时间"},
      {"'(.*?)' is not a valid boolean value", "“\\1”不是有效的逻辑值"},
      {"'(.*?)' is not a valid amount", "“\\1”不是有效的金额"},
      {"Money overflow", "金额超出范围"},
      {"Integer overflow", "整数超出范围"},
      {"Floating point overflow", "数值超出范围"},
      {"Division by zero", "除数不能为零"},
      {"Invalid variant operation", "无效的数值运算"},
      {"Invalid date-time value", "无效的日期时间"},
      {"Invalid argument to date encode", "无效的日期"},
      {"Invalid argument to time encode", "无效的时间"},
      // Text encodings.
      {"The character '(.*?)' \\((.*?)\\) has no GBK form", "字符“\\1”（\\2）不能用 GBK 编码保存"},
      {"The character '(.*?)' \\((.*?)\\) has no GB18030 form", "字符“\\1”（\\2）不能用 GB18030 编码保存"},
      {"Invalid GBK text at byte (\\d+)", "第 \\1 字节处的 GBK 文本无效"},
      {"No conversion from (\\S+) to (\\S+)", "无法从 \\1 转换为 \\2"},
      // Files.
      {"Stream write error", "写入文件出错"},
      {"Stream read error", "读取文件出错"},
      {"Cannot create file \"(.*?)\"\\.?", "无法创建文件“\\1”。"},
      {"Cannot open file \"(.*?)\"\\.?", "无法打开文件“\\1”。"},
      {"Permission denied", "没有访问权限"},
      {"No such file or directory", "文件或文件夹不存在"},
      {"No space left on device", "磁盘空间不足"},
      {"Is a directory", "这是一个文件夹"},
      {"Read-only file system", "文件系统只读"},
      {"Disk quota exceeded", "超出磁盘配额"},
      {"File too large", "文件太大"},
      // Data sets and the database.
      {"Field '(.*?)' must have a value", "“\\1”必须填写"},
      {"Record not found", "找不到记录"},
      {"Value '(.*?)' is not in the list of field '(.*?)'", "“\\1”不在“\\2”的可选项中"},
      {"Cannot modify a read-only dataset", "数据只读，不能修改"},
      {"Cannot perform this operation on an empty dataset", "没有记录，不能进行此操作"},
      {"Cannot perform this operation on a closed dataset", "数据未打开，不能进行此操作"},
      {"database is locked", "数据库正被其他工作站使用，请稍后再试"},
      {"UNIQUE constraint failed: (\\S+)", "记录重复（\\1 已存在）"},
      {"NOT NULL constraint failed: (\\S+)", "“\\1”必须填写"},
      {"database or disk is full", "磁盘已满，数据未能保存"},
      {"attempt to write a readonly database", "数据库文件只读，不能写入"},
      {"unable to open database file", "无法打开数据库文件"},
      {"disk I/O error", "磁盘读写错误"},
  };
  QList<Rule> rules;
  for (const auto& [pattern, replacement] : table)
    rules.append({QRegularExpression(QString::fromUtf8(pattern)), QString::fromUtf8(replacement)});
  return rules;
}

}  // namespace

QString OperatorText(const QString& message) {
  static const QList<Rule> rules = MakeRules();
  static const QRegularExpression conversion(
      QStringLiteral("Could not convert variant of type \\((\\w+)\\) into type \\((\\w+)\\)"));
  QString text = message;
  for (auto m = conversion.match(text); m.hasMatch(); m = conversion.match(text))
    text.replace(m.capturedStart(0), m.capturedLength(0),
                 u("无法把%1转换为%2").arg(TypeName(m.captured(1)), TypeName(m.captured(2))));
  for (const Rule& r : rules) {
    if (!text.contains(r.pattern)) continue;
    text.replace(r.pattern, r.replacement);
  }
  return text;
}
