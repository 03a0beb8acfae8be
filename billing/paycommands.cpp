#include "billing/paycommands.h"

#include <QString>

#include "billing/jiaofeiguanli.h"
#include "billing/jiaofeiguanli_duoyue.h"
#include "billing/jiaofeiguanli_fast.h"
#include "shell/commandregistry.h"

void RegisterPaymentCommands() {
  RegisterMainCommand(QStringLiteral("N53"), OpenPaymentJournalCommand);
  RegisterMainCommand(QStringLiteral("N108"), OpenFastPaymentCommand);
  RegisterMainCommand(QStringLiteral("N76"), OpenMultiMonthPaymentCommand);
}
