// A stand-in for Ostrel.dll that plays a script and records what it was
// given, so a test can see the request block and the callbacks' answers
// that the real library keeps to itself. The test loads the same file first
// (so the module and its records outlive the caller's FreeLibrary), sets the
// script through FakeOstrelSetScript and reads FakeOstrelGetSeen afterwards.
// Built twice: with both exports, and without FreeInstance.
#pragma once

#include <windows.h>

#include <cstdint>

struct TFakeOstrelScript {
    int result = 1;               // MakeRequest's answer
    std::uint32_t status = 200;   // the response's first field
    char body[64] = {};
    std::uint32_t bodyLength = 0;
    int stages[8] = {};           // reported in this order
    int stageCount = 0;
};

struct TFakeOstrelSeen {
    int calls = 0;                // MakeRequest
    int freed = 0;                // FreeInstance
    std::uintptr_t instanceGiven = 0;
    std::uintptr_t lastFreed = 0;
    // The request block as it came, its texts copied.
    std::uint8_t useProxy = 0;
    std::uint32_t proxyPort = 0;
    char proxyAddress[300] = {};
    std::uint32_t reserved[6] = {};  // the fields that are always 0
    std::uint32_t connectTimeout = 0;
    std::uint32_t stallTimeout = 0;
    char url[300] = {};
    char userAgent[64] = {};
    bool callbacksSet = false;
    void* context = nullptr;
    int abortAnswer = -1;             // QueryAbort(context), asked once
    int nullContextAbortAnswer = -1;  // QueryAbort(null)
};

using TFakeOstrelSetScript = void(WINAPI*)(const TFakeOstrelScript* script);
using TFakeOstrelGetSeen = void(WINAPI*)(TFakeOstrelSeen* seen);
