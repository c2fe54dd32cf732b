#include "HttpClass.h"

#include <gtest/gtest.h>

#include <winsock2.h>

#include <algorithm>

#include "Log.h"
#include "RefServerControl.h"
#include "TestSupport.h"

namespace {

constexpr int kBlock = 16384;

uint64_t ToU64(const FILETIME& ft) {
    return (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}
FILETIME FromU64(uint64_t v) {
    return FILETIME{static_cast<DWORD>(v), static_cast<DWORD>(v >> 32)};
}

uint64_t FileWriteTime(const std::string& strPath) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExA(strPath.c_str(), GetFileExInfoStandard, &data))
        return 0;
    return ToU64(data.ftLastWriteTime);
}

// A port on 127.0.0.1 on which nothing listens (taken from the system, then released).
int FreePort() {
    WSADATA wsa;
    ::WSAStartup(MAKEWORD(2, 2), &wsa);
    SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in addr = {};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int nLen = sizeof(addr);
    ::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof(addr));
    ::getsockname(s, reinterpret_cast<sockaddr*>(&addr), &nLen);
    ::closesocket(s);
    return ntohs(addr.sin_port);
}

class HttpClassTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(TestServerBase().empty()) << "run through scripts/wine-test.sh";
        ASSERT_TRUE(ResetServer());
    }
};

}  // namespace

TEST_F(HttpClassTest, OnlyHttpAddressesAreAcceptedAndMissingArgumentsAreRefused) {
    CHttpClass http;
    EXPECT_EQ(http.GetResult(), 0);
    EXPECT_EQ(http.GetCode(), 0);
    CTempDir dir;
    std::string strFile = dir.File("x.bin");
    ByteVector body;
    int64_t i64Size = 0;
    FILETIME ft = {};
    std::string strHost = TestServerBase().substr(strlen("http://"));
    for (std::string strUrl :
         {"https://" + strHost + "/a", "ftp://" + strHost + "/a", std::string("not a url")}) {
        SCOPED_TRACE(strUrl);
        const char* pszUrl = strUrl.c_str();
        EXPECT_EQ(http.GetHttpFile(pszUrl, strFile.c_str()), -3);
        EXPECT_EQ(http.SendHttpMsg(pszUrl, body), -3);
        EXPECT_EQ(http.PostHttpMsg(pszUrl, ByteVector{'a'}, body), -3);
        EXPECT_EQ(http.GetHttpFileInfo(pszUrl, i64Size, ft), -3);
        EXPECT_EQ(http.HttpRangeRequest(pszUrl, 0, 9), -3);
        EXPECT_EQ(http.GetCode(), 0);
        EXPECT_EQ(http.HttpRequest(pszUrl), -3);
        EXPECT_EQ(http.GetCode(), 0);
        EXPECT_EQ(http.GetResult(), -3);
    }
    std::string strUrl = TestServerUrl("/a");
    EXPECT_EQ(http.GetHttpFile(nullptr, strFile.c_str()), -2);
    EXPECT_EQ(http.GetHttpFile(strUrl.c_str(), ""), -2);
    EXPECT_EQ(http.SendHttpMsg("", body), -2);
    EXPECT_EQ(http.PostHttpMsg(nullptr, body, body), -2);
    EXPECT_EQ(http.GetHttpFileInfo(nullptr, i64Size, ft), -2);
    EXPECT_EQ(http.GetCode(), 0);
    // The ranged and plain requests have no argument check: the split refuses the address.
    EXPECT_EQ(http.HttpRangeRequest(nullptr, 0, 9), -3);
    EXPECT_EQ(http.HttpRequest(nullptr), -3);
    EXPECT_FALSE(FileExists(strFile));
    EXPECT_TRUE(ServerRequests().empty());
}

