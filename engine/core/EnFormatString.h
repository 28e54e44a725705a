#pragma once

// printf into a new[] text of exactly the size the result needs; the caller frees it with
// delete[]. The value types' viewer strings use it, since a float printed with "%f" can be
// dozens of digits long.
char* EnFormatNewString(const char* pcFormat, ...) __attribute__((format(printf, 1, 2)));
