#include "formats/BinaryFile.h"

#include "formats/FileError.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string ErrnoText(int nErr) { return std::strerror(nErr); }

// A name next to strPath that no other writer uses: "<path>.<pid>.<n>.part".
std::string TempNameFor(const std::string& strPath) {
    static std::atomic<unsigned> s_nCounter{0};
    return strPath + "." + std::to_string(::getpid()) + "." + std::to_string(s_nCounter++) + ".part";
}

} // namespace

std::vector<unsigned char> ReadFileBytes(const std::string& strPath) {
    std::vector<unsigned char> aData;
    ReadFileBytes(strPath, aData);
    return aData;
}

void ReadFileBytes(const std::string& strPath, std::vector<unsigned char>& aData) {
    aData.clear();
    if (strPath.empty())
        throw CFileError(strPath, "no file name given");
    std::FILE* pFile = std::fopen(strPath.c_str(), "rb");
    if (!pFile)
        throw CFileError(strPath, "cannot open the file for reading: " + ErrnoText(errno));
    struct stat st {};
    if (::fstat(::fileno(pFile), &st) != 0 || !S_ISREG(st.st_mode)) {
        std::fclose(pFile);
        throw CFileError(strPath, "not a regular file");
    }
    aData.resize(static_cast<std::size_t>(st.st_size));
    const std::size_t nGot = aData.empty() ? 0 : std::fread(aData.data(), 1, aData.size(), pFile);
    const int nErr = errno;
    const bool bError = std::ferror(pFile) != 0;
    std::fclose(pFile);
    if (bError || nGot != aData.size()) {
        aData.clear();
        throw CFileError(strPath, "cannot read the file: " + ErrnoText(nErr));
    }
}

CBinaryFile::CBinaryFile(std::string strPath, EMode eMode, std::vector<unsigned char>* pBuffer)
    : m_strPath(std::move(strPath)), m_eMode(eMode) {
    if (m_strPath.empty())
        Fail("no file name given");
    if (m_eMode == EMode::Read) {
        if (pBuffer)
            m_pData = pBuffer;
        ReadFileBytes(m_strPath, *m_pData);
        return;
    }

    // Write: a fresh temporary file beside the target, with the target's permissions
    // when it exists (or the usual ones for a new file, through the umask).
    for (int nTry = 0; nTry < 100 && !m_pFile; ++nTry) {
        std::string strTemp = TempNameFor(m_strPath);
        const int fd = ::open(strTemp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            Fail("cannot create the file for writing: " + ErrnoText(errno));
        }
        struct stat st {};
        if (::stat(m_strPath.c_str(), &st) == 0 && S_ISREG(st.st_mode))
            (void)::fchmod(fd, st.st_mode & 07777);
        m_pFile = ::fdopen(fd, "wb");
        if (!m_pFile) {
            const int nErr = errno;
            ::close(fd);
            ::unlink(strTemp.c_str());
            Fail("cannot create the file for writing: " + ErrnoText(nErr));
        }
        m_strTempPath = std::move(strTemp);
    }
    if (!m_pFile)
        Fail("cannot create a temporary file beside it");
    std::setvbuf(m_pFile, nullptr, _IOFBF, 1 << 16);
}

CBinaryFile::~CBinaryFile() { Discard(); }

void CBinaryFile::Discard() noexcept {
    if (m_pFile) {
        std::fclose(m_pFile);
        m_pFile = nullptr;
        ::unlink(m_strTempPath.c_str());
    }
}

void CBinaryFile::Fail(const std::string& strReason) const { throw CFileError(m_strPath, strReason); }

void CBinaryFile::Read(void* pDst, std::size_t nBytes, const char* szItem) {
    if (m_eMode != EMode::Read)
        Fail(std::string("reading ") + szItem + " from a file opened for writing");
    if (nBytes > Remaining())
        Fail(std::string("the file ends inside ") + szItem + " (it is shorter than its counts announce)");
    if (nBytes)
        std::memcpy(pDst, m_pData->data() + m_nPos, nBytes);
    m_nPos += nBytes;
}

std::int32_t CBinaryFile::ReadInt32(const char* szItem) {
    std::int32_t nValue = 0;
    Read(&nValue, sizeof nValue, szItem);
    return nValue;
}

double CBinaryFile::ReadDouble(const char* szItem) {
    double dValue = 0;
    Read(&dValue, sizeof dValue, szItem);
    return dValue;
}

void CBinaryFile::ReadDoubles(double* pDst, std::size_t nCount, const char* szItem) {
    if (nCount > Remaining() / sizeof(double))
        Fail(std::string("the file ends inside ") + szItem + " (it is shorter than its counts announce)");
    Read(pDst, nCount * sizeof(double), szItem);
}

void CBinaryFile::Write(const void* pSrc, std::size_t nBytes) {
    if (!m_pFile)
        Fail("writing to a file that is not open for writing");
    if (nBytes && std::fwrite(pSrc, 1, nBytes, m_pFile) != nBytes) {
        const int nErr = errno;
        Discard();
        Fail("cannot write the file: " + ErrnoText(nErr));
    }
}

void CBinaryFile::Close() {
    if (m_eMode == EMode::Read) {
        m_aOwnData.clear();
        m_aOwnData.shrink_to_fit();
        m_nPos = 0;
        return;
    }
    if (!m_pFile)
        return;
    std::FILE* pFile = m_pFile;
    m_pFile = nullptr;
    const bool bFlushed = std::fflush(pFile) == 0;
    int nErr = errno;
    const bool bClosed = std::fclose(pFile) == 0;
    if (bFlushed && !bClosed)
        nErr = errno;
    if (!bFlushed || !bClosed) {
        ::unlink(m_strTempPath.c_str());
        Fail("cannot write the file: " + ErrnoText(nErr));
    }
    if (std::rename(m_strTempPath.c_str(), m_strPath.c_str()) != 0) {
        nErr = errno;
        ::unlink(m_strTempPath.c_str());
        Fail("cannot replace the file: " + ErrnoText(nErr));
    }
}
