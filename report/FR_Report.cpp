#include "report/FR_Report.h"

#include <QApplication>
#include <QBuffer>
#include <QSaveFile>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QPrinter>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include "platform/datetime.h"
#include "platform/syscolors.h"
#include "platform/pdftext.h"
#include "platform/pdfwriter.h"
#include "platform/ui.h"
#include "report/FR_Band.h"
#include "report/FR_Built.h"
#include "report/FR_Class.h"
#include "report/FR_Dialog.h"
#include "report/FR_Intrp.h"
#include "report/FR_Preview.h"
#include "report/FR_Prntr.h"
#include "report/FR_Utils.h"

std::function<int(TfrReport*)>& RegisteredDesigner() {
  static std::function<int(TfrReport*)> d;
  return d;
}

std::function<bool(QString& typed)>& PasswordDialog() {
  static std::function<bool(QString&)> ask = [](QString& typed) {
    TfrPasswForm form;
    if (RunModal(&form) != QDialog::Accepted) return false;
    typed = form.E1->text();
    return true;
  };
  return ask;
}

TfrPasswForm::TfrPasswForm(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("TfrPasswForm"));
  setWindowTitle(LocaleText(55653));
  auto* lay = new QVBoxLayout(this);
  L1 = new QLabel(LocaleText(55654), this);
  L1->setObjectName(QStringLiteral("L1"));
  L2 = new QLabel(LocaleText(55655), this);
  L2->setObjectName(QStringLiteral("L2"));
  L2->hide();
  E1 = new QLineEdit(this);
  E1->setObjectName(QStringLiteral("E1"));
  E1->setEchoMode(QLineEdit::Password);
  auto* buttons = new QHBoxLayout;
  OK = new QPushButton(QStringLiteral("确定"), this);
  OK->setObjectName(QStringLiteral("OK"));
  OK->setDefault(true);
  Cancel = new QPushButton(LocaleText(55001), this);
  Cancel->setObjectName(QStringLiteral("Cancel"));
  buttons->addStretch();
  buttons->addWidget(OK);
  buttons->addWidget(Cancel);
  lay->addWidget(L1);
  lay->addWidget(L2);
  lay->addWidget(E1);
  lay->addLayout(buttons);
  connect(OK, &QPushButton::clicked, this, &QDialog::accept);
  connect(Cancel, &QPushButton::clicked, this, &QDialog::reject);
  setMinimumWidth(300);
}

TfrProgressForm*& ProgressWindow() {
  static TfrProgressForm* w = nullptr;
  return w;
}

// ---------------------------------------------------------------------------------------
// Progress window

