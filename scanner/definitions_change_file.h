// "spyware.def", the local change file of the definitions database: "+"
// lines add a definition, "-" lines remove one, every other line is passed
// over. It is applied once at start-up and then deleted.
#pragma once

#include <vector>

#include "classlib/sysutils.h"
#include "scanner/search.h"

struct TDefinitionChange {
    bool Add = false;
    String Text;  // the definition text after the sign
    bool operator==(const TDefinitionChange&) const = default;
};

// Lines end at CR, LF or CR LF, and the text at a NUL; each line is trimmed.
std::vector<TDefinitionChange> ParseDefinitionChanges(const String& content);

enum class TChangeFileResult {
    NoFile,       // nothing to apply
    Applied,      // applied, saved, and the change file deleted
    Kept,         // the database didn't load: applying it would lose definitions
    SaveFailed,   // applied in memory, but the database couldn't be written: the change file stays
    Unreadable,   // the change file couldn't be read: it stays
};

// "spyware.def" in a data folder.
String ChangeFileName(const String& dataFolder);

// Applies the change file beside the database after a load that answered
// `load`: only to a database that loaded, or that was missing or empty. The
// change file is deleted only after the database was saved.
TChangeFileResult ApplyDefinitionChanges(TSearch& search, const String& databasePath, const String& changeFilePath,
                                         TDatabaseLoad load);
