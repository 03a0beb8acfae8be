// The designer's tool-button pictures, drawn with lines, rectangles and a few letters.
#include "designer/FR_Glyphs.h"

#include <QHash>
#include <QIcon>
#include <QPixmap>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>

namespace {

// The see-through colour of every glyph; no picture uses it.
constexpr QRgb kKey = 0xFF0E0D0C;

const QColor kInk(0, 0, 0);
const QColor kNavy(0, 0, 128);
const QColor kBlue(40, 90, 200);
const QColor kGrey(128, 128, 128);
const QColor kLight(192, 192, 192);
const QColor kPaper(255, 255, 255);
const QColor kYellow(240, 200, 60);
const QColor kGreen(0, 140, 0);
const QColor kRed(200, 0, 0);

// A sheet of paper with a folded top-right corner.
void sheet(QPainter& p, int x, int y, int w, int h) {
  const QPolygon outline({QPoint(x, y), QPoint(x + w - 4, y), QPoint(x + w, y + 4), QPoint(x + w, y + h), QPoint(x, y + h)});
  p.setPen(kInk);
  p.setBrush(kPaper);
  p.drawPolygon(outline);
  p.drawPolyline(QPolygon({QPoint(x + w - 4, y), QPoint(x + w - 4, y + 4), QPoint(x + w, y + 4)}));
  p.setBrush(Qt::NoBrush);
}

// Lines of text on a sheet.
void textLines(QPainter& p, int x, int y, int w, int count, int step = 2) {
  p.setPen(kGrey);
  for (int i = 0; i < count; ++i) p.drawLine(x, y + i * step, x + w - 1 - (i % 2) * 2, y + i * step);
}

void plus(QPainter& p, int cx, int cy, const QColor& c) {
  p.fillRect(cx - 3, cy - 1, 7, 3, c);
  p.fillRect(cx - 1, cy - 3, 3, 7, c);
}

void cross(QPainter& p, int cx, int cy) {
  p.setPen(QPen(kRed, 2));
  p.drawLine(cx - 3, cy - 3, cx + 3, cy + 3);
  p.drawLine(cx + 3, cy - 3, cx - 3, cy + 3);
}

void letter(QPainter& p, const QRect& r, const QString& text, bool bold, bool italic, bool underline, int pixels,
            const QColor& c = kInk) {
  QFont f(QStringLiteral("Liberation Serif"));
  f.setPixelSize(pixels);
  f.setBold(bold);
  f.setItalic(italic);
  f.setUnderline(underline);
  p.setFont(f);
  p.setPen(c);
  p.drawText(r, Qt::AlignCenter, text);
}

// An arrow head pointing along (dx, dy) with its tip at (x, y).
void head(QPainter& p, int x, int y, int dx, int dy, const QColor& c) {
  p.setPen(c);
  for (int i = 0; i < 3; ++i) {
    if (dx) p.drawLine(x - dx * i, y - i, x - dx * i, y + i);
    else p.drawLine(x - i, y - dy * i, x + i, y - dy * i);
  }
}

// Bars of the alignment pictures: (x, y, w, h) filled in blue with a dark edge.
void bar(QPainter& p, int x, int y, int w, int h) {
  p.setPen(kNavy);
  p.setBrush(QColor(120, 160, 230));
  p.drawRect(x, y, w - 1, h - 1);
  p.setBrush(Qt::NoBrush);
}

// Four edges of a frame, solid where `solid` has the edge's bit (top 8, left 4, bottom 2, right 1).
void frameEdges(QPainter& p, int solid) {
  const QLine edges[] = {QLine(2, 2, 13, 2), QLine(2, 2, 2, 13), QLine(2, 13, 13, 13), QLine(13, 2, 13, 13)};
  const int bits[] = {8, 4, 2, 1};
  for (int i = 0; i < 4; ++i) {
    if (solid & bits[i]) {
      p.setPen(QPen(kInk, 2, Qt::SolidLine, Qt::SquareCap));
    } else {
      p.setPen(QPen(kGrey, 1, Qt::DotLine));
    }
    p.drawLine(edges[i]);
  }
  p.setPen(QPen(kLight, 1, Qt::DotLine));
  p.drawLine(4, 7, 11, 7);
  p.drawLine(7, 4, 7, 11);
}

void gridDots(QPainter& p) {
  p.setPen(kGrey);
  for (int y = 1; y < 16; y += 4)
    for (int x = 1; x < 16; x += 4) p.drawPoint(x, y);
}

void curvedArrow(QPainter& p, bool left) {
  p.setRenderHint(QPainter::Antialiasing, true);
  QPainterPath path;
  if (left) {
    path.moveTo(12, 13);
    path.cubicTo(15, 6, 9, 3, 4, 6);
  } else {
    path.moveTo(4, 13);
    path.cubicTo(1, 6, 7, 3, 12, 6);
  }
  p.setPen(QPen(kBlue, 2));
  p.drawPath(path);
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setPen(Qt::NoPen);
  p.setBrush(kBlue);
  if (left) p.drawPolygon(QPolygon({QPoint(1, 6), QPoint(6, 2), QPoint(6, 10)}));
  else p.drawPolygon(QPolygon({QPoint(15, 6), QPoint(10, 2), QPoint(10, 10)}));
  p.setBrush(Qt::NoBrush);
}

using Painter = void (*)(QPainter&);

const QHash<QString, Painter>& painters() {
  static const QHash<QString, Painter> table{
      // The standard bar.
      {"FileBtn1", [](QPainter& p) {
         sheet(p, 3, 1, 10, 14);
         textLines(p, 5, 7, 6, 3, 2);
       }},
      {"FileBtn2", [](QPainter& p) {
         p.setPen(kInk);
         p.setBrush(kYellow);
         p.drawPolygon(QPolygon({QPoint(1, 4), QPoint(5, 4), QPoint(6, 5), QPoint(12, 5), QPoint(12, 13), QPoint(1, 13)}));
         p.setBrush(QColor(250, 225, 120));
         p.drawPolygon(QPolygon({QPoint(1, 13), QPoint(4, 8), QPoint(15, 8), QPoint(12, 13)}));
       }},
      {"FileBtn3", [](QPainter& p) {
         p.setPen(kInk);
         p.setBrush(kNavy);
         p.drawRect(1, 1, 13, 13);
         p.fillRect(4, 2, 8, 5, kPaper);
         p.fillRect(4, 10, 8, 4, kLight);
         p.fillRect(9, 11, 2, 2, kNavy);
       }},
      {"FileBtn4", [](QPainter& p) {
         sheet(p, 1, 1, 10, 13);
         textLines(p, 3, 6, 5, 3, 2);
         p.setRenderHint(QPainter::Antialiasing, true);
         p.setPen(QPen(kInk, 1.5));
         p.setBrush(QColor(200, 230, 255));
         p.drawEllipse(QPointF(10, 9), 3.2, 3.2);
         p.setPen(QPen(kInk, 2.5));
         p.drawLine(QPointF(12.5, 11.5), QPointF(15, 14.5));
       }},
      {"CutB", [](QPainter& p) {
         p.setRenderHint(QPainter::Antialiasing, true);
         p.setPen(QPen(kInk, 1.2));
         p.drawLine(QPointF(5, 1), QPointF(10, 10));
         p.drawLine(QPointF(11, 1), QPointF(6, 10));
         p.setPen(QPen(kNavy, 1.5));
         p.drawEllipse(QPointF(4.5, 12), 2.5, 2.5);
         p.drawEllipse(QPointF(11.5, 12), 2.5, 2.5);
       }},
      {"CopyB", [](QPainter& p) {
         sheet(p, 1, 1, 8, 10);
         textLines(p, 3, 5, 4, 3, 2);
         sheet(p, 6, 5, 8, 10);
         textLines(p, 8, 9, 4, 3, 2);
       }},
      {"PstB", [](QPainter& p) {
         p.setPen(kInk);
         p.setBrush(QColor(170, 120, 60));
         p.drawRect(1, 2, 10, 12);
         p.setBrush(kLight);
         p.drawRect(3, 1, 6, 2);
         sheet(p, 6, 6, 8, 9);
         textLines(p, 8, 10, 4, 2, 2);
       }},
      {"UndoB", [](QPainter& p) { curvedArrow(p, true); }},
      {"RedoB", [](QPainter& p) { curvedArrow(p, false); }},
      {"ZB1", [](QPainter& p) {
         p.setPen(kGrey);
         p.setBrush(kLight);
         p.drawRect(1, 1, 8, 8);
         p.setPen(kInk);
         p.setBrush(QColor(120, 160, 230));
         p.drawRect(6, 6, 8, 8);
       }},
      {"ZB2", [](QPainter& p) {
         p.setPen(kInk);
         p.setBrush(QColor(120, 160, 230));
         p.drawRect(1, 1, 8, 8);
         p.setPen(kGrey);
         p.setBrush(kLight);
         p.drawRect(6, 6, 8, 8);
       }},
      {"SelAllB", [](QPainter& p) {
         p.setPen(QPen(kInk, 1, Qt::DotLine));
         p.drawRect(1, 1, 13, 13);
         bar(p, 3, 4, 5, 4);
         bar(p, 8, 9, 5, 4);
       }},
      {"PgB1", [](QPainter& p) {
         sheet(p, 1, 1, 10, 13);
         plus(p, 11, 11, kGreen);
       }},
      {"PgB4", [](QPainter& p) {
         p.setPen(kInk);
         p.setBrush(kPaper);
         p.drawRect(1, 2, 11, 10);
         p.fillRect(2, 3, 10, 2, kNavy);
         p.fillRect(4, 7, 5, 2, kLight);
         plus(p, 12, 12, kGreen);
       }},
      {"PgB2", [](QPainter& p) {
         sheet(p, 1, 1, 10, 13);
         cross(p, 11, 11);
       }},
      {"PgB3", [](QPainter& p) {
         sheet(p, 2, 1, 11, 14);
         p.setPen(QPen(kBlue, 1, Qt::DotLine));
         p.drawRect(4, 4, 6, 8);
       }},
      {"GB1", [](QPainter& p) {
         p.setPen(kInk);
         for (int y = 1; y < 16; y += 3)
           for (int x = 1; x < 16; x += 3) p.drawPoint(x, y);
       }},
      {"GB2", [](QPainter& p) {
         gridDots(p);
         p.setPen(kRed);
         p.drawLine(5, 5, 5, 13);
         p.drawLine(5, 5, 13, 5);
         p.fillRect(4, 4, 3, 3, kRed);
       }},
      {"GB3", [](QPainter& p) {
         gridDots(p);
         bar(p, 5, 5, 9, 5);
         head(p, 4, 2, -1, 0, kGreen);
       }},
      {"ExitB", [](QPainter& p) {
         p.setPen(kInk);
         p.setBrush(QColor(170, 120, 60));
         p.drawRect(2, 1, 8, 13);
         p.fillRect(8, 7, 1, 2, kYellow);
         p.setPen(QPen(kRed, 2));
         p.drawLine(9, 8, 14, 8);
         head(p, 15, 8, 1, 0, kRed);
       }},
      // The Text bar.
      {"FnB1", [](QPainter& p) { letter(p, QRect(0, 0, 16, 15), QStringLiteral("B"), true, false, false, 14); }},
      {"FnB2", [](QPainter& p) { letter(p, QRect(0, 0, 16, 15), QStringLiteral("I"), true, true, false, 14); }},
      {"FnB3", [](QPainter& p) { letter(p, QRect(0, 0, 16, 15), QStringLiteral("U"), true, false, true, 14); }},
      {"AlB1", [](QPainter& p) {
         for (int i = 0; i < 5; ++i) p.fillRect(1, 2 + i * 3, i % 2 ? 9 : 14, 1, kInk);
       }},
      {"AlB2", [](QPainter& p) {
         for (int i = 0; i < 5; ++i) p.fillRect(i % 2 ? 6 : 1, 2 + i * 3, i % 2 ? 9 : 14, 1, kInk);
       }},
      {"AlB3", [](QPainter& p) {
         for (int i = 0; i < 5; ++i) p.fillRect(i % 2 ? 4 : 1, 2 + i * 3, i % 2 ? 8 : 14, 1, kInk);
       }},
      {"AlB8", [](QPainter& p) {
         for (int i = 0; i < 5; ++i) p.fillRect(1, 2 + i * 3, 14, 1, kInk);
       }},
      {"AlB4", [](QPainter& p) {
         p.translate(0, 16);
         p.rotate(-90);
         letter(p, QRect(2, 0, 14, 12), QStringLiteral("A"), true, false, false, 12);
         p.resetTransform();
         p.setPen(kBlue);
         p.drawLine(13, 13, 13, 3);
         head(p, 13, 1, 0, -1, kBlue);
       }},
      {"AlB6", [](QPainter& p) {
         p.setPen(kGrey);
         p.drawRect(1, 1, 13, 13);
         p.fillRect(3, 3, 10, 1, kInk);
         p.fillRect(3, 5, 7, 1, kInk);
       }},
      {"AlB5", [](QPainter& p) {
         p.setPen(kGrey);
         p.drawRect(1, 1, 13, 13);
         p.fillRect(3, 6, 10, 1, kInk);
         p.fillRect(3, 8, 7, 1, kInk);
       }},
      {"AlB7", [](QPainter& p) {
         p.setPen(kGrey);
         p.drawRect(1, 1, 13, 13);
         p.fillRect(3, 10, 10, 1, kInk);
         p.fillRect(3, 12, 7, 1, kInk);
       }},
      {"HlB1", [](QPainter& p) {
         p.fillRect(1, 3, 14, 10, kYellow);
         letter(p, QRect(1, 1, 14, 14), QStringLiteral("A"), true, false, false, 12, kRed);
         p.setPen(kInk);
         p.drawRect(1, 3, 13, 9);
       }},
      // The Frame bar.
      {"FrB1", [](QPainter& p) { frameEdges(p, 8); }},
      {"FrB2", [](QPainter& p) { frameEdges(p, 4); }},
      {"FrB3", [](QPainter& p) { frameEdges(p, 2); }},
      {"FrB4", [](QPainter& p) { frameEdges(p, 1); }},
      {"FrB5", [](QPainter& p) { frameEdges(p, 15); }},
      {"FrB6", [](QPainter& p) { frameEdges(p, 0); }},
      {"StB1", [](QPainter& p) {
         p.setPen(QPen(kInk, 2));
         p.drawLine(1, 3, 14, 3);
         p.setPen(QPen(kInk, 1, Qt::DashLine));
         p.drawLine(1, 8, 14, 8);
         p.setPen(QPen(kInk, 1, Qt::DotLine));
         p.drawLine(1, 12, 14, 12);
       }},
      // The colour buttons: the picture above the colour bar (drawn by the window).
      {"ClB1", [](QPainter& p) {
         p.setPen(kInk);
         p.setBrush(kPaper);
         p.drawPolygon(QPolygon({QPoint(2, 5), QPoint(7, 1), QPoint(12, 6), QPoint(7, 10)}));
         p.setPen(kBlue);
         p.drawLine(12, 7, 12, 9);
         p.drawLine(13, 8, 13, 10);
       }},
      {"ClB2", [](QPainter& p) { letter(p, QRect(0, -1, 16, 12), QStringLiteral("A"), true, false, false, 12); }},
      {"ClB3", [](QPainter& p) {
         p.setPen(kInk);
         p.drawRect(2, 1, 11, 8);
         p.setPen(kLight);
         p.drawRect(4, 3, 7, 4);
       }},
      // The alignment palette.
      {"Align1", [](QPainter& p) {
         p.fillRect(1, 0, 1, 16, kInk);
         bar(p, 2, 3, 10, 4);
         bar(p, 2, 9, 6, 4);
       }},
      {"Align5", [](QPainter& p) {
         p.fillRect(14, 0, 1, 16, kInk);
         bar(p, 4, 3, 10, 4);
         bar(p, 8, 9, 6, 4);
       }},
      {"Align6", [](QPainter& p) {
         p.fillRect(0, 1, 16, 1, kInk);
         bar(p, 3, 2, 4, 10);
         bar(p, 9, 2, 4, 6);
       }},
      {"Align10", [](QPainter& p) {
         p.fillRect(0, 14, 16, 1, kInk);
         bar(p, 3, 4, 4, 10);
         bar(p, 9, 8, 4, 6);
       }},
      {"Align2", [](QPainter& p) {
         bar(p, 2, 3, 12, 4);
         bar(p, 5, 9, 6, 4);
         p.setPen(QPen(kRed, 1, Qt::DashLine));
         p.drawLine(7, 0, 7, 15);
       }},
      {"Align7", [](QPainter& p) {
         bar(p, 3, 2, 4, 12);
         bar(p, 9, 5, 4, 6);
         p.setPen(QPen(kRed, 1, Qt::DashLine));
         p.drawLine(0, 7, 15, 7);
       }},
      {"Align3", [](QPainter& p) {
         p.setPen(kGrey);
         p.drawRect(0, 2, 15, 11);
         bar(p, 5, 5, 6, 6);
         head(p, 3, 7, 1, 0, kGreen);
         head(p, 12, 7, -1, 0, kGreen);
       }},
      {"Align8", [](QPainter& p) {
         p.setPen(kGrey);
         p.drawRect(2, 0, 11, 15);
         bar(p, 5, 5, 6, 6);
         head(p, 7, 3, 0, 1, kGreen);
         head(p, 7, 12, 0, -1, kGreen);
       }},
      {"Align4", [](QPainter& p) {
         bar(p, 1, 3, 3, 10);
         bar(p, 7, 3, 3, 10);
         bar(p, 13, 3, 3, 10);
         p.setPen(kRed);
         p.drawLine(4, 14, 6, 14);
         p.drawLine(10, 14, 12, 14);
       }},
      {"Align9", [](QPainter& p) {
         bar(p, 3, 1, 10, 3);
         bar(p, 3, 7, 10, 3);
         bar(p, 3, 13, 10, 3);
         p.setPen(kRed);
         p.drawLine(14, 4, 14, 6);
         p.drawLine(14, 10, 14, 12);
       }},
      // The extra tools: the fields of a record source laid out on the page.
      {"InsFieldsBtn", [](QPainter& p) {
         p.setPen(kInk);
         p.setBrush(kPaper);
         p.drawRect(1, 2, 11, 10);
         p.fillRect(2, 3, 10, 3, kNavy);
         p.drawLine(1, 8, 12, 8);
         p.drawLine(5, 6, 5, 12);
         p.drawLine(9, 6, 9, 12);
         plus(p, 12, 12, kGreen);
       }},
      // The entries of the field lists: a record source and one of its fields.
      {"SourceIcon", [](QPainter& p) {
         p.setPen(kInk);
         p.setBrush(kPaper);
         p.drawRect(1, 2, 13, 11);
         p.fillRect(2, 3, 12, 3, kNavy);
         p.setPen(kGrey);
         p.drawLine(2, 9, 13, 9);
         p.drawLine(6, 6, 6, 12);
         p.drawLine(10, 6, 10, 12);
       }},
      {"FieldIcon", [](QPainter& p) {
         p.setPen(kInk);
         p.setBrush(kPaper);
         p.drawRect(1, 4, 13, 7);
         p.fillRect(3, 7, 7, 2, kBlue);
       }},
      // The object bar.
      {"OB1", [](QPainter& p) {
         p.setPen(kInk);
         p.setBrush(kPaper);
         p.drawPolygon(QPolygon({QPoint(4, 1), QPoint(4, 13), QPoint(7, 10), QPoint(9, 15), QPoint(11, 14), QPoint(9, 9),
                                 QPoint(13, 9)}));
       }},
      {"OB2", [](QPainter& p) {
         p.setPen(kGrey);
         p.drawRect(0, 1, 15, 13);
         letter(p, QRect(1, 1, 14, 14), QStringLiteral("A"), true, false, false, 12, kNavy);
       }},
      {"OB4", [](QPainter& p) {
         p.setPen(kInk);
         p.setBrush(QColor(170, 210, 250));
         p.drawRect(0, 1, 15, 13);
         p.setPen(Qt::NoPen);
         p.setBrush(kYellow);
         p.drawEllipse(10, 3, 3, 3);
         p.setBrush(kGreen);
         p.drawPolygon(QPolygon({QPoint(1, 14), QPoint(5, 7), QPoint(9, 11), QPoint(11, 9), QPoint(15, 14)}));
       }},
      {"OB3", [](QPainter& p) {
         p.setPen(kInk);
         p.setBrush(kLight);
         p.drawRect(0, 1, 15, 4);
         p.setBrush(kPaper);
         p.drawRect(0, 6, 15, 4);
         p.setBrush(kLight);
         p.drawRect(0, 11, 15, 3);
       }},
      {"OB5", [](QPainter& p) {
         sheet(p, 1, 1, 13, 14);
         p.setPen(kBlue);
         p.setBrush(QColor(200, 220, 250));
         p.drawRect(4, 6, 7, 6);
         p.setBrush(Qt::NoBrush);
         p.drawLine(5, 8, 9, 8);
         p.drawLine(5, 10, 9, 10);
       }},
      {"OB6", [](QPainter& p) {
         p.setRenderHint(QPainter::Antialiasing, true);
         p.setPen(QPen(kInk, 1.5));
         p.drawLine(QPointF(2, 14), QPointF(14, 2));
       }},
      // The text editor's buttons.
      {"InsExprBtn", [](QPainter& p) {
         letter(p, QRect(0, 0, 16, 16), QStringLiteral("fx"), true, true, false, 13, kNavy);
       }},
      {"InsDBBtn", [](QPainter& p) {
         p.setPen(kInk);
         p.setBrush(QColor(250, 225, 120));
         p.drawRect(2, 3, 11, 10);
         p.drawEllipse(2, 1, 11, 4);
         p.setBrush(Qt::NoBrush);
         p.drawArc(2, 6, 11, 4, 180 * 16, 180 * 16);
         p.drawArc(2, 10, 11, 4, 180 * 16, 180 * 16);
       }},
      {"WordWrapBtn", [](QPainter& p) {
         p.fillRect(1, 2, 13, 1, kInk);
         p.fillRect(1, 12, 6, 1, kInk);
         p.setPen(kBlue);
         p.drawLine(1, 7, 12, 7);
         p.drawArc(9, 7, 5, 5, 90 * 16, -180 * 16);
         p.drawLine(11, 12, 9, 12);
         head(p, 8, 12, -1, 0, kBlue);
       }},
      {"ScriptBtn", [](QPainter& p) {
         sheet(p, 2, 1, 11, 14);
         letter(p, QRect(2, 3, 11, 11), QStringLiteral("{}"), true, false, false, 10, kNavy);
       }},
      // The dictionary: a category (a folder), a variable, a system variable, and the tools.
      {"CategoryIcon", [](QPainter& p) {
         p.setPen(kInk);
         p.setBrush(kYellow);
         p.drawPolygon(QPolygon({QPoint(1, 3), QPoint(6, 3), QPoint(7, 5), QPoint(14, 5), QPoint(14, 13), QPoint(1, 13)}));
       }},
      {"VariableIcon", [](QPainter& p) {
         letter(p, QRect(0, 0, 16, 16), QStringLiteral("x"), true, true, false, 15, kNavy);
       }},
      {"SysVarIcon", [](QPainter& p) {
         p.setPen(kInk);
         p.setBrush(kLight);
         p.drawRect(1, 2, 13, 11);
         letter(p, QRect(1, 2, 14, 12), QStringLiteral("#"), true, false, false, 11, kRed);
       }},
      {"NewCategoryBtn", [](QPainter& p) {
         p.setPen(kInk);
         p.setBrush(kYellow);
         p.drawPolygon(QPolygon({QPoint(0, 4), QPoint(5, 4), QPoint(6, 6), QPoint(12, 6), QPoint(12, 14), QPoint(0, 14)}));
         plus(p, 12, 4, kGreen);
       }},
      {"NewVarBtn", [](QPainter& p) {
         letter(p, QRect(0, 2, 12, 14), QStringLiteral("x"), true, true, false, 15, kNavy);
         plus(p, 12, 4, kGreen);
       }},
      {"EditBtn", [](QPainter& p) {
         p.setPen(kInk);
         p.setBrush(kYellow);
         p.drawPolygon(QPolygon({QPoint(2, 11), QPoint(11, 2), QPoint(14, 5), QPoint(5, 14), QPoint(2, 14)}));
         p.drawLine(9, 4, 12, 7);
       }},
      {"DelBtn", [](QPainter& p) { cross(p, 8, 8); }},
      {"EditListBtn", [](QPainter& p) {
         sheet(p, 2, 1, 11, 14);
         textLines(p, 4, 5, 7, 4, 3);
       }},
      // A printer: paper going in at the back, the body, the tray in front.
      {"PrinterIcon", [](QPainter& p) {
         sheet(p, 4, 1, 8, 6);
         p.setPen(kInk);
         p.setBrush(kLight);
         p.drawRect(1, 6, 14, 6);
         p.fillRect(2, 7, 13, 1, kPaper);
         p.fillRect(12, 9, 2, 1, kGreen);
         p.setBrush(kPaper);
         p.drawRect(3, 12, 10, 3);
       }},
  };
  return table;
}

}  // namespace

