// Encoders for text that travels in addresses and command lines. Both work on the bytes of
// narrow strings, so a GBK character is encoded byte by byte.
#pragma once

#include <string>

// RFC 4648 Base64 with padding and no line breaks.
std::string Base64Encode(const std::string& strText);
// Query-value encoding: letters, digits, ":", "/" and "." are kept, white space becomes "+",
// every other byte "%XX" with capital hex digits.
std::string UrlEncode(const std::string& strText);
