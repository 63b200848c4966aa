#include "host/frame_sink.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "host/files.h"

namespace svt::host {

namespace {

// Position and length of the %d / %0Nd conversion, or npos.
size_t FindConversion(const std::string& s, size_t* length) {
    size_t found = std::string::npos;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '%') continue;
        size_t j = i + 1;
        while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j]))) ++j;
        if (j >= s.size() || s[j] != 'd' || found != std::string::npos) return std::string::npos;
        found = i;
        *length = j - i + 1;
        i = j;
    }
    return found;
}

std::string ShellQuoted(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

bool IsVideoExtension(const std::string& ext) {
    return ext == "mp4" || ext == "gif" || ext == "webm" || ext == "mkv" || ext == "mov";
}

} // namespace

bool IsSequencePattern(const std::string& pattern) {
    size_t len = 0;
    return FindConversion(pattern, &len) != std::string::npos;
}

std::string SequenceName(const std::string& pattern, int index) {
    size_t len = 0;
    const size_t at = FindConversion(pattern, &len);
    if (at == std::string::npos) return pattern;
    const int width = len > 2 ? std::atoi(pattern.c_str() + at + 1) : 0;
    std::string digits = std::to_string(index);
    if (int(digits.size()) < width) digits.insert(0, size_t(width) - digits.size(), '0');
    return pattern.substr(0, at) + digits + pattern.substr(at + len);
}

bool FfmpegAvailable() {
    const char* path = std::getenv("PATH");
    if (!path) return false;
    std::string dirs = path;
    for (size_t start = 0; start <= dirs.size();) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        const std::string dir = dirs.substr(start, end - start);
        if (access(((dir.empty() ? "." : dir) + "/ffmpeg").c_str(), X_OK) == 0) return true;
        start = end + 1;
    }
    return false;
}

int ChooseSink(const std::string& path, int frames, SinkKind* kind, std::string* error) {
    const std::string ext = ExtensionOf(path);
    if (path.empty()) {
        *error = "the output name is empty";
        return 2;
    }
    if (path.find('%') != std::string::npos) {
        if (!IsSequencePattern(path)) {
            *error = "the output name " + path + " must hold exactly one %d (or %04d) for the frame number";
            return 2;
        }
        if (path.find('/', path.find('%')) != std::string::npos) {
            *error = "the frame number (%d) goes in the file name of " + path + ", not in its folder";
            return 2;
        }
        *kind = SinkKind::kSequence;
        return 0;
    }
    if (IsVideoExtension(ext)) {
        if (!FfmpegAvailable()) {
            *error = "writing ." + ext + " needs ffmpeg on PATH; give a folder or a name with %d for PNG frames";
            return 1;
        }
        *kind = SinkKind::kVideo;
        return 0;
    }
    if (IsDirectory(path) || path.back() == '/' || ext.empty()) {
        *kind = SinkKind::kSequence;
        return 0;
    }
    if (ext != "png" && ext != "jpg" && ext != "jpeg") {
        *error = "cannot tell how to write " + path + ": use .png, .jpg, a folder, a name with %d, or .mp4/.gif";
        return 2;
    }
    if (frames != 1) {
        *error = std::to_string(frames) + " frames cannot go into the single picture " + path +
                 "; give a folder or a name with %d";
        return 2;
    }
    *kind = SinkKind::kPicture;
    return 0;
}

FrameSink::~FrameSink() {
    if (!finished_) Discard();
}

void FrameSink::Discard() {
    if (pipe_) {
        pclose(pipe_);
        pipe_ = nullptr;
    }
    temp_.reset(); // removes the video or the folder with this run's frames only
    pending_.clear();
    finished_ = true;
}

