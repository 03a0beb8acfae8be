#pragma once

// Registers the receipt window with the shell's registry: the window hook "receiptForHouse"
// opens 打印实收金额发票 (TForm_jiaofeidan_shouju) modally on the unprinted payments of the
// house it is given, for the bill window's 打印实收收据.
void RegisterPrintCommands();
