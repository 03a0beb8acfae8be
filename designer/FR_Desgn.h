#pragma once

#include <QDialog>
#include <QFrame>
#include <QHash>
#include <functional>
#include <memory>

#include "designer/FR_DesignModel.h"
#include "designer/FR_Surface.h"

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QMenuBar;
class QScrollArea;
class QStatusBar;
class QTabBar;
class TfrDock;
class TfrFontComboBox;
class TfrInspForm;
class TfrInsFieldsForm;
class TfrSpeedButton;
class TfrToolBar;
class TfrTextEditorBase;

// The report designer window and what the engine and the host windows see of it.

// The colour pop-up of the colour buttons: sixteen colours, "no colour" and the colour dialog.
class TfrColorPopup : public QFrame {
  Q_OBJECT
 public:
  explicit TfrColorPopup(QWidget* parent);
  TColor Colour = clNone;
  std::function<void(TColor)> OnColour;
  class TColorSelector* Selector = nullptr;

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  void choose(TColor c);
};

// The engine's view of a designer window: the calls objects, editors and the inspector make.
class TfrReportDesigner : public QDialog {
  Q_OBJECT
 public:
  TfrReportDesigner(bool fullMode, QWidget* parent = nullptr) : QDialog(parent), FullMode(fullMode) {}
  TfrPage* Page = nullptr;
  const bool FullMode;   // a whole template (true) or one built page (false)

  virtual bool IsModified() const = 0;
  virtual void MarkModified(bool flag) = 0;
  virtual void BeginChange() = 0;
  virtual void EndChange() = 0;
  virtual void RepaintSurface() = 0;
  virtual void SelectByName(const QString& name) = 0;
  virtual void PickField(QString& text) = 0;
  virtual void PickExpression(QString& text) = 0;
};

// The open designer window, null when none.
TfrReportDesigner*& ActiveDesigner();

// What a host window places to offer designing: folders, the closing question and events.
// At most one exists in the process.
class TfrDesigner : public QObject {
  Q_OBJECT
 public:
  explicit TfrDesigner(QObject* owner = nullptr);
  ~TfrDesigner() override;
  bool CloseQuery = true;
  bool HideDisabledButtons = true;
  QString OpenDir, SaveDir, TemplateDir;
  std::function<void(TfrReport* report, QString& reportName, bool& opened)> OnLoadReport;
  std::function<void(TfrReport* report, QString& reportName, bool saveAs, bool& saved)> OnSaveReport;
  std::function<void(QWidget* designer)> OnShow;
};
TfrDesigner*& DesignerComponent();

// Makes the designer the engine's: OpenDesigner of every report opens TfrDesignerForm. The
// settings key becomes "Software\Chartula\" + the application's title.
void RegisterReportDesigner();
// What the engine calls: the designer on `report`, modally; its modal result.
int DesignReport(TfrReport* report);
// The designer on one built page turned back into the report's only page (built-page mode):
// shown modally; true when the page was changed.
bool DesignBuiltPage(TfrReport* report, TfrPage* page);

class TfrDesignerForm : public TfrReportDesigner {
  Q_OBJECT
 public:
  TfrDesignerForm(TfrReport* report, bool fullMode = true, QWidget* parent = nullptr);
  ~TfrDesignerForm() override;

  // ---- the engine's designer calls
  bool IsModified() const override { return model_.Modified(); }
  void MarkModified(bool flag) override;
  void BeginChange() override;
  void EndChange() override;
  void RepaintSurface() override;
  void SelectByName(const QString& name) override;
  void PickField(QString& text) override;
  void PickExpression(QString& text) override;

  // ---- parts and state
  TfrDesignModel& Model() { return model_; }
  TfrSurfaceController& Surface() { return controller_; }
  TfrDesignerPage* DesignSurface = nullptr;
  QMenuBar* MainMenu1 = nullptr;
  QMenu *FileMenu, *EditMenu, *ToolMenu, *HelpMenu, *N37, *MastMenu, *Popup1, *Popup2;
  TfrDock *frDock1, *frDock2, *frDock3, *frDock4;
  TfrToolBar *Panel1, *Panel2, *Panel3, *Panel4, *Panel5, *Panel6;
  TfrFontComboBox* C2 = nullptr;   // font name box of the Text bar
  QComboBox* C3 = nullptr;         // font size box of the Text bar
  QComboBox* C4 = nullptr;                  // frame width box of the Frame bar
  // The text editor, kept while the window is open so that its pane and wrap settings and its
  // size persist; the variant follows the "SyntaxHighlight" option.
  std::unique_ptr<TfrTextEditorBase> TextEditor;
  TfrColorPopup* ColorPopup = nullptr;
  QFrame* LinePanel = nullptr;              // the six line styles
  QTabBar* Tab1 = nullptr;
  QScrollArea* ScrollBox1 = nullptr;
  QStatusBar* StatusBar1 = nullptr;
  QLabel *StatusUnits, *StatusBox, *StatusName;
  QAction* action(const QString& name) const { return actions_.value(name); }
  TfrSpeedButton* button(const QString& name) const { return buttons_.value(name); }

  QString DesignFileName;
  QString CaptionBase;
  bool SaveSucceeded = false;
  int CurPage() const { return model_.CurPage; }

