#pragma once

// Registers the main window's charging commands with the shell's command registry:
// N12 收费项目设置, N11 设置业主收费项目及标准, N115 业主收费项目及标准明细表 and N22 业主应缴费用管理.
// The main window checks each command's module right before it runs the handler.
void RegisterChargingCommands();
