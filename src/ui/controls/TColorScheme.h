#pragma once

namespace kaldoria::controls {

// The ready-made colour sets of the gradient progress bar; csCustom keeps the colours.
enum class TColorScheme {
    csCustom = 0,
    csDesert,
    csGrass,
    csSilver,
    csSky,
    csRose,
    csSun,
    csHackers,
    csNight,
    csVelvet,
    csMetal,
    csViolet,
    csToxic,
};

} // namespace kaldoria::controls
