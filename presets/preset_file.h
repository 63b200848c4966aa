// Preset files: a transition's parameter values as a small XML document.
//
//   <?xml version="1.0" standalone="no" ?>
//   <!-- Effect's Preset File -->
//   <Preset Name="My Preset" LibraryName="Solvane Tumblers" EffectName="3D Box Fold">
//       <parameter type="2" value="0.500000" />
//       <parameter type="0" x="0.255814" y="0.767442" />
//       <parameter type="4" value="1" />
//       <parameter type="1" value="2" />
//   </Preset>
//
// One "parameter" element per entry, in parameter order. Points carry "x" and
// "y", every other type "value"; floats are written with six decimals and
// integers in decimal, always with '.' as the decimal point whatever the
// process's locale is. The file's extension names the maker's library and
// the transition ("fxptmba" for "3D Box Fold"), see PresetExtension.
//
// Names are UTF-8. A file that is not well-formed UTF-8 (one written where
// narrow text is a Latin code page) is read as Latin-1 and its names arrive
// converted to UTF-8.
//
// Choices where a file does not fit the record:
//  - a name longer than 259 bytes is cut to fit the record's 260-byte field,
//    at the last whole UTF-8 character, and the file still loads; since the
//    library and effect names are compared exactly, a file whose effect name
//    was cut cannot pass validation, while a cut preset name is harmless;
//  - a "parameter" element without a value attribute of its type gives that
//    entry a zero value there; an attribute that is present must be a
//    decimal number and nothing else (blanks around it aside): text that is
//    not one ("abc", "", "0x10", "nan"), a number that is not finite
//    ("1e999") or an integer outside -2^31..2^32-1 makes the file unreadable,
//    as a corrupt file;
//  - finite values outside their parameter's range are held to it when the
//    file is loaded for a transition (HoldPresetValues);
//  - types other than 0 to 4 are kept with a zero value, for validation to
//    reject when the transition expects something else;
//  - elements after the hundredth are read and ignored.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "library/abi.h"

namespace svt {

// The extension without dot: "fxp", the three-letter code of the library
// (from the maker's table; "unk" for a name not in it), and 'a' + the
// transition's index. A null library name, or an index past 'z', gives
// "prs".
std::string PresetExtension(const char* libraryName, uint32_t effectIndex);

// Builds the dialog filter "label (*.ext)\0*.ext\0\0" in `out`. When it does
// not fit `capacity` characters the label is cut (the patterns stay whole).
// Returns the characters used, the final zero included; 0 when not even the
// patterns fit.
size_t BuildPresetFilter(const char16_t* label, const std::string& extension, char16_t* out, size_t capacity);

// Copies `text` into a 260-byte name field, cut at 259 bytes without
// splitting a UTF-8 character, and zero-terminated. Null gives "".
void CopyPresetName(char (&field)[kPresetTextBytes], const char* text);

// Writes the first `count` entries of `record` (0 to 100) to `path`. The file
// is written beside its target under a temporary name and renamed over it, so
// a failed save leaves no partial file and an existing one untouched. A
// symbolic link is written through to its target; an existing file keeps its
// mode, and one that is itself read-only is not replaced (false).
bool WritePresetFile(const char* path, const PresetData& record);

// Reads a preset document into *record: clears the names and count, then
// fills them from the file. False when the text is not XML, has no "Preset"
// element, or yields no entry. *record may be partly filled after a failure.
bool ReadPresetText(const char* text, size_t size, PresetData* record);
// The same from the file at `path` (regular files up to 1 MiB).
bool ReadPresetFile(const char* path, PresetData* record);

// Whether `record` belongs to transition `effectIndex` of `library`: names
// equal to GetLibraryName and GetEffectName, and for every parameter of the
// transition an entry of its type. Without a library, valid when the record
// has entries. Entries past the transition's parameters are ignored.
bool ValidatePreset(IEffectLibrary* library, uint32_t effectIndex, const PresetData* record);

// Holds the entries of a validated record to the ranges of transition
// `effectIndex`: sliders and both coordinates of points to 0..1 (the whole
// displayed scale), choices to the last entry. Check boxes are 0 or 1
// already; entries past the transition's parameters are left alone.
void HoldPresetValues(IEffectLibrary* library, uint32_t effectIndex, PresetData* record);

} // namespace svt
