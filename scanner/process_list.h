// The running processes as the process scanner sees them: the lower-cased
// file name of each image with the ids of every process running it. The
// snapshot functions are looked up in kernel32 when the list is built; a
// system without them, or a snapshot that can't be taken, gives an empty
// list.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <vector>

#include "classlib/sysutils.h"
#include "scanner/removal_safety.h"

class TProcessList {
public:
    // Lower-cased image file name -> ids, in the order the system listed them.
    using TEntries = std::map<String, std::vector<std::uint32_t>>;

    // Takes a fresh snapshot; false (and an empty list) when none could be had.
    bool Build();
    const TEntries& Entries() const { return entries_; }
    // The ids running `name` (any letter case); empty when none.
    std::vector<std::uint32_t> IdsOf(const String& name) const;
    // Whether process `id` runs `name` (any letter case).
    bool Runs(const String& name, std::uint32_t id) const;

private:
    TEntries entries_;
};

// The alert program this program starts: Quorvin\quorvin.exe below the
// program folder.
String AlertProgramFileName();
// The program's own id and the ids of the running alert programs: processes
// whose image has the alert program's name and lies at its path, or whose
// path can't be read (then it may be one).
TProtectedProcesses ThisProgramProtectedProcesses(const TProcessList& processes);
