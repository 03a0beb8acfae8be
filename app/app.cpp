#include "app/app.h"

#include <QApplication>

#include "billing/chargecommands.h"
#include "billing/deskcommands.h"
#include "billing/paycommands.h"
#include "billing/printcommands.h"
#include "billing/rostercommands.h"
#include "designer/FR_Desgn.h"
#include "platform/fonts.h"
#include "platform/translations.h"
#include "platform/ui.h"
#include "services/DM2.h"
#include "services/servicecommands.h"
#include "shell/dm.h"
#include "shell/mainform.h"
#include "shell/seats.h"
#include "stats/commands.h"
#include "stats/statisticswindow.h"

namespace app {

void prepareApplication(QApplication& application) {
  ApplyDefaultApplicationFont();
  // The platform's own dialogs (open, save, print, page set-up, colour, font) in Chinese.
  InstallQtChineseTranslations();
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
  // The data folder first: its databases are created (and the operator told where) or, when
  // the main database is damaged or empty, the program says so and ends without touching it.
  InstallUpgradeProgressWindow();
  // The program announces itself on the data folder for its whole run (other seats then
  // refuse restore, initialisation and clean-up); the end of the run, whichever, is a clean
  // one. A run that ended otherwise makes this start check the whole main database.
  struct LeaveAtEnd {
    ~LeaveAtEnd() { LeaveSeats(); }
  } leaveAtEnd;
  if (const SeatJoin seat = JoinSeats(TDm1::ProgramDatabaseFiles().first()); !seat.problem.isEmpty()) {
    ShowMessage(seat.problem);
    return 1;
  }
  const TDm1::StartCheck check = TDm1::PrepareDatabases();
  if (!check.problem.isEmpty()) {
    ShowMessage(check.problem);
    return 1;
  }
  if (const QString created = TDm1::CreatedMessage(check); !created.isEmpty()) ShowInformation(created);
  for (const QString& notice : check.notices) ShowNotice(notice);
  TDm1 dataModule;
  Tform_Dm2 secondDataModule;
  registerCommands();
  TForm_main mainWindow;
  mainWindow.showMaximized();
  return application.exec();
}

}  // namespace app