TfrProgressForm::TfrProgressForm(TfrReport* report, QWidget* parent) : QDialog(parent), report_(report) {
  setObjectName(QStringLiteral("TfrProgressForm"));
  auto* lay = new QVBoxLayout(this);
  Label1 = new QLabel(this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setMinimumWidth(240);
  Button1 = new QPushButton(LocaleText(55001).isEmpty() ? QStringLiteral("取消") : LocaleText(55001), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  lay->addWidget(Label1);
  lay->addWidget(Button1, 0, Qt::AlignHCenter);
  connect(Button1, &QPushButton::clicked, this, [this] {
    if (report_) report_->Terminated = true;
    done(2);
  });
}

void TfrProgressForm::SetLabel(const QString& text) { Label1->setText(text); }

void TfrProgressForm::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  if (!started_) QCoreApplication::postEvent(this, new QEvent(QEvent::Type(kStartEvent)));
}

bool TfrProgressForm::event(QEvent* e) {
  if (e->type() == QEvent::Type(kStartEvent)) {
    if (!started_ && isVisible()) {
      started_ = true;
      try {
        if (OnStart) OnStart();
      } catch (const Exception& ex) {
        RecordBuildError(ex);
        if (isVisible()) done(2);
      }
    }
    return true;
  }
  return QDialog::event(e);
}

namespace {
void installObjectHooks(TfrReport* r);
}  // namespace
bool runDialogPage(TfrReport* report, TfrPage* page);
namespace {

// Runs `start` inside a progress window with the given texts; the window's modal result.
int runInProgressWindow(TfrReport* r, const QString& firstText, const QString& label, std::function<void()> start) {
  TfrProgressForm form(r);
  form.setWindowTitle(LocaleText(55203) + (r->Title.isEmpty() ? QString() : QStringLiteral(" - ") + r->Title));
  form.FirstCaption = firstText;
  form.SetLabel(label);
  form.OnStart = std::move(start);
  TfrProgressForm* saved = ProgressWindow();
  ProgressWindow() = &form;
  const int result = RunModal(&form);
  ProgressWindow() = saved;
  return result;
}

// Time since the progress window's messages were last handled from inside a build.
QElapsedTimer& sinceMessages() {
  static QElapsedTimer t;
  return t;
}

void closeProgress(int result) {
  if (TfrProgressForm* w = ProgressWindow(); w && w->isVisible()) w->done(result);
}

// Per report: the DoublePassReport value taken when a build starts.
bool& doublePass() {
  static bool v = false;
  return v;
}
}  // namespace

// ---------------------------------------------------------------------------------------
// The component

TfrEMFPages& TfrReport::EMFPages() {
  if (OutputReport && OutputReport != this) return OutputReport->EMFPages();
  if (!emfPages_) {
    emfPages_ = findChild<TfrEMFPages*>(QStringLiteral("EMFPages"), Qt::FindDirectChildrenOnly);
    if (!emfPages_) emfPages_ = new TfrEMFPages(this);
  }
  return *emfPages_;
}

std::function<bool(TfrReport*, TfrPage*)>& BuiltPageDesigner() {
  static std::function<bool(TfrReport*, TfrPage*)> hook;
  return hook;
}

QList<TfrExportFilterInfo>& ExportFilters() {
  static QList<TfrExportFilterInfo> filters;
  return filters;
}

namespace {
QString storedPrinterName(const TfrPrinter& p) { return p.IsVirtual() ? QStringLiteral("\001") : p.SelectedName(); }
}  // namespace

void TfrReport::ReapplyPagePaper() {
  TfrPrinter& p = ReportPrinter();
  for (auto& page : Pages) {
    if (page->PageType != ptReport) continue;
    p.SetPaper(page->pgSize, page->pgOr == 1 ? page->pgHeight : page->pgWidth,
               page->pgOr == 1 ? page->pgWidth : page->pgHeight, page->pgBin, page->pgOr, true);
    // A paper code the printer does not know becomes its custom size with the same dimensions.
    if (page->pgSize != 256 && !p.PaperSizes.contains(page->pgSize)) page->pgSize = 256;
  }
}

bool TfrReport::SwitchPrinter(int oldIndex, int newIndex) {
  TfrPrinter& p = ReportPrinter();
  try {
    if (newIndex < 0 || newIndex >= p.Printers.size())
      throw Exception(QStringLiteral("没有第 %1 台打印机").arg(newIndex + 1));
    p.SelectPrinter(newIndex);
    PrinterName = storedPrinterName(p);
    p.PaperSize = -1;
    ReapplyPagePaper();
    return true;
  } catch (const Exception&) {
    MessageBox(LocaleText(55210), LocaleText(55206), MsgIcon::Error);
    p.SelectPrinter(oldIndex);
    PrinterName = storedPrinterName(p);
    ReapplyPagePaper();
    return false;
  }
}

bool TfrReport::RebuildForPrinter(int oldIndex) {
  TfrPrinter& p = ReportPrinter();
  const int chosen = p.PrinterIndex;
  if (!RebuildPrinter || !CanRebuild || chosen == oldIndex) return false;
  // Back to the old printer first, so that the switch is made (and undone on failure) as one step.
  p.SelectPrinter(oldIndex);
  if (!SwitchPrinter(oldIndex, chosen)) return false;
  return BuildReport();
}

void TfrReport::EditBuiltPage(int index) {
  if (!BuiltPageDesigner() || index < 0 || index >= EMFPages().Count()) return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  QBuffer saved;
  saved.open(QIODevice::ReadWrite);
  SaveTemplate(saved);
  const QString fileName = FileName;
  TfrEMFPages& pages = EMFPages();
  pages.ObjectsToPage(index);
  TfrEMFPages::Entry& e = pages.EntryAt(index);
  std::vector<std::unique_ptr<TfrPage>> kept;
  kept.swap(Pages);
  Pages.push_back(std::move(e.Page));
  QApplication::restoreOverrideCursor();
  bool modified = false;
  try {
    modified = BuiltPageDesigner()(this, Pages.front().get());
  } catch (const Exception& ex) {
    ShowError(ex.message(), LocaleText(55206));
  }
  e.Page = std::move(Pages.front());
  Pages.clear();
  if (modified && AskYesNo(LocaleText(55306) + QStringLiteral("?"), LocaleText(55006)))
    pages.PageToObjects(index);
  else
    e.Page.reset();   // read again from the unchanged stream when next drawn
  saved.seek(0);
  LoadTemplate(saved);
  FileName = fileName;
}

void TfrReport::ExportTo(TfrExportFilter* filter, const QString& path) {
  if (!filter) return;
  filter->FileName = path;
  bool cancel = false;
  filter->BeforeExport(path, cancel);
  if (cancel || filter->ShowModal() != 1) return;
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) {
    ShowError(QStringLiteral("无法写入文件 ") + path, LocaleText(55206));
    return;
  }
  CurrentReport() = this;
  TfrEMFPages& pages = EMFPages();
  TotalPages = pages.Count();
  Terminated = false;
  auto run = [&] {
    filter->OnBeginDoc(file);
    for (int i = 0; i < pages.Count() && !Terminated; ++i) {
      filter->OnBeginPage(i, file);
      const bool cached = pages.EntryAt(i).Page != nullptr;
      if (TfrPage* page = pages.ObjectsToPage(i))
        for (const auto& v : page->Objects) filter->OnData(v.get(), file);
      if (!cached) pages.EntryAt(i).Page.reset();
      filter->OnEndPage(i, file);
      ReportProgress(i + 1);
    }
    filter->OnEndDoc(file);
    closeProgress(1);
  };
  if (ShowProgress && !OnProgress) {
    const QString first = LocaleText(55205);
    runInProgressWindow(this, first, first, run);
  } else {
    run();
  }
  if (Terminated) {
    file.cancelWriting();
    return;
  }
  if (!file.commit()) {
    ShowError(QStringLiteral("无法写入文件 ") + path, LocaleText(55206));
    return;
  }
  filter->AfterExport(path);
}

