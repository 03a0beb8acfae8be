#include "services/equipment.h"

namespace {
UpkeepItemsConfig itemsConfig() {
  UpkeepItemsConfig c{};
  c.objectName = "Form_equipment";
  c.caption = "设备资料设置";
  c.queryName = "Q_equipment";
  c.sourceName = "DS_equipment";
  c.table = "设备表";
  c.codeField = "设备代码";
  c.nameField = "设备名称";
  c.lastDateField = "本次维护日期";
  c.nextDateField = "下次维护日期";
  c.lastDateCaption = "本次维护日期：";
  c.nextDateCaption = "下次维护日期：";
  c.detailTable = "设备维护明细表";
  c.detailExistsMessage = "在设备维护明细表中还有记录,不能删除!";
  c.printTitle = "设备资料";
  c.exportName = "设备资料明细表";
  c.editors = {{"DBEdit2", "设备名称", "设备名称：", true},
               {"DBEdit3", "责任人", "责任人：", true},
               {"DBEdit4", "所在位置", "所在位置：", true},
               {"DBEdit5", "生产厂家", "生产厂家：", false},
               {"DBEdit6", "备注", "备注：", false}};
  c.checkField = "报废";
  c.checkCaption = "报废：";
  c.gridColumns = {"设备代码", "设备名称", "生产厂家", "责任人", "所在位置", "本次维护日期",
                   "下次维护日期", "报废", "操作员", "操作日期", "备注"};
  c.maximised = true;
  return c;
}

UpkeepLogConfig logConfig() {
  UpkeepLogConfig c{};
  c.objectName = "Form_equipmentmx";
  c.caption = "设备保养明细表";
  c.queryName = "Q_equipment";
  c.sourceName = "DS_equipment";
  c.tableName = "T_equipmentmx";
  c.logSourceName = "DS_equipmentmx";
  c.itemTable = "设备表";
  c.logTable = "设备维护明细表";
  c.codeField = "设备代码";
  c.nameField = "设备名称";
  c.lastDateField = "本次维护日期";
  c.nextDateField = "下次维护日期";
  c.lastDateCaption = "本次维护日期：";
  c.nextDateCaption = "下次维护日期：";
  c.workerField = "维护人员";
  c.workerCaption = "维护人员：";
  c.doneField = "维护内容";
  c.doneCaption = "维护情况：";
  c.printTitle = "设备维护明细表";
  c.exportName = "维护明细表";
  c.gridColumns = {"本次维护日期", "下次维护日期", "维护人员", "维护内容", "备注", "设备代码", "设备名称"};
  c.gridTitles = {{"维护内容", "维护情况"}};
  return c;
}
}  // namespace

TForm_equipment::TForm_equipment(QWidget* parent) : TUpkeepItemsForm(itemsConfig(), parent) {
  Q_equipment = ItemQuery();
  DS_equipment = ItemSource();
  DBEdit1 = CodeEditor();
  DBEdit2 = Editors().at(0);
  DBEdit3 = Editors().at(1);
  DBEdit4 = Editors().at(2);
  DBEdit5 = Editors().at(3);
  DBEdit6 = Editors().at(4);
  DBCheckBox1 = CheckEditor();
  DBDateTimeEditEh1 = LastDateEditor();
  DBDateTimeEditEh2 = NextDateEditor();
}

TForm_equipmentmx::TForm_equipmentmx(QWidget* parent) : TUpkeepLogForm(logConfig(), parent) {
  Q_equipment = ItemQuery();
  DS_equipment = ItemSource();
  T_equipmentmx = LogTable();
  DS_equipmentmx = LogSource();
}
