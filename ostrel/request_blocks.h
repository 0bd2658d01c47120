// What passes between the program's request thread and Ostrel.dll, the
// request library it loads at run time: one request block in, one response
// block out, and the library's two exports. The blocks are packed; on the
// shipped 32-bit build every pointer is a 32-bit address, so the request
// block is 65 bytes and the response block 16. The 64-bit test build widens
// only the pointer fields (the blocks are private to our two sides).
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

// The library asks these while it works; `context` is the request block's.
using TRequestQueryAbort = int(WINAPI*)(void* context);  // non-zero: stop
using TRequestStage = void(WINAPI*)(void* context, int stage);
using TRequestProgress = void(WINAPI*)(void* context, std::uint32_t received, std::int32_t total);

#pragma pack(push, 1)
struct TRequestBlock {
    std::uint8_t UseProxy;        // 0 or 1
    std::uint32_t ProxyPort;      // outside 1-65535: the proxy's default port
    const char* ProxyAddress;     // zero-terminated; empty or null: no proxy
    std::uint32_t Reserved9;
    std::uint32_t Reserved13;
    std::uint32_t ConnectTimeout; // seconds (30)
    std::uint32_t StallTimeout;   // seconds a send or receive may stall (10)
    const char* Url;              // zero-terminated
    std::uint32_t Reserved29;
    TRequestQueryAbort QueryAbort;
    TRequestStage Stage;
    std::uint32_t Reserved41;
    TRequestProgress Progress;
    void* Context;
    std::uint32_t Reserved53;
    std::uint32_t Reserved57;
    const char* UserAgent;        // zero-terminated
};

struct TResponseBlock {
    std::uint32_t Status;         // the HTTP status, or one of the kRequest... codes
    const std::uint8_t* Body;
    std::uint32_t BodyLength;
    std::uintptr_t Instance;      // given back to FreeInstance
};
#pragma pack(pop)

#ifndef _WIN64
static_assert(sizeof(TRequestBlock) == 65);
static_assert(offsetof(TRequestBlock, ProxyPort) == 1);
static_assert(offsetof(TRequestBlock, ProxyAddress) == 5);
static_assert(offsetof(TRequestBlock, ConnectTimeout) == 17);
static_assert(offsetof(TRequestBlock, StallTimeout) == 21);
static_assert(offsetof(TRequestBlock, Url) == 25);
static_assert(offsetof(TRequestBlock, QueryAbort) == 33);
static_assert(offsetof(TRequestBlock, Stage) == 37);
static_assert(offsetof(TRequestBlock, Progress) == 45);
static_assert(offsetof(TRequestBlock, Context) == 49);
static_assert(offsetof(TRequestBlock, UserAgent) == 61);
static_assert(sizeof(TResponseBlock) == 16);
#endif

// Stages reported through TRequestStage, in this order.
enum TRequestStageNumber : int {
    kStageStartup = 0,    // before the session is opened
    kStageRequest = 1,
    kStageLookup = 2,
    kStageConnect = 3,
    kStageSend = 4,
    kStageReceive = 5,
    kStageShutdown = 6,   // before the session is closed
};

// The response's first field when no reply came.
enum TRequestError : std::uint32_t {
    kRequestTimedOut = 1000,
    kRequestCancelled = 1001,
    kRequestCantConnect = 1002,
    kRequestFailed = 1003,  // anything else
    kRequestBadUrl = 1005,
    kRequestNoSession = 1006,
    kRequestConnectionLost = 1007,  // part way through the reply
    kRequestNoMemory = 1008,        // also a body over kRequestLargestBody
    kRequestNameNotResolved = 1011,
};

constexpr std::uint32_t kRequestLargestBody = 64u << 20;

// The exports, stdcall and undecorated: MakeRequest answers non-zero exactly
// when a reply came (its status in the first field), and leaves no thread of
// the library running; FreeInstance(0) does nothing.
using TMakeRequest = int(WINAPI*)(const TRequestBlock* request, TResponseBlock* response);
using TFreeInstance = void(WINAPI*)(std::uintptr_t instance);
