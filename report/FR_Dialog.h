#pragma once

// Controls of dialog pages. A dialog page is shown as a modal window before a report is built;
// its objects are controls that wrap a widget each. The object's fields are what the template
// stores and what scripts and text objects read (Edit1.Text, CheckBox1.Checked, ...); the
// widget mirrors them while the window is up and writes the user's answers back.

#include <QPointer>
#include <QWidget>
#include <functional>

#include "report/FR_Class.h"

class QDialog;

// A visual control: the widget is made on first use and put on the dialog's window.
class TfrControl : public TfrView {
 public:
  TfrControl();
  ~TfrControl() override;

  QWidget* Control();
  // Puts the control on `form` at the object's bounds, shown as `Visible` says.
  void PlaceOn(QWidget* form);
  // Takes the control off its window (it lives on with the object).
  void TakeOff();
  // The script the control runs on its event (click, change); set by the page's window.
  std::function<void(TfrControl*)> OnEvent;

  void PropWrite(const QString& name, const Variant& value) override;
  Variant PropRead(const QString& name) override;
  void DeclareProps() override;
  void Paint(TCanvas* canvas) override;
  void LoadRecord(QIODevice& s) override;
  void StoreRecord(QIODevice& s) override;

 protected:
  virtual QWidget* makeControl() = 0;
  // The control's own part of the record, after the view's.
  virtual void loadOwn(QIODevice&) {}
  virtual void storeOwn(QIODevice&) {}
  void fireEvent();
  QPointer<QWidget> control_;
  bool updating_ = false;  // the widget is being set from the fields
};

// A component without a window of its own (a query, a data source): shown as an icon in the
// designer; the report's OnCustomizeObject sees it when the page is made ready.
class TfrNonVisualControl : public TfrControl {
 public:
  TfrNonVisualControl();
  QObject* Component = nullptr;
  void PropWrite(const QString& name, const Variant& value) override;
  void DeclareProps() override;
  void Paint(TCanvas* canvas) override;

 protected:
  QWidget* makeControl() override { return nullptr; }
};

// Texts: Memo holds the caption.
class TfrLabelControl : public TfrControl {
 public:
  TfrLabelControl();
  QString ClassName() const override { return QStringLiteral("TfrLabelControl"); }
  void DeclareProps() override;

 protected:
  QWidget* makeControl() override;
};

// A one-line edit: Memo holds the text (TEXT).
class TfrEditControl : public TfrControl {
 public:
  TfrEditControl();
  QString ClassName() const override { return QStringLiteral("TfrEditControl"); }
  void DeclareProps() override;

 protected:
  QWidget* makeControl() override;
};

// A check box: Memo holds the caption, CHECKED the state.
class TfrCheckBoxControl : public TfrControl {
 public:
  TfrCheckBoxControl();
  bool Checked = false;
  QString ClassName() const override { return QStringLiteral("TfrCheckBoxControl"); }
  void PropWrite(const QString& name, const Variant& value) override;
  Variant PropRead(const QString& name) override;
  void DeclareProps() override;

 protected:
  QWidget* makeControl() override;
  void loadOwn(QIODevice& s) override;
  void storeOwn(QIODevice& s) override;
};

// A drop-down list: Memo holds the items (ITEMS), ITEMINDEX the chosen one (-1: none), TEXT
// the chosen item's text (or the typed text when EDITABLE).
class TfrComboBoxControl : public TfrControl {
 public:
  TfrComboBoxControl();
  int ItemIndex = -1;
  bool Editable = false;
  QString Text;
  QString ClassName() const override { return QStringLiteral("TfrComboBoxControl"); }
  void PropWrite(const QString& name, const Variant& value) override;
  Variant PropRead(const QString& name) override;
  Variant InvokeMethod(const QString& name, const Variant& a1, const Variant& a2, const Variant& a3) override;
  void DeclareProps() override;

 protected:
  QWidget* makeControl() override;
  void loadOwn(QIODevice& s) override;
  void storeOwn(QIODevice& s) override;
};

// A push button: Memo holds the caption; a nonzero MODALRESULT closes the window with it after
// the button's script ran (1 OK, 2 Cancel).
class TfrButtonControl : public TfrControl {
 public:
  TfrButtonControl();
  int ModalResult = 0;
  bool Default = false;
  QString ClassName() const override { return QStringLiteral("TfrButtonControl"); }
  void PropWrite(const QString& name, const Variant& value) override;
  Variant PropRead(const QString& name) override;
  void DeclareProps() override;

 protected:
  QWidget* makeControl() override;
  void loadOwn(QIODevice& s) override;
  void storeOwn(QIODevice& s) override;
};

// Registers the control classes above with the object factory (done once, on first use of
// the factory).
void RegisterDialogControls();
