#include "RecommendInstaller.h"

#include "DownloadManager.h"
#include "Handles.h"
#include "HeldInstaller.h"
#include "InstallerPaths.h"
#include "Log.h"
#include "Path.h"
#include "StringUtil.h"

CRecommendInstaller::CRecommendInstaller(const std::string& strInstallDir,
                                         const std::vector<std::string>& urls, const int bChosen[kMaxChoices])
    : m_strInstallDir(strInstallDir), m_urls(urls) {
    for (int i = 0; i < kMaxChoices; ++i) m_bChosen[i] = bChosen[i];
}

void CRecommendInstaller::OnExecute() {
    for (int i = 0; i < kMaxChoices && !IsStopped(); ++i)
        if (m_bChosen[i])
            InstallRecommended(static_cast<size_t>(i));
}

std::string CRecommendInstaller::TargetFor(size_t i) const {
    std::string strUrl = i < m_urls.size() ? m_urls[i] : std::string();
    // A fallback per product, so two unnamed products never share one file.
    return InstallerPathFor(m_strInstallDir, strUrl, StrFormat("recommend%u.exe", static_cast<unsigned>(i)));
}

void CRecommendInstaller::InstallRecommended(size_t i) {
    if (i >= m_urls.size() || m_urls[i].empty())
        return;
    const std::string& strUrl = m_urls[i];
    std::string strTarget = TargetFor(i);
    CreateDirectoryChain(InstallerFolderFor(m_strInstallDir));
    CDownloadManager manager;
    manager.SetSynchronous(true);
    DownloadStatus nStatus = manager.DownloadFile(strUrl.c_str(), strTarget.c_str());
    if (nStatus != kDownloadFinished) {
        LOGF(0, "下载 %s 失败[%d]\n", strUrl.c_str(), static_cast<int>(nStatus));
        return;
    }
    CHeldInstaller installer(strTarget);
    if (installer.HoldTrusted())
        CHandle hProcess(installer.Start(""));
    else
        LOGF(0, "CRecommendInstaller 跳过不可信的安装程序 %s\n", strUrl.c_str());
}
