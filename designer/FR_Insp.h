#pragma once

#include <QHash>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "platform/variant.h"

class QComboBox;
class QLineEdit;
class QListWidget;
class QTableWidget;
class QToolButton;

// The object inspector: a floating grid of property names and values. It knows nothing of
// report objects; the designer fills it with rows and is told of every committed value.

// Row kinds (the bit values of the engine's property declarations).
enum TfrPropKind : uint16_t {
  pkString = 1, pkInteger = 2, pkFloat = 4, pkBoolean = 8, pkColor = 16, pkChoice = 32, pkEditor = 64,
  pkSize = 128, pkSingle = 256,
};

// One row: its value text, kind, editor and choices.
struct TProp {
  QString ValueText;
  uint16_t PropKind = 0;
  std::function<void()> EditorProc;
  QStringList ChoiceNames;
  Variant ChoiceValues;   // an array of the names' values, or Null when the names are the values
  bool HasValueArray() const { return ChoiceValues.isArray(); }
  // Normalises `value` into ValueText: True/False, colour names, two decimals, choice names.
  void StoreValue(const Variant& value);
  // The value of ValueText for the row's kind; EConvertError when the text does not convert.
  Variant ReadValue() const;
};

// The engine's named colours (value in BGR order), both ways.
struct TfrNamedColor {
  const char* name;
  uint32_t value;
};
const std::vector<TfrNamedColor>& NamedColors();
QString ColorToText(uint32_t color);
// Name (letter case ignored), $hex or decimal; false when it is none of them.
bool TextToColor(const QString& text, uint32_t& color);
// Numbers with decimals as the inspector shows them: 12.50, 123.50, 1.2346E+04.
QString FloatText(double value);

class TfrInspForm : public QWidget {
  Q_OBJECT
 public:
  explicit TfrInspForm(QWidget* parent = nullptr);
  ~TfrInspForm() override;

  QComboBox* CB1;         // object names
  QTableWidget* Grid;     // name | value
  QLineEdit* Edit1;       // the value editor over the selected row
  QToolButton* EditBtn;   // "..."
  QToolButton* ComboBtn;  // drop-down
  QListWidget* ChoiceList;

  int RowIndex = -1;
  int SplitX = 75;
  bool Locked = false;
  bool Committing = false;
  QString LastRowName;
  QString InspectedName;
  void* InspectedObject = nullptr;

  // Property name -> localised title; rows show the title when LocalizedNames is on.
  QHash<QString, QString> PropTitles;
  bool LocalizedNames = false;
  // Reads "name=title" texts from the engine's text 58001 upward (to the first empty one),
  // then the designer's own Chinese titles for names the engine leaves untranslated.
  void LoadPropTitles();
  QString RowTitle(int index) const;

  std::function<void(int row)> OnValueCommitted;
  std::function<void(QStringList& names)> OnListObjects;
  std::function<void(const QString& name)> OnPickObject;

  void ClearRows();
  void AddRow(const QString& name, const Variant& value, std::function<void()> editor, const Variant& choiceValues,
              const QStringList& choiceNames, uint16_t kind);
  // A row whose value text is already the shown text.
  void AddShownRow(const QString& name, const QString& text, std::function<void()> editor, const Variant& choiceValues,
                   const QStringList& choiceNames, uint16_t kind);
  void RefreshRows();
  Variant RowValue(int index) const;
  int RowCount() const { return int(rows_.size()); }
  QString RowName(int index) const { return rows_[size_t(index)].first; }
  TProp* Row(int index) const { return rows_[size_t(index)].second.get(); }
  int FindRow(const QString& name) const;
  void SelectRow(int index);
  void ShowInspector();
  // The editor's text into the selected row, then OnValueCommitted.
  void CommitEdit();
  // Double click on a value: boolean and choice rows cycle, editor rows open their dialog.
  void CycleValue();
  void ShowChoices();
  void RunEditor();

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;

 private:
  void placeEditor();
  void fillObjectBox();
  std::vector<std::pair<QString, std::unique_ptr<TProp>>> rows_;
  bool modified_ = false;
  bool filling_ = false;
};
