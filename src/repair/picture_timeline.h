// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>

#include "repair/picture_listener.h"
#include "repair/stamp_unwrapper.h"

namespace kestrel {

/// A picture in the order a decoder shows it: when the recording showed it
/// (`source`, 90 kHz ticks on the unwrapped clock) and when the video output
/// shows it (`output`, ticks from the first picture shown), for `duration`.
struct ShownPicture {
    std::int64_t source = 0;
    double output = 0;
    double duration = 0;
    bool startsCut = false;  // the first picture shown after a cut
};

/// Follows the pictures written, in coding order, and yields them in display
/// order with their times. A reference picture (I or P) is shown once the next
/// reference picture arrives, after the B pictures coded between them; a B
/// picture is shown at once.
class PictureTimeline {
  public:
    explicit PictureTimeline(StampUnwrapper& clock) : clock_(clock) {}

    /// Takes the next picture written; returns the picture now shown, if any.
    std::optional<ShownPicture> written(const WrittenPicture& picture);
    /// A cut was completed: the GOP it resumed at starts with the reference
    /// picture held (or, with none held, the next picture).
    void markCut();
    /// The end of the video: the reference picture still held is shown.
    std::optional<ShownPicture> finish();
    /// Where the video output ends, in output ticks.
    double end() const { return outputClock_; }

  private:
    struct Held {
        WrittenPicture picture;
        bool startsCut;
    };
    ShownPicture show(const Held& held);

    StampUnwrapper& clock_;
    std::optional<Held> reference_;
    bool cutNext_ = false;
    double outputClock_ = 0;
    bool anyShown_ = false;
    std::int64_t lastSource_ = 0;
    double lastDuration_ = 0;
};

}  // namespace kestrel
