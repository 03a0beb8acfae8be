#include "designer/FR_Desgn.h"

#include "report/FR_Combo.h"

#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QFontMetrics>
#include <QPlainTextEdit>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabBar>

#include "designer/FR_Dialogs.h"
#include "designer/FR_Dict.h"
#include "designer/FR_Edit.h"
#include "designer/FR_Expr.h"
#include "designer/FR_Small.h"
#include "designer/FR_Flds.h"
#include "designer/FR_Glyphs.h"
#include "designer/FR_Insp.h"
#include "platform/ui.h"
#include "report/FR_Ctrls.h"
#include "report/FR_Report.h"
#include "report/FR_Utils.h"

namespace {
QString t(int id) { return LocaleText(id); }
}  // namespace

TfrReportDesigner*& ActiveDesigner() {
  static TfrReportDesigner* d = nullptr;
  return d;
}

TfrDesigner*& DesignerComponent() {
  static TfrDesigner* d = nullptr;
  return d;
}

TfrDesigner::TfrDesigner(QObject* owner) : QObject(owner) {
  if (DesignerComponent()) throw Exception(QStringLiteral("You already have one TfrDesigner component"));
  DesignerComponent() = this;
}

TfrDesigner::~TfrDesigner() {
  if (DesignerComponent() == this) DesignerComponent() = nullptr;
}

int DesignReport(TfrReport* report) {
  TfrDesignerForm form(report, true);
  form.setWindowState(Qt::WindowMaximized);   // the stored placement may change it
  TfrReportDesigner* previous = ActiveDesigner();
  ActiveDesigner() = &form;
  const int result = RunModal(&form);
  ActiveDesigner() = previous;
  return result;
}

bool DesignBuiltPage(TfrReport* report, TfrPage* page) {
  if (!report || !page) return false;
  TfrDesignerForm form(report, false);
  form.Page = page;
  TfrReportDesigner* previous = ActiveDesigner();
  ActiveDesigner() = &form;
  RunModal(&form);
  ActiveDesigner() = previous;
  return form.IsModified();
}

void RegisterReportDesigner() {
  static bool keySet = false;
  if (!keySet) {
    SettingsKey = QStringLiteral("Software\\Chartula\\") + QCoreApplication::applicationName();
    keySet = true;
  }
  RegisteredDesigner() = DesignReport;
  // A built page opened for editing from the preview goes to the same designer.
  BuiltPageDesigner() = DesignBuiltPage;
}

// ---------------------------------------------------------------------------------------
// Creating the window

