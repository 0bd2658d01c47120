// The scripted stand-in for Ostrel.dll (see fake_ostrel.h).
#include "tools/fake_ostrel.h"

#include <cstring>

#include "ostrel/request_blocks.h"

namespace {

TFakeOstrelScript script;
TFakeOstrelSeen seen;
std::uintptr_t nextInstance = 0x5150;

void CopyText(char* to, size_t size, const char* from)
{
    if (!from)
        return;
    std::strncpy(to, from, size - 1);
    to[size - 1] = '\0';
}

}  // namespace

extern "C" __declspec(dllexport) void WINAPI FakeOstrelSetScript(const TFakeOstrelScript* given)
{
    script = *given;
    seen = TFakeOstrelSeen();
}

extern "C" __declspec(dllexport) void WINAPI FakeOstrelGetSeen(TFakeOstrelSeen* out) { *out = seen; }

extern "C" __declspec(dllexport) int WINAPI MakeRequest(const TRequestBlock* request, TResponseBlock* response)
{
    ++seen.calls;
    seen.useProxy = request->UseProxy;
    seen.proxyPort = request->ProxyPort;
    CopyText(seen.proxyAddress, sizeof seen.proxyAddress, request->ProxyAddress);
    const std::uint32_t reserved[] = {request->Reserved9,  request->Reserved13, request->Reserved29,
                                      request->Reserved41, request->Reserved53, request->Reserved57};
    std::memcpy(seen.reserved, reserved, sizeof reserved);
    seen.connectTimeout = request->ConnectTimeout;
    seen.stallTimeout = request->StallTimeout;
    CopyText(seen.url, sizeof seen.url, request->Url);
    CopyText(seen.userAgent, sizeof seen.userAgent, request->UserAgent);
    seen.callbacksSet = request->QueryAbort && request->Stage && request->Progress;
    seen.context = request->Context;
    if (!seen.callbacksSet)
        return 0;

    // Callbacks without a context must be harmless.
    seen.nullContextAbortAnswer = request->QueryAbort(nullptr);
    request->Stage(nullptr, 0);
    request->Progress(nullptr, 1, 1);

    seen.abortAnswer = request->QueryAbort(request->Context);
    for (int i = 0; i < script.stageCount; ++i)
        request->Stage(request->Context, script.stages[i]);
    request->Progress(request->Context, script.bodyLength, static_cast<std::int32_t>(script.bodyLength));

    seen.instanceGiven = nextInstance++;
    response->Status = script.status;
    response->Body = reinterpret_cast<const std::uint8_t*>(script.body);
    response->BodyLength = script.bodyLength;
    response->Instance = seen.instanceGiven;
    return script.result;
}

#ifndef FAKE_OSTREL_WITHOUT_FREE_INSTANCE
extern "C" __declspec(dllexport) void WINAPI FreeInstance(std::uintptr_t instance)
{
    ++seen.freed;
    seen.lastFreed = instance;
}
#endif
