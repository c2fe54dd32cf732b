// Reading the server's XML documents through MSXML's document object model.
//
// A document is loaded from the bytes as they came from the server, so the parser takes the
// encoding from the XML declaration (UTF-8, GBK, UTF-16). Texts come out in the system code
// page. Server documents are untrusted: no DTD is accepted and nothing external is fetched.
//
// The calling thread must have initialised COM. One object serves one thread.
#pragma once

#include <windows.h>
#include <msxml2.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "Handles.h"

using XmlNodeList = std::vector<CComPtr<IXMLDOMNode>>;

class XmlDocument {
public:
    // Documents larger than this are refused before the parser sees them.
    static constexpr size_t kMaxDocumentBytes = 16u * 1024 * 1024;

    // Replaces any document held before. False for no bytes, a document type declaration,
    // a parse error, or a document without nodes. A last byte of 0 is left out.
    bool LoadFromMemory(const void* pData, size_t nLength);

    // The first node the path selects; false when none.
    bool SelectSingleNode(const char* pszPath, CComPtr<IXMLDOMNode>& node) const;
    // Every node the path selects, in document order; false when the path cannot be evaluated.
    bool SelectNodes(const char* pszPath, XmlNodeList& nodes) const;

    // The attribute without namespace as text in the system code page. False, with out
    // empty, when the node or the attribute is missing.
    static bool GetAttribute(IXMLDOMNode* pNode, const char* pszName, std::string& strOut);
    // atoi of the attribute's text; false, with 0, when it is missing.
    static bool GetAttributeInt(IXMLDOMNode* pNode, const char* pszName, uint32_t& nOut);
    // The same without the truth value, for fields where a missing attribute reads as empty or 0.
    static std::string AttributeText(IXMLDOMNode* pNode, const char* pszName);
    static uint32_t AttributeInt(IXMLDOMNode* pNode, const char* pszName);

private:
    CComPtr<IXMLDOMDocument> m_doc;
};

// True when the bytes carry a document type declaration in a byte-oriented encoding or in
// UTF-16. Such documents are refused: a DTD is how external entities and entity bombs arrive.
bool HasDocumentTypeDeclaration(const unsigned char* pData, size_t nLength);
// Wide text to the system code page.
std::string WideToAnsi(const wchar_t* pszText, size_t nLength);