TEST_F(HttpClassTest, StatusAcceptanceAndTheErrorLine) {
    ASSERT_FALSE(PutServedFile("s.bin", MakeContent(1000, 1)).empty());
    std::string strUrl = TestServerUrl("/s.bin");
    const char* pszUrl = strUrl.c_str();
    CTempDir dir;
    std::string strFile = dir.File("s.bin");
    ByteVector body;
    int64_t i64Size = 0;
    FILETIME ft = {};
    CHttpClass http;

    // 206 to a request without Range: only the streaming requests take it.
    ASSERT_TRUE(SetServerRule("path=/s.bin&status=206"));
    EXPECT_EQ(http.SendHttpMsg(pszUrl, body), -5);
    EXPECT_EQ(http.GetCode(), 206);
    EXPECT_EQ(http.PostHttpMsg(pszUrl, body, body), -5);
    EXPECT_EQ(http.GetCode(), 206);
    EXPECT_EQ(http.GetHttpFile(pszUrl, strFile.c_str()), -5);
    EXPECT_EQ(http.GetCode(), 206);
    EXPECT_EQ(http.GetHttpFileInfo(pszUrl, i64Size, ft), -5);
    EXPECT_EQ(http.GetCode(), 206);
    EXPECT_EQ(http.HttpRequest(pszUrl), 1);
    EXPECT_EQ(http.GetCode(), 206);
    ASSERT_TRUE(ClearServerRules());
    EXPECT_EQ(http.HttpRangeRequest(pszUrl, 10, 19), 1);
    EXPECT_EQ(http.GetCode(), 206);
    ASSERT_TRUE(SetServerRule("path=/s.bin&ignore_range=1"));
    EXPECT_EQ(http.HttpRangeRequest(pszUrl, 10, 19), 1);
    EXPECT_EQ(http.GetCode(), 200);
    http.CloseHttpRequest();
    EXPECT_FALSE(FileExists(strFile));

    // 404: -5 with the status, and an error line that ends in an empty text.
    std::string strMissing = TestServerUrl("/missing.bin");
    {
        CLogCapture log;
        EXPECT_EQ(http.SendHttpMsg(strMissing.c_str(), body), -5);
        EXPECT_EQ(http.GetCode(), 404);
        EXPECT_EQ(http.HttpRangeRequest(strMissing.c_str(), 5, 4000000000LL), -5);
        EXPECT_EQ(http.HttpRequest(strMissing.c_str()), -5);
        EXPECT_EQ(http.GetCode(), 404);
        std::string strLog = log.Text();
        EXPECT_NE(strLog.find("SendHttpMsg(" + strMissing + ") error: [-5,404]\r\n"), std::string::npos)
            << strLog;
        EXPECT_NE(strLog.find("HttpRangeRequest(" + strMissing + ", 5, 4000000000) error: [-5,404]\r\n"),
                  std::string::npos)
            << strLog;
        EXPECT_NE(strLog.find("HttpRequest(" + strMissing + ") error: [-5,404]\r\n"), std::string::npos)
            << strLog;
    }
    // A failed ranged request is replaced by the next one.
    ASSERT_TRUE(ClearServerRules());
    ASSERT_TRUE(SetServerRule("path=/s.bin&status=503&count=1"));
    EXPECT_EQ(http.HttpRangeRequest(pszUrl, 0, 9), -5);
    EXPECT_EQ(http.GetCode(), 503);
    EXPECT_EQ(http.HttpRangeRequest(pszUrl, 0, 9), 1);
    char buffer[16];
    EXPECT_EQ(http.ReceiveBytes(buffer, sizeof(buffer)), 10);
    EXPECT_EQ(memcmp(buffer, MakeContent(10, 1).data(), 10), 0);
}

TEST_F(HttpClassTest, ConstructorAndSendHttpMsgTraceLines) {
    ASSERT_FALSE(PutServedFile("t.txt", std::string("hello")).empty());
    std::string strUrl = TestServerUrl("/t.txt");
    CLogCapture log;
    {
        CHttpClass http;
        ByteVector body;
        EXPECT_EQ(http.SendHttpMsg(strUrl.c_str(), body), 1);
    }
    std::string strLog = log.Text();
    EXPECT_EQ(strLog.rfind("CHttpClass SetOption\r\nCHttpClass SetOption Finish\r\nSendHttpMsg ", 0), 0u)
        << strLog;
    size_t nWithUrl = 0;
    for (size_t nPos = 0; (nPos = strLog.find(" " + strUrl + "\r\n", nPos)) != std::string::npos; ++nPos)
        ++nWithUrl;
    EXPECT_EQ(nWithUrl, 4u) << strLog;
    EXPECT_EQ(strLog.find("error"), std::string::npos);
}

