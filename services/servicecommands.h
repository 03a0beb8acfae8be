#pragma once

class QString;
class QWidget;

// Registers the main window's commands that open the windows of this folder (complaints,
// cleaning and equipment, company documents, work log). Called once at start-up.
void RegisterServiceCommands();

// The commands themselves; the main window has checked the module right before.
void OpenComplaintRegister(QWidget* parent);   // 业主投诉
// The front desk's openers: one complaint of a house in front-desk mode (the house fixed to
// `houseCode`), or every unfinished complaint.
void OpenComplaintForHouse(QWidget* parent, const QString& estate, const QString& houseCode,
                           const QString& complaintNumber);
void OpenCleanItems(QWidget* parent);          // 保洁项目设置
void OpenCleanLog(QWidget* parent);            // 保洁明细表
void OpenEquipment(QWidget* parent);           // 设备资料设置
void OpenEquipmentLog(QWidget* parent);        // 设备维护明细表
void OpenCompanyFiles(QWidget* parent);        // 编辑公司文件
void OpenCompanyFilesToRead(QWidget* parent);  // 阅读公司文件
void OpenWorkLog(QWidget* parent);             // 编辑工作日志
void OpenWorkLogReview(QWidget* parent);       // 阅审工作日志
