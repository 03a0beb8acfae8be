#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// JPEG decoding through libjpeg, independent of any image plug-in of the desktop.
// Pictures stored with windows and the optional background picture beside the program
// are JPEG; these helpers turn them into images the windows can paint.
namespace jpeg {

// Decodes JPEG data into a 32-bit RGB image. Greyscale, colour and CMYK pictures are
// accepted. On failure returns a null image and, when `error` is given, the decoder's message.
QImage Decode(const QByteArray& data, QString* error = nullptr);

// Reads and decodes a JPEG file; a missing or unreadable file gives a null image.
QImage DecodeFile(const QString& path, QString* error = nullptr);

// Encodes an image as baseline JPEG at the given quality (1..100).
QByteArray Encode(const QImage& image, int quality = 90);

}  // namespace jpeg
