#include "formats/BinaryFile.h"

#include "formats/FileError.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <filesystem>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>
#include <string_view>
#include <utility>

namespace {

std::string ErrnoText(int nErr) { return std::strerror(nErr); }

// A name next to strPath that no other writer uses: "<path>.<pid>.<n>.part".
std::string TempNameFor(const std::string& strPath) {
    static std::atomic<unsigned> s_nCounter{0};
    return strPath + "." + std::to_string(::getpid()) + "." + std::to_string(s_nCounter++) + ".part";
}

// The trailing ".<digits>" of strName split off: the digits, or empty when there are none.
std::string_view SplitNumber(std::string_view& strName) {
    const std::size_t nDot = strName.rfind('.');
    if (nDot == std::string_view::npos || nDot + 1 == strName.size() ||
        strName.find_first_not_of("0123456789", nDot + 1) != std::string_view::npos)
        return {};
    const std::string_view strDigits = strName.substr(nDot + 1);
    strName = strName.substr(0, nDot);
    return strDigits;
}

// The process id in a temporary file's name "<name>.<pid>.<n>.part" (TempNameFor), or 0 when
// the name is not one.
pid_t PartFileProcess(std::string_view strName) {
    constexpr std::string_view kSuffix = ".part";
    if (!strName.ends_with(kSuffix))
        return 0;
    strName.remove_suffix(kSuffix.size());
    if (SplitNumber(strName).empty())
        return 0;
    const std::string_view strPid = SplitNumber(strName);
    if (strPid.empty() || strPid.size() > 9)
        return 0;
    return static_cast<pid_t>(std::stol(std::string(strPid)));
}

// Where a write of strPath lands: strPath itself, or, when it is a symbolic link, the file it
// points to (links followed to the end). Throws CFileError naming strPath when that is
// neither absent nor a regular file: a folder, a device or a pipe is never replaced.
std::string OutputTarget(const std::string& strPath) {
    std::string strTarget = strPath;
    for (int nLinks = 0; nLinks <= 40; ++nLinks) {
        struct stat st {};
        if (::lstat(strTarget.c_str(), &st) != 0) {
            if (errno == ENOENT)
                return strTarget;
            throw CFileError(strPath, "cannot look at the file: " + ErrnoText(errno));
        }
        if (S_ISREG(st.st_mode))
            return strTarget;
        if (!S_ISLNK(st.st_mode))
            throw CFileError(strPath, "not a regular file (a folder, a device or a pipe); nothing was written");
        std::string strLink(static_cast<std::size_t>(PATH_MAX), '\0');
        const ssize_t nLength = ::readlink(strTarget.c_str(), strLink.data(), strLink.size());
        if (nLength < 0)
            throw CFileError(strPath, "cannot read the symbolic link: " + ErrnoText(errno));
        strLink.resize(static_cast<std::size_t>(nLength));
        if (!strLink.starts_with('/')) {
            const std::size_t nSlash = strTarget.rfind('/');
            if (nSlash != std::string::npos)
                strLink = strTarget.substr(0, nSlash + 1) + strLink;
        }
        strTarget = std::move(strLink);
    }
    throw CFileError(strPath, "too many symbolic links");
}

constexpr std::size_t kPendingBytes = std::size_t{1} << 16;

// Reads the file open on fd, nExpected bytes long by its status, into storage that
// reserve(n) provides; returns the number of bytes read. A file that turns out shorter
// delivers what it has, one that grew is read to its length at the status.
template <class Reserve>
std::size_t ReadWhole(int fd, const std::string& strPath, Reserve reserve) {
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        throw CFileError(strPath, "not a regular file");
    // A regular file never blocks; reads go on as usual.
    (void)::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    const auto nExpected = static_cast<std::size_t>(st.st_size);
    unsigned char* pData = reserve(nExpected);
    std::size_t nGot = 0;
    while (nGot < nExpected) {
        const ssize_t nRead = ::read(fd, pData + nGot, std::min<std::size_t>(nExpected - nGot, SSIZE_MAX));
        if (nRead < 0) {
            if (errno == EINTR)
                continue;
            throw CFileError(strPath, "cannot read the file: " + ErrnoText(errno));
        }
        if (nRead == 0)
            break;
        nGot += static_cast<std::size_t>(nRead);
    }
    return nGot;
}

// Opens strPath for reading and runs read(fd), closing the file afterwards. The file is
// opened without blocking, so that a named pipe (which would wait for a writer for ever)
// is refused as what it is; ReadWhole takes regular files only.
template <class Read>
void WithFileOpen(const std::string& strPath, Read read) {
    if (strPath.empty())
        throw CFileError(strPath, "no file name given");
    const int fd = ::open(strPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        throw CFileError(strPath, "cannot open the file for reading: " + ErrnoText(errno));
    try {
        read(fd);
    } catch (...) {
        ::close(fd);
        throw;
    }
    ::close(fd);
}

} // namespace

CByteBuffer::CByteBuffer(CByteBuffer&& other) noexcept
    : m_pData(std::exchange(other.m_pData, nullptr)), m_nSize(std::exchange(other.m_nSize, 0)),
      m_nCapacity(std::exchange(other.m_nCapacity, 0)), m_bMapped(std::exchange(other.m_bMapped, false)) {}

CByteBuffer& CByteBuffer::operator=(CByteBuffer&& other) noexcept {
    if (this != &other) {
        Release();
        m_pData = std::exchange(other.m_pData, nullptr);
        m_nSize = std::exchange(other.m_nSize, 0);
        m_nCapacity = std::exchange(other.m_nCapacity, 0);
        m_bMapped = std::exchange(other.m_bMapped, false);
    }
    return *this;
}

void CByteBuffer::Resize(std::size_t nBytes) {
    if (nBytes <= m_nCapacity) {
        m_nSize = nBytes;
        return;
    }
    Release();
    if (nBytes < kHugeBytes) {
        m_pData = new unsigned char[nBytes]; // default-initialised: no zero-fill
        m_nCapacity = nBytes;
    } else {
        // Whole huge pages, on a huge-page boundary: map one page more and give back the
        // unaligned ends.
        const std::size_t nLength = (nBytes + kHugeBytes - 1) / kHugeBytes * kHugeBytes;
        void* pMap = ::mmap(nullptr, nLength + kHugeBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (pMap == MAP_FAILED)
            throw std::bad_alloc();
        const auto nStart = reinterpret_cast<std::uintptr_t>(pMap);
        const std::uintptr_t nAligned = (nStart + kHugeBytes - 1) / kHugeBytes * kHugeBytes;
        if (nAligned > nStart)
            ::munmap(pMap, nAligned - nStart);
        const std::size_t nTail = nStart + nLength + kHugeBytes - (nAligned + nLength);
        if (nTail > 0)
            ::munmap(reinterpret_cast<void*>(nAligned + nLength), nTail);
        // Only advice: without huge pages the buffer works all the same.
        (void)::madvise(reinterpret_cast<void*>(nAligned), nLength, MADV_HUGEPAGE);
        m_pData = reinterpret_cast<unsigned char*>(nAligned);
        m_nCapacity = nLength;
        m_bMapped = true;
    }
    m_nSize = nBytes;
}

void CByteBuffer::Shrink(std::size_t nBytes) { m_nSize = std::min(nBytes, m_nSize); }

void CByteBuffer::Release() noexcept {
    if (m_bMapped)
        ::munmap(m_pData, m_nCapacity);
    else
        delete[] m_pData;
    m_pData = nullptr;
    m_nSize = 0;
    m_nCapacity = 0;
    m_bMapped = false;
}

std::vector<unsigned char> ReadFileBytes(const std::string& strPath) {
    std::vector<unsigned char> aData;
    ReadFileBytes(strPath, aData);
    return aData;
}

namespace {

// Reads the whole file into a storage that resize(n) sizes and returns the data of;
// resize(0) on failure.
template <class Resize>
void ReadFileInto(const std::string& strPath, Resize resize) {
    try {
        WithFileOpen(strPath, [&](int fd) { resize(ReadWhole(fd, strPath, resize)); });
    } catch (...) {
        resize(0);
        throw;
    }
}

} // namespace

void ReadFileBytes(const std::string& strPath, std::vector<unsigned char>& aData) {
    aData.clear();
    ReadFileInto(strPath, [&](std::size_t n) {
        aData.resize(n);
        return aData.data();
    });
}

void ReadFileBytes(const std::string& strPath, CByteBuffer& buffer) {
    buffer.Shrink(0);
    ReadFileInto(strPath, [&](std::size_t n) {
        if (n <= buffer.Size())
            buffer.Shrink(n); // keeps the bytes read
        else
            buffer.Resize(n);
        return buffer.Data();
    });
}

CBinaryFile::CBinaryFile(std::string strPath, EReplace eReplace) : m_strPath(std::move(strPath)), m_eReplace(eReplace) {
    if (m_strPath.empty())
        Fail("no file name given");
    m_strTarget = OutputTarget(m_strPath);
    // A fresh temporary file beside the target, with the target's permissions when it
    // exists (or the usual ones for a new file, through the umask).
    for (int nTry = 0; nTry < 100 && m_fd < 0; ++nTry) {
        std::string strTemp = TempNameFor(m_strTarget);
        const int fd = ::open(strTemp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            Fail("cannot create the file for writing: " + ErrnoText(errno));
        }
        struct stat st {};
        if (::stat(m_strTarget.c_str(), &st) == 0 && S_ISREG(st.st_mode))
            (void)::fchmod(fd, st.st_mode & 07777);
        m_fd = fd;
        m_strTempPath = std::move(strTemp);
    }
    if (m_fd < 0)
        Fail("cannot create a temporary file beside it");
    m_aPending.reserve(kPendingBytes);
}

CBinaryFile::~CBinaryFile() { Discard(); }

void CBinaryFile::Discard() noexcept {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
        ::unlink(m_strTempPath.c_str());
    }
}

void CBinaryFile::Fail(const std::string& strReason) const { throw CFileError(m_strPath, strReason); }

void CBinaryFile::FailWrite(int nErr) {
    Discard();
    Fail("cannot write the file: " + ErrnoText(nErr));
}

void CBinaryFile::Write(const void* pSrc, std::size_t nBytes) {
    if (m_fd < 0)
        Fail("writing to a file that is not open for writing");
    if (nBytes >= kPendingBytes) {
        const CBytes piece{pSrc, nBytes};
        WritePieces({&piece, 1});
        return;
    }
    if (nBytes > kPendingBytes - m_aPending.size())
        FlushBuffer();
    const auto* p = static_cast<const unsigned char*>(pSrc);
    m_aPending.insert(m_aPending.end(), p, p + nBytes);
}

void CBinaryFile::FlushBuffer() {
    if (m_aPending.empty())
        return;
    const CBytes piece{m_aPending.data(), m_aPending.size()};
    WriteThrough({&piece, 1});
    m_aPending.clear();
}

void CBinaryFile::WritePieces(std::span<const CBytes> aPieces) {
    if (m_fd < 0)
        Fail("writing to a file that is not open for writing");
    FlushBuffer();
    WriteThrough(aPieces);
}

void CBinaryFile::WriteThrough(std::span<const CBytes> aPieces) {
    constexpr std::size_t kMaxPieces = 1024; // IOV_MAX on Linux
    iovec aVec[kMaxPieces];
    std::size_t iPiece = 0;
    std::size_t nDone = 0; // bytes of aPieces[iPiece] already written
    for (;;) {
        std::size_t nVec = 0;
        for (std::size_t i = iPiece; i < aPieces.size() && nVec < kMaxPieces; ++i) {
            const std::size_t nSkip = i == iPiece ? nDone : 0;
            if (aPieces[i].m_n == nSkip)
                continue;
            aVec[nVec].iov_base = const_cast<unsigned char*>(static_cast<const unsigned char*>(aPieces[i].m_p) + nSkip);
            aVec[nVec].iov_len = aPieces[i].m_n - nSkip;
            ++nVec;
        }
        if (nVec == 0)
            return;
        const ssize_t nWritten = ::writev(m_fd, aVec, static_cast<int>(nVec));
        if (nWritten < 0) {
            if (errno == EINTR)
                continue;
            FailWrite(errno);
        }
        if (nWritten == 0)
            FailWrite(ENOSPC);
        // Step over what the system took.
        auto nLeft = static_cast<std::size_t>(nWritten);
        while (iPiece < aPieces.size() && nLeft >= aPieces[iPiece].m_n - nDone) {
            nLeft -= aPieces[iPiece].m_n - nDone;
            nDone = 0;
            ++iPiece;
        }
        nDone += nLeft;
    }
}

void CBinaryFile::Close() {
    if (m_fd < 0)
        return;
    FlushBuffer();
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0) {
        const int nErr = errno;
        ::unlink(m_strTempPath.c_str());
        Fail("cannot write the file: " + ErrnoText(nErr));
    }
    // The target may have changed since the write began: still nothing but a regular file
    // (or nothing) is replaced.
    struct stat st {};
    const bool bExists = ::lstat(m_strTarget.c_str(), &st) == 0;
    if (bExists && !S_ISREG(st.st_mode)) {
        ::unlink(m_strTempPath.c_str());
        Fail("not a regular file (a folder, a device or a pipe); nothing was written");
    }
    if (bExists && m_eReplace == EReplace::RemoveFirst)
        (void)::unlink(m_strTarget.c_str());
    if (std::rename(m_strTempPath.c_str(), m_strTarget.c_str()) != 0) {
        const int nErr = errno;
        ::unlink(m_strTempPath.c_str());
        Fail("cannot replace the file: " + ErrnoText(nErr));
    }
}

