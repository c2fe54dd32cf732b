// The recommended-install worker: downloads each product the user ticked on the finish page
// into the Install folder, one after the other, and starts its installer hidden. The
// application waits for this thread after the main dialog has closed.
#pragma once

#include <string>
#include <vector>

#include "WorkerThread.h"

class CRecommendInstaller : public CWorkerThread {
public:
    static constexpr int kMaxChoices = 3;

    // Everything is copied now; the thread reads nothing that others change. urls are the
    // recommended products' addresses in offer order, bChosen the user's ticks.
    CRecommendInstaller(const std::string& strInstallDir, const std::vector<std::string>& urls,
                        const int bChosen[kMaxChoices]);

    // Downloads product i synchronously (blocks for the whole download) and starts its
    // installer without waiting for it. Logs a failed download; reports nothing.
    void InstallRecommended(size_t i);
    // Where product i is put: the Install folder and a safe name, "recommend<i>.exe" when the
    // address names none.
    std::string TargetFor(size_t i) const;

protected:
    void OnExecute() override;

private:
    std::string m_strInstallDir;
    std::vector<std::string> m_urls;
    int m_bChosen[kMaxChoices];
};
