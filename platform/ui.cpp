#include "platform/ui.h"

#include <QApplication>
#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QInputDialog>
#include <QGridLayout>
#include <QGuiApplication>
#include <QMessageBox>
#include <QSpacerItem>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QStandardPaths>
#include <algorithm>

#include "platform/operatortext.h"

// ---------------------------------------------------------------------------------------
// Message boxes

QList<int> ButtonsOf(MsgButtons buttons) {
  switch (buttons) {
    case MsgButtons::OK: return {mrOk};
    case MsgButtons::OKCancel: return {mrOk, mrCancel};
    case MsgButtons::YesNo: return {mrYes, mrNo};
    case MsgButtons::YesNoCancel: return {mrYes, mrNo, mrCancel};
    case MsgButtons::AbortRetryIgnore: return {mrAbort, mrRetry, mrIgnore};
    case MsgButtons::RetryCancel: return {mrRetry, mrCancel};
    case MsgButtons::YesNoAll: return {mrYes, mrNo, mrAll};
  }
  return {mrOk};
}

QString ButtonCaption(int result) {
  switch (result) {
    case mrOk: return QString::fromUtf8("确定");
    case mrCancel: return QString::fromUtf8("取消");
    case mrAbort: return QString::fromUtf8("中止(&A)");
    case mrRetry: return QString::fromUtf8("重试(&R)");
    case mrIgnore: return QString::fromUtf8("忽略(&I)");
    case mrYes: return QString::fromUtf8("是(&Y)");
    case mrNo: return QString::fromUtf8("否(&N)");
    case mrAll: return QString::fromUtf8("全部(&A)");
    default: return QString();
  }
}

QString ApplicationTitle() { return QGuiApplication::applicationDisplayName(); }

namespace {

UiBackend* g_backend = nullptr;

int ShowRequest(MessageRequest request) {
  // The platform layers' English failure texts reach the operator in Chinese.
  request.text = OperatorText(request.text);
  if (request.buttons.isEmpty()) request.buttons = {mrOk};
  if (!request.buttons.contains(request.defaultButton)) request.defaultButton = request.buttons.first();
  return CurrentUiBackend().messageBox(request);
}

}  // namespace

int MessageBox(const QString& text, const QString& caption, MsgIcon icon, MsgButtons buttons,
               int defaultButton) {
  MessageRequest request;
  request.text = text;
  request.caption = caption;
  request.icon = icon;
  request.buttons = ButtonsOf(buttons);
  request.defaultButton = defaultButton;
  return ShowRequest(request);
}

int MessageBoxFlags(const QString& text, const QString& caption, int flags) {
  MsgButtons buttons = MsgButtons::OK;
  switch (flags & 0xF) {
    case MB_OKCANCEL: buttons = MsgButtons::OKCancel; break;
    case MB_ABORTRETRYIGNORE: buttons = MsgButtons::AbortRetryIgnore; break;
    case MB_YESNOCANCEL: buttons = MsgButtons::YesNoCancel; break;
    case MB_YESNO: buttons = MsgButtons::YesNo; break;
    case MB_RETRYCANCEL: buttons = MsgButtons::RetryCancel; break;
    default: buttons = MsgButtons::OK; break;
  }
  MsgIcon icon = MsgIcon::None;
  switch (flags & 0xF0) {
    case MB_ICONERROR: icon = MsgIcon::Error; break;
    case MB_ICONQUESTION: icon = MsgIcon::Question; break;
    case MB_ICONEXCLAMATION: icon = MsgIcon::Exclamation; break;
    case MB_ICONINFORMATION: icon = MsgIcon::Information; break;
    default: break;
  }
  const QList<int> list = ButtonsOf(buttons);
  const int index = (flags & 0xF00) >> 8;
  const int defaultButton = index < list.size() ? list[index] : list.first();
  return MessageBox(text, caption, icon, buttons, defaultButton);
}

int MessageDlg(const QString& text, TMsgDlgType type, const QList<int>& buttons, int defaultButton) {
  MessageRequest request;
  request.text = text;
  request.buttons = buttons;
  request.defaultButton = defaultButton;
  switch (type) {
    case mtWarning:
      request.icon = MsgIcon::Exclamation;
      request.caption = QString::fromUtf8("警告");
      break;
    case mtError:
      request.icon = MsgIcon::Error;
      request.caption = QString::fromUtf8("错误");
      break;
    case mtInformation:
      request.icon = MsgIcon::Information;
      request.caption = QString::fromUtf8("信息");
      break;
    case mtConfirmation:
      request.icon = MsgIcon::Question;
      request.caption = QString::fromUtf8("确认");
      break;
    case mtCustom:
      request.caption = ApplicationTitle();
      break;
  }
  return ShowRequest(request);
}

