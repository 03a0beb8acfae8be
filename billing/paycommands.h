#pragma once

// Registers the main window's payment commands with the shell's command registry:
// N53 实收金额明细表 (the payment journal), N76 业主缴费管理 (the multi-month payment
// window) and N108 业主快速缴费管理.
// The main window checks each command's module right before it runs the handler.
void RegisterPaymentCommands();
