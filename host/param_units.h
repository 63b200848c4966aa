// Parameter values as a person reads them in the host's panel, and back.
//
// The module stores every value normalised (ParamValue); the panel shows:
//  - sliders on their displayed scale: stored (v - min) / (max - min), so
//    "Offset=-100" on a -100 to 100 slider stores 0;
//  - count sliders (continuous switch 0) as whole numbers: the module takes
//    trunc(v * (max - min) + min), so the stored fraction is the smallest
//    float at or above (n - min) / (max - min) for which that truncation,
//    in float or in double, gives back n;
//  - choices by entry name (case-insensitive), check boxes as on/off,
//    points as "x,y" with each coordinate 0 to 1.
#pragma once

#include <string>

#include "library/abi.h"

namespace svt::host {

// False, with *error a sentence naming the parameter and what it takes, when
// `text` is not a value of the parameter.
bool ParseDisplayValue(const ParamInfo& info, const std::string& text, ParamValue* out, std::string* error);
// The value as the panel shows it ("-100", "33.5", "12", "Vertical", "on",
// "0.5,0.5"). A stored choice past the last entry shows as "#index".
std::string FormatDisplayValue(const ParamInfo& info, const ParamValue& value);
// What the parameter takes: "-100 to 100", "whole number 1 to 30",
// "Horizontal | Vertical", "on | off", "x,y (each 0 to 1)".
std::string DescribeRange(const ParamInfo& info);

// The stored fraction of a count n on a min..max count slider.
float CountToFraction(int n, float minimum, float maximum);
// The count the module reads from a stored fraction.
int FractionToCount(float v, float minimum, float maximum);

} // namespace svt::host
