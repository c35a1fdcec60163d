// SPDX-License-Identifier: MIT
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "chunk/chunk_buffer.h"
#include "driver/run.h"

namespace kestrel::bench {

/// A recording built in memory from the committed sample streams, as the
/// recording builder writes it: DTivo, with Layer II or AC-3 audio.
class Recording {
  public:
    enum class Audio { Layer2, Ac3 };
    Recording(Audio audio, std::size_t minBytes);
    ~Recording();
    Recording(const Recording&) = delete;
    Recording& operator=(const Recording&) = delete;

    /// The chunks, each in a buffer with its zero padding as the pump has it.
    const std::vector<ChunkBuffer>& chunks() const { return chunks_; }
    /// A name under which the recording can be opened as a file.
    const std::string& path() const { return path_; }

  private:
    std::vector<ChunkBuffer> chunks_;
    int fd_ = -1;  // an anonymous in-memory file holding the same bytes
    std::string path_;
};

/// A run of kestrel that has been through the start-up phase on a recording:
/// values learnt, the ten analysis chunks demultiplexed. Console text and both
/// outputs go to /dev/null; with `noOutput` nothing is written at all (-n).
class StartedRun {
  public:
    StartedRun(const Recording& recording, bool noOutput);
    ~StartedRun();
    StartedRun(const StartedRun&) = delete;
    StartedRun& operator=(const StartedRun&) = delete;

    Run& run() { return *run_; }

  private:
    std::FILE* console_;
    std::unique_ptr<Run> run_;
};

}  // namespace kestrel::bench
