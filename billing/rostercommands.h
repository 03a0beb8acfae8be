#pragma once

// Registers the main window's commands of the building meters, meter charge lists, deposit
// ledger and reports and the owner roster (menu items N81, N82, N101, N102, N43, N45, N46,
// N105, N56) with the shell's command registry. The main window checks each command's module
// right before it runs the handler.
void RegisterMeterDepositRosterCommands();
