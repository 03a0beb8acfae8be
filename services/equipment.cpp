#include "services/equipment.h"

namespace {
const UpkeepKind kEquipment{"Q_equipment", "DS_equipment", "设备表",       "设备维护明细表",
                            "设备代码",    "设备名称",     "本次维护日期", "下次维护日期"};

UpkeepItemsConfig itemsConfig() {
  return {.objectName = "Form_equipment", .caption = "设备资料设置", .kind = kEquipment,
          .printTitle = "设备资料", .exportName = "设备资料明细表",
          .editors = {{"设备名称", true}, {"责任人", true}, {"所在位置", true}, {"生产厂家", false}, {"备注", false}},
          .checkField = "报废",
          .gridColumns = {"设备代码", "设备名称", "生产厂家", "责任人", "所在位置", "本次维护日期", "下次维护日期", "报废",
                          "操作员", "操作日期", "备注"},
          .maximised = true};
}

UpkeepLogConfig logConfig() {
  // The log's 维护内容 is shown as 维护情况.
  return {.objectName = "Form_equipmentmx", .caption = "设备保养明细表", .kind = kEquipment,
          .tableName = "T_equipmentmx", .logSourceName = "DS_equipmentmx", .workerField = "维护人员",
          .doneField = "维护内容", .doneCaption = "维护情况：", .printTitle = "设备维护明细表", .exportName = "维护明细表",
          .gridColumns = {"本次维护日期", "下次维护日期", "维护人员", "维护内容", "备注", "设备代码", "设备名称"},
          .gridTitles = {{"维护内容", "维护情况"}}};
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
