// Another local program that tries to put its own bytes where an installer lies (argv[1]):
// renames the file away and plants a program in its place, writes over the file in place,
// and deletes it. Its exit code tells what it got done: 1 renamed and planted, 2 written
// over, 4 deleted (added up).
#include <windows.h>

#include <string>

namespace {

const char kPlanted[] = "MZ planted by another program";

bool WriteOver(const std::string& strPath, DWORD dwDisposition) {
    HANDLE hFile =
        ::CreateFileA(strPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, dwDisposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return false;
    DWORD dwWritten = 0;
    bool bWritten = ::WriteFile(hFile, kPlanted, sizeof(kPlanted) - 1, &dwWritten, nullptr) &&
                    dwWritten == sizeof(kPlanted) - 1;
    ::CloseHandle(hFile);
    return bWritten;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return 100;
    std::string strPath = argv[1];
    int nDone = 0;
    if (::MoveFileExA(strPath.c_str(), (strPath + ".away").c_str(), MOVEFILE_REPLACE_EXISTING) &&
        WriteOver(strPath, CREATE_NEW))
        nDone |= 1;
    if (WriteOver(strPath, OPEN_EXISTING))
        nDone |= 2;
    if (::DeleteFileA(strPath.c_str()))
        nDone |= 4;
    return nDone;
}
