// The designer's file commands, the preview from the designer, the option commands and the
// designer settings.
#include <QBuffer>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSaveFile>
#include <QTableWidget>
#include <QTimer>

#include "designer/FR_Desgn.h"
#include "designer/FR_Dialogs.h"
#include "report/FR_Prntr.h"
#include "designer/FR_Flds.h"
#include "designer/FR_Insp.h"
#include "designer/FR_Small.h"
#include "platform/format.h"
#include "platform/ui.h"
#include "report/FR_Ctrls.h"
#include "report/FR_FileStream.h"
#include "report/FR_Utils.h"

namespace {
QString t(int id) { return LocaleText(id); }
QString untitled() { return LocaleText(55209); }
QString withExtension(const QString& path, const QString& ext) {
  const QFileInfo f(path);
  return QDir(f.path()).filePath(f.completeBaseName() + ext);
}
}  // namespace

bool TfrDesignerForm::AskToSave() {
  if (!IsModified()) return true;
  const QString text = t(55306) + ' ' + t(55336) + ' ' + QFileInfo(DesignFileName).fileName() + '?';
  const int answer = MessageBox(text, t(55006), MsgIcon::Question, MsgButtons::YesNoCancel);
  if (answer == mrCancel || answer == mrNone) return false;
  if (answer == mrYes) {
    SaveReport();
    return SaveSucceeded;
  }
  return true;
}

bool TfrDesignerForm::CloseQuestion(int& result) {
  if (!report_ || !IsModified() || !FullMode) return true;
  if (DesignerComponent() && !DesignerComponent()->CloseQuery) return true;
  const QString text = t(55306) + ' ' + t(55336) + ' ' + QFileInfo(DesignFileName).fileName() + '?';
  switch (MessageBox(text, t(55006), MsgIcon::Question, MsgButtons::YesNoCancel)) {
    case mrNo:
      result = mrCancel;
      return true;
    case mrYes:
      SaveReport();
      if (SaveSucceeded) result = mrOk;
      return SaveSucceeded;
    default:
      return false;
  }
}

void TfrDesignerForm::NewReport() {
  if (!AskToSave()) return;
  model_.ClearUndo();
  model_.ClearRedo();
  report_->ClearTemplate();
  model_.AppendPage();
  SetCurrentPage(0);
  SetDesignFileName(untitled());
  MarkModified(false);
}

void TfrDesignerForm::NewFromTemplate() {
  QString folder;
  if (DesignerComponent()) folder = DesignerComponent()->TemplateDir;
  if (folder.isEmpty()) folder = QCoreApplication::applicationDirPath();
  TfrTemplForm form(folder, this);
  if (RunModal(&form) != QDialog::Accepted || form.ChosenTemplate.isEmpty()) return;
  QStringList description;
  QImage picture;
  // The template is read into a copy first: a damaged file leaves the design as it was.
  QBuffer saved;
  saved.open(QIODevice::ReadWrite);
  report_->SaveTemplate(saved);
  if (!report_->ReadDescribedTemplate(form.ChosenTemplate, description, true, picture)) {
    saved.seek(0);
    report_->LoadTemplate(saved);
    ShowError(QString::fromUtf8("无法读取报表模板 ") + form.ChosenTemplate);
    return;
  }
  model_.ClearUndo();
  model_.ClearRedo();
  SetDesignFileName(untitled());
  SetCurrentPage(0);
  MarkModified(true);
}

bool TfrDesignerForm::ReadTemplateFile(const QString& path) {
  // What was being designed is kept aside; a file that is not a whole readable template (a
  // damaged file, a built-report file, anything else) brings it back untouched.
  QBuffer saved;
  saved.open(QIODevice::ReadWrite);
  report_->SaveTemplate(saved);
  const QString oldName = report_->FileName;
  bool ok = false;
  try {
    ok = QFileInfo(path).isFile() && report_->LoadFromFile(path);
  } catch (const Exception&) {
    ok = false;
  }
  if (ok && report_->Pages.empty()) ok = false;
  if (!ok) {
    saved.seek(0);
    report_->LoadTemplate(saved);
    report_->FileName = oldName;
    ShowError(QString::fromUtf8("无法打开报表文件 ") + QDir::toNativeSeparators(path) +
              QString::fromUtf8("：它不是可读的报表模板。"));
    return false;
  }
  report_->FileName = path;
  return true;
}

