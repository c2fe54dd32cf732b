// Helpers shared by the download engine's tests: raw ".kvb" images for crafted cases.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "BitmapFile.h"
#include "Log.h"
#include "TestSupport.h"

inline BitmapHeader MakeHeader(int64_t i64Length, int nBlockSize = CBitmapFile::kBlockSize) {
    BitmapHeader header = {};
    memcpy(header.szMagic, "KVDLBMP", 8);
    header.nVersion = 1;
    header.nBlockSize = nBlockSize;
    header.i64Length = i64Length;
    return header;
}

// A ".kvb" image: the header, reserved zeros, then the given table bytes.
inline std::vector<uint8_t> MakeTableFile(const BitmapHeader& header, const std::vector<uint8_t>& table) {
    std::vector<uint8_t> data(CBitmapFile::kTableOffset, 0);
    CBitmapFile::EncodeHeader(header, data.data());
    data.insert(data.end(), table.begin(), table.end());
    return data;
}

inline uint32_t LoadU32(const std::vector<uint8_t>& d, size_t at) {
    return uint32_t(d[at]) | (uint32_t(d[at + 1]) << 8) | (uint32_t(d[at + 2]) << 16) |
           (uint32_t(d[at + 3]) << 24);
}
inline int64_t LoadI64(const std::vector<uint8_t>& d, size_t at) {
    return static_cast<int64_t>(uint64_t(LoadU32(d, at)) | (uint64_t(LoadU32(d, at + 4)) << 32));
}
