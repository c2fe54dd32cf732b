// The handle owners: what counts as no handle, when a handle is closed, and that owning a
// failed call's result leaves its error to be read.
#include "Handles.h"

#include <gtest/gtest.h>

namespace {

// Closes like a kernel handle and then, as some closing functions do, sets an error of its own.
int g_nCloses = 0;
struct CountingTraits : NullMeansNone<HANDLE> {
    static void Close(HANDLE h) {
        ++g_nCloses;
        ::CloseHandle(h);
        ::SetLastError(ERROR_INVALID_HANDLE);
    }
};
using CCountingHandle = CScopedHandle<HANDLE, CountingTraits>;

}  // namespace

TEST(HandlesTest, KernelOwnerTakesBothFailuresAsNoneAndClosingKeepsTheCallersError) {
    // CreateFile fails with INVALID_HANDLE_VALUE, OpenEvent with null: neither is a handle, and
    // the owner's end leaves the failed call's error in place.
    {
        CHandle hFile(::CreateFileA("C:\\orvane-no-such-folder\\file", GENERIC_READ, 0, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
        EXPECT_FALSE(hFile);
        hFile.Reset();
        EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), ::GetLastError());
    }
    CHandle hNone(::OpenEventA(SYNCHRONIZE, FALSE, "OrvaneNoSuchEvent"));
    EXPECT_FALSE(hNone);

    // A real handle is closed once, on Reset; a moved one by its new owner; a detached one by
    // nobody. The caller's error survives a closing function that sets its own.
    HANDLE hRaw = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    CCountingHandle hEvent(hRaw);
    ASSERT_TRUE(hEvent);
    ::SetLastError(ERROR_ACCESS_DENIED);
    hEvent.Reset();
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), ::GetLastError());
    EXPECT_EQ(1, g_nCloses);
    DWORD dwFlags = 0;
    EXPECT_FALSE(::GetHandleInformation(hRaw, &dwFlags));
    hEvent.Reset();
    EXPECT_EQ(1, g_nCloses);

    {
        CCountingHandle hFirst(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
        CCountingHandle hSecond(std::move(hFirst));
        EXPECT_FALSE(hFirst);
        EXPECT_TRUE(hSecond);
    }
    EXPECT_EQ(2, g_nCloses);
    CCountingHandle hKept(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    CHandle hTaken(hKept.Detach());
    EXPECT_FALSE(hKept);
    EXPECT_TRUE(hTaken);
    EXPECT_EQ(2, g_nCloses);
}
