// xm_patterns_seeds.cpp - writes the XM layout reader fuzzer's seeds into a folder.
#include "xm_test_songs.h"

#include <cstdio>
#include <filesystem>
#include <string>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIRECTORY\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    std::filesystem::create_directories(dir);
    const std::pair<const char *, XmModule> seeds[] = {
        {"sync.xm", xm_sync_song()}, {"plain.xm", xm_without_sync(xm_sync_song())}, {"busy.xm", xm_busy_song(3, 6)}};
    for (const auto &seed : seeds)
        if (!xm_save(seed.second, (dir + "/" + seed.first).c_str())) {
            std::fprintf(stderr, "cannot write %s/%s\n", dir.c_str(), seed.first);
            return 1;
        }
    return 0;
}
