#include "stats/commands.h"

#include <QWidget>

#include "shell/commandregistry.h"
#include "stats/combined.h"
#include "stats/complaintstats.h"
#include "stats/paymentstats.h"
#include "stats/tuipudan.h"

namespace {
template <class Window>
void Register(const char* menuItem, const char* right) {
  RegisterMainCommand(QString::fromLatin1(menuItem), [right](QWidget* main) { OpenStatisticsWindow<Window>(main, right); });
}
}  // namespace

void RegisterStatisticsCommands() {
  Register<TForm_statistics_arrear>("N40", "业主欠费总表");
  Register<TForm_statistics_money>("N49", "按月份统计缴费总金额");
  Register<TForm_statistics_item>("N39", "按收费项目统计缴费总金额");
  Register<TForm_statistics_quankuang>("N23", "业主缴费全况表");
  Register<TForm_statistics_yijiao>("N34", "业主已缴费项目明细表");
  Register<TForm_statistics_weijiao>("N35", "业主未缴费项目明细表");
  Register<TForm_statistics_storey>("N97", "按收费项目统计缴费总金额");
  Register<TForm_statistics_month_storey>("N98", "按收费项目统计缴费总金额");
  Register<TForm_tj_tuipudan>("N104", "按收费项目统计缴费总金额");
  Register<TForm_statistics_mafan1>("N112", "业主未缴费项目明细表");
  RegisterMainCommand(QStringLiteral("N113"), [](QWidget* main) {
    OpenMonthlyCombinedReport<TForm_statistics_mafan2>(main, "业主未缴费项目明细表");
  });
  RegisterMainCommand(QStringLiteral("N114"), [](QWidget* main) {
    OpenMonthlyCombinedReport<TForm_statistics_mafan3>(main, "业主未缴费项目明细表");
  });
  Register<TForm_z_tousuinfo_house>("N62", "业主投诉统计");
  Register<TForm_z_tousuinfo_yue>("N63", "业主投诉统计");
  Register<TForm_z_tousuinfo_yuehouse>("N64", "业主投诉统计");
}
