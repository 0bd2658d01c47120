#include "scanner/root_keys.h"

namespace {

struct TRootKeyName {
    const char* LongName;
    const char* Prefix;
};

constexpr TRootKeyName kRootKeyNames[kRootKeyCount] = {
    {"HKEY_CLASSES_ROOT", "HKCR\\"},     {"HKEY_CURRENT_USER", "HKCU\\"},
    {"HKEY_LOCAL_MACHINE", "HKLM\\"},    {"HKEY_USERS", "HKU\\"},
    {"HKEY_PERFORMANCE_DATA", "HKPD\\"}, {"HKEY_CURRENT_CONFIG", "HKCC\\"},
    {"HKEY_DYN_DATA", "HKDD\\"},
};

}  // namespace

int RootKeyIndex(const String& longName)
{
    for (int i = 0; i < kRootKeyCount; ++i)
        if (SameText(longName, kRootKeyNames[i].LongName))
            return i;
    return -1;
}

int RootKeyIndexOf(TRootKey root)
{
    return root >= kClassesRoot && root <= kDynData ? static_cast<int>(root - kClassesRoot) : -1;
}

TRootKey RootKeyOfIndex(int index)
{
    return index >= 0 && index < kRootKeyCount ? kClassesRoot + static_cast<TRootKey>(index) : kNoRootKey;
}

String RootKeyPrefix(TRootKey root)
{
    const int index = RootKeyIndexOf(root);
    return index < 0 ? String() : String(kRootKeyNames[index].Prefix);
}

String RootKeyLongName(int index)
{
    return index >= 0 && index < kRootKeyCount ? String(kRootKeyNames[index].LongName) : String();
}
