#include "CertificateTable.h"

#include <vector>

namespace {

// Headers lie near the start of any real program; a file that puts them further is refused.
constexpr size_t kMaxHeadBytes = 64 * 1024;
// An Authenticode table with its chain is a few kilobytes; nested signatures add a few more.
constexpr uint32_t kMaxTableBytes = 1024 * 1024;
constexpr size_t kWinCertificateHeader = 8;  // dwLength, wRevision, wCertificateType
constexpr uint16_t kPkcsSignedData = 0x0002;
constexpr size_t kSecurityDirectory = 4;

uint16_t Le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t Le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// Bytes [nOffset, nOffset + cb) of the head, or null when they lie outside it.
const uint8_t* At(const uint8_t* pHead, size_t cbHead, size_t nOffset, size_t cb) {
    return nOffset <= cbHead && cb <= cbHead - nOffset ? pHead + nOffset : nullptr;
}

// The length of a DER element's header and content, from its first bytes; 0 when it is no
// definite-length encoding that fits in 32 bits.
uint64_t DerElementLength(const uint8_t* p, size_t cb) {
    if (cb < 2)
        return 0;
    if (p[1] < 0x80)
        return 2u + p[1];
    size_t nLengthBytes = p[1] & 0x7F;
    if (nLengthBytes == 0 || nLengthBytes > 4 || cb < 2 + nLengthBytes)
        return 0;
    uint64_t nContent = 0;
    for (size_t i = 0; i < nLengthBytes; ++i) nContent = (nContent << 8) | p[2 + i];
    return 2u + nLengthBytes + nContent;
}

bool ReadAt(HANDLE hFile, uint64_t nOffset, uint8_t* pData, DWORD cb) {
    OVERLAPPED ov = {};
    ov.Offset = static_cast<DWORD>(nOffset);
    ov.OffsetHigh = static_cast<DWORD>(nOffset >> 32);
    DWORD nRead = 0;
    return ::ReadFile(hFile, pData, cb, &nRead, &ov) && nRead == cb;
}

}  // namespace

bool LocateCertificateTable(const uint8_t* pHead, size_t cbHead, CertificateTableSpan& span) {
    const uint8_t* pDos = At(pHead, cbHead, 0, 64);
    if (!pDos || pDos[0] != 'M' || pDos[1] != 'Z')
        return false;
    size_t nNt = Le32(pDos + 0x3C);
    const uint8_t* pNt = At(pHead, cbHead, nNt, 24 + 2);
    if (!pNt || Le32(pNt) != 0x00004550)  // "PE\0\0"
        return false;
    size_t cbOptional = Le16(pNt + 20);
    uint16_t wMagic = Le16(pNt + 24);
    size_t nCountAt = wMagic == 0x20B ? 108 : wMagic == 0x10B ? 92 : 0;
    if (nCountAt == 0)
        return false;
    size_t nEntryAt = nCountAt + 4 + kSecurityDirectory * 8;
    const uint8_t* pOptional = At(pHead, cbHead, nNt + 24, cbOptional);
    if (!pOptional || cbOptional < nEntryAt + 8 || Le32(pOptional + nCountAt) <= kSecurityDirectory)
        return false;
    span.dwOffset = Le32(pOptional + nEntryAt);
    span.dwSize = Le32(pOptional + nEntryAt + 4);
    return span.dwOffset != 0 && span.dwSize != 0;
}

bool IsCertificateTableClean(const uint8_t* pTable, size_t cbTable) {
    if (cbTable < kWinCertificateHeader + 2)
        return false;
    uint32_t dwLength = Le32(pTable);
    if (Le16(pTable + 6) != kPkcsSignedData || dwLength < kWinCertificateHeader || dwLength > cbTable)
        return false;
    const uint8_t* pBlob = pTable + kWinCertificateHeader;
    size_t cbBlob = dwLength - kWinCertificateHeader;
    uint64_t nSignature = DerElementLength(pBlob, cbBlob);
    if (pBlob[0] != 0x30 || nSignature == 0 || nSignature > cbBlob)
        return false;
    // A second entry, or anything else after the signature, is more than padding.
    size_t nEnd = kWinCertificateHeader + static_cast<size_t>(nSignature);
    if (cbTable - nEnd >= 8)
        return false;
    for (size_t i = nEnd; i < cbTable; ++i)
        if (pTable[i] != 0)
            return false;
    return true;
}

bool HasCleanCertificateTable(HANDLE hFile) {
    LARGE_INTEGER liSize = {};
    if (!::GetFileSizeEx(hFile, &liSize) || liSize.QuadPart <= 0)
        return false;
    uint64_t nFileSize = static_cast<uint64_t>(liSize.QuadPart);
    std::vector<uint8_t> head(static_cast<size_t>(nFileSize < kMaxHeadBytes ? nFileSize : kMaxHeadBytes));
    CertificateTableSpan span;
    if (!ReadAt(hFile, 0, head.data(), static_cast<DWORD>(head.size())) ||
        !LocateCertificateTable(head.data(), head.size(), span))
        return false;
    if (span.dwSize > kMaxTableBytes || uint64_t(span.dwOffset) + span.dwSize > nFileSize)
        return false;
    std::vector<uint8_t> table(span.dwSize);
    return ReadAt(hFile, span.dwOffset, table.data(), span.dwSize) &&
           IsCertificateTableClean(table.data(), table.size());
}
