#pragma once
// Reading an extended real (long double) from decimal text: the one place where a platform's C++
// library falls short. MinGW's libstdc++ reads a long double by way of double, so its last 11 bits
// would differ from Linux; there the C library's strtold, which reads all 64 bits, takes its place.
// The implementations lie in platform_posix.cpp and platform_windows.cpp.
#include <charconv>

namespace orvane::platform {

// std::from_chars for long double, decimal text only, rounded correctly on every platform.
std::from_chars_result ExtendedFromChars(const char* first, const char* last, long double& value);

}  // namespace orvane::platform
