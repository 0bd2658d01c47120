// The descriptions of known spyware, kept in "spyware.db.descr" beside the
// definitions database: blocks of name lines, a "<<LENGTH" marker line with
// the byte length of the text, then the text itself. The file is indexed
// once (name -> where its text stands) and texts are read on demand, so they
// never sit in memory. Nothing is reported: a damaged file gives a shorter
// index, a failed read an empty text.
#pragma once

#include <cstdint>
#include <map>

#include "classlib/streams.h"
#include "classlib/sysutils.h"

struct TOffsetInfo {
    std::uint32_t Offset = 0;
    std::uint32_t Length = 0;
    bool operator==(const TOffsetInfo&) const = default;
};

class TSpywareDescriptions {
public:
    // Forgets the old index and indexes the file; a missing file leaves it empty.
    void LoadFromFile(const String& path);
    // Indexes a stream already open (the file's contents); texts are read
    // later from the remembered path.
    void LoadFromStream(TStream& stream);

    bool HasDescription(const String& name) const;
    // The text, or "" when the name isn't indexed or the file can't be read
    // or no longer holds the indexed length (the text ends at its first zero
    // byte). Never raises, whatever length the index holds.
    String GetDescription(const String& name) const;
    // What users are shown as the number of descriptions available.
    std::uint32_t DescriptionCount() const { return (blocks_ + names_) * 8; }

    std::uint32_t BlockCount() const { return blocks_; }
    std::uint32_t NameCount() const { return names_; }
    const TOffsetInfo* Find(const String& name) const;

private:
    void Forget();

    std::uint32_t blocks_ = 0;
    String path_;
    std::map<String, TOffsetInfo> index_;
    std::uint32_t names_ = 0;
};
