// SPDX-License-Identifier: MIT
#include "harness.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <optional>

#include "chunk/check_num_recs.h"
#include "chunk/record_walk.h"
#include "driver/run.h"

namespace kestrel::fuzzing {

namespace {

// A table whose count has a high byte above 4 is rejected before anything
// reads it: its compact form keeps only the head.
constexpr std::uint8_t kLargestCountHighByte = 4;

void append(std::vector<std::uint8_t>& out, std::string_view text) {
    out.insert(out.end(), text.begin(), text.end());
}

void append(std::vector<std::uint8_t>& out, Bytes bytes) {
    out.insert(out.end(), bytes.begin(), bytes.end());
}

bool writeAllAt(int fd, Bytes bytes, off_t offset) {
    while (!bytes.empty()) {
        const ssize_t n = ::pwrite(fd, bytes.data(), bytes.size(), offset);
        if (n <= 0) return false;
        bytes = bytes.subspan(static_cast<std::size_t>(n));
        offset += n;
    }
    return true;
}

// Bits 6-7 of the mode: which values the start-up phase learnt (and -R).
enum class LearntValues { kTypical, kNothing, kLargest, kTypicalNeverResync };

// What the start-up phase learns from ordinary DTivo / Standalone recordings;
// from recordings without audio; or at the limits of what it can learn.
void setStartupValues(RunState& run, std::uint8_t mode) {
    run.audioType = (mode & 4) != 0 ? kDolbyAudio : kLayer2Audio;
    const bool dolby = run.audioType == kDolbyAudio;
    run.saMode = !dolby && (mode & 8) != 0 ? 1 : 0;
    run.audioPesHeaderLength = run.saMode != 0 ? 16 : 11;
    run.noOutput = (mode & 16) != 0 ? 1 : 0;
    run.firstVideoPTS = (mode & 32) != 0 ? kNoPts : 90000;
    const auto learnt = static_cast<LearntValues>(mode >> 6);
    run.neverResync = learnt == LearntValues::kTypicalNeverResync ? 1 : 0;
    switch (learnt) {
        case LearntValues::kNothing:  // the starting values stay
            break;
        case LearntValues::kLargest:
            run.standardAudioSize = 0xFFFFF + 16;  // a 20-bit size plus a Standalone header
            run.standardFrameLength = 3840;        // AC-3 at 640 kbit/s, 32 kHz
            run.standardAudioDiff = 1;
            break;
        default:
            run.standardAudioSize = dolby ? 1806 : 779;
            run.standardFrameLength = dolby ? 1792 : 768;
            run.standardAudioDiff = dolby ? 2880 : 2160;
    }
}

// The four bytes after a marker's '<' as one number, for a quick match: the
// fuzzer hooks memcmp, and a byte-by-byte compare costs more than the rest of
// the expansion.
std::uint32_t markerWord(const std::uint8_t* at) {
    std::uint32_t word = 0;
    std::memcpy(&word, at + 1, sizeof word);
    return word;
}

std::uint32_t markerWord(std::string_view marker) {
    return markerWord(reinterpret_cast<const std::uint8_t*>(marker.data()));
}

// True when `marker` stands at the start of `bytes`.
bool startsWith(Bytes bytes, std::string_view marker) {
    return bytes.size() >= marker.size() && bytes[0] == '<' &&
           markerWord(bytes.data()) == markerWord(marker);
}

// Where the next "<pad>" or "<rec>" starts; body.size() if none does. Only
// the places of a '<' are compared.
std::size_t findMarker(Bytes body) {
    static_assert(kChunkEndMarker.size() == 5 && kRecordMarker.size() == 5);
    const std::uint32_t pad = markerWord(kChunkEndMarker);
    const std::uint32_t rec = markerWord(kRecordMarker);
    for (std::size_t at = 0; at + 5 <= body.size(); ++at) {
        const void* less = std::memchr(&body[at], '<', body.size() - at);
        if (less == nullptr) break;
        at = static_cast<std::size_t>(static_cast<const std::uint8_t*>(less) - body.data());
        if (at + 5 > body.size()) break;
        const std::uint32_t word = markerWord(&body[at]);
        if (word == pad || word == rec) return at;
    }
    return body.size();
}

void clear(ZeroedBytes& bytes) {
    std::fill(bytes.begin(), bytes.end(), std::uint8_t{0});
}

// A target's run object, kept from input to input: building one means
// megabytes of fresh buffers, which cost far more than the few chunks of an
// input. Before each input everything a run can observe is set back to what a
// new run holds. The small state is built afresh; the buffers whose stale
// bytes a run could read are cleared, those it never reads past what it wrote
// itself (the collected sequence header, the analysis copies) are left as
// they are. Files are closed at the end of every run.
class ReusedRun {
  public:
    ReusedRun() : run_(std::make_unique<Run>(nullptr)) {}

