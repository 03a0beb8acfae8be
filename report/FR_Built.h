#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QObject>
#include <QRect>
#include <QStringList>
#include <memory>
#include <vector>

#include "report/FR_Prntr.h"

class TfrPage;
class TfrReport;
class TfrView;
class TCanvas;

// The built pages of a report: per page the paper it was formed on and the stream of objects
// written onto it (their texts already evaluated). A page's stream is turned back into objects
// when the page is drawn, searched or exported; the pages are saved to and read from the
// built-report file (.frp).
class TfrEMFPages : public QObject {
  Q_OBJECT
 public:
  struct Entry {
    uint16_t pgSize = 0;
    int pgWidth = 0, pgHeight = 0;
    uint8_t pgOr = 0;
    int pgBin = -1;
    bool UseMargins = false;
    int LeftMargin = 0, TopMargin = 0, RightMargin = 0, BottomMargin = 0;
    PageMetrics Metrics;
    bool Visible = false;         // the show flag: set while the page is drawn
    QByteArray Stream;            // version byte 25, then the objects
    std::unique_ptr<TfrPage> Page;   // the objects read back, made on demand
  };

  explicit TfrEMFPages(TfrReport* report);
  ~TfrEMFPages() override;

  int Count() const { return int(entries_.size()); }
  Entry& EntryAt(int index) { return *entries_.at(size_t(index)); }
  void Clear();
  // A new page with the template page's paper and margins; appended when index >= Count().
  bool InsertPage(int index, TfrPage* templatePage);
  // Appends and fires the begin-page event of the report.
  void AddPage(TfrPage* templatePage);
  void DeletePage(int index);
  // Appends one object's written form to a page's stream.
  void AppendToStream(int index, const QByteArray& bytes);

  // Reads the stream into a page object (once).
  TfrPage* ObjectsToPage(int index);
  // Writes the page object back into the stream.
  void PageToObjects(int index);
  // Draws a page into `rect` of the canvas (the page scaled to fill it). With the entry's show
  // flag clear, the page object is released instead.
  void Draw(int index, TCanvas* canvas, const QRect& rect);
  // The texts of the objects of a page, in the order they were written (for search and tests).
  QStringList PageTexts(int index);
  // The object under a point given in page pixels (the topmost, i.e. last written), or null.
  TfrView* ObjectAt(int index, const QPoint& point);

  // The .frp format.
  void SaveToFile(QIODevice& s);
  // Raises EReadError on a damaged file.
  void LoadFromFile(QIODevice& s);

 private:
  TfrReport* report_;
  std::vector<std::unique_ptr<Entry>> entries_;
};
