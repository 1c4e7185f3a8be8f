// Streams: the abstract TStream, file streams on platform handles, and memory streams.
#pragma once

#include "platform/WinTypes.h"

#include <cstdint>
#include <string>
#include <vector>

namespace rtl {

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream {
public:
    virtual ~TStream() = default;
    // Return the number of bytes moved; 0 at the end of the stream.
    virtual std::int32_t Read(void* buffer, std::int32_t count) = 0;
    virtual std::int32_t Write(const void* buffer, std::int32_t count) = 0;
    virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;
    virtual void SetSize(std::int64_t size) = 0;

    std::int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
    void SetPosition(std::int64_t position) { Seek(position, TSeekOrigin::soBeginning); }
    std::int64_t Size();
    // Raise EReadError or EWriteError when not every byte moved.
    void ReadBuffer(void* buffer, std::int32_t count);
    void WriteBuffer(const void* buffer, std::int32_t count);
    std::int64_t CopyFrom(TStream& source, std::int64_t count);
};

class THandleStream : public TStream {
public:
    explicit THandleStream(win::HANDLE handle) : handle_(handle) {}
    std::int32_t Read(void* buffer, std::int32_t count) override;
    std::int32_t Write(const void* buffer, std::int32_t count) override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    void SetSize(std::int64_t size) override;
    win::HANDLE Handle() const { return handle_; }

protected:
    win::HANDLE handle_;
};

inline constexpr std::uint16_t fmCreate = 0xFF00;
inline constexpr std::uint16_t fmOpenRead = 0x0000;
inline constexpr std::uint16_t fmOpenWrite = 0x0001;
inline constexpr std::uint16_t fmOpenReadWrite = 0x0002;
inline constexpr std::uint16_t fmShareExclusive = 0x0010;
inline constexpr std::uint16_t fmShareDenyWrite = 0x0020;
inline constexpr std::uint16_t fmShareDenyNone = 0x0040;

// Owns its file. Raises EFCreateError or EFOpenError, with the runtime's I/O code, when the file
// cannot be made or opened.
class TFileStream : public THandleStream {
public:
    TFileStream(const std::string& fileName, std::uint16_t mode);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;
    const std::string& FileName() const { return fileName_; }

private:
    std::string fileName_;
};

class TMemoryStream : public TStream {
public:
    std::int32_t Read(void* buffer, std::int32_t count) override;
    std::int32_t Write(const void* buffer, std::int32_t count) override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    void SetSize(std::int64_t size) override;
    void Clear();
    const std::vector<unsigned char>& Memory() const { return memory_; }

private:
    std::vector<unsigned char> memory_;
    std::size_t position_ = 0;
};

} // namespace rtl
