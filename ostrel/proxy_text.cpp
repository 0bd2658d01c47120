#include "ostrel/proxy_text.h"

namespace ostrel {

std::string ProxyText(bool useProxy, const char* address, std::uint32_t port)
{
    if (!useProxy || !address || !*address)
        return {};
    std::string text = address;
    if (port >= 1 && port <= 65535) {
        text.push_back(':');
        text.append(std::to_string(port));
    }
    return text;
}

}  // namespace ostrel
