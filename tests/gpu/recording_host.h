// A host made of recording fakes of the four GPU host objects, for driving
// the GPU boundary without a GL context: every call is logged, and programs
// can be made to fail.
#pragma once

#include <cstring>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "library/abi.h"

namespace svt::test {

struct UniformCall {
    std::string name;
    std::vector<float> values;
};

class FakeProgram final : public IGPUProgram {
public:
    explicit FakeProgram(std::vector<std::string> names, bool valid = true) : names_(std::move(names)), valid_(valid) {}
    Result QueryInterface(const GUID*, void**) override { return kNoInterface; }
    uint32_t AddRef() override { return ++refs; }
    uint32_t Release() override { return --refs; }
    void Use() override {}
    Bool8 SetInt(const char* n, int32_t v) override { return Log(n, {float(v)}); }
    void Reserved5() override {}
    void Reserved6() override {}
    void Reserved7() override {}
    Bool8 SetFloat(const char* n, float v) override { return Log(n, {v}); }
    Bool8 SetFloat2(const char* n, float x, float y) override { return Log(n, {x, y}); }
    void Reserved10() override {}
    Bool8 SetFloat4(const char* n, float x, float y, float z, float w) override { return Log(n, {x, y, z, w}); }
    void Reserved12() override {}
    void Reserved13() override {}
    void Reserved14() override {}
    Bool8 SetTexture(const char* n, IGPUTexture*) override { return Log(n, {}); }
    uint32_t GetUniformNames(uint8_t* buffer) override {
        if (buffer)
            for (size_t i = 0; i < names_.size(); ++i)
                std::strncpy(reinterpret_cast<char*>(buffer + i * kUniformRecordBytes), names_[i].c_str(),
                             kUniformRecordBytes - 1);
        return uint32_t(names_.size());
    }
    void Reserved17() override {}
    void Reserved18() override {}
    Bool8 IsValid() override { return valid_; }

    // Every value sent to `name`, in order.
    std::vector<std::vector<float>> Sent(const std::string& name) const {
        std::vector<std::vector<float>> out;
        for (const UniformCall& c : calls)
            if (c.name == name) out.push_back(c.values);
        return out;
    }

    std::vector<UniformCall> calls;
    uint32_t refs = 1;

private:
    Bool8 Log(const char* n, std::vector<float> v) {
        calls.push_back({n, std::move(v)});
        return 1;
    }
    std::vector<std::string> names_;
    bool valid_;
};

// Records GL state calls as text and answers blend queries with fixed values.
class FakeDevice final : public IGLDevice {
public:
    FakeDevice() {
        for (void*& e : table.entries) e = reinterpret_cast<void*>(&table); // any non-null entry
    }
    Result QueryInterface(const GUID*, void**) override { return kNoInterface; }
    uint32_t AddRef() override { return 2; }
    uint32_t Release() override { return 1; }
    void Reserved3() override {}
    void Reserved4() override {}
    const void* GetExtensionTable() override { return &table; }
    void GetIntegerv(uint32_t name, int32_t* out, uint32_t) override {
        log.push_back("GetIntegerv " + Hex(name));
        *out = int32_t(name) + 1; // distinct per query, so a mix-up shows
    }
    void GetFloatv(uint32_t name, float* out, uint32_t count) override {
        log.push_back("GetFloatv " + Hex(name));
        for (uint32_t i = 0; i < count; ++i) out[i] = 0.125f * float(i + 1);
    }
    Bool8 Enable(uint32_t cap) override {
        log.push_back("Enable " + Hex(cap));
        return 1;
    }
    void Disable(uint32_t cap) override { log.push_back("Disable " + Hex(cap)); }
    void BlendColor(float, float, float, float) override { log.push_back("BlendColor"); }
    void BlendEquationSeparate(uint32_t rgb, uint32_t alpha) override {
        log.push_back("BlendEquationSeparate " + Hex(rgb) + " " + Hex(alpha));
    }
    void BlendFuncSeparate(uint32_t a, uint32_t b, uint32_t c, uint32_t d) override {
        log.push_back("BlendFuncSeparate " + Hex(a) + " " + Hex(b) + " " + Hex(c) + " " + Hex(d));
    }
    void SetOutputState(uint32_t v) override { log.push_back("SetOutputState " + Hex(v)); }

