#include "PictureSize.h"

#include <cstring>

namespace {

uint32_t BigEndian16(const unsigned char* p) {
    return (uint32_t(p[0]) << 8) | p[1];
}
uint32_t BigEndian32(const unsigned char* p) {
    return (BigEndian16(p) << 16) | BigEndian16(p + 2);
}
uint32_t LittleEndian16(const unsigned char* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8);
}
uint32_t LittleEndian32(const unsigned char* p) {
    return LittleEndian16(p) | (LittleEndian16(p + 2) << 16);
}

bool ReadPng(const unsigned char* p, size_t n, uint32_t& w, uint32_t& h) {
    static const unsigned char kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (n < 24 || std::memcmp(p, kSignature, 8) != 0 || std::memcmp(p + 12, "IHDR", 4) != 0)
        return false;
    w = BigEndian32(p + 16);
    h = BigEndian32(p + 20);
    return true;
}

// Skips a chain of data sub-blocks (a length byte, then that many bytes, until a zero
// length); false when the chain runs past the end.
bool SkipSubBlocks(const unsigned char* p, size_t n, size_t& i) {
    while (i < n) {
        size_t nBlock = p[i++];
        if (nBlock == 0)
            return true;
        if (nBlock > n - i)
            return false;
        i += nBlock;
    }
    return false;
}

// The colour table that a packed field announces, skipped; false past the end.
bool SkipColourTable(unsigned char nPacked, size_t n, size_t& i) {
    if ((nPacked & 0x80) == 0)
        return true;
    size_t nTable = size_t(3) << ((nPacked & 0x07) + 1);
    if (nTable > n - i)
        return false;
    i += nTable;
    return true;
}

// The decoder reserves every frame at the frame's own size, whatever the logical screen
// says; so each frame must lie inside the screen and all frames together stay within the
// pixel bound. A stream cut inside a frame header is refused.
bool WalkGifFrames(const unsigned char* p, size_t n, uint32_t w, uint32_t h) {
    size_t i = 13;
    if (!SkipColourTable(p[10], n, i))
        return false;
    uint64_t nPixels = 0;
    while (i < n && p[i] != 0x3B) {
        if (p[i] == 0x21) {  // extension: label, then sub-blocks
            i += 2;
            if (i > n || !SkipSubBlocks(p, n, i))
                return false;
            continue;
        }
        if (p[i] != 0x2C || n - i < 11)
            return false;
        uint32_t nLeft = LittleEndian16(p + i + 1), nTop = LittleEndian16(p + i + 3);
        uint32_t nWidth = LittleEndian16(p + i + 5), nHeight = LittleEndian16(p + i + 7);
        nPixels += uint64_t(nWidth) * nHeight;
        if (nLeft + nWidth > w || nTop + nHeight > h || nPixels > kMaxPicturePixels)
            return false;
        unsigned char nPacked = p[i + 9];
        i += 10;
        if (!SkipColourTable(nPacked, n, i) || ++i > n || !SkipSubBlocks(p, n, i))
            return false;  // the byte skipped before the data is the LZW code size
    }
    return true;
}

// The logical screen, once every frame has been found inside it.
bool ReadGif(const unsigned char* p, size_t n, uint32_t& w, uint32_t& h) {
    if (n < 13 || (std::memcmp(p, "GIF87a", 6) != 0 && std::memcmp(p, "GIF89a", 6) != 0))
        return false;
    if (!WalkGifFrames(p, n, LittleEndian16(p + 6), LittleEndian16(p + 8)))
        return false;
    w = LittleEndian16(p + 6);
    h = LittleEndian16(p + 8);
    return true;
}

bool ReadBmp(const unsigned char* p, size_t n, uint32_t& w, uint32_t& h) {
    if (n < 26 || p[0] != 'B' || p[1] != 'M')
        return false;
    uint32_t nHeader = LittleEndian32(p + 14);
    if (nHeader == 12) {  // BITMAPCOREHEADER: unsigned 16-bit sides
        w = LittleEndian16(p + 18);
        h = LittleEndian16(p + 20);
        return true;
    }
    if (nHeader < 40)
        return false;
    int32_t nWidth = static_cast<int32_t>(LittleEndian32(p + 18));
    int32_t nHeight = static_cast<int32_t>(LittleEndian32(p + 22));
    if (nWidth < 0 || nHeight == INT32_MIN)
        return false;
    w = static_cast<uint32_t>(nWidth);
    h = static_cast<uint32_t>(nHeight < 0 ? -nHeight : nHeight);  // negative: stored top-down
    return true;
}

// A start-of-frame marker: C0 to CF except DHT (C4), JPG (C8) and DAC (CC).
bool IsStartOfFrame(unsigned char m) {
    return m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC;
}

// Walks the marker segments up to the first frame header; the scan data is never reached.
bool ReadJpeg(const unsigned char* p, size_t n, uint32_t& w, uint32_t& h) {
    if (n < 4 || p[0] != 0xFF || p[1] != 0xD8)
        return false;
    size_t i = 2;
    while (i + 1 < n) {
        if (p[i] != 0xFF)
            return false;
        unsigned char m = p[i + 1];
        if (m == 0xFF) {  // fill byte before a marker
            ++i;
            continue;
        }
        if (m == 0x01 || (m >= 0xD0 && m <= 0xD7)) {  // markers without a segment
            i += 2;
            continue;
        }
        if (m == 0xD9 || m == 0xDA || i + 4 > n)
            return false;  // end or scan before any frame
        size_t nLength = BigEndian16(p + i + 2);
        if (nLength < 2)
            return false;
        if (IsStartOfFrame(m)) {
            if (nLength < 7 || i + 9 > n)
                return false;
            h = BigEndian16(p + i + 5);
            w = BigEndian16(p + i + 7);
            return true;
        }
        i += 2 + nLength;
    }
    return false;
}

}  // namespace

bool ReadPictureSize(const unsigned char* pData, size_t nSize, uint32_t& nWidth, uint32_t& nHeight) {
    if (!pData)
        return false;
    uint32_t w = 0, h = 0;
    if (!ReadPng(pData, nSize, w, h) && !ReadGif(pData, nSize, w, h) && !ReadBmp(pData, nSize, w, h) &&
        !ReadJpeg(pData, nSize, w, h))
        return false;
    nWidth = w;
    nHeight = h;
    return true;
}

bool IsPictureSizeAcceptable(uint32_t nWidth, uint32_t nHeight) {
    return nWidth >= 1 && nHeight >= 1 && nWidth <= kMaxPictureSide && nHeight <= kMaxPictureSide &&
           uint64_t(nWidth) * nHeight <= kMaxPicturePixels;
}
