#pragma once
// Text of messages and reports.

#include <cstdio>
#include <string>
#include <string_view>

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

// The text without the blanks and tabs before it and the blanks, tabs and carriage returns after
// it (a value typed in a field or read from a line of text).
inline std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}
