// Decodes the window's logo picture with libjpeg.
#pragma once

#include <QImage>
#include <cstddef>

namespace travik {

// The largest picture side the decoder accepts; bigger pictures are refused.
inline constexpr unsigned kMaxLogoSide = 4096;

// Decodes a JPEG held in memory into an RGB picture. Any fault (not a JPEG,
// cut short, corrupt data, too big) gives a null QImage; it never ends the program.
QImage DecodeJpeg(const unsigned char* data, std::size_t size);

}  // namespace travik
