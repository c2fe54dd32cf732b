// A progress bar drawn from the image store: the track over the whole bar and the
// fill squeezed into the filled part. Range and position are the platform bar's own
// (PBM_SETRANGE32, PBM_SETPOS). User-interface thread only.
#pragma once

#include "SubclassedWindow.h"

class CColorProgressCtrl : public CSubclassedWindow {
public:
    void SetRange(int nLow, int nHigh);
    void SetPos(int nPos);
    // Width in pixels of the fill for the bar's current range, position and width.
    int FillWidth() const;

    void PaintTo(HDC hdc, int cx, int cy) override;

protected:
    void OnAttached() override;
    bool OnMessage(UINT nMsg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void Paint();
};
