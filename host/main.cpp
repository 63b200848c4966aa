// tumblers: lists, describes, renders and times the transitions of
// SVTumblers.so through its binary contract. "tumblers help" says how.
#include "host/cli.h"

int main(int argc, char** argv) { return svt::host::RunTumblers(argc, argv); }
