#pragma once

#include <QRect>

namespace kaldoria::pack::demoskin {

// Where the demo skin puts every control; the background art is drawn around these.
namespace mainlayout {
inline constexpr QSize kWindow{800, 560};
inline constexpr int kBodyTop = 14; // the crest rises above the body's top edge
inline constexpr QRect kCrest{330, 0, 140, 60};
inline constexpr QRect kTitle{34, 26, 260, 20};
inline constexpr QRect kMinimize{710, 22, 30, 30};
inline constexpr QRect kClose{744, 22, 30, 30};
inline constexpr QRect kNewsFrame{24, 206, 486, 238};
inline constexpr QRect kWebPanel{32, 214, 470, 222};
inline constexpr QRect kSideFrame{526, 206, 250, 238};
inline constexpr QRect kLangDescription{544, 216, 214, 18};
inline constexpr QRect kLangBox{544, 238, 214, 24};
inline constexpr QRect kCheckAllFiles{540, 274, 222, 40};
inline constexpr QRect kConfig{540, 318, 222, 40};
inline constexpr QRect kCancel{540, 362, 222, 40};
inline constexpr QRect kGaugeOneFile{546, 414, 210, 8};
inline constexpr QRect kGaugeTotal{546, 428, 210, 8};
inline constexpr QRect kStatusFrame{24, 454, 486, 92};
inline constexpr QRect kStatus{38, 460, 460, 18};
inline constexpr QRect kProgressOneFile{38, 480, 458, 12};
inline constexpr QRect kStatusTotal{38, 500, 460, 18};
inline constexpr QRect kProgressTotal{38, 520, 458, 12};
inline constexpr QRect kStartGame{526, 456, 250, 88};
} // namespace mainlayout

namespace settingslayout {
inline constexpr QSize kWindow{520, 406};
inline constexpr QRect kPanel{6, 6, 508, 394};
inline constexpr QRect kTitle{34, 20, 300, 22};
inline constexpr int kRowTop = 74;
inline constexpr int kRowStep = 46;
inline constexpr int kLabelLeft = 40;
inline constexpr int kLabelWidth = 190;
inline constexpr int kFieldLeft = 246;
inline constexpr int kFieldWidth = 232;
inline constexpr int kFieldHeight = 26;
inline constexpr QRect kOk{200, 352, 120, 32};
// Rows 0 to 4 are skin elements; the launcher places its download limit row in row 5.
inline constexpr int kRows = 6;

// The label and the field of a row.
inline constexpr QRect labelRow(int row) {
    return {kLabelLeft, kRowTop + row * kRowStep + 4, kLabelWidth, 20};
}
inline constexpr QRect fieldRow(int row) {
    return {kFieldLeft, kRowTop + row * kRowStep, kFieldWidth, kFieldHeight};
}
} // namespace settingslayout

} // namespace kaldoria::pack::demoskin
