#include "DialogBase.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ControlTable.h"
#include "SkinTestSupport.h"
#include "SubclassedWindow.h"
#include "resource.h"

namespace {

// The templates, and whether each is a page (a child of the main window).
const struct {
    UINT nTemplate;
    bool bChild;
} kTemplates[] = {{IDD_ORVANE_DIALOG, false}, {IDD_START, false},   {IDD_ORVANE_START, true},
                  {IDD_INSTALLPATH, true},    {IDD_PROGRESS, true}, {IDD_CONFIG, true},
                  {IDD_MSGBOX, false}};

// Takes over one control that exists and one that does not, as a dialog whose table names a
// control its template lacks.
class CMissingControlDlg : public CDialogBase {
public:
    CMissingControlDlg() : CDialogBase(IDD_MSGBOX) {}

protected:
    BOOL OnInitDialog() override {
        ApplyControlTable(*this, {{IDC_MSGBOX_TITLE, &m_title, {}, 0, nullptr, kNoFont, kNoColor},
                                  {4242, &m_other, {}, 0, nullptr, kNoFont, kNoColor}});
        return TRUE;
    }

private:
    CSubclassedWindow m_title, m_other;
};

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

TEST(DialogBaseTest, EveryTemplateOpensAndAMissingControlFailsTheDialog) {
    CDialogBase host(IDD_ORVANE_DIALOG);
    ASSERT_TRUE(host.Create(nullptr));
    for (const auto& expected : kTemplates) {
        SCOPED_TRACE(expected.nTemplate);
        CDialogBase dialog(expected.nTemplate);
        ASSERT_TRUE(dialog.Create(expected.bChild ? host.GetHwnd() : nullptr));
        EXPECT_EQ(expected.bChild, (GetWindowLongPtrW(dialog.GetHwnd(), GWL_STYLE) & WS_CHILD) != 0);
        EXPECT_EQ(&dialog, CDialogBase::FromHandle(dialog.GetHwnd()));
    }
    // The finish page's choice slots start hidden.
    CDialogBase finish(IDD_CONFIG);
    ASSERT_TRUE(finish.Create(host.GetHwnd()));
    EXPECT_FALSE(GetWindowLongPtrW(finish.GetItem(IDC_CONFIG_SLOT0), GWL_STYLE) & WS_VISIBLE);
    EXPECT_TRUE(GetWindowLongPtrW(finish.GetItem(IDC_CONFIG_RUN), GWL_STYLE) & WS_VISIBLE);

    // A control the template lacks: no window, modeless or modal, and the id is named.
    CMissingControlDlg modeless;
    EXPECT_FALSE(modeless.Create(nullptr));
    EXPECT_EQ(nullptr, modeless.GetHwnd());
    EXPECT_EQ(std::vector<int>{4242}, modeless.GetMissingControls());
    CMissingControlDlg modal;
    EXPECT_EQ(-1, modal.DoModal(nullptr));
    EXPECT_EQ(std::vector<int>{4242}, modal.GetMissingControls());
}

TEST(DialogBaseTest, ClicksAndAcceleratorsAreCommandsButADoubleClickNotificationIsNot) {
    CDialogBase dialog(IDD_MSGBOX);
    ASSERT_TRUE(dialog.Create(nullptr));
    HWND hTitle = dialog.GetItem(IDC_MSGBOX_TITLE);
    int nRuns = 0;
    dialog.OnCommandId(IDC_MSGBOX_TITLE, [&nRuns] { ++nRuns; });
    auto send = [&](WORD nCode, HWND hFrom) {
        SendMessageW(dialog.GetHwnd(), WM_COMMAND, MAKEWPARAM(IDC_MSGBOX_TITLE, nCode),
                     reinterpret_cast<LPARAM>(hFrom));
    };
    send(STN_CLICKED, hTitle);
    EXPECT_EQ(1, nRuns);
    send(STN_DBLCLK, hTitle);  // the second click of a double click on a notify static
    EXPECT_EQ(1, nRuns);
    send(1, nullptr);  // an accelerator
    EXPECT_EQ(2, nRuns);
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
    EXPECT_TRUE(page.Attach(IDC_MSGBOX_TITLE, title));
    EXPECT_TRUE(page.Attach(IDC_MSGBOX_LINE1, line));
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