TfrDesignerForm::TfrDesignerForm(TfrReport* report, bool fullMode, QWidget* parent)
    : TfrReportDesigner(fullMode, parent), report_(report), model_(report), controller_(model_) {
  setObjectName(QStringLiteral("TfrDesignerForm"));
  CaptionBase = QString::fromUtf8("设计器");
  setWindowFlags(Qt::Window | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
  CurrentReport() = report_;
  model_.OnModified = [this](bool flag) {
    setAvailable(action("N20"), button("FileBtn3"), flag);
  };
  model_.OnBuffersChanged = [this] {
    if (action("N46")) {
      setAvailable(action("N46"), button("UndoB"), model_.UndoCount() > 0);
      setAvailable(action("N48"), button("RedoB"), model_.RedoCount() > 0);
    }
  };
  model_.OnPagesChanged = [this] { refreshTabs(); };

  buildMenus();
  buildToolBars();
  linkMenuGlyphs();
  createInspector();

  Tab1 = new QTabBar(this);
  Tab1->setObjectName(QStringLiteral("Tab1"));
  Tab1->setMovable(true);
  Tab1->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(Tab1, &QTabBar::currentChanged, this, Guarded([this](int i) {
            if (!inTabUpdate_ && i >= 0 && i != model_.CurPage) SetCurrentPage(i);
          }));
  connect(Tab1, &QTabBar::tabMoved, this, Guarded([this](int from, int to) {
            if (inTabUpdate_) return;
            // The moved page stays the current one.
            if (model_.MovePage(from, to)) SetCurrentPage(to);
          }));
  connect(Tab1, &QTabBar::customContextMenuRequested, this,
          [this](QPoint p) { Popup2->popup(Tab1->mapToGlobal(p)); });

  ScrollBox1 = new QScrollArea(this);
  ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
  ScrollBox1->setBackgroundRole(QPalette::Dark);
  ScrollBox1->setWidgetResizable(false);
  surfaceHost_ = new QWidget;
  surfaceHost_->setObjectName(QStringLiteral("SurfaceHost"));
  surfaceHost_->setAutoFillBackground(true);
  QPalette grey = surfaceHost_->palette();
  grey.setColor(QPalette::Window, QColor(128, 128, 128));
  surfaceHost_->setPalette(grey);
  DesignSurface = new TfrDesignerPage(controller_, surfaceHost_);
  ScrollBox1->setWidget(surfaceHost_);

  DesignSurface->OnKey = [this](QKeyEvent* e) { return HandleKey(e); };
  controller_.OnChanged = [this] {
    DesignSurface->update();
    updateStatus();
  };
  controller_.OnSelectionChanged = [this] { SelectionChanged(); };
  controller_.OnEditSelected = [this] { EditSelected(); };
  controller_.OnEditText = [this] { EditText(); };
  controller_.OnPageOptions = [this] { PageOptions(); };
  controller_.OnPagesChanged = [this] { refreshTabs(); };
  controller_.OnToolChanged = [this] {
    static const char* tools[] = {"OB1", "OB2", "OB4", "OB3", "OB5", "OB6"};
    const int index = controller_.Tool() + 1;
    if (TfrSpeedButton* b = button(QString::fromLatin1(tools[index]))) b->setDown(true);
  };
  controller_.AskBandKind = [this](bool onSubPage) {
    TfrBandTypesForm form(model_.Page(), onSubPage, this);
    if (RunModal(&form) != QDialog::Accepted) return -1;
    return form.SelectedKind();
  };
  controller_.OnContextMenu = [this](QPoint p) {
    EnableControls();
    FillObjectMenu();
    Popup1->popup(DesignSurface->mapToGlobal(p));
  };

  StatusBar1 = new QStatusBar(this);
  StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
  StatusBar1->setSizeGripEnabled(false);
  StatusUnits = new QLabel;
  StatusUnits->setObjectName(QStringLiteral("StatusUnits"));
  StatusUnits->setFixedWidth(75);
  StatusBox = new QLabel;
  StatusBox->setObjectName(QStringLiteral("PBox1"));
  StatusBox->setFixedWidth(230);
  StatusName = new QLabel;
  StatusName->setObjectName(QStringLiteral("StatusName"));
  // A double click on the unit name steps pixels, millimetres, inches.
  StatusUnits->installEventFilter(this);
  StatusBar1->addWidget(StatusUnits);
  StatusBar1->addWidget(StatusBox);
  StatusBar1->addWidget(StatusName, 1);

  // Wheel scrolling moves 8 pixels a notch.
  ScrollBox1->verticalScrollBar()->setSingleStep(8);
  resize(1024, 720);
}

TfrDesignerForm::~TfrDesignerForm() {
  model_.ClearUndo();
  model_.ClearRedo();
  model_.OnModified = nullptr;
  model_.OnBuffersChanged = nullptr;
  model_.OnPagesChanged = nullptr;
  if (!firstShow_) SaveDesignerSettings();
  if (report_ && !DesignFileName.isEmpty() && DesignFileName != t(55209)) report_->FileName = DesignFileName;
  EditorHooks() = TfrEditorHooks{};
  FieldPickerHook() = nullptr;
  InstallVariablePicker(nullptr);
  if (ActiveDesigner() == this) ActiveDesigner() = nullptr;
}

QAction* TfrDesignerForm::addAction(QMenu* menu, const QString& name, int textId, void (TfrDesignerForm::*handler)(),
                                    const QKeySequence& shortcut) {
  auto* a = new QAction(t(textId), this);
  a->setObjectName(name);
  if (!shortcut.isEmpty()) {
    a->setShortcut(shortcut);
    a->setShortcutContext(Qt::WindowShortcut);
  }
  if (handler) connect(a, &QAction::triggered, this, Guarded([this, handler] { (this->*handler)(); }));
  menu->addAction(a);
  actions_.insert(name, a);
  return a;
}

void TfrDesignerForm::buildMenus() {
  MainMenu1 = new QMenuBar(this);
  MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
  MainMenu1->setNativeMenuBar(false);
  FileMenu = MainMenu1->addMenu(t(53154));
  FileMenu->setObjectName(QStringLiteral("FileMenu"));
  addAction(FileMenu, "N23", 53155, &TfrDesignerForm::NewFromTemplate, QKeySequence("Ctrl+N"));
  addAction(FileMenu, "N19", 53156, &TfrDesignerForm::OpenReport, QKeySequence("Ctrl+O"));
  addAction(FileMenu, "N20", 53157, &TfrDesignerForm::SaveReport, QKeySequence("Ctrl+S"));
  addAction(FileMenu, "N17", 53188, &TfrDesignerForm::SaveReportAs);
  FileMenu->addSeparator();
  addAction(FileMenu, "N42", 53158, &TfrDesignerForm::EditReportDictionary);
  addAction(FileMenu, "N8", 53159, &TfrDesignerForm::ReportOptions);
  addAction(FileMenu, "N25", 53160, &TfrDesignerForm::PageOptions);
  addAction(FileMenu, "N39", 53161, &TfrDesignerForm::Preview, QKeySequence("Ctrl+P"));
  FileMenu->addSeparator();
  QAction* exit = addAction(FileMenu, "N10", 53162, nullptr);
  connect(exit, &QAction::triggered, this, [this] { done(mrOk); });

  EditMenu = MainMenu1->addMenu(t(53163));
  EditMenu->setObjectName(QStringLiteral("EditMenu"));
  addAction(EditMenu, "N46", 53164, &TfrDesignerForm::Undo, QKeySequence("Ctrl+Z"));
  addAction(EditMenu, "N48", 53165, &TfrDesignerForm::Redo, QKeySequence("Ctrl+Y"));
  EditMenu->addSeparator();
  addAction(EditMenu, "N11", 53166, &TfrDesignerForm::CutSelection, QKeySequence("Ctrl+X"));
  addAction(EditMenu, "N12", 53167, &TfrDesignerForm::CopySelection, QKeySequence("Ctrl+C"));
  addAction(EditMenu, "N13", 53168, &TfrDesignerForm::PasteObjects, QKeySequence("Ctrl+V"));
  addAction(EditMenu, "N27", 53169, &TfrDesignerForm::DeleteSelection);
  addAction(EditMenu, "N28", 53170, &TfrDesignerForm::SelectAllObjects, QKeySequence("Ctrl+A"));
  addAction(EditMenu, "N36", 53171, &TfrDesignerForm::EditSelected);
  EditMenu->addSeparator();
  addAction(EditMenu, "N29", 53172, &TfrDesignerForm::AddPage);
  addAction(EditMenu, "N15", 53192, &TfrDesignerForm::AddDialogPage);
  addAction(EditMenu, "N30", 53173, &TfrDesignerForm::DeletePage);
  EditMenu->addSeparator();
  addAction(EditMenu, "N32", 53174, &TfrDesignerForm::BringToFront);
  addAction(EditMenu, "N33", 53175, &TfrDesignerForm::SendToBack);

  ToolMenu = MainMenu1->addMenu(t(53176));
  ToolMenu->setObjectName(QStringLiteral("ToolMenu"));
  N37 = ToolMenu->addMenu(t(53177));
  N37->setObjectName(QStringLiteral("N37"));
  // The tool bars' sub-menu: a check mark for each bar that is shown.
  struct BarItem {
    const char* name;
    int textId;
    TfrToolBar* TfrDesignerForm::*bar;
  } bars[] = {{"Pan2", 53181, &TfrDesignerForm::Panel2}, {"Pan3", 53182, &TfrDesignerForm::Panel3},
              {"Pan1", 53180, &TfrDesignerForm::Panel1},
              {"Pan4", 53183, &TfrDesignerForm::Panel4}, {"Pan6", 53185, &TfrDesignerForm::Panel5},
              {"Pan7", 53186, &TfrDesignerForm::Panel6}};
  for (const BarItem& item : bars) {
    QAction* a = addAction(N37, QString::fromLatin1(item.name), item.textId, nullptr);
    a->setCheckable(true);
    auto member = item.bar;
    connect(a, &QAction::toggled, this, Guarded([this, member](bool on) {
              TfrToolBar* b = this->*member;
              if (!b || b->IsShown() == on) return;
              b->SetShown(on);
              if (TfrDock* d = b->Dock()) d->ArrangeRows();
              layoutWindow();
            }));
  }
  // The inspector and the field list are windows of their own, shown and hidden from here too.
  QAction* inspItem = addAction(N37, "Pan5", 53184, nullptr);
  inspItem->setCheckable(true);
  connect(inspItem, &QAction::triggered, this, Guarded([this](bool on) {
            if (on) ShowInspector();
            else if (Inspector) Inspector->hide();
          }));
  QAction* listItem = addAction(N37, "Pan8", 53450, nullptr);
  listItem->setCheckable(true);
  connect(listItem, &QAction::triggered, this, Guarded([this](bool on) { ToggleFieldList(on); }));
  connect(N37, &QMenu::aboutToShow, this, [this] {
    action("Pan5")->setChecked(Inspector && Inspector->isVisible());
    action("Pan8")->setChecked(FieldList && FieldList->isVisible());
    action("Pan7")->setChecked(Panel6->IsShown());
    action("Pan2")->setChecked(Panel2->IsShown());
    action("Pan3")->setChecked(Panel3->IsShown());
    action("Pan1")->setChecked(Panel1->IsShown());
    action("Pan4")->setChecked(Panel4->IsShown());
    action("Pan6")->setChecked(Panel5->IsShown());
  });
  MastMenu = ToolMenu->addMenu(t(53178));
  MastMenu->setObjectName(QStringLiteral("MastMenu"));
  addAction(ToolMenu, "InspItem", 53059, &TfrDesignerForm::ShowInspector);
  addAction(ToolMenu, "FieldListItem", 53450, nullptr);
  connect(action("FieldListItem"), &QAction::triggered, this, Guarded([this] { ToggleFieldList(true); }));
  addAction(ToolMenu, "N14", 53179, &TfrDesignerForm::DesignerOptions);

  HelpMenu = MainMenu1->addMenu(QString::fromUtf8("帮助(&H)"));
  HelpMenu->setObjectName(QStringLiteral("HelpMenu"));
  addAction(HelpMenu, "N22", 53189, nullptr, QKeySequence("F1"));
  addAction(HelpMenu, "N35", 53190, nullptr, QKeySequence("Shift+F1"));
  addAction(HelpMenu, "N34", 53187, &TfrDesignerForm::About);

  // The object pop-up: twins of the edit commands (no shortcuts of their own here: the main
  // menu's are active in the whole window).
  Popup1 = new QMenu(this);
  Popup1->setObjectName(QStringLiteral("Popup1"));
  addAction(Popup1, "N2", 53148, &TfrDesignerForm::CutSelection);
  addAction(Popup1, "N1", 53149, &TfrDesignerForm::CopySelection);
  addAction(Popup1, "N3", 53150, &TfrDesignerForm::PasteObjects);
  addAction(Popup1, "N5", 53151, &TfrDesignerForm::DeleteSelection);
  addAction(Popup1, "N16", 53152, &TfrDesignerForm::SelectAllObjects);
  Popup1->addSeparator();
  addAction(Popup1, "N6", 53153, &TfrDesignerForm::EditSelected);

  Popup2 = new QMenu(this);
  Popup2->setObjectName(QStringLiteral("Popup2"));
  addAction(Popup2, "N41", 53172, &TfrDesignerForm::AddPage);
  addAction(Popup2, "N45", 53192, &TfrDesignerForm::AddDialogPage);
  addAction(Popup2, "N43", 53173, &TfrDesignerForm::DeletePage);
  addAction(Popup2, "N44", 53160, &TfrDesignerForm::PageOptions);
}

TfrSpeedButton* TfrDesignerForm::addButton(TfrToolBar* bar, const QString& name, int tag, int hintId,
                                           const QString& caption, std::function<void()> handler) {
  auto* b = new TfrSpeedButton(bar);
  b->setObjectName(name);
  b->setTag(tag);
  b->setFlat(true);
  if (hintId) b->setToolTip(t(hintId));
  // A button with a picture shows the picture; the close button keeps its caption beside it.
  const QImage glyph = DesignerGlyph(name);
  if (glyph.isNull() || name == QLatin1String("ExitB")) b->setCaption(caption);
  if (!glyph.isNull()) b->setGlyph(glyph);
  if (b->toolTip().isEmpty()) b->setToolTip(caption);
  const int text = b->Caption().isEmpty() ? 0 : QFontMetrics(b->font()).horizontalAdvance(caption) + 10;
  const int w = std::max(24, text + (glyph.isNull() ? 0 : (text ? 20 : 0)));
  b->resize(w, 22);
  if (handler) b->OnClick = [handler](TfrSpeedButton*) { Guard(handler); };
  buttons_.insert(name, b);
  return b;
}

// Menu items show the picture of the tool button that does the same; Qt draws it greyed while
// the item is disabled.
void TfrDesignerForm::linkMenuGlyphs() {
  static const char* const links[][2] = {
      {"N23", "FileBtn1"}, {"N19", "FileBtn2"}, {"N20", "FileBtn3"}, {"N39", "FileBtn4"}, {"N46", "UndoB"},
      {"N48", "RedoB"},    {"N11", "CutB"},     {"N12", "CopyB"},    {"N13", "PstB"},     {"N28", "SelAllB"},
      {"N29", "PgB1"},     {"N30", "PgB2"},     {"N32", "ZB1"},      {"N33", "ZB2"},      {"N15", "PgB4"},
      {"N41", "PgB1"},     {"N43", "PgB2"},     {"N44", "PgB3"},     {"N45", "PgB4"},     {"N2", "CutB"},
      {"N1", "CopyB"},     {"N3", "PstB"},      {"N16", "SelAllB"},  {"InsFieldsItem", "InsFieldsBtn"}};
  for (const auto& link : links)
    if (QAction* a = action(QString::fromLatin1(link[0]))) a->setIcon(DesignerIcon(QString::fromLatin1(link[1])));
}

void TfrDesignerForm::buildToolBars() {
  frDock1 = new TfrDock(this, daTop);
  frDock1->setObjectName(QStringLiteral("frDock1"));
  frDock2 = new TfrDock(this, daLeft);
  frDock2->setObjectName(QStringLiteral("frDock2"));
  frDock3 = new TfrDock(this, daBottom);
  frDock3->setObjectName(QStringLiteral("frDock3"));
  frDock4 = new TfrDock(this, daRight);
  frDock4->setObjectName(QStringLiteral("frDock4"));
  frDock1->setGeometry(0, 0, 1024, 54);
  frDock2->setGeometry(0, 0, 60, 400);

  auto bar = [this](TfrDock* dock, const char* name, int captionId) {
    auto* b = new TfrToolBar(dock);
    b->setObjectName(QString::fromLatin1(name));
    b->setCaption(t(captionId));
    b->setOwnerForm(this);
    return b;
  };
  Panel2 = bar(frDock1, "Panel2", 53082);
  auto run = [this](void (TfrDesignerForm::*m)()) { return [this, m] { (this->*m)(); }; };
  addButton(Panel2, "FileBtn1", 40, 53087, QString::fromUtf8("新建"), run(&TfrDesignerForm::NewReport));
  addButton(Panel2, "FileBtn2", 41, 53088, QString::fromUtf8("打开"), run(&TfrDesignerForm::OpenReport));
  addButton(Panel2, "FileBtn3", 42, 53089, QString::fromUtf8("保存"), run(&TfrDesignerForm::SaveReport));
  addButton(Panel2, "FileBtn4", 43, 53090, QString::fromUtf8("预览"), run(&TfrDesignerForm::Preview));
  addButton(Panel2, "CutB", 44, 53091, QString::fromUtf8("剪切"), run(&TfrDesignerForm::CutSelection));
  addButton(Panel2, "CopyB", 45, 53092, QString::fromUtf8("复制"), run(&TfrDesignerForm::CopySelection));
  addButton(Panel2, "PstB", 46, 53093, QString::fromUtf8("粘贴"), run(&TfrDesignerForm::PasteObjects));
  addButton(Panel2, "UndoB", 47, 53094, QString::fromUtf8("撤消"), run(&TfrDesignerForm::Undo));
  addButton(Panel2, "RedoB", 48, 53095, QString::fromUtf8("重做"), run(&TfrDesignerForm::Redo));
  addButton(Panel2, "ZB1", 49, 53096, QString::fromUtf8("置前"), run(&TfrDesignerForm::BringToFront));
  addButton(Panel2, "ZB2", 50, 53097, QString::fromUtf8("置后"), run(&TfrDesignerForm::SendToBack));
  addButton(Panel2, "SelAllB", 51, 53098, QString::fromUtf8("全选"), run(&TfrDesignerForm::SelectAllObjects));
  addButton(Panel2, "PgB1", 52, 53099, QString::fromUtf8("加页"), run(&TfrDesignerForm::AddPage));
  addButton(Panel2, "PgB4", 70, 53193, QString::fromUtf8("对话框"), run(&TfrDesignerForm::AddDialogPage));
  addButton(Panel2, "PgB2", 53, 53100, QString::fromUtf8("删页"), run(&TfrDesignerForm::DeletePage));
  addButton(Panel2, "PgB3", 54, 53101, QString::fromUtf8("页设置"), run(&TfrDesignerForm::PageOptions));
  TfrSpeedButton* gb1 = addButton(Panel2, "GB1", 55, 53102, QString::fromUtf8("栅格"), nullptr);
  gb1->setGroupIndex(2);
  gb1->setAllowAllUp(true);
  gb1->OnClick = [this, gb1](TfrSpeedButton*) { SetShowGrid(gb1->Down()); };
  TfrSpeedButton* gb2 = addButton(Panel2, "GB2", 56, 53103, QString::fromUtf8("对齐"), nullptr);
  gb2->setGroupIndex(3);
  gb2->setAllowAllUp(true);
  gb2->OnClick = [this, gb2](TfrSpeedButton*) { SetGridAlign(gb2->Down()); };
  addButton(Panel2, "GB3", 57, 53104, QString::fromUtf8("匹配"), run(&TfrDesignerForm::FitToGrid));
  addButton(Panel2, "ExitB", 58, 53106, t(53105), [this] { done(mrOk); });
  Panel2->FitToButtons();
  Panel2->move(0, 0);

  // The Text bar: the font boxes; its formatting buttons come with the formatting tools.
  Panel3 = bar(frDock1, "Panel3", 53083);
  // The installed fonts, the five chosen last at the top (kept in the user's settings).
  C2 = new TfrFontComboBox(Panel3);
  C2->setObjectName(QStringLiteral("C2"));
  C2->FillList();
  C2->resize(150, 22);
  C3 = new QComboBox(Panel3);
  C3->setObjectName(QStringLiteral("C3"));
  C3->setEditable(true);
  for (int s : {8, 9, 10, 11, 12, 14, 16, 18, 20, 24, 28, 36}) C3->addItem(QString::number(s));
  C3->resize(56, 22);
  Panel3->FitToButtons();
  // A double click on the font name opens the font dialog.
  C2->lineEdit()->installEventFilter(this);
  C2->OnClick = [this](TfrFontComboBox*) { Guard([this] { fontBoxApplied(); }); };
  connect(C3, &QComboBox::activated, this, Guarded([this] { fontBoxApplied(); }));

  Panel1 = bar(frDock1, "Panel1", 53081);
  buildFormatBars();
  Panel5 = bar(frDock4, "Panel5", 53085);
  buildAlignmentPalette();
  Panel5->FitToButtons();
  // The extra tools: the insert-fields tool, in the tools menu and on its bar.
  Panel6 = bar(frDock1, "Panel6", 53086);
  {
    QAction* item = MastMenu->addAction(QString::fromUtf8("插入数据库字段"));
    item->setObjectName(QStringLiteral("InsFieldsItem"));
    connect(item, &QAction::triggered, this, Guarded([this] { InsertFields(); }));
    actions_.insert(QStringLiteral("InsFieldsItem"), item);
    MastMenu->setEnabled(true);
    TfrSpeedButton* b = addButton(Panel6, "InsFieldsBtn", 36, 0, QString::fromUtf8("插入字段"),
                                  [this] { InsertFields(); });
    b->setToolTip(QString::fromUtf8("插入数据库字段"));
    Panel6->FitToButtons();
    Panel6->move(Panel2->width(), 0);
  }

  Panel4 = bar(frDock2, "Panel4", 53084);
  struct Tool {
    const char* name;
    int tag, hint;
    const char* caption;
  } tools[] = {{"OB1", -1, 53132, "选择"}, {"OB2", 0, 53133, "文本"},   {"OB4", 1, 53135, "图片"},
               {"OB3", 2, 53134, "带区"},  {"OB5", 3, 53136, "子报表"}, {"OB6", 4, 53137, "画线"}};
  int y = 2;
  for (const Tool& tool : tools) {
    const int tag = tool.tag;
    TfrSpeedButton* b = addButton(Panel4, tool.name, tag, tool.hint, QString::fromUtf8(tool.caption), nullptr);
    b->setGroupIndex(1);
    b->resize(24, 22);
    b->move(2, y);
    y += 22;
    b->OnClick = [this, tag](TfrSpeedButton*) {
      controller_.SetTool(tag, tag != toolSelect && (QApplication::keyboardModifiers() & Qt::ShiftModifier));
      DesignSurface->setCursor(tag == toolSelect ? Qt::ArrowCursor : Qt::CrossCursor);
    };
  }
  Panel4->resize(28, y + 14);
  Panel4->move(0, 0);
  Panel4->FitToButtons();
  frDock1->ArrangeRows();
  frDock2->ArrangeRows();
  frDock3->ArrangeRows();
  frDock4->ArrangeRows();
}

void TfrDesignerForm::fontBoxApplied() {
  const QList<TfrView*> sel = model_.Selection();
  bool ok = false;
  const int size = C3->currentText().trimmed().toInt(&ok);
  const QString name = C2->currentText().trimmed();
  if (ok && size > 0) controller_.Last.FontSize = size;
  if (!name.isEmpty()) controller_.Last.FontName = name;
  QList<TfrMemoView*> texts;
  for (TfrView* v : sel)
    if (v->Typ == gtMemo && ((ok && size > 0 && static_cast<TfrMemoView*>(v)->Font.size() != size) ||
                             (!name.isEmpty() && static_cast<TfrMemoView*>(v)->Font.name() != name)))
      texts << static_cast<TfrMemoView*>(v);
  if (texts.isEmpty()) return;   // nothing changes (the box was applied already)
  BeginChange();
  for (TfrMemoView* m : texts) {
    if (ok && size > 0) m->Font.setSize(size);
    if (!name.isEmpty()) m->Font.setName(name);
  }
  EndChange();
}

void TfrDesignerForm::layoutWindow() {
  const int W = width(), H = height();
  const int menuH = MainMenu1->sizeHint().height();
  MainMenu1->setGeometry(0, 0, W, menuH);
  const int sbH = StatusBar1->sizeHint().height();
  StatusBar1->setGeometry(0, H - sbH, W, sbH);
  frDock1->setGeometry(0, menuH, W, frDock1->height());
  const int top = menuH + frDock1->height();
  frDock3->setGeometry(0, H - sbH - frDock3->height(), W, frDock3->height());
  const int bottom = H - sbH - frDock3->height();
  frDock2->setGeometry(0, top, frDock2->width(), bottom - top);
  frDock4->setGeometry(W - frDock4->width(), top, frDock4->width(), bottom - top);
  const int left = frDock2->width(), right = W - frDock4->width();
  const int tabH = Tab1->sizeHint().height();
  Tab1->setGeometry(left, top, right - left, tabH);
  ScrollBox1->setGeometry(left, top + tabH, right - left, bottom - top - tabH);
  placeSurface();
}

void TfrDesignerForm::placeSurface() {
  if (!DesignSurface || !ScrollBox1) return;
  const int vw = ScrollBox1->viewport()->width();
  DesignSurface->PlaceSurface(vw);
  surfaceHost_->resize(std::max(vw, DesignSurface->x() + DesignSurface->width() + 10),
                       std::max(ScrollBox1->viewport()->height(), DesignSurface->y() + DesignSurface->height() + 10));
}

void TfrDesignerForm::resizeEvent(QResizeEvent* e) {
  QDialog::resizeEvent(e);
  layoutWindow();
}

// ---------------------------------------------------------------------------------------
// Showing

void TfrDesignerForm::setAvailable(QAction* a, TfrSpeedButton* b, bool on) {
  if (a) a->setEnabled(on);
  if (b) b->setEnabled(on);
}

void TfrDesignerForm::pointHooks() {
  TfrEditorHooks& h = EditorHooks();
  // The font dialog starts with the top-most selected text's font; what the operator changed
  // there goes to every selected text object that may be modified.
  h.EditFont = [this](TfrView*) {
    Guard([&] {
      TfrView* top = model_.TopSelected();
      if (!top || top->Typ != gtMemo) return;
      const TFont start = static_cast<TfrMemoView*>(top)->Font;
      const std::optional<TFont> chosen = CurrentUiBackend().chooseFont(start);
      if (!chosen) return;
      BeginChange();
      for (TfrView* v : model_.Selection()) {
        if (v->Typ != gtMemo || (v->Restrictions & frrfDontModify)) continue;
        TFont& f = static_cast<TfrMemoView*>(v)->Font;
        if (chosen->name() != start.name()) f.setName(chosen->name());
        if (chosen->size() != start.size()) f.setSize(chosen->size());
        if (chosen->color() != start.color()) f.setColor(chosen->color());
        if (chosen->style() != start.style()) f.setStyle(chosen->style());
      }
      EndChange();
    });
  };
  h.EditMemo = [this](TfrView* v) { Guard([&] { EditText(v); }); };
  h.EditFormat = [this](TfrView*) { Guard([&] { EditFormatOfSelection(); }); };
  h.EditHighlight = [this](TfrView*) { Guard([&] { EditHighlightOfSelection(); }); };
  h.EditRestrictions = [this](TfrView* v) { Guard([&] { EditRestrictionsOf(v); }); };
  h.EditTag = [this](TfrView* v) { Guard([&] { EditTagOf(v); }); };
  h.EditPicture = [this](TfrView* v) { Guard([&] { EditPictureOf(v); }); };
  // The expression builder's field and variable buttons pick from this report.
  FieldPickerHook() = [this](QString& name, QWidget* parent) {
    TfrFieldsForm form(report_, parent);
    if (RunModal(&form) != QDialog::Accepted || form.ChosenField().isEmpty()) return false;
    name = form.ChosenField();
    return true;
  };
  InstallVariablePicker(&report_->Dictionary);
  h.EditBandSource = [this](TfrView* v) { Guard([&] { EditBand(v); }); };
  h.EditCrossSource = [this](TfrView* v) { Guard([&] { EditBand(v); }); };
  h.EditDataField = [this](TfrView* v) {
    Guard([&] {
      TfrView* target = v ? v : model_.TopSelected();
      if (!target || (target->Restrictions & frrfDontEditContents)) return;
      QString text;
      PickField(text);
      if (text.isEmpty()) return;
      BeginChange();
      target->PropWrite(QStringLiteral("DataField"), text.mid(1, text.size() - 2));
      EndChange();
    });
  };
}

void TfrDesignerForm::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  if (!firstShow_) return;
  firstShow_ = false;
  // Built-page mode: only the page's own objects can be changed.
  const bool full = FullMode;
  const bool hide = DesignerComponent() && DesignerComponent()->HideDisabledButtons;
  auto avail = [&](const char* a, const char* b, bool on) {
    setAvailable(action(QString::fromLatin1(a)), nullptr, on);
    if (TfrSpeedButton* btn = b ? button(QString::fromLatin1(b)) : nullptr) {
      if (hide && !on) btn->hide();
      else btn->setEnabled(on);
    }
  };
  avail("N23", "FileBtn1", full);
  avail("N19", "FileBtn2", full);
  avail("N39", "FileBtn4", full);
  avail("N29", "PgB1", full);
  avail("N41", nullptr, full);
  avail("N15", "PgB4", full);
  avail("N45", nullptr, full);
  avail("N30", "PgB2", full);
  avail("N43", nullptr, full);
  avail("N25", "PgB3", full);
  avail("N44", nullptr, full);
  avail("N8", nullptr, full);
  avail("N42", nullptr, full);
  if (!full) {
    if (TfrSpeedButton* b = button("OB3")) b->setEnabled(false);
    if (TfrSpeedButton* b = button("OB5")) b->setEnabled(false);
  }
  model_.ClearUndo();
  model_.ClearRedo();
  MarkModified(false);
  LoadDesignerSettings();
  SetCurrentPage(0);
  SetDesignFileName(full && report_ && !report_->FileName.isEmpty() ? report_->FileName : t(55209));
  controller_.SetTool(toolSelect);
  if (TfrSpeedButton* gb1 = button("GB1")) gb1->setDown(model_.Settings.ShowGrid);
  if (TfrSpeedButton* gb2 = button("GB2")) gb2->setDown(model_.Settings.GridAlign);
  SetUnits(model_.Settings.Units);
  EnableControls();
  layoutWindow();
  ShowStoredPanels();
  pointHooks();
  if (DesignerComponent() && DesignerComponent()->OnShow) DesignerComponent()->OnShow(this);
}

