// Scenario files and records of the maker's servers (tools/refserver/maker.py, described in
// tools/refserver/README-maker.md) in the reference server's state folder.
#pragma once

#include <string>
#include <vector>

// Writes a scenario file, e.g. "maker-setup.xml", into the state folder.
bool PutMakerFile(const std::string& strName, const std::string& strBytes);
// Removes every scenario file and record of the maker's servers.
void ClearMakerFiles();
// The lines of a record ("maker-stats.log" or "maker-config.log"), in arrival order.
std::vector<std::string> MakerRecord(const std::string& strName);
// Waits until the record holds at least nCount lines; false after nTimeoutMs.
bool WaitForMakerRecord(const std::string& strName, size_t nCount, int nTimeoutMs);
