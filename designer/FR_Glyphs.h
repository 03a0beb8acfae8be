#pragma once

#include <QIcon>
#include <QImage>
#include <QString>
#include <functional>

class QPainter;

// The pictures of the designer's tool buttons, drawn here at 16 x 16 pixels. A button takes the
// colour of a glyph's bottom-left pixel as see-through, so every glyph is returned on that key
// colour with its edges made solid (no half-transparent pixels that would show the key).

// The glyph of the button with this object name; a null image for a name without a picture.
QImage DesignerGlyph(const QString& buttonName);

// The same picture as an icon with a see-through background (list entries).
QIcon DesignerIcon(const QString& name);

// Draws that picture with `p` (on a 16 x 16 area); false for a name without one.
bool PaintDesignerGlyph(QPainter& p, const QString& buttonName);

// A glyph drawn by `draw` on a transparent 16 x 16 canvas, made ready for a button as above.
QImage KeyedGlyph(const std::function<void(QPainter&)>& draw, int width = 16, int height = 16);
