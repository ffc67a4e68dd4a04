#include "formats/FileError.h"

CFileError::CFileError(std::string strPath, std::string strReason)
    : std::runtime_error(strPath + ": " + strReason),
      m_strPath(std::move(strPath)),
      m_strReason(std::move(strReason)) {}
