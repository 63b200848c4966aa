#include "host/media.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host/files.h"

namespace svt::host {

namespace {

std::string AvError(int code) {
    char buf[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, buf, sizeof(buf));
    return buf;
}

struct FormatCloser {
    void operator()(AVFormatContext* f) const { avformat_close_input(&f); }
};
struct CodecFreer {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameFreer {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketFreer {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
using FormatPtr = std::unique_ptr<AVFormatContext, FormatCloser>;
using CodecPtr = std::unique_ptr<AVCodecContext, CodecFreer>;
using FramePtr = std::unique_ptr<AVFrame, FrameFreer>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFreer>;

bool OpenInput(const std::string& path, FormatPtr* out, std::string* error) {
    av_log_set_level(AV_LOG_ERROR); // the libraries' chatter is not ours to print
    if (IsDirectory(path)) {
        *error = path + " is a folder, not a clip";
        return false;
    }
    AVFormatContext* f = nullptr;
    int rc = avformat_open_input(&f, path.c_str(), nullptr, nullptr);
    if (rc < 0) {
        *error = "cannot read " + path + ": " + AvError(rc);
        return false;
    }
    out->reset(f);
    rc = avformat_find_stream_info(f, nullptr);
    if (rc < 0) {
        *error = "cannot read " + path + ": " + AvError(rc);
        return false;
    }
    return true;
}

bool OpenDecoder(AVStream* st, CodecPtr* out, std::string* error) {
    const AVCodec* codec = avcodec_find_decoder(st->codecpar->codec_id);
    if (!codec) {
        *error = std::string("no decoder for ") + avcodec_get_name(st->codecpar->codec_id);
        return false;
    }
    out->reset(avcodec_alloc_context3(codec));
    if (!*out || avcodec_parameters_to_context(out->get(), st->codecpar) < 0) {
        *error = "not enough memory for a decoder";
        return false;
    }
    (*out)->thread_count = 0; // let the decoder choose
    const int rc = avcodec_open2(out->get(), codec, nullptr);
    if (rc < 0) {
        *error = std::string("cannot open the ") + codec->name + " decoder: " + AvError(rc);
        return false;
    }
    return true;
}

} // namespace

bool ParseRate(const std::string& text, Rational* out) {
    char* stop = nullptr;
    const size_t slash = text.find('/');
    if (slash != std::string::npos) {
        const long n = std::strtol(text.c_str(), &stop, 10);
        if (stop != text.c_str() + slash) return false;
        const long d = std::strtol(text.c_str() + slash + 1, &stop, 10);
        if (*stop || slash + 1 == text.size() || n < 1 || d < 1 || n > 1000000 || d > 1000000 || n / d > 1000)
            return false;
        *out = {int(n), int(d)};
        return true;
    }
    const double v = std::strtod(text.c_str(), &stop);
    if (text.empty() || *stop || !(v > 0) || v > 1000) return false;
    // The NTSC rates are meant when written as decimals.
    for (int base : {24, 30, 60, 120})
        if (std::fabs(v - base * 1000.0 / 1001.0) < 0.006) {
            *out = {base * 1000, 1001};
            return true;
        }
    const AVRational r = av_d2q(v, 100000);
    *out = {r.num, r.den};
    return r.num > 0 && r.den > 0;
}

bool IsClipName(const std::string& path) {
    static const char* const kStills[] = {"png", "jpg", "jpeg", ""};
    const std::string ext = ExtensionOf(path);
    return std::none_of(std::begin(kStills), std::end(kStills), [&](const char* e) { return ext == e; });
}

// ---------------------------------------------------------------------------
// Reading

struct ClipReader::State {
    FormatPtr format;
    CodecPtr decoder;
    int stream = -1;
    int64_t frames = 0;
    Rational rate;
    PacketPtr packet{av_packet_alloc()};
    FramePtr current{av_frame_alloc()}, next{av_frame_alloc()};
    bool haveCurrent = false, haveNext = false, drained = false, flushed = false;
    SwsContext* sws = nullptr;
    // The last picture handed out and what it was made from: a still, or a
    // clip slower than the output, gives the same picture frame after frame,
    // and scaling it again costs more than rendering the transition.
    Picture fitted;
    int fittedFrom = -1, fittedWidth = 0, fittedHeight = 0, decodedCount = 0;
    Fit fittedFit = Fit::kLetterbox;

