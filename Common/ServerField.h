// The judges of server texts. Every byte a server sends may come from anyone on the path, so
// a server text becomes a file name, a path, a program or an address only after one of these
// says yes; each says yes to the narrow shape its use needs and nothing else. Texts are in the
// system code page; double-byte characters are walked whole, so a trail byte is never taken
// for a separator or a reserved character. Pure functions, any thread, except that the
// Accept* forms write a log line on refusal.
#pragma once

#include <cstddef>
#include <string>

constexpr size_t kMaxNameComponent = 200;
constexpr size_t kMaxRelativePath = 240;
constexpr size_t kMaxWebAddress = 2048;

// One file or folder name: not empty, "." or ".."; no separator, drive, ':' stream, control
// or reserved character (<>:"/\|?*); no trailing dot or blank; no device name (CON, PRN, AUX,
// NUL, COM0-9, LPT0-9, CONIN$, CONOUT$, CLOCK$, with or without an extension); at most
// kMaxNameComponent bytes.
bool IsPlainNameComponent(const std::string& strName);
// A path to join under a folder: components split on '\' and '/', each a plain name
// component, at most kMaxRelativePath bytes. So never rooted, never a drive, never above the
// folder it is joined to.
bool IsSafeRelativePath(const std::string& strPath);
// Ends in ".exe" in any letter case: a file the platform starts as a program instead of
// handing it to whatever opens its type.
bool HasProgramExtension(const std::string& strName);
// An http or https address: a host of letters, digits, '-', '_' and '.' (or a bracketed IPv6
// address) with an optional port, no user name or password, no blank or control byte, at most
// kMaxWebAddress bytes.
bool IsWebAddress(const std::string& strUrl);

// Logs "ServerField(<field>) 拒绝 [<value>]" with the value's control bytes written as \xNN
// and its length bounded, so a hostile value can neither forge log lines nor flood the log.
void LogRefusedField(const char* pszField, const std::string& strValue);
// The judges with their refusal logged.
bool AcceptPlainName(const char* pszField, const std::string& strValue);
bool AcceptWebAddress(const char* pszField, const std::string& strValue);
