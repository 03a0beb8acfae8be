#pragma once
// A small fixture for the estate, building, house and associated-unit windows: new databases
// in a fresh folder, an operator with every action right, and rows that copy an estate's,
// a building's and a house's code into each table that carries them.

#include <gtest/gtest.h>
#include "platform/utf8.h"

#include <QApplication>
#include <QKeyEvent>
#include <QString>
#include <QStringList>
#include <memory>

#include "platform/data/ado.h"
#include "shell/dm.h"
#include "shell/loginstate.h"
#include "tests/support/data_module_test.h"
#include "tests/support/keys.h"

namespace estate_test {


// One table that copies codes: which copy columns it has and the values its other required
// columns need ("%1" is replaced by a tag that keeps unique columns apart).
struct CopyTable {
  const char* table;
  bool building;  // 楼宇代码, 楼宇名称
  bool house;     // 房屋代码
  const char* columns;
  const char* values;
};

inline const std::vector<CopyTable>& CopyTables() {
  static const std::vector<CopyTable> tables = {
      {"楼宇资料", true, false, "", ""},
      {"楼宇电表分摊", true, false, "收费日期, 本月止码, 收费名称", "'2024-01-01 00:00:00', 1, '电费'"},
      {"楼宇水表分摊", true, false, "收费日期, 本月止码, 收费名称", "'2024-01-01 00:00:00', 1, '水费'"},
      {"权限表", false, false, "代码, 姓名", "'op%1', '甲'"},
      {"权限小区表", false, false, "代码, 姓名", "'op%1', '甲'"},
      {"收费项目", false, false, "收费名称, 计算公式", "'物业费%1', '单价*数量'"},
      {"收费汇总表", true, true, "", ""},
      {"收费明细表", true, true, "", ""},
      {"押金明细表", true, true, "日期", "'2024-01-01 00:00:00'"},
      {"房屋资料", true, true, "", ""},
      {"房屋收费项目", true, true, "收费名称", "'物业费'"},
      {"关联单位", false, false, "关联单位", "'单位%1'"},
      {"业主投诉表", true, true, "投诉单号", "'T%1'"},
      {"房屋租赁表", true, true, "客户名称, 客户类型名称, 迁入日期", "'租客', '个人', '2024-01-01 00:00:00'"},
      {"保洁项目", false, false, "保洁代码, 保洁名称", "'C%1', '大堂%1'"},
      {"保洁明细表", false, false, "本次保洁日期, 下次保洁日期, 保洁人员",
       "'2024-01-01 00:00:00', '2024-02-01 00:00:00', '乙'"},
      {"设备表", false, false, "设备代码, 设备名称", "'E%1', '电梯%1'"},
      {"设备维护明细表", false, false, "本次维护日期, 下次维护日期, 维护人员",
       "'2024-01-01 00:00:00', '2024-02-01 00:00:00', '丙'"},
      {"员工工作日志", false, false, "当日工作", "'巡查'"},
  };
  return tables;
}

class EstateRecordsTest : public DataModuleTest {
 protected:
  void SetUp() override {
    OpenDatabases(true);
    LogIn(u("管理员甲"), {"编辑权", "删除权", "打印权", "导出权", "查找权", "楼宇资料设置", "业主资料设置"});
  }

  // Two estates beside the default one: AAAA 东苑 and BBBB 北苑.
  void addEastAndNorthEstates() {
    exec(u("insert into 小区资料 (小区代码, 小区名称) values ('AAAA', '东苑'), ('BBBB', '北苑')"));
  }

  // One row in every copying table (the house columns only where the table has them).
  void seedCopies(const QString& estate, const QString& estateName, const QString& building,
                  const QString& buildingName, const QString& house, const QString& tag,
                  const QStringList& skip = {}) {
    for (const CopyTable& t : CopyTables()) {
      if (skip.contains(u(t.table))) continue;
      QStringList cols{u("小区代码"), u("小区名称")};
      QStringList vals{quote(estate), quote(estateName)};
      if (t.building) {
        cols << u("楼宇代码") << u("楼宇名称");
        vals << quote(building) << quote(buildingName);
      }
      if (t.house) {
        cols << u("房屋代码");
        vals << quote(house);
      }
      if (*t.columns) {
        cols << u(t.columns);
        vals << u(t.values).replace(u("%1"), tag);
      }
      exec(u("insert into ") + u(t.table) + u(" (") + cols.join(u(", ")) + u(") values (") + vals.join(u(", ")) +
           u(")"));
    }
  }
  static QString quote(const QString& text) { return u("'") + QString(text).replace(u("'"), u("''")) + u("'"); }

};

}  // namespace estate_test
