// The tumblers commands around preset files and translations. They go through
// the module's own preset saver, with the host's dialog callbacks answering
// the path given on the command line:
//
//   tumblers preset save NAME --file F [--preset P] [--set Label=value ...] [--name N]
//   tumblers preset load NAME --file F
//   tumblers render NAME --preset-file F [render options]
//   tumblers info NAME --lang CODE
//
// `preset load` prints the name and every value as the panel shows it;
// `render --preset-file` loads the file and renders with its values (it
// hands them on as --set options, in a form that reproduces each stored
// value); `info --lang` shows the transition's name, labels, entries,
// tooltips and presets through the module's translations.
#pragma once

namespace svt::host {

// Runs the command line when it is one of the above (the rest is left to
// RunTumblers) and returns true with *exitCode set: 0 done, 1 failure
// (including a file the module refused), 2 usage.
bool RunExtraCommand(int argc, char** argv, int* exitCode);

} // namespace svt::host
