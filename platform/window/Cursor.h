#pragma once

namespace plat {

// The system pointer. Show keeps a display count like the original system: the pointer shows
// while the count is 0 or more.
class Cursor {
public:
    static int Show(bool show);  // answers the new count
    static bool IsShown();
};

}  // namespace plat
