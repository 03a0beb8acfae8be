// Image lists for title cells, image columns and editors.
#include "grid/ImgListEh.h"

#include <QPainter>

int TCustomImageList::Add(const QPixmap& image) {
  if (image.width() == width_ && image.height() == height_) images_.push_back(image);
  else images_.push_back(image.scaled(width_, height_, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
  return Count() - 1;
}

void TCustomImageList::Draw(QPainter* painter, int x, int y, int index, bool enabled) const {
  if (!ValidIndex(index)) return;
  if (enabled) {
    painter->drawPixmap(x, y, images_[size_t(index)]);
    return;
  }
  painter->save();
  painter->setOpacity(0.4);
  painter->drawPixmap(x, y, images_[size_t(index)]);
  painter->restore();
}

void DrawImageClipped(QPainter* painter, const TCustomImageList* images, int alignment, int offset, int index,
                      const QRect& rect) {
  if (!images || !images->ValidIndex(index)) return;
  int x = rect.x() + offset;
  if (alignment == 1) x = rect.x() + rect.width() - images->Width() + offset;
  else if (alignment == 2) x = rect.x() + (rect.width() - images->Width()) / 2 + offset;
  const int y = rect.y() + (rect.height() - images->Height()) / 2;
  const QRect image(x, y, images->Width(), images->Height());
  if (rect.contains(image)) {
    images->Draw(painter, x, y, index);
    return;
  }
  painter->save();
  painter->setClipRect(rect, Qt::IntersectClip);
  images->Draw(painter, x, y, index);
  painter->restore();
}
