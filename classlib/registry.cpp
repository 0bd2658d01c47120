#include "classlib/registry.h"

#include <shlwapi.h>

#include <algorithm>

namespace {

String Relative(const String& path)
{
    size_t first = 0;
    while (first < path.size() && path[first] == '\\')
        ++first;
    return path.substr(first);
}

// Names of subkeys or values of `key`, sized from RegQueryInfoKey.
bool EnumNames(HKEY key, bool values, std::vector<String>& names)
{
    names.clear();
    if (!key)
        return false;
    DWORD subKeys = 0, maxSubKey = 0, valueCount = 0, maxValueName = 0;
    if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subKeys, &maxSubKey, nullptr, &valueCount, &maxValueName,
                         nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return false;
    const DWORD count = values ? valueCount : subKeys;
    std::vector<char> buffer((values ? maxValueName : maxSubKey) + 2);
    for (DWORD i = 0;;) {
        DWORD length = static_cast<DWORD>(buffer.size());
        const LONG rc = values ? RegEnumValueA(key, i, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr)
                               : RegEnumKeyExA(key, i, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS)
            return true;
        if (rc == ERROR_MORE_DATA && buffer.size() < 65536) {
            buffer.resize(buffer.size() * 2 + 256);  // a longer name appeared since the key was measured
            continue;
        }
        if (rc != ERROR_SUCCESS)
            return false;
        // A name with a NUL inside can't be named through this interface
        // (every call would reach another key or value): leave it out.
        if (std::find(buffer.data(), buffer.data() + length, '\0') == buffer.data() + length)
            names.emplace_back(buffer.data(), length);
        if (names.size() > count + 100000)
            return false;  // never loop on a key that keeps changing
        ++i;
    }
}

}  // namespace

void TRegistry::SetRootKey(HKEY root)
{
    CloseKey();
    root_ = root;
}

bool TRegistry::OpenKey(const String& path, bool canCreate)
{
    CloseKey();
    HKEY key = nullptr;
    const String relative = Relative(path);
    LONG rc;
    if (canCreate)
        rc = RegCreateKeyExA(root_, relative.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access_, nullptr, &key,
                             nullptr);
    else
        rc = RegOpenKeyExA(root_, relative.c_str(), 0, access_, &key);
    if (rc != ERROR_SUCCESS)
        return false;
    key_ = key;
    path_ = relative;
    return true;
}

bool TRegistry::OpenKeyReadOnly(const String& path)
{
    const REGSAM saved = access_;
    access_ = KEY_READ;
    const bool ok = OpenKey(path, false);
    access_ = saved;
    return ok;
}

void TRegistry::CloseKey()
{
    if (key_) {
        RegCloseKey(key_);
        key_ = nullptr;
    }
    path_.clear();
}

