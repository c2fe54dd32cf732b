#include "Path.h"

#include <vector>

#include "Handles.h"

namespace {

// Positions of the path separators. The walk keeps each double-byte character whole, so a
// trail byte 0x5C (as in GBK "誠", D5 5C) is never taken for a backslash.
std::vector<size_t> BackslashPositions(const std::string& strPath) {
    std::vector<size_t> positions;
    for (size_t i = 0; i < strPath.size(); ++i) {
        if (::IsDBCSLeadByte(static_cast<BYTE>(strPath[i])) && i + 1 < strPath.size()) {
            ++i;
        } else if (strPath[i] == '\\') {
            positions.push_back(i);
        }
    }
    return positions;
}

}  // namespace

std::string LastPathPart(const std::string& strPath) {
    size_t nStart = 0;
    for (size_t i = 0; i < strPath.size(); ++i) {
        if (::IsDBCSLeadByte(static_cast<BYTE>(strPath[i])) && i + 1 < strPath.size()) {
            ++i;
        } else if (strPath[i] == '\\' || strPath[i] == '/') {
            nStart = i + 1;
        }
    }
    return strPath.substr(nStart);
}

size_t FindLastBackslash(const std::string& strPath) {
    std::vector<size_t> positions = BackslashPositions(strPath);
    return positions.empty() ? std::string::npos : positions.back();
}

std::string AddBackslash(const std::string& strPath) {
    if (!strPath.empty() && FindLastBackslash(strPath) == strPath.size() - 1)
        return strPath;
    return strPath + "\\";
}

std::string RemoveTrailingBackslash(const std::string& strPath) {
    std::vector<size_t> positions = BackslashPositions(strPath);
    size_t nEnd = strPath.size();
    while (!positions.empty() && positions.back() + 1 == nEnd) {
        positions.pop_back();
        --nEnd;
    }
    return strPath.substr(0, nEnd);
}

std::string GetParentFolder(const std::string& strPath) {
    std::string strTrimmed = RemoveTrailingBackslash(strPath);
    size_t nPos = FindLastBackslash(strTrimmed);
    return nPos == std::string::npos ? std::string() : strTrimmed.substr(0, nPos);
}

std::string QuoteSpaces(const std::string& strPath) {
    if (strPath.find(' ') == std::string::npos)
        return strPath;
    return "\"" + strPath + "\"";
}

bool CreateDirectoryChain(const std::string& strFolder) {
    std::string strPath = AddBackslash(strFolder);
    // From index 3 on, so that the drive prefix "C:\" is never created as a folder. Every
    // level is tried; a failure (it exists, no right) shows only in the final test.
    for (size_t nPos : BackslashPositions(strPath)) {
        if (nPos >= 3)
            ::CreateDirectoryA(strPath.substr(0, nPos).c_str(), nullptr);
    }
    bool bIsFile = false;
    return PathExists(RemoveTrailingBackslash(strPath), bIsFile) && !bIsFile;
}

bool PathExists(const std::string& strPath, bool& bIsFile) {
    WIN32_FIND_DATAA fd;
    CFindHandle hFind(::FindFirstFileA(RemoveTrailingBackslash(strPath).c_str(), &fd));
    if (!hFind)
        return false;
    bIsFile = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    return true;
}

std::string GetModulePath() {
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        DWORD n = ::GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0)
            return std::string();
        if (n < buffer.size())
            return std::string(buffer.data(), n);
        if (buffer.size() >= 32768)
            return std::string(buffer.data(), n);
        buffer.resize(buffer.size() * 2);
    }
}

std::string GetModuleFolder() {
    return AddBackslash(GetParentFolder(GetModulePath()));
}
