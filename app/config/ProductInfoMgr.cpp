#include "ProductInfoMgr.h"

#include "Log.h"
#include "Path.h"
#include "Process.h"
#include "Registry.h"
#include "ServerField.h"
#include "ServerDocuments.h"
#include "StringUtil.h"

namespace {

bool IsProductInstalled(const std::string& strFullName) {
    std::string strFolder;
    return FindInstalledProduct(strFullName, strFolder) && !strFolder.empty();
}

}  // namespace

CProductInfoMgr& CProductInfoMgr::Instance() {
    static CProductInfoMgr instance;
    return instance;
}

CProductInfoMgr::CProductInfoMgr() : m_p(std::make_shared<CState>()) {
    m_p->m_addresses = GetServerAddresses();
    m_p->m_reptThread.Start();
}

CProductInfoMgr::~CProductInfoMgr() {
    // A configuration server may hold the loading for minutes; the program's exit must not
    // wait for it. The loading thread holds the state until it ends.
    m_p->m_bOrphaned.store(true);
    Shutdown();
}

void CProductInfoMgr::Shutdown() {
    // A report thread that would not end still uses the state; the process is about to end
    // with it, so the state is kept until then.
    if (!m_p->Shutdown())
        new std::shared_ptr<CState>(m_p);
}

void CProductInfoMgr::CLoadingThread::OnExecute() {
    // Declared first, released last: the state (this object with it) may end here.
    std::shared_ptr<CState> hold = std::move(m_hold);
    // The XML parser is a COM object.
    CComInit com;
    m_state.LoadAll();
}

void CProductInfoMgr::StartLoading(HWND hNotify) {
    m_p->m_hNotify = hNotify;
    m_p->m_loader.Hold(m_p);
    if (!m_p->m_loader.Start())
        m_p->m_loader.Release();
}

int CProductInfoMgr::CState::LoadAll() {
    m_nState = kLoading;
    LoadCookie();
    int nResult = LoadConfig();
    if (nResult == -1)
        nResult = UseBuiltInProduct();
    if (nResult == 1)
        UpdateConfig();
    PostCompletion(nResult == -1 ? kFailed : (nResult == 0 ? kNothingToOffer : kLoaded));
    ReportStart();
    return nResult;
}

void CProductInfoMgr::CState::PostCompletion(int nCode) {
    m_nState = nCode;
    WORD nCommand = 0;
    if (nCode == kLoaded)
        nCommand = kCmdConfigLoaded;
    if (nCode == kNothingToOffer)
        nCommand = kCmdNothingToInstall;
    if (nCode == kFailed)
        nCommand = kCmdConfigFailed;
    if (nCommand != 0 && m_hNotify && !m_bOrphaned.load())
        ::PostMessageA(m_hNotify, WM_COMMAND, MAKEWPARAM(nCommand, 0), 0);
}

bool CProductInfoMgr::CState::Shutdown() {
    if (m_bShutDown)
        return true;
    m_bShutDown = true;
    if (!m_reptThread.Finish())
        return false;
    m_reptThread.CloseThreadHandle();
    return true;
}

bool CProductInfoMgr::CState::GetAllProductInfo() {
    m_catalogue.clear();
    LOGF(0, "GetAllProductInfo %d\n", 49);
    ByteVector answer;
    LOGF(0, "GetAllProductInfo %d\n", 52);
    if (!FetchDocument(m_addresses.configBase + kCataloguePath, answer))
        return false;
    LOGF(0, "GetAllProductInfo %d\n", 65);
    SaveAnswer(answer, kCatalogueCopy);
    bool bParsed = false;
    try {
        bParsed = ParseCatalogue(answer, m_catalogue);
    } catch (...) {
        // Running out of memory over an absurd document ends the call like a parse error.
        m_catalogue.clear();
    }
    if (!bParsed)
        return false;
    LOGF(0, "GetAllProductInfo %d\n", 102);
    return true;
}

std::string CProductInfoMgr::CState::GetInstalledProductIds() const {
    return JoinInstalledIds(
        m_catalogue, [](const ProductInfo& entry) { return IsProductInstalled(entry.productFullName); });
}

int CProductInfoMgr::CState::GetProductInfo(const std::string& strIds) {
    std::string strUrl =
        BuildSetupRequestUrl(m_addresses.configBase + kSetupPath, strIds, m_nOemId, m_promotion.recId);
    ByteVector answer;
    if (!FetchDocument(strUrl, answer))
        return -1;
    SaveAnswer(answer, kSetupCopy);
    SetupDocument setup;
    int nResult = -1;
    try {
        nResult = ParseSetupDocument(answer, setup);
    } catch (...) {
        // Running out of memory over an absurd document ends the call like a parse error.
        return -1;
    }
    // A document that names an unsafe folder, program or address is not used at all: the
    // built-in products take its place, as for any unusable answer.
    if (setup.bProductRead && !CheckSetupFields(setup))
        return -1;
    StoreSetup(setup, nResult);
    return nResult;
}

void CProductInfoMgr::CState::StoreSetup(const SetupDocument& setup, int nResult) {
    // The product is kept even when the document fails after it (no rept).
    if (setup.bProductRead) {
        m_product = setup.product;
        m_nOemId = setup.product.oemId;
    }
    if (nResult != 1)
        return;
    m_rept = setup.rept;
    m_strFirstImage = setup.strFirstImage;
    m_strLastImage = setup.strLastImage;
    m_images = setup.images;
    m_recommends = setup.recommends;
}

