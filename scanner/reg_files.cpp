#include "scanner/reg_files.h"

#include <windows.h>

#include <vector>

#include "classlib/file_system.h"
#include "scanner/search_services.h"

namespace {

constexpr REGSAM kExportAccess = KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS;
constexpr DWORD kLargestImport = 256u << 20;

class TRegKeyHandle {
public:
    TRegKeyHandle() = default;
    ~TRegKeyHandle() { Close(); }
    TRegKeyHandle(const TRegKeyHandle&) = delete;
    TRegKeyHandle& operator=(const TRegKeyHandle&) = delete;

    HKEY* Receive()
    {
        Close();
        return &key_;
    }
    HKEY Get() const { return key_; }
    void Close()
    {
        if (key_)
            RegCloseKey(key_);
        key_ = nullptr;
    }

private:
    HKEY key_ = nullptr;
};

LONG OpenForExport(TRootKey root, const String& path, TRegKeyHandle& key)
{
    const HKEY rootKey = RootKeyHandleOf(root);
    return rootKey ? RegOpenKeyExA(rootKey, path.c_str(), 0, kExportAccess, key.Receive()) : ERROR_INVALID_HANDLE;
}

struct TKeySizes {
    DWORD longestSubkey = 0;
    DWORD longestValueName = 0;
    DWORD largestValue = 0;
};

bool QuerySizes(HKEY key, TKeySizes& sizes)
{
    return RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, &sizes.longestSubkey, nullptr, nullptr,
                            &sizes.longestValueName, &sizes.largestValue, nullptr, nullptr) == ERROR_SUCCESS;
}

// Reads the entries of an open key from index 0 until the system answers
// that there are no more; an entry that grew since the key was measured is
// read again after measuring anew (a few times at most).
template <class TReadAt>
bool ReadEntries(HKEY key, TReadAt readAt)
{
    TKeySizes sizes;
    if (!QuerySizes(key, sizes))
        return false;
    for (DWORD index = 0, remeasured = 0;;) {
        const LONG result = readAt(index, sizes);
        if (result == ERROR_NO_MORE_ITEMS)
            return true;
        if (result == ERROR_MORE_DATA && ++remeasured <= 8 && QuerySizes(key, sizes))
            continue;
        if (result != ERROR_SUCCESS)
            return false;
        ++index;
    }
}

// The value lines of an open key, in enumeration order; false when a value
// can't be read or written as a line.
bool AppendValueLines(HKEY key, String& text)
{
    bool formatted = true;
    const bool read = ReadEntries(key, [&](DWORD index, const TKeySizes& sizes) {
        std::vector<char> name(sizes.longestValueName + 1);
        std::vector<std::uint8_t> data(sizes.largestValue + 1);
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD dataSize = static_cast<DWORD>(data.size());
        DWORD type = 0;
        const LONG result = RegEnumValueA(key, index, name.data(), &nameLength, nullptr, &type, data.data(), &dataSize);
        if (result == ERROR_SUCCESS) {
            const String line = FormatRegValue(String(name.data(), nameLength), data.data(), dataSize, type);
            formatted = formatted && !line.empty();
            text += line;
        }
        return result;
    });
    return read && formatted;
}

bool ReadSubkeyNames(HKEY key, std::vector<String>& names)
{
    return ReadEntries(key, [&](DWORD index, const TKeySizes& sizes) {
        std::vector<char> name(sizes.longestSubkey + 1);
        DWORD length = static_cast<DWORD>(name.size());
        const LONG result = RegEnumKeyExA(key, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_SUCCESS)
            names.emplace_back(name.data(), length);
        return result;
    });
}

// Delivers what the reader reads into the registry.
class TRegistryReceiver : public TRegFileReceiver {
public:
    std::uint32_t OpenKey(TRootKey root, const String& path) override
    {
        const HKEY rootKey = RootKeyHandleOf(root);
        if (!rootKey)
            return ERROR_INVALID_HANDLE;
        return static_cast<std::uint32_t>(RegCreateKeyExA(rootKey, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                                          KEY_WRITE, nullptr, key_.Receive(), nullptr));
    }
    std::uint32_t SetValue(const TRegFileValue& value) override
    {
        if (!key_.Get())
            return ERROR_INVALID_HANDLE;
        // The system counts one byte more for a text whose last byte isn't
        // zero when the byte after the data is: a byte that is not zero
        // stands there so the value is stored exactly as read.
        std::vector<std::uint8_t> data(value.Data);
        data.push_back(0xFF);
        return static_cast<std::uint32_t>(RegSetValueExA(key_.Get(), value.Name.empty() ? nullptr : value.Name.c_str(),
                                                         0, value.Type, value.Data.empty() ? nullptr : data.data(),
                                                         static_cast<DWORD>(value.Data.size())));
    }
    void CloseKey() override { key_.Close(); }

private:
    TRegKeyHandle key_;
};

