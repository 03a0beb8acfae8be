#include "report/FR_Jpeg.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

extern "C" {
#include <jpeglib.h>
}

namespace {
struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void onError(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, err->message);
  std::longjmp(err->jump, 1);
}
void onMessage(j_common_ptr) {}
}  // namespace

bool LooksLikeJpeg(const QByteArray& data) {
  return data.size() >= 3 && uchar(data[0]) == 0xFF && uchar(data[1]) == 0xD8 && uchar(data[2]) == 0xFF;
}

QImage DecodeJpeg(const QByteArray& data) {
  if (!LooksLikeJpeg(data)) throw EJpegError(QStringLiteral("JPEG 图像数据无效"));
  jpeg_decompress_struct cinfo;
  ErrorManager err;
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = onError;
  err.pub.output_message = onMessage;
  // Nothing with a destructor is created between setjmp and the last libjpeg call: the image
  // lives on the heap behind a pointer set before setjmp, the row buffer in libjpeg's pool.
  QImage* const result = new QImage;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    delete result;
    throw EJpegError(QStringLiteral("JPEG 图像数据损坏: %1").arg(QString::fromLocal8Bit(err.message)));
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(data.constData()), static_cast<unsigned long>(data.size()));
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  *result = QImage(int(cinfo.output_width), int(cinfo.output_height), QImage::Format_RGB32);
  if (result->isNull()) {
    jpeg_destroy_decompress(&cinfo);
    delete result;
    throw EJpegError(QStringLiteral("JPEG 图像过大"));
  }
  JSAMPARRAY row = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                              cinfo.output_width * 3, 1);
  while (cinfo.output_scanline < cinfo.output_height) {
    const int y = int(cinfo.output_scanline);
    jpeg_read_scanlines(&cinfo, row, 1);
    auto* dst = reinterpret_cast<QRgb*>(result->scanLine(y));
    const unsigned char* src = row[0];
    for (unsigned x = 0; x < cinfo.output_width; ++x) dst[x] = qRgb(src[x * 3], src[x * 3 + 1], src[x * 3 + 2]);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  QImage out = std::move(*result);
  delete result;
  return out;
}

QByteArray EncodeJpeg(const QImage& image, int quality) {
  if (image.isNull()) throw EJpegError(QStringLiteral("没有可保存的图像"));
  const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
  jpeg_compress_struct cinfo;
  ErrorManager err;
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = onError;
  err.pub.output_message = onMessage;
  // The output buffer's address is kept in a heap block whose pointer is set before setjmp, so
  // it can be freed after a jump.
  struct Out {
    unsigned char* buf = nullptr;
    unsigned long size = 0;
  };
  Out* const out = new Out;
  if (setjmp(err.jump)) {
    jpeg_destroy_compress(&cinfo);
    std::free(out->buf);
    delete out;
    throw EJpegError(QStringLiteral("JPEG 编码失败: %1").arg(QString::fromLocal8Bit(err.message)));
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, &out->buf, &out->size);
  cinfo.image_width = JDIMENSION(rgb.width());
  cinfo.image_height = JDIMENSION(rgb.height());
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality < 1 ? 1 : (quality > 100 ? 100 : quality), TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    auto* rowp = const_cast<unsigned char*>(rgb.constScanLine(int(cinfo.next_scanline)));
    jpeg_write_scanlines(&cinfo, &rowp, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  QByteArray bytes(reinterpret_cast<const char*>(out->buf), qsizetype(out->size));
  std::free(out->buf);
  delete out;
  return bytes;
}