TEST_F(HttpClassTest, FileInfoReadsSizeAndDateOrTheirAbsence) {
    ASSERT_FALSE(PutServedFile("i.bin", MakeContent(123457, 2)).empty());
    // 2015-10-21 07:28:00 UTC, to the 100 ns.
    const uint64_t kKnown = 130898860800000000ULL;
    ASSERT_TRUE(SetServedFileTime("i.bin", FromU64(kKnown)));
    std::string strUrl = TestServerUrl("/i.bin");
    CHttpClass http;
    int64_t i64Size = 0;
    FILETIME ft = {};
    EXPECT_EQ(http.GetHttpFileInfo(strUrl.c_str(), i64Size, ft), 1);
    EXPECT_EQ(http.GetCode(), 200);
    EXPECT_EQ(i64Size, 123457);
    EXPECT_EQ(ToU64(ft), kKnown);

    ASSERT_TRUE(
        SetServerRule("path=/i.bin&nth=1&last_modified=Wed,%2021%20Oct%202015%2007:28:00%20GMT&no_length=1"));
    ASSERT_TRUE(SetServerRule("path=/i.bin&nth=2&no_date=1&length=5368709120"));
    ASSERT_TRUE(SetServerRule("path=/i.bin&nth=3&length=12x"));
    ASSERT_TRUE(SetServerRule("path=/i.bin&nth=4&status=404"));
    SetServedFileTime("i.bin", FromU64(kKnown + 10000000ULL * 86400));
    EXPECT_EQ(http.GetHttpFileInfo(strUrl.c_str(), i64Size, ft), 1);
    EXPECT_EQ(i64Size, -1);
    EXPECT_EQ(ToU64(ft), kKnown);
    EXPECT_EQ(http.GetHttpFileInfo(strUrl.c_str(), i64Size, ft), 1);
    EXPECT_EQ(i64Size, 5368709120LL);
    EXPECT_EQ(ToU64(ft), 0u);
    EXPECT_EQ(http.GetHttpFileInfo(strUrl.c_str(), i64Size, ft), 1);
    EXPECT_EQ(i64Size, -1);  // malformed counts as absent
    // A failure leaves both untouched.
    i64Size = 77;
    ft = FromU64(88);
    EXPECT_EQ(http.GetHttpFileInfo(strUrl.c_str(), i64Size, ft), -5);
    EXPECT_EQ(http.GetCode(), 404);
    EXPECT_EQ(i64Size, 77);
    EXPECT_EQ(ToU64(ft), 88u);
    std::vector<std::string> requests = ServerRequests();
    ASSERT_EQ(requests.size(), 5u);
    for (const std::string& strLine : requests) EXPECT_EQ(strLine, "HEAD /i.bin");
}

