// A stand-in for the alert program in tests: started with a request id as its
// whole command line, it copies the block "map_" + id into
// %TALMORIS_FAKE_ALERT_DUMP%\<id>.block and answers as
// %TALMORIS_FAKE_ALERT_ANSWER% says:
//   "<answer> <flag>"  writes both (6 Yes, 7 No, anything else is no answer)
//   "none"             writes nothing
//   "wait <ms>"        waits, then writes nothing (for cancelling)
//   "late <ms> <answer> <flag>"  waits, then writes both
//   "until <file> <answer> <flag>"  waits (up to 30 s) for the file to exist,
//                      then writes both (the file name has no blanks)
// Each start also appends the id as a line to <dump folder>\asked.log.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    const std::string id = GetCommandLineA();
    const HANDLE mapping = OpenFileMappingA(FILE_MAP_WRITE | FILE_MAP_READ, FALSE, ("map_" + id).c_str());
    if (!mapping)
        return 2;
    auto* block = static_cast<unsigned char*>(MapViewOfFile(mapping, FILE_MAP_WRITE | FILE_MAP_READ, 0, 0, 0));
    if (!block)
        return 3;
    char folder[MAX_PATH] = {};
    if (GetEnvironmentVariableA("TALMORIS_FAKE_ALERT_DUMP", folder, sizeof folder)) {
        const std::string path = std::string(folder) + "\\" + id + ".block";
        if (FILE* dump = std::fopen(path.c_str(), "wb")) {
            std::fwrite(block, 1, 10241, dump);
            std::fclose(dump);
        }
        if (FILE* log = std::fopen((std::string(folder) + "\\asked.log").c_str(), "ab")) {
            std::fprintf(log, "%s\n", id.c_str());
            std::fclose(log);
        }
    }
    char script[256] = {};
    GetEnvironmentVariableA("TALMORIS_FAKE_ALERT_ANSWER", script, sizeof script);
    int answer = 0, flag = 0, ms = 0;
    char file[MAX_PATH] = {};
    if (std::sscanf(script, "until %259s %d %d", file, &answer, &flag) == 3) {
        for (int waited = 0; waited < 30000 && GetFileAttributesA(file) == INVALID_FILE_ATTRIBUTES; waited += 20)
            Sleep(20);
        std::memcpy(block, &answer, 4);
        std::memcpy(block + 4, &flag, 4);
    } else if (std::sscanf(script, "wait %d", &ms) == 1) {
        Sleep(static_cast<DWORD>(ms));
    } else if (std::sscanf(script, "late %d %d %d", &ms, &answer, &flag) == 3) {
        Sleep(static_cast<DWORD>(ms));
        std::memcpy(block, &answer, 4);
        std::memcpy(block + 4, &flag, 4);
    } else if (std::sscanf(script, "%d %d", &answer, &flag) == 2) {
        std::memcpy(block, &answer, 4);
        std::memcpy(block + 4, &flag, 4);
    }
    UnmapViewOfFile(block);
    CloseHandle(mapping);
    return 0;
}
