// The audio component: a WAV file turned into a value that varies with time.
//
// The WAV file is one of the shader's exposed files, opened by the media cache with a record of
// the evaluating thread's own, so sampling it takes no lock. Samples lie in [-1, 1]; a frame before
// the start or past the end of the data is silence (0), and so is every sample at a time that is
// not a finite number. The output is s · 0.5 · Amplitude + Offset, so that the defaults map the
// sound onto 0 … 1; without a file (or in the editor's preview) it is Offset.
#pragma once

#include <cstdint>

#include "core/component.h"

namespace vandrel {

class TAudioFile;

// AudioMode values.
enum AudioMode : int32_t {
    kAudioNearest = 0,
    kAudioLinear = 1,
    kAudioCubic = 2,
    kAudioWindowMean = 3,
    kAudioWindowMeanAbsolute = 4,
    kAudioWindowPeak = 5,  // the sample of greatest magnitude, sign kept, the first on a tie
    kAudioWindowPeakAbsolute = 6,
};

// One channel of the file at `time` seconds, by mode; the window modes visit the frames within
// half of round(rate · window) frames (at least the one frame) either side of the frame at `time`,
// and the means divide by the number of frames visited, silent ones included; they read the file's
// decoded data, so a sample costs the same whatever the window. Channels past the file's last
// read its last; a mode outside 0 … 6 gives 0.
double SampleAudio(TAudioFile& file, int32_t mode, int32_t channel, double window, double time);

inline constexpr PropertySpec kAudioProps[] = {
    {"File", kFile, {-1}},
    {"Amplitude", kNumerical, {1}},
    {"Offset", kNumerical, {0.5}},
    {"Channel", kEnumeration, {2}},
    {"AudioMode", kEnumeration, {0}},
    {"Window", kNumerical, {0}},  // seconds
    {"Time", kNumerical, {0}},    // seconds
};

// Channel 0 or 1 reads that channel, 2 the mean of channels 0 and 1 (a mono file's one channel
// twice); any other Channel leaves the output as it was.
class TXRCAudio final : public TXRTableComponent<kAudioProps, kNumerical> {
  public:
    static constexpr int32_t kTypeId = 1106;
    void Evaluate(bool inHost) override;
    char FileKind() const override { return 'A'; }
};

}  // namespace vandrel
