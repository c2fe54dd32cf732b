#include "DialogBase.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SkinTestSupport.h"
#include "SubclassedWindow.h"
#include "resource.h"

namespace {

struct ExpectedControl {
    int nId;
    const char* pszClass;
    const wchar_t* pszText;  // null: any text
};

struct ExpectedTemplate {
    UINT nTemplate;
    bool bChild;
    std::vector<ExpectedControl> controls;
};

// The controls each template must carry, by id, class and (where the dialogs rely on it)
// template text.
const std::vector<ExpectedTemplate>& Templates() {
    static const std::vector<ExpectedTemplate> templates = {
        {IDD_ORVANE_DIALOG, false, {}},
        {IDD_START, false, {{1042, "Static", nullptr}}},
        {IDD_ORVANE_START,
         true,
         {{1027, "Static", nullptr},
          {1015, "Button", L""},
          {1016, "Button", L""},
          {1046, "Button", L""},
          {1053, "Button", L""},
          {1006, "Button", nullptr},
          {1064, "Static", L"查看\""},
          {1043, "Static", nullptr},
          {1040, "Static", L"\"并进行安装"}}},
        {IDD_INSTALLPATH,
         true,
         {{1, "Button", L""},
          {1001, "Edit", nullptr},
          {1007, "Button", L"浏览"},
          {1014, "Button", nullptr},
          {1015, "Static", L"开机启动"},
          {1020, "Button", nullptr},
          {1021, "Static", L"锁定到任务栏"},
          {1018, "Button", nullptr},
          {1019, "Static", L"加载完成后启动"},
          {1005, "Button", nullptr},
          {1063, "Static", L"主播上线提醒"},
          {1016, "Button", L""},
          {1054, "Button", L""},
          {1027, "Static", nullptr},
          {1062, "Button", L""}}},
        {IDD_PROGRESS,
         true,
         {{1000, "msctls_progress32", nullptr},
          {1028, "Static", L"正在安装视频资源"},
          {1060, "Static", L"......"},
          {1015, "Button", L""},
          {1016, "Button", L""},
          {1027, "Static", nullptr}}},
        {IDD_CONFIG,
         true,
         {{1059, "Static", nullptr},
          {1015, "Button", L""},
          {1058, "Button", L""},
          {1016, "Button", L""},
          {1022, "Button", nullptr},
          {1026, "Button", nullptr},
          {1027, "Button", nullptr},
          {1005, "Button", nullptr},
          {1006, "Button", nullptr},
          {1023, "Static", nullptr},
          {1024, "Static", nullptr},
          {1025, "Static", nullptr},
          {1061, "Static", nullptr},
          {1043, "Static", nullptr},
          {1028, "Button", nullptr},
          {1030, "Static", L"安装完成后自动启动"},
          {1029, "Button", nullptr},
          {1031, "Static", L"主播上线提醒"}}},
        {IDD_MSGBOX,
         false,
         {{1, "Button", L"确 定"},
          {2, "Button", L"取 消"},
          {1014, "Button", L""},
          {1029, "Static", L"提示"},
          {1008, "Static", L""},
          {1009, "Static", L""}}},
    };
    return templates;
}

std::wstring TextOf(HWND hWnd) {
    wchar_t sz[256] = {};
    GetWindowTextW(hWnd, sz, 256);
    return sz;
}

// Posts itself a window command at initialisation and ends with what the handler saw.
class CSelfCommandDlg : public CDialogBase {
public:
    CSelfCommandDlg() : CDialogBase(IDD_MSGBOX) {}
    std::vector<int> seen;

protected:
    BOOL OnInitDialog() override {
        OnCommandId(ID_CMD_FINISH_START, [this] {
            seen.push_back(ID_CMD_FINISH_START);
            PostMessageW(GetHwnd(), WM_COMMAND, IDOK, 0);
        });
        PostMessageW(GetHwnd(), WM_COMMAND, ID_CMD_FINISH_START, 0);
        return TRUE;
    }
    bool OnCommand(int nId, int nCode, HWND hControl) override {
        seen.push_back(nId);
        return CDialogBase::OnCommand(nId, nCode, hControl);
    }
};

}  // namespace

TEST(DialogBaseTest, EveryTemplateOpensWithItsControls) {
    CDialogBase host(IDD_ORVANE_DIALOG);
    ASSERT_TRUE(host.Create(nullptr));
    for (const ExpectedTemplate& expected : Templates()) {
        SCOPED_TRACE(expected.nTemplate);
        CDialogBase dialog(expected.nTemplate);
        ASSERT_TRUE(dialog.Create(expected.bChild ? host.GetHwnd() : nullptr));
        HWND hDlg = dialog.GetHwnd();
        EXPECT_EQ(expected.bChild, (GetWindowLongPtrW(hDlg, GWL_STYLE) & WS_CHILD) != 0);
        EXPECT_EQ(&dialog, CDialogBase::FromHandle(hDlg));
        for (const ExpectedControl& control : expected.controls) {
            SCOPED_TRACE(control.nId);
            HWND hControl = dialog.GetItem(control.nId);
            ASSERT_NE(nullptr, hControl);
            char szClass[64] = {};
            GetClassNameA(hControl, szClass, sizeof(szClass));
            EXPECT_STREQ(control.pszClass, szClass);
            if (control.pszText) {
                EXPECT_EQ(std::wstring(control.pszText), TextOf(hControl));
            }
        }
    }
    // The finish page's choice slots start hidden.
    CDialogBase finish(IDD_CONFIG);
    ASSERT_TRUE(finish.Create(host.GetHwnd()));
    EXPECT_FALSE(GetWindowLongPtrW(finish.GetItem(IDC_CONFIG_SLOT0), GWL_STYLE) & WS_VISIBLE);
    EXPECT_TRUE(GetWindowLongPtrW(finish.GetItem(IDC_CONFIG_RUN), GWL_STYLE) & WS_VISIBLE);
}

TEST(DialogBaseTest, ModalRunRoutesCommandsAndEndsWithTheResult) {
    CSelfCommandDlg dialog;
    EXPECT_EQ(IDOK, dialog.DoModal(nullptr));
    // The registered command reached its handler, IDOK the default handling.
    EXPECT_EQ((std::vector<int>{ID_CMD_FINISH_START, IDOK}), dialog.seen);
    EXPECT_EQ(nullptr, dialog.GetHwnd());
    CDialogBase missing(4242);
    EXPECT_EQ(-1, missing.DoModal(nullptr));
}

TEST(DialogBaseTest, AttachedControlsAreFoundAndLetGoWithTheirWindow) {
    CDialogBase page(IDD_MSGBOX);
    ASSERT_TRUE(page.Create(nullptr));
    CSubclassedWindow title, line;
    EXPECT_TRUE(page.AttachAll({{IDC_MSGBOX_TITLE, &title}, {IDC_MSGBOX_LINE1, &line}}));
    EXPECT_EQ(&title, CSubclassedWindow::FromHandle(page.GetItem(IDC_MSGBOX_TITLE)));
    CSubclassedWindow other;
    EXPECT_FALSE(page.Attach(IDC_MSGBOX_TITLE, other));  // one object per window
    EXPECT_FALSE(page.Attach(4242, other));              // no such control
    // The control keeps working through the object.
    SetWindowTextW(title.GetHwnd(), L"abc");
    EXPECT_EQ(L"abc", TextOf(title.GetHwnd()));
    page.EndDialog(0);
    EXPECT_EQ(nullptr, title.GetHwnd());
    EXPECT_EQ(nullptr, page.GetHwnd());
}