void TfrDesignerForm::OpenReport() {
  if (!AskToSave()) return;
  DesignSurface->PaintLocked = true;
  bool opened = false;
  QString name;
  if (DesignerComponent() && DesignerComponent()->OnLoadReport) {
    opened = true;
    DesignerComponent()->OnLoadReport(report_, name, opened);
  } else {
    FileDialogRequest r;
    // The XML template that Save as writes is offered after the two formats of the engine.
    r.filter = t(55213) + QStringLiteral(" (*.frf)|*.frf|") + t(55215) + QStringLiteral(" (*.frd)|*.frd|") + t(55481) +
               QStringLiteral(" (*.fr3)|*.fr3");
    if (DesignerComponent() && !DesignerComponent()->OpenDir.isEmpty()) r.initialDir = DesignerComponent()->OpenDir;
    int chosen = 1;
    r.chosenFilterIndex = &chosen;
    if (auto f = OpenFileDialog(r)) {
      // The name's extension decides over the filter: a template is never read as a dictionary.
      const QString ext = QFileInfo(*f).suffix().toLower();
      const bool dictionary =
          ext == QStringLiteral("frd") || (chosen == 2 && ext != QStringLiteral("frf") && ext != QStringLiteral("fr3"));
      if (dictionary) {
        // The texts of a dictionary file are read in the form of the version it names, whatever
        // stream was read last.
        QFile probe(*f);
        int version = kCurrentStreamVersion;
        if (probe.open(QIODevice::ReadOnly)) {
          const QByteArray first = probe.read(1);
          if (!first.isEmpty() && uchar(first[0]) >= 21 && uchar(first[0]) <= 25) version = uchar(first[0]);
        }
        const int savedVersion = StreamVersion();
        StreamVersion() = version;
        const bool read = report_->LoadDictionaryFile(*f);
        StreamVersion() = savedVersion;
        if (!read) ShowError(QString::fromUtf8("无法读取数据字典 ") + *f);
        DesignSurface->PaintLocked = false;
        // The dictionary read is a change of the design: closing asks to save it.
        if (read) {
          MarkModified(true);
          RefreshFieldList();
        }
        return;
      }
      name = *f;
      opened = ReadTemplateFile(*f);
    }
  }
  DesignSurface->PaintLocked = false;
  if (opened) {
    model_.ClearUndo();
    model_.ClearRedo();
    SetDesignFileName(name.isEmpty() ? report_->FileName : name);
    MarkModified(false);
    SetCurrentPage(0);
  } else {
    placeSurface();
    RepaintSurface();
  }
}

bool TfrDesignerForm::WriteTemplateFile(const QString& path) {
  QString error;
  try {
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    // A design kept under an XML template's name stays an XML template.
    const bool xml = QFileInfo(path).suffix().compare(QStringLiteral("fr3"), Qt::CaseInsensitive) == 0;
    report_->XmlExport = xml;
    try {
      report_->SaveTemplate(buffer);
    } catch (...) {
      report_->XmlExport = false;
      throw;
    }
    report_->XmlExport = false;
    // The old file stays whole until the new one is written completely.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) error = file.errorString();
    else if (file.write(buffer.data()) != buffer.data().size()) error = file.errorString();
    else if (!file.commit()) error = file.errorString();
  } catch (const Exception& e) {
    error = e.message();
  }
  if (error.isEmpty()) return true;
  ShowError(QString::fromUtf8("无法保存报表文件 ") + QDir::toNativeSeparators(path) + QString::fromUtf8("：") + error);
  return false;
}

