// The one configuration manager: everything the server and the promotion say about this
// installation, loaded once on a thread of its own, then read by the dialogs.
//
// Threads: StartLoading, the read access and the reports are for the user-interface thread
// (reports may come from any thread). The loading thread writes every field before it posts
// the completion command; readers wait for that command, which is the only synchronisation.
// What the loading thread touches lives in a part shared with that thread, so the manager can
// be destroyed (the program can end) while a slow server still holds the loading.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ProductInfo.h"
#include "Promotion.h"
#include "ReportAddress.h"
#include "ReptThread.h"
#include "ServerAddresses.h"
#include "ServerDocuments.h"
#include "WorkerThread.h"

// Window commands posted to the notify window when the loading ends (wParam = id, lParam 0).
constexpr WORD kCmdConfigLoaded = 32779;
constexpr WORD kCmdConfigFailed = 32780;
constexpr WORD kCmdNothingToInstall = 32781;

class CProductInfoMgr {
public:
    enum LoadingState { kNotStarted = 0, kLoading = 1, kLoaded = 2, kNothingToOffer = 3, kFailed = 4 };

    // The process-wide instance, created on first use (user-interface thread).
    static CProductInfoMgr& Instance();

    // Starts the report thread. The program uses Instance(); tests build their own objects
    // for a fresh state. The addresses are read from the build and ORVANE_SERVER_BASE now.
    CProductInfoMgr();
    // Shuts the report thread down. A loading thread still running is not waited for: it
    // keeps the shared part alive until it ends and posts no command any more.
    ~CProductInfoMgr();
    CProductInfoMgr(const CProductInfoMgr&) = delete;
    CProductInfoMgr& operator=(const CProductInfoMgr&) = delete;

    // Stores the window and starts the loading thread (cookies, server documents, built-in
    // fallback, completion, "start" report); returns at once. Once per object.
    void StartLoading(HWND hNotify);
    // Stops the report thread and waits for its last attempts, a few seconds at most (what
    // they cannot send is logged and dropped).
    void Shutdown();
    int GetLoadingState() const { return m_p->m_nState.load(); }
    // Test seams. LoadAll is the loading on the caller's thread, without a window to notify:
    // it blocks, the thread must have initialised COM, and it returns 1 or 0. WaitForLoading
    // is true when the loading thread has ended within nMs.
    int LoadAll() { return m_p->LoadAll(); }
    bool WaitForLoading(int nMs) { return m_p->m_loader.WaitFor(nMs); }
    std::string GetPromotionSummary() const;

    // Event reports: the address is built now and queued; they never block.
    void ReportStart() { m_p->ReportStart(); }
    void ReportStartDown();
    void ReportDownloadComplete(int nDlTime);
    void ReportDownloadFailed(int nErr);
    void ReportInstallComplete(int nDlTime, int nInstTime, int nHomePage, int nRecInst, bool bSuccess);
    void ReportClientStart(bool bSuccess);

    // Read access for the dialogs; each returns a copy.
    std::string GetProductName() const { return m_p->m_product.productName; }
    std::string GetCompanyName() const { return m_p->m_product.companyName; }
    std::string GetProductFullName() const { return m_p->m_product.productFullName; }
    std::string GetDisplayName() const { return m_p->m_product.displayName; }
    std::string GetInstallUrl() const { return m_p->m_product.installUrl; }
    std::string GetInstallUrl2() const { return m_p->m_product.installUrl2; }
    std::string GetExecute() const { return m_p->m_product.execute; }
    std::string GetLicenseUrl() const { return m_p->m_product.licenseUrl; }
    std::string GetHomePageDisplayName() const { return m_p->m_product.homePageDisplayName; }
    uint32_t GetHomePageStatus() const { return m_p->m_product.homePageStatus; }
    std::string GetClientFolderName() const { return m_p->m_strClientFolderName; }
    std::string GetUninstallKeyName() const {
        return m_p->m_product.productFullName + "-" + m_p->m_product.version;
    }
    size_t GetImageCount() const { return m_p->m_images.size(); }
    std::string GetImageUrl(size_t nIndex) const {
        return nIndex < m_p->m_images.size() ? m_p->m_images[nIndex] : std::string();
    }
    std::string GetFirstImageUrl() const { return m_p->m_strFirstImage; }
    std::string GetLastImageUrl() const { return m_p->m_strLastImage; }
    size_t GetRecommendCount() const { return m_p->m_recommends.size(); }
    std::string GetRecommendName(size_t nIndex) const;
    std::string GetRecommendUrl(size_t nIndex) const;
    uint32_t GetRecommendStatus(size_t nIndex) const;
    uint32_t GetOemId() const { return m_p->m_nOemId; }

    // Whole records, for diagnostic front ends and tests.
    const ProductInfo& GetProduct() const { return m_p->m_product; }
    const ReptInfo& GetReptInfo() const { return m_p->m_rept; }
    const PromotionInfo& GetPromotion() const { return m_p->m_promotion; }
    const std::vector<ProductInfo>& GetCatalogue() const { return m_p->m_catalogue; }
    const std::vector<std::string>& GetProcessNames() const { return m_p->m_processNames; }

    // Product processes and the home-page offer.
    bool IsProductRunning() const;
    void KillProductProcesses() const;
    void SetHomePage() const;

private:
    class CState;

    // Runs the loading on a state it keeps alive until the loading ends.
    class CLoadingThread : public CWorkerThread {
    public:
        explicit CLoadingThread(CState& state) : m_state(state) {}
        // Owner's thread, before Start: the reference the thread will hold.
        void Hold(const std::shared_ptr<CState>& state) { m_hold = state; }
        void Release() { m_hold.reset(); }

    protected:
        void OnExecute() override;

    private:
        CState& m_state;
        std::shared_ptr<CState> m_hold;
    };

    // Everything the loading thread touches.
    class CState {
    public:
        CState() = default;
        CState(const CState&) = delete;
        CState& operator=(const CState&) = delete;

        int LoadAll();
        void PostCompletion(int nCode);
        // False when the report thread has not ended and still uses this state.
        bool Shutdown();
        bool GetAllProductInfo();
        std::string GetInstalledProductIds() const;
        int GetProductInfo(const std::string& strIds);
        int LoadConfig();
        void LoadCookie();
        int UseBuiltInProduct();
        void UpdateConfig();
        void ReportStart() { QueueReport("start", std::string()); }
        void StoreSetup(const SetupDocument& setup, int nResult);
        ReportFields MakeReportFields() const;
        void QueueReport(const char* pszEvent, const std::string& strTail);

        ServerAddresses m_addresses;
        ProductInfo m_product;
        ReptInfo m_rept;
        std::string m_strFirstImage;
        std::string m_strLastImage;
        std::vector<std::string> m_images;
        std::vector<RecommendSetup> m_recommends;
        PromotionInfo m_promotion;
        uint32_t m_nOemId = 0;
        std::string m_strClientFolderName;
        std::vector<std::string> m_processNames;
        std::atomic<int> m_nState{kNotStarted};
        std::vector<ProductInfo> m_catalogue;
        HWND m_hNotify = nullptr;
        // Set when the owner is gone: no command is posted any more.
        std::atomic<bool> m_bOrphaned{false};
        CLoadingThread m_loader{*this};
        CReptThread m_reptThread;
        bool m_bShutDown = false;
    };

    std::shared_ptr<CState> m_p;
};