    static std::string Hex(uint32_t v) {
        char b[16];
        std::snprintf(b, sizeof b, "0x%X", v);
        return b;
    }

    ExtensionTable table{};
    std::vector<std::string> log;
};

class FakeHost final : public IGPUHost {
public:
    Result QueryInterface(const GUID*, void**) override { return kNoInterface; }
    uint32_t AddRef() override { return ++refs; }
    uint32_t Release() override { return --refs; }
    void Reserved3() override {}
    void Reserved4() override {}
    void Reserved5() override {}
    void Reserved6() override {}
    void Reserved7() override {}
    void Reserved8() override {}
    Bool8 CreateRenderTarget(IGLDevice*, GPUFrame*, void*, int32_t, int32_t, uint32_t, uint32_t, uint32_t,
                             uint32_t) override {
        return 0;
    }
    void Reserved10() override {}
    void Reserved11() override {}
    Bool8 CreateProgram(IGLDevice*, IGPUProgram** out, const uint8_t* v, const uint8_t* f, const uint8_t* third,
                        uint32_t vl, uint32_t fl, uint32_t thirdLength, uint32_t vt, uint32_t ft, uint32_t tt,
                        uint64_t vv, uint64_t fv, uint64_t tv) override {
        const std::string fragment(reinterpret_cast<const char*>(f), fl);
        fragments.push_back(fragment);
        plainText = plainText && vt == 0 && ft == 0 && vv == 0 && fv == 0 && !third && thirdLength == 0 &&
                    tt == 0 && tv == 0 && v && vl > 0;
        if (fails && fails(fragment)) return 0;
        programs.push_back(std::make_unique<FakeProgram>(std::vector<std::string>{"Diffuse"}));
        *out = programs.back().get();
        ++live;
        return 1;
    }
    void Reserved13() override {}
    void ReleaseRenderTarget(GPUFrame*) override {}
    void Reserved15() override {}
    void ReleaseProgram(IGPUProgram*) override { --live; }
    Bool8 SetRenderTarget(IGLDevice*, GPUFrame*, int32_t, uint8_t, uint8_t) override { return 1; }
    void ResolveRenderTarget(IGLDevice*, GPUFrame*) override {}
    void Reserved19() override {}
    Bool8 TestEffect(IVideoGPUEffect*, uint32_t*) override { return 0; }
    void Reserved21() override {}
    void Reserved22() override {}
    void Reserved23() override {}
    uint32_t GetInfoText(uint32_t, char16_t*, uint32_t) override { return 0; }

    // A fragment text for which CreateProgram answers false.
    std::function<bool(const std::string&)> fails;
    std::vector<std::string> fragments;
    std::vector<std::unique_ptr<FakeProgram>> programs;
    bool plainText = true;
    int live = 0;
    uint32_t refs = 1;
};

// An effect context that offers `host` as IGPUHost (or nothing).
class FakeContext final : public IEffectContext {
public:
    explicit FakeContext(IGPUHost* host) : host_(host) {}
    Result QueryInterface(const GUID* iid, void** out) override {
        *out = nullptr;
        if (!host_ || !(*iid == IID_IGPUHost)) return kNoInterface;
        host_->AddRef();
        *out = host_;
        return kOk;
    }
    uint32_t AddRef() override { return 2; }
    uint32_t Release() override { return 1; }
    Bool8 GetParamValue(uint32_t, ParamValue*, uint32_t) override { return 0; }

private:
    IGPUHost* host_;
};

} // namespace svt::test
