// The tumblers command line, as a function so that tests can run it in
// process. Exit codes: 0 success, 1 failure (a picture that cannot be read,
// a render that fails or leaks, a file that cannot be written), 2 usage
// (unknown command, transition, parameter, entry or preset; bad values).
#pragma once

namespace svt::host {

int RunTumblers(int argc, char** argv);

} // namespace svt::host
