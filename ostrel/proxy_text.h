// The proxy WinINet is told to use, from the request block's address and
// port. Portable, so its rules are checked natively as well.
#pragma once

#include <cstdint>
#include <string>

namespace ostrel {

// Empty (connect directly) when no proxy is to be used or its address is
// empty. A port of 1-65535 is appended as ":port"; any other value (0, above
// 65535, -1 stored unsigned) leaves the address alone, so WinINet uses the
// proxy's default port (80) or a port written in the address itself.
std::string ProxyText(bool useProxy, const char* address, std::uint32_t port);

}  // namespace ostrel