TEST_F(HttpClassTest, BodiesIntoMemory) {
    std::vector<uint8_t> content = MakeContent(1000003, 3);
    std::string strUrl = PutServedFile("m.bin", content);
    std::string strEmpty = PutServedFile("empty.txt", std::string());
    CHttpClass http;
    ByteVector body{1, 2, 3};
    EXPECT_EQ(http.SendHttpMsg(strEmpty.c_str(), body), 1);
    EXPECT_EQ(http.GetCode(), 200);
    EXPECT_TRUE(body.empty());
    EXPECT_EQ(http.SendHttpMsg(strUrl.c_str(), body), 1);
    EXPECT_TRUE(body == content);
    // Without a length the body ends with the connection, or with the last chunk.
    ASSERT_TRUE(SetServerRule("path=/m.bin&nth=1&no_length=1"));
    ASSERT_TRUE(SetServerRule("path=/m.bin&nth=2&chunked=1&piece=70000"));
    EXPECT_EQ(http.SendHttpMsg(strUrl.c_str(), body), 1);
    EXPECT_TRUE(body == content);
    EXPECT_EQ(http.SendHttpMsg(strUrl.c_str(), body), 1);
    EXPECT_TRUE(body == content);

    // The POST carries the form header, the agent and the bytes; the echo shows them.
    ASSERT_TRUE(SetServerRule("path=/form&echo=1"));
    std::string strForm = TestServerUrl("/form?x=1");
    ByteVector request{'a', '=', '1', '&', 'b', '=', '%', '2', '0'};
    EXPECT_EQ(http.PostHttpMsg(strForm.c_str(), request, body), 1);
    std::string strEcho(body.begin(), body.end());
    EXPECT_EQ(strEcho.rfind("POST /form?x=1 HTTP/1.1\r\n", 0), 0u) << strEcho;
    EXPECT_NE(strEcho.find("Content-Type: application/x-www-form-urlencoded\r\n"), std::string::npos)
        << strEcho;
    EXPECT_NE(strEcho.find(std::string("User-Agent: ") + CHttpClass::kUserAgent + "\r\n"), std::string::npos);
    EXPECT_NE(strEcho.find("Content-Length: 9\r\n"), std::string::npos) << strEcho;
    EXPECT_EQ(strEcho.substr(strEcho.size() - 13), "\r\n\r\na=1&b=%20");
    // A GET asks past any cache, with the agent once.
    ASSERT_TRUE(SetServerRule("path=/get&echo=1"));
    EXPECT_EQ(http.SendHttpMsg(TestServerUrl("/get").c_str(), body), 1);
    std::string strGet(body.begin(), body.end());
    EXPECT_EQ(strGet.rfind("GET /get HTTP/1.1\r\n", 0), 0u) << strGet;
    EXPECT_NE(strGet.find("\r\nPragma: no-cache\r\n"), std::string::npos) << strGet;
    EXPECT_NE(strGet.find("\r\nAccept: */*\r\n"), std::string::npos) << strGet;
    size_t nAgent = strGet.find("User-Agent: ");
    EXPECT_NE(nAgent, std::string::npos);
    EXPECT_EQ(strGet.find("User-Agent: ", nAgent + 1), std::string::npos) << strGet;
    EXPECT_EQ(http.PostHttpMsg(strForm.c_str(), ByteVector(), body), 1);
    strEcho.assign(body.begin(), body.end());
    EXPECT_EQ(strEcho.substr(strEcho.size() - 4), "\r\n\r\n");
}

TEST_F(HttpClassTest, BodiesAboveTheCapFail) {
    const size_t kCap = CHttpClass::kMaxBodyBytes;
    ASSERT_TRUE(SetServerRule("path=/cap.bin&gen=" + std::to_string(kCap)));
    // Refused on its announced length before any byte is read. The pauses keep Wine from
    // draining the unread body at full speed when the request is closed.
    ASSERT_TRUE(SetServerRule("path=/over.bin&piece=1048576&pause=1000&gen=" + std::to_string(kCap + 1)));
    ASSERT_TRUE(SetServerRule("path=/over-nolen.bin&no_length=1&gen=" + std::to_string(kCap + 1)));
    CHttpClass http;
    ByteVector body;
    EXPECT_EQ(http.SendHttpMsg(TestServerUrl("/cap.bin").c_str(), body), 1);
    ASSERT_EQ(body.size(), kCap);
    EXPECT_EQ(body[kCap - 1], (kCap - 1) % 251);
    CLogCapture log;
    std::string strOver = TestServerUrl("/over.bin");
    EXPECT_EQ(http.SendHttpMsg(strOver.c_str(), body), -1);
    EXPECT_EQ(http.GetCode(), 0);
    EXPECT_TRUE(body.empty());
    // No length announced: the running count stops it.
    EXPECT_EQ(http.PostHttpMsg(TestServerUrl("/over-nolen.bin").c_str(), ByteVector{'a'}, body), -1);
    EXPECT_EQ(http.GetCode(), 0);
    EXPECT_TRUE(body.empty());
    EXPECT_NE(log.Text().find("SendHttpMsg(" + strOver + ") error: [-1,0]\r\n"), std::string::npos)
        << log.Text();
}

