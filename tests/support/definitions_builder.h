// Builds a definitions database, its descriptions file and a change file
// from readable text, byte by byte and independently of the scanner's own
// code, so tests can state a database the way a person reads it.
//
// One statement per line; blank lines and lines starting with "#" are
// passed over. In texts {CR}, {LF}, {TAB} and {NUL} stand for those bytes.
//   magic <bytes>          the header (default "SDF"); "magic" alone: none
//   KLF <key> | <desc>     a record with two strings (also FIL)
//   KEY <index> <text>     root index, then the string "path=desc"
//   APR <name>             a record with one string (also RUN, BHO)
//   0BH                    a record with no payload
//   tag <3 bytes>          a bare tag
//   u32 <number>           a raw little-endian number
//   str <text>             a raw string (count, then bytes)
//   bytes <hex> <hex> ...  raw bytes
//   descr <name>[|<name>...] = <text>   a block of spyware.db.descr
//   def <line>             a line of spyware.def
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace test_support {

struct TBuiltDefinitions {
    std::vector<std::uint8_t> database;
    std::string descriptions;
    std::string changes;
    bool hasDescriptions = false;
    bool hasChanges = false;
};

// Raises std::invalid_argument on a statement it doesn't know.
TBuiltDefinitions BuildDefinitions(const std::string& text);

// Writes spyware.db, and spyware.db.descr and spyware.def when the text
// gave any, into `folder`.
void WriteDefinitions(const TBuiltDefinitions& built, const std::string& folder);

}  // namespace test_support
