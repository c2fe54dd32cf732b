// netprobe: how fast one process on this platform can pull a file over HTTP, and through which
// calls. Fetches SIZE bytes of PATH from 127.0.0.1:PORT in CONNECTIONS ranged GETs, one equal
// share each on a thread of its own, reading at most READ bytes per call:
//
//   netprobe API CONNECTIONS READ PORT PATH SIZE [--gather-ms N] [--write FILE] [--timeout-ms N]
//            [--stop-after N [--close-header] [--read-rest]]
//
//   API  wininet      InternetReadFile
//        wininet-ex   InternetReadFileEx with IRF_NO_WAIT (InternetQueryDataAvailable waits
//                     when nothing is there yet)
//        wininet-qda  InternetQueryDataAvailable, then InternetReadFile of what it reported
//        recv         a hand-written GET over a Winsock socket and a recv loop
//   --gather-ms N     sleeps N ms before every read call
//   --write FILE      writes every read at its offset into FILE, as a downloader would
//   --timeout-ms N    WinInet: a receive time-out of N ms on each request
//   --stop-after N    each connection closes its request after N bytes of its share, as a
//                     downloader does when another connection has taken the rest over
//   --close-header    asks with "Connection: close"
//   --read-rest       before closing, reads the rest of the answer itself (READ bytes a call)
//
// Prints "ready" and waits for a line on standard input before the first connection, so that
// a caller can take CPU figures of this process and of others just before; then prints one
// line: "api=A conns=C read=R bytes=B ms=T calls=N cpu_ms=U close_ms=X" (calls: the read
// calls, not the InternetQueryDataAvailable ones; cpu_ms: this process's user and kernel time
// over the transfer; close_ms: the longest time one connection took to close its request,
// reading the rest included). Exit code 0 if every share arrived whole.
#include <winsock2.h>
#include <windows.h>
#include <wininet.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "Handles.h"
#include "StringUtil.h"

namespace {

enum class Api { kWinInet, kWinInetEx, kWinInetQda, kRecv };

struct Options {
    Api api = Api::kWinInet;
    const char* pszApi = "";
    int nConnections = 1;
    DWORD dwRead = 0;
    INTERNET_PORT nPort = 0;
    std::string strPath;
    int64_t i64Size = 0;
    DWORD dwGatherMs = 0;
    DWORD dwTimeoutMs = 0;
    int64_t i64StopAfter = 0;
    bool bCloseHeader = false;
    bool bReadRest = false;
    HANDLE hFile = INVALID_HANDLE_VALUE;
};

// One connection's part of the file and what it got.
struct Share {
    const Options* pOptions = nullptr;
    int64_t i64First = 0;
    int64_t i64Last = 0;
    int64_t i64Bytes = 0;
    int64_t i64Calls = 0;
    double dCloseMs = 0;
    bool bOk = false;
};

class CSocket {
public:
    CSocket() : m_s(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP)) {}
    ~CSocket() {
        if (m_s != INVALID_SOCKET)
            ::closesocket(m_s);
    }
    CSocket(const CSocket&) = delete;
    CSocket& operator=(const CSocket&) = delete;
    SOCKET Get() const { return m_s; }

private:
    SOCKET m_s;
};

bool ParseApi(const char* psz, Api& api) {
    static const struct {
        const char* pszName;
        Api api;
    } kApis[] = {{"wininet", Api::kWinInet},
                 {"wininet-ex", Api::kWinInetEx},
                 {"wininet-qda", Api::kWinInetQda},
                 {"recv", Api::kRecv}};
    for (const auto& entry : kApis) {
        if (strcmp(psz, entry.pszName) == 0) {
            api = entry.api;
            return true;
        }
    }
    return false;
}

bool ParseArgs(int argc, char** argv, Options& options, std::string& strWrite) {
    if (argc < 7 || !ParseApi(argv[1], options.api))
        return false;
    options.pszApi = argv[1];
    options.nConnections = atoi(argv[2]);
    options.dwRead = static_cast<DWORD>(strtoul(argv[3], nullptr, 10));
    options.nPort = static_cast<INTERNET_PORT>(atoi(argv[4]));
    options.strPath = argv[5];
    options.i64Size = _strtoi64(argv[6], nullptr, 10);
    for (int i = 7; i < argc; ++i) {
        if (strcmp(argv[i], "--close-header") == 0 || strcmp(argv[i], "--read-rest") == 0) {
            (argv[i][2] == 'c' ? options.bCloseHeader : options.bReadRest) = true;
            continue;
        }
        if (i + 1 == argc)
            return false;
        if (strcmp(argv[i], "--stop-after") == 0) {
            options.i64StopAfter = _strtoi64(argv[++i], nullptr, 10);
        } else if (strcmp(argv[i], "--gather-ms") == 0) {
            options.dwGatherMs = static_cast<DWORD>(atoi(argv[++i]));
        } else if (strcmp(argv[i], "--timeout-ms") == 0) {
            options.dwTimeoutMs = static_cast<DWORD>(atoi(argv[++i]));
        } else if (strcmp(argv[i], "--write") == 0) {
            strWrite = argv[++i];
        } else {
            return false;
        }
    }
    return options.nConnections >= 1 && options.nConnections <= 16 && options.dwRead > 0 &&
           options.nPort > 0 && options.i64Size >= options.nConnections;
}