TEST_F(HttpClassTest, GetHttpFileReplacesCutsAndStampsTheLocalFile) {
    std::vector<uint8_t> content = MakeContent(300000, 4);
    std::string strUrl = PutServedFile("g.bin", content);
    const uint64_t kKnown = 130898860800000000ULL;
    ASSERT_TRUE(SetServedFileTime("g.bin", FromU64(kKnown)));
    CTempDir dir;
    std::string strFile = dir.File("g.bin");
    std::vector<uint8_t> older = MakeContent(500000, 5);
    ASSERT_TRUE(WriteFileBytes(strFile, older.data(), older.size()));
    CHttpClass http;
    EXPECT_EQ(http.GetHttpFile(strUrl.c_str(), strFile.c_str()), 1);
    EXPECT_EQ(http.GetCode(), 200);
    std::vector<uint8_t> got;
    ASSERT_TRUE(ReadFileBytes(strFile, got));
    EXPECT_TRUE(got == content);
    EXPECT_EQ(FileWriteTime(strFile), kKnown);
    char c = 0;
    EXPECT_EQ(http.ReceiveBytes(&c, 1), -1);  // nothing left open

    // Without Last-Modified the file keeps the time of its writing.
    ASSERT_TRUE(SetServerRule("path=/g.bin&no_date=1&count=1"));
    EXPECT_EQ(http.GetHttpFile(strUrl.c_str(), strFile.c_str()), 1);
    EXPECT_GT(FileWriteTime(strFile), kKnown + 10000000ULL * 86400 * 365);

    // A refused status leaves the file alone; a folder that does not exist is a local error.
    ASSERT_TRUE(SetServerRule("path=/g.bin&status=503&count=1"));
    EXPECT_EQ(http.GetHttpFile(strUrl.c_str(), strFile.c_str()), -5);
    EXPECT_EQ(FileSize(strFile), 300000);
    std::string strNoFolder = dir.File("no\\such\\g.bin");
    CLogCapture log;
    EXPECT_EQ(http.GetHttpFile(strUrl.c_str(), strNoFolder.c_str()), -6);
    EXPECT_EQ(http.GetCode(), ERROR_PATH_NOT_FOUND);
    EXPECT_NE(log.Text().find("GetHttpFile(" + strUrl + ", " + strNoFolder + ") error: [-6,3]\r\n"),
              std::string::npos)
        << log.Text();
}

TEST_F(HttpClassTest, ReceiveBytesFillsWholeBlocksUntilTheBodyEnds) {
    std::vector<uint8_t> content = MakeContent(100000, 6);
    std::string strUrl = PutServedFile("r.bin", content);
    CHttpClass http;
    std::vector<uint8_t> buffer(kBlock);
    EXPECT_EQ(http.ReceiveBytes(buffer.data(), kBlock), -1);  // no request yet
    EXPECT_EQ(http.GetResult(), 0);

    // Slow pieces of 1000 bytes: every call still returns a whole block. (Wine's blocking
    // InternetReadFile already fills the buffer; native WinInet may hand over less per call.)
    ASSERT_TRUE(SetServerRule("path=/r.bin&piece=1000&pause=5"));
    ASSERT_EQ(http.HttpRangeRequest(strUrl.c_str(), 1000, 1000 + 3 * kBlock + 99), 1);
    EXPECT_EQ(http.GetCode(), 206);
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(http.ReceiveBytes(buffer.data(), kBlock), kBlock);
        EXPECT_EQ(memcmp(buffer.data(), content.data() + 1000 + i * kBlock, kBlock), 0);
    }
    EXPECT_EQ(http.ReceiveBytes(buffer.data(), kBlock), 100);
    EXPECT_EQ(memcmp(buffer.data(), content.data() + 1000 + 3 * kBlock, 100), 0);
    EXPECT_EQ(http.ReceiveBytes(buffer.data(), kBlock), 0);
    EXPECT_EQ(http.ReceiveBytes(buffer.data(), kBlock), 0);
    EXPECT_EQ(ServerRequests(), std::vector<std::string>{"GET /r.bin bytes=1000-50251"});
    http.CloseHttpRequest();
    EXPECT_EQ(http.ReceiveBytes(buffer.data(), kBlock), -1);
    EXPECT_EQ(http.GetResult(), 1);  // untouched
    EXPECT_EQ(http.GetCode(), 206);

    // The plain request streams the whole file, here from a chunked answer.
    ASSERT_TRUE(SetServerRule("path=/r.bin&chunked=1"));
    ASSERT_EQ(http.HttpRequest(strUrl.c_str()), 1);
    std::vector<uint8_t> got;
    int n = 0;
    while ((n = http.ReceiveBytes(buffer.data(), kBlock)) > 0)
        got.insert(got.end(), buffer.begin(), buffer.begin() + n);
    EXPECT_EQ(n, 0);
    EXPECT_TRUE(got == content);
}