bool TRegistry::KeyExists(const String& path) const
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(root_, Relative(path).c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

bool TRegistry::HasSubKeys() const
{
    DWORD subKeys = 0;
    return key_ && RegQueryInfoKeyA(key_, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr, nullptr,
                                    nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
           subKeys > 0;
}

bool TRegistry::GetKeyNames(std::vector<String>& names) const { return EnumNames(key_, false, names); }
bool TRegistry::GetValueNames(std::vector<String>& names) const { return EnumNames(key_, true, names); }

bool TRegistry::GetValues(std::vector<TRawValue>& values) const
{
    values.clear();
    if (!key_)
        return false;
    DWORD count = 0, maxName = 0, maxData = 0;
    if (RegQueryInfoKeyA(key_, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &maxName, &maxData,
                         nullptr, nullptr) != ERROR_SUCCESS)
        return false;
    std::vector<char> name(maxName + 2);
    std::vector<std::uint8_t> data(maxData + 1);
    for (DWORD i = 0;;) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD dataLength = static_cast<DWORD>(data.size());
        DWORD type = 0;
        const LONG rc = RegEnumValueA(key_, i, name.data(), &nameLength, nullptr, &type, data.data(), &dataLength);
        if (rc == ERROR_NO_MORE_ITEMS)
            return true;
        if (rc == ERROR_MORE_DATA) {
            // A value grew since the key was measured.
            name.resize(name.size() * 2 + 256);
            data.resize(std::max<size_t>(data.size() * 2, dataLength + 1));
            if (data.size() > 0x10000000)
                return false;
            continue;
        }
        if (rc != ERROR_SUCCESS)
            return false;
        if (std::find(name.data(), name.data() + nameLength, '\0') == name.data() + nameLength)
            values.push_back(TRawValue{String(name.data(), nameLength), type,
                                       std::vector<std::uint8_t>(data.begin(), data.begin() + dataLength)});
        ++i;
    }
}

bool TRegistry::ValueExists(const String& name) const
{
    return key_ && RegQueryValueExA(key_, name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

bool TRegistry::ReadRaw(const String& name, DWORD& type, std::vector<std::uint8_t>& data) const
{
    data.clear();
    if (!key_)
        return false;
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD size = 0;
        if (RegQueryValueExA(key_, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
            return false;
        data.resize(size);
        if (size == 0)
            return true;
        const LONG rc = RegQueryValueExA(key_, name.c_str(), nullptr, &type, data.data(), &size);
        if (rc == ERROR_SUCCESS) {
            data.resize(size);
            return true;
        }
        if (rc != ERROR_MORE_DATA)
            return false;  // else the value grew between the two calls
    }
    return false;
}

TRegDataType RegDataTypeOf(DWORD type)
{
    switch (type) {
    case REG_SZ: return rdString;
    case REG_EXPAND_SZ: return rdExpandString;
    case REG_DWORD: return rdInteger;
    case REG_BINARY: return rdBinary;
    default: return rdUnknown;
    }
}

TRegDataType TRegistry::GetDataType(const String& name) const
{
    DWORD type = 0;
    if (!key_ || RegQueryValueExA(key_, name.c_str(), nullptr, &type, nullptr, nullptr) != ERROR_SUCCESS)
        return rdUnknown;
    return RegDataTypeOf(type);
}

int TRegistry::GetDataSize(const String& name) const
{
    DWORD size = 0;
    if (!key_ || RegQueryValueExA(key_, name.c_str(), nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS)
        return -1;
    return size > static_cast<DWORD>(INT32_MAX) ? -1 : static_cast<int>(size);
}

bool TRegistry::ReadString(const String& name, String& text) const
{
    DWORD type = 0;
    std::vector<std::uint8_t> data;
    if (!ReadRaw(name, type, data))
        return false;
    size_t length = 0;
    while (length < data.size() && data[length] != 0)
        ++length;
    text.assign(reinterpret_cast<const char*>(data.data()), length);
    return true;
}

bool TRegistry::ReadInteger(const String& name, std::uint32_t& value) const
{
    DWORD type = 0;
    std::vector<std::uint8_t> data;
    if (!ReadRaw(name, type, data))
        return false;
    value = 0;
    for (size_t i = 0; i < 4 && i < data.size(); ++i)
        value |= static_cast<std::uint32_t>(data[i]) << (8 * i);
    return true;
}

bool TRegistry::ReadBinaryData(const String& name, std::vector<std::uint8_t>& data) const
{
    DWORD type = 0;
    return ReadRaw(name, type, data);
}

bool TRegistry::WriteRaw(const String& name, DWORD type, const void* data, size_t size)
{
    if (!key_ || size > 0x7FFFFFFF)
        return false;
    return RegSetValueExA(key_, name.c_str(), 0, type, static_cast<const BYTE*>(data), static_cast<DWORD>(size)) ==
           ERROR_SUCCESS;
}

bool TRegistry::WriteString(const String& name, const String& text)
{
    return WriteRaw(name, REG_SZ, text.c_str(), text.size() + 1);
}

bool TRegistry::WriteExpandString(const String& name, const String& text)
{
    return WriteRaw(name, REG_EXPAND_SZ, text.c_str(), text.size() + 1);
}

bool TRegistry::WriteInteger(const String& name, std::uint32_t value)
{
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                                   static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
    return WriteRaw(name, REG_DWORD, bytes, sizeof bytes);
}

bool TRegistry::WriteBinaryData(const String& name, const void* data, size_t size)
{
    return WriteRaw(name, REG_BINARY, data, size);
}

bool TRegistry::DeleteValue(const String& name)
{
    return key_ && RegDeleteValueA(key_, name.c_str()) == ERROR_SUCCESS;
}

bool TRegistry::DeleteSubKeyTree(const String& name)
{
    return key_ && !name.empty() && SHDeleteKeyA(key_, name.c_str()) == ERROR_SUCCESS;
}

String RootKeyName(HKEY root)
{
    if (root == HKEY_CLASSES_ROOT)
        return "HKEY_CLASSES_ROOT";
    if (root == HKEY_CURRENT_USER)
        return "HKEY_CURRENT_USER";
    if (root == HKEY_LOCAL_MACHINE)
        return "HKEY_LOCAL_MACHINE";
    if (root == HKEY_USERS)
        return "HKEY_USERS";
    if (root == HKEY_CURRENT_CONFIG)
        return "HKEY_CURRENT_CONFIG";
    return String();
}
