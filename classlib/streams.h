// Byte streams: a memory stream and a file stream. ReadBuffer/WriteBuffer raise
// EReadError/EWriteError on a short transfer; Read/Write report what moved.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "classlib/sysutils.h"

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream {
public:
    virtual ~TStream() = default;
    virtual size_t Read(void* buffer, size_t count) = 0;
    virtual size_t Write(const void* buffer, size_t count) = 0;
    // Returns the new position; positions below 0 are refused (EStreamError).
    virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;
    virtual std::int64_t Size() const = 0;

    std::int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
    void SetPosition(std::int64_t position) { Seek(position, TSeekOrigin::soBeginning); }
    // Bytes from the position to the end (0 when the position is past it).
    std::int64_t Remaining();

    void ReadBuffer(void* buffer, size_t count);
    void WriteBuffer(const void* buffer, size_t count);

protected:
    // The position a Seek asks for; raises EStreamError below 0 or past `limit`.
    static std::int64_t SeekTarget(std::int64_t offset, TSeekOrigin origin, std::int64_t position, std::int64_t size,
                                   std::int64_t limit);
};

class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::vector<std::uint8_t> bytes) : data_(std::move(bytes)) {}

    size_t Read(void* buffer, size_t count) override;
    size_t Write(const void* buffer, size_t count) override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    std::int64_t Size() const override { return static_cast<std::int64_t>(data_.size()); }

    void SetSize(size_t size) { data_.resize(size); }
    void Clear();
    const std::vector<std::uint8_t>& Bytes() const { return data_; }

    // Raises EFOpenError when the file can't be read.
    void LoadFromFile(const String& fileName);
    // Writes a temporary file beside the target and renames it over the old
    // one; raises EFCreateError on failure (the old file is then untouched).
    void SaveToFile(const String& fileName) const;

private:
    std::vector<std::uint8_t> data_;
    size_t position_ = 0;
};

// A read-only file stream for readers that check every length against Size().
class TFileReadStream : public TStream {
public:
    explicit TFileReadStream(const String& fileName);  // raises EFOpenError
    ~TFileReadStream() override;
    TFileReadStream(const TFileReadStream&) = delete;
    TFileReadStream& operator=(const TFileReadStream&) = delete;

    size_t Read(void* buffer, size_t count) override;
    size_t Write(const void* buffer, size_t count) override;  // raises EWriteError
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    std::int64_t Size() const override { return size_; }

private:
    std::FILE* file_ = nullptr;
    std::int64_t size_ = 0;
    std::int64_t position_ = 0;
    std::int64_t filePosition_ = 0;  // where the stdio handle stands
};

// An existing file opened for reading and writing in place, for the few
// writers that append to a file and must cut back what a failed append left.
class TFileUpdateStream : public TStream {
public:
    explicit TFileUpdateStream(const String& fileName);  // raises EFOpenError
    ~TFileUpdateStream() override;
    TFileUpdateStream(const TFileUpdateStream&) = delete;
    TFileUpdateStream& operator=(const TFileUpdateStream&) = delete;

    size_t Read(void* buffer, size_t count) override;
    size_t Write(const void* buffer, size_t count) override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    std::int64_t Size() const override { return size_; }

    // Cuts the file at the position; false when the system refuses.
    bool Truncate();
    // Writes what stdio and the system hold through to the device, so what
    // was written stays after a crash or a power cut.
    bool Flush();

private:
    enum class TTransfer { None, Read, Write };
    bool MoveFileTo(std::int64_t position, TTransfer next);

    std::FILE* file_ = nullptr;
    std::int64_t size_ = 0;
    std::int64_t position_ = 0;
    std::int64_t filePosition_ = -1;  // where the stdio handle stands, -1 unknown
    TTransfer last_ = TTransfer::None;  // since the last seek
};
