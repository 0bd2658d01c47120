#include "classlib/streams.h"

#include <cstring>

#include "classlib/exceptions.h"
#include "classlib/file_system.h"

std::int64_t TStream::SeekTarget(std::int64_t offset, TSeekOrigin origin, std::int64_t position, std::int64_t size,
                                 std::int64_t limit)
{
    const std::int64_t base = origin == TSeekOrigin::soCurrent ? position : origin == TSeekOrigin::soEnd ? size : 0;
    if ((offset > 0 && base > INT64_MAX - offset) || (offset < 0 && base < INT64_MIN - offset))
        throw EStreamError("Invalid stream position");
    const std::int64_t target = base + offset;
    if (target < 0 || target > limit)
        throw EStreamError("Invalid stream position");
    return target;
}

std::int64_t TStream::Remaining()
{
    const std::int64_t left = Size() - Position();
    return left > 0 ? left : 0;
}

void TStream::ReadBuffer(void* buffer, size_t count)
{
    if (count != 0 && Read(buffer, count) != count)
        throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, size_t count)
{
    if (count != 0 && Write(buffer, count) != count)
        throw EWriteError("Stream write error");
}

size_t TMemoryStream::Read(void* buffer, size_t count)
{
    if (position_ >= data_.size())
        return 0;
    const size_t n = count < data_.size() - position_ ? count : data_.size() - position_;
    std::memcpy(buffer, data_.data() + position_, n);
    position_ += n;
    return n;
}

size_t TMemoryStream::Write(const void* buffer, size_t count)
{
    if (count == 0)
        return 0;
    if (count > SIZE_MAX / 2 - position_)
        return 0;  // a write that can't be addressed
    if (position_ + count > data_.size())
        data_.resize(position_ + count);
    std::memcpy(data_.data() + position_, buffer, count);
    position_ += count;
    return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin)
{
    // Positions stay addressable in memory (half the address space).
    const std::int64_t target = SeekTarget(offset, origin, static_cast<std::int64_t>(position_), Size(),
                                           static_cast<std::int64_t>(SIZE_MAX / 2));
    position_ = static_cast<size_t>(target);
    return target;
}

void TMemoryStream::Clear()
{
    data_.clear();
    position_ = 0;
}

void TMemoryStream::LoadFromFile(const String& fileName)
{
    std::vector<std::uint8_t> bytes;
    if (!ReadFileBytes(fileName, bytes))
        throw EFOpenError("Cannot open file \"" + fileName + "\"");
    data_ = std::move(bytes);
    position_ = 0;
}

void TMemoryStream::SaveToFile(const String& fileName) const
{
    if (!WriteFileAtomically(fileName, data_.data(), data_.size()))
        throw EFCreateError("Cannot create file \"" + fileName + "\"");
}

TFileReadStream::TFileReadStream(const String& fileName)
{
    file_ = OpenFileForReading(fileName, size_);
    if (!file_)
        throw EFOpenError("Cannot open file \"" + fileName + "\"");
}

TFileReadStream::~TFileReadStream()
{
    if (file_)
        std::fclose(file_);
}

size_t TFileReadStream::Read(void* buffer, size_t count)
{
    if (position_ >= size_ || count == 0)
        return 0;
    const std::int64_t left = size_ - position_;
    const size_t want = static_cast<std::int64_t>(count) < left ? count : static_cast<size_t>(left);
    // Seek only when the position was moved: stdio's buffer then serves
    // the many small reads of a parser.
    if (filePosition_ != position_) {
        if (!SeekFile(file_, position_))
            return 0;
        filePosition_ = position_;
    }
    const size_t n = std::fread(buffer, 1, want, file_);
    position_ += static_cast<std::int64_t>(n);
    filePosition_ = position_;
    return n;
}

size_t TFileReadStream::Write(const void*, size_t)
{
    throw EWriteError("Stream write error");
}

std::int64_t TFileReadStream::Seek(std::int64_t offset, TSeekOrigin origin)
{
    position_ = SeekTarget(offset, origin, position_, size_, INT64_MAX / 2);
    return position_;
}

TFileUpdateStream::TFileUpdateStream(const String& fileName)
{
    file_ = OpenFileForUpdate(fileName, size_);
    if (!file_)
        throw EFOpenError("Cannot open file \"" + fileName + "\"");
    filePosition_ = 0;
}

TFileUpdateStream::~TFileUpdateStream()
{
    if (file_)
        std::fclose(file_);
}

bool TFileUpdateStream::MoveFileTo(std::int64_t position, TTransfer next)
{
    // stdio wants a seek whenever an update stream turns from writing to
    // reading or back.
    if (filePosition_ == position && (last_ == next || last_ == TTransfer::None))
        return true;
    if (!SeekFile(file_, position)) {
        filePosition_ = -1;
        return false;
    }
    filePosition_ = position;
    last_ = TTransfer::None;
    return true;
}

size_t TFileUpdateStream::Read(void* buffer, size_t count)
{
    if (position_ >= size_ || count == 0 || !MoveFileTo(position_, TTransfer::Read))
        return 0;
    const std::int64_t left = size_ - position_;
    const size_t want = static_cast<std::int64_t>(count) < left ? count : static_cast<size_t>(left);
    const size_t n = std::fread(buffer, 1, want, file_);
    last_ = TTransfer::Read;
    position_ += static_cast<std::int64_t>(n);
    filePosition_ = position_;
    return n;
}

size_t TFileUpdateStream::Write(const void* buffer, size_t count)
{
    if (count == 0 || !MoveFileTo(position_, TTransfer::Write))
        return 0;
    const size_t n = std::fwrite(buffer, 1, count, file_);
    last_ = TTransfer::Write;
    position_ += static_cast<std::int64_t>(n);
    filePosition_ = position_;
    if (position_ > size_)
        size_ = position_;
    return n;
}

std::int64_t TFileUpdateStream::Seek(std::int64_t offset, TSeekOrigin origin)
{
    position_ = SeekTarget(offset, origin, position_, size_, INT64_MAX / 2);
    return position_;
}

bool TFileUpdateStream::Truncate()
{
    if (!TruncateFile(file_, position_))
        return false;
    size_ = position_;
    filePosition_ = -1;  // re-seek before the next transfer
    last_ = TTransfer::None;
    return true;
}

bool TFileUpdateStream::Flush() { return FlushFileToDevice(file_); }
