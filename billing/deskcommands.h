#pragma once

// Registers the main window's commands of takings, the bill detail list, the single-month
// windows and the front desk with the shell's command registry: N33 实收金额汇总表(按收费项目)
// N19 业主缴费明细查询, N58 前台管理模式, N24 业主单月应缴费用管理 and N38 业主单月缴费管理. The main window checks each command's module right first.
void RegisterDeskCommands();
