#pragma once

namespace kaldoria::controls {

// Which way a progress bar fills.
enum class TProgressBarOrientation { pbHorizontal = 0, pbVertical = 1 };

} // namespace kaldoria::controls
