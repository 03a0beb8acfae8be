#pragma once

#include <QPixmap>
#include <QRect>
#include <vector>

class QPainter;

// A list of equally sized images addressed by index, as title cells, image columns and
// editors show them. Images of another size are scaled to the list's size when added.
class TCustomImageList {
 public:
  TCustomImageList(int width = 16, int height = 16) : width_(width), height_(height) {}
  virtual ~TCustomImageList() = default;
  int Width() const { return width_; }
  int Height() const { return height_; }
  int Count() const { return int(images_.size()); }
  // Returns the new image's index.
  int Add(const QPixmap& image);
  void Clear() { images_.clear(); }
  bool ValidIndex(int index) const { return index >= 0 && index < Count(); }
  const QPixmap& Image(int index) const { return images_[size_t(index)]; }
  // Draws an image with its top-left corner at (x, y); an index outside the list draws nothing.
  void Draw(QPainter* painter, int x, int y, int index, bool enabled = true) const;

 private:
  int width_, height_;
  std::vector<QPixmap> images_;
};

class TImageList : public TCustomImageList {
 public:
  using TCustomImageList::TCustomImageList;
};

// Draws an image of a list in a rectangle: aligned left (x = left + offset), right
// (right − width + offset) or centred, centred vertically; clipped to the rectangle when it
// does not fit. alignment: 0 left, 1 right, 2 centre.
void DrawImageClipped(QPainter* painter, const TCustomImageList* images, int alignment, int offset, int index,
                      const QRect& rect);
