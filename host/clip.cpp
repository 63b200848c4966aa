#include "host/clip.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

#include "host/files.h"

namespace svt::host {

namespace {

int Fail(int code, const std::string& message) {
    std::fprintf(stderr, "tumblers: error: %s\n", message.c_str());
    return code;
}

// Frames done, rate and time left on standard error, only on a terminal.
class Progress {
public:
    Progress(int total, bool quiet) : total_(total), on_(!quiet && isatty(2) == 1) {}
    ~Progress() {
        if (on_ && done_ > 0) std::fprintf(stderr, "\r\033[K");
    }
    void Step() {
        ++done_;
        if (!on_) return;
        const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
        const double fps = s > 0 ? done_ / s : 0;
        const double left = fps > 0 ? (total_ - done_) / fps : 0;
        std::fprintf(stderr, "\rframe %d/%d  %.1f fps  %.0f s left\033[K", done_, total_, fps, left);
        std::fflush(stderr);
    }

private:
    int total_, done_ = 0;
    bool on_;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

bool ParseColour(const std::string& text, Rgba* c) {
    if (text.size() != 7 || text[0] != '#') return false;
    unsigned v = 0;
    for (size_t i = 1; i < 7; ++i) {
        const char ch = text[i];
        const int d = ch >= '0' && ch <= '9' ? ch - '0' : ch >= 'a' && ch <= 'f' ? ch - 'a' + 10
                    : ch >= 'A' && ch <= 'F' ? ch - 'A' + 10 : -1;
        if (d < 0) return false;
        v = v * 16 + unsigned(d);
    }
    *c = {uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v), 255};
    return true;
}

// `top` (straight alpha) over `under`, in place in `top`.
void Under(Picture& top, const Picture* under, Rgba colour) {
    for (int y = 0; y < top.height(); ++y)
        for (int x = 0; x < top.width(); ++x) {
            Rgba& p = top.at(x, y);
            if (p.a == 255) continue;
            const Rgba u = under ? under->at(x, y) : colour;
            const int a = p.a, ua = u.a * (255 - a) / 255, oa = a + ua;
            if (oa == 0) {
                p = {0, 0, 0, 0};
                continue;
            }
            p.r = uint8_t((p.r * a + u.r * ua + oa / 2) / oa);
            p.g = uint8_t((p.g * a + u.g * ua + oa / 2) / oa);
            p.b = uint8_t((p.b * a + u.b * ua + oa / 2) / oa);
            p.a = uint8_t(oa);
        }
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat sa {}, sb {};
    return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// The sound of the output: A then B, crossfaded (equal power) over the
// overlap that starts at `overlapStart` seconds into A and lasts `overlap`.
std::vector<float> MixSound(const std::vector<float>& a, const std::vector<float>& b, double overlapStart,
                            double overlap, double total, bool join) {
    const size_t start = size_t(std::llround(overlapStart * kAudioRate));
    const size_t length = size_t(std::llround(overlap * kAudioRate));
    const size_t frames = size_t(std::llround(total * kAudioRate));
    auto sample = [](const std::vector<float>& v, size_t frame, int ch) {
        const size_t i = frame * 2 + size_t(ch);
        return i < v.size() ? v[i] : 0.0f;
    };
    std::vector<float> out(frames * 2, 0.0f);
    const size_t first = join ? 0 : start; // where output frame 0 lies in A
    for (size_t f = 0; f < frames; ++f) {
        const size_t inA = f + first;
        for (int ch = 0; ch < 2; ++ch) {
            float v;
            if (inA < start) {
                v = sample(a, inA, ch);
            } else if (inA < start + length) {
                const double w = (inA - start + 0.5) / double(length);
                v = float(sample(a, inA, ch) * std::cos(w * M_PI / 2) + sample(b, inA - start, ch) * std::sin(w * M_PI / 2));
            } else {
                v = sample(b, inA - start, ch);
            }
            out[f * 2 + size_t(ch)] = v;
        }
    }
    return out;
}

} // namespace

bool ParseDuration(const std::string& text, double* seconds, int* frames) {
    char* stop = nullptr;
    if (!text.empty() && (text.back() == 'f' || text.back() == 'F')) {
        const long n = std::strtol(text.c_str(), &stop, 10);
        if (stop != text.c_str() + text.size() - 1 || n < 1 || n > 100000) return false;
        *frames = int(n);
        return true;
    }
    const double s = std::strtod(text.c_str(), &stop);
    if (text.empty() || *stop || !(s > 0) || s > 3600) return false;
    *seconds = s;
    *frames = 0;
    return true;
}

bool ParseBackground(const std::string& text) {
    Rgba c;
    return text == "transparent" || text == "first" || text == "second" || ParseColour(text, &c);
}

int RefuseInputAsOutput(const std::string& out, const std::vector<std::string>& inputs, std::string* error) {
    for (const std::string& in : inputs)
        if (!in.empty() && (in == out || SameFile(in, out))) {
            *error = "the output " + out + " is the input " + in + "; it would be written over";
            return 2;
        }
    return 0;
}

int RenderClip(const ClipJob& job, const RendererFactory& make) {
    std::string why;
    if (job.from.empty() || job.to.empty()) return Fail(2, "a clip transition needs both --from and --to");
    if (int rc = RefuseInputAsOutput(job.out, {job.from, job.to}, &why)) return Fail(rc, why);
    const bool toStdout = job.out == "-";
    if (!toStdout && !job.overwrite && access(job.out.c_str(), F_OK) == 0)
        return Fail(2, job.out + " exists; give -y to write over it");

    ClipReader a, b;
    if (!a.Open(job.from, &why) || !b.Open(job.to, &why)) return Fail(1, why);
    const Rational rate = job.rate.num > 0 ? job.rate : a.rate();
    const int w = job.width > 0 ? job.width : a.width(), h = job.height > 0 ? job.height : a.height();
    if (!job.fitGiven && double(b.width()) * h != double(b.height()) * w)
        std::fprintf(stderr, "tumblers: warning: %s is %dx%d, the output %dx%d: letterboxed (--fit to choose)\n",
                     job.to.c_str(), b.width(), b.height(), w, h);

    const int nD = job.frames > 0 ? job.frames : std::max(1, int(std::lround(job.seconds * rate.value())));
    // A still (one picture) is held for the whole transition.
    const int nA = a.frames() == 1 ? nD : std::max<int>(1, int(std::lround(a.duration() * rate.value())));
    const int nB = b.frames() == 1 ? nD : std::max<int>(1, int(std::lround(b.duration() * rate.value())));
    if (nD > nA || nD > nB)
        return Fail(2, "the transition (" + std::to_string(nD) + " frames) is longer than " +
                           (nD > nA ? job.from + " (" + std::to_string(nA) : job.to + " (" + std::to_string(nB)) +
                           " frames)");
    const int total = job.join ? nA + nB - nD : nD;
    const int firstOverlap = nA - nD; // the output frame (joined) where B begins

    // Memory: the workers' frames and the pictures in the ring of slots.
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const int threads = job.render ? 1 : std::clamp(job.threads > 0 ? job.threads : int(cores), 1, std::max(1, nD));
    const int batch = threads == 1 ? 1 : threads * 2 + 2;
    const double pixelBytes = double(w) * h * (job.format == 3 || job.format == 4 ? 16 : 4);
    const double need = pixelBytes * 3 * threads + double(w) * h * 4 * 3 * batch;
    if (!FitsInMemory(need, "rendering " + std::to_string(w) + "x" + std::to_string(h) + " on " +
                                std::to_string(threads) + " threads", &why))
        return Fail(1, why);

    std::vector<float> soundA, soundB;
    if (job.sound && (!ReadSound(job.from, &soundA, &why) || !ReadSound(job.to, &soundB, &why))) return Fail(1, why);
    const bool sound = job.sound && (!soundA.empty() || !soundB.empty());

    std::vector<std::unique_ptr<EffectRenderer>> workers;
    for (int i = 0; i < threads; ++i) {
        workers.push_back(make(&why));
        if (!workers.back()) return Fail(2, why);
    }

    WriterOptions wo;
    wo.path = toStdout ? "-" : TemporaryNameFor(job.out);
    wo.container = job.container;
    wo.codec = job.codec;
    wo.crf = job.crf;
    wo.width = w, wo.height = h, wo.rate = rate, wo.sound = sound;
    TemporaryFile temp(toStdout ? "" : wo.path);
    ClipWriter writer;
    if (!writer.Open(wo, &why)) return Fail(1, why);
    std::string background = job.background;
    if (background.empty()) background = writer.keepsAlpha() ? "transparent" : "#000000";
    if (background == "transparent" && !writer.keepsAlpha()) {
        std::fprintf(stderr, "tumblers: warning: this output keeps no transparency; filled with black\n");
        background = "#000000";
    }
    Rgba colour{0, 0, 0, 255};
    ParseColour(background, &colour);

    if (sound) {
        const double overlapStart = firstOverlap / rate.value(), overlap = nD / rate.value();
        if (!writer.WriteSound(MixSound(soundA, soundB, overlapStart, overlap, total / rate.value(), job.join), &why))
            return Fail(1, why);
    }

    Progress progress(total, job.quiet);
    auto time = [&](int frame) { return frame / rate.value(); };
    Picture pa, pb;
    // Head of A.
    if (job.join)
        for (int k = 0; k < firstOverlap; ++k) {
            if (!a.PictureAt(time(k), w, h, job.fit, &pa, &why)) return Fail(1, job.from + ": " + why);
            if (!writer.WritePicture(pa, &why)) return Fail(1, why);
            progress.Step();
        }
    // The transition. With one thread everything runs here, frame after
    // frame. With more, three stages overlap: a decoder thread fills a ring
    // of slots with A and B in order, the workers render whichever decoded
    // frame is next (each with its own transition object), and this thread
    // fills the background and writes the frames in order. Decoding and
    // writing are serial by nature; run between the renders they would cap
    // two cores well below twice the speed of one.
    struct Slot {
        Picture a, b, out;
        int frame = -1;                        // the overlap frame the slot holds
        enum { kFree, kDecoded, kRendered } state = kFree;
    };
    auto renderFrame = [&](EffectRenderer& r, Slot& s, int frame, std::string* error) {
        const double t = nD == 1 ? 0.5 : double(frame) / (nD - 1);
        if (!r.SetPictures(s.a, s.b, job.format, job.layout)) {
            *error = "not enough memory for the frames";
            return false;
        }
        if (job.render) {
            if (!job.render(r, t, error)) return false;
        } else if (!r.Render(t).rendered) {
            *error = r.info().name + " did not render at t = " + std::to_string(t);
            return false;
        }
        r.output().LoadInto(&s.out);
        return true;
    };
    auto decode = [&](Slot& s, int frame, std::string* error) {
        if (!a.PictureAt(time(firstOverlap + frame), w, h, job.fit, &s.a, error)) {
            *error = job.from + ": " + *error;
            return false;
        }
        if (!b.PictureAt(time(frame), w, h, job.fit, &s.b, error)) {
            *error = job.to + ": " + *error;
            return false;
        }
        return true;
    };
    auto write = [&](Slot& s, std::string* error) {
        if (background != "transparent")
            Under(s.out, background == "first" ? &s.a : background == "second" ? &s.b : nullptr, colour);
        return writer.WritePicture(s.out, error);
    };
    if (threads == 1) {
        Slot s;
        for (int frame = 0; frame < nD; ++frame) {
            if (!decode(s, frame, &why) || !renderFrame(*workers[0], s, frame, &why) || !write(s, &why))
                return Fail(1, why);
            progress.Step();
        }
    } else {
        std::vector<Slot> ring(size_t(threads) * 2 + 2);
        std::mutex lock;
        std::condition_variable changed;
        std::string failure; // the first error; every stage stops at it
        int nextToRender = 0;
        auto slotOf = [&](int frame) -> Slot& { return ring[size_t(frame) % ring.size()]; };
        auto stop = [&](const std::string& error) {
            std::lock_guard<std::mutex> hold(lock);
            if (failure.empty()) failure = error.empty() ? "failed" : error;
            changed.notify_all();
        };
        std::thread decoder([&] {
            std::string error;
            for (int frame = 0; frame < nD; ++frame) {
                Slot& s = slotOf(frame);
                {
                    std::unique_lock<std::mutex> hold(lock);
                    changed.wait(hold, [&] { return !failure.empty() || s.state == Slot::kFree; });
                    if (!failure.empty()) return;
                }
                // The slot is this thread's until it is marked decoded.
                if (!decode(s, frame, &error)) return stop(error);
                std::lock_guard<std::mutex> hold(lock);
                s.frame = frame;
                s.state = Slot::kDecoded;
                changed.notify_all();
            }
        });
        auto work = [&](int worker) {
            std::string error;
            for (;;) {
                int frame;
                {
                    std::unique_lock<std::mutex> hold(lock);
                    if (!failure.empty() || nextToRender >= nD) return;
                    frame = nextToRender++;
                    changed.wait(hold, [&] {
                        return !failure.empty() || (slotOf(frame).frame == frame && slotOf(frame).state == Slot::kDecoded);
                    });
                    if (!failure.empty()) return;
                }
                Slot& s = slotOf(frame);
                if (!renderFrame(*workers[size_t(worker)], s, frame, &error)) return stop(error);
                std::lock_guard<std::mutex> hold(lock);
                s.state = Slot::kRendered;
                changed.notify_all();
            }
        };
        std::vector<std::thread> pool;
        for (int worker = 0; worker < threads; ++worker) pool.emplace_back(work, worker);
        for (int frame = 0; frame < nD; ++frame) {
            Slot& s = slotOf(frame);
            {
                std::unique_lock<std::mutex> hold(lock);
                changed.wait(hold, [&] { return !failure.empty() || (s.frame == frame && s.state == Slot::kRendered); });
                if (!failure.empty()) break;
            }
            std::string error;
            if (!write(s, &error)) {
                stop(error);
                break;
            }
            progress.Step();
            std::lock_guard<std::mutex> hold(lock);
            s.state = Slot::kFree;
            changed.notify_all();
        }
        decoder.join();
        for (std::thread& t : pool) t.join();
        if (!failure.empty()) return Fail(1, failure);
    }
    // Tail of B.
    if (job.join)
        for (int k = nD; k < nB; ++k) {
            if (!b.PictureAt(time(k), w, h, job.fit, &pb, &why)) return Fail(1, job.to + ": " + why);
            if (!writer.WritePicture(pb, &why)) return Fail(1, why);
            progress.Step();
        }
    if (!writer.Finish(&why)) return Fail(1, why);
    if (!toStdout && !temp.Commit(job.out, &why)) return Fail(1, why);
    return 0;
}

} // namespace svt::host
