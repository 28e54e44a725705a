// The leak checker of the sanitizer build would report what SDL and the D-Bus library it loads
// keep until the process ends; those are not this code's to free.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libdbus-1.so\n"
           "leak:libSDL2-2.0.so\n";
}
