// tumblers: lists, describes, renders and times the transitions of
// SVTumblers.so through its binary contract. "tumblers help" says how.
#include "host/cli.h"
#include "host/preset_commands.h"

int main(int argc, char** argv) {
    int rc = 0;
    if (svt::host::RunExtraCommand(argc, argv, &rc)) return rc; // preset files, render --preset-file, info --lang
    return svt::host::RunTumblers(argc, argv);
}
