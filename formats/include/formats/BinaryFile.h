#pragma once
// Raw little-endian binary files with typed errors, and the byte buffer they are read into.
//
// Whole files are read with ReadFileBytes, regular files only: a folder, a device or a named
// pipe is refused at once, never waited on. A CBinaryFile writes one and never touches the
// target until Close(): the bytes go to a temporary file "<target>.<pid>.<n>.part" in the
// target's folder, which Close() renames over the target. A symbolic link is followed: the
// file it points to is the target, and the link stays. A target that exists and is not a
// regular file (a folder, a device, a pipe) is refused, and nothing is written. A file
// object destroyed without Close() (an exception on the way) removes its temporary file and
// leaves the target as it was; WriteFileBytes and WriteTextFile (TextFile.h) are this for
// a whole file, the one way every output of the programs is written.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

static_assert(std::endian::native == std::endian::little,
              "the binary layouts are little-endian and are read and written natively");

// A growable byte buffer whose new bytes are not initialised: it is filled by a read right
// after it is sized, so zero-filling would only double the memory traffic. Storage of at
// least kHugeBytes is mapped on 2 MiB boundaries and offered transparent huge pages, so a
// file of tens of MB faults in 2 MiB steps instead of 4 KiB pages. Owns its storage.
class CByteBuffer {
public:
    static constexpr std::size_t kHugeBytes = std::size_t{2} << 20;

    CByteBuffer() = default;
    ~CByteBuffer() { Release(); }
    CByteBuffer(CByteBuffer&& other) noexcept;
    CByteBuffer& operator=(CByteBuffer&& other) noexcept;
    CByteBuffer(const CByteBuffer&) = delete;
    CByteBuffer& operator=(const CByteBuffer&) = delete;

    unsigned char* Data() { return m_pData; }
    const unsigned char* Data() const { return m_pData; }
    std::size_t Size() const { return m_nSize; }
    std::size_t Capacity() const { return m_nCapacity; }

    // Sets the size to nBytes. The storage is kept when it is large enough, else replaced;
    // the bytes' values are unspecified afterwards (earlier content is not kept). Throws
    // std::bad_alloc when the storage cannot be had; the buffer is then empty.
    void Resize(std::size_t nBytes);
    // Sets the size to nBytes <= Size(), keeping the first nBytes bytes.
    void Shrink(std::size_t nBytes);
    // Frees the storage.
    void Release() noexcept;

private:
    unsigned char* m_pData = nullptr;
    std::size_t m_nSize = 0;
    std::size_t m_nCapacity = 0;
    bool m_bMapped = false; // storage from mmap (else new[])
};

// Gives a buffer that is kept from call to call its storage back at the end of a scope
// when the storage has grown beyond nKeptBytes: small files reuse it, a large one does not
// stay resident.
class CReleaseIfLarger {
public:
    CReleaseIfLarger(CByteBuffer& buffer, std::size_t nKeptBytes) : m_buffer(buffer), m_nKeptBytes(nKeptBytes) {}
    ~CReleaseIfLarger() {
        if (m_buffer.Capacity() > m_nKeptBytes)
            m_buffer.Release();
    }
    CReleaseIfLarger(const CReleaseIfLarger&) = delete;
    CReleaseIfLarger& operator=(const CReleaseIfLarger&) = delete;

private:
    CByteBuffer& m_buffer;
    std::size_t m_nKeptBytes;
};

// The whole content of a regular file. Throws CFileError when it cannot be opened or read.
std::vector<unsigned char> ReadFileBytes(const std::string& strPath);
// The same into aData, whose storage is reused; on failure aData is left empty.
void ReadFileBytes(const std::string& strPath, std::vector<unsigned char>& aData);
// The same into buffer, sized from the file's length and filled by one read (more only when
// the system delivers less); on failure the buffer is left empty.
void ReadFileBytes(const std::string& strPath, CByteBuffer& buffer);

// One piece of a gathered write.
struct CBytes {
    const void* m_p = nullptr;
    std::size_t m_n = 0;
};

class CBinaryFile {
public:
    // How a write replaces an existing target at Close().
    enum class EReplace {
        // rename() over the target: at every moment the target holds the old or the new
        // content. For the user's files.
        Atomic,
        // The target is removed just before the rename. A scratch file that is rewritten
        // many times (the exchange file) replaces its predecessor without making the file
        // system write the new content out at once, as a rename over an existing file does.
        // A failed write still leaves the old target as it was.
        RemoveFirst,
    };

    // Starts writing strPath. Throws CFileError when the temporary file cannot be created
    // next to it.
    explicit CBinaryFile(std::string strPath, EReplace eReplace = EReplace::Atomic);
    ~CBinaryFile();
    CBinaryFile(const CBinaryFile&) = delete;
    CBinaryFile& operator=(const CBinaryFile&) = delete;

    const std::string& Path() const { return m_strPath; }

    // Each throws CFileError on a failed write (disk full, I/O error). Small writes are
    // gathered in a buffer; large ones and WritePieces go straight to the file.
    void Write(const void* pSrc, std::size_t nBytes);
    // Writes the pieces in order with one system call per 1024 pieces (fewer bytes
    // delivered by the system are written on).
    void WritePieces(std::span<const CBytes> aPieces);

    // Writes what is buffered, closes and renames the temporary file over the target;
    // throws CFileError on failure (then the target keeps its previous content).
    void Close();

private:
    [[noreturn]] void Fail(const std::string& strReason) const;
    [[noreturn]] void FailWrite(int nErr);
    void FlushBuffer();
    void WriteThrough(std::span<const CBytes> aPieces);
    void Discard() noexcept;

    std::string m_strPath;   // as the caller named it (the messages name it)
    std::string m_strTarget; // the file replaced: m_strPath, or where its links lead
    EReplace m_eReplace;
    // The temporary file, owned until Close() or destruction, and the bytes not yet
    // written to it.
    int m_fd = -1;
    std::string m_strTempPath;
    std::vector<unsigned char> m_aPending;
};

// Writes aBytes as the whole file strPath through a CBinaryFile. Throws CFileError naming
// strPath.
void WriteFileBytes(const std::string& strPath, std::span<const unsigned char> aBytes);

// Removes the temporary files "<name>.<pid>.<n>.part" in strFolder (empty: the current
// folder) whose writing process no longer exists, left there by a process that was killed
// while it wrote; returns how many. Files of living processes are left alone.
int RemoveStaleTemporaryFiles(const std::string& strFolder);

// Whether the paths strA and strB name one file: the same file on disk when both exist
// (symbolic links followed, hard links alike), else the same absolute path once "." and
// ".." are resolved and the existing part of each path has its links followed.
bool SameFile(const std::string& strA, const std::string& strB);