TEST_F(HttpClassTest, ACutConnectionIsNeverTakenForAWholeBody) {
    std::vector<uint8_t> content = MakeContent(100000, 7);
    std::string strUrl = PutServedFile("c.bin", content);
    ASSERT_TRUE(SetServerRule("path=/c.bin&nth=2&cut=20000&rst=1"));
    ASSERT_TRUE(SetServerRule("path=/c.bin&cut=20000"));
    CHttpClass http;
    // Streaming: whole blocks while they last, then the short rest (or an error), then nothing.
    std::vector<uint8_t> buffer(kBlock);
    ASSERT_EQ(http.HttpRequest(strUrl.c_str()), 1);
    EXPECT_EQ(http.ReceiveBytes(buffer.data(), kBlock), kBlock);
    int n = http.ReceiveBytes(buffer.data(), kBlock);
    EXPECT_TRUE(n == 20000 - kBlock || n == -1) << n;
    if (n > 0) {
        EXPECT_EQ(http.ReceiveBytes(buffer.data(), kBlock), 0);
    }

    // Whole bodies shorter than announced fail as a broken transfer, after a reset or a close.
    ByteVector body;
    EXPECT_EQ(http.SendHttpMsg(strUrl.c_str(), body), -4);
    // A reset may surface as the socket's own error when it arrives during a read.
    EXPECT_TRUE(http.GetCode() == ERROR_INTERNET_CONNECTION_ABORTED || http.GetCode() == WSAECONNRESET)
        << http.GetCode();
    EXPECT_EQ(http.SendHttpMsg(strUrl.c_str(), body), -4);
    EXPECT_EQ(http.GetCode(), ERROR_INTERNET_CONNECTION_ABORTED);
    // The local file keeps what was written and is not cut to it.
    CTempDir dir;
    std::string strFile = dir.File("c.bin");
    std::vector<uint8_t> older(150000, 0xEE);
    ASSERT_TRUE(WriteFileBytes(strFile, older.data(), older.size()));
    EXPECT_EQ(http.GetHttpFile(strUrl.c_str(), strFile.c_str()), -4);
    EXPECT_EQ(http.GetCode(), ERROR_INTERNET_CONNECTION_ABORTED);
    std::vector<uint8_t> got;
    ASSERT_TRUE(ReadFileBytes(strFile, got));
    ASSERT_EQ(got.size(), older.size());
    EXPECT_TRUE(std::equal(content.begin(), content.begin() + 20000, got.begin()));
    EXPECT_EQ(got[20000], 0xEE);
}

