// The text side of the Free Pascal peer tools: one record per line, strings
// in hexadecimal ("-" for an empty one), and the tools' two commands.
#pragma once

#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "classlib/exceptions.h"
#include "classlib/sysutils.h"

namespace test_support {

inline String FromHex(const std::string& hex)
{
    if (hex == "-")
        return String();
    String s;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        s += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return s;
}

inline std::string ToHex(const String& s)
{
    if (s.empty())
        return "-";
    static const char kHex[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : s) {
        hex += kHex[c >> 4];
        hex += kHex[c & 0xF];
    }
    return hex;
}

// Calls `record` with the fields of each non-empty line; false as soon as
// one of them can't be read.
inline bool ForEachRecordLine(const char* textFile, const std::function<bool(std::istringstream&)>& record)
{
    std::ifstream in(textFile);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            continue;
        std::istringstream fields(line);
        if (!record(fields))
            return false;
    }
    return true;
}

// "<tool> write <records.txt> <list file>" and "<tool> dump <list file>";
// exit code 1 for a list the class library refuses, 2 for wrong use.
inline int RunPeerTool(int argc, char** argv, const char* usage, const std::function<int(const char*, const char*)>& write,
                       const std::function<int(const char*)>& dump)
{
    try {
        if (argc == 4 && std::string(argv[1]) == "write")
            return write(argv[2], argv[3]);
        if (argc == 3 && std::string(argv[1]) == "dump")
            return dump(argv[2]);
    } catch (const Exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    std::fprintf(stderr, "usage: %s\n", usage);
    return 2;
}

}  // namespace test_support
