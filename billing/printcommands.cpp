#include "billing/printcommands.h"

#include "billing/shoukuan_window.h"
#include "platform/ui.h"
#include "shell/commandregistry.h"

void RegisterPrintCommands() {
  RegisterWindowHook(QStringLiteral("receiptForHouse"), [](QWidget* parent, const QString& estate, const QString& house,
                                                               const QString&) {
    TForm_jiaofeidan_shouju form(parent);
    form.OpenForHouse(estate, house);
    RunModal(&form);
  });
}