void ShowNotice(const QString& text, const QString& caption) {
  MessageBox(text, caption, MsgIcon::Exclamation, MsgButtons::OK);
}

void ShowInformation(const QString& text, const QString& caption) {
  MessageBox(text, caption, MsgIcon::Information, MsgButtons::OK);
}

bool AskYesNo(const QString& text, const QString& caption, int defaultButton) {
  return MessageBox(text, caption, MsgIcon::Question, MsgButtons::YesNo, defaultButton) == mrYes;
}

void ShowError(const QString& text, const QString& caption) {
  MessageBox(text, caption, MsgIcon::Error, MsgButtons::OK);
}

void ShowMessage(const QString& text) { MessageBox(text, ApplicationTitle(), MsgIcon::None, MsgButtons::OK); }

void ShowException(const QString& message) {
  MessageBox(message, ApplicationTitle(), MsgIcon::Error, MsgButtons::OK);
}

// ---------------------------------------------------------------------------------------
// Common dialogs and modal windows: forwarded to the backend

std::optional<QString> OpenFileDialog(const FileDialogRequest& request) {
  return CurrentUiBackend().openFile(request);
}
std::optional<QString> SaveFileDialog(const FileDialogRequest& request) {
  return CurrentUiBackend().saveFile(request);
}
std::optional<TColor> ColorDialog(TColor initial) { return CurrentUiBackend().chooseColor(initial); }
std::optional<TFont> FontDialog(const TFont& initial) { return CurrentUiBackend().chooseFont(initial); }
bool PrintDialog(PrintDialogRequest& request, QPrinter* printer) {
  return CurrentUiBackend().print(request, printer);
}
bool PrinterSetupDialog(PrinterSetupRequest& request, QPrinter* printer) {
  return CurrentUiBackend().printerSetup(request, printer);
}