    ~State() { sws_freeContext(sws); }

    double TimeOf(const AVFrame* f) const {
        const int64_t pts = f->best_effort_timestamp;
        if (pts == AV_NOPTS_VALUE) return 0;
        const AVStream* st = format->streams[stream];
        const int64_t start = st->start_time == AV_NOPTS_VALUE ? 0 : st->start_time;
        return double(pts - start) * av_q2d(st->time_base);
    }

    // Decodes the next picture into `next`; false at the end or an error.
    bool Decode(std::string* error) {
        for (;;) {
            int rc = avcodec_receive_frame(decoder.get(), next.get());
            if (rc == 0) return true;
            if (rc == AVERROR_EOF) return false;
            if (rc != AVERROR(EAGAIN)) {
                *error = "cannot decode: " + AvError(rc);
                return false;
            }
            if (flushed) return false;
            rc = av_read_frame(format.get(), packet.get());
            if (rc < 0) {
                avcodec_send_packet(decoder.get(), nullptr);
                flushed = true;
                continue;
            }
            if (packet->stream_index == stream) rc = avcodec_send_packet(decoder.get(), packet.get());
            av_packet_unref(packet.get());
            if (rc < 0 && rc != AVERROR(EAGAIN)) {
                *error = "cannot decode: " + AvError(rc);
                return false;
            }
        }
    }
};

ClipReader::ClipReader() : s_(std::make_unique<State>()) {}
ClipReader::~ClipReader() = default;
int ClipReader::width() const { return s_->decoder ? s_->decoder->width : 0; }
int ClipReader::height() const { return s_->decoder ? s_->decoder->height : 0; }
Rational ClipReader::rate() const { return s_->rate; }
int64_t ClipReader::frames() const { return s_->frames; }

bool ClipReader::Open(const std::string& path, std::string* error) {
    FormatPtr counting;
    if (!OpenInput(path, &counting, error)) return false;
    const int stream = av_find_best_stream(counting.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (stream < 0) {
        *error = path + " has no pictures";
        return false;
    }
    // Counting packets is exact where the container's own count is missing.
    PacketPtr packet(av_packet_alloc());
    int64_t count = 0;
    while (av_read_frame(counting.get(), packet.get()) >= 0) {
        if (packet->stream_index == stream) ++count;
        av_packet_unref(packet.get());
    }
    if (!OpenInput(path, &s_->format, error)) return false;
    s_->stream = stream;
    AVStream* st = s_->format->streams[stream];
    if (!OpenDecoder(st, &s_->decoder, error)) return false;
    AVRational r = st->avg_frame_rate.num > 0 ? st->avg_frame_rate : st->r_frame_rate;
    if (r.num <= 0 || r.den <= 0) r = {25, 1};
    s_->rate = {r.num, r.den};
    s_->frames = count;
    if (count == 0 || s_->decoder->width < 1 || s_->decoder->height < 1) {
        *error = path + " has no pictures";
        return false;
    }
    return true;
}

bool ClipReader::PictureAt(double seconds, int width, int height, Fit fit, Picture* out, std::string* error) {
    State& s = *s_;
    error->clear();
    // Keep the last picture that starts at or before `seconds` (half a frame
    // early counts, so rounding of timestamps never skips a frame).
    const double slack = 0.5 / std::max(s.rate.value(), 1.0);
    for (;;) {
        if (!s.haveNext && !s.drained) {
            s.haveNext = s.Decode(error);
            if (!error->empty()) return false;
            if (!s.haveNext) s.drained = true;
        }
        if (!s.haveNext) break;
        if (s.haveCurrent && s.TimeOf(s.next.get()) > seconds + slack) break;
        std::swap(s.current, s.next);
        av_frame_unref(s.next.get());
        ++s.decodedCount;
        s.haveCurrent = true;
        s.haveNext = false;
    }
    if (!s.haveCurrent) {
        *error = "the clip has no picture at " + std::to_string(seconds) + " s";
        return false;
    }
    if (s.fittedFrom == s.decodedCount && s.fittedWidth == width && s.fittedHeight == height && s.fittedFit == fit) {
        *out = s.fitted;
        return true;
    }
    const AVFrame* f = s.current.get();
    // The region of the output the picture covers, and the part of the
    // source it shows.
    int dw = width, dh = height, dx = 0, dy = 0;
    int sx = 0, sy = 0, sw = f->width, sh = f->height;
    const double srcAspect = double(f->width) / f->height, dstAspect = double(width) / height;
    if (fit == Fit::kLetterbox) {
        if (srcAspect > dstAspect)
            dh = std::max(1, int(std::lround(width / srcAspect)));
        else
            dw = std::max(1, int(std::lround(height * srcAspect)));
        dx = (width - dw) / 2, dy = (height - dh) / 2;
    } else if (fit == Fit::kCrop) {
        if (srcAspect > dstAspect)
            sw = std::max(1, int(std::lround(f->height * dstAspect)));
        else
            sh = std::max(1, int(std::lround(f->width / dstAspect)));
        sx = (f->width - sw) / 2 & ~1, sy = (f->height - sh) / 2 & ~1;
    }
    s.sws = sws_getCachedContext(s.sws, sw, sh, AVPixelFormat(f->format), dw, dh, AV_PIX_FMT_RGBA, SWS_BICUBIC,
                                 nullptr, nullptr, nullptr);
    if (!s.sws) {
        *error = "cannot convert the clip's pictures";
        return false;
    }
    // Crop by offsetting the plane pointers (chroma planes by their share).
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(AVPixelFormat(f->format));
    const uint8_t* src[4] = {};
    for (int p = 0; p < 4 && f->data[p]; ++p) {
        const bool chroma = d && (p == 1 || p == 2) && !(d->flags & AV_PIX_FMT_FLAG_RGB);
        const int ox = chroma ? sx >> d->log2_chroma_w : sx, oy = chroma ? sy >> d->log2_chroma_h : sy;
        const int step = d ? std::max(1, d->comp[0].step) : 1;
        const int bytes = (d && d->flags & AV_PIX_FMT_FLAG_PLANAR) || !d ? (d && d->comp[0].depth > 8 ? 2 : 1) : step;
        src[p] = f->data[p] + ptrdiff_t(oy) * f->linesize[p] + ptrdiff_t(ox) * bytes;
    }
    *out = Picture(width, height, Rgba{0, 0, 0, 255});
    Picture region(dw, dh);
    uint8_t* dst[4] = {reinterpret_cast<uint8_t*>(region.data())};
    const int dstStride[4] = {dw * 4};
    // The source rows from sy; sws takes the slice from its start.
    sws_scale(s.sws, src, f->linesize, 0, sh, dst, dstStride);
    for (int y = 0; y < dh; ++y)
        std::memcpy(&out->at(dx, dy + y), &region.at(0, y), size_t(dw) * sizeof(Rgba));
    s.fitted = *out;
    s.fittedFrom = s.decodedCount, s.fittedWidth = width, s.fittedHeight = height, s.fittedFit = fit;
    return true;
}

bool ReadSound(const std::string& path, std::vector<float>* stereo, std::string* error) {
    stereo->clear();
    FormatPtr format;
    if (!OpenInput(path, &format, error)) return false;
    const int stream = av_find_best_stream(format.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (stream < 0) return true;
    CodecPtr decoder;
    if (!OpenDecoder(format->streams[stream], &decoder, error)) return false;
    SwrContext* swr = nullptr;
    AVChannelLayout outLayout = AV_CHANNEL_LAYOUT_STEREO;
    AVChannelLayout inLayout{};
    if (decoder->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || decoder->ch_layout.nb_channels == 0)
        av_channel_layout_default(&inLayout, std::max(1, decoder->ch_layout.nb_channels));
    else
        av_channel_layout_copy(&inLayout, &decoder->ch_layout);
    int rc = swr_alloc_set_opts2(&swr, &outLayout, AV_SAMPLE_FMT_FLT, kAudioRate, &inLayout, decoder->sample_fmt,
                                 decoder->sample_rate, 0, nullptr);
    av_channel_layout_uninit(&inLayout);
    if (rc < 0 || swr_init(swr) < 0) {
        swr_free(&swr);
        *error = "cannot convert the sound of " + path;
        return false;
    }
    PacketPtr packet(av_packet_alloc());
    FramePtr frame(av_frame_alloc());
    auto convert = [&](const AVFrame* f) {
        const int in = f ? f->nb_samples : 0;
        const int room = swr_get_out_samples(swr, in);
        if (room <= 0) return;
        const size_t at = stereo->size();
        stereo->resize(at + size_t(room) * 2);
        uint8_t* out[1] = {reinterpret_cast<uint8_t*>(stereo->data() + at)};
        const int got = swr_convert(swr, out, room, f ? const_cast<const uint8_t**>(f->extended_data) : nullptr, in);
        stereo->resize(at + size_t(std::max(got, 0)) * 2);
    };
    bool flushed = false;
    for (;;) {
        rc = avcodec_receive_frame(decoder.get(), frame.get());
        if (rc == 0) {
            convert(frame.get());
            av_frame_unref(frame.get());
            continue;
        }
        if (rc == AVERROR_EOF || flushed) break;
        if (rc != AVERROR(EAGAIN)) break;
        rc = av_read_frame(format.get(), packet.get());
        if (rc < 0) {
            avcodec_send_packet(decoder.get(), nullptr);
            flushed = true;
            continue;
        }
        if (packet->stream_index == stream) avcodec_send_packet(decoder.get(), packet.get());
        av_packet_unref(packet.get());
    }
    convert(nullptr);
    swr_free(&swr);
    return true;
}

// ---------------------------------------------------------------------------
// Writing

struct ClipWriter::State {
    AVFormatContext* format = nullptr;
    CodecPtr video, audio;
    AVStream *videoStream = nullptr, *audioStream = nullptr;
    FramePtr frame{av_frame_alloc()};
    PacketPtr packet{av_packet_alloc()};
    SwsContext* sws = nullptr;
    int64_t nextPts = 0, nextSample = 0;
    bool alpha = false, raw = false, headerWritten = false;
    std::FILE* rawOut = nullptr;
    std::vector<float> pending; // sound not yet a whole encoder frame

    ~State() {
        sws_freeContext(sws);
        if (format) {
            if (format->pb && !(format->oformat->flags & AVFMT_NOFILE)) avio_closep(&format->pb);
            avformat_free_context(format);
        }
    }

    bool Drain(AVCodecContext* c, AVStream* st, std::string* error) {
        for (;;) {
            const int rc = avcodec_receive_packet(c, packet.get());
            if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) return true;
            if (rc < 0) {
                *error = "cannot encode: " + AvError(rc);
                return false;
            }
            av_packet_rescale_ts(packet.get(), c->time_base, st->time_base);
            packet->stream_index = st->index;
            const int w = av_interleaved_write_frame(format, packet.get());
            if (w < 0) {
                *error = "cannot write: " + AvError(w);
                return false;
            }
        }
    }

    bool SendAudio(const float* samples, int count, std::string* error) {
        FramePtr f(av_frame_alloc());
        f->nb_samples = count;
        f->format = audio->sample_fmt;
        av_channel_layout_copy(&f->ch_layout, &audio->ch_layout);
        f->sample_rate = audio->sample_rate;
        if (av_frame_get_buffer(f.get(), 0) < 0) {
            *error = "not enough memory for sound";
            return false;
        }
        for (int i = 0; i < count; ++i)
            for (int ch = 0; ch < 2; ++ch) {
                const float v = std::clamp(samples[size_t(i) * 2 + ch], -1.0f, 1.0f);
                switch (audio->sample_fmt) {
                case AV_SAMPLE_FMT_FLTP: reinterpret_cast<float*>(f->data[ch])[i] = v; break;
                case AV_SAMPLE_FMT_FLT: reinterpret_cast<float*>(f->data[0])[i * 2 + ch] = v; break;
                default: reinterpret_cast<int16_t*>(f->data[0])[i * 2 + ch] = int16_t(std::lround(v * 32767)); break;
                }
            }
        f->pts = nextSample;
        nextSample += count;
        const int rc = avcodec_send_frame(audio.get(), f.get());
        if (rc < 0) {
            *error = "cannot encode sound: " + AvError(rc);
            return false;
        }
        return Drain(audio.get(), audioStream, error);
    }
};

ClipWriter::ClipWriter() : s_(std::make_unique<State>()) {}
ClipWriter::~ClipWriter() = default;
bool ClipWriter::keepsAlpha() const { return s_->alpha || s_->raw; }

bool ClipWriter::Open(const WriterOptions& o, std::string* error) {
    State& s = *s_;
    av_log_set_level(AV_LOG_ERROR);
    const bool toStdout = o.path == "-";
    if (toStdout && (o.container.empty() || o.container == "raw" || o.container == "rawvideo")) {
        // Raw RGBA frames, as "-f rawvideo -pix_fmt rgba" reads them.
        s.raw = true;
        s.rawOut = stdout;
        return true;
    }
    const char* name = toStdout ? "pipe:1" : o.path.c_str();
    int rc = avformat_alloc_output_context2(&s.format, nullptr, o.container.empty() ? nullptr : o.container.c_str(),
                                            name);
    if (rc < 0 || !s.format) {
        *error = "cannot tell how to write " + (toStdout ? "--format-out " + o.container : o.path) + ": " +
                 AvError(rc);
        return false;
    }
    const std::string fmt = s.format->oformat->name;
    const bool mov = fmt == "mov", webm = fmt == "webm", gif = fmt == "gif" || fmt == "apng";
    std::string codecName = o.codec;
    if (codecName.empty())
        codecName = mov ? "prores_ks" : webm ? "libvpx-vp9" : gif ? (fmt == "gif" ? "gif" : "apng") : "libx264";
    const AVCodec* codec = avcodec_find_encoder_by_name(codecName.c_str());
    if (!codec || codec->type != AVMEDIA_TYPE_VIDEO) {
        *error = "no video encoder named \"" + codecName + "\"";
        return false;
    }
    // The pixel format: with alpha where the codec has one.
    AVPixelFormat pix = AV_PIX_FMT_YUV420P;
    const std::string cn = codec->name;
    if (cn == "prores_ks")
        pix = AV_PIX_FMT_YUVA444P10LE, s.alpha = true;
    else if (cn == "libvpx-vp9" || cn == "libvpx")
        pix = AV_PIX_FMT_YUVA420P, s.alpha = true;
    else if (cn == "png" || cn == "apng" || cn == "qtrle")
        pix = cn == "qtrle" ? AV_PIX_FMT_ARGB : AV_PIX_FMT_RGBA, s.alpha = true;
    else if (cn == "gif")
        pix = AV_PIX_FMT_RGB8;
    else if (codec->pix_fmts) {
        pix = codec->pix_fmts[0];
        for (const AVPixelFormat* p = codec->pix_fmts; *p != AV_PIX_FMT_NONE; ++p)
            if (*p == AV_PIX_FMT_YUV420P) pix = *p;
    }
    s.video.reset(avcodec_alloc_context3(codec));
    AVCodecContext* c = s.video.get();
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(pix);
    // Subsampled chroma needs even sizes: the picture is scaled by a pixel.
    const int wAlign = d ? 1 << d->log2_chroma_w : 1, hAlign = d ? 1 << d->log2_chroma_h : 1;
    c->width = (o.width + wAlign - 1) / wAlign * wAlign;
    c->height = (o.height + hAlign - 1) / hAlign * hAlign;
    c->pix_fmt = pix;
    c->time_base = {o.rate.den, o.rate.num};
    c->framerate = {o.rate.num, o.rate.den};
    c->thread_count = 0;
    if (s.format->oformat->flags & AVFMT_GLOBALHEADER) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary* opts = nullptr;
    if (o.crf >= 0) av_dict_set_int(&opts, "crf", o.crf, 0);
    if (cn == "prores_ks") av_dict_set(&opts, "profile", "4444", 0);
    if (cn == "libvpx-vp9" || cn == "libvpx") {
        av_dict_set(&opts, "deadline", "realtime", 0);
        av_dict_set(&opts, "cpu-used", "8", 0);
        if (o.crf >= 0) c->bit_rate = 0;
    }
    if (cn == "libx264") av_dict_set(&opts, "preset", "veryfast", 0);
    rc = avcodec_open2(c, codec, &opts);
    av_dict_free(&opts);
    if (rc < 0) {
        *error = "cannot open the " + cn + " encoder: " + AvError(rc);
        return false;
    }
    s.videoStream = avformat_new_stream(s.format, nullptr);
    avcodec_parameters_from_context(s.videoStream->codecpar, c);
    s.videoStream->time_base = c->time_base;
    s.videoStream->avg_frame_rate = c->framerate;
    // Matroska readers look for this tag before they decode the alpha layer.
    if (s.alpha && (cn == "libvpx-vp9" || cn == "libvpx")) av_dict_set(&s.videoStream->metadata, "alpha_mode", "1", 0);

    if (o.sound && !gif) {
        const char* audioName = mov ? "pcm_s16le" : webm || fmt == "ogg" ? "libopus" : "aac";
        const AVCodec* ac = avcodec_find_encoder_by_name(audioName);
        if (!ac) {
            *error = std::string("no sound encoder named \"") + audioName + "\"";
            return false;
        }
        s.audio.reset(avcodec_alloc_context3(ac));
        AVCodecContext* a = s.audio.get();
        a->sample_rate = kAudioRate;
        a->ch_layout = AV_CHANNEL_LAYOUT_STEREO;
        a->sample_fmt = ac->sample_fmts ? ac->sample_fmts[0] : AV_SAMPLE_FMT_S16;
        for (const AVSampleFormat* f = ac->sample_fmts; f && *f != AV_SAMPLE_FMT_NONE; ++f)
            if (*f == AV_SAMPLE_FMT_FLTP || *f == AV_SAMPLE_FMT_FLT) a->sample_fmt = *f;
        a->time_base = {1, kAudioRate};
        a->bit_rate = 160000;
        if (s.format->oformat->flags & AVFMT_GLOBALHEADER) a->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        rc = avcodec_open2(a, ac, nullptr);
        if (rc < 0) {
            *error = std::string("cannot open the ") + audioName + " encoder: " + AvError(rc);
            return false;
        }
        s.audioStream = avformat_new_stream(s.format, nullptr);
        avcodec_parameters_from_context(s.audioStream->codecpar, a);
        s.audioStream->time_base = a->time_base;
    }
    if (!(s.format->oformat->flags & AVFMT_NOFILE)) {
        rc = avio_open(&s.format->pb, name, AVIO_FLAG_WRITE);
        if (rc < 0) {
            *error = "cannot write " + o.path + ": " + AvError(rc);
            return false;
        }
    }
    AVDictionary* muxerOptions = nullptr;
    if (o.loop && fmt == "apng") av_dict_set(&muxerOptions, "plays", "0", 0);
    if (o.loop && fmt == "gif") av_dict_set(&muxerOptions, "loop", "0", 0);
    rc = avformat_write_header(s.format, &muxerOptions);
    av_dict_free(&muxerOptions);
    if (rc < 0) {
        *error = "cannot write " + o.path + ": " + AvError(rc);
        return false;
    }
    s.headerWritten = true;
    s.sws = sws_getContext(o.width, o.height, AV_PIX_FMT_RGBA, c->width, c->height, pix, SWS_BICUBIC, nullptr,
                           nullptr, nullptr);
    if (!s.sws) {
        *error = "cannot convert pictures for the " + cn + " encoder";
        return false;
    }
    return true;
}

bool ClipWriter::WritePicture(const Picture& picture, std::string* error) {
    State& s = *s_;
    if (s.raw) {
        const size_t bytes = picture.pixels().size() * sizeof(Rgba);
        if (std::fwrite(picture.pixels().data(), 1, bytes, s.rawOut) != bytes) {
            *error = "cannot write to standard output";
            return false;
        }
        return true;
    }
    AVCodecContext* c = s.video.get();
    AVFrame* f = s.frame.get();
    av_frame_unref(f);
    f->format = c->pix_fmt;
    f->width = c->width;
    f->height = c->height;
    if (av_frame_get_buffer(f, 0) < 0) {
        *error = "not enough memory for a video frame";
        return false;
    }
    const uint8_t* src[4] = {reinterpret_cast<const uint8_t*>(picture.pixels().data())};
    const int srcStride[4] = {picture.width() * 4};
    sws_scale(s.sws, src, srcStride, 0, picture.height(), f->data, f->linesize);
    f->pts = s.nextPts++;
    const int rc = avcodec_send_frame(c, f);
    if (rc < 0) {
        *error = "cannot encode: " + AvError(rc);
        return false;
    }
    return s.Drain(c, s.videoStream, error);
}

bool ClipWriter::WriteSound(const std::vector<float>& stereo, std::string* error) {
    State& s = *s_;
    if (!s.audio) return true;
    s.pending.insert(s.pending.end(), stereo.begin(), stereo.end());
    const int chunk = s.audio->frame_size > 0 ? s.audio->frame_size : 1024;
    size_t at = 0;
    while (s.pending.size() - at >= size_t(chunk) * 2) {
        if (!s.SendAudio(s.pending.data() + at, chunk, error)) return false;
        at += size_t(chunk) * 2;
    }
    s.pending.erase(s.pending.begin(), s.pending.begin() + long(at));
    return true;
}

bool ClipWriter::Finish(std::string* error) {
    State& s = *s_;
    if (s.raw) {
        if (std::fflush(s.rawOut) != 0) {
            *error = "cannot write to standard output";
            return false;
        }
        return true;
    }
    if (s.audio && !s.pending.empty()) {
        const int chunk = s.audio->frame_size > 0 ? s.audio->frame_size : int(s.pending.size() / 2);
        // The last frame is padded with silence only where the codec needs whole frames.
        const bool variable = s.audio->codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE;
        if (!variable) s.pending.resize(size_t(chunk) * 2, 0.0f);
        if (!s.SendAudio(s.pending.data(), int(s.pending.size() / 2), error)) return false;
        s.pending.clear();
    }
    for (auto [c, st] : {std::pair{s.video.get(), s.videoStream}, std::pair{s.audio.get(), s.audioStream}}) {
        if (!c) continue;
        avcodec_send_frame(c, nullptr);
        if (!s.Drain(c, st, error)) return false;
    }
    const int rc = av_write_trailer(s.format);
    if (rc < 0) {
        *error = "cannot finish " + std::string(s.format->url ? s.format->url : "the output") + ": " + AvError(rc);
        return false;
    }
    if (s.format->pb && !(s.format->oformat->flags & AVFMT_NOFILE)) avio_closep(&s.format->pb);
    return true;
}

} // namespace svt::host