QByteArray TfrReport::ReportForm() {
  QByteArray block;
  QBuffer b(&block);
  b.open(QIODevice::WriteOnly);
  frs::WriteI32(b, kCurrentStreamVersion);
  if (StoreInDFM) {
    QBuffer t;
    t.open(QIODevice::ReadWrite);
    SaveTemplate(t);
    frs::WriteI32(b, int32_t(t.data().size()));
    frs::WriteRaw(b, t.data());
  }
  return block;
}

void TfrReport::SetReportForm(const QByteArray& block) {
  QBuffer b;
  b.setData(block);
  b.open(QIODevice::ReadOnly);
  try {
    frs::ReadI32(b);
    if (!StoreInDFM) return;
    const int32_t n = frs::ReadI32(b);
    if (n < 0 || n > b.size() - b.pos()) throw EReadError(QStringLiteral("窗体中的报表模板已损坏"));
    QBuffer t;
    t.setData(frs::ReadRaw(b, n));
    t.open(QIODevice::ReadOnly);
    LoadTemplate(t);
  } catch (const Exception&) {
    // A block with only the version word (or cut short) holds no template.
  }
}

void TfrCompositeReport::BuildPages() {
  CanRebuild = true;
  PageNo = 0;
  for (int i = 0; i < Reports.size(); ++i) {
    TfrReport* m = Reports[i];
    AppendNext() = false;
    if (i + 1 < Reports.size() && !Reports[i + 1]->Pages.empty() && Reports[i + 1]->Pages.front()->PrintToPrevPage) {
      const TfrPage* next = Reports[i + 1]->Pages.front().get();
      // Continuing is only possible on the same paper.
      int size = 0, orientation = 0;
      if (EMFPages().Count() > 0) {
        const auto& last = EMFPages().EntryAt(EMFPages().Count() - 1);
        size = last.pgSize;
        orientation = last.pgOr;
      } else if (!m->Pages.empty()) {
        size = m->Pages.back()->pgSize;
        orientation = m->Pages.back()->pgOr;
      }
      AppendNext() = next->pgSize == size && next->pgOr == orientation;
    }
    m->OutputReport = this;
    m->PageNo = EMFPages().Count() - (AppendToPrevious() && EMFPages().Count() > 0 ? 1 : 0);
    m->Terminated = false;
    m->FinalPass = FinalPass;
    m->TotalPages = TotalPages;
    CurrentReport() = m;
    m->Bind();
    installObjectHooks(m);
    try {
      m->BuildPages();
    } catch (...) {
      m->OutputReport = nullptr;
      CurrentReport() = this;
      Bind();
      throw;
    }
    m->OutputReport = nullptr;
    CurrentReport() = this;
    Bind();
    PageNo = EMFPages().Count();
    AppendToPrevious() = AppendNext();
    AppendNext() = false;
    if (Terminated || m->Terminated) {
      Terminated = true;
      break;
    }
  }
}