    Run& fresh(std::FILE* console) {
        Run& run = *run_;
        run.console = Console(console);
        run.state = RunState{};
        run.decoder.cursor = {};
        run.audioCounts = {};
        run.seqStartSeen = 0;
        Demuxer& d = run.demuxer;
        d.duplicates.prevChunkHead = {};
        clear(d.duplicates.prevChunkTable);
        d.videoCount = {};
        d.audioScratch.gatheredAudio = 0;
        d.continuity = {};
        d.resync.heldCount = 0;
        d.resync.holeBefore = {};
        d.resync.shadow = {};
        d.dump = {};
        d.videoOut.videoState = VideoExtraction::kWaiting;
        d.videoOut.seqHeaderLength = 0;
        d.videoOut.seqHeaderOverflowReported = false;
        d.audioOut.audioState = AudioExtraction::kBeforeFirstFrame;
        d.audioOut.audioFrameBytes = 0;
        clear(d.audioOut.audioAssembly);
        d.audioOut.audioAssemblyLength = 0;
        d.audioOut.audioAssemblyActive = false;
        d.audioOut.resumeAtPacketStart = false;
        d.audioOut.cleanCut = nullptr;
        d.cleanCut.reset();
        return run;
    }

  private:
    std::unique_ptr<Run> run_;
};

// The in-memory file that holds a whole-run input's recording, kept from
// input to input; it is emptied and written afresh each time.
class RecordingFile {
  public:
    RecordingFile() : fd_(::memfd_create("recording", MFD_CLOEXEC)) {}
    ~RecordingFile() {
        if (fd_ >= 0) ::close(fd_);
    }
    RecordingFile(const RecordingFile&) = delete;
    RecordingFile& operator=(const RecordingFile&) = delete;

    // Writes the expanded body, chunk by chunk, over the last one; the file
    // keeps its memory pages (freeing and refilling them cost more than the
    // run). False on a write failure.
    bool write(Bytes body) {
        if (fd_ < 0) return false;
        RecordingExpander expander(body);
        off_t size = 0;
        for (std::size_t length; (length = expander.next(chunk_)) != 0;) {
            if (!writeAllAt(fd_, Bytes(chunk_).first(length), size)) return false;
            size += static_cast<off_t>(length);
        }
        return ::ftruncate(fd_, size) == 0;
    }

    // kestrel opens the recording by name, as it would any file.
    std::string name() const { return "/proc/self/fd/" + std::to_string(fd_); }

