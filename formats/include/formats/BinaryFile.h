#pragma once
// Raw little-endian binary files with typed errors, and the byte buffer they are read into.
//
// Read mode loads the whole file at open with one read; every read names the item it
// wanted, so a short file is reported as "the file ends inside <item>".
// Write mode never touches the target until Close(): the bytes go to a temporary file in
// the target's folder, which Close() renames over the target. A file object destroyed
// without Close() (an exception on the way) removes its temporary file and leaves the
// target as it was.

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
    enum class EMode { Read, Write };
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

    // Opens strPath. Throws CFileError when the file cannot be opened (Read) or the
    // temporary file cannot be created next to it (Write). In Read mode the bytes go to
    // *pBuffer when it is given (a caller's buffer reused from file to file, which must
    // outlive this object), else to storage of the object's own.
    CBinaryFile(std::string strPath, EMode eMode, CByteBuffer* pBuffer = nullptr,
                EReplace eReplace = EReplace::Atomic);
    ~CBinaryFile();
    CBinaryFile(const CBinaryFile&) = delete;
    CBinaryFile& operator=(const CBinaryFile&) = delete;

    const std::string& Path() const { return m_strPath; }

    // Read mode. Each throws CFileError "the file ends inside <szItem>" when fewer bytes
    // remain than asked for; nothing is consumed then.
    void Read(void* pDst, std::size_t nBytes, const char* szItem);
    std::int32_t ReadInt32(const char* szItem);
    double ReadDouble(const char* szItem);
    // Reads nCount doubles into pDst in one step.
    void ReadDoubles(double* pDst, std::size_t nCount, const char* szItem);
    // Skips nBytes and returns where they start in the loaded file (valid until Close()).
    const unsigned char* Skip(std::size_t nBytes, const char* szItem);
    std::size_t Remaining() const { return m_pData->Size() - m_nPos; }

    // Write mode. Throws CFileError on a failed write (disk full, I/O error). Small writes
    // are gathered in a buffer; large ones and WritePieces go straight to the file.
    void Write(const void* pSrc, std::size_t nBytes);
    void WriteInt32(std::int32_t nValue) { Write(&nValue, sizeof nValue); }
    void WriteDouble(double dValue) { Write(&dValue, sizeof dValue); }
    void WriteDoubles(const double* pSrc, std::size_t nCount) { Write(pSrc, nCount * sizeof(double)); }
    // Writes the pieces in order with one system call per 1024 pieces (fewer bytes
    // delivered by the system are written on).
    void WritePieces(std::span<const CBytes> aPieces);

    // Write mode: writes what is buffered, closes and renames the temporary file over the
    // target; throws CFileError on failure (then the target keeps its previous content).
    // Read mode: releases the loaded bytes.
    void Close();

private:
    [[noreturn]] void Fail(const std::string& strReason) const;
    [[noreturn]] void FailWrite(int nErr);
    void FlushBuffer();
    void WriteThrough(std::span<const CBytes> aPieces);
    void Discard() noexcept;

    std::string m_strPath;
    EMode m_eMode;
    EReplace m_eReplace;
    // Read mode: the whole file (in m_ownData or the caller's buffer) and the read position.
    CByteBuffer m_ownData;
    CByteBuffer* m_pData = &m_ownData;
    std::size_t m_nPos = 0;
    // Write mode: the temporary file, owned until Close() or destruction, and the bytes
    // not yet written to it.
    int m_fd = -1;
    std::string m_strTempPath;
    std::vector<unsigned char> m_aPending;
};