void TfrDesignerForm::SetDesignFileName(const QString& name) {
  DesignFileName = name;
  setWindowTitle(CaptionBase + QStringLiteral(" - ") + QFileInfo(name).fileName());
}

// ---------------------------------------------------------------------------------------
// Pages and tabs

void TfrDesignerForm::refreshTabs() {
  if (!Tab1) return;
  inTabUpdate_ = true;
  const int n = model_.PageCount();
  if (Tab1->count() == n) {
    for (int i = 0; i < n; ++i)
      if (Tab1->tabText(i) != model_.PageTabText(i)) Tab1->setTabText(i, model_.PageTabText(i));
  } else {
    while (Tab1->count() > 0) Tab1->removeTab(0);
    for (int i = 0; i < n; ++i) Tab1->addTab(model_.PageTabText(i));
  }
  Tab1->setCurrentIndex(model_.CurPage);
  inTabUpdate_ = false;
}

void TfrDesignerForm::SetCurrentPage(int index) {
  if (!model_.SetCurrentPage(index)) model_.SetCurrentPage(0);
  Page = model_.Page();
  // Dialog pages hold controls, not the report's objects: the insertion tools step aside.
  const bool dialog = Page && Page->PageType == ptDialog;
  for (const char* name : {"OB2", "OB3", "OB4", "OB5", "OB6"})
    if (TfrSpeedButton* b = button(QString::fromLatin1(name))) b->setVisible(!dialog);
  if (ScrollBox1) {
    ScrollBox1->horizontalScrollBar()->setValue(0);
    ScrollBox1->verticalScrollBar()->setValue(0);
  }
  placeSurface();
  refreshTabs();
  controller_.ResetMouseState();
  Refresh();
}

