#include "support/definitions_builder.h"

#include <fstream>
#include <sstream>

namespace test_support {
namespace {

// {CR}, {LF}, {TAB} and {NUL} stand for those bytes; backslashes are
// plain text, as in every Windows path.
std::string Unescape(std::string text)
{
    const std::pair<const char*, char> tokens[] = {{"{CR}", '\r'}, {"{LF}", '\n'}, {"{TAB}", '\t'}, {"{NUL}", '\0'}};
    for (const auto& [token, byte] : tokens)
        for (size_t at; (at = text.find(token)) != std::string::npos;)
            text.replace(at, std::string(token).size(), 1, byte);
    return text;
}

std::string TrimBlanks(const std::string& s)
{
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return "";
    return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void PutBytes(std::vector<std::uint8_t>& out, const std::string& s) { out.insert(out.end(), s.begin(), s.end()); }

void PutString(std::vector<std::uint8_t>& out, const std::string& s)
{
    PutU32(out, static_cast<std::uint32_t>(s.size()));
    PutBytes(out, s);
}

// "a | b" -> {a, b}
std::pair<std::string, std::string> SplitPair(const std::string& rest)
{
    const auto bar = rest.find(" | ");
    if (bar == std::string::npos)
        throw std::invalid_argument("expected 'key | description': " + rest);
    return {Unescape(rest.substr(0, bar)), Unescape(rest.substr(bar + 3))};
}

}  // namespace

TBuiltDefinitions BuildDefinitions(const std::string& text)
{
    TBuiltDefinitions built;
    std::vector<std::uint8_t> records;
    std::string magic = "SDF";
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        line = TrimBlanks(line);
        if (line.empty() || line[0] == '#')
            continue;
        const auto space = line.find(' ');
        const std::string word = line.substr(0, space);
        const std::string rest = space == std::string::npos ? "" : line.substr(space + 1);
        if (word == "magic") {
            magic = Unescape(rest);
        } else if (word == "KLF" || word == "FIL") {
            const auto [key, description] = SplitPair(rest);
            PutBytes(records, word);
            PutString(records, key);
            PutString(records, description);
        } else if (word == "KEY") {
            const auto gap = rest.find(' ');
            PutBytes(records, word);
            PutU32(records, static_cast<std::uint32_t>(std::stoul(rest.substr(0, gap))));
            PutString(records, gap == std::string::npos ? "" : Unescape(rest.substr(gap + 1)));
        } else if (word == "APR" || word == "RUN" || word == "BHO") {
            PutBytes(records, word);
            PutString(records, Unescape(rest));
        } else if (word == "0BH") {
            PutBytes(records, word);
        } else if (word == "tag") {
            PutBytes(records, Unescape(rest));
        } else if (word == "u32") {
            PutU32(records, static_cast<std::uint32_t>(std::stoul(rest, nullptr, 0)));
        } else if (word == "str") {
            PutString(records, Unescape(rest));
        } else if (word == "bytes") {
            std::istringstream hex(rest);
            std::string byte;
            while (hex >> byte)
                records.push_back(static_cast<std::uint8_t>(std::stoul(byte, nullptr, 16)));
        } else if (word == "descr") {
            const auto equals = rest.find(" = ");
            if (equals == std::string::npos)
                throw std::invalid_argument("expected 'names = text': " + rest);
            std::string names = rest.substr(0, equals);
            const std::string description = Unescape(rest.substr(equals + 3));
            for (size_t bar; (bar = names.find('|')) != std::string::npos; names.erase(0, bar + 1))
                built.descriptions += TrimBlanks(names.substr(0, bar)) + "\n";
            built.descriptions += TrimBlanks(names) + "\n<<LENGTH" + std::to_string(description.size()) + "\n" +
                                  description + "\n";
            built.hasDescriptions = true;
        } else if (word == "def") {
            built.changes += Unescape(rest) + "\r\n";
            built.hasChanges = true;
        } else {
            throw std::invalid_argument("unknown statement: " + line);
        }
    }
    PutBytes(built.database, magic);
    built.database.insert(built.database.end(), records.begin(), records.end());
    return built;
}

void WriteDefinitions(const TBuiltDefinitions& built, const std::string& folder)
{
    const auto write = [&](const std::string& name, const void* data, size_t size) {
        std::ofstream out(folder + (folder.empty() || folder.back() == '\\' || folder.back() == '/' ? "" : "/") + name,
                          std::ios::binary);
        out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
        if (!out)
            throw std::runtime_error("can't write " + name);
    };
    write("spyware.db", built.database.data(), built.database.size());
    if (built.hasDescriptions)
        write("spyware.db.descr", built.descriptions.data(), built.descriptions.size());
    if (built.hasChanges)
        write("spyware.def", built.changes.data(), built.changes.size());
}

}  // namespace test_support
