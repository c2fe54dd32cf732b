#include "ReportRequest.h"

#include <process.h>

#include <algorithm>
#include <atomic>
#include <memory>

#include "Handles.h"
#include "HttpClass.h"

namespace {

constexpr DWORD kWaitSliceMs = 20;

std::atomic<int> g_nRunning{0};

// Shared by the waiter and the request's thread; whichever ends last frees it.
struct RequestState {
    std::string strUrl;
    ReportAnswer answer;
    CHandle hDone;
};

unsigned __stdcall RequestThread(void* pParam) {
    std::unique_ptr<std::shared_ptr<RequestState>> pHold(static_cast<std::shared_ptr<RequestState>*>(pParam));
    RequestState& state = **pHold;
    {
        CHttpClass http;
        ByteVector body;
        state.answer.nResult = http.SendHttpMsg(state.strUrl.c_str(), body);
        state.answer.nCode = http.GetCode();
        state.answer.strRetryAfter = http.GetRetryAfter();
    }
    // The answer is complete before the event lets the waiter read it.
    ::SetEvent(state.hDone.Get());
    g_nRunning.fetch_sub(1);
    return 0;
}

}  // namespace

int CReportRequest::Running() {
    return g_nRunning.load();
}

bool CReportRequest::Send(const std::string& strUrl, const std::function<DWORD()>& fnMsLeft,
                          ReportAnswer& answer) {
    if (g_nRunning.load() >= kMaxHanging || fnMsLeft() == 0)
        return false;
    auto pState = std::make_shared<RequestState>();
    pState->strUrl = strUrl;
    pState->hDone.Reset(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!pState->hDone)
        return false;
    auto* pHold = new std::shared_ptr<RequestState>(pState);
    g_nRunning.fetch_add(1);
    CHandle hThread(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &RequestThread, pHold, 0, nullptr)));
    if (!hThread) {
        g_nRunning.fetch_sub(1);
        delete pHold;
        return false;
    }
    DWORD dwLeft = fnMsLeft();
    while (dwLeft > 0 &&
           ::WaitForSingleObject(pState->hDone.Get(), std::min(dwLeft, kWaitSliceMs)) != WAIT_OBJECT_0)
        dwLeft = fnMsLeft();
    if (dwLeft == 0)
        return false;
    answer = pState->answer;
    return true;
}
