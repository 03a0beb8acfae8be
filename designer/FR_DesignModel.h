#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "report/FR_Class.h"

// What the report designer edits, without any window: the current page of a report, the
// selection on it, the undo and redo buffers, the object clipboard, the band order and the
// page list. The designer window and the design surface drive it; tests use it directly.

// Restriction bits of an object (its Restrictions property).
enum : uint16_t {
  frrfDontEditMemo = 1, frrfDontEditScript = 2, frrfDontEditContents = 4, frrfDontModify = 8,
  frrfDontSize = 16, frrfDontMove = 32, frrfDontDelete = 64,
};

// Band kinds the designer treats specially.
enum : int { kBandOverlay = 13, kBandCrossHeader = 18, kBandCrossData = 19, kBandCrossFooter = 20, kBandChild = 21 };

inline bool IsBand(const TfrView* v) { return v && v->Typ == gtBand; }
inline int BandKindOf(const TfrView* v) { return IsBand(v) ? static_cast<const TfrBandView*>(v)->BandKind() : -1; }
// A band of this kind may occur at most once on a page.
bool BandKindIsSingle(int kind);

// The designer's settings ("Form\TfrDesignerForm" under the engine's settings key).
struct TfrDesignerSettings {
  int GridSize = 4;                  // 4, 8 or 18
  bool GridAlign = true;
  bool ShowGrid = true;
  int Units = 0;                     // 0 pixels, 1 millimetres, 2 inches
  bool GrayButtons = false;
  bool EditAfterInsert = true;
  int ShowContentsWhileMoving = 1;
  int PagePosition = 5;              // 3 left, 4 right, 5 centre
  bool BandTitles = true;
  bool LocalizedPropNames = false;
  bool UnlimitedHeight = false;
  bool DisableUndo = false;
  bool SyntaxHighlight = true;
  bool InspectorVisible = true;
  int InspectorSplitPos = 75;
  bool FieldListVisible = true;

  static QString Key();   // "Form\TfrDesignerForm"
  void Load();
  void Save() const;
};

// The designer's display units: 18 pixels stand for 5 millimetres.
double PixelsToUnits(double pixels, int units);
double UnitsToPixels(double value, int units);

// Kinds of undo steps.
enum TfrUndoKind : uint8_t { acInsert = 0, acDelete = 1, acEdit = 2, acZOrder = 3 };

// One object of an undo step. Each entry carries its own kind, so a deletion can also hold the
// bands whose child-band reference it cleared.
struct TfrUndoEntry {
  uint8_t Kind = acEdit;
  uint32_t ID = 0;
  int Index = -1;
  std::unique_ptr<TfrView> Copy;   // state before the change (delete, edit)
};

struct TfrUndoStep {
  uint8_t Kind = acEdit;
  int PageIndex = 0;
  std::vector<TfrUndoEntry> Entries;
};

// The object clipboard of the designer: one stream per copied object (type byte, class name,
// record at stream version 25). It lives for the whole run, across designer windows.
QList<QByteArray>& ObjectClipboard();

class TfrDesignModel {
 public:
  static constexpr int kMaxUndo = 100;

  explicit TfrDesignModel(TfrReport* report);
  ~TfrDesignModel();

  TfrReport* Report() const { return report_; }
  void SetReport(TfrReport* report);
  TfrDesignerSettings Settings;

  // ---- pages
  int CurPage = 0;
  TfrPage* Page() const;
  int PageCount() const { return report_ ? int(report_->Pages.size()) : 0; }
  // Switches page (an index out of range changes nothing and returns false); clears the
  // selection and orders the bands.
  bool SetCurrentPage(int index);
  // Appends a page named uniquely ("Page" + number); returns its index.
  int AppendPage(uint8_t type = ptReport);
  // Removes the page; sub-report objects pointing at it go, those above it follow it down.
  // Refused (false) while the report has one page. Clears both buffers.
  bool DeletePage(int index);
  // Moves a page; sub-report objects follow their pages. Clears both buffers.
  bool MovePage(int from, int to);
  // A page's type changes (report page or dialog page); the undo steps of that page go.
  void SetPageType(int index, uint8_t type);
  // The text of page i's tab: the name of the sub-report object showing it, else "页" + (i + 1).
  QString PageTabText(int index) const;

  // ---- selection
  QList<TfrView*> Selection() const;   // in list order
  int SelectionCount() const;
  TfrView* TopSelected() const;         // the last selected in list order
  TfrView* FirstSelected = nullptr;
  void UnselectAll();
  void SelectAll();
  void SelectOnly(TfrView* view);
  // SelectByName of the engine's designer calls: an object of the current page by name, or
  // "Page" + number (from 1). False when nothing matched or the number is not a page.
  bool SelectByName(const QString& name);
  int IndexOf(const TfrView* view) const;
  TfrView* ObjectByID(uint32_t id) const;

  // ---- changes
  // Records an undo step: before the change (delete, edit, order) or after it (insert). With
  // undo disabled, or nothing to record, only the modified flag is set.
  void RecordUndo(TfrUndoKind kind);
  void Undo();
  void Redo();
  void ClearUndo();
  void ClearRedo();
  int UndoCount() const { return int(undo_.size()); }
  int RedoCount() const { return int(redo_.size()); }
  // The page index of the last undo / redo step (-1 without one).
  int UndoPage() const { return undo_.empty() ? -1 : undo_.back().PageIndex; }

  // Appends a new object to the current page, names it, selects it alone and records the
  // insertion.
  TfrView* InsertObject(TfrView* view, bool record = true);
  // Deletes the selected objects that may be deleted (those that may not stay selected).
  void DeleteSelection(bool record = true);
  void CopySelection();
  void CutSelection();
  // Pastes the clipboard at the page's top-left corner (offset by `shiftX`, `shiftY`), or at
  // the selected band's top.
  void PasteObjects(int shiftX = 0, int shiftY = 0);
  void BringToFront();
  void SendToBack();
  // Bands first in their order, the overlay band first of all, cross bands last of the bands.
  void NormalizeBands();

  // ---- modified state
  bool Modified() const { return modified_; }
  void MarkModified(bool flag);
  std::function<void(bool)> OnModified;       // after every MarkModified
  std::function<void()> OnBuffersChanged;     // the undo or redo count changed
  std::function<void()> OnPagesChanged;       // pages added, removed or moved

 private:
  void addStep(std::deque<TfrUndoStep>& buffer, TfrUndoKind kind, const std::vector<std::pair<TfrView*, int>>& objects,
               const std::vector<std::pair<TfrView*, int>>& editedExtra = {});
  void applyLast(std::deque<TfrUndoStep>& from, std::deque<TfrUndoStep>& to);
  void buffersChanged();
  void removeAt(int index);
  void dropStepsOfPage(int pageIndex);
  void reorder(bool toFront);

  TfrReport* report_;
  bool modified_ = false;
  std::deque<TfrUndoStep> undo_;
  std::deque<TfrUndoStep> redo_;
};

// A new object of the same class with the whole state (name and ObjectID too).
std::unique_ptr<TfrView> CloneView(TfrView* view);
// The clipboard stream of one object, and an object read back from one.
QByteArray ObjectToStream(TfrView* view);
std::unique_ptr<TfrView> ObjectFromStream(const QByteArray& bytes);
