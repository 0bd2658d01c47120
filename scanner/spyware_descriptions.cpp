#include "scanner/spyware_descriptions.h"

#include <algorithm>
#include <cstddef>
#include <exception>
#include <vector>

namespace {

constexpr char kMarker[] = "<<LENGTH";
constexpr size_t kMarkerSize = sizeof kMarker - 1;
constexpr size_t kReadChunk = 64 * 1024;

// Lines of a stream, each up to and including its LF, with the stream
// position of the byte after the last one taken.
class TLineReader {
public:
    explicit TLineReader(TStream& stream) : stream_(stream), size_(stream.Size()), position_(stream.Position()) {}

    // False at the end: a last line without LF is dropped.
    bool ReadLine(String& line)
    {
        line.clear();
        while (true) {
            if (next_ == buffer_.size() && !Fill())
                return false;
            const char c = buffer_[next_++];
            ++position_;
            if (c == '\n')
                return true;
            line += c;
        }
    }
    std::int64_t Position() const { return position_; }
    std::int64_t Size() const { return size_; }
    // Past `count` bytes; false when that would run past the end.
    bool Skip(std::int64_t count)
    {
        if (count > size_ - position_)
            return false;
        const std::int64_t inBuffer = static_cast<std::int64_t>(buffer_.size() - next_);
        if (count <= inBuffer) {
            next_ += static_cast<size_t>(count);
        } else {
            stream_.Seek(position_ + count, TSeekOrigin::soBeginning);
            buffer_.clear();
            next_ = 0;
        }
        position_ += count;
        return true;
    }

private:
    bool Fill()
    {
        buffer_.resize(4096);
        const size_t got = stream_.Read(buffer_.data(), buffer_.size());
        buffer_.resize(got);
        next_ = 0;
        return got > 0;
    }

    TStream& stream_;
    std::int64_t size_;
    std::int64_t position_;
    std::vector<char> buffer_;
    size_t next_ = 0;
};

// The marker's length: digits only, above zero and within 32 bits; else 0.
std::uint32_t MarkerLength(const String& line)
{
    const String digits = Trim(line.substr(kMarkerSize));
    if (digits.empty() || digits.size() > 10)
        return 0;
    std::uint64_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return 0;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return value > 0xFFFFFFFFu ? 0 : static_cast<std::uint32_t>(value);
}

}  // namespace

void TSpywareDescriptions::Forget()
{
    index_.clear();
    blocks_ = 0;
    names_ = 0;
}

void TSpywareDescriptions::LoadFromFile(const String& path)
{
    Forget();
    path_ = path;
    try {
        TFileReadStream stream(path);
        LoadFromStream(stream);
    } catch (const std::exception&) {
        // An unreadable file, or one line longer than memory, gives what was
        // indexed before the failure.
    }
}

void TSpywareDescriptions::LoadFromStream(TStream& stream)
{
    Forget();
    TLineReader reader(stream);
    std::vector<String> collected;
    String line;
    while (reader.ReadLine(line)) {
        line = Trim(line);
        if (line.empty())
            continue;
        if (line.compare(0, kMarkerSize, kMarker) != 0) {
            collected.push_back(LowerCase(line));
            ++names_;
            continue;
        }
        const std::uint32_t length = MarkerLength(line);
        const std::int64_t offset = reader.Position();
        // A text that runs past the end ends the load with its names unindexed.
        if (length == 0 || offset > 0xFFFFFFFF || !reader.Skip(length))
            return;
        ++blocks_;
        for (const String& name : collected)
            index_[name] = TOffsetInfo{static_cast<std::uint32_t>(offset), length};  // the later block wins
        collected.clear();
    }
}

const TOffsetInfo* TSpywareDescriptions::Find(const String& name) const
{
    const auto found = index_.find(LowerCase(name));
    return found == index_.end() ? nullptr : &found->second;
}

bool TSpywareDescriptions::HasDescription(const String& name) const { return Find(name) != nullptr; }

String TSpywareDescriptions::GetDescription(const String& name) const
{
    const TOffsetInfo* info = Find(name);
    if (!info)
        return "";
    try {
        TFileReadStream stream(path_);
        // The file may have changed since it was indexed: a text it doesn't
        // hold whole is none. In 64 bits, so no sum wraps on any build.
        const std::uint64_t end = std::uint64_t{info->Offset} + info->Length;
        if (end > static_cast<std::uint64_t>(stream.Size()))
            return "";
        stream.Seek(info->Offset, TSeekOrigin::soBeginning);
        // Piece by piece up to the first zero byte, so memory grows with the
        // text that is there, not with the length a marker claims (which a
        // 32-bit build could not even add one to).
        String text;
        std::vector<char> chunk(kReadChunk);
        for (std::uint64_t left = info->Length; left > 0;) {
            const size_t want = left < kReadChunk ? static_cast<size_t>(left) : kReadChunk;
            if (stream.Read(chunk.data(), want) != want)
                return "";
            const auto zero = std::find(chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(want), '\0');
            text.append(chunk.begin(), zero);
            if (zero != chunk.begin() + static_cast<std::ptrdiff_t>(want))
                break;
            left -= want;
        }
        return text;
    } catch (const std::exception&) {
        // The class library's errors, and a text larger than memory.
        return "";
    }
}