void TfrDesignerForm::SaveReport() {
  if (DesignFileName.isEmpty() || DesignFileName == untitled()) {
    SaveReportAs();
    return;
  }
  bool saved = false;
  if (DesignerComponent() && DesignerComponent()->OnSaveReport) {
    QString name = DesignFileName;
    saved = true;
    DesignerComponent()->OnSaveReport(report_, name, false, saved);
  } else {
    saved = WriteTemplateFile(DesignFileName);
  }
  SaveSucceeded = saved;
  if (saved) MarkModified(false);
}

void TfrDesignerForm::SaveReportAs() {
  SaveSucceeded = false;
  if (DesignerComponent() && DesignerComponent()->OnSaveReport) {
    QString name = DesignFileName;
    bool saved = true;
    DesignerComponent()->OnSaveReport(report_, name, true, saved);
    if (saved) {
      SetDesignFileName(name);
      SaveSucceeded = true;
      MarkModified(false);
    }
    return;
  }
  FileDialogRequest r;
  r.filter = t(55213) + QStringLiteral(" (*.frf)|*.frf|") + t(55481) + QStringLiteral(" (*.fr3)|*.fr3|") + t(55214) +
             QStringLiteral(" (*.frt)|*.frt|") + t(55215) + QStringLiteral(" (*.frd)|*.frd");
  if (DesignerComponent() && !DesignerComponent()->SaveDir.isEmpty()) r.initialDir = DesignerComponent()->SaveDir;
  r.fileName = DesignFileName == untitled() ? QString() : DesignFileName;
  r.defaultExt = QStringLiteral("frf");
  int chosen = 1;
  r.chosenFilterIndex = &chosen;
  auto f = SaveFileDialog(r);
  if (!f) return;
  // A name typed with one of the formats' extensions picks that format.
  const QString ext = QFileInfo(*f).suffix().toLower();
  if (ext == QStringLiteral("frf")) chosen = 1;
  else if (ext == QStringLiteral("fr3")) chosen = 2;
  else if (ext == QStringLiteral("frt")) chosen = 3;
  else if (ext == QStringLiteral("frd")) chosen = 4;
  if (chosen < 1 || chosen > 4) chosen = 1;
  switch (chosen) {
    case 1: {
      const QString path = withExtension(*f, ".frf");
      if (!WriteTemplateFile(path)) return;
      SetDesignFileName(path);
      SaveSucceeded = true;
      MarkModified(false);
      return;
    }
    case 2: {
      // The XML template holds the whole design and Open reads it back: it becomes the design's
      // file, and Save keeps writing XML to it.
      const QString path = withExtension(*f, ".fr3");
      if (!WriteTemplateFile(path)) return;
      SetDesignFileName(path);
      SaveSucceeded = true;
      MarkModified(false);
      return;
    }
    case 3: {
      QString path = withExtension(*f, ".frt");
      if (DesignerComponent() && !DesignerComponent()->TemplateDir.isEmpty())
        path = QDir(DesignerComponent()->TemplateDir).filePath(QFileInfo(path).fileName());
      TfrTemplNewForm form(this);
      if (RunModal(&form) != QDialog::Accepted) return;
      report_->WriteDescribedTemplate(path, form.Memo1->toPlainText().split('\n'), form.Picture);
      if (!QFileInfo(path).isFile()) {
        ShowError(QString::fromUtf8("无法保存报表模板 ") + QDir::toNativeSeparators(path));
        return;
      }
      // A described template is a copy: the design's own file is still unsaved.
      SaveSucceeded = true;
      return;
    }
    case 4: {
      const QString path = withExtension(*f, ".frd");
      if (!report_->SaveDictionaryFile(path)) ShowError(QString::fromUtf8("无法保存数据字典 ") + path);
      return;   // the dictionary alone is no saved design
    }
  }
}