void TfrDesignerForm::AddPage() {
  UnselectAll();
  const int previous = model_.CurPage;
  const int index = model_.AppendPage();
  model_.CurPage = index;
  Page = model_.Page();
  if (RunPageOptions()) {
    MarkModified(true);
    SetCurrentPage(index);
  } else {
    model_.Report()->Pages.erase(model_.Report()->Pages.begin() + index);
    model_.CurPage = previous;
    SetCurrentPage(previous);
  }
}

void TfrDesignerForm::AddDialogPage() {
  const int index = model_.AppendPage(ptDialog);
  MarkModified(true);
  SetCurrentPage(index);
}

void TfrDesignerForm::DeletePage() {
  if (model_.PageCount() <= 1) return;
  if (MessageBox(t(55005), t(55006), MsgIcon::Question, MsgButtons::YesNo) != mrYes) return;
  model_.DeletePage(model_.CurPage);
  SetCurrentPage(0);
}

// ---------------------------------------------------------------------------------------
// Selection, commands and the engine's calls

void TfrDesignerForm::EnableControls() {
  const int n = model_.SelectionCount();
  const bool any = n > 0;
  for (const char* a : {"N11", "N2", "N12", "N1", "N27", "N5", "N32", "N33"}) setAvailable(action(a), nullptr, any);
  for (const char* b : {"CutB", "CopyB", "ZB1", "ZB2", "GB3"}) setAvailable(nullptr, button(b), any);
  const bool clip = !ObjectClipboard().isEmpty();
  setAvailable(action("N13"), button("PstB"), clip);
  setAvailable(action("N3"), nullptr, clip);
  setAvailable(action("N36"), nullptr, n == 1);
  setAvailable(action("N6"), nullptr, n == 1);
  const bool text = (n == 1 && model_.TopSelected()->Typ == gtMemo) || n > 1;
  if (C2) C2->setEnabled(text);
  if (C3) C3->setEnabled(text);
  for (const char* b : {"FnB1", "FnB2", "FnB3", "AlB1", "AlB2", "AlB3", "AlB8", "AlB4", "AlB5", "AlB6", "AlB7", "ClB2", "HlB1"})
    setAvailable(nullptr, button(b), text);
  const bool frame = n > 0 && !(n == 1 && IsBand(model_.TopSelected())) && ReportPageShown();
  for (const char* b : {"FrB1", "FrB2", "FrB3", "FrB4", "FrB5", "FrB6", "ClB1", "ClB3", "StB1"})
    setAvailable(nullptr, button(b), frame);
  if (C4) C4->setEnabled(frame);
  setAvailable(action("N46"), button("UndoB"), model_.UndoCount() > 0);
  setAvailable(action("N48"), button("RedoB"), model_.RedoCount() > 0);
  updateStatus();
}