// Writes what a read brought at its place in the file; no file, nothing to do.
bool Store(const Options& options, int64_t i64Offset, const void* pData, DWORD dwSize) {
    if (options.hFile == INVALID_HANDLE_VALUE || dwSize == 0)
        return true;
    OVERLAPPED ov = {};
    ov.Offset = static_cast<DWORD>(i64Offset);
    ov.OffsetHigh = static_cast<DWORD>(i64Offset >> 32);
    DWORD dwWritten = 0;
    return ::WriteFile(options.hFile, pData, dwSize, &dwWritten, &ov) && dwWritten == dwSize;
}

// InternetReadFileEx without waiting; when nothing is there yet, InternetQueryDataAvailable
// waits for data (0 available there is the end of the body).
bool ReadWinInetEx(HINTERNET hRequest, Share& share, unsigned char* pBuffer, DWORD& dwGot) {
    for (;;) {
        INTERNET_BUFFERSA buffers = {};
        buffers.dwStructSize = sizeof(buffers);
        buffers.lpvBuffer = pBuffer;
        buffers.dwBufferLength = share.pOptions->dwRead;
        ++share.i64Calls;
        if (!::InternetReadFileExA(hRequest, &buffers, IRF_NO_WAIT, 0))
            return false;
        dwGot = buffers.dwBufferLength;
        DWORD dwAvailable = 0;
        if (dwGot > 0)
            return true;
        if (!::InternetQueryDataAvailable(hRequest, &dwAvailable, 0, 0))
            return false;
        if (dwAvailable == 0)
            return true;
    }
}

// One read of the chosen WinInet flavour; false on an error. 0 bytes: the body ended.
bool ReadWinInet(HINTERNET hRequest, Share& share, unsigned char* pBuffer, DWORD& dwGot) {
    const Options& options = *share.pOptions;
    dwGot = 0;
    if (options.api == Api::kWinInetEx)
        return ReadWinInetEx(hRequest, share, pBuffer, dwGot);
    ++share.i64Calls;
    if (options.api == Api::kWinInet)
        return ::InternetReadFile(hRequest, pBuffer, options.dwRead, &dwGot) != FALSE;
    DWORD dwAvailable = 0;
    if (!::InternetQueryDataAvailable(hRequest, &dwAvailable, 0, 0))
        return false;
    if (dwAvailable == 0)
        return true;
    DWORD dwWant = dwAvailable < options.dwRead ? dwAvailable : options.dwRead;
    return ::InternetReadFile(hRequest, pBuffer, dwWant, &dwGot) != FALSE;
}

// Sends the ranged GET; true when the answer is a 206.
bool OpenRange(HINTERNET hConnect, const Share& share, CInternetHandle& request) {
    const DWORD dwFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_EXISTING_CONNECT |
                          INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE;
    request.Reset(::HttpOpenRequestA(hConnect, "GET", share.pOptions->strPath.c_str(), nullptr, nullptr,
                                     nullptr, dwFlags, 0));
    if (!request)
        return false;
    DWORD dwTimeout = share.pOptions->dwTimeoutMs;
    if (dwTimeout)
        ::InternetSetOptionA(request.Get(), INTERNET_OPTION_RECEIVE_TIMEOUT, &dwTimeout, sizeof(dwTimeout));
    std::string strHeaders = StrFormat("Range: bytes=%I64d-%I64d\r\n%s", share.i64First, share.i64Last,
                                       share.pOptions->bCloseHeader ? "Connection: close\r\n" : "");
    if (!::HttpSendRequestA(request.Get(), strHeaders.c_str(), static_cast<DWORD>(-1), nullptr, 0))
        return false;
    DWORD dwStatus = 0;
    DWORD dwSize = sizeof(dwStatus);
    return ::HttpQueryInfoA(request.Get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &dwStatus,
                            &dwSize, nullptr) &&
           dwStatus == 206;
}

