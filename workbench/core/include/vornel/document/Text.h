#pragma once
// Text of messages and reports.

#include <cstdio>
#include <string>

// printf-style formatting into a string of whatever length the text needs.
template <class... Args>
std::string FormatText(const char* szFormat, Args... args) {
    char szShort[256];
    const int n = std::snprintf(szShort, sizeof szShort, szFormat, args...);
    if (n < 0)
        return {};
    if (static_cast<std::size_t>(n) < sizeof szShort)
        return std::string(szShort, static_cast<std::size_t>(n));
    std::string strText(static_cast<std::size_t>(n) + 1, '\0');
    std::snprintf(strText.data(), strText.size(), szFormat, args...);
    strText.resize(static_cast<std::size_t>(n));
    return strText;
}
