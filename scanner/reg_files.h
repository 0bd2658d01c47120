// Registry items as REGEDIT4 files: a key with its subkeys, or one value,
// exported for the quarantine and the backup log, and imported back on
// restore.
#pragma once

#include <optional>

#include "classlib/sysutils.h"
#include "scanner/quarantine.h"
#include "scanner/regedit_text.h"

// Writes the key (with its subkeys when asked) or its one value to a file,
// the header first when asked. A value name with the subkeys flag, or no file
// name, is refused. On false no file is left: a value or key that can't be
// read whole, or whose path or name the text can't carry (CR, LF, NUL),
// fails the export rather than be left out of it.
bool ExportToRegFile(TRootKey root, const String& keyPath, const std::optional<String>& valueName, bool withSubkeys,
                     const String& fileName, bool writeHeader);
// One key block and, when asked, its subkeys' blocks, appended to `text`. A
// key that may not be read is passed over.
bool ExportRegKey(String& text, TRootKey root, const String& keyPath, bool withSubkeys);
// Reads a REGEDIT4 file into the registry. On false the thread's last error
// tells why (87 no file name, 8 out of memory, 11 a line it can't read, else
// the system's code); on true it is 0. What was written before an error stays.
bool ImportRegFile(const String& fileName);

// The quarantine's registry side, through these files.
class TRegFileQuarantineRegistry : public TQuarantineRegistry {
public:
    bool Export(TRootKey root, const String& keyPath, const std::optional<String>& valueName,
                const String& fileName) override
    {
        return ExportToRegFile(root, keyPath, valueName, !valueName, fileName, true);
    }
    bool Import(const String& fileName) override { return ImportRegFile(fileName); }
};
