// Files and folders, the same on Windows and on the host build. Every file the
// programs own is written through WriteFileAtomically: a temporary file beside
// the target, flushed, then renamed over the old one, so a crash leaves either
// the old file or the new one whole.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "classlib/sysutils.h"

bool FileExists(const String& fileName);       // false for folders
bool DirectoryExists(const String& path);
bool ForceDirectories(const String& path);     // creates every missing level
bool RemoveFile(const String& fileName);
bool RenameFileOver(const String& from, const String& to);  // replaces `to`
bool CopyFileOver(const String& from, const String& to);    // through a temporary file

bool ReadFileBytes(const String& fileName, std::vector<std::uint8_t>& bytes);
bool WriteFileAtomically(const String& fileName, const void* data, size_t size);

// A stdio handle opened for binary reading, with its size; null on failure.
std::FILE* OpenFileForReading(const String& fileName, std::int64_t& size);
// The same for reading and writing an existing file (never creates one).
std::FILE* OpenFileForUpdate(const String& fileName, std::int64_t& size);
bool SeekFile(std::FILE* file, std::int64_t position);
// Writes out what stdio holds, then has the system write its cache of the
// file to the device (FlushFileBuffers, fsync); false when either fails.
bool FlushFileToDevice(std::FILE* file);
// Flushes what stdio holds, then cuts the file at `size`.
bool TruncateFile(std::FILE* file, std::int64_t size);

// Writes a new file beside `target` and renames it over `target` on Commit;
// a writer that is not committed removes its temporary file.
class TAtomicFileWriter {
public:
    explicit TAtomicFileWriter(const String& target);
    ~TAtomicFileWriter();
    TAtomicFileWriter(const TAtomicFileWriter&) = delete;
    TAtomicFileWriter& operator=(const TAtomicFileWriter&) = delete;

    bool IsOpen() const { return file_ != nullptr; }
    bool Write(const void* data, size_t size);
    bool Commit();

private:
    String target_;
    String temp_;
    std::FILE* file_ = nullptr;
};

// Creates an empty file unless something by that name exists; never
// replaces a file.
bool CreateFileIfAbsent(const String& fileName);
// Clears a read-only mark, so the file can be replaced.
bool MakeFileWritable(const String& fileName);
// The names of the files (not folders) in a folder.
std::vector<String> FilesInFolder(const String& folder);

// No "insert a disk" box from the system while it lives (Windows: the
// SEM_FAILCRITICALERRORS error mode, restored after).
class TQuietFileErrors {
public:
    TQuietFileErrors();
    ~TQuietFileErrors();
    TQuietFileErrors(const TQuietFileErrors&) = delete;
    TQuietFileErrors& operator=(const TQuietFileErrors&) = delete;

private:
    unsigned previous_ = 0;
};

// A free name `base`, else `base` + ".1", ".2", ... (up to a bound); "" when
// every candidate is taken.
String FreeFileName(const String& base);

// Moves a damaged file out of the way of the next save, as `fileName` +
// ".bad" (or ".bad.1", ...), a copy when it can't be moved. Answers where it
// is now, or "" when it could not be kept.
String KeepDamagedFile(const String& fileName);
