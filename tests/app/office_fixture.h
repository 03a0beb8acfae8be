#pragma once
// A small office for tests that run the whole program: two estates with buildings, houses
// with owners, charge items, each house's standards, a year of bills, some of them paid,
// a deposit, an associated unit, a customer with a lease and an open complaint. The main
// window is started as the program starts it (data modules, the other folders' commands,
// log-in as the administrator) and closed at the end.

#include <gtest/gtest.h>
#include "platform/utf8.h"

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QString>
#include <memory>
#include <ostream>

#include "app/app.h"
#include "platform/data/ado.h"
#include "platform/data/sqlquote.h"
#include "services/DM2.h"
#include "shell/dm.h"
#include "shell/enter.h"
#include "shell/loginstate.h"
#include "shell/mainform.h"
#include "tests/support/login_answer.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/data_module_test.h"

// Readable texts in failure messages.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace office {


// Lets queued events run for about `ms` milliseconds (layouts, first activation, timers).
inline void settle(int ms = 30) {
  QElapsedTimer t;
  t.start();
  do QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  while (t.elapsed() < ms);
}

class OfficeTest : public DataModuleTest {
 protected:
  void SetUp() override {
    buildFolder_ = QDir::currentPath();
    QApplication::setQuitOnLastWindowClosed(false);
    CreateDataModule();
    dm2_ = std::make_unique<Tform_Dm2>();
    app::registerCommands();
  }
  void TearDown() override {
    if (form_ && form_->isVisible()) form_->close();
    form_.reset();
    dm2_.reset();
    CloseDatabases();
  }

  void exec(const QString& sql) {
    if (!Dm1->ADO_system->Connected()) Dm1->ADO_system->Open();
    Dm1->ADO_system->Execute(sql);
  }
  QString shotPath(const QString& name) const { return QDir(buildFolder_).filePath(name); }

  // Starts the main window maximised and logs the administrator in.
  void startProgram(ScriptedUi& ui) {
    form_ = std::make_unique<TForm_main>();
    AnswerLogIn(ui);
    form_->showMaximized();
    QElapsedTimer t;
    t.start();
    while (!form_->startupCompleted() && t.elapsed() < 5000) settle(10);
    ASSERT_TRUE(form_->startupCompleted());
    settle();
  }

