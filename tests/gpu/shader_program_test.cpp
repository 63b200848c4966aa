// The program holder: which uniforms reach the program, and the render-target
// and texture-stage values against worked examples.
#include <gtest/gtest.h>


#include "gpu/shader_program.h"
#include "tests/gpu/recording_host.h"

namespace svt {
namespace {

class Holder : public ::testing::Test {
protected:
    void Attach(ShaderProgram& holder, std::vector<std::string> names) {
        program = std::make_unique<test::FakeProgram>(std::move(names));
        holder.Attach(&host, &device, program.get());
    }
    std::vector<float> Last(const std::string& name) const {
        auto sent = program->Sent(name);
        return sent.empty() ? std::vector<float>{} : sent.back();
    }
    test::FakeHost host;
    test::FakeDevice device;
    std::unique_ptr<test::FakeProgram> program;
};

TEST_F(Holder, TargetUniformsForOnePixelAndWiderTargets) {
    ShaderProgram holder(true);
    Attach(holder, {"vRTSize", "vRT2NORM_Scale", "vRT2NORM_Shift"});
    // A size of 0 counts as 1 (its one centre maps to 0.5); 5 maps pixel centres 0.5/5 .. 4.5/5 onto 0..1:
    // scale 5/4, shift -0.5/4.
    ASSERT_TRUE(holder.BeginPass(0, 5));
    EXPECT_EQ(holder.targetWidth(), 1);
    EXPECT_EQ(Last("vRTSize"), (std::vector<float>{1, 5}));
    EXPECT_EQ(Last("vRT2NORM_Scale"), (std::vector<float>{0, 1.25f}));
    EXPECT_EQ(Last("vRT2NORM_Shift"), (std::vector<float>{0.5f, -0.125f}));
}

TEST_F(Holder, StageOfAFullHDImageInsideAWiderTexture) {
    ShaderProgram holder(true);
    Attach(holder, {"Texture0.vScale", "Texture0.vShift", "Texture0.vRT2TEX_Scale", "Texture0.vRT2TEX_Shift",
                    "Texture0.texelSize", "Texture0.vTEX2TEXi_Scale", "Texture0.roiWH"});
    GPUFrame frame{};
    frame.width = 1920;
    frame.height = 1080;
    frame.textureWidth = 2048;
    frame.textureHeight = 1080;
    ASSERT_TRUE(holder.BeginPass(1920, 1080));
    holder.SetTextureStage(0, &frame, StageRect{});
    // n = 1919, o = 0.5, T = 2048, S = 1920 along x.
    EXPECT_FLOAT_EQ(Last("Texture0.vScale")[0], 1919.0f / 2048);
    EXPECT_FLOAT_EQ(Last("Texture0.vShift")[0], 0.5f / 2048);
    // Same-size target: target pixel i lands on texel i exactly.
    EXPECT_NEAR(Last("Texture0.vRT2TEX_Scale")[0], 1.0f, 1e-6);
    EXPECT_NEAR(Last("Texture0.vRT2TEX_Shift")[0], 0.0f, 1e-9);
    EXPECT_FLOAT_EQ(Last("Texture0.texelSize")[0], 1.0f / 1919);
    EXPECT_FLOAT_EQ(Last("Texture0.vTEX2TEXi_Scale")[0], 1920);
    EXPECT_FLOAT_EQ(Last("Texture0.roiWH")[1], 1079.0f / 1080);
}

TEST_F(Holder, NamesTheProgramLacksAreNeverSent) {
    ShaderProgram holder(true);
    Attach(holder, {"Diffuse", "Texture0.vScale"});
    GPUFrame frame{};
    frame.width = frame.height = frame.textureWidth = frame.textureHeight = 4;
    holder.BeginPass(4, 4);
    holder.SetTextureStage(0, &frame, StageRect{});
    EXPECT_TRUE(holder.SetFloat4("Diffuse", 1, 1, 1, 1));
    EXPECT_FALSE(holder.SetFloat("fScaleZ", 0.1f));
    EXPECT_FALSE(holder.SetInt("diffuse", 1)); // exact comparison
    for (const test::UniformCall& c : program->calls)
        EXPECT_TRUE(c.name == "Diffuse" || c.name == "Texture0.vScale") << c.name;
}

TEST_F(Holder, InvalidProgramLeavesItEmptyAndItsHostUnreferenced) {
    ShaderProgram holder(true);
    test::FakeProgram invalid({"Diffuse"}, false);
    holder.Attach(&host, &device, &invalid);
    EXPECT_FALSE(holder.valid());
    EXPECT_FALSE(holder.BeginPass(4, 4));
    EXPECT_FALSE(holder.SetFloat4("Diffuse", 1, 1, 1, 1));
    EXPECT_EQ(host.refs, 1u);

    Attach(holder, {"Diffuse"});
    EXPECT_EQ(host.refs, 2u);
    holder.Release();
    EXPECT_EQ(host.refs, 1u);
    EXPECT_EQ(host.live, -1); // the held program went back to the host
}

} // namespace
} // namespace svt