void ApplyPrintChoice(const PrintDialogRequest& request, QPrinter* printer) {
  if (!printer) return;
  if (request.printToFile && !request.outputFileName.isEmpty()) {
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(request.outputFileName);
  } else {
    // A real printer: the output file of an earlier run must not divert this one.
    printer->setOutputFileName(QString());
    printer->setOutputFormat(QPrinter::NativeFormat);
    if (!request.printerName.isEmpty()) printer->setPrinterName(request.printerName);
  }
  printer->setCopyCount(std::max(1, request.copies));
  printer->setCollateCopies(request.collate);
  if (request.range == PrintDialogRequest::PageRange) {
    printer->setPrintRange(QPrinter::PageRange);
    printer->setFromTo(request.fromPage, request.toPage);
  } else {
    printer->setPrintRange(request.range == PrintDialogRequest::Selection ? QPrinter::Selection : QPrinter::AllPages);
    printer->setFromTo(0, 0);
  }
  if (request.pageSize.isValid()) printer->setPageSize(request.pageSize);
  printer->setPageOrientation(request.landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
}

void DescribePrinter(PrintDialogRequest& request, const QPrinter* printer) {
  if (!printer) return;
  request.printToFile = printer->outputFormat() == QPrinter::PdfFormat && !printer->outputFileName().isEmpty();
  request.outputFileName = printer->outputFileName();
  request.printerName = request.printToFile ? QString() : printer->printerName();
  request.copies = printer->copyCount();
  request.collate = printer->collateCopies();
  request.pageSize = printer->pageLayout().pageSize();
  request.landscape = printer->pageLayout().orientation() == QPageLayout::Landscape;
}

void ApplyPrinterSetup(const PrinterSetupRequest& request, QPrinter* printer) {
  if (!printer) return;
  if (!request.printerName.isEmpty() && printer->outputFormat() == QPrinter::NativeFormat)
    printer->setPrinterName(request.printerName);
  if (request.pageSize.isValid()) printer->setPageSize(request.pageSize);
  printer->setPageOrientation(request.landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
}

QStringList InstalledPrinterNames() { return QPrinterInfo::availablePrinterNames(); }
QString DefaultPrinterName() { return QPrinterInfo::defaultPrinterName(); }
bool InputQuery(const QString& caption, const QString& prompt, QString& value) {
  return CurrentUiBackend().inputQuery(caption, prompt, value);
}
QString InputBox(const QString& caption, const QString& prompt, const QString& defaultValue) {
  QString value = defaultValue;
  return InputQuery(caption, prompt, value) ? value : defaultValue;
}
int RunModal(QDialog* dialog) { return CurrentUiBackend().runModal(dialog); }

QString QtFileFilter(const QString& filter) {
  const QStringList parts = filter.split(QLatin1Char('|'));
  QStringList out;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    QString description = parts[i];
    // The description often repeats the patterns ("文本文件(*.txt)"); Qt reads the patterns
    // from the last parenthesis, so they are given once more in Qt's form.
    out << description + QStringLiteral(" (") + patterns.simplified() + QLatin1Char(')');
  }
  if (out.isEmpty() && !filter.isEmpty() && parts.size() == 1) out << filter;
  return out.join(QStringLiteral(";;"));
}

QString ApplyDefaultExt(const QString& fileName, const QString& defaultExt) {
  if (fileName.isEmpty() || defaultExt.isEmpty()) return fileName;
  if (!QFileInfo(fileName).suffix().isEmpty()) return fileName;
  QString ext = defaultExt;
  if (ext.startsWith(QLatin1Char('.'))) ext.remove(0, 1);
  return fileName + QLatin1Char('.') + ext;
}

UiBackend* SetUiBackend(UiBackend* backend) {
  UiBackend* previous = g_backend ? g_backend : &QtUiBackend();
  g_backend = backend;
  return previous;
}

UiBackend& CurrentUiBackend() { return g_backend ? *g_backend : QtUiBackend(); }

// ---------------------------------------------------------------------------------------
// The Qt backend

namespace {

QString InitialPath(const FileDialogRequest& request) {
  if (request.fileName.isEmpty()) return request.initialDir;
  if (request.initialDir.isEmpty() || QFileInfo(request.fileName).isAbsolute()) return request.fileName;
  return QDir(request.initialDir).filePath(request.fileName);
}

QString SelectedFilter(const FileDialogRequest& request) {
  const QStringList filters = QtFileFilter(request.filter).split(QStringLiteral(";;"));
  const int index = request.filterIndex - 1;
  return index >= 0 && index < filters.size() ? filters[index] : QString();
}

// Tells the caller which filter the operator left chosen (1-based), when it asked.
void ReportChosenFilter(const FileDialogRequest& request, const QString& selected) {
  if (!request.chosenFilterIndex) return;
  const QStringList filters = QtFileFilter(request.filter).split(QStringLiteral(";;"));
  const int index = int(filters.indexOf(selected));
  *request.chosenFilterIndex = index >= 0 ? index + 1 : request.filterIndex;
}

class QtBackend final : public UiBackend {
 public:
  int messageBox(const MessageRequest& request) override {
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(request.caption);
    box.setText(request.text);
    switch (request.icon) {
      case MsgIcon::None: box.setIcon(QMessageBox::NoIcon); break;
      case MsgIcon::Exclamation: box.setIcon(QMessageBox::Warning); break;
      case MsgIcon::Information: box.setIcon(QMessageBox::Information); break;
      case MsgIcon::Question: box.setIcon(QMessageBox::Question); break;
      case MsgIcon::Error: box.setIcon(QMessageBox::Critical); break;
    }
    QList<QPair<QAbstractButton*, int>> map;
    for (int result : request.buttons) {
      // Escape answers Cancel, the only button of an OK box, or No; never Abort or Retry.
      const QMessageBox::ButtonRole role = result == mrCancel ? QMessageBox::RejectRole
                                           : result == mrNo   ? QMessageBox::NoRole
                                                              : QMessageBox::AcceptRole;
      QPushButton* button = box.addButton(ButtonCaption(result), role);
      map.append({button, result});
      if (result == request.defaultButton) box.setDefaultButton(button);
      if (result == mrCancel || (request.buttons.size() == 1 && result == mrOk)) box.setEscapeButton(button);
    }
    // A short message makes a narrow box whose caption the title bar cuts ("提…"): the box is
    // at least as wide as its caption with the program's name and the title bar's buttons.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
      const QString title = request.caption + QStringLiteral(" — ") + QGuiApplication::applicationDisplayName();
      const int width = box.fontMetrics().horizontalAdvance(title) + 140;
      grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Minimum), grid->rowCount(), 0, 1,
                    grid->columnCount());
    }
    box.exec();
    for (const auto& [button, result] : map)
      if (box.clickedButton() == button) return result;
    return request.buttons.contains(mrCancel) ? int(mrCancel) : request.buttons.first();
  }

  std::optional<QString> openFile(const FileDialogRequest& request) override {
    QString selected = SelectedFilter(request);
    const QString name = QFileDialog::getOpenFileName(QApplication::activeWindow(), request.title,
                                                      InitialPath(request), QtFileFilter(request.filter),
                                                      &selected);
    if (name.isEmpty()) return std::nullopt;
    ReportChosenFilter(request, selected);
    return name;
  }

  std::optional<QString> saveFile(const FileDialogRequest& request) override {
    QString selected = SelectedFilter(request);
    QFileDialog::Options options;
    if (!request.overwritePrompt) options |= QFileDialog::DontConfirmOverwrite;
    const QString name = QFileDialog::getSaveFileName(QApplication::activeWindow(), request.title,
                                                      InitialPath(request), QtFileFilter(request.filter),
                                                      &selected, options);
    if (name.isEmpty()) return std::nullopt;
    ReportChosenFilter(request, selected);
    return ApplyDefaultExt(name, request.defaultExt);
  }

  std::optional<TColor> chooseColor(TColor initial) override {
    const QColor color = QColorDialog::getColor(ToQColor(initial), QApplication::activeWindow());
    if (!color.isValid()) return std::nullopt;
    return FromQColor(color);
  }

  std::optional<TFont> chooseFont(const TFont& initial) override {
    bool ok = false;
    const QFont font = QFontDialog::getFont(&ok, initial.toQFont(), QApplication::activeWindow());
    if (!ok) return std::nullopt;
    TFont result = TFont::fromQFont(font, initial.color(), initial.pixelsPerInch());
    result.setCharset(initial.charset());
    return result;
  }

  bool print(PrintDialogRequest& request, QPrinter* printer) override {
    QPrinter local(QPrinter::HighResolution);
    QPrinter* target = printer ? printer : &local;
    ApplyPrintChoice(request, target);
    if (!request.documentName.isEmpty()) target->setDocName(request.documentName);
    // Without a printer the job goes into a PDF file: one is proposed in the documents folder.
    if (target->outputFileName().isEmpty() && InstalledPrinterNames().isEmpty()) {
      const QString name = target->docName().isEmpty() ? QString::fromUtf8("打印") : target->docName();
      QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
      if (folder.isEmpty() || !QDir(folder).exists()) folder = QDir::homePath();
      target->setOutputFileName(QDir(folder).filePath(name + QStringLiteral(".pdf")));
    }
    // The dialog lists the printers installed now, and always "Print to File (PDF)".
    QPrintDialog dialog(target, QApplication::activeWindow());
    dialog.setMinMax(request.minPage, request.maxPage);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    dialog.setOption(QAbstractPrintDialog::PrintCollateCopies, true);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    if (dialog.exec() != QDialog::Accepted) return false;
    switch (dialog.printRange()) {
      case QAbstractPrintDialog::PageRange:
        request.range = PrintDialogRequest::PageRange;
        request.fromPage = target->fromPage();
        request.toPage = target->toPage();
        break;
      case QAbstractPrintDialog::Selection: request.range = PrintDialogRequest::Selection; break;
      default: request.range = PrintDialogRequest::AllPages; break;
    }
    DescribePrinter(request, target);
    return true;
  }

  bool printerSetup(PrinterSetupRequest& request, QPrinter* printer) override {
    QPrinter local(QPrinter::HighResolution);
    QPrinter* target = printer ? printer : &local;
    if (!request.printerName.isEmpty()) target->setPrinterName(request.printerName);
    target->setPageOrientation(request.landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    QPageSetupDialog dialog(target, QApplication::activeWindow());
    if (dialog.exec() != QDialog::Accepted) return false;
    request.printerName = target->printerName();
    request.landscape = target->pageLayout().orientation() == QPageLayout::Landscape;
    request.paperName = target->pageLayout().pageSize().name();
    request.pageSize = target->pageLayout().pageSize();
    return true;
  }

  bool inputQuery(const QString& caption, const QString& prompt, QString& value) override {
    bool ok = false;
    const QString text =
        QInputDialog::getText(QApplication::activeWindow(), caption, prompt, QLineEdit::Normal, value, &ok);
    if (!ok) return false;
    value = text;
    return true;
  }

  int runModal(QDialog* dialog) override { return dialog->exec(); }
};

}  // namespace

UiBackend& QtUiBackend() {
  static QtBackend backend;
  return backend;
}