void WriteFileBytes(const std::string& strPath, std::span<const unsigned char> aBytes) {
    CBinaryFile file(strPath);
    file.Write(aBytes.data(), aBytes.size());
    file.Close();
}

int RemoveStaleTemporaryFiles(const std::string& strFolder) {
    std::error_code ec;
    std::filesystem::directory_iterator it(strFolder.empty() ? std::filesystem::path(".") : std::filesystem::path(strFolder),
                                           ec);
    int nRemoved = 0;
    for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
        const pid_t nPid = PartFileProcess(it->path().filename().native());
        if (nPid <= 0 || nPid == ::getpid() || !it->is_regular_file(ec))
            continue;
        if (::kill(nPid, 0) != 0 && errno == ESRCH && ::unlink(it->path().c_str()) == 0)
            ++nRemoved;
    }
    return nRemoved;
}

bool SameFile(const std::string& strA, const std::string& strB) {
    struct stat a {}, b {};
    if (::stat(strA.c_str(), &a) == 0 && ::stat(strB.c_str(), &b) == 0)
        return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
    std::error_code ec;
    const auto full = [&](const std::string& strPath) {
        return std::filesystem::weakly_canonical(std::filesystem::absolute(strPath, ec), ec).lexically_normal();
    };
    return full(strA) == full(strB);
}