double MsBetween(const LARGE_INTEGER& liStart, const LARGE_INTEGER& liEnd) {
    LARGE_INTEGER liFreq;
    ::QueryPerformanceFrequency(&liFreq);
    return double(liEnd.QuadPart - liStart.QuadPart) * 1000.0 / double(liFreq.QuadPart);
}

// The bytes of its share a connection reads before it closes.
int64_t Wanted(const Share& share) {
    int64_t i64Share = share.i64Last - share.i64First + 1;
    int64_t i64Stop = share.pOptions->i64StopAfter;
    return i64Stop > 0 && i64Stop < i64Share ? i64Stop : i64Share;
}

// Closes the request, timed; with --read-rest, what the answer still holds is read first.
void CloseRequest(Share& share, CInternetHandle& request, std::vector<unsigned char>& buffer) {
    LARGE_INTEGER liStart, liEnd;
    ::QueryPerformanceCounter(&liStart);
    DWORD dwGot = 1;
    while (share.pOptions->bReadRest && dwGot > 0 &&
           ::InternetReadFile(request.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), &dwGot)) {
        ++share.i64Calls;
    }
    request.Close();
    ::QueryPerformanceCounter(&liEnd);
    share.dCloseMs = MsBetween(liStart, liEnd);
}

bool FetchWinInet(Share& share) {
    const Options& options = *share.pOptions;
    CInternetHandle session(::InternetOpenA("netprobe", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    CInternetHandle connect(session ? ::InternetConnectA(session.Get(), "127.0.0.1", options.nPort, nullptr,
                                                         nullptr, INTERNET_SERVICE_HTTP, 0, 0)
                                    : nullptr);
    CInternetHandle request;
    if (!connect || !OpenRange(connect.Get(), share, request))
        return false;
    std::vector<unsigned char> buffer(options.dwRead);
    const int64_t i64Want = Wanted(share);
    while (share.i64Bytes < i64Want) {
        if (options.dwGatherMs)
            ::Sleep(options.dwGatherMs);
        DWORD dwGot = 0;
        if (!ReadWinInet(request.Get(), share, buffer.data(), dwGot) || dwGot == 0)
            break;
        if (!Store(options, share.i64First + share.i64Bytes, buffer.data(), dwGot))
            return false;
        share.i64Bytes += dwGot;
    }
    CloseRequest(share, request, buffer);
    return share.i64Bytes >= i64Want;
}

bool SendGet(SOCKET s, const Share& share) {
    sockaddr_in addr = {};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(share.pOptions->nPort);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(s, reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) != 0)
        return false;
    std::string strRequest = StrFormat(
        "GET %s HTTP/1.1\r\nHost: 127.0.0.1\r\nRange: bytes=%I64d-%I64d\r\nConnection: close\r\n\r\n",
        share.pOptions->strPath.c_str(), share.i64First, share.i64Last);
    return ::send(s, strRequest.data(), static_cast<int>(strRequest.size()), 0) ==
           static_cast<int>(strRequest.size());
}

// Takes the answer's head from the first received bytes; body bytes that came with it stay
// at the start of the buffer. False unless the head ends within the buffer and says 206.
bool ReadHead(SOCKET s, Share& share, std::vector<char>& buffer, int& nBody) {
    int nHave = 0;
    for (;;) {
        int n = ::recv(s, buffer.data() + nHave, static_cast<int>(buffer.size()) - nHave, 0);
        ++share.i64Calls;
        if (n <= 0)
            return false;
        nHave += n;
        std::string strSeen(buffer.data(), nHave);
        size_t nEnd = strSeen.find("\r\n\r\n");
        if (nEnd != std::string::npos) {
            if (strSeen.compare(0, 12, "HTTP/1.1 206") != 0)
                return false;
            nBody = nHave - static_cast<int>(nEnd + 4);
            memmove(buffer.data(), buffer.data() + nEnd + 4, nBody);
            return true;
        }
        if (nHave == static_cast<int>(buffer.size()))
            return false;
    }
}

bool FetchRecv(Share& share) {
    const Options& options = *share.pOptions;
    CSocket sock;
    std::vector<char> buffer(options.dwRead < 16384 ? 16384 : options.dwRead);
    int nGot = 0;
    if (sock.Get() == INVALID_SOCKET || !SendGet(sock.Get(), share) ||
        !ReadHead(sock.Get(), share, buffer, nGot))
        return false;
    const int64_t i64Want = Wanted(share);
    while (nGot > 0) {
        if (!Store(options, share.i64First + share.i64Bytes, buffer.data(), static_cast<DWORD>(nGot)))
            return false;
        share.i64Bytes += nGot;
        if (share.i64Bytes >= i64Want)
            break;
        if (options.dwGatherMs)
            ::Sleep(options.dwGatherMs);
        nGot = ::recv(sock.Get(), buffer.data(), static_cast<int>(options.dwRead), 0);
        ++share.i64Calls;
    }
    return share.i64Bytes >= i64Want;
}

DWORD WINAPI ShareThread(LPVOID pParam) {
    Share& share = *static_cast<Share*>(pParam);
    share.bOk = share.pOptions->api == Api::kRecv ? FetchRecv(share) : FetchWinInet(share);
    return 0;
}

double CpuMs() {
    FILETIME ftCreation, ftExit, ftKernel, ftUser;
    if (!::GetProcessTimes(::GetCurrentProcess(), &ftCreation, &ftExit, &ftKernel, &ftUser))
        return 0;
    auto toMs = [](const FILETIME& ft) {
        return (double(ft.dwHighDateTime) * 4294967296.0 + ft.dwLowDateTime) / 1e4;
    };
    return toMs(ftKernel) + toMs(ftUser);
}

// Runs every share on its own thread; false if a thread could not start.
bool RunShares(std::vector<Share>& shares) {
    std::vector<CHandle> threads;
    std::vector<HANDLE> handles;
    for (Share& share : shares) {
        threads.emplace_back(::CreateThread(nullptr, 0, ShareThread, &share, 0, nullptr));
        if (!threads.back())
            return false;
        handles.push_back(threads.back().Get());
    }
    return ::WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), TRUE, INFINITE) !=
           WAIT_FAILED;
}

