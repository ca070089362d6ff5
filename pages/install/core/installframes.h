#pragma once
// The install guide's animation: the frames of its three steps and the loop
// that shows them.
#include <array>
#include <functional>
#include <string>

namespace sp {

inline constexpr int kInstallFrameCount = 20;
inline constexpr int kInstallStepCount = 3;
inline constexpr int kInstallFrameMs = 700;
// Caption of step s is text kInstallCaptionBase + s.
inline constexpr int kInstallCaptionBase = 114;
// Four numbers per entry; every frame starts with the page background.
inline constexpr char kInstallBackground[] = "cbackground.jpg|0|0|255|0,";

using InstallFrames = std::array<std::string, kInstallFrameCount>;

// Clears all frames, then fills those of `step` (0..2; other steps leave
// every frame empty). An empty frame is not part of the animation.
void BuildInstallFrames(int step, InstallFrames& frames);

// Number of frames in use (not empty).
int CountUsedFrames(const InstallFrames& frames);

// The animation loop: from frame 0 on, shows every frame that is not empty
// and then waits `frameMs`; after frame 19 it starts again at 0. Empty
// frames are passed over without waiting. Ends when `sleep` reports a stop,
// or at once when every frame is empty.
void RunInstallAnimation(const InstallFrames& frames, int frameMs, const std::function<void(const std::string&)>& show,
                         const std::function<bool(int ms)>& sleep);

}  // namespace sp
