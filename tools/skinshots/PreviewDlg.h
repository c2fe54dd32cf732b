// A dialog template shown as the program will show it: over its background pictures, every
// template control taken over by the skinned control of its kind, the control rectangles
// scaled from the template's size to the window's pixel size.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "DialogBase.h"
#include "SubclassedWindow.h"

class CPreviewDlg : public CDialogBase {
public:
    // A picture of the store drawn at (x, y, cx, cy); cx 0 stretches it over the client area.
    struct Picture {
        int nType;
        UINT nIndex;
        int x, y, cx, cy;
    };
    struct Setup {
        int cx = 600;
        int cy = 400;
        std::vector<Picture> pictures;
        std::map<int, int> buttonTypes;     // control id -> strip type
        std::map<int, std::wstring> texts;  // control id -> text to show
        std::vector<int> shown;             // hidden template controls to show
        int nFixedNormalId = 0;             // the button drawn in state 0 only
    };

    CPreviewDlg(UINT nTemplateId, Setup setup);

protected:
    BOOL OnInitDialog() override;
    bool OnMessage(UINT nMsg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void TakeOver(HWND hControl, int nId, double fx, double fy);
    CSubclassedWindow* MakeControl(HWND hControl, int nId);

    Setup m_setup;
    std::vector<std::unique_ptr<CSubclassedWindow>> m_controls;
};
