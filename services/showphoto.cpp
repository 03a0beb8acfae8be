#include "services/showphoto.h"

#include <QBuffer>
#include <QContextMenuEvent>
#include <QMenu>
#include <QStatusBar>
#include <QVBoxLayout>

#include "platform/data/field.h"
#include "platform/ui.h"

TForm_showphoto::TForm_showphoto(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Form_showphoto"));
  setWindowTitle(u("显示图片"));
  setWindowState(Qt::WindowMaximized);
  Image1 = new QLabel(this);
  Image1->setObjectName(QStringLiteral("Image1"));
  Image1->setAlignment(Qt::AlignCenter);
  Image1->setToolTip(u("双击鼠标关闭窗口"));
  Image1->setMinimumSize(1, 1);
  Image1->installEventFilter(this);
  StatusBar1 = new QStatusBar(this);
  StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
  StatusBar1->showMessage(u("提示：双击鼠标返回，鼠标右键有菜单选择！"));
  PopupMenu1 = new QMenu(this);
  PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
  N1 = PopupMenu1->addAction(u("拉伸"));
  N1->setObjectName(QStringLiteral("N1"));
  N2 = PopupMenu1->addAction(u("原图"));
  N2->setObjectName(QStringLiteral("N2"));
  connect(N1, &QAction::triggered, this, [this] { N1Click(); });
  connect(N2, &QAction::triggered, this, [this] { N2Click(); });
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->addWidget(Image1, 1);
  column->addWidget(StatusBar1);
  resize(800, 600);
}

void TForm_showphoto::SetPicture(const QImage& picture) {
  picture_ = picture;
  render();
}

void TForm_showphoto::N1Click() {
  stretch_ = true;
  render();
}

void TForm_showphoto::N2Click() {
  stretch_ = false;
  render();
}

void TForm_showphoto::Image1DblClick() { close(); }

void TForm_showphoto::render() {
  if (picture_.isNull()) {
    Image1->clear();
    return;
  }
  QPixmap pixmap = QPixmap::fromImage(picture_);
  if (stretch_) pixmap = pixmap.scaled(Image1->size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  Image1->setPixmap(pixmap);
}

void TForm_showphoto::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  if (stretch_) render();
}

bool TForm_showphoto::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Image1) {
    if (event->type() == QEvent::MouseButtonDblClick) {
      Image1DblClick();
      return true;
    }
    if (event->type() == QEvent::ContextMenu) {
      PopupMenu1->popup(static_cast<QContextMenuEvent*>(event)->globalPos());
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

TPictureBox::TPictureBox(QWidget* parent) : QLabel(parent) {
  setAlignment(Qt::AlignCenter);
  setFrameShape(QFrame::StyledPanel);
  setMinimumSize(120, 90);
}

void TPictureBox::SetPicture(const QImage& picture) {
  picture_ = picture;
  if (picture_.isNull()) clear();
  else setPixmap(QPixmap::fromImage(picture_).scaled(size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

void TPictureBox::LoadFromField(const TField* field) {
  QImage image;
  if (field && !field->IsNull()) image.loadFromData(field->AsBytes());
  SetPicture(image);
}

QByteArray TPictureBox::BitmapBytes() const {
  if (picture_.isNull()) return {};
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  picture_.save(&buffer, "BMP");
  return bytes;
}

void ShowPhoto(QWidget* parent, const QImage& picture) {
  if (picture.isNull()) return;
  auto* viewer = new TForm_showphoto(parent);
  viewer->SetPicture(picture);
  RunModal(viewer);
  delete viewer;
}
