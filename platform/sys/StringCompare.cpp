#include "platform/sys/StringCompare.h"

namespace plat {
namespace {

int Fold(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c; }

}  // namespace

int StrNICmp(const char* a, const char* b, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        int ca = Fold(static_cast<unsigned char>(a[i]));
        int cb = Fold(static_cast<unsigned char>(b[i]));
        if (ca != cb) return ca - cb;
        if (ca == 0) return 0;
    }
    return 0;
}

int StrICmp(const char* a, const char* b) { return StrNICmp(a, b, static_cast<size_t>(-1)); }

}  // namespace plat
