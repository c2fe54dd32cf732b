// Records of the server's documents and the built-in fallback. Texts are narrow strings in
// the system code page (GBK); integers are read with atoi rules and kept unsigned.
#pragma once

#include <cstdint>
#include <string>

// The product to install, or one entry of the server's catalogue.
struct ProductInfo {
    uint32_t productId = 0;
    std::string productName;
    std::string companyName;
    std::string productFullName;
    std::string displayName;
    std::string version;
    std::string installUrl;
    std::string installUrl2;
    std::string execute;
    std::string licenseUrl;
    std::string homePageUrl;
    std::string homePageDisplayName;
    uint32_t homePageStatus = 0;
    uint32_t oemId = 0;
};

// Who reports: the statistics base address and the product's name and version.
struct ReptInfo {
    std::string url;
    std::string productName;
    std::string version;
};

// One extra product offered on the finish page.
struct RecommendSetup {
    std::string name;
    std::string url;
    uint32_t status = 0;
};
