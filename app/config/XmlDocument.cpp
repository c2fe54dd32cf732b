#include "XmlDocument.h"

#include <oleauto.h>

#include <cstdlib>
#include <cstring>

namespace {

// The import libraries of MinGW do not carry MSXML's identifiers, so they are spelt here.
const CLSID kClsidDomDocument = {
    0x2933BF90, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
const IID kIidDomDocument = {0x2933BF81, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
const IID kIidDomDocument2 = {0x2933BF95, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

bool ContainsAt(const unsigned char* pData, size_t nLength, size_t nPos, const char* pszText,
                size_t nStride) {
    size_t nText = strlen(pszText);
    if (nPos + nText * nStride > nLength)
        return false;
    for (size_t i = 0; i < nText; ++i) {
        if (pData[nPos + i * nStride] != static_cast<unsigned char>(pszText[i]))
            return false;
    }
    return true;
}

// Setting what the platform offers; a parser that lacks a property is still used, the
// DOCTYPE check before loading keeps the same guarantee.
void ConfigureParser(IXMLDOMDocument* pDoc) {
    pDoc->put_async(VARIANT_FALSE);
    pDoc->put_validateOnParse(VARIANT_FALSE);
    pDoc->put_resolveExternals(VARIANT_FALSE);
    CComPtr<IXMLDOMDocument2> doc2;
    if (FAILED(pDoc->QueryInterface(kIidDomDocument2, reinterpret_cast<void**>(doc2.Receive()))))
        return;
    CBstr name("ProhibitDTD");
    VARIANT value;
    ::VariantInit(&value);
    value.vt = VT_BOOL;
    value.boolVal = VARIANT_TRUE;
    doc2->setProperty(name.Get(), value);
}

bool LoadBytes(IXMLDOMDocument* pDoc, const unsigned char* pData, size_t nLength) {
    CVariant source;
    SAFEARRAY* pArray = ::SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(nLength));
    if (!pArray)
        return false;
    // Owned by the variant from here on.
    source.Get()->vt = VT_ARRAY | VT_UI1;
    source.Get()->parray = pArray;
    void* pTarget = nullptr;
    if (FAILED(::SafeArrayAccessData(pArray, &pTarget)))
        return false;
    memcpy(pTarget, pData, nLength);
    ::SafeArrayUnaccessData(pArray);
    VARIANT_BOOL bOk = VARIANT_FALSE;
    HRESULT hr = pDoc->load(*source.Get(), &bOk);
    return SUCCEEDED(hr) && bOk == VARIANT_TRUE;
}

bool StartsWithUtf16Mark(const unsigned char* pData, size_t nLength) {
    return nLength >= 2 && ((pData[0] == 0xFF && pData[1] == 0xFE) || (pData[0] == 0xFE && pData[1] == 0xFF));
}

// A server may end its answer with a terminating zero. In UTF-16 that zero is two bytes, and
// a single trailing zero byte is the high half of the last character, never a terminator.
size_t LengthWithoutTerminator(const unsigned char* pData, size_t nLength) {
    if (StartsWithUtf16Mark(pData, nLength)) {
        bool bZeroPair =
            nLength >= 4 && nLength % 2 == 0 && pData[nLength - 1] == 0 && pData[nLength - 2] == 0;
        return bZeroPair ? nLength - 2 : nLength;
    }
    return pData[nLength - 1] == 0 ? nLength - 1 : nLength;
}

}  // namespace

namespace {

// From the '<' at nPos, the position just past the comment, CDATA section or processing
// instruction that starts there (the end of the data when it is never closed); nPos when none
// starts there. Text inside them is no markup, "<!DOCTYPE" included.
size_t SkipUnparsedSection(const unsigned char* pData, size_t nLength, size_t nPos, size_t nStride) {
    static const char* const kSections[][2] = {{"<!--", "-->"}, {"<![CDATA[", "]]>"}, {"<?", "?>"}};
    for (const auto& section : kSections) {
        if (!ContainsAt(pData, nLength, nPos, section[0], nStride))
            continue;
        for (size_t i = nPos + strlen(section[0]) * nStride; i < nLength; i += nStride) {
            if (ContainsAt(pData, nLength, i, section[1], nStride))
                return i + strlen(section[1]) * nStride;
        }
        return nLength;
    }
    return nPos;
}

// One-byte encodings with stride 1, UTF-16 (either byte order) with stride 2.
bool HasDeclarationWithStride(const unsigned char* pData, size_t nLength, size_t nStride) {
    for (size_t i = 0; i < nLength;) {
        if (pData[i] != '<') {
            ++i;
            continue;
        }
        if (ContainsAt(pData, nLength, i, "<!DOCTYPE", nStride))
            return true;
        size_t nNext = SkipUnparsedSection(pData, nLength, i, nStride);
        i = nNext > i ? nNext : i + 1;
    }
    return false;
}

}  // namespace

bool HasDocumentTypeDeclaration(const unsigned char* pData, size_t nLength) {
    return HasDeclarationWithStride(pData, nLength, 1) || HasDeclarationWithStride(pData, nLength, 2);
}

std::string WideToAnsi(const wchar_t* pszText, size_t nLength) {
    if (!pszText || nLength == 0)
        return std::string();
    int n =
        ::WideCharToMultiByte(CP_ACP, 0, pszText, static_cast<int>(nLength), nullptr, 0, nullptr, nullptr);
    if (n <= 0)
        return std::string();
    std::string strOut(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, pszText, static_cast<int>(nLength), &strOut[0], n, nullptr, nullptr);
    return strOut;
}

bool XmlDocument::LoadFromMemory(const void* pData, size_t nLength) {
    m_doc.Release();
    if (!pData || nLength == 0)
        return false;
    const unsigned char* pBytes = static_cast<const unsigned char*>(pData);
    nLength = LengthWithoutTerminator(pBytes, nLength);
    if (nLength == 0 || nLength > kMaxDocumentBytes)
        return false;
    if (HasDocumentTypeDeclaration(pBytes, nLength))
        return false;
    CComPtr<IXMLDOMDocument> doc;
    HRESULT hr = ::CoCreateInstance(kClsidDomDocument, nullptr, CLSCTX_INPROC_SERVER, kIidDomDocument,
                                    reinterpret_cast<void**>(doc.Receive()));
    if (FAILED(hr) || !doc)
        return false;
    ConfigureParser(doc.Get());
    if (!LoadBytes(doc.Get(), pBytes, nLength))
        return false;
    VARIANT_BOOL bHasChildren = VARIANT_FALSE;
    if (FAILED(doc->hasChildNodes(&bHasChildren)) || bHasChildren != VARIANT_TRUE)
        return false;
    m_doc = std::move(doc);
    return true;
}

bool XmlDocument::SelectSingleNode(const char* pszPath, CComPtr<IXMLDOMNode>& node) const {
    node.Release();
    if (!m_doc)
        return false;
    CBstr path(pszPath);
    HRESULT hr = m_doc->selectSingleNode(path.Get(), node.Receive());
    return hr == S_OK && node;
}

bool XmlDocument::SelectNodes(const char* pszPath, XmlNodeList& nodes) const {
    nodes.clear();
    if (!m_doc)
        return false;
    CBstr path(pszPath);
    CComPtr<IXMLDOMNodeList> list;
    if (FAILED(m_doc->selectNodes(path.Get(), list.Receive())) || !list)
        return false;
    long nCount = 0;
    if (FAILED(list->get_length(&nCount)))
        return false;
    for (long i = 0; i < nCount; ++i) {
        CComPtr<IXMLDOMNode> item;
        if (FAILED(list->get_item(i, item.Receive())) || !item)
            return false;
        nodes.push_back(std::move(item));
    }
    return true;
}

bool XmlDocument::GetAttribute(IXMLDOMNode* pNode, const char* pszName, std::string& strOut) {
    strOut.clear();
    if (!pNode)
        return false;
    CComPtr<IXMLDOMNamedNodeMap> attributes;
    if (pNode->get_attributes(attributes.Receive()) != S_OK || !attributes)
        return false;
    CBstr name(pszName);
    CBstr noNamespace("");
    CComPtr<IXMLDOMNode> attribute;
    if (attributes->getQualifiedItem(name.Get(), noNamespace.Get(), attribute.Receive()) != S_OK ||
        !attribute) {
        return false;
    }
    CVariant value;
    if (FAILED(attribute->get_nodeTypedValue(value.Get())))
        return false;
    if (FAILED(::VariantChangeType(value.Get(), value.Get(), 0, VT_BSTR)))
        return false;
    BSTR bstr = value.Get()->bstrVal;
    strOut = WideToAnsi(bstr, bstr ? ::SysStringLen(bstr) : 0);
    return true;
}

bool XmlDocument::GetAttributeInt(IXMLDOMNode* pNode, const char* pszName, uint32_t& nOut) {
    std::string strText;
    if (!GetAttribute(pNode, pszName, strText)) {
        nOut = 0;
        return false;
    }
    nOut = static_cast<uint32_t>(atoi(strText.c_str()));
    return true;
}

std::string XmlDocument::AttributeText(IXMLDOMNode* pNode, const char* pszName) {
    std::string strText;
    GetAttribute(pNode, pszName, strText);
    return strText;
}

uint32_t XmlDocument::AttributeInt(IXMLDOMNode* pNode, const char* pszName) {
    uint32_t nValue = 0;
    GetAttributeInt(pNode, pszName, nValue);
    return nValue;
}