bool TfrReport::OpenTemplateFile(const QString& path) {
  if (!QFile::exists(path)) return false;
  // A file that cannot be opened or whose content the reader refused is a failure too.
  if (!LoadFromFile(path)) {
    if (!TemplateRefused) {
      MessageBox(QStringLiteral("无法打开文件 ") + path, LocaleText(55206), MsgIcon::Error);
      TemplateRefused = true;
    }
    return false;
  }
  FileName = path;
  return true;
}

void TfrReport::SaveTemplateFile(const QString& path) {
  bool saved = false;
  try {
    saved = path.endsWith(QStringLiteral(".fr3"), Qt::CaseInsensitive) ? ExportXmlTemplate(path) : SaveToFile(path);
  } catch (const Exception& e) {
    ShowError(e.message(), LocaleText(55206));
    return;
  }
  if (!saved) ShowError(QStringLiteral("无法写入文件 ") + path, LocaleText(55206));
}

void TfrReport::SelectPrinterByName(const QString& name) {
  TfrPrinter& p = ReportPrinter();
  if (!PrintToDefault) {
    if (name == QStringLiteral("\001")) p.SelectPrinter(p.VirtualPrinterIndex);
    else if (const int i = int(p.Printers.indexOf(name)); i >= 0) p.SelectPrinter(i);
  }
  PrinterName = name;
}

bool BuildStopRequested(TfrReport* r) {
  auto stopped = [r] {
    TfrReport* cur = CurrentReport();
    return r->Terminated || (cur && cur->Terminated);
  };
  if (stopped()) return true;
  TfrProgressForm* w = ProgressWindow();
  if (!w || !w->isVisible()) return false;
  QElapsedTimer& since = sinceMessages();
  if (since.isValid() && since.elapsed() < 100) return false;
  since.start();
  QCoreApplication::processEvents();
  return stopped();
}

void TfrReport::ReportProgress(int n) {
  if (OnProgress) {
    OnProgress(n);
    return;
  }
  if (!ShowProgress) return;
  if (TfrProgressForm* w = ProgressWindow()) {
    QString text = w->FirstCaption + QStringLiteral("  ") + QString::number(n);
    if (FinalPass && doublePass())
      text += QStringLiteral(" ") + LocaleText(55199) + QStringLiteral(" ") + QString::number(TotalPages);
    w->SetLabel(text);
  }
  QCoreApplication::processEvents();
}

namespace {
bool runBuild(TfrReport* r);

void runBuildPass(TfrReport* r) {
  r->BuildPages();
  if (r->FinalPass) {
    closeProgress(r->Terminated ? 2 : 1);
    return;
  }
  r->TotalPages = r->EMFPages().Count();
  r->DoublePassReport = false;
  if (r->Terminated) {
    r->EMFPages().Clear();
    closeProgress(2);
  } else {
    runBuild(r);
  }
  r->DoublePassReport = true;
}

bool runBuild(TfrReport* r) {
  r->Terminated = false;
  AppendToPrevious() = false;
  r->FinalPass = true;
  r->PageNo = 0;
  r->EMFPages().Clear();
  const bool withWindow = !r->OnProgress && r->ShowProgress;
  if (r->DoublePassReport) {
    r->FinalPass = false;
    if (!withWindow) {
      runBuildPass(r);
      return true;
    }
    const QString first = LocaleText(55204);
    return runInProgressWindow(r, first, first + QStringLiteral("  1"), [r] { runBuildPass(r); }) != 2;
  }
  if (!withWindow) {
    r->DoublePassReport = doublePass();
    runBuildPass(r);
    return true;
  }
  if (doublePass()) {
    if (ProgressWindow()) ProgressWindow()->FirstCaption = LocaleText(55205);
    r->DoublePassReport = true;
    runBuildPass(r);
    return true;
  }
  r->TotalPages = 0;
  const QString first = LocaleText(55205);
  return runInProgressWindow(r, first, first + QStringLiteral("  1"), [r] { runBuildPass(r); }) != 2;
}
}  // namespace

