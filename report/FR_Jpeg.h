#pragma once

#include <QByteArray>
#include <QImage>

#include "platform/exception.h"

// JPEG pictures of templates, built pages and blob fields.

class EJpegError : public Exception { using Exception::Exception; };

// Decodes a JPEG file image into a 32-bit RGB image; damaged or truncated data raises
// EJpegError with the decoder's message.
QImage DecodeJpeg(const QByteArray& data);
// Encodes an image as a baseline JPEG file image (quality 1 to 100).
QByteArray EncodeJpeg(const QImage& image, int quality = 90);
// True when the bytes start with the JPEG start-of-image marker.
bool LooksLikeJpeg(const QByteArray& data);