void TfrDesignerForm::SelectionChanged() {
  EnableControls();
  UpdateToolBars();
  RefreshInspector();
  updateStatus();
}

void TfrDesignerForm::updateStatus() {
  if (!StatusBox) return;
  const int units = model_.Settings.Units;
  auto num = [&](int px) {
    return units == 0 ? QString::number(px) : QString::number(PixelsToUnits(px, units), 'f', 2);
  };
  const QString sep = units == 0 ? QStringLiteral(";") : QStringLiteral("; ");
  const QList<TfrView*> sel = model_.Selection();
  QString box;
  if (sel.size() == 1) {
    TfrView* v = sel.first();
    box = num(v->Left) + sep + num(v->Top) + QStringLiteral("   ") + num(v->Width) + sep + num(v->Height);
  } else if (sel.size() > 1) {
    int l = 10000, tp = 10000;
    for (TfrView* v : sel) l = std::min(l, v->Left), tp = std::min(tp, v->Top);
    box = num(l) + sep + num(tp);
  } else {
    box = num(controller_.MousePoint.x()) + sep + num(controller_.MousePoint.y());
  }
  StatusBox->setText(box);
  QString name;
  if (sel.size() == 1) {
    TfrView* v = sel.first();
    name = v->Name;
    if (IsBand(v)) name += QStringLiteral(": ") + BandKindNames().value(BandKindOf(v));
    else if (!v->Memo.isEmpty()) name += QStringLiteral(": ") + v->Memo.first();
  }
  StatusName->setText(name);
}

