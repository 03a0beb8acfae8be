#include "shell/jpegimage.h"

#include <QFile>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

namespace jpeg {
namespace {

// libjpeg reports fatal errors through error_exit, which by default ends the process.
// This manager jumps back to the caller with the library's message instead.
struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void onError(j_common_ptr info) {
  auto* mgr = reinterpret_cast<ErrorManager*>(info->err);
  (*info->err->format_message)(info, mgr->message);
  std::longjmp(mgr->jump, 1);
}

void onMessage(j_common_ptr) {}  // warnings are not shown

}  // namespace

QImage Decode(const QByteArray& data, QString* error) {
  if (data.isEmpty()) {
    if (error) *error = QStringLiteral("empty JPEG data");
    return {};
  }
  jpeg_decompress_struct info{};
  ErrorManager mgr{};
  info.err = jpeg_std_error(&mgr.pub);
  mgr.pub.error_exit = onError;
  mgr.pub.output_message = onMessage;
  // Objects that must survive a longjmp live outside the protected block.
  QImage image;
  std::vector<JSAMPLE> row;
  if (setjmp(mgr.jump)) {
    jpeg_destroy_decompress(&info);
    if (error) *error = QString::fromLocal8Bit(mgr.message);
    return {};
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(data.constData()),
               static_cast<unsigned long>(data.size()));
  jpeg_read_header(&info, TRUE);
  const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
  info.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
  jpeg_start_decompress(&info);
  const int width = static_cast<int>(info.output_width);
  const int height = static_cast<int>(info.output_height);
  const int channels = info.output_components;
  image = QImage(width, height, QImage::Format_RGB32);
  if (image.isNull()) {
    jpeg_destroy_decompress(&info);
    if (error) *error = QStringLiteral("JPEG picture too large");
    return {};
  }
  row.resize(static_cast<size_t>(width) * static_cast<size_t>(channels));
  // Pictures written with an Adobe marker store CMYK inverted.
  const bool inverted = cmyk && info.saw_Adobe_marker;
  while (info.output_scanline < info.output_height) {
    const int y = static_cast<int>(info.output_scanline);
    JSAMPROW rows[1] = {row.data()};
    jpeg_read_scanlines(&info, rows, 1);
    auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
    const JSAMPLE* in = row.data();
    for (int x = 0; x < width; ++x, in += channels) {
      if (cmyk) {
        int c = in[0], m = in[1], yy = in[2], k = in[3];
        if (!inverted) { c = 255 - c; m = 255 - m; yy = 255 - yy; k = 255 - k; }
        out[x] = qRgb(c * k / 255, m * k / 255, yy * k / 255);
      } else {
        out[x] = qRgb(in[0], in[1], in[2]);
      }
    }
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return image;
}

QImage DecodeFile(const QString& path, QString* error) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    if (error) *error = file.errorString();
    return {};
  }
  return Decode(file.readAll(), error);
}

QByteArray Encode(const QImage& source, int quality) {
  if (source.isNull()) return {};
  const QImage image = source.convertToFormat(QImage::Format_RGB888);
  jpeg_compress_struct info{};
  ErrorManager mgr{};
  info.err = jpeg_std_error(&mgr.pub);
  mgr.pub.error_exit = onError;
  mgr.pub.output_message = onMessage;
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  if (setjmp(mgr.jump)) {
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return {};
  }
  jpeg_create_compress(&info);
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = static_cast<JDIMENSION>(image.width());
  info.image_height = static_cast<JDIMENSION>(image.height());
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, qBound(1, quality, 100), TRUE);
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    JSAMPROW rows[1] = {const_cast<JSAMPLE*>(image.constScanLine(static_cast<int>(info.next_scanline)))};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  QByteArray result(reinterpret_cast<const char*>(buffer), static_cast<qsizetype>(size));
  jpeg_destroy_compress(&info);
  std::free(buffer);
  return result;
}

}  // namespace jpeg
