// `tumblers gpu-info`: the OpenGL context's vendor, renderer and version and,
// for every transition of the module, whether it renders on that GPU.
#pragma once

#include <string>
#include <vector>

#include "library/abi.h"

namespace svt::host {

class GLHost;

// The capability report the options dialog shows, built the same way from
// the host's side: a "Testing <library>:" header, one "<name> supports
// OpenGL." or "<name> doesn`t support OpenGL." line per transition (its
// preparation entry run through TestEffect), then the host's GPU description
// between two rules. Lines end with "\r\n". `shownNames`, when given, name
// the transitions by index instead of their own names.
std::string GPUCapabilityReport(GLHost& host, IEffectLibrary* library,
                                const std::vector<std::string>* shownNames = nullptr);

// Runs the command: 0 with the report on standard output, 1 with a one-line
// reason on standard error when no OpenGL context can be made.
int GPUInfoCommand(IEffectLibrary* library, const std::vector<std::string>* shownNames = nullptr);

} // namespace svt::host
