// Shared helpers of the test programs: fixture paths and fresh folders.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace test_support {

// A host path as the program under test sees it: under Wine, "/x/y" is "Z:\x\y".
inline std::string NativePath(std::string path)
{
#ifdef _WIN32
    if (!path.empty() && path[0] == '/') {
        for (char& c : path)
            if (c == '/')
                c = '\\';
        path = "Z:" + path;
    }
#endif
    return path;
}

inline std::string Join(const std::string& folder, const std::string& name)
{
#ifdef _WIN32
    const char delim = '\\';
#else
    const char delim = '/';
#endif
    if (!folder.empty() && (folder.back() == '\\' || folder.back() == '/'))
        return folder + name;
    return folder + delim + name;
}

inline std::string EnvOr(const char* name, const std::string& fallback)
{
    const char* value = std::getenv(name);
    return (value && *value) ? NativePath(value) : fallback;
}

// A file made at build time by an outside tool (bzip2, Python's zlib, md5sum).
inline std::string FixturePath(const std::string& relative)
{
    std::string folder = EnvOr("TALMORIS_FIXTURES", "");
    if (folder.empty())
        ADD_FAILURE() << "TALMORIS_FIXTURES is not set";
    std::string path = Join(folder, relative);
#ifdef _WIN32
    for (char& c : path)
        if (c == '/')
            c = '\\';
#endif
    return path;
}

// A folder of the running test's own, emptied when made and when destroyed.
class TempFolder {
public:
    // `suffix` tells apart several folders of one test.
    explicit TempFolder(const std::string& suffix = "")
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string base = EnvOr("TALMORIS_TEST_TMP", std::filesystem::temp_directory_path().string());
        std::string name = (info ? std::string(info->test_suite_name()) + "." + info->name() : "test") + suffix;
        for (char& c : name)
            if (c == '/')
                c = '_';
        path_ = Join(base, name);
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
        std::filesystem::create_directories(path_);
    }
    ~TempFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return Join(path_, name); }

private:
    std::string path_;
};

// The names in a folder, for checks that nothing was left behind.
inline std::vector<std::string> FolderEntries(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

inline std::vector<unsigned char> ReadAll(const std::string& path)
{
    std::vector<unsigned char> bytes;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        unsigned char chunk[4096];
        size_t n;
        while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
            bytes.insert(bytes.end(), chunk, chunk + n);
        std::fclose(f);
    }
    return bytes;
}

inline void WriteAll(const std::string& path, const void* data, size_t size)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    if (size) {
        ASSERT_EQ(std::fwrite(data, 1, size, f), size);
    }
    std::fclose(f);
}

inline void WriteAll(const std::string& path, const std::string& text) { WriteAll(path, text.data(), text.size()); }

}  // namespace test_support