namespace {
// Scripts and expressions reach the objects of the template through "Object.Property" names.
void installObjectHooks(TfrReport* r) {
  r->PropRead = [](const QString& name, Variant& value) {
    QString prop;
    TfrObject* o = SplitObjectProperty(name, prop);
    if (!o || prop.isEmpty() || !FindPropRec(o, prop)) return false;
    value = o->PropRead(prop.toUpper());
    return true;
  };
  r->PropWrite = [](const QString& name, const Variant& value) {
    QString prop;
    TfrObject* o = SplitObjectProperty(name, prop);
    if (!o || prop.isEmpty() || !FindPropRec(o, prop)) return false;
    o->PropWrite(prop.toUpper(), value);
    return true;
  };
  r->InvokeMethod = [](const QString& name, const QString& p1, const QString& p2, const QString& p3,
                       Variant& result) {
    QString method;
    TfrObject* o = SplitObjectProperty(name, method);
    if (!o || method.isEmpty()) return false;
    auto arg = [](const QString& t) { return t.trimmed().isEmpty() ? Variant() : ReportParser().Evaluate(t); };
    result = o->InvokeMethod(method.toUpper(), arg(p1), arg(p2), arg(p3));
    return true;
  };
  r->SetIndexProperty = [](const QString& objectProperty, const Variant& index, const Variant& value) {
    QString prop;
    TfrObject* o = SplitObjectProperty(objectProperty, prop);
    if (!o) return false;
    o->InvokeMethod(QStringLiteral("SETINDEXPROPERTY"), Variant(prop), index, value);
    return true;
  };
  r->GetIndexProperty = [](const QString& objectProperty, const Variant& index, Variant& value) {
    QString prop;
    TfrObject* o = SplitObjectProperty(objectProperty, prop);
    if (!o) return false;
    value = o->InvokeMethod(QStringLiteral("GETINDEXPROPERTY"), Variant(prop), index, Variant());
    return true;
  };
}
}  // namespace

bool TfrReport::BuildReport() {
  // A refused template left an empty page in place of what the file held; it is not built.
  if (TemplateRefused) {
    EMFPages().Clear();
    return false;
  }
  SelectPrinterByName(PrinterName);
  DateSnapshot = Today();
  TimeSnapshot = Now();
  CurrentPage() = nullptr;
  CurrentBand() = nullptr;
  CurrentReport() = this;
  doublePass() = DoublePassReport;
  Bind();
  installObjectHooks(this);
  // A running script stops when the build is cancelled (a loop without end included).
  struct StopHook {
    std::function<bool()> outer = ReportInterpreter().StopRequested;
    explicit StopHook(TfrReport* r) { ReportInterpreter().StopRequested = [r] { return BuildStopRequested(r); }; }
    ~StopHook() { ReportInterpreter().StopRequested = outer; }
  } stopHook(this);
  InstallAggregateHook();
  // Whatever scripts change in the template during the build is undone by reading it back.
  QBuffer saved;
  saved.open(QIODevice::ReadWrite);
  try {
    SaveTemplate(saved);
  } catch (const Exception& e) {
    MessageBox(e.message(), LocaleText(55206), MsgIcon::Error);
    EMFPages().Clear();
    return false;
  }
  const QString fileName = FileName;
  ErrorFlag() = false;
  ErrorText().clear();
  if (OnBeginDoc) OnBeginDoc();
  bool result = false;
  try {
    result = runBuild(this);
  } catch (const Exception& e) {
    RecordBuildError(e);
  } catch (const std::bad_alloc&) {
    RecordBuildError(Exception(QStringLiteral("内存不足，报表无法生成。")));
  }
  if (OnEndDoc) OnEndDoc();
  const bool error = ErrorFlag();
  const QString errorText = ErrorText();
  saved.seek(0);
  LoadTemplate(saved);
  FileName = fileName;
  DoublePassReport = doublePass();
  FinalPass = false;
  if (BuildStopped()) {
    result = false;
    EMFPages().Clear();
  }
  if (error) {
    MessageBox(errorText, LocaleText(55206), MsgIcon::Error);
    EMFPages().Clear();
    // The pages were discarded: with or without the progress window the build failed.
    result = false;
  }
  CurrentBand() = nullptr;
  return result;
}

