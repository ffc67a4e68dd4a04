#pragma once
// Typed error for every failed open, read or write of a file the programs exchange.

#include <stdexcept>
#include <string>

// Raised by the file classes of formats/ and by everything built on them.
// what() reads "<path>: <reason>", a sentence a user can act on.
class CFileError : public std::runtime_error {
public:
    CFileError(std::string strPath, std::string strReason);

    const std::string& Path() const { return m_strPath; }
    const std::string& Reason() const { return m_strReason; }

private:
    std::string m_strPath;
    std::string m_strReason;
};
