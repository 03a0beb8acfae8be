#include "services/clean.h"

namespace {
const UpkeepKind kCleaning{"Q_clean",  "DS_clean", "保洁项目",     "保洁明细表",
                           "保洁代码", "保洁名称", "本次保洁日期", "下次保洁日期"};

UpkeepItemsConfig itemsConfig() {
  return {.objectName = "Form_clean", .caption = "保洁项目设置", .kind = kCleaning,
          .printTitle = "保洁资料", .exportName = "保洁资料明细表",
          .editors = {{"保洁名称", true}, {"责任人", true}, {"保洁位置", true}}, .checkField = nullptr,
          .gridColumns = {"保洁代码", "保洁名称", "责任人", "保洁位置", "本次保洁日期", "下次保洁日期", "操作员", "操作日期"},
          .maximised = false};
}

UpkeepLogConfig logConfig() {
  return {.objectName = "Form_cleanmx", .caption = "保洁明细表", .kind = kCleaning, .tableName = "T_cleanmx",
          .logSourceName = "DS_cleanmx", .workerField = "保洁人员", .doneField = "保洁情况",
          .doneCaption = "保洁情况：", .printTitle = "保洁明细表", .exportName = "保洁明细表",
          .gridColumns = {"本次保洁日期", "下次保洁日期", "保洁人员", "保洁情况", "备注", "保洁代码", "保洁名称"}};
}
}  // namespace

TForm_clean::TForm_clean(QWidget* parent) : TUpkeepItemsForm(itemsConfig(), parent) {
  setFixedSize(size());
  Q_clean = ItemQuery();
  DS_clean = ItemSource();
  DBEdit1 = CodeEditor();
  DBEdit2 = Editors().at(0);
  DBEdit3 = Editors().at(1);
  DBEdit4 = Editors().at(2);
  DBDateTimeEditEh1 = LastDateEditor();
  DBDateTimeEditEh2 = NextDateEditor();
}

TForm_cleanmx::TForm_cleanmx(QWidget* parent) : TUpkeepLogForm(logConfig(), parent) {
  Q_clean = ItemQuery();
  DS_clean = ItemSource();
  T_cleanmx = LogTable();
  DS_cleanmx = LogSource();
}
