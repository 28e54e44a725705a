// demodata: writes the built-in demo data set under the directory given (the build runs it
// into <build>/data), so that the game and the tests have an install of our own to read.
#include <cstdio>

#include "tools/demodata/DemoDataSet.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: demodata <data directory>\n");
        return 2;
    }
    DemoDataSet kSet;
    if (!kSet.Write(argv[1])) {
        std::fprintf(stderr, "demodata: %s\n", kSet.GetError().c_str());
        return 1;
    }
    std::printf("demodata: wrote %zu files under %s\n", kSet.GetWrittenFiles().size(), argv[1]);
    return 0;
}