void TfrDesignerForm::SetUnits(int units) {
  model_.Settings.Units = units;
  StatusUnits->setText(t(55330 + std::clamp(units, 0, 2)));
  updateStatus();
}

void TfrDesignerForm::SetShowGrid(bool on) {
  model_.Settings.ShowGrid = on;
  if (TfrSpeedButton* b = button("GB1")) b->setDown(on);
  RepaintSurface();
}

void TfrDesignerForm::SetGridAlign(bool on) {
  model_.Settings.GridAlign = on;
  if (TfrSpeedButton* b = button("GB2")) b->setDown(on);
}

void TfrDesignerForm::MarkModified(bool flag) { model_.MarkModified(flag); }

void TfrDesignerForm::BeginChange() { model_.RecordUndo(acEdit); }

void TfrDesignerForm::EndChange() {
  controller_.ComputeGroupRect();
  RepaintSurface();
  SelectionChanged();
}

void TfrDesignerForm::RepaintSurface() {
  if (DesignSurface) DesignSurface->update();
  updateStatus();
}

void TfrDesignerForm::SelectByName(const QString& name) {
  const int page = model_.CurPage;
  if (!model_.SelectByName(name)) return;
  if (model_.CurPage != page) SetCurrentPage(model_.CurPage);
  Refresh();
}