  private:
    int fd_;
    std::array<std::uint8_t, kChunkSize> chunk_ = {};
};

}  // namespace

std::size_t RecordingExpander::next(std::span<std::uint8_t> chunk) {
    std::fill(chunk.begin(), chunk.end(), std::uint8_t{0});
    if (chunks_ == kMaxChunks) return 0;
    std::size_t at = 0;              // where the next bytes go
    std::size_t used = 0;            // the end of what was written
    std::optional<RecordWalk> walk;  // from the first "<rec>" on
    for (;;) {
        const std::size_t marker = findMarker(rest_);
        const std::size_t n = std::min(marker, chunk.size() - std::min(at, chunk.size()));
        if (n != 0) {
            std::memcpy(&chunk[at], rest_.data(), n);
            at += n;
            used = std::max(used, at);
        }
        if (!walk && n < marker) {  // plain bytes run on into the next chunk
            rest_ = rest_.subspan(n);
            ++chunks_;
            return chunk.size();
        }
        if (marker == rest_.size()) {
            rest_ = {};
            if (used != 0) ++chunks_;
            return used;
        }
        const bool chunkEnds = startsWith(rest_.subspan(marker), kChunkEndMarker);
        static_assert(kChunkEndMarker.size() == kRecordMarker.size());
        rest_ = rest_.subspan(marker + kRecordMarker.size());
        if (chunkEnds) {
            ++chunks_;
            return chunk.size();
        }
        if (!walk) walk.emplace(Bytes(chunk));
        at = walk->next() ? walk->payloadStart() : chunk.size();
    }
}

std::vector<std::uint8_t> expandRecording(Bytes body) {
    std::vector<std::uint8_t> recording;
    std::vector<std::uint8_t> chunk(kChunkSize);
    RecordingExpander expander(body);
    for (std::size_t length; (length = expander.next(chunk)) != 0;)
        recording.insert(recording.end(), chunk.begin(),
                         chunk.begin() + static_cast<std::ptrdiff_t>(length));
    return recording;
}

std::vector<std::uint8_t> compactRecording(Bytes recording, std::size_t pieceLength) {
    std::vector<std::uint8_t> out;
    for (std::size_t at = 0; at < recording.size(); at += kChunkSize) {
        const Bytes chunk = bytesAt(recording, at, kChunkSize);
        if (chunk.size() < kChunkHeadSize || chunk[1] > kLargestCountHighByte) {
            append(out, chunk.first(std::min(chunk.size(), kChunkHeadSize)));
        } else {
            append(out, chunk.first(std::min(chunk.size(), tableEnd(recordCount(chunk)))));
            for (RecordWalk walk(chunk); walk.next();) {
                append(out, kRecordMarker);
                append(out, walk.payload().first(std::min(pieceLength, walk.payload().size())));
            }
        }
        if (chunk.size() == kChunkSize) append(out, kChunkEndMarker);
    }
    return out;
}

std::FILE* fuzzConsole() {
    static std::array<char, 1 << 20> text;
    static std::FILE* const console = ::fmemopen(text.data(), text.size(), "w");
    if (console != nullptr) std::rewind(console);
    return console;
}

std::vector<std::string> runOptions(std::uint8_t mode) {
    static constexpr std::array<const char*, 4> kVerbosity = {nullptr, "-v", "-V", "-vc"};
    static constexpr std::array<const char*, 4> kLimit = {nullptr, "-l11", "-l12", "-l5"};
    static constexpr std::array<const char*, 4> kJumpOrResync = {nullptr, "-j1", "-j-1", "-R"};
    std::vector<std::string> options;
    const auto add = [&options](const char* option) {
        if (option != nullptr) options.emplace_back(option);
    };
    add(kVerbosity[mode & 3]);
    add((mode & 4) != 0 ? "-s" : nullptr);
    add((mode & 8) != 0 ? "-n" : nullptr);
    add(kLimit[(mode >> 4) & 3]);
    add(kJumpOrResync[(mode >> 6) & 3]);
    return options;
}

int runWholeInput(Bytes input, std::FILE* console) {
    static RecordingFile file;
    static ReusedRun reused;
    const std::uint8_t mode = input.empty() ? 0 : input[0];
    if (!file.write(input.subspan(input.empty() ? 0 : 1))) return kExitFailure;

    std::vector<std::string> words = {"kestrel"};
    for (std::string& option : runOptions(mode))
        words.push_back(std::move(option));
    words.insert(words.end(), {file.name(), "/dev/null", "/dev/null"});
    std::vector<const char*> args;
    args.reserve(words.size());
    for (const std::string& word : words)
        args.push_back(word.c_str());
    return runInvocation(reused.fresh(console), args);
}

void parseChunkInput(Bytes input, std::FILE* console) {
    static ReusedRun reused;
    if (input.empty()) return;
    // A run object, so that the chunks take the same path as in the pump.
    Run& run = reused.fresh(console);
    // Verbosity 3: clean cuts, at -v.
    const int verbosity = input[0] & 3;
    const bool cleanCuts = verbosity == 3;
    run.console.setVerboseLevel(cleanCuts ? kVerbose : verbosity);
    if (cleanCuts) startCleanCuts(run.demuxer);
    setStartupValues(run.state, input[0]);
    // With -n the outputs are open but nothing reaches them, as in a real
    // run. Writes to /dev/null cannot fail, so they stay open for good.
    for (OutputFile* output : {&run.video, &run.audio}) {
        if (!output->isOpen()) output->adopt(std::fopen("/dev/null", "wb"), "/dev/null");
        output->setDiscard(run.state.noOutput != 0);
    }

    // Chunks are expanded straight into the read buffer; its padding stays zero.
    RecordingExpander expander(input.subspan(1));
    const std::span<std::uint8_t> chunk(run.readBuffer.data(), kChunkSize);
    while (run.state.keepPumping != 0 && expander.next(chunk) != 0) {
        if (checkNumRecs(run.console, run.readBuffer.view()) != 0 &&
            !demultiplex(run, run.readBuffer.view()))
            break;
        // The -V record dump of one chunk costs more than all the rest of an
        // input: later chunks are seen at -v.
        if (verbosity == kVeryVerbose) run.console.setVerboseLevel(kVerbose);
    }
    finishDemux(run.demuxer);
}

}  // namespace kestrel::fuzzing
