// SPDX-License-Identifier: GPL-3.0-or-later
#include "scene/scene_file.h"

#include <gtest/gtest.h>

namespace
{

SceneSettings unusual()
{
    SceneSettings s = SceneSettings::of_preset(4);
    s.metric[5] = QStringLiteral("exp(0*t)/sqrt(1-2.0*M/r)^2");
    s.M = 1.5;
    s.Λ = 0;
    s.inner = 7.25;
    s.outer = 20;
    s.disk = true;
    s.transparency = 4;
    s.accuracy = 0.05;
    s.r = 31.5;
    s.θ = 85;
    s.v = -0.25;
    s.rounds = 2.5;
    s.shift = s.beaming = s.aberration = s.overlay = true;
    s.simulated = false;
    s.zoom = 5;
    s.smooth_edges = 16;
    s.width = 64;
    s.height = 48;
    s.frames = 30;
    s.animation = true;
    s.live = false;
    s.panorama = QStringLiteral("sky.png");
    s.fps = 12.5;
    s.video_format = 1;
    return s;
}

QByteArray with(const char *members)
{
    return QByteArray("{\"version\": 1") + (*members ? ", " : "") + members + "}";
}

} // namespace

TEST(SceneFile, WritesAndReadsBackEveryValue)
{
    const SceneSettings s = unusual();
    SceneSettings back;
    QStringList warnings;
    ASSERT_EQ(read_scene(write_scene(s), back, warnings), QString());
    EXPECT_TRUE(warnings.isEmpty());
    EXPECT_EQ(write_scene(back), write_scene(s));
    EXPECT_EQ(back.inner, 7.25);
    EXPECT_EQ(back.metric[5], s.metric[5]);
}

TEST(SceneFile, MissingKeysKeepTheDefaultsOfThePresetAndUnknownOnesWarn)
{
    SceneSettings s;
    QStringList warnings;
    ASSERT_EQ(
        read_scene(with("\"preset\": \"schwarzschild\", \"colour\": 3, \"M\": 2"), s, warnings),
        QString());
    EXPECT_EQ(warnings.size(), 1);
    EXPECT_TRUE(warnings.value(0).contains("\"colour\""));
    EXPECT_EQ(write_scene(s), [] {
        SceneSettings expected = SceneSettings::of_preset(1);
        expected.M = 2;
        return write_scene(expected);
    }());
    EXPECT_FALSE(s.inner || s.v) << "orbital unless given";
}

TEST(SceneFile, RefusesBadFilesNamingTheKeyAndLeavesTheSettings)
{
    const struct {
        QByteArray text;
        const char *named;
    } cases[] = {
        {"{\"version\": 1,", "not a scene file"},
        {"[1, 2]", "top level"},
        {"{\"M\": 1}", "\"version\""},
        {with("\"M\": \"one\""), "\"M\""},
        {with("\"disk\": 1"), "\"disk\""},
        {with("\"r\": -5"), "\"r\""},
        {with("\"speed\": 1.5"), "\"speed\""},
        {with("\"rounds\": 0"), "\"rounds\""},
        {with("\"zoom\": 2.5"), "\"zoom\""},
        {with("\"smooth edges\": 8"), "\"smooth edges\" must be 1, 4 or 16"},
        {with("\"smooth edges\": 4.5"), "\"smooth edges\""},
        {with("\"size\": \"64*48\""), "\"size\""},
        {with("\"transparency\": \"1:3\""), "\"transparency\""},
        {with("\"preset\": \"kerr2\""), "\"preset\""},
        {with("\"metric\": {\"xx\": \"r\"}"), "\"metric.xx\""},
        // Values a frame cannot be rendered from: each key's own range.
        {with("\"r\": 1e308"), "\"r\" must be from 0.001 to 1000"},
        {with("\"r\": 1e-320"), "\"r\" must be from 0.001"},
        {with("\"theta\": 200"), "\"theta\" must be from 0 to 180 degrees"},
        {with("\"fps\": 0"), "\"fps\" must be from 0.1"},
        {with("\"fps\": 12.0000001"), "\"fps\" must be from 0.1 to 1000 with at most six decimals"},
        {with("\"video format\": \"mpeg\""), "\"video format\" must be one of avi, images"},
        // Every formula, the preset's included, passes the editor's check
        // with the file's parameters.
        {with("\"metric\": {\"ff\": \"r\u0117r\"}"),
         "\"metric.ff\": unknown character 'ė' (character 2)"},
        {with("\"metric\": {\"rr\": \"1/*r\"}"), "\"metric.rr\": unexpected '*' after '/'"},
        {with("\"lambda\": 0, \"metric\": {\"tt\": \"1/Λ\"}"), "\"metric.tt\": no finite value"},
        // ... and makes a spacetime where the observer starts.
        {with("\"metric\": {\"tt\": \"(r-r)/(r-r)\"}"), "\"metric\": g is not Lorentzian at r = "},
    };
    for (const auto &c : cases) {
        SceneSettings s = unusual();
        QStringList warnings;
        const QString error = read_scene(c.text, s, warnings);
        EXPECT_TRUE(error.contains(QString::fromUtf8(c.named)))
            << c.text.toStdString() << " → " << error.toStdString();
        EXPECT_EQ(write_scene(s), write_scene(unusual())) << c.text.toStdString();
    }
}