void TfrDesignerForm::PickField(QString& text) {
  TfrFieldsForm form(report_, this);
  text.clear();
  if (RunModal(&form) == QDialog::Accepted && !form.ChosenField().isEmpty()) text = '[' + form.ChosenField() + ']';
}

void TfrDesignerForm::PickExpression(QString& text) {
  TfrExprForm form(this);
  text.clear();
  if (RunModal(&form) == QDialog::Accepted) text = WrapExpression(form.ExprMemo->toPlainText().trimmed());
}

void TfrDesignerForm::Refresh() {
  controller_.ComputeGroupRect();
  SelectionChanged();
  RepaintSurface();
}

void TfrDesignerForm::UnselectAll() {
  model_.UnselectAll();
  Refresh();
}

void TfrDesignerForm::SelectAllObjects() {
  model_.SelectAll();
  Refresh();
}

void TfrDesignerForm::DeleteSelection() {
  model_.DeleteSelection();
  refreshTabs();
  Refresh();
}

void TfrDesignerForm::Undo() {
  model_.Undo();
  Refresh();
}

void TfrDesignerForm::Redo() {
  model_.Redo();
  Refresh();
}

void TfrDesignerForm::CutSelection() {
  model_.CutSelection();
  Refresh();
}

void TfrDesignerForm::CopySelection() {
  model_.CopySelection();
  EnableControls();
}

void TfrDesignerForm::PasteObjects() {
  const int g = model_.Settings.GridSize;
  const int sx = DesignSurface->x() < 0 ? g * (-DesignSurface->x() / g) : 0;
  const int sy = DesignSurface->y() < 0 ? g * (-DesignSurface->y() / g) : 0;
  model_.PasteObjects(sx, sy);
  Refresh();
}

void TfrDesignerForm::BringToFront() {
  model_.BringToFront();
  RepaintSurface();
}

void TfrDesignerForm::SendToBack() {
  model_.SendToBack();
  RepaintSurface();
}

void TfrDesignerForm::SetTool(int tool, bool sticky) { controller_.SetTool(tool, sticky); }

void TfrDesignerForm::EditSelected() {
  if (model_.SelectionCount() != 1) return;
  TfrView* v = model_.TopSelected();
  if (v->Restrictions & frrfDontEditContents) return;
  if (v->Typ == gtSubReport) {
    SetCurrentPage(static_cast<TfrSubReportView*>(v)->SubPage);
    return;
  }
  if (IsBand(v)) {
    EditBand(v);
    return;
  }
  if (v->Typ == gtMemo) EditText(v);
  else v->OpenEditor();
  RepaintSurface();
  updateStatus();
}

void TfrDesignerForm::EditText(TfrView* view) {
  TfrView* v = view ? view : model_.TopSelected();
  if (!v) return;
  // The undo step is recorded for the edited object alone.
  auto recordStep = [this, v] {
    const QList<TfrView*> sel = model_.Selection();
    const bool wasSelected = v->Selected;
    for (TfrView* s : sel) s->Selected = false;
    v->Selected = true;
    model_.RecordUndo(acEdit);
    v->Selected = wasSelected;
    for (TfrView* s : sel) s->Selected = true;
  };
  const bool colouring = model_.Settings.SyntaxHighlight;
  if (!TextEditor || bool(dynamic_cast<TfrEditorForm*>(TextEditor.get())) != colouring) {
    // Made without a parent: the hidden editor must not count as a window of the designer.
    if (colouring) TextEditor = std::make_unique<TfrEditorForm>();
    else TextEditor = std::make_unique<TfrEditorForm1>();
  }
  TextEditor->BeginChange = recordStep;
  const int result = TextEditor->EditView(v);
  // The editor stays alive hidden: the designer takes the keyboard back.
  activateWindow();
  DesignSurface->setFocus();
  if (result != 1) return;
  RepaintSurface();
  SelectionChanged();
}