bool FrameSink::Open(const std::string& path, SinkKind kind, int width, int height, int fps, std::string* error) {
    kind_ = kind;
    path_ = path;
    width_ = width;
    height_ = height;
    index_ = 0;
    finished_ = false;
    if (kind == SinkKind::kSequence) {
        std::string folder;
        if (IsSequencePattern(path)) {
            pattern_ = path;
            const size_t slash = path.rfind('/');
            folder = slash == std::string::npos ? "." : path.substr(0, slash);
            if (slash != std::string::npos && !MakeDirectories(folder, error)) return false;
        } else {
            if (!MakeDirectories(path, error)) return false;
            folder = path.back() == '/' ? path.substr(0, path.size() - 1) : path;
            pattern_ = folder + "/frame_%04d.png";
        }
        // The frames wait in a hidden folder beside their final place, so
        // that the renames stay on one file system.
        const std::string temp = TemporaryNameFor(folder + "/frames");
        if (mkdir(temp.c_str(), 0700) != 0) {
            *error = "cannot create a folder in " + folder + ": " + std::strerror(errno);
            return false;
        }
        temp_ = std::make_unique<TemporaryFile>(temp, true);
        return true;
    }
    const size_t slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0 && !MakeDirectories(path.substr(0, slash), error)) return false;
    if (kind == SinkKind::kVideo) {
        temp_ = std::make_unique<TemporaryFile>(TemporaryNameFor(path));
        const std::string ext = ExtensionOf(path);
        std::string codec;
        if (ext == "gif")
            codec = "-vf 'split[a][b];[a]palettegen=stats_mode=diff[p];[b][p]paletteuse=dither=bayer'";
        else if (ext == "webm")
            codec = "-c:v libvpx-vp9 -pix_fmt yuv420p";
        else
            codec = "-c:v libx264 -pix_fmt yuv420p -crf 18 -vf 'pad=ceil(iw/2)*2:ceil(ih/2)*2'";
        const std::string cmd = "ffmpeg -loglevel error -y -f rawvideo -pix_fmt bgra -s " + std::to_string(width) +
                                "x" + std::to_string(height) + " -r " + std::to_string(fps) + " -i - " + codec + " " +
                                ShellQuoted(temp_->path());
        pipe_ = popen(cmd.c_str(), "w");
        if (!pipe_) {
            *error = "cannot start ffmpeg: " + std::string(std::strerror(errno));
            return false;
        }
    }
    return true;
}

bool FrameSink::Write(const Picture& frame, std::string* error) {
    if (finished_) return false;
    switch (kind_) {
    case SinkKind::kPicture:
        if (!WritePicture(path_, frame, error)) return false;
        written_.push_back(path_);
        break;
    case SinkKind::kSequence: {
        const std::string name = SequenceName(pattern_, index_);
        const size_t slash = name.rfind('/');
        const std::string inFolder = temp_->path() + "/" + (slash == std::string::npos ? name : name.substr(slash + 1));
        if (!WritePicture(inFolder, frame, error)) {
            Discard();
            return false;
        }
        pending_.push_back(name);
        break;
    }
    case SinkKind::kVideo: {
        // Videos have no alpha: frames are laid over black.
        std::vector<uint8_t> bgra(size_t(width_) * height_ * 4, 0);
        for (int y = 0; y < std::min(height_, frame.height()); ++y)
            for (int x = 0; x < std::min(width_, frame.width()); ++x) {
                const Rgba& c = frame.at(x, y);
                uint8_t* d = &bgra[(size_t(y) * width_ + x) * 4];
                d[0] = uint8_t(c.b * c.a / 255), d[1] = uint8_t(c.g * c.a / 255), d[2] = uint8_t(c.r * c.a / 255);
                d[3] = 255;
            }
        if (std::fwrite(bgra.data(), 1, bgra.size(), pipe_) != bgra.size()) {
            *error = "ffmpeg stopped taking frames for " + path_;
            Discard();
            return false;
        }
        break;
    }
    }
    ++index_;
    return true;
}

bool FrameSink::Finish(std::string* error) {
    if (finished_) return false;
    if (kind_ == SinkKind::kVideo) {
        const int status = pclose(pipe_);
        pipe_ = nullptr;
        if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            *error = "ffmpeg could not write " + path_;
            Discard();
            return false;
        }
        if (!temp_->Commit(path_, error)) {
            Discard();
            return false;
        }
        written_.push_back(path_);
    }
    if (kind_ == SinkKind::kSequence) {
        for (const std::string& name : pending_) {
            const size_t slash = name.rfind('/');
            const std::string from = temp_->path() + "/" + (slash == std::string::npos ? name : name.substr(slash + 1));
            if (std::rename(from.c_str(), name.c_str()) != 0) {
                *error = "cannot write " + name + ": " + std::strerror(errno);
                Discard(); // frames already moved are complete; the rest go
                return false;
            }
            written_.push_back(name);
        }
        pending_.clear();
        temp_.reset(); // the folder, now empty
    }
    finished_ = true;
    return true;
}

} // namespace svt::host
