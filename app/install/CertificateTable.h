// The certificate table of a PE file (its security directory): one Authenticode signature
// and nothing after it but the zero padding to the next 8-byte boundary. The platform's
// signature check skips whatever else the table holds unless the machine opts into its
// padding check, so script or data appended inside the table still "verifies".
//
// No state; any thread.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

struct CertificateTableSpan {
    uint32_t dwOffset = 0;  // file offset of the table
    uint32_t dwSize = 0;
};

// Where the table lies, from the file's first bytes (DOS header through the optional
// header's data directories). False when they are no PE headers or name no table.
bool LocateCertificateTable(const uint8_t* pHead, size_t cbHead, CertificateTableSpan& span);

// True when the table is one PKCS#7 signed-data entry whose DER encoding ends at most seven
// zero bytes before the table's end.
bool IsCertificateTableClean(const uint8_t* pTable, size_t cbTable);

// Reads the table from an open file at explicit offsets, wherever its file pointer stands,
// bounded by the file's size, and applies the two above.
bool HasCleanCertificateTable(HANDLE hFile);
