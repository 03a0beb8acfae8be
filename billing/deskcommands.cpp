#include "billing/deskcommands.h"

#include <QString>

#include "billing/frontdesk.h"
#include "billing/jiaofeidan_single.h"
#include "billing/jiaofeiguanli_single.h"
#include "billing/jiaofeimingxi.h"
#include "billing/shishou_item.h"
#include "shell/commandregistry.h"

void RegisterDeskCommands() {
  const struct {
    const char* menuName;
    void (*open)(QWidget*);
  } commands[] = {{"N33", OpenTakingsByItemCommand}, {"N19", OpenBillDetailCommand}, {"N58", OpenFrontDeskCommand},
                  {"N24", OpenMonthBillWindowCommand}, {"N38", OpenMonthPaymentWindowCommand}};
  for (const auto& c : commands) RegisterMainCommand(QString::fromLatin1(c.menuName), c.open);
}
