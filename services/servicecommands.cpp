#include "services/servicecommands.h"

#include <QLabel>
#include <QString>

#include "platform/data/ado.h"
#include "platform/data/sqlquote.h"
#include "platform/ui.h"
#include "services/clean.h"
#include "services/companyfile.h"
#include "services/companyfile_check.h"
#include "services/equipment.h"
#include "services/tousuinfo.h"
#include "services/worklog.h"
#include "shell/commandregistry.h"
#include "shell/loginstate.h"

namespace {

void setLines(TADOQuery* q, std::initializer_list<const char*> lines) {
  q->Close();
  q->SQL.Clear();
  for (const char* line : lines) q->SQL.Add(u(line));
}
}  // namespace

void OpenComplaintRegister(QWidget* parent) {
  auto* window = new TForm_tousuinfo(parent);
  setLines(window->q_tousuinfo, {"select * from 业主投诉表 where (处理结果='未完成')", "order by 投诉日期 desc"});
  window->q_tousuinfo->Open();
  RunModal(window);
  delete window;
}

void OpenComplaintForHouse(QWidget* parent, const QString& estate, const QString& houseCode,
                           const QString& complaintNumber) {
  auto* window = new TForm_tousuinfo(parent);
  window->Label13->setText(u("前台模式"));
  window->Label15->setText(houseCode);
  window->FrontDeskEstate = estate.isNull() ? QStringLiteral("") : estate;
  TADOQuery* q = window->q_tousuinfo;
  q->Close();
  q->SQL.Clear();
  q->SQL.Add(u("select * from 业主投诉表 where (投诉单号=") + SqlQuote::Text(complaintNumber) + u(")"));
  q->SQL.Add(u("order by 投诉日期 desc"));
  q->Open();
  RunModal(window);
  delete window;
}

namespace {
// The upkeep windows: the item query set and opened, shown, freed.
template <class Form>
void openUpkeep(QWidget* parent, const char* table, const char* order) {
  auto* window = new Form(parent);
  setLines(window->ItemQuery(), {table, order});
  window->ItemQuery()->Open();
  RunModal(window);
  delete window;
}
}  // namespace

void OpenCleanItems(QWidget* parent) { openUpkeep<TForm_clean>(parent, "select * from 保洁项目", "order by 保洁代码 desc"); }
void OpenCleanLog(QWidget* parent) { openUpkeep<TForm_cleanmx>(parent, "select * from 保洁项目", "order by 保洁代码 desc"); }
void OpenEquipment(QWidget* parent) { openUpkeep<TForm_equipment>(parent, "select * from 设备表", "order by 设备代码 desc"); }
void OpenEquipmentLog(QWidget* parent) {
  openUpkeep<TForm_equipmentmx>(parent, "select * from 设备表", "order by 设备代码 desc");
}

void OpenWorkLog(QWidget* parent) {
  auto* window = new TForm_worklog(parent);
  RunModal(window);
  delete window;
}

void OpenWorkLogReview(QWidget* parent) {
  auto* window = new TForm_worklog_check(parent);
  RunModal(window);
  delete window;
}

// The company documents: the company connection is opened for the window's use and closed
// after it; without it no window opens.
void OpenCompanyFiles(QWidget* parent) {
  if (!ConnectCompanyServer()) return;
  auto* window = new TForm_companyfile(parent);
  setLines(window->q_companyfile, {"select * from 公司文件", "order by 发文号 desc"});
  try {
    window->q_companyfile->Open();
    RunModal(window);
  } catch (...) {
    delete window;
    DisconnectCompanyServer();
    throw;
  }
  delete window;
  DisconnectCompanyServer();
}

void OpenCompanyFilesToRead(QWidget* parent) {
  if (!ConnectCompanyServer()) return;
  auto* window = new TForm_companyfile_check(parent);
  window->q_companyfile->Close();
  window->q_companyfile->SQL.Clear();
  for (const QString& line : UnreadDocumentsSql(CurrentOperatorCode)) window->q_companyfile->SQL.Add(line);
  try {
    window->q_companyfile->Open();
    RunModal(window);
  } catch (...) {
    delete window;
    DisconnectCompanyServer();
    throw;
  }
  delete window;
  DisconnectCompanyServer();
}

void RegisterServiceCommands() {
  const struct {
    const char* menuName;
    void (*open)(QWidget*);
  } commands[] = {{"N60", OpenComplaintRegister}, {"N92", OpenCleanItems}, {"N93", OpenCleanLog},
                  {"N95", OpenEquipment},         {"N96", OpenEquipmentLog},
                  {"N89", OpenWorkLog},           {"N90", OpenWorkLogReview},
                  {"N86", OpenCompanyFiles},      {"N88", OpenCompanyFilesToRead}};
  for (const auto& c : commands) RegisterMainCommand(QString::fromLatin1(c.menuName), c.open);
  RegisterWindowHook(QStringLiteral("complaintForHouse"), OpenComplaintForHouse);
}
