#include "classlib/file_system.h"

#include <atomic>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32
DWORD Attributes(const String& path) { return GetFileAttributesA(path.c_str()); }
#endif

bool CreateOneFolder(const String& path)
{
#ifdef _WIN32
    return CreateDirectoryA(path.c_str(), nullptr) != 0 || DirectoryExists(path);
#else
    return mkdir(path.c_str(), 0777) == 0 || DirectoryExists(path);
#endif
}

unsigned long ProcessId()
{
#ifdef _WIN32
    return GetCurrentProcessId();
#else
    return static_cast<unsigned long>(getpid());
#endif
}

// A name beside `target` that no other writer, in this process or another,
// uses at the same time.
String TemporaryNameFor(const String& target)
{
    static std::atomic<unsigned> counter{0};
    return target + "." + IntToStr(ProcessId()) + "-" + IntToStr(++counter) + ".tmp";
}

}  // namespace

TAtomicFileWriter::TAtomicFileWriter(const String& target) : target_(target), temp_(TemporaryNameFor(target))
{
    file_ = std::fopen(temp_.c_str(), "wb");
}

TAtomicFileWriter::~TAtomicFileWriter()
{
    if (file_) {
        std::fclose(file_);
        RemoveFile(temp_);
    }
}

bool TAtomicFileWriter::Write(const void* data, size_t size)
{
    return file_ && (size == 0 || std::fwrite(data, 1, size, file_) == size);
}

bool TAtomicFileWriter::Commit()
{
    if (!file_)
        return false;
    const bool flushed = FlushFileToDevice(file_);
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (flushed && closed && RenameFileOver(temp_, target_))
        return true;
    RemoveFile(temp_);
    return false;
}