void TfrReport::BuildPages() {
  QCoreApplication::processEvents();
  CanRebuild = true;
  TfrReport* outer = this;
  Dictionary.ClearCache();
  Bind();
  ErrorFlag() = false;
  const bool perRecord = Dataset && ReportType == rtMultiple;
  if (perRecord) {
    Dataset->BeginScan();
    Dataset->First();
  }
  BuildStopped() = false;
  // Dialog pages come first, in page order: each is shown modally (its script runs as it opens)
  // and Cancel stops the build before a page is formed.
  if (FinalPass || !doublePass()) {
    for (auto& page : Pages) {
      if (page->PageType != ptDialog || BuildStopped()) continue;
      CurrentPage() = page.get();
      if (!runDialogPage(this, page.get())) BuildStopped() = true;
    }
    CurrentPage() = nullptr;
    if (BuildStopped()) return;
  }
  const bool savedBuildMode = BuildMode();
  BuildMode() = true;
  FirstPassRunning() = !FinalPass;
  std::vector<std::unique_ptr<TfrPageForm>> forms;
  for (auto& p : Pages) forms.push_back(std::make_unique<TfrPageForm>(p.get(), outer));
  PageForms().clear();
  for (auto& f : forms) PageForms().push_back(f.get());
  // The target page of a sub-report is formed only where the sub-report sits.
  for (auto& f : forms)
    for (auto& o : f->Page->Objects)
      if (auto* sub = dynamic_cast<TfrSubReportView*>(o.get());
          sub && sub->SubPage >= 0 && size_t(sub->SubPage) < forms.size() && forms[size_t(sub->SubPage)] != f)
        forms[size_t(sub->SubPage)]->Skip = true;
  if (!(FinalPass && doublePass()) && OnCrossBeginDoc) OnCrossBeginDoc();
  for (auto& f : forms) f->MakeReady();
  for (auto& f : forms) f->PrepareAggregates();
  Dictionary.DefaultDataset = [this]() -> TfrDBDataSet* {
    TfrBand* b = CurrentBand();
    if (b && !b->DataSource && b->AggregateSource) b = b->AggregateSource;
    if (b && !b->DataSource && b->DataBand) b = b->DataBand;
    if ((!b || !b->DataSource) && CurrentPageForm()) b = CurrentPageForm()->Bands[btMasterData];
    return b ? qobject_cast<TfrDBDataSet*>(b->DataSource) : nullptr;
  };
  ShowBand = [](const QString& name) {
    if (TfrPageForm* f = CurrentPageForm()) f->ShowBandByName(name);
  };
  do {
    ReportProgress(PageNo + 1);
    for (size_t j = 0; j < forms.size(); ++j) {
      TfrPage* page = Pages[j].get();
      if (page->PageType != ptReport || forms[j]->Skip) continue;
      CurrentPage() = page;
      CurrentPageForm() = forms[j].get();
      forms[j]->Form();
      const bool last = j + 1 == forms.size();
      if ((last && AppendNext() && (!perRecord || Dataset->Eof())) || (!last && Pages[j + 1]->PrintToPrevPage)) {
        AppendToPrevious() = true;
        --PageNo;
      } else {
        PageNo = EMFPages().Count();
        ReportProgress(PageNo);
      }
      if (Terminated) break;
    }
    ReportProgress(PageNo);
    if (perRecord) Dataset->Next();
  } while (perRecord && !Terminated && !Dataset->Eof());
  PageForms().clear();
  forms.clear();
  if (perRecord) Dataset->EndScan();
  ShowBand = nullptr;
  Dictionary.DefaultDataset = nullptr;
  CurrentPageForm() = nullptr;
  CurrentPage() = nullptr;
  CurrentView() = nullptr;
  FirstPassRunning() = false;
  BuildMode() = savedBuildMode;
}

// Runs a script with `view` as the current object; a fault is recorded for the end of the build.
bool runDialogScript(const QStringList& script, TfrView* view) {
  if (script.isEmpty()) return true;
  TfrView* savedView = CurrentView();
  CurrentView() = view;
  const bool ok = RunScriptLines(script);
  CurrentView() = savedView;
  return ok;
}