bool TfrDesignerForm::CanEditSelected() const {
  const TfrView* top = model_.TopSelected();
  return top && !(top->Restrictions & frrfDontEditContents);
}

void TfrDesignerForm::EditFormatOfSelection() {
  QList<TfrView*> views = model_.Selection();
  TfrView* top = model_.TopSelected();
  if (!top || top->Typ != gtMemo) return;
  views.removeOne(top);
  views.prepend(top);
  if (EditDisplayFormat(views, this, [this] { BeginChange(); })) EndChange();
}

void TfrDesignerForm::EditHighlightOfSelection() {
  TfrView* top = model_.TopSelected();
  if (!top || top->Typ != gtMemo) return;
  QList<TfrView*> views{top};
  for (TfrView* v : model_.Selection())
    if (v != top && v->Typ == gtMemo) views << v;
  const bool ok = EditHighlight(views, this, [this] { BeginChange(); });
  if (ok) EndChange();
  else RepaintSurface();
}

void TfrDesignerForm::EditRestrictionsOf(TfrView* view) {
  TfrView* first = view ? view : model_.TopSelected();
  if (!first) return;
  QList<TfrView*> views{first};
  for (TfrView* v : model_.Selection())
    if (v != first) views << v;
  if (EditRestrictions(views, this, [this] { BeginChange(); })) EndChange();
}

void TfrDesignerForm::EditTagOf(TfrView* view) {
  if (!CanEditSelected()) return;
  TfrView* v = view ? view : model_.TopSelected();
  if (EditTag(v, this, [this] { BeginChange(); })) EndChange();
}

void TfrDesignerForm::EditPictureOf(TfrView*) {
  if (!CanEditSelected()) return;
  TfrGEditorForm form(this);
  if (form.EditView(model_.TopSelected(), [this] { BeginChange(); }) == 1) EndChange();
}

void TfrDesignerForm::EditReportDictionary() {
  if (!EditDictionary(&report_->Dictionary, this)) return;
  RefreshFieldList();
  MarkModified(true);
}

void TfrDesignerForm::About() { ShowAbout(this); }

// ---------------------------------------------------------------------------------------
// Keys and closing

void TfrDesignerForm::keyPressEvent(QKeyEvent* e) {
  if (HandleKey(e)) return;
  // Escape never closes the designer (the dialog's own handling would reject it).
  if (e->key() == Qt::Key_Escape) return;
  QDialog::keyPressEvent(e);
}

bool TfrDesignerForm::HandleKey(QKeyEvent* e) {
  bool used = true;
  Guard([&] {
    const int key = e->key();
    // Keys typed into a box of the tool bars belong to that box; Enter there applies it.
    QWidget* focus = QApplication::focusWidget();
    const bool inBox = focus && (focus == C2 || focus == C3 || focus->parentWidget() == C2 || focus->parentWidget() == C3);
    if (focus && (focus == C4 || focus->parentWidget() == C4)) {
      used = false;   // Enter there is taken by the box itself
      return;
    }
    if (inBox) {
      if (key == Qt::Key_Return || key == Qt::Key_Enter) fontBoxApplied();
      else used = false;
      return;
    }
    const auto mods = e->modifiers();
    const int n = model_.SelectionCount();
    switch (key) {
      case Qt::Key_Escape:
        if (controller_.MouseDown) break;
        controller_.SetTool(toolSelect);
        UnselectAll();
        return;
      case Qt::Key_Delete:
        if (mods & Qt::ShiftModifier) {
          if (n) CutSelection();
        } else if (n) {
          DeleteSelection();
        }
        return;
      case Qt::Key_Insert:
        if (mods & Qt::ControlModifier) {
          if (n) CopySelection();
        } else if (mods & Qt::ShiftModifier) {
          if (!ObjectClipboard().isEmpty()) PasteObjects();
        }
        return;
      case Qt::Key_F11:
        ShowInspector();
        return;
      case Qt::Key_Return:
      case Qt::Key_Enter:
        if (n == 1) {
          if (mods & Qt::ControlModifier) EditText();
          else EditSelected();
        }
        return;
      case Qt::Key_G:
        if (mods & Qt::ControlModifier) {
          SetShowGrid(!model_.Settings.ShowGrid);
          return;
        }
        break;
      case Qt::Key_PageUp:
      case Qt::Key_PageDown: {
        QScrollBar* bar = ScrollBox1->verticalScrollBar();
        bar->setValue(bar->value() + (key == Qt::Key_PageUp ? -200 : 200));
        return;
      }
      default:
        if (controller_.ArrowKey(key, mods)) {
          RepaintSurface();
          return;
        }
    }
    used = false;
  });
  return used;
}

void TfrDesignerForm::done(int r) {
  if (closing_) {
    QDialog::done(r);
    return;
  }
  int result = r;
  if (!CloseQuestion(result)) return;
  // The settings are kept while the panels still show as the operator left them.
  if (!firstShow_) SaveDesignerSettings();
  closing_ = true;
  QDialog::done(result);
  closing_ = false;
}

void TfrDesignerForm::closeEvent(QCloseEvent* e) {
  // The window's close box: the close question decides through done().
  e->ignore();
  if (!closing_) done(mrCancel);
}

bool TfrDesignerForm::eventFilter(QObject* watched, QEvent* e) {
  if (C4 && watched == C4->lineEdit() && e->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(e)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      Guard([this] { ApplyTool(6); });
      return true;
    }
  }
  if (C2 && watched == C2->lineEdit() && e->type() == QEvent::MouseButtonDblClick) {
    Guard([this] {
      if (CanEditSelected() && EditorHooks().EditFont) EditorHooks().EditFont(model_.TopSelected());
    });
    return true;
  }
  if (watched == StatusUnits && e->type() == QEvent::MouseButtonDblClick) {
    Guard([this] { SetUnits((model_.Settings.Units + 1) % 3); });
    return true;
  }
  return QDialog::eventFilter(watched, e);
}