void TfrDesignerForm::Preview() {
  if (!FullMode) return;
  const bool modal = report_->ModalPreview;
  report_->ModalPreview = true;
  model_.UnselectAll();
  RepaintSurface();
  Page = nullptr;
  DesignSurface->PaintLocked = true;
  // Building reads the template back into new objects; they take the identities of the ones
  // they replace, so that the undo and redo steps still find them.
  std::vector<std::vector<uint32_t>> identities;
  for (const auto& p : report_->Pages) {
    identities.emplace_back();
    for (const auto& o : p->Objects) identities.back().push_back(o->ObjectID);
  }
  auto restore = [&] {
    report_->ModalPreview = modal;
    DesignSurface->PaintLocked = false;
    CurrentReport() = report_;
    bool same = report_->Pages.size() == identities.size();
    for (size_t i = 0; same && i < identities.size(); ++i) same = report_->Pages[i]->Objects.size() == identities[i].size();
    if (same) {
      for (size_t i = 0; i < identities.size(); ++i)
        for (size_t j = 0; j < identities[i].size(); ++j) report_->Pages[i]->Objects[j]->ObjectID = identities[i][j];
    } else {
      // The template did not come back as it went: no step can be trusted any more.
      model_.ClearUndo();
      model_.ClearRedo();
    }
    SetCurrentPage(model_.CurPage);
    pointHooks();
    if (DesignerComponent() && DesignerComponent()->OnShow) DesignerComponent()->OnShow(this);
    // The preview (or the message of a failed build) took the keyboard and the top of the
    // screen: the designer takes them back, with its panels floating over it as before.
    activateWindow();
    if (DesignSurface) DesignSurface->setFocus();
    if (Inspector && Inspector->isVisible()) Inspector->raise();
    if (FieldList && FieldList->isVisible()) FieldList->raise();
  };
  try {
    if (report_->BuildReport()) report_->ShowBuiltReport();
  } catch (...) {
    restore();
    throw;
  }
  restore();
}

bool TfrDesignerForm::RunPageOptions() {
  TfrPage* page = model_.Page();
  if (!page) return false;
  TfrPgoptForm form(this);
  form.Fill(*page, model_.Settings.UnlimitedHeight);
  form.Target = page;
  form.TargetUnlimited = &model_.Settings.UnlimitedHeight;
  SaveSucceeded = false;
  if (RunModal(&form) != QDialog::Accepted) return false;
  SaveSucceeded = true;
  return true;
}

void TfrDesignerForm::PageOptions() {
  if (!RunPageOptions()) return;
  MarkModified(true);
  SetCurrentPage(model_.CurPage);
}

void TfrDesignerForm::ReportOptions() {
  TfrDocOptForm form(this);
  form.CB1->setChecked(!report_->PrintToDefault);
  form.CB2->setChecked(report_->DoublePassReport);
  form.CB3->setChecked(report_->Protected);
  form.M1->setPlainText(report_->ReportComment);
  form.E1->setText(report_->ReportName);
  form.E2->setText(report_->ReportAutor);
  form.E3->setText(report_->VMajor);
  form.E4->setText(report_->VMinor);
  form.E5->setText(report_->VRelease);
  form.E6->setText(report_->VBuild);
  form.LM1->setText(report_->ReportDate ? DateTimeToStr(report_->ReportDate) : QString());
  form.LM2->setText(report_->ReportLastChange ? DateTimeToStr(report_->ReportLastChange) : QString());
  const bool wasProtected = report_->Protected;
  if (RunModal(&form) == QDialog::Accepted) {
    report_->PrintToDefault = !form.CB1->isChecked();
    report_->DoublePassReport = form.CB2->isChecked();
    // The printer chosen in the list becomes the report's; its papers re-lay the pages.
    const int oldPrinter = ReportPrinter().PrinterIndex;
    const int chosenPrinter = form.LB1->currentRow();
    if (chosenPrinter >= 0 && chosenPrinter != oldPrinter) report_->SwitchPrinter(oldPrinter, chosenPrinter);
    report_->ReportComment = form.M1->toPlainText();
    report_->ReportName = form.E1->text();
    report_->ReportAutor = form.E2->text();
    report_->VMajor = form.E3->text();
    report_->VMinor = form.E4->text();
    report_->VRelease = form.E5->text();
    report_->VBuild = form.E6->text();
    bool protect = form.CB3->isChecked();
    if (protect && !wasProtected) {
      // The password dialog asks twice; both entries must be confirmed and equal.
      QString password;
      protect = AskPassword(password, true, this) && !password.isEmpty();
      if (protect) report_->Password = password.toUtf8();
    }
    report_->Protected = protect;
    if (!protect) report_->Password.clear();
    MarkModified(true);
  }
  SetCurrentPage(model_.CurPage);
}

