// Registry helpers of the Windows tests: a key of the test's own under
// HKCU\Software\TalmorisTests, written and read with the raw registry API
// (independent of the code under test), and Wine's own reg.exe as a peer.
#pragma once

#include <windows.h>

#include <shlwapi.h>

#include <map>
#include <ostream>
#include <sstream>
#include <utility>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace test_support {

struct RegValue {
    DWORD type = REG_NONE;
    std::vector<unsigned char> data;
    bool operator==(const RegValue&) const = default;
};

// Readable in test failures: the type and the bytes in hex.
inline void PrintTo(const RegValue& v, std::ostream* os)
{
    static const char kDigits[] = "0123456789abcdef";
    *os << "type " << v.type << " [";
    for (unsigned char b : v.data)
        *os << kDigits[b >> 4] << kDigits[b & 15];
    *os << "]";
}

// Path below HKCU -> value name -> value; every key of the tree appears.
using RegTree = std::map<std::string, std::map<std::string, RegValue>>;

inline RegValue Sz(const std::string& s, DWORD type = REG_SZ)
{
    RegValue v{type, std::vector<unsigned char>(s.begin(), s.end())};
    v.data.push_back(0);
    return v;
}
inline RegValue Dword(DWORD d)
{
    return RegValue{REG_DWORD, {static_cast<unsigned char>(d), static_cast<unsigned char>(d >> 8),
                                static_cast<unsigned char>(d >> 16), static_cast<unsigned char>(d >> 24)}};
}
inline RegValue Bin(std::vector<unsigned char> bytes) { return RegValue{REG_BINARY, std::move(bytes)}; }

inline void SetValue(const std::string& path, const std::string& name, const RegValue& v)
{
    // The system counts a text's byte after the data when it is zero and the
    // last byte isn't: a byte that isn't zero stands there.
    std::vector<unsigned char> data(v.data);
    data.push_back(0xFF);
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS)
        << path;
    ASSERT_EQ(RegSetValueExA(key, name.c_str(), 0, v.type, data.data(), static_cast<DWORD>(v.data.size())),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

inline void CreateKey(const std::string& path)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

inline void DeleteValue(const std::string& path, const std::string& name)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueA(key, name.c_str()), ERROR_SUCCESS);
    RegCloseKey(key);
}

inline void DeleteTree(const std::string& path) { SHDeleteKeyA(HKEY_CURRENT_USER, path.c_str()); }

inline void Plant(const std::string& base, const RegTree& tree)
{
    for (const auto& [path, values] : tree) {
        const std::string full = path.empty() ? base : base + "\\" + path;
        CreateKey(full);
        for (const auto& [name, value] : values)
            SetValue(full, name, value);
    }
}

inline void DumpInto(HKEY key, const std::string& relative, RegTree& tree)
{
    auto& values = tree[relative];
    char name[1024];
    std::vector<unsigned char> data(65536);
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = sizeof name, type = 0, size = static_cast<DWORD>(data.size());
        if (RegEnumValueA(key, i, name, &nameLength, nullptr, &type, data.data(), &size) != ERROR_SUCCESS)
            break;
        values[std::string(name, nameLength)] = RegValue{type, std::vector<unsigned char>(data.begin(), data.begin() + size)};
    }
    std::vector<std::string> subkeys;
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = sizeof name;
        if (RegEnumKeyExA(key, i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        subkeys.emplace_back(name, nameLength);
    }
    for (const std::string& sub : subkeys) {
        HKEY child = nullptr;
        if (RegOpenKeyExA(key, sub.c_str(), 0, KEY_READ, &child) == ERROR_SUCCESS) {
            DumpInto(child, relative.empty() ? sub : relative + "\\" + sub, tree);
            RegCloseKey(child);
        }
    }
}

// The whole tree below HKCU\<base>; empty when the key is missing.
inline RegTree Dump(const std::string& base)
{
    RegTree tree;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, base.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return tree;
    DumpInto(key, "", tree);
    RegCloseKey(key);
    return tree;
}

// A key of the running test's own, removed when made and when destroyed.
class TestKey {
public:
    TestKey()
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        path_ = std::string("Software\\TalmorisTests\\") + info->test_suite_name() + "." + info->name();
        DeleteTree(path_);
        CreateKey(path_);
    }
    ~TestKey() { DeleteTree(path_); }
    TestKey(const TestKey&) = delete;
    TestKey& operator=(const TestKey&) = delete;
    const std::string& Path() const { return path_; }
    std::string Sub(const std::string& relative) const { return path_ + "\\" + relative; }

private:
    std::string path_;
};

// Runs a program of the Wine prefix (reg.exe, ...) and returns its output.
inline std::string RunAndCapture(const std::string& commandLine, DWORD* exitCode = nullptr)
{
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &sa, 0))
        return std::string();
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = writeEnd;
    si.hStdError = writeEnd;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi{};
    std::string line = commandLine;
    std::string output;
    if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi)) {
        CloseHandle(writeEnd);
        writeEnd = nullptr;
        char buffer[4096];
        DWORD n = 0;
        while (ReadFile(readEnd, buffer, sizeof buffer, &n, nullptr) && n > 0)
            output.append(buffer, n);
        WaitForSingleObject(pi.hProcess, 30000);
        DWORD code = 0;
        GetExitCodeProcess(pi.hProcess, &code);
        if (exitCode)
            *exitCode = code;
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    if (writeEnd)
        CloseHandle(writeEnd);
    CloseHandle(readEnd);
    return output;
}

// `reg query` of a key of HKEY_CURRENT_USER, read back through Wine's own
// reg.exe: value name -> its type and data as reg prints them.
inline std::map<std::string, std::pair<std::string, std::string>> QueryWithReg(const std::string& key)
{
    const std::string out = RunAndCapture("reg.exe query \"HKCU\\" + key + "\"");
    std::map<std::string, std::pair<std::string, std::string>> values;
    std::istringstream in(out);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.rfind("    ", 0) != 0)
            continue;
        const std::string rest = line.substr(4);
        const size_t a = rest.find("    ");
        if (a == std::string::npos)
            continue;
        const size_t b = rest.find("    ", a + 4);
        values[rest.substr(0, a)] = {rest.substr(a + 4, b == std::string::npos ? std::string::npos : b - a - 4),
                                     b == std::string::npos ? std::string() : rest.substr(b + 4)};
    }
    return values;
}

}  // namespace test_support
