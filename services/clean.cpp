#include "services/clean.h"

namespace {
UpkeepItemsConfig itemsConfig() {
  UpkeepItemsConfig c{};
  c.objectName = "Form_clean";
  c.caption = "保洁项目设置";
  c.queryName = "Q_clean";
  c.sourceName = "DS_clean";
  c.table = "保洁项目";
  c.codeField = "保洁代码";
  c.nameField = "保洁名称";
  c.lastDateField = "本次保洁日期";
  c.nextDateField = "下次保洁日期";
  c.lastDateCaption = "本次保洁日期：";
  c.nextDateCaption = "下次保洁日期：";
  c.detailTable = "保洁明细表";
  c.detailExistsMessage = "在保洁明细表中还有记录,不能删除!";
  c.printTitle = "保洁资料";
  c.exportName = "保洁资料明细表";
  c.editors = {{"DBEdit2", "保洁名称", "保洁名称：", true},
               {"DBEdit3", "责任人", "责任人：", true},
               {"DBEdit4", "保洁位置", "保洁位置：", true}};
  c.checkField = nullptr;
  c.checkCaption = nullptr;
  c.gridColumns = {"保洁代码", "保洁名称", "责任人", "保洁位置", "本次保洁日期", "下次保洁日期", "操作员", "操作日期"};
  c.maximised = false;
  return c;
}

UpkeepLogConfig logConfig() {
  UpkeepLogConfig c{};
  c.objectName = "Form_cleanmx";
  c.caption = "保洁明细表";
  c.queryName = "Q_clean";
  c.sourceName = "DS_clean";
  c.tableName = "T_cleanmx";
  c.logSourceName = "DS_cleanmx";
  c.itemTable = "保洁项目";
  c.logTable = "保洁明细表";
  c.codeField = "保洁代码";
  c.nameField = "保洁名称";
  c.lastDateField = "本次保洁日期";
  c.nextDateField = "下次保洁日期";
  c.lastDateCaption = "本次保洁日期：";
  c.nextDateCaption = "下次保洁日期：";
  c.workerField = "保洁人员";
  c.workerCaption = "保洁人员：";
  c.doneField = "保洁情况";
  c.doneCaption = "保洁情况：";
  c.printTitle = "保洁明细表";
  c.exportName = "保洁明细表";
  c.gridColumns = {"本次保洁日期", "下次保洁日期", "保洁人员", "保洁情况", "备注", "保洁代码", "保洁名称"};
  return c;
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
