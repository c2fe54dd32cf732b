// Bounded text formatting and small narrow-string helpers shared by every module.
#pragma once

#include <cstdarg>
#include <string>

// printf into a std::string of whatever length the text needs (msvcrt formats: %I64d).
std::string StrFormat(const char* pszFormat, ...) __attribute__((format(ms_printf, 1, 2)));
std::string StrFormatV(const char* pszFormat, va_list args);

// Letter case ignored for ASCII letters only; GBK lead and trail bytes compare exactly.
bool EqualsNoCase(const std::string& a, const std::string& b);
bool StartsWithNoCase(const std::string& text, const std::string& prefix);