std::vector<Share> SplitFile(const Options& options) {
    std::vector<Share> shares(options.nConnections);
    const int64_t i64Part = options.i64Size / options.nConnections;
    for (int i = 0; i < options.nConnections; ++i) {
        shares[i].pOptions = &options;
        shares[i].i64First = i * i64Part;
        shares[i].i64Last = i + 1 == options.nConnections ? options.i64Size - 1 : (i + 1) * i64Part - 1;
    }
    return shares;
}

// Fetches the file and prints the result line; true if every share arrived whole.
bool Measure(const Options& options) {
    std::vector<Share> shares = SplitFile(options);
    double dCpuStart = CpuMs();
    LARGE_INTEGER liStart, liEnd;
    ::QueryPerformanceCounter(&liStart);
    bool bOk = RunShares(shares);
    ::QueryPerformanceCounter(&liEnd);
    int64_t i64Bytes = 0, i64Calls = 0;
    double dCloseMs = 0;
    for (const Share& share : shares) {
        bOk = bOk && share.bOk;
        i64Bytes += share.i64Bytes;
        i64Calls += share.i64Calls;
        dCloseMs = share.dCloseMs > dCloseMs ? share.dCloseMs : dCloseMs;
    }
    fputs(StrFormat("api=%s conns=%d read=%lu bytes=%I64d ms=%.1f calls=%I64d cpu_ms=%.1f close_ms=%.1f\n",
                    options.pszApi, options.nConnections, static_cast<unsigned long>(options.dwRead),
                    i64Bytes, MsBetween(liStart, liEnd), i64Calls, CpuMs() - dCpuStart, dCloseMs)
              .c_str(),
          stdout);
    fflush(stdout);
    return bOk;
}

// The file at its full length from the start, as a downloader's data file is.
bool CreateFullSize(const std::string& strPath, int64_t i64Size, CFileHandle& file) {
    file.Reset(::CreateFileA(strPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER liSize;
    liSize.QuadPart = i64Size;
    return file && ::SetFilePointerEx(file.Get(), liSize, nullptr, FILE_BEGIN) && ::SetEndOfFile(file.Get());
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    std::string strWrite;
    if (!ParseArgs(argc, argv, options, strWrite)) {
        fprintf(stderr,
                "usage: netprobe wininet|wininet-ex|wininet-qda|recv CONNECTIONS READ PORT PATH SIZE\n"
                "       [--gather-ms N] [--write FILE] [--timeout-ms N] [--stop-after N [--close-header] "
                "[--read-rest]]\n");
        return 64;
    }
    WSADATA wsa;
    CFileHandle file;
    if (!strWrite.empty() && !CreateFullSize(strWrite, options.i64Size, file))
        return 3;
    if (::WSAStartup(MAKEWORD(2, 2), &wsa) != 0)
        return 3;
    options.hFile = file.Get();
    printf("ready\n");
    fflush(stdout);
    char szLine[16];
    bool bOk = fgets(szLine, sizeof(szLine), stdin) && Measure(options);
    ::WSACleanup();
    return bOk ? 0 : 1;
}
