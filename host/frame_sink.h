// Where rendered frames go: one picture file, a numbered PNG sequence, or a
// video made by ffmpeg (when it is on PATH). Nothing is left half-written:
// pictures are renamed into place when complete, a sequence is written into
// a temporary folder and its frames take their names only when all of them
// were written, and a video appears only when ffmpeg succeeded. A failure or
// a signal removes only what this run made.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "host/files.h"
#include "host/picture.h"

namespace svt::host {

enum class SinkKind { kPicture, kSequence, kVideo };

// How `path` will be written for `frames` frames: 0, or with *error set, 2
// when the path cannot take that many frames (a single picture name for
// several frames, an unknown extension) and 1 when a video is asked for
// without ffmpeg.
int ChooseSink(const std::string& path, int frames, SinkKind* kind, std::string* error);
// True when `pattern` holds exactly one %d (or %0Nd) and no other '%'.
bool IsSequencePattern(const std::string& pattern);
// The pattern with its %d replaced by `index`.
std::string SequenceName(const std::string& pattern, int index);
bool FfmpegAvailable();

class FrameSink {
public:
    FrameSink() = default;
    FrameSink(const FrameSink&) = delete;
    FrameSink& operator=(const FrameSink&) = delete;
    ~FrameSink(); // an unfinished sink discards what it wrote

    bool Open(const std::string& path, SinkKind kind, int width, int height, int fps, std::string* error);
    bool Write(const Picture& frame, std::string* error);
    // Completes the output (renames, waits for ffmpeg). False when it failed.
    bool Finish(std::string* error);
    const std::vector<std::string>& written() const { return written_; }

private:
    void Discard();
    SinkKind kind_ = SinkKind::kPicture;
    std::string path_, pattern_;
    std::unique_ptr<TemporaryFile> temp_; // the video, or the folder of frames
    int width_ = 0, height_ = 0, index_ = 0;
    std::FILE* pipe_ = nullptr;
    std::vector<std::string> written_, pending_; // pending_: frames in the folder
    bool finished_ = false;
};

} // namespace svt::host
