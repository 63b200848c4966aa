// tumblers: lists, describes, renders and times the transitions of
// SVTumblers.so through its binary contract. "tumblers help" says how.
#include <malloc.h>

#include <cstdio>
#include <new>

#include "host/cli.h"
#include "host/preset_commands.h"

int main(int argc, char** argv) {
    // Renders allocate and free frame-sized pictures every frame. Like an
    // editor's frame pool, keep them in the heap instead of returning them to
    // the system each time, which costs a page fault per page on every reuse.
    mallopt(M_MMAP_THRESHOLD, 256 << 20);
    mallopt(M_TRIM_THRESHOLD, 512 << 20);
    try {
        int rc = 0;
        if (svt::host::RunExtraCommand(argc, argv, &rc)) return rc; // preset files, render --preset-file, info --lang
        return svt::host::RunTumblers(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fputs("tumblers: error: out of memory; try a smaller --size or fewer --threads\n", stderr);
        return 1;
    }
}