bool ReadWholeFile(const String& fileName, String& text)
{
    const HANDLE file =
        CreateFileA(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;  // the open's own error stays
    LARGE_INTEGER size{};
    bool ok = GetFileSizeEx(file, &size) != 0;
    if (ok && size.QuadPart > kLargestImport) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        ok = false;
    }
    if (ok) {
        text.assign(static_cast<size_t>(size.QuadPart), '\0');
        DWORD read = 0;
        ok = text.empty() || (ReadFile(file, text.data(), static_cast<DWORD>(text.size()), &read, nullptr) &&
                              read == text.size());
        if (ok)
            text.resize(read);
    }
    const DWORD error = GetLastError();
    CloseHandle(file);
    SetLastError(error);
    return ok;
}

}  // namespace

bool ExportRegKey(String& text, TRootKey root, const String& keyPath, bool withSubkeys)
{
    // A path the text can't carry fails the export: the key would go
    // without a copy that brings it back.
    const String keyLine = RegKeyLine(root, keyPath);
    if (keyLine.empty())
        return false;
    TRegKeyHandle key;
    const LONG opened = OpenForExport(root, keyPath, key);
    if (opened == ERROR_ACCESS_DENIED)
        return true;  // a key we may not read is passed over
    if (opened != ERROR_SUCCESS)
        return false;
    text += keyLine;
    if (!AppendValueLines(key.Get(), text))
        return false;
    text += "\r\n";
    if (!withSubkeys)
        return true;
    std::vector<String> subkeys;
    if (!ReadSubkeyNames(key.Get(), subkeys))
        return false;
    key.Close();
    const String prefix = !keyPath.empty() && keyPath.back() == '\\' ? keyPath : keyPath + "\\";
    for (const String& subkey : subkeys)
        if (!ExportRegKey(text, root, prefix + subkey, true))
            return false;
    return true;
}

bool ExportToRegFile(TRootKey root, const String& keyPath, const std::optional<String>& valueName, bool withSubkeys,
                     const String& fileName, bool writeHeader)
{
    if (fileName.empty() || (valueName && withSubkeys))
        return false;
    String text = writeHeader ? String(kRegFileHeader) : String();
    bool ok = false;
    if (!valueName) {
        // The key itself must be readable; only subkeys we may not read are
        // passed over.
        TRegKeyHandle key;
        ok = OpenForExport(root, keyPath, key) == ERROR_SUCCESS;
        key.Close();
        ok = ok && ExportRegKey(text, root, keyPath, withSubkeys);
    } else {
        TRegKeyHandle key;
        DWORD type = 0, size = 0;
        if (OpenForExport(root, keyPath, key) == ERROR_SUCCESS &&
            RegQueryValueExA(key.Get(), valueName->c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
            std::vector<std::uint8_t> data(size + 1);
            DWORD read = size;
            if (RegQueryValueExA(key.Get(), valueName->c_str(), nullptr, &type, data.data(), &read) == ERROR_SUCCESS) {
                const String keyLine = RegKeyLine(root, keyPath);
                const String line = FormatRegValue(*valueName, data.data(), read, type);
                ok = !keyLine.empty() && !line.empty();
                text += keyLine + line + "\r\n";
            }
        }
    }
    if (ok && WriteFileAtomically(fileName, text.data(), text.size()))
        return true;
    DeleteFileA(fileName.c_str());
    return false;
}

bool ImportRegFile(const String& fileName)
{
    if (fileName.empty()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    String text;
    if (!ReadWholeFile(fileName, text))
        return false;
    TRegistryReceiver receiver;
    const std::uint32_t result = ReadRegText(text, receiver);
    receiver.CloseKey();
    SetLastError(result);
    return result == kRegFileOk;
}
