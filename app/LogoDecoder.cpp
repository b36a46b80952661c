#include "LogoDecoder.h"

#include <jpeglib.h>

#include <climits>
#include <csetjmp>
#include <cstdio>  // jpeglib.h needs FILE

namespace travik {
namespace {

// libjpeg reports a fatal error by calling error_exit, which must not return:
// jump back to the decoder instead of ending the program.
struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    bool sawWarning = false;
};

void onFatalError(j_common_ptr info) {
    auto* manager = reinterpret_cast<ErrorManager*>(info->err);
    std::longjmp(manager->jump, 1);
}

// Warnings (corrupt data, a file cut short) make the picture unreliable.
void onMessage(j_common_ptr info, int level) {
    if (level < 0) reinterpret_cast<ErrorManager*>(info->err)->sawWarning = true;
}

void discardOutput(j_common_ptr) {}

// Everything the decode touches lives here, outside the function that calls
// setjmp, so nothing of it is left indeterminate by a longjmp.
struct DecodeJob {
    ErrorManager errors;
    jpeg_decompress_struct info;
    QImage image;

    DecodeJob() {
        info.err = jpeg_std_error(&errors.base);
        errors.base.error_exit = onFatalError;
        errors.base.emit_message = onMessage;
        errors.base.output_message = discardOutput;
        jpeg_create_decompress(&info);
    }
    ~DecodeJob() { jpeg_destroy_decompress(&info); }
    DecodeJob(const DecodeJob&) = delete;
    DecodeJob& operator=(const DecodeJob&) = delete;
};

bool decodeInto(DecodeJob& job, const unsigned char* data, unsigned long size) {
    if (setjmp(job.errors.jump)) return false;
    jpeg_mem_src(&job.info, data, size);
    jpeg_read_header(&job.info, TRUE);
    job.info.out_color_space = JCS_RGB;
    if (job.info.image_width > kMaxLogoSide || job.info.image_height > kMaxLogoSide) return false;
    jpeg_start_decompress(&job.info);
    job.image = QImage(static_cast<int>(job.info.output_width),
                       static_cast<int>(job.info.output_height), QImage::Format_RGB888);
    if (job.image.isNull() || job.info.output_components != 3) return false;
    while (job.info.output_scanline < job.info.output_height) {
        JSAMPROW row = job.image.scanLine(static_cast<int>(job.info.output_scanline));
        jpeg_read_scanlines(&job.info, &row, 1);
    }
    jpeg_finish_decompress(&job.info);
    return !job.errors.sawWarning;
}

}  // namespace

QImage DecodeJpeg(const unsigned char* data, std::size_t size) {
    if (data == nullptr || size == 0 || size > ULONG_MAX) return QImage();
    DecodeJob job;
    if (!decodeInto(job, data, static_cast<unsigned long>(size))) return QImage();
    return job.image;
}

}  // namespace travik
