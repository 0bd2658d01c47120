// Registry helpers of the Windows tests: keys and values under a given root
// (the forms without one work below HKEY_CURRENT_USER, where a test's own
// key under HKCU\Software\TalmorisTests lives), written and read with the
// raw registry API (independent of the code under test), and Wine's own
// reg.exe as a peer.
#pragma once

#include <windows.h>

#include <shlwapi.h>

#include <algorithm>
#include <map>
#include <optional>
#include <ostream>
#include <sstream>
#include <utility>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "classlib/win_handle.h"

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

// A key handle of a helper, closed however the helper ends.
using OpenKey = TUniqueKey;

// Set-up fails the test when the registry refuses; a clean-up of what may
// not be there (or may be gone already) says nothing.
enum class IfMissing { Fail, Ignore };

inline void CreateKeyIn(HKEY root, const std::string& path)
{
    OpenKey key;
    ASSERT_EQ(RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Out(), nullptr),
              ERROR_SUCCESS)
        << path;
}

// Writes exactly the bytes of `v`, making the key when missing.
inline void SetValueIn(HKEY root, const std::string& path, const std::string& name, const RegValue& v)
{
    // The system counts a text's byte after the data when it is zero and the
    // last byte isn't: a byte that isn't zero stands there.
    std::vector<unsigned char> data(v.data);
    data.push_back(0xFF);
    OpenKey key;
    ASSERT_EQ(RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Out(), nullptr),
              ERROR_SUCCESS)
        << path;
    ASSERT_EQ(RegSetValueExA(key.Get(), name.c_str(), 0, v.type, data.data(), static_cast<DWORD>(v.data.size())),
              ERROR_SUCCESS)
        << path << " " << name;
}

inline void DeleteValueIn(HKEY root, const std::string& path, const std::string& name,
                          IfMissing ifMissing = IfMissing::Fail)
{
    OpenKey key;
    const LONG opened = RegOpenKeyExA(root, path.c_str(), 0, KEY_SET_VALUE, key.Out());
    if (ifMissing == IfMissing::Ignore) {
        if (opened == ERROR_SUCCESS)
            RegDeleteValueA(key.Get(), name.c_str());
        return;
    }
    ASSERT_EQ(opened, ERROR_SUCCESS) << path;
    EXPECT_EQ(RegDeleteValueA(key.Get(), name.c_str()), ERROR_SUCCESS) << path << " " << name;
}

// Gone whole; nothing said when it wasn't there.
inline void DeleteTreeIn(HKEY root, const std::string& path) { SHDeleteKeyA(root, path.c_str()); }

// The value as stored, its type and bytes; none when the key or the value is
// missing.
inline std::optional<RegValue> ReadValueIn(HKEY root, const std::string& path, const std::string& name)
{
    OpenKey key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.Out()) != ERROR_SUCCESS)
        return std::nullopt;
    RegValue value;
    DWORD size = 0;
    if (RegQueryValueExA(key.Get(), name.c_str(), nullptr, &value.type, nullptr, &size) != ERROR_SUCCESS)
        return std::nullopt;
    value.data.resize(size);
    if (size &&
        RegQueryValueExA(key.Get(), name.c_str(), nullptr, &value.type, value.data.data(), &size) != ERROR_SUCCESS)
        return std::nullopt;
    value.data.resize(size);
    return value;
}

inline bool ValueExistsIn(HKEY root, const std::string& path, const std::string& name)
{
    return ReadValueIn(root, path, name).has_value();
}

// A value's data as text, up to its first zero byte; none when missing.
inline std::optional<std::string> ValueTextIn(HKEY root, const std::string& path, const std::string& name)
{
    const std::optional<RegValue> value = ReadValueIn(root, path, name);
    if (!value)
        return std::nullopt;
    const auto end = std::find(value->data.begin(), value->data.end(), 0);
    return std::string(value->data.begin(), end);
}

// The same below HKEY_CURRENT_USER.
inline void SetValue(const std::string& path, const std::string& name, const RegValue& v)
{
    SetValueIn(HKEY_CURRENT_USER, path, name, v);
}
inline void CreateKey(const std::string& path) { CreateKeyIn(HKEY_CURRENT_USER, path); }
inline void DeleteValue(const std::string& path, const std::string& name)
{
    DeleteValueIn(HKEY_CURRENT_USER, path, name);
}
inline void DeleteTree(const std::string& path) { DeleteTreeIn(HKEY_CURRENT_USER, path); }

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

// The whole tree below <root>\<base>; empty when the key is missing.
inline RegTree DumpIn(HKEY root, const std::string& base)
{
    RegTree tree;
    OpenKey key;
    if (RegOpenKeyExA(root, base.c_str(), 0, KEY_READ, key.Out()) != ERROR_SUCCESS)
        return tree;
    DumpInto(key.Get(), "", tree);
    return tree;
}
inline RegTree Dump(const std::string& base) { return DumpIn(HKEY_CURRENT_USER, base); }

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

// A value as reg prints it: its type and its data.
using RegTypeAndData = std::pair<std::string, std::string>;

// `reg query` of a key by its full name (HKLM\Software\X), read back
// through Wine's own reg.exe.
struct RegQueryResult {
    bool exists = false;                           // reg found the key
    std::map<std::string, RegTypeAndData> values;  // by value name
};

inline RegQueryResult QueryKeyWithReg(const std::string& fullName)
{
    // reg answers 0 for a key it lists and 1 for one it can't: anything
    // else means it never ran, and a key "not there" would prove nothing.
    DWORD exitCode = 0xFFFFFFFF;
    const std::string out = RunAndCapture("reg.exe query \"" + fullName + "\"", &exitCode);
    RegQueryResult result;
    result.exists = exitCode == 0;
    if (exitCode != 0 && exitCode != 1)
        ADD_FAILURE() << "reg.exe query \"" << fullName << "\" ended with " << exitCode;
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
        result.values[rest.substr(0, a)] = {
            rest.substr(a + 4, b == std::string::npos ? std::string::npos : b - a - 4),
            b == std::string::npos ? std::string() : rest.substr(b + 4)};
    }
    return result;
}

// The values of a key of HKEY_CURRENT_USER as reg lists them.
inline std::map<std::string, RegTypeAndData> QueryWithReg(const std::string& key)
{
    return QueryKeyWithReg("HKCU\\" + key).values;
}

}  // namespace test_support
