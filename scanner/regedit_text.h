// REGEDIT4 text, the form registry items are quarantined and backed up in:
// writing one value line, and reading a whole file into key and value
// events. Free of Win32, so the reader can be fuzzed; the registry side
// lives in reg_files.
//
// The writer keeps every value byte for byte: a type without a form of its
// own, a string that a quoted text can't carry, and a dword of another size
// are written as "hex(N):" bytes. The reader takes what the writer writes and
// what the system's registry editor writes in REGEDIT4 form.
#pragma once

#include <cstdint>
#include <vector>

#include "classlib/sysutils.h"
#include "scanner/root_keys.h"

enum TRegValueType : std::uint32_t {
    kRegNone = 0,
    kRegSz = 1,
    kRegExpandSz = 2,
    kRegBinary = 3,
    kRegDword = 4,
    kRegMultiSz = 7,
};

// The thread's last-error codes the reader answers with.
constexpr std::uint32_t kRegFileOk = 0;
constexpr std::uint32_t kRegFileBadFormat = 11;  // ERROR_BAD_FORMAT

extern const char kRegFileHeader[];  // "REGEDIT4" and an empty line

// "[HKEY_LOCAL_MACHINE\path]" and CR LF; "" for a root outside the table or
// a path the line can't carry (one holding CR, LF or NUL).
String RegKeyLine(TRootKey root, const String& path);
// One value line ending in CR LF; an empty name is the default value ("@=").
// "" when the value can't be written as a line (a name holding CR, LF or
// NUL).
String FormatRegValue(const String& name, const std::uint8_t* data, size_t size, std::uint32_t type);

struct TRegFileValue {
    String Name;  // "" for the default value
    std::uint32_t Type = kRegSz;
    std::vector<std::uint8_t> Data;
};

// Where the reader delivers what it reads; each answers a last-error code,
// 0 when it was done. A value comes only after a key was opened, though
// possibly after that key was closed again by an empty line: the receiver
// then refuses it.
class TRegFileReceiver {
public:
    virtual ~TRegFileReceiver() = default;
    virtual std::uint32_t OpenKey(TRootKey root, const String& path) = 0;
    virtual std::uint32_t SetValue(const TRegFileValue& value) = 0;
    virtual void CloseKey() = 0;
};

// Reads a REGEDIT4 text line by line and stops at the first error: 11 for
// text it can't read, else the receiver's code; 0 when every line was taken.
std::uint32_t ReadRegText(const String& text, TRegFileReceiver& receiver);
