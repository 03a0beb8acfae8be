#include "app/app.h"

#include <QApplication>

#include "billing/chargecommands.h"
#include "billing/deskcommands.h"
#include "billing/paycommands.h"
#include "billing/printcommands.h"
#include "billing/rostercommands.h"
#include "designer/FR_Desgn.h"
#include "platform/fonts.h"
#include "services/DM2.h"
#include "services/servicecommands.h"
#include "shell/dm.h"
#include "shell/mainform.h"
#include "stats/commands.h"

namespace app {

void prepareApplication(QApplication& application) {
  ApplyDefaultApplicationFont();
  QApplication::setApplicationName(QString::fromUtf8(kApplicationTitle));
  QApplication::setApplicationDisplayName(QString::fromUtf8(kApplicationTitle));
}

void registerCommands() {
  RegisterChargingCommands();
  RegisterDeskCommands();
  RegisterPaymentCommands();
  RegisterPrintCommands();
  RegisterStatisticsCommands();
  RegisterMeterDepositRosterCommands();
  RegisterServiceCommands();
  RegisterReportDesigner();
}

int runProgram(QApplication& application) {
  // The data modules live from start-up to shut-down: the main one, then the second, then the
  // main window; they go in the reverse order. Each sets its global instance (Dm1, form_Dm2).
  TDm1 dataModule;
  Tform_Dm2 secondDataModule;
  registerCommands();
  TForm_main mainWindow;
  mainWindow.showMaximized();
  return application.exec();
}

}  // namespace app