QImage KeyedGlyph(const std::function<void(QPainter&)>& draw, int width, int height) {
  QImage canvas(width, height, QImage::Format_ARGB32);
  canvas.fill(Qt::transparent);
  {
    QPainter p(&canvas);
    p.setRenderHint(QPainter::TextAntialiasing, false);
    draw(p);
  }
  // Pixels mostly covered become solid, the rest the key colour; the bottom-left pixel always
  // holds the key so the button finds it.
  QImage out(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const QRgb px = canvas.pixel(x, y);
      out.setPixel(x, y, qAlpha(px) >= 128 ? (px | 0xFF000000) : kKey);
    }
  out.setPixel(0, height - 1, kKey);
  return out;
}

bool PaintDesignerGlyph(QPainter& p, const QString& buttonName) {
  const Painter draw = painters().value(buttonName);
  if (!draw) return false;
  p.save();
  draw(p);
  p.restore();
  return true;
}

QIcon DesignerIcon(const QString& name) {
  QImage image = DesignerGlyph(name).convertToFormat(QImage::Format_ARGB32);
  if (image.isNull()) return {};
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixel(x, y) == kKey) image.setPixel(x, y, qRgba(0, 0, 0, 0));
  return QIcon(QPixmap::fromImage(image));
}

QImage DesignerGlyph(const QString& buttonName) {
  const Painter draw = painters().value(buttonName);
  if (!draw) return {};
  return KeyedGlyph(draw);
}
