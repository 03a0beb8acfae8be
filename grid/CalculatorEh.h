#pragma once

#include <QFrame>
#include <QLabel>
#include <QString>
#include <QVector>
#include <QWidget>

#include "grid/ToolCtrlsEh.h"
#include "platform/variant.h"

// The four-function calculator: a one-line display over a panel of speed buttons, driven by
// clicks, typed characters and the wheel. `TPopupCalculatorEh` is its drop-down form, opened
// by the number editor from its button.
class TCalculatorEh : public QWidget {
  Q_OBJECT
 public:
  enum EntryStateEh { esReady = 0, esEntering = 1, esError = 2 };

  explicit TCalculatorEh(QWidget* parent = nullptr);

  // The character of each button's Tag (Tag 0 and the hidden Tag 12 give nothing useful).
  static QChar CalcKeyOfTag(int tag);

  // Applies one key: digits, the decimal point, operators, Enter, %, C/Esc, Backspace,
  // I (sign), R (1/x), S (square root), Ctrl+C (3) and Ctrl+V (22).
  virtual void ApplyCalcKey(QChar key);
  virtual int FrameSize() const { return 0; }
  // With AutoSize (on from creation) the control is exactly its client area of buttons and
  // display plus its frame on every side; off, its size is free.
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool on);
  QSize AutoSizeExtent() const;
  QSize sizeHint() const override { return AutoSizeExtent(); }

  // The display as a number: 0 in the error state.
  double DisplayValue() const;
  void ShowNumber(double value);
  void ClearAll();
  QString DisplayText() const { return TextBox->text(); }
  EntryStateEh EntryState() const { return entryState_; }
  double Accumulator() const { return accumulator_; }
  QChar PendingOperator() const { return pendingOperator_; }
  QString EqualsCaption() const;

  void SpeedButtonClick(QObject* sender);
  TSpeedButtonEh* ButtonByName(const QString& name) const;
  const QVector<TSpeedButtonEh*>& Buttons() const { return buttons_; }

  QFrame* Panel1 = nullptr;
  QLabel* TextBox = nullptr;
  TSpeedButtonEh* spEqual = nullptr;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void UpdateEqualsCaption();
  // Fixes the size at AutoSizeExtent while AutoSize is on (again after the frame changed).
  void ApplyAutoSize();

 private:
  void StartEntry();
  void ShowError();
  void CopyDisplay();
  void PasteNumber();
  void SetDisplay(const QString& text);

  double accumulator_ = 0;
  QChar pendingOperator_ = QChar(0);
  EntryStateEh entryState_ = esReady;
  QVector<TSpeedButtonEh*> buttons_;
  bool autoSize_ = true;
};

// The value window a drop-down editor reads and writes.
class IDropDownValueWindowEh {
 public:
  virtual ~IDropDownValueWindowEh() = default;
  virtual bool EnterClosesWindow() const = 0;
  virtual bool WindowFlat() const = 0;
  virtual Variant WindowValue() const = 0;
  virtual void SetWindowFlat(bool flat) = 0;
  virtual void SetWindowValue(const Variant& value) = 0;
};

class TPopupCalculatorEh : public TCalculatorEh, public IDropDownValueWindowEh {
  Q_OBJECT
 public:
  // `owner` receives the close requests through IDropDownHolderEh.
  explicit TPopupCalculatorEh(QWidget* owner);

  void ApplyCalcKey(QChar key) override;
  int FrameSize() const override { return EdgeWidth; }

  bool EnterClosesWindow() const override;
  bool WindowFlat() const override { return flatButtons_; }
  // In the error state an Empty variant, which editors refuse as not numeric.
  Variant WindowValue() const override;
  void SetWindowFlat(bool flat) override;
  void SetWindowValue(const Variant& value) override;

  // Keys the owning editor forwards while the calculator is shown.
  void HandleKey(QKeyEvent* event) { keyPressEvent(event); }
  void HandleWheel(QWheelEvent* event) { wheelEvent(event); }

  int EdgeWidth = 2;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void closeThroughOwner(bool accept);
  QWidget* owner_;
  bool flatButtons_ = true;
};
