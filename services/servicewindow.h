#pragma once

#include <QString>
#include <initializer_list>

#include "platform/datetime.h"

class QObject;
class QWidget;
class TDBGridEh;
class TPrintDBGridEh;
class TCustomDBEditEh;
class TDataSource;
class TDBDateTimeEditEh;
class TDBEditEh;
class TDBComboBoxEh;
class TDBCheckBoxEh;
class TDBMemo;

// Small pieces the complaint, upkeep, document and work-log windows share.

// Joins one condition into a condition text: the first stands alone, every later one gets
// "and" directly before it. `condition` is already in parentheses.
void AddCondition(QString& where, const QString& condition);
// "(field like '%value%' ESCAPE '\')": the value is matched literally, quotes and wildcards
// included.
QString ContainsCondition(const QString& field, const QString& value);
// "(field = 'value')" with the value quoted.
QString EqualsCondition(const QString& field, const QString& value);

// A date box counts as empty when its text begins with a blank (the empty mask).
bool DateBoxEmpty(const TCustomDBEditEh* box);

// The check of a 从/到 pair of date boxes.
enum class DateRangeState { Empty, Filled, OneMissing, Reversed };
DateRangeState CheckDateRange(const TCustomDBEditEh* from, const TCustomDBEditEh* to);
// Shows the message for a failed pair (OneMissing: `missing`; Reversed: `reversed`), focuses
// `from` and returns false; true for an empty or a filled pair.
bool AcceptDateRange(TCustomDBEditEh* from, TCustomDBEditEh* to, const QString& missing, const QString& reversed);
// The day of a filled date box (its date without the time).
TDateTime DateBoxDay(const TCustomDBEditEh* box);

// Bound editors with their object name.
TDBEditEh* MakeDBEdit(QWidget* parent, const char* name, TDataSource* source, const QString& field);
TDBDateTimeEditEh* MakeDBDateEdit(QWidget* parent, const char* name, TDataSource* source, const QString& field);
TDBComboBoxEh* MakeDBCombo(QWidget* parent, const char* name, TDataSource* source, const QString& field);
TDBMemo* MakeDBMemo(QWidget* parent, const char* name, TDataSource* source, const QString& field);
// On a double click each memo opens the memo editor over its own field of `source`, read-only
// while the memo is.
void ViewMemosOnDoubleClick(QWidget* parent, TDataSource* source, std::initializer_list<TDBMemo*> memos);
TDBCheckBoxEh* MakeDBCheck(QWidget* parent, const char* name, TDataSource* source, const QString& field,
                           const QString& caption);
// An unbound date box (the query dialogs' 从 and 到).
TDBDateTimeEditEh* MakeDateBox(QWidget* parent, const char* name);

// The print of the document lists: "公司文件明细表打印列表" centred, the page number at the right.
TPrintDBGridEh* NewCompanyFilePrint(QObject* owner, TDBGridEh* grid);