int CProductInfoMgr::CState::LoadConfig() {
    m_nState = kLoading;
    LOGF(0, "LoadConfig %d\n", 384);
    if (!GetAllProductInfo()) {
        LOGF(0, "App LoadProductInfo Error\n");
        return -1;
    }
    LOGF(0, "LoadConfig %d\n", 394);
    std::string strIds = GetInstalledProductIds();
    LOGF(0, "LoadConfig %d\n", 411);
    int nResult = GetProductInfo(strIds);
    if (nResult == 1) {
        LOGF(0, "LoadConfig %d\n", 420);
        return 1;
    }
    LOGF(0, "App GetProductInfo(%s) Error %d\n", strIds.c_str(), nResult);
    return nResult;
}

void CProductInfoMgr::CState::LoadCookie() {
    m_promotion.cookieSite = m_addresses.cookieSite;
    LOGF(0, "LoadCookie %d\n", 632);
    std::string strRecommend = GetCookie(m_promotion.cookieSite, "rec_id");
    LOGF(0, "LoadCookie: RecommendStr=%s\n", strRecommend.c_str());
    ParseRecIdCookie(strRecommend, m_promotion);
    LOGF(0, "UpdateConfig RecType:%d, RecId:%I64d, Ad:%d\n", static_cast<int>(m_promotion.recType),
         m_promotion.recId, m_promotion.recAd);
    m_promotion.fromUrl = GetCookie(m_promotion.cookieSite, "ZERORUZEZA");
    LOGF(0, "UpdateConfig: SourceUrl=%s\n", m_promotion.fromUrl.c_str());
    m_promotion.webId = GetCookie(m_promotion.cookieSite, "ZIDARIRORORAZU");
    LOGF(0, "UpdateConfig: WebID=%s\n", m_promotion.webId.c_str());
    if (m_promotion.recId == 0) {
        m_promotion.recId = GetRecIdFromFileName();
        LOGF(0, "LoadCookie: MainRecId = 0, SecondRecId = %I64d\n", m_promotion.recId);
    }
}

int CProductInfoMgr::CState::UseBuiltInProduct() {
    for (size_t nRow = 0; nRow < kBuiltInProductCount; ++nRow) {
        const BuiltInProduct& row = GetBuiltInProduct(nRow);
        if (IsProductInstalled(GetBuiltInFullName(row)))
            continue;
        ApplyBuiltInProduct(row, m_addresses, m_product, m_rept);
        return 1;
    }
    return 0;
}

void CProductInfoMgr::CState::UpdateConfig() {
    if (m_rept.url.empty() || m_rept.url.back() != '/')
        m_rept.url += "/";
    if (EqualsNoCase(m_product.productName, "kavvik")) {
        m_strClientFolderName = "Kavvik";
        m_processNames.push_back("Pavilux.exe");
    } else {
        m_strClientFolderName.clear();
        m_processNames.push_back(m_product.productName + ".exe");
    }
    LOGF(0, "UpdateConfig Success%d\n", 622);
}

std::string CProductInfoMgr::GetPromotionSummary() const {
    return BuildPromotionSummary(m_p->m_promotion);
}

ReportFields CProductInfoMgr::CState::MakeReportFields() const {
    ReportFields fields;
    fields.url = m_rept.url;
    fields.productName = m_rept.productName;
    fields.version = m_rept.version;
    fields.recType = m_promotion.recType;
    fields.recId = m_promotion.recId;
    fields.recAd = m_promotion.recAd;
    fields.fromUrl = m_promotion.fromUrl;
    fields.webId = m_promotion.webId;
    fields.oemId = m_nOemId;
    return fields;
}

void CProductInfoMgr::CState::QueueReport(const char* pszEvent, const std::string& strTail) {
    m_reptThread.AddRept(BuildReportAddress(MakeReportFields(), pszEvent, strTail));
}

void CProductInfoMgr::ReportStartDown() {
    m_p->QueueReport("startdown", std::string());
}

void CProductInfoMgr::ReportDownloadComplete(int nDlTime) {
    m_p->QueueReport("downloadcomplete", StrFormat("&dltime=%d", nDlTime));
}

void CProductInfoMgr::ReportDownloadFailed(int nErr) {
    m_p->QueueReport("downloadfailed", StrFormat("&err=%d", nErr));
}

void CProductInfoMgr::ReportInstallComplete(int nDlTime, int nInstTime, int nHomePage, int nRecInst,
                                            bool bSuccess) {
    m_p->QueueReport(
        bSuccess ? "installcomplete" : "installcompletefail",
        StrFormat("&dltime=%d&insttime=%d&homepage=%d&recinst=%d", nDlTime, nInstTime, nHomePage, nRecInst));
}

void CProductInfoMgr::ReportClientStart(bool bSuccess) {
    m_p->QueueReport(bSuccess ? "clientstart" : "clientstartfail", std::string());
}

std::string CProductInfoMgr::GetRecommendName(size_t nIndex) const {
    return nIndex < m_p->m_recommends.size() ? m_p->m_recommends[nIndex].name : std::string();
}

std::string CProductInfoMgr::GetRecommendUrl(size_t nIndex) const {
    return nIndex < m_p->m_recommends.size() ? m_p->m_recommends[nIndex].url : std::string();
}

uint32_t CProductInfoMgr::GetRecommendStatus(size_t nIndex) const {
    return nIndex < m_p->m_recommends.size() ? m_p->m_recommends[nIndex].status : 0;
}

bool CProductInfoMgr::IsProductRunning() const {
    for (const auto& strName : m_p->m_processNames) {
        if (IsProcessRunning(strName))
            return true;
    }
    return false;
}

void CProductInfoMgr::KillProductProcesses() const {
    for (const auto& strName : m_p->m_processNames) KillProcessByName(strName);
}

void CProductInfoMgr::SetHomePage() const {
    const std::string& strUrl = m_p->m_product.homePageUrl;
    if (!strUrl.empty() && AcceptWebAddress("homePage url", strUrl))
        SetBrowserStartPage(strUrl);
}
