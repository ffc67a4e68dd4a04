#pragma once
// Raw little-endian binary file with typed errors.
//
// Read mode loads the whole file at open; every read names the item it wanted, so a
// short file is reported as "the file ends inside <item>".
// Write mode never touches the target until Close(): the bytes go to a temporary file in
// the target's folder, which Close() renames over the target. A file object destroyed
// without Close() (an exception on the way) removes its temporary file and leaves the
// target as it was.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

static_assert(std::endian::native == std::endian::little,
              "the binary layouts are little-endian and are read and written natively");

// The whole content of a regular file. Throws CFileError when it cannot be opened or read.
std::vector<unsigned char> ReadFileBytes(const std::string& strPath);
// The same into aData, whose storage is reused; on failure aData is left empty.
void ReadFileBytes(const std::string& strPath, std::vector<unsigned char>& aData);

class CBinaryFile {
public:
    enum class EMode { Read, Write };

    // Opens strPath. Throws CFileError when the file cannot be opened (Read) or the
    // temporary file cannot be created next to it (Write). In Read mode the bytes go to
    // *pBuffer when it is given (a caller's buffer reused from file to file, which must
    // outlive this object), else to storage of the object's own.
    CBinaryFile(std::string strPath, EMode eMode, std::vector<unsigned char>* pBuffer = nullptr);
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
    std::size_t Remaining() const { return m_pData->size() - m_nPos; }

    // Write mode. Throws CFileError on a failed write (disk full, I/O error).
    void Write(const void* pSrc, std::size_t nBytes);
    void WriteInt32(std::int32_t nValue) { Write(&nValue, sizeof nValue); }
    void WriteDouble(double dValue) { Write(&dValue, sizeof dValue); }
    void WriteDoubles(const double* pSrc, std::size_t nCount) { Write(pSrc, nCount * sizeof(double)); }

    // Write mode: flushes, closes and renames the temporary file over the target; throws
    // CFileError on failure (then the target keeps its previous content).
    // Read mode: releases the loaded bytes.
    void Close();

private:
    [[noreturn]] void Fail(const std::string& strReason) const;
    void Discard() noexcept;

    std::string m_strPath;
    EMode m_eMode;
    // Read mode: the whole file (in m_aOwnData or the caller's buffer) and the read position.
    std::vector<unsigned char> m_aOwnData;
    std::vector<unsigned char>* m_pData = &m_aOwnData;
    std::size_t m_nPos = 0;
    // Write mode: the temporary file, owned until Close() or destruction.
    std::FILE* m_pFile = nullptr;
    std::string m_strTempPath;
};
