// A skinned check box on a real page: its frames, its state and its log lines.
#include "ColorCheckButton.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "Log.h"
#include "SkinPage.h"
#include "TestSupport.h"
#include "resource.h"

namespace {
using ColorCheckButtonTest = SkinPageTest;
}  // namespace

TEST_F(ColorCheckButtonTest, CheckBoxTogglesOnItsClickAndLogsEachDrawing) {
    CTempDir temp;
    SetLogFile(temp.File("check.log").c_str());
    SetLogLevel(6);
    SetLogFlags(LOG_FILE);
    CColorCheckButton box;
    Place(IDC_PATH_BOOT, box, 100, 150, 16, 16);
    int nClicks = 0;
    m_page.OnCommandId(IDC_PATH_BOOT, [&nClicks] { ++nClicks; });
    HWND hBox = box.GetHwnd();

    EXPECT_EQ(kUnchecked[0], CSnapshot(hBox).Pixel(8, 8));
    SendMessageW(hBox, BM_CLICK, 0, 0);
    EXPECT_EQ(1, box.GetCheck());
    EXPECT_EQ(1, nClicks);  // the dialog still receives the click
    EXPECT_EQ(kChecked[0], CSnapshot(hBox).Pixel(8, 8));
    SendMessageW(hBox, WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
    EXPECT_EQ(kChecked[1], CSnapshot(hBox).Pixel(8, 8));
    SendMessageW(hBox, WM_MOUSELEAVE, 0, 0);

    // A stored state is answered back and drawn at the next paint; a click from 2 gives 1.
    EXPECT_EQ(0, SendMessageW(hBox, BM_SETCHECK, 2, 0));
    EXPECT_EQ(2, SendMessageW(hBox, BM_GETCHECK, 0, 0));
    SendMessageW(hBox, BM_CLICK, 0, 0);
    EXPECT_EQ(1, box.GetCheck());
    EnableWindow(hBox, FALSE);
    EXPECT_EQ(kChecked[3], CSnapshot(hBox).Pixel(8, 8));

    SetLogFile("");
    std::string strLog = ReadFileText(temp.File("check.log"));
    EXPECT_NE(std::string::npos, strLog.find("Checked 0\r\n"));
    EXPECT_NE(std::string::npos, strLog.find("Checked 1\r\n"));
}
