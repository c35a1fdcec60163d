// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace recbuild {

/// Packet headers as the recorders store them in front of elementary-stream
/// data. `pts` is a 90 kHz time stamp; its low 33 bits are written.

/// 16 bytes: a full PES header 00 00 01 E0 with a PTS and two stuffing bytes,
/// the content of a video packet-header record.
std::vector<std::uint8_t> videoPesHeader(std::uint64_t pts);

/// 11 bytes: 00 00 01 C0, packet length, then the PTS field at once, the short
/// form that DTivo recorders put in front of each Layer II frame.
std::vector<std::uint8_t> shortAudioHeader(std::uint64_t pts, std::size_t frameLength);

/// 14 bytes: a full PES header 00 00 01 BD with a PTS, in front of each AC-3 frame.
std::vector<std::uint8_t> ac3PesHeader(std::uint64_t pts, std::size_t frameLength);

/// 16 bytes: a full PES header 00 00 01 C0 with a PTS and two stuffing bytes, the
/// record that Standalone recorders put before each Layer II frame's record.
std::vector<std::uint8_t> standaloneAudioHeader(std::uint64_t pts, std::size_t frameLength);

}  // namespace recbuild