// Shows a dialog page as a modal window with its controls; false when it was cancelled (the
// window closed with Cancel, or without a result) or a script failed.
bool runDialogPage(TfrReport* report, TfrPage* page) {
  QDialog form;
  form.setObjectName(page->Name);
  std::vector<TfrControl*> controls;
  bool visual = false;
  for (auto& o : page->Objects) {
    o->ParentPage = page;
    if (auto* nv = dynamic_cast<TfrNonVisualControl*>(o.get())) {
      if (report->OnCustomizeObject) report->OnCustomizeObject(nv->Component);
    } else if (auto* c = dynamic_cast<TfrControl*>(o.get())) {
      c->PlaceOn(&form);
      controls.push_back(c);
      visual = true;
    }
  }
  // The controls live on with their objects: the report pages read the answers.
  struct TakeOff {
    std::vector<TfrControl*>& controls;
    ~TakeOff() {
      for (TfrControl* c : controls) {
        c->OnEvent = nullptr;
        c->TakeOff();
      }
    }
  } takeOff{controls};
  int scripted = 0;
  bool shown = false, failed = false;
  auto close = [&](int result) { form.done(result); };
  auto savedHook = report->SetModalResult;
  report->SetModalResult = [&](int result) {
    if (shown) {
      if (result != 0) close(result);
    } else {
      scripted = result;
    }
    return true;
  };
  struct Restore {
    TfrReport* r;
    std::function<bool(int)> hook;
    ~Restore() { r->SetModalResult = hook; }
  } restore{report, savedHook};
  // A control's script runs on its event (a click, a change); a button with a modal result
  // then closes the window with it.
  for (TfrControl* c : controls)
    c->OnEvent = [&](TfrControl* control) {
      if (!runDialogScript(control->Script, control)) {
        failed = true;
        close(2);
        return;
      }
      if (auto* b = dynamic_cast<TfrButtonControl*>(control); b && b->ModalResult != 0) close(b->ModalResult);
    };
  if (visual) {
    form.setWindowTitle(page->Caption);
    QPalette pal = form.palette();
    pal.setColor(QPalette::Window, ToQColor(page->Color));
    form.setPalette(pal);
    form.setAutoFillBackground(true);
    if (page->Width > 0 && page->Height > 0) {
      if (page->BorderStyle == 2)
        form.resize(page->Width, page->Height);
      else
        form.setFixedSize(page->Width, page->Height);
    }
    if (page->Position == 0) form.move(page->Left, page->Top);
  }
  // The page's script is its OnActivate: it runs before the window opens. A script that sets
  // MODALRESULT decides without asking: 2 (Cancel) stops the build, any other value goes on.
  if (!runDialogScript(page->Script, nullptr)) return false;
  if (scripted != 0) return scripted != 2;
  if (!visual) return true;
  shown = true;
  // The progress window steps aside while the page asks, and comes back as it was.
  QPointer<TfrProgressForm> progress = ProgressWindow();
  const bool progressShown = progress && progress->isVisible();
  if (progressShown) progress->hide();
  const int result = RunModal(&form);
  if (progressShown && progress) progress->show();
  return !failed && result != 2 && result != QDialog::Rejected;
}

int TfrReport::OpenDesigner() {
  SelectPrinterByName(PrinterName);
  if (Pages.empty()) AppendPage();
  CurrentReport() = this;
  if (!RegisteredDesigner()) {
    // No designer in this build: say so rather than doing nothing.
    ShowInformation(QString::fromUtf8("报表设计器尚未提供。"));
    return 2;
  }
  return RegisteredDesigner()(this);
}

void TfrReport::ShowBuiltReport() {
  CurrentReport() = this;
  CurrentBand() = nullptr;
  if (EMFPages().Count() == 0) return;
  auto* form = new TfrPreviewForm;
  form->setWindowTitle(LocaleText(55207) + (Title.isEmpty() ? QString() : QStringLiteral(" - ") + Title));
  if (!ModalPreview) form->setAttribute(Qt::WA_DeleteOnClose);
  form->ShowReport(this);
  if (ModalPreview) delete form;
  QCoreApplication::processEvents();
}

void TfrReport::PrintWithProgress(const QString& pageList, int copies, int printMode, bool collate) {
  CurrentReport() = this;
  Terminated = false;
  if (OnProgress || !ShowProgress) {
    PrintBuiltPages(pageList, copies, printMode, collate);
    return;
  }
  const QString first = LocaleText(55208);
  runInProgressWindow(this, first, first, [=, this] {
    PrintBuiltPages(pageList, copies, printMode, collate);
    closeProgress(1);
  });
}

