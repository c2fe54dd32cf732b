// The declared size of an encoded picture, read from its header before anything is decoded,
// so that a picture from the network cannot make the decoder reserve more memory than a
// screen could ever show.
#pragma once

#include <cstddef>
#include <cstdint>

// Generous for this program (its largest built-in picture is 1250 x 400): 8192 pixels on a
// side and 4 Mi pixels in all, that is at most 16 MiB once decoded to 32 bits per pixel.
constexpr uint32_t kMaxPictureSide = 8192;
constexpr uint64_t kMaxPicturePixels = 4u * 1024 * 1024;

// Width and height as the header of a PNG, GIF, BMP or JPEG declares them. False for any
// other format and for a header that is cut short or malformed; the outputs are then
// untouched. A GIF is walked frame by frame: false when a frame lies outside its logical
// screen or its frames hold more than kMaxPicturePixels together. Pure function of the bytes.
bool ReadPictureSize(const unsigned char* pData, size_t nSize, uint32_t& nWidth, uint32_t& nHeight);

// True when a picture of this size may be decoded: both sides from 1 to kMaxPictureSide and
// no more than kMaxPicturePixels in all.
bool IsPictureSizeAcceptable(uint32_t nWidth, uint32_t nHeight);