  // The fixture office.
  void fillOffice() {
    exec(u("update 小区资料 set 小区名称='翠湖花园', 小区地址='城南路1号' where 小区代码='0001'"));
    exec(u("insert into 小区资料 (小区代码, 小区名称, 小区地址) values ('0002', '东湖苑', '东湖路8号')"));
    struct Building { const char* garden; const char* gardenName; const char* code; const char* name; };
    const Building buildings[] = {{"0001", "翠湖花园", "A", "一栋"},
                                  {"0001", "翠湖花园", "B", "二栋"},
                                  {"0002", "东湖苑", "C", "东一栋"}};
    for (const Building& b : buildings)
      exec(u("insert into 楼宇资料 (小区代码, 小区名称, 楼宇代码, 楼宇名称, 楼房结构, 楼宇层数, 房屋数量, 住户数量, "
             "空置房数量, 建成日期) values ('%1', '%2', '%3', '%4', '框架', 18, 2, 2, 0, '2015-06-01 00:00:00')")
               .arg(u(b.garden), u(b.gardenName), u(b.code), u(b.name)));
    struct House { int building; const char* code; const char* owner; const char* phone; double area; };
    const House houses[] = {{0, "A-101", "张伟", "13800000001", 88.5},
                            {0, "A-102", "王芳", "13800000002", 120.25},
                            {1, "B-201", "李娜", "13800000003", 96},
                            {1, "B-202", "刘洋", "13800000004", 75.5},
                            {2, "C-301", "陈静", "13800000005", 132},
                            {2, "C-302", "杨磊", "13800000006", 64.75}};
    exec(u("insert into 关联单位 (关联单位, 小区代码, 小区名称) values ('物业公司', '0001', '翠湖花园')"));
    for (const House& h : houses) {
      const Building& b = buildings[h.building];
      exec(u("insert into 房屋资料 (小区代码, 小区名称, 楼宇代码, 楼宇名称, 楼宇单元, 房屋代码, 房号, 业主名称, 联系电话, "
             "身份证号, 房屋面积, 使用面积, 其它面积一, 关联单位, 零头, 租赁, 使用状况, 迁入日期, 入伙日期) values "
             "('%1', '%2', '%3', '%4', '1', '%5', '%6', '%7', '%8', '110101198001010011', %9, %10, 0, '', 0, 0, '入住', "
             "'2020-01-01 00:00:00', '2019-12-01 00:00:00')")
               .arg(u(b.garden), u(b.gardenName), u(b.code), u(b.name), u(h.code), u(h.code).mid(2), u(h.owner),
                    u(h.phone))
               .arg(h.area)
               .arg(h.area - 10));
    }
    struct Item { const char* name; const char* price; const char* formula; const char* area; };
    const Item items[] = {{"物业管理费", "1.5", "单价*面积", "房屋面积"},
                          {"垃圾清运费", "10", "单价*数量", ""},
                          {"水费", "3.2", "单价*(本月数-上月数)", ""}};
    for (const Item& i : items)
      exec(u("insert into 收费项目 (收费名称, 单价, 计算公式, 收费面积, 收费范围, 停止收费, 收费周期, 收费类别, 金额) values "
             "('%1', %2, '%3', '%4', '全部用户', '否', '每月收取', '业主收费金额不同', 0)")
               .arg(u(i.name), u(i.price), u(i.formula), u(i.area)));
    // Standards and a year of bills for every house; the first five months of 2025 are paid.
    int receipt = 1;
    for (const House& h : houses) {
      const Building& b = buildings[h.building];
      const QString houseCols = u("小区代码, 小区名称, 楼宇代码, 楼宇名称, 楼宇单元, 房屋代码, 业主名称");
      const QString houseVals =
          u("'%1', '%2', '%3', '%4', '1', '%5', '%6'").arg(u(b.garden), u(b.gardenName), u(b.code), u(b.name), u(h.code), u(h.owner));
      for (const Item& i : items) {
        const double basis = QString::fromUtf8(i.formula) == u("单价*面积") ? h.area : 1;
        const double amount = QString::fromUtf8(i.price).toDouble() * basis;
        exec(u("insert into 房屋收费项目 (%1, 房屋面积, 收费名称, 单价, 计算公式, 收费面积, 收费范围, 收费周期, 收费类别, 预付金额, "
               "金额) values (%2, %3, '%4', %5, '%6', '%7', '全部用户', '每月收取', '业主收费金额不同', %8, %9)")
                 .arg(houseCols, houseVals)
                 .arg(h.area)
                 .arg(u(i.name), u(i.price), u(i.formula), u(i.area))
                 .arg(basis)
                 .arg(amount));
        for (int month = 1; month <= 12; ++month) {
          const bool paid = month <= 5;
          const QString first = u("2025-%1-01 00:00:00").arg(month, 2, 10, QLatin1Char('0'));
          exec(u("insert into 收费明细表 (%1, 收费名称, 单价, 收费金额, 计算公式, 收费面积, 面积或数量, 本月表数, 上月表数, "
                 "开始日期, 结束日期, 年度, 月份, 关联单位, 缴费状态, 缴费时间, 收款人, 单据号码, 操作人员, 操作日期) values "
                 "(%2, '%3', %4, %5, '%6', '%7', %8, 0, 0, '%9', '%9', '2025', '%10', '', '%11', %12, %13, %14, "
                 "'系统管理员', '2025-01-01 00:00:00')")
                   .arg(houseCols, houseVals, u(i.name), u(i.price))
                   .arg(amount)
                   .arg(u(i.formula), u(i.area))
                   .arg(basis)
                   .arg(first, u("%1").arg(month, 2, 10, QLatin1Char('0')), paid ? u("现金") : u("未缴费"),
                        paid ? u("'2025-%1-20 10:00:00'").arg(month, 2, 10, QLatin1Char('0')) : u("null"),
                        paid ? u("'系统管理员'") : u("null"),
                        paid ? u("'%1'").arg(receipt + month - 1, 8, 10, QLatin1Char('0')) : u("null")));
        }
      }
      for (int month = 1; month <= 5; ++month) {
        exec(u("insert into 收费汇总表 (%1, 收费项目, 收费年月, 年度, 月份, 收费金额, 现金, 实收金额, 上次零头, 零头, 缴费时间, "
               "缴费方式, 缴费人, 收款人, 单据号码, 打印, 操作人员, 操作日期) values (%2, '物业管理费,垃圾清运费,水费', "
               "'2025年%3月;', '2025', '%4', 100, 100, 100, 0, 0, '2025-%4-20 10:00:00', '现金', '%5', '系统管理员', "
               "'%6', 0, '系统管理员', '2025-%4-20 10:00:00')")
                 .arg(houseCols, houseVals)
                 .arg(month, 2, 10, QLatin1Char('0'))
                 .arg(month, 2, 10, QLatin1Char('0'))
                 .arg(u(h.owner))
                 .arg(receipt + month - 1, 8, 10, QLatin1Char('0')));
      }
      receipt += 5;
    }
    exec(u("insert into 押金明细表 (日期, 小区代码, 小区名称, 楼宇代码, 楼宇名称, 楼宇单元, 房屋代码, 业主名称, 操作类型, 金额, "
           "缴费方式, 单据号码, 押金类别, 操作人员, 操作日期) values ('2025-02-01 00:00:00', '0001', '翠湖花园', 'A', '一栋', '1', "
           "'A-101', '张伟', '收取', 500, '现金', 'Y0001', '装修押金', '系统管理员', '2025-02-01 00:00:00')"));
    exec(u("insert into 客户资料 (客户代码, 客户名称, 身份证号, 联系电话, 房屋代码, 停用, 是否使用) values "
           "('K001', '赵敏', '110101199001010022', '13900000001', 'B-202', 0, '是')"));
    exec(u("insert into 房屋租赁表 (小区代码, 小区名称, 楼宇代码, 楼宇名称, 楼宇单元, 房屋代码, 客户代码, 客户名称, 联系电话, "
           "客户类型名称, 租售情况, 迁入日期, 已经迁入, 预计迁出日期, 已经迁出) values ('0001', '翠湖花园', 'B', '二栋', '1', "
           "'B-202', 'K001', '赵敏', '13900000001', '个人', '租房', '2025-03-01 00:00:00', 1, '2026-03-01 00:00:00', 0)"));
    exec(u("insert into 业主投诉表 (投诉单号, 投诉日期, 小区代码, 小区名称, 楼宇代码, 楼宇名称, 楼宇单元, 房屋代码, 业主名称, "
           "联系电话, 投诉形式, 投诉内容, 记录人, 处理结果) values ('T0001', '2025-06-02 00:00:00', '0001', '翠湖花园', 'A', "
           "'一栋', '1', 'A-102', '王芳', '13800000002', '电话', '电梯噪音', '系统管理员', '未完成')"));
  }

  std::unique_ptr<Tform_Dm2> dm2_;
  std::unique_ptr<TForm_main> form_;
  QString buildFolder_;
};

}  // namespace office