bool CreateFileIfAbsent(const String& fileName)
{
#ifdef _WIN32
    const HANDLE file =
        CreateFileA(fileName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    return true;
#else
    const int file = open(fileName.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
    return file >= 0 && close(file) == 0;
#endif
}

bool MakeFileWritable(const String& fileName)
{
#ifdef _WIN32
    return SetFileAttributesA(fileName.c_str(), FILE_ATTRIBUTE_NORMAL) != 0;
#else
    struct stat st {};
    return stat(fileName.c_str(), &st) == 0 && chmod(fileName.c_str(), st.st_mode | S_IWUSR) == 0;
#endif
}

std::vector<String> FilesInFolder(const String& folder)
{
    std::vector<String> names;
#ifdef _WIN32
    WIN32_FIND_DATAA found{};
    const HANDLE find = FindFirstFileA((IncludeTrailingPathDelimiter(folder) + "*.*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            names.emplace_back(found.cFileName);
    } while (FindNextFileA(find, &found));
    FindClose(find);
#else
    if (DIR* dir = opendir(folder.c_str())) {
        while (const dirent* entry = readdir(dir))
            if (FileExists(IncludeTrailingPathDelimiter(folder) + entry->d_name))
                names.emplace_back(entry->d_name);
        closedir(dir);
    }
#endif
    return names;
}

TQuietFileErrors::TQuietFileErrors()
{
#ifdef _WIN32
    previous_ = SetErrorMode(SEM_FAILCRITICALERRORS);
#endif
}

TQuietFileErrors::~TQuietFileErrors()
{
#ifdef _WIN32
    SetErrorMode(previous_);
#endif
}

bool FileExists(const String& fileName)
{
#ifdef _WIN32
    const DWORD a = Attributes(fileName);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) == 0;
#else
    struct stat st {};
    return stat(fileName.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
#endif
}

bool DirectoryExists(const String& path)
{
    if (path.empty())
        return false;
#ifdef _WIN32
    const DWORD a = Attributes(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
#else
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
#endif
}

bool ForceDirectories(const String& path)
{
    const String folder = ExcludeTrailingPathDelimiter(path);
    if (folder.empty())
        return false;
    if (DirectoryExists(folder))
        return true;
    const String parent = ExcludeTrailingPathDelimiter(ExtractFilePath(folder));
    // Stop at a drive ("C:") or the root: those exist or can't be made.
    if (!parent.empty() && parent != folder && parent.back() != ':' && !DirectoryExists(parent) &&
        !ForceDirectories(parent))
        return false;
    return CreateOneFolder(folder);
}

bool RemoveFile(const String& fileName)
{
#ifdef _WIN32
    return DeleteFileA(fileName.c_str()) != 0;
#else
    return unlink(fileName.c_str()) == 0;
#endif
}

bool RenameFileOver(const String& from, const String& to)
{
#ifdef _WIN32
    // A virus scanner or indexer that holds the target for a moment makes
    // the replace fail with a sharing violation: try again briefly.
    for (int attempt = 0;; ++attempt) {
        if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        const DWORD error = GetLastError();
        if (attempt >= 20 || (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED &&
                              error != ERROR_LOCK_VIOLATION))
            return false;
        Sleep(25);
    }
#else
    return std::rename(from.c_str(), to.c_str()) == 0;
#endif
}

namespace {

// An existing file (never a folder) opened in `mode`, positioned at its start,
// with its size.
std::FILE* OpenExistingFile(const String& fileName, const char* mode, std::int64_t& size)
{
    if (!FileExists(fileName))
        return nullptr;
    std::FILE* file = std::fopen(fileName.c_str(), mode);
    if (!file)
        return nullptr;
#ifdef _WIN32
    const bool sized = _fseeki64(file, 0, SEEK_END) == 0 && (size = _ftelli64(file)) >= 0;
#else
    const bool sized = fseeko(file, 0, SEEK_END) == 0 && (size = ftello(file)) >= 0;
#endif
    if (!sized || !SeekFile(file, 0)) {
        std::fclose(file);
        return nullptr;
    }
    return file;
}

}  // namespace

std::FILE* OpenFileForReading(const String& fileName, std::int64_t& size)
{
    return OpenExistingFile(fileName, "rb", size);
}

std::FILE* OpenFileForUpdate(const String& fileName, std::int64_t& size)
{
    return OpenExistingFile(fileName, "r+b", size);
}

bool TruncateFile(std::FILE* file, std::int64_t size)
{
    if (size < 0)
        return false;
    // Cut even when stdio couldn't write out what it held: that is what the
    // cut is meant to drop.
    std::fflush(file);
#ifdef _WIN32
    return _chsize_s(_fileno(file), size) == 0;
#else
    return ftruncate(fileno(file), static_cast<off_t>(size)) == 0;
#endif
}

bool FlushFileToDevice(std::FILE* file)
{
    if (std::fflush(file) != 0)
        return false;
#ifdef _WIN32
    const intptr_t handle = _get_osfhandle(_fileno(file));
    return handle != -1 && FlushFileBuffers(reinterpret_cast<HANDLE>(handle)) != 0;
#else
    return fsync(fileno(file)) == 0;
#endif
}

bool SeekFile(std::FILE* file, std::int64_t position)
{
#ifdef _WIN32
    return _fseeki64(file, position, SEEK_SET) == 0;
#else
    return fseeko(file, static_cast<off_t>(position), SEEK_SET) == 0;
#endif
}

bool ReadFileBytes(const String& fileName, std::vector<std::uint8_t>& bytes)
{
    std::int64_t size = 0;
    std::FILE* file = OpenFileForReading(fileName, size);
    if (!file)
        return false;
    bool ok = static_cast<std::uint64_t>(size) <= SIZE_MAX / 2;
    if (ok) {
        bytes.resize(static_cast<size_t>(size));
        ok = bytes.empty() || std::fread(bytes.data(), 1, bytes.size(), file) == bytes.size();
    }
    std::fclose(file);
    return ok;
}

bool WriteFileAtomically(const String& fileName, const void* data, size_t size)
{
    TAtomicFileWriter writer(fileName);
    return writer.IsOpen() && writer.Write(data, size) && writer.Commit();
}

bool CopyFileOver(const String& from, const String& to)
{
    std::int64_t size = 0;
    std::FILE* source = OpenFileForReading(from, size);
    if (!source)
        return false;
    TAtomicFileWriter writer(to);
    bool ok = writer.IsOpen();
    std::uint8_t chunk[65536];
    std::int64_t left = size;
    while (ok && left > 0) {
        const size_t want = left > static_cast<std::int64_t>(sizeof chunk) ? sizeof chunk : static_cast<size_t>(left);
        ok = std::fread(chunk, 1, want, source) == want && writer.Write(chunk, want);
        left -= static_cast<std::int64_t>(want);
    }
    std::fclose(source);
    return ok && writer.Commit();
}

String FreeFileName(const String& base)
{
    if (!FileExists(base) && !DirectoryExists(base))
        return base;
    for (int i = 1; i < 1000; ++i) {
        const String candidate = base + "." + IntToStr(i);
        if (!FileExists(candidate) && !DirectoryExists(candidate))
            return candidate;
    }
    return String();
}

String KeepDamagedFile(const String& fileName)
{
    const String aside = FreeFileName(fileName + ".bad");
    if (aside.empty())
        return String();
    if (RenameFileOver(fileName, aside) || CopyFileOver(fileName, aside))
        return aside;
    return String();
}
