// Clips through the FFmpeg libraries: reading the pictures and sound of any
// file they read, and writing video (with alpha where the container allows)
// and sound to a file or to standard output.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/picture.h"

namespace svt::host {

struct Rational {
    int num = 0, den = 1;
    double value() const { return den ? double(num) / den : 0.0; }
};

// "25", "30000/1001", "29.97" (read as 30000/1001, as editors mean it).
bool ParseRate(const std::string& text, Rational* out);

// True when `path` looks like something to read as a clip rather than a
// still picture (by its extension).
bool IsClipName(const std::string& path);

enum class Fit { kLetterbox, kStretch, kCrop };

// Sound as interleaved stereo floats at kAudioRate.
constexpr int kAudioRate = 48000;

class ClipReader {
public:
    ClipReader();
    ~ClipReader();
    ClipReader(const ClipReader&) = delete;
    ClipReader& operator=(const ClipReader&) = delete;

    // Opens the first video stream and counts its frames (one pass over the
    // packets, without decoding).
    bool Open(const std::string& path, std::string* error);
    int width() const;
    int height() const;
    Rational rate() const;
    int64_t frames() const; // frames in the file
    double duration() const { return rate().value() > 0 ? double(frames()) / rate().value() : 0.0; }

    // The picture shown at `seconds` (times only increase between calls),
    // fitted into width x height. False at an error (with *error) or when
    // the clip has no picture at or before that time.
    bool PictureAt(double seconds, int width, int height, Fit fit, Picture* out, std::string* error);

private:
    struct State;
    std::unique_ptr<State> s_;
};

// The whole sound track of `path` resampled to stereo at kAudioRate; an
// empty vector when the file has none.
bool ReadSound(const std::string& path, std::vector<float>* stereo, std::string* error);

struct WriterOptions {
    std::string path;      // a file name, or "-" for standard output
    std::string container; // a container name for "-" ("nut", "matroska"); "" = by extension
    std::string codec;     // "" = the container's usual one
    int crf = -1;          // -1 = the codec's default
    int width = 0, height = 0;
    Rational rate{25, 1};
    bool sound = false;
    bool loop = false;     // animations (APNG, GIF) that play forever
};

class ClipWriter {
public:
    ClipWriter();
    ~ClipWriter();
    ClipWriter(const ClipWriter&) = delete;
    ClipWriter& operator=(const ClipWriter&) = delete;

    bool Open(const WriterOptions& options, std::string* error);
    // True when the chosen codec keeps transparency.
    bool keepsAlpha() const;
    bool WritePicture(const Picture& frame, std::string* error);
    bool WriteSound(const std::vector<float>& stereo, std::string* error);
    bool Finish(std::string* error);

private:
    struct State;
    std::unique_ptr<State> s_;
};

} // namespace svt::host
