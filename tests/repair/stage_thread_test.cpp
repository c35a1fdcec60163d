// SPDX-License-Identifier: MIT
#include "repair/stage_thread.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/collected_bytes.h"

namespace kestrel {
namespace {

// A stage that notes every call it gets. Byte runs may reach it cut in other
// places than they were given, so it notes their bytes as one run until
// another call comes. Each join makes it write `videoPerJoin` bytes of video,
// as a repair that releases held pictures does.
struct NotingStage : RepairCalls {
    ByteOutput* video = nullptr;
    std::size_t videoPerJoin = 0;
    std::vector<std::string> calls;
    std::vector<std::uint8_t> videoBytesSeen;

    void videoBytes(Bytes data) override { run("video", data); }
    void videoPts(PtsTicks stamp) override { note("pts", std::to_string(stamp)); }
    void audioFrameStart(std::optional<PtsTicks> stamp) override {
        note("frame", stamp ? std::to_string(*stamp) : "-");
    }
    void audioBytes(Bytes data) override { run("audio", data); }
    void join() override {
        note("join");
        const std::vector<std::uint8_t> released(videoPerJoin,
                                                 static_cast<std::uint8_t>(calls.size()));
        video->write(released);
    }
    void finish() override {
        note("finish");
        video->write(Bytes(reinterpret_cast<const std::uint8_t*>("end"), 3));
    }

    void note(const std::string& call, const std::string& argument = "") {
        inRun_ = false;
        calls.push_back(call);
        calls.back().append(" ").append(argument);
    }
    void run(const std::string& kind, Bytes data) {
        if (data.empty()) return;
        if (!inRun_ || calls.back().rfind(kind, 0) != 0) {
            note(kind);
            runSize_ = runHash_ = 0;
        }
        for (const std::uint8_t b : data)
            runHash_ = runHash_ * 31 + b;
        runSize_ += data.size();
        calls.back() = kind + " " + std::to_string(runSize_) + ":" + std::to_string(runHash_);
        inRun_ = true;
    }

  private:
    bool inRun_ = false;
    std::size_t runSize_ = 0;
    std::uint64_t runHash_ = 0;
};

// The same calls, made directly or through the thread: video in runs of
// every size up to several blocks, stamps, audio frames with and without one.
void makeCalls(RepairCalls& calls) {
    std::vector<std::uint8_t> bytes(1500000);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    std::size_t at = 0;
    for (const std::size_t size : {1, 0, 3, 70000, 262144, 262139, 900000, 5}) {
        calls.videoPts(static_cast<PtsTicks>(at));
        calls.videoBytes(Bytes(bytes).subspan(at % 4096, size));
        calls.audioFrameStart(size % 2 == 0 ? std::optional<PtsTicks>(size) : std::nullopt);
        calls.audioBytes(Bytes(bytes).first(size % 2000));
        if (size > 60000) calls.join();
        at += size;
    }
}

// What a stage noted and wrote, after the calls and then `end`.
std::pair<std::vector<std::string>, std::vector<std::uint8_t>> outcome(bool threaded, bool finish,
                                                                       std::size_t videoPerJoin) {
    test::CollectedBytes file;
    NotingStage stage;
    stage.videoPerJoin = videoPerJoin;
    if (!threaded) {
        stage.video = &file;
        makeCalls(stage);
        if (finish) stage.finish();
        return {stage.calls, file.bytes};
    }
    StageThread thread(file);
    stage.video = &thread.videoOutput();
    EXPECT_TRUE(thread.start(stage));
    makeCalls(thread);
    if (finish)
        thread.finish();
    else
        thread.stop();
    return {stage.calls, file.bytes};
}

TEST(StageThread, TheStageGetsTheCallsAndTheFileTheVideoAsWithoutIt) {
    // 3 MiB per join: more video coming back than the blocks on the way hold,
    // while the caller is still handing calls over.
    for (const std::size_t videoPerJoin : {std::size_t{0}, std::size_t{100}, std::size_t{3} << 20})
        for (const bool finish : {true, false}) {
            SCOPED_TRACE(testing::Message() << videoPerJoin << (finish ? " finish" : " stop"));
            const auto direct = outcome(false, finish, videoPerJoin);
            const auto threaded = outcome(true, finish, videoPerJoin);
            EXPECT_EQ(threaded.first, direct.first);
            EXPECT_TRUE(threaded.second == direct.second);
        }
}

}  // namespace
}  // namespace kestrel
