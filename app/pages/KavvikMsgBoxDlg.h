// The program's own message box: the skinned 296 x 173 picture with the title "提示", up to
// two lines of text, OK and cancel buttons with captions of the caller's choice and a close
// button. User-interface thread only.
#pragma once

#include <windows.h>

#include <string>

#include "ColorButton.h"
#include "ColorStatic.h"
#include "DialogBase.h"

class CKavvikMsgBoxDlg : public CDialogBase {
public:
    // Answers: the OK button (also Enter), the cancel button (also Escape), the close button.
    static constexpr int kResultOk = 1;
    static constexpr int kResultCancel = 2;
    static constexpr int kResultClose = 8;

    CKavvikMsgBoxDlg(const std::string& strText, const std::string& strOkCaption,
                     const std::string& strCancelCaption);

    // Which button ended the box; kResultClose until one has.
    int GetResult() const { return m_nResult; }

protected:
    BOOL OnInitDialog() override;
    bool OnMessage(UINT nMsg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void Finish(int nResult, INT_PTR nEnd);

    std::string m_strText;
    std::string m_strOkCaption;
    std::string m_strCancelCaption;
    int m_nResult = kResultClose;
    CColorButton m_btnOk;
    CColorButton m_btnCancel;
    CColorButton m_btnClose;
    CColorStatic m_title;
    CColorStatic m_line1;
    CColorStatic m_line2;
};

// The text's two lines: before the first line feed, and everything after it (a second line
// feed stays in line two).
void SplitMessageLines(const std::string& strText, std::string& strLine1, std::string& strLine2);

// Shows the box modally over hOwner (or none) and answers 1, 2 or 8. Null captions give
// "确 定" and "取 消". A box that cannot be created answers 8, as if closed, so that no caller
// asks again for ever.
int ShowMsgBox(HWND hOwner, const char* pszText, const char* pszOkCaption = nullptr,
               const char* pszCancelCaption = nullptr);