  // ---- commands
  void SetCurrentPage(int index);
  void SetDesignFileName(const QString& name);
  void EnableControls();
  void SelectionChanged();
  // After a change of the selection or the objects: group, tool bars, status and surface.
  void Refresh();
  void EditSelected();
  void EditText(TfrView* view = nullptr);
  // The source editor of a data band, the group editor of a group header, the cross-band
  // source editor of a cross data band (FR_BandEd.cpp); other bands open nothing.
  void EditBand(TfrView* band);
  // The object pop-up's entries of the selected object after its seven fixed ones.
  void FillObjectMenu();
  // The editors the selection's properties open (the inspector's "..." rows, the pop-up and
  // double clicks reach them through the engine's editor hooks).
  void EditFormatOfSelection();
  void EditHighlightOfSelection();
  void EditRestrictionsOf(TfrView* view);
  void EditTagOf(TfrView* view);
  void EditPictureOf(TfrView* view);
  // Data dictionary and about commands.
  void EditReportDictionary();
  void About();
  // False when the top-most selected object forbids editing its contents.
  bool CanEditSelected() const;
  void UnselectAll();
  void SelectAllObjects();
  void DeleteSelection();
  void Undo();
  void Redo();
  void CutSelection();
  void CopySelection();
  void PasteObjects();
  void BringToFront();
  void SendToBack();
  void AddPage();
  void AddDialogPage();
  void DeletePage();
  void SetTool(int tool, bool sticky = false);
  void SetShowGrid(bool on);
  void SetGridAlign(bool on);
  void SetUnits(int units);
  // Fit to grid and the alignment palette's commands 1 to 10 (FR_FmtAlign.cpp).
  void FitToGrid();
  // The Text and Frame bars (FR_FmtTools.cpp): a control's Tag applied to the selection, and
  // the bars set from the selection.
  void ApplyTool(int tag);
  void UpdateToolBars();
  void ShowColorPopup(TfrSpeedButton* b);
  void ShowLinePanel(TfrSpeedButton* b);
  TColor ButtonColour(TfrSpeedButton* b) const;
  void AlignSelection(int command);

  // ---- the object inspector (FR_InspLink.cpp)
  TfrInspForm* Inspector = nullptr;
  void FillInspector();
  void RefreshInspector();
  // A committed inspector row written to the selection (or the page); -1: an editor ran.
  void InspectorCommitted(int row);
  void ShowInspector();
  // Position and size texts in the designer's unit (pixels on dialog pages).
  QString SizeText(int pixels) const;
  bool ReportPageShown() const;

  // ---- the field list (FR_Flds.cpp)
  TfrInsFieldsForm* FieldList = nullptr;
  void ToggleFieldList(bool show);
  void RefreshFieldList();
  // The field list's drop: a text object showing "[" + reference + "]" at `pagePoint`.
  void DropField(const QString& reference, QPoint pagePoint);
  // The insert-fields tool: the chosen fields of one source laid out as text objects, with
  // headers and bands when asked.
  void InsertFields();

  // files, options (FR_DesgnFiles.cpp)
  void NewReport();
  void NewFromTemplate();
  void OpenReport();
  void SaveReport();
  void SaveReportAs();
  void Preview();
  void PageOptions();
  bool RunPageOptions();   // true on OK
  void ReportOptions();
  void DesignerOptions();
  void LoadDesignerSettings();
  // The inspector and the field list as their stored visibility says (after the window shows).
  void ShowStoredPanels();
  // Written once, while the window and its panels still show as the operator left them.
  void SaveDesignerSettings();
  // The save question of New and Open: false when the command is to stop.
  bool AskToSave();
  // The question before closing: true when the window may close; `result` the modal result.
  bool CloseQuestion(int& result);
  // The Open command's reading step: false (and the report as it was) when the file is not a
  // readable template.
  bool ReadTemplateFile(const QString& path);
  // Writes the template through a temporary file; false (with a message) when it failed.
  bool WriteTemplateFile(const QString& path);

  void done(int r) override;
  // The window's keys (the surface hands its keys here first); true when used.
  bool HandleKey(QKeyEvent* e);

 protected:
  void keyPressEvent(QKeyEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void showEvent(QShowEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void buildMenus();
  void buildToolBars();
  void linkMenuGlyphs();
  QAction* addAction(QMenu* menu, const QString& name, int textId, void (TfrDesignerForm::*handler)(),
                     const QKeySequence& shortcut = {});
  TfrSpeedButton* addButton(TfrToolBar* bar, const QString& name, int tag, int hintId, const QString& caption,
                            std::function<void()> handler);
  void layoutWindow();
  void refreshTabs();
  void placeSurface();
  void updateStatus();
  void setAvailable(QAction* a, TfrSpeedButton* b, bool on);
  void pointHooks();
  void fontBoxApplied();
  void addFlagItem(QMenu* menu, const QString& name, int textId, int bit, bool everySelected, TfrView* owner);
  void createInspector();
  void buildAlignmentPalette();
  void buildFormatBars();
  void drawColourButton(TfrSpeedButton* b, TColor colour);
  void showWidth(const QString& text);
  TfrSpeedButton* colourButton_ = nullptr;
  QHash<TfrSpeedButton*, TColor> buttonColours_;
  bool updatingBars_ = false;

  TfrReport* report_;
  TfrDesignModel model_;
  TfrSurfaceController controller_;
  QWidget* surfaceHost_ = nullptr;
  QHash<QString, QAction*> actions_;
  QHash<QString, TfrSpeedButton*> buttons_;
  bool closing_ = false;
  bool firstShow_ = true;
  bool inTabUpdate_ = false;
  bool inspectorPlaced_ = false;
  bool settingsSaved_ = false;
};
