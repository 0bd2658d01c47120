#include "scanner/names_binding.h"

#include <cstdint>
#include <vector>

#include "classlib/file_system.h"

bool TNamesBinding::LoadFromFile(const String& fileName)
{
    names_.clear();
    std::vector<std::uint8_t> bytes;
    if (!ReadFileBytes(fileName, bytes))
        return false;
    LoadFromText(String(bytes.begin(), bytes.end()));
    return true;
}

void TNamesBinding::LoadFromText(const String& text)
{
    names_.clear();
    const size_t end = text.find('\0');
    const size_t length = end == String::npos ? text.size() : end;
    size_t start = 0;
    while (start < length) {
        size_t stop = start;
        while (stop < length && text[stop] != '\r' && text[stop] != '\n')
            ++stop;
        const String line = text.substr(start, stop - start);
        const size_t separator = line.find('=');
        if (separator != String::npos)
            names_.emplace(line.substr(0, separator), line.substr(separator + 1));  // the first line wins
        start = stop;
        if (start < length && text[start] == '\r')
            ++start;
        if (start < length && text[start] == '\n')
            ++start;
    }
}

String TNamesBinding::DisplayNameOf(const String& name) const
{
    const auto found = names_.find(name);
    return found != names_.end() ? found->second : String();
}

String TNamesBinding::DisplayNameOr(const String& name, const String& fallback) const
{
    const String display = DisplayNameOf(name);
    return display.empty() ? fallback : display;
}
