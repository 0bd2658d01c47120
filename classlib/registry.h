// A registry key in the class library's manner: a root key, one key open at
// a time, opened always from the root (never relative to the key open
// before). Every operation answers whether it worked; nothing raises.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "classlib/sysutils.h"

// The class library's data-type codes; everything but REG_SZ, REG_EXPAND_SZ,
// REG_DWORD and REG_BINARY is rdUnknown.
enum TRegDataType : std::uint8_t { rdUnknown = 0, rdString = 1, rdExpandString = 2, rdInteger = 3, rdBinary = 4 };

// The class library's data type of a registry value type (REG_SZ, ...).
TRegDataType RegDataTypeOf(DWORD type);

class TRegistry {
public:
    explicit TRegistry(REGSAM access = KEY_ALL_ACCESS) : access_(access) {}
    ~TRegistry() { CloseKey(); }
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    HKEY RootKey() const { return root_; }
    void SetRootKey(HKEY root);  // closes the open key
    REGSAM Access() const { return access_; }
    void SetAccess(REGSAM access) { access_ = access; }

    // Opens `path` below the root with the access mask, creating the missing
    // levels when `canCreate`. A leading backslash is ignored.
    bool OpenKey(const String& path, bool canCreate);
    bool OpenKeyReadOnly(const String& path);
    void CloseKey();
    HKEY CurrentKey() const { return key_; }
    const String& CurrentPath() const { return path_; }

    bool KeyExists(const String& path) const;  // below the root
    bool HasSubKeys() const;
    // Names holding a NUL are left out of the lists below: no call of this
    // interface could reach them.
    bool GetKeyNames(std::vector<String>& names) const;
    bool GetValueNames(std::vector<String>& names) const;

    // Every value of the open key with its raw type and bytes, in one pass.
    struct TRawValue {
        String name;
        DWORD type = REG_NONE;
        std::vector<std::uint8_t> data;
    };
    bool GetValues(std::vector<TRawValue>& values) const;

    bool ValueExists(const String& name) const;
    // The value's raw registry type and bytes.
    bool ReadRaw(const String& name, DWORD& type, std::vector<std::uint8_t>& data) const;
    TRegDataType GetDataType(const String& name) const;  // rdUnknown also when missing
    int GetDataSize(const String& name) const;           // -1 when missing

    // Text up to the first NUL, whether the stored bytes end with one or not.
    bool ReadString(const String& name, String& text) const;
    // The first four bytes, little-endian; fewer bytes are filled with zeros.
    bool ReadInteger(const String& name, std::uint32_t& value) const;
    bool ReadBinaryData(const String& name, std::vector<std::uint8_t>& data) const;

    bool WriteString(const String& name, const String& text);
    bool WriteExpandString(const String& name, const String& text);
    bool WriteInteger(const String& name, std::uint32_t value);
    bool WriteBinaryData(const String& name, const void* data, size_t size);
    bool DeleteValue(const String& name);
    // Removes a subkey of the open key with everything below it.
    bool DeleteSubKeyTree(const String& name);

private:
    bool WriteRaw(const String& name, DWORD type, const void* data, size_t size);

    HKEY root_ = HKEY_CURRENT_USER;
    REGSAM access_;
    HKEY key_ = nullptr;
    String path_;
};

// Registry root names and their handles.
String RootKeyName(HKEY root);  // "HKEY_CURRENT_USER", ... or "" for another root
