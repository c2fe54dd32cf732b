// Control of the reference server (tools/refserver) that scripts/wine-test.sh starts for each
// test program. Every call blocks on one plain WinInet request to that server and may be used
// from any thread. Without a server (ORVANE_TEST_SERVER unset) every call fails.
// The control API itself is described in tools/refserver/README.md.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// GET of TestServerUrl(strPathAndQuery) without any cache; the body, or false on a failure or
// a status other than 200.
bool ServerGet(const std::string& strPathAndQuery, std::string& strBody);
// Adds a rule, e.g. "path=/f.bin&status=503&count=2". False if the server refuses it.
bool SetServerRule(const std::string& strQuery);
// Removes the rules of one path, or every rule when strPath is empty.
bool ClearServerRules(const std::string& strPath = std::string());
// Removes every rule and empties the request record.
bool ResetServer();
// The request record in arrival order, "METHOD TARGET[ RANGE]" each, e.g.
// "GET /f.bin bytes=0-16383"; only requests for strPath when it is given (path without query).
std::vector<std::string> ServerRequests(const std::string& strPath = std::string());
// TCP connections the server accepted since it started (a reset keeps the count); -1 on failure.
int ServerConnectionCount();
// Writes a file into the served folder (strName may hold '/' for sub-folders, which are
// created) and returns its URL, or an empty text on failure.
std::string PutServedFile(const std::string& strName, const std::vector<uint8_t>& bytes);
std::string PutServedFile(const std::string& strName, const std::string& strText);
// Sets the modification time that the server sends as Last-Modified.
bool SetServedFileTime(const std::string& strName, const FILETIME& ftWrite);
// The local (Windows) path of a name in the served folder.
std::string ServedFilePath(const std::string& strName);