void TfrDesignerForm::DesignerOptions() {
  TfrDesOptionsForm form(this);
  form.Fill(model_.Settings);
  if (RunModal(&form) != QDialog::Accepted) return;
  form.Read(model_.Settings);
  SetShowGrid(model_.Settings.ShowGrid);
  SetGridAlign(model_.Settings.GridAlign);
  SetUnits(model_.Settings.Units);
  SetCurrentPage(model_.CurPage);
}

void TfrDesignerForm::LoadDesignerSettings() {
  model_.Settings.Load();
  if (Inspector) {
    Inspector->SplitX = model_.Settings.InspectorSplitPos;
    Inspector->Grid->setColumnWidth(0, Inspector->SplitX);
    // A stored place puts the inspector where it was left; without one it floats at the
    // design area's right edge when first shown.
    const QString key = SettingsKey + QStringLiteral("\\Form\\") + QString::fromLatin1(Inspector->metaObject()->className());
    if (ReadSettingInteger(key, QStringLiteral("Width"), -1) > 0) {
      RestoreFormPlacement(Inspector);
      inspectorPlaced_ = true;
    }
  }
  for (TfrToolBar* bar : {Panel1, Panel2, Panel3, Panel4, Panel5, Panel6})
    if (bar) RestoreToolBarPlacement(bar);
  // The extra tools bar shows only when it holds a tool.
  if (Panel6 && !Panel6->findChild<TfrSpeedButton*>()) Panel6->SetShown(false);
  for (TfrDock* d : {frDock1, frDock2, frDock3, frDock4}) d->ArrangeRows();
  RestoreFormPlacement(this);
}

void TfrDesignerForm::ShowStoredPanels() {
  if (model_.Settings.InspectorVisible) ShowInspector();
  if (FullMode && model_.Settings.FieldListVisible) {
    ToggleFieldList(true);
    // The designer keeps the keyboard: the list only floats beside it.
    activateWindow();
    if (DesignSurface) DesignSurface->setFocus();
  }
  // The window system maps the designer after this; the panels go on top of it once it has.
  QTimer::singleShot(0, this, [this] {
    if (Inspector && Inspector->isVisible()) Inspector->raise();
    if (FieldList && FieldList->isVisible()) FieldList->raise();
  });
}

void TfrDesignerForm::SaveDesignerSettings() {
  if (settingsSaved_) return;
  settingsSaved_ = true;
  TfrDesignerSettings& s = model_.Settings;
  s.InspectorVisible = Inspector && Inspector->isVisible();
  if (Inspector) s.InspectorSplitPos = std::max(20, Inspector->SplitX);
  // A built page is edited without the field list: its stored state is the full designer's.
  if (FullMode) s.FieldListVisible = FieldList && FieldList->isVisible();
  s.Save();
  for (TfrToolBar* bar : {Panel1, Panel2, Panel3, Panel4, Panel5, Panel6})
    if (bar && (bar != Panel6 || FullMode)) SaveToolBarPlacement(bar);
  if (Inspector) SaveFormPlacement(Inspector);
  SaveFormPlacement(this);
}
