#include "platform/operatortext.h"

#include <QHash>
#include <QList>
#include <QRegularExpression>

#include "platform/utf8.h"

namespace {

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
      // Texts quoting what the operator entered come first, so that no other rule rewords it.
      {"Field '(.*?)' must have a value", "“\\1”必须填写"},
      {"Value '(.*?)' is not in the list of field '(.*?)'", "“\\1”不在“\\2”的可选项中"},
      // Numbers, dates and values.
      {"'([^\\r\\n]*?)' is not a valid floating point value", "“\\1”不是有效的数字"},
      {"'([^\\r\\n]*?)' is not a valid integer value", "“\\1”不是有效的整数"},
      {"'([^\\r\\n]*?)' is not a valid date and time", "“\\1”不是有效的日期时间"},
      {"'([^\\r\\n]*?)' is not a valid date", "“\\1”不是有效的日期"},
      {"'([^\\r\\n]*?)' is not a valid time", "“\\1”不是有效的时间"},
      {"'([^\\r\\n]*?)' is not a valid boolean value", "“\\1”不是有效的逻辑值"},
      {"'([^\\r\\n]*?)' is not a valid amount", "“\\1”不是有效的金额"},
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
      {"Stream read error", "读取文件出错"},
      {"Cannot create file \"(.*?)\"\\.?", "无法创建文件“\\1”。"},
      {"Cannot open file \"(.*?)\"\\.?", "无法打开文件“\\1”。"},
      {"Cannot write file \"(.*?)\"\\.?", "无法写入文件“\\1”。"},
      {"Cannot write \"(.*?)\"", "无法写入“\\1”"},
      {"Stream write error", "写入文件出错"},
      {"File name too long", "文件名太长"},
      {"Not a directory", "路径中有一部分不是文件夹"},
      {"Input/output error", "磁盘读写错误"},
      {"Too many open files", "打开的文件太多"},
      {"Operation not permitted", "不允许此操作"},
      {"Device or resource busy", "设备正忙"},
      {"Text file busy", "文件正被使用"},
      {"Invalid argument", "参数无效"},
      {"File exists", "文件已存在"},
      {"Unknown error", "未知错误"},
      {"Permission denied", "没有访问权限"},
      {"No such file or directory", "文件或文件夹不存在"},
      {"No space left on device", "磁盘空间不足"},
      {"Is a directory", "这是一个文件夹"},
      {"Read-only file system", "文件系统只读"},
      {"Disk quota exceeded", "超出磁盘配额"},
      {"File too large", "文件太大"},
      // Data sets and the database.
      {"Record not found", "找不到记录"},
      {"Cannot modify a read-only dataset", "数据只读，不能修改"},
      {"Cannot perform this operation on an empty dataset", "没有记录，不能进行此操作"},
      {"Cannot perform this operation on a closed dataset", "数据未打开，不能进行此操作"},
      {"Row cannot be located for deleting\\. Some values may have been changed since it was last read\\.",
       "找不到要删除的记录：其他电脑可能已经修改或删除了它，请刷新后再试。"},
      {"Row cannot be located for updating\\. Some values may have been changed since it was last read\\.",
       "找不到要修改的记录：其他电脑可能已经修改或删除了它，请刷新后再试。"},
      {"Field '(.*?)' not found", "找不到字段“\\1”"},
      {"Field '(.*?)' cannot be modified", "字段“\\1”不能修改"},
      {"Duplicate field name '(.*?)'", "字段名“\\1”重复"},
      {"Lookup information for field '(.*?)' is incomplete", "字段“\\1”的查找设置不完整"},
      {"Cannot perform this operation on an open dataset", "数据已打开，不能进行此操作"},
      {"Cannot delete a record that has child records", "该记录下还有下级记录，不能删除"},
      {"Tree key and parent fields are not set", "没有设置树的关键字段和上级字段"},
      {"Circular datalinks are not allowed", "数据链接不能循环"},
      {"Unable to open dataset ([\\w.]+)", "无法打开数据集 \\1"},
      {"Command text does not contain a statement", "命令文本中没有语句"},
      {"No database file given in the connection string", "连接字符串中没有数据库文件"},
      {"Provider cannot be found\\. It may not be properly installed\\.", "找不到数据提供程序，可能没有正确安装。"},
      {"Connection is closed", "数据库连接已关闭"},
      {"No transaction is active", "没有进行中的事务"},
      {"Cannot create the folder (.+)", "无法创建文件夹 \\1"},
      {"Cannot write (/\\S+)", "无法写入 \\1"},
      {"Cannot create (/\\S+)", "无法创建 \\1"},
      {"Data type mismatch in criteria expression\\.", "条件表达式中的数据类型不匹配。"},
      {"Invalid procedure call or argument", "函数调用或参数无效"},
      {"^Overflow$", "数值超出范围"},
      {"Value (\\S+) is out of range", "数值 \\1 超出范围"},
      {"Invalid number in a filter", "筛选条件中的数字无效"},
      {"Invalid input value\\. Use escape key to abandon changes", "输入的值无效。按 Esc 键放弃修改"},
      {"Invalid datetime: ", "无效的日期时间："},
      {"Invalid datetime format element length: ", "日期时间格式元素的长度无效："},
      {"Duplicating datetime format element: ", "日期时间格式元素重复："},
      {"Element in EditFormat: ", "编辑格式中的元素："},
      {"List index out of bounds \\((-?\\d+)\\)", "列表索引越界（\\1）"},
      {"Grid index out of range", "表格索引越界"},
      {"Fixed column count must be less than column count", "固定列数必须小于列数"},
      {"Fixed row count must be less than row count", "固定行数必须小于行数"},
      {"Grid requested to display more than 256 columns", "表格不能显示超过 256 列"},
      {"Printer is not available", "没有可用的打印机"},
      // Faults of the program itself: the operator is told so in Chinese.
      {"Algorithm error in (.+)", "程序内部错误（\\1）"},
      {"Node not in Tree", "节点不在树中"},
      {"ATo not in level", "目标节点不在同一层中"},
      {"InplaceEditHolder have to support IInplaceEditHolderEh interface", "程序内部错误：单元格编辑器缺少所需的接口"},
      {"Possible ([\\w.]+) already attached to the other control\\.", "\\1 可能已经连接到其他控件。"},
      {"A stored object needs a name or a section", "保存的对象需要名称或节"},
      {"Dataset features for ([\\w.]+) are registered already", "\\1 的数据集功能已经注册"},
      {"Invalid growth step (\\S+)", "无效的增长步长 \\1"},
      {"You already have one TfrDesigner component", "已经有一个报表设计器组件"},
      // The report engine.
      {"Report contains the following non-plugged components:", "报表中含有以下未安装的组件："},
      {"You must include these components into your project\\.", "必须在程序中加入这些组件。"},
      {"Expression too complex", "表达式太复杂"},
      {"Missing operand", "缺少运算数"},
      {"Too many arguments", "参数太多"},
      {"Need \"(.*?)\" or \"(.*?)\" here", "此处缺少“\\1”或“\\2”"},
      {"Need \"(.*?)\" here", "此处缺少“\\1”"},
      {"Label \"(.*?)\" is not defined", "标号“\\1”没有定义"},
      {"Script is too long", "脚本太长"},
      {"Line (\\d+)/(\\d+): ", "第 \\1 行第 \\2 列："},
      {"^Missing ([\\w.]+)$", "找不到数据集 \\1"},
      {"Failed to Load Stream", "读取数据流失败"},
      {"Failed to Save Stream", "保存数据流失败"},
      {"Out of memory while expanding memory stream", "扩展内存流时内存不足"},
      // SQLite's own words (result texts and integrity-check reports).
      {"database is locked", "数据库正被其他工作站使用，请稍后再试"},
      {"database table is locked", "数据表正被使用，请稍后再试"},
      {"file is not a database", "不是数据库文件"},
      {"database disk image is malformed", "数据库文件已损坏"},
      {"malformed database schema(?: \\((.*?)\\))?", "数据库结构已损坏"},
      {"file not found: (.+)", "找不到文件：\\1"},
      {"fsync failed: (.+)", "不能把文件写到磁盘上：\\1"},
      {"SQL logic error", "SQL 逻辑错误"},
      {"access permission denied", "没有访问权限"},
      {"authorization denied", "没有授权"},
      {"not authorized", "没有授权"},
      {"query aborted", "查询被中止"},
      {"datatype mismatch", "数据类型不匹配"},
      {"string or blob too big", "文本或数据太大"},
      {"FOREIGN KEY constraint failed", "关联的记录不存在或仍被引用"},
      {"CHECK constraint failed: ([\\w.]+)", "数据不符合“\\1”的要求"},
      {"no such table: ([\\w.]+)", "数据表“\\1”不存在"},
      {"no such column: ([\\w.]+)", "字段“\\1”不存在"},
      {"no such function: ([\\w.]+)", "函数“\\1”不存在"},
      {"near \"(.*?)\": syntax error", "“\\1”附近有语法错误"},
      {"incomplete input", "语句不完整"},
      {"ambiguous column name: ([\\w.]+)", "字段名“\\1”不明确"},
      {"cannot start a transaction within a transaction", "事务中不能再开始事务"},
      {"cannot commit - no transaction is active", "没有进行中的事务，不能提交"},
      {"\\*\\*\\* in database (\\w+) \\*\\*\\*", "数据库 \\1 的检查结果："},
      {"Page (\\d+) is never used", "第 \\1 页没有被使用"},
      {"Tree (\\d+) page (\\d+) cell (\\d+): ", "结构 \\1 第 \\2 页第 \\3 格："},
      {"Tree (\\d+) page (\\d+): ", "结构 \\1 第 \\2 页："},
      {"On tree page (\\d+) cell (\\d+): ", "第 \\1 页第 \\2 格："},
      {"On page (\\d+) at right child: ", "第 \\1 页右子页："},
      {"row (\\d+) missing from index ([\\w.]+)", "索引 \\2 中缺少第 \\1 行"},
      {"wrong # of entries in index ([\\w.]+)", "索引 \\1 的条目数不对"},
      {"non-unique entry in index ([\\w.]+)", "索引 \\1 中有重复条目"},
      {"NULL value in ([\\w.]+)", "\\1 中有空值"},
      {"invalid page number (\\d+)", "页号 \\1 无效"},
      {"2nd reference to page (\\d+)", "第 \\1 页被重复引用"},
      {"btreeInitPage\\(\\) returns error code (\\d+)", "页面初始化失败（错误码 \\1）"},
      {"Freelist: ", "空闲页列表："},
      {"Rowid (\\d+) out of order", "行号 \\1 顺序错误"},
      {"Fragmentation of (\\d+) bytes reported as (\\d+) on page (\\d+)", "第 \\3 页的碎片大小记录错误"},
      {"Multiple uses for byte (\\d+) of page (\\d+)", "第 \\2 页第 \\1 字节被重复使用"},
      {"Extends off end of page", "超出页尾"},
      {"Child page depth differs", "子页深度不一致"},
      {"Failed to read ptrmap key=(\\d+)", "无法读取页映射 \\1"},
      {"UNIQUE constraint failed: ([\\w.]+)", "记录重复（\\1 已存在）"},
      {"NOT NULL constraint failed: ([\\w.]+)", "“\\1”必须填写"},
      {"database or disk is full", "磁盘已满，数据未能保存"},
      {"attempt to write a readonly database", "数据库文件只读，不能写入"},
      {"unable to open database file", "无法打开数据库文件"},
      {"disk I/O error", "磁盘读写错误"},
      // Shorter words last: the longer texts that contain them are given above.
      {"constraint failed", "数据不符合约束条件"},
      {"interrupted", "操作被中断"},
      {"invalid page number", "页号无效"},
      {"out of memory", "内存不足"},
  };
  QList<Rule> rules;
  for (const auto& [pattern, replacement] : table)
    rules.append({QRegularExpression(QString::fromUtf8(pattern), QRegularExpression::UseUnicodePropertiesOption),
                  QString::fromUtf8(replacement)});
  return rules;
}

}  // namespace

