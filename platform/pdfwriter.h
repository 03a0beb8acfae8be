#pragma once

#include <QPaintDevice>
#include <QSizeF>
#include <QString>
#include <memory>

class PdfWriterEngine;
class QPainter;
class QPointF;

// A paint device that takes whole texts from the drawing canvas (TCanvas) and shapes or keeps
// them itself, instead of receiving the glyph runs Qt's painter shapes for every text drawn.
class WholeTextDevice {
 public:
  virtual ~WholeTextDevice() = default;
  // Draws `text` from its baseline origin like QPainter::drawText(baseline, text) on this
  // device. False (nothing drawn) when `painter` does not paint on this device.
  virtual bool drawText(QPainter* painter, const QPointF& baseline, const QString& text) = 0;
};

// A paint device that writes its pages straight into a PDF file.
//
// Printed reports are long runs of simple pages: text, frame lines, fills and now and then a
// picture. This device writes them with little state per object: one compressed content
// stream per page, drawing in device pixels at the chosen resolution. Text is shaped by Qt
// (the same fonts and fall-backs as on screen) and written with embedded glyph outlines of
// exactly the glyphs used; every glyph carries the character it was drawn for, so copied or
// extracted text is the text that was painted.
//
// Usage: construct with the file name, the resolution and the first page's size, paint with
// a QPainter, call newPage() between pages (the painter stays active), and end the painter:
// the file is complete when QPainter::end() returns true. A device whose file cannot be
// written reports it through isValid() and refuses QPainter::begin().
class PdfPageWriter : public QPaintDevice, public WholeTextDevice {
 public:
  PdfPageWriter(const QString& fileName, int dotsPerInch, const QSizeF& pageSizePoints);
  ~PdfPageWriter() override;

  bool isValid() const;
  void setTitle(const QString& title);
  // The size of the next page (and of the current one when nothing was painted on it yet).
  void setPageSize(const QSizeF& pageSizePoints);
  // Ends the current page and starts the next one. False when the file cannot be written.
  bool newPage();
  // Draws `text` from its baseline origin like QPainter::drawText(baseline, text) on this device,
  // but shaped once per text and font for the whole job. False (nothing drawn) when `painter`
  // does not paint on this device.
  bool drawText(QPainter* painter, const QPointF& baseline, const QString& text) override;
  // Stops the job: the painter's end() removes the unfinished file.
  void abort();

  QPaintEngine* paintEngine() const override;
  int devType() const override;

 protected:
  int metric(PaintDeviceMetric metric) const override;

 private:
  std::unique_ptr<PdfWriterEngine> engine_;
};
