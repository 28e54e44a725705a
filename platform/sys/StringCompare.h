#pragma once
#include <cstddef>

namespace plat {

// ASCII case-insensitive comparisons with the runtime's contract: below, equal to or above 0.
// Only A-Z fold, so the result never depends on the locale.
int StrICmp(const char* a, const char* b);
int StrNICmp(const char* a, const char* b, size_t n);

}  // namespace plat