QString OperatorText(const QString& message) {
  static const QList<Rule> rules = MakeRules();
  static const QRegularExpression conversion(
      QStringLiteral("Could not convert variant of type \\((\\w+)\\) into type \\((\\w+)\\)"));
  // Lone halves of surrogate pairs (text that is not valid UTF-16) would keep every pattern
  // from matching; they show as the replacement character.
  QString text = message;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text.at(i);
    if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
      ++i;
      continue;
    }
    if (c.isSurrogate()) text[i] = QChar(QChar::ReplacementCharacter);
  }
  for (auto m = conversion.match(text); m.hasMatch(); m = conversion.match(text))
    text.replace(m.capturedStart(0), m.capturedLength(0),
                 u("无法把%1转换为%2").arg(TypeName(m.captured(1)), TypeName(m.captured(2))));
  // What a rule quotes (an operator's input, a file's or a field's name) is shown as it was,
  // even where it reads like one of the English texts: no later rule changes it.
  QList<bool> quoted(text.size(), false);
  for (const Rule& r : rules) {
    if (!text.contains(r.pattern)) continue;
    QString shown;
    QList<bool> shownQuoted;
    qsizetype at = 0;
    for (auto it = r.pattern.globalMatch(text); it.hasNext();) {
      const QRegularExpressionMatch m = it.next();
      if (m.capturedLength(0) == 0) continue;
      // A match may carry quoted text along in its own parts, never reword it.
      bool rewordsQuoted = false;
      for (qsizetype i = m.capturedStart(0); i < m.capturedEnd(0) && !rewordsQuoted; ++i) {
        if (!quoted[i]) continue;
        bool carried = false;
        for (int g = 1; g <= m.lastCapturedIndex() && !carried; ++g) carried = i >= m.capturedStart(g) && i < m.capturedEnd(g);
        rewordsQuoted = !carried;
      }
      if (rewordsQuoted) continue;
      shown += text.mid(at, m.capturedStart(0) - at);
      shownQuoted += quoted.mid(at, m.capturedStart(0) - at);
      for (qsizetype i = 0; i < r.replacement.size(); ++i) {
        const QChar c = r.replacement.at(i);
        if (c == QLatin1Char('\\') && i + 1 < r.replacement.size() && r.replacement.at(i + 1).isDigit()) {
          const QString part = m.captured(r.replacement.at(++i).digitValue());
          shown += part;
          shownQuoted += QList<bool>(part.size(), true);
          continue;
        }
        shown += c;
        shownQuoted += false;
      }
      at = m.capturedEnd(0);
    }
    shown += text.mid(at);
    shownQuoted += quoted.mid(at);
    text = shown;
    quoted = shownQuoted;
  }
  return text;
}