void TfrReport::PrintBuiltPages(const QString& pageList, int copies, int printMode, bool collate) {
  TfrEMFPages& pages = EMFPages();
  if (pages.Count() == 0) return;
  if (copies < 1) copies = 1;
  const QList<int> order = PrintOrder(pages.Count(), ParsePageList(pageList, pages.Count()), printMode, copies, collate);
  if (order.isEmpty()) return;
  TfrPrinter& p = ReportPrinter();
  auto applyPaper = [&](const TfrEMFPages::Entry& e) {
    p.SetPaper(e.pgSize, e.pgWidth, e.pgHeight, e.pgBin, e.pgOr, true);
  };
  applyPaper(pages.EntryAt(order.first() - 1));
  QPrinter* printer = p.Printer();
  p.ApplyToPrinter();
  printer->setDocName(Title.isEmpty() ? LocaleText(55209) : Title);
  printer->setCopyCount(collate ? copies : 1);
  if (OnPrintReport) OnPrintReport();
  // A PDF file is written by the direct page writer; a real printer takes the pages from Qt.
  const bool toFile = printer->outputFormat() == QPrinter::PdfFormat && !printer->outputFileName().isEmpty();
  const int dpi = printer->resolution();
  auto paperPoints = [&] { return printer->pageLayout().fullRect(QPageLayout::Point).size(); };
  std::unique_ptr<PdfPageWriter> writer;
  if (toFile) {
    writer = std::make_unique<PdfPageWriter>(printer->outputFileName(), dpi, paperPoints());
    writer->setTitle(printer->docName());
  }
  QPainter painter;
  if (!(toFile ? writer->isValid() && painter.begin(writer.get()) : painter.begin(printer))) {
    ShowError(LocaleText(55210), LocaleText(55206));
    return;
  }
  TCanvas canvas(&painter, dpi);
  for (int i = 0; i < order.size(); ++i) {
    const int index = order[i] - 1;
    TfrEMFPages::Entry& e = pages.EntryAt(index);
    if (i > 0) {
      if (!p.MatchesPaper(e.pgSize, e.pgWidth, e.pgHeight, e.pgBin, e.pgOr)) {
        applyPaper(e);
        p.ApplyToPrinter();
      }
      if (writer) {
        writer->setPageSize(paperPoints());
        writer->newPage();
      } else {
        printer->newPage();
      }
    }
    const QRect rect(0, 0, int(e.pgWidth / 254.0 * dpi + 0.5), int(e.pgHeight / 254.0 * dpi + 0.5));
    e.Visible = true;
    pages.Draw(index, &canvas, rect);
    e.Visible = false;
    pages.Draw(index, &canvas, QRect());
    ReportProgress(order[i]);
    QCoreApplication::processEvents();
    if (Terminated) {
      if (writer) writer->abort();
      painter.end();
      if (!writer) printer->abort();
      return;
    }
  }
  if (!painter.end() && writer) {
    ShowError(QStringLiteral("无法写入文件 ") + printer->outputFileName(), LocaleText(55206));
    return;
  }
  if (!writer) FinishPdfOutput(printer);
}

void TfrReport::LoadBuiltReportFile(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) {
    ShowError(QStringLiteral("无法打开文件 ") + path, LocaleText(55206));
    return;
  }
  try {
    EMFPages().LoadFromFile(f);
  } catch (const Exception& e) {
    EMFPages().Clear();
    ShowError(QStringLiteral("报表文件已损坏，无法打开：") + path + QStringLiteral("\n") + e.message(), LocaleText(55206));
  }
  CanRebuild = false;
}

void TfrReport::SaveBuiltReportFile(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadWrite | QIODevice::Truncate)) {
    ShowError(QStringLiteral("无法写入文件 ") + path, LocaleText(55206));
    return;
  }
  EMFPages().SaveToFile(f);
}

// ---------------------------------------------------------------------------------------
// Preview

QImage RenderBuiltPage(TfrReport* report, int index, double zoom) {
  TfrEMFPages& pages = report->EMFPages();
  TfrEMFPages::Entry& e = pages.EntryAt(index);
  const int w = int((e.Metrics.PageWidth > 0 ? e.Metrics.PageWidth : TenthsMmToPixels(e.pgWidth)) * zoom);
  const int h = int((e.Metrics.PageHeight > 0 ? e.Metrics.PageHeight : TenthsMmToPixels(e.pgHeight)) * zoom);
  QImage img(std::max(1, w), std::max(1, h), QImage::Format_RGB32);
  img.fill(Qt::white);
  QPainter painter(&img);
  TCanvas canvas(&painter);
  e.Visible = true;
  pages.Draw(index, &canvas, QRect(0, 0, w, h));
  e.Visible = false;
  painter.end();
  return img;
}
