// libFuzzer target: the preset file reader on arbitrary bytes. Built and run
// by scripts/fuzz, outside the normal build.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "presets/preset_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    svt::PresetData record;
    std::memset(&record, 0xA5, sizeof record); // stale bytes, as a host's record may hold
    if (!svt::ReadPresetText(reinterpret_cast<const char*>(data), size, &record)) return 0;

    // What a successful read promises: a count within the record and names
    // that end inside their fields.
    if (record.count < 1 || record.count > svt::kPresetMaxEntries) __builtin_trap();
    for (const char* name : {record.name, record.libraryName, record.effectName})
        if (!std::memchr(name, 0, svt::kPresetTextBytes)) __builtin_trap();
    svt::ValidatePreset(nullptr, 0, &record);
    return 0;
}