TEST_F(HttpClassTest, AnUnreachableServerIsAPlatformError) {
    std::string strUrl = "http://127.0.0.1:" + std::to_string(FreePort()) + "/x";
    CHttpClass http;
    CLogCapture log;
    int64_t i64Size = 0;
    FILETIME ft = {};
    EXPECT_EQ(http.GetHttpFileInfo(strUrl.c_str(), i64Size, ft), -4);
    EXPECT_EQ(http.GetCode(), ERROR_INTERNET_CANNOT_CONNECT);
    EXPECT_EQ(http.HttpRangeRequest(strUrl.c_str(), 0, 1), -4);
    EXPECT_EQ(http.GetCode(), ERROR_INTERNET_CANNOT_CONNECT);
    std::string strLog = log.Text();
    std::string strHead = "GetHttpFileInfo(" + strUrl + ") error: [-4,12029]";
    size_t nPos = strLog.find(strHead);
    ASSERT_NE(nPos, std::string::npos) << strLog;
    // WinInet's own message follows, on the same line.
    size_t nEnd = strLog.find("\r\n", nPos);
    EXPECT_GT(nEnd, nPos + strHead.size()) << strLog;
    EXPECT_NE(strLog.find("HttpRangeRequest(" + strUrl + ", 0, 1) error: [-4,12029]"), std::string::npos);
}

TEST_F(HttpClassTest, HostileAddressesAndAnswersFailInsteadOfMisleading) {
    std::vector<uint8_t> content = MakeContent(100000, 8);
    std::string strUrl = PutServedFile("h.bin", content);
    const FILETIME ftDate = {0x0C358000, 0x01D6DFD1};  // 2021-01-01 00:00:00 UTC
    ASSERT_TRUE(SetServedFileTime("h.bin", ftDate));
    CHttpClass http;
    ByteVector body;
    // A control byte never reaches the wire: CR LF would have added a header of its own.
    for (const char* pszTail : {"?a=1\r\nX-Injected: yes", "?a=\x7F", "?a=\t"}) {
        EXPECT_EQ(http.SendHttpMsg((strUrl + pszTail).c_str(), body), -3);
        EXPECT_EQ(http.HttpRangeRequest((strUrl + pszTail).c_str(), 0, 9), -3);
    }
    EXPECT_TRUE(ServerRequests().empty());

    // A 206 for other bytes than asked is refused (a network error, worth another try).
    ASSERT_TRUE(SetServerRule("path=/h.bin&range_shift=16384&count=1"));
    EXPECT_EQ(http.HttpRangeRequest(strUrl.c_str(), 0, 16383), -4);
    EXPECT_EQ(http.GetCode(), ERROR_HTTP_INVALID_SERVER_RESPONSE);
    ASSERT_EQ(http.HttpRangeRequest(strUrl.c_str(), 0, 16383), 1);
    EXPECT_EQ(http.GetContentLength(), 16384);

    // If-Range: the same date keeps the range, another one gets the whole file with its date.
    ASSERT_EQ(http.HttpRangeRequest(strUrl.c_str(), 10, 19, &ftDate), 1);
    EXPECT_EQ(http.GetCode(), 206);
    const FILETIME ftOther = {ftDate.dwLowDateTime + 10000000u, ftDate.dwHighDateTime};
    ASSERT_EQ(http.HttpRangeRequest(strUrl.c_str(), 10, 19, &ftOther), 1);
    EXPECT_EQ(http.GetCode(), 200);
    FILETIME ftAnswer = {};
    ASSERT_TRUE(http.GetLastModified(ftAnswer));
    EXPECT_EQ(CompareFileTime(&ftAnswer, &ftDate), 0);
    EXPECT_EQ(http.GetContentLength(), 100000);

    // A server that falls silent mid-body fails the read after the receive time-out.
    ASSERT_TRUE(SetServerRule("path=/h.bin&stall_at=20000&stall=120000"));
    http.SetReceiveTimeout(1000);
    ASSERT_EQ(http.HttpRequest(strUrl.c_str()), 1);
    std::vector<uint8_t> buffer(content.size());
    DWORD dwStart = GetTickCount();
    EXPECT_EQ(http.ReceiveBytes(buffer.data(), static_cast<int>(buffer.size())), -1);
    EXPECT_EQ(http.GetResult(), -4);
    EXPECT_LT(GetTickCount() - dwStart, 15000u);
    http.CloseHttpRequest();
}
