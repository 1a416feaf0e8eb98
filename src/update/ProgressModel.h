#pragma once

#include "update/UpdateView.h"

#include <array>

namespace kaldoria::update {

// The positions and maxima of the four progress controls, kept here so that stepping and
// scaling do not have to ask the view; every change is passed to the view at once.
class ProgressModel {
public:
    explicit ProgressModel(UpdateView& view);

    // The bar and gauge of the current file, or those of the whole update, set together.
    enum class Pair { OneFile, Total };

    void setMaximum(Pair pair, int maximum);
    void setPosition(Pair pair, int position);
    void toMaximum(Pair pair);
    // One step (StepIt) of both controls of the pair.
    void step(Pair pair);
    // Each control of the pair gets its own width in pixels as its maximum.
    void scaleToWidth(Pair pair);

    // Download progress of one file: each control of the current file at loaded / size of
    // its maximum, rounded to the nearest, halves to even.
    void downloadProgress(qint64 loaded, qint64 size);
    // Each control of the pair at done / count of its maximum, rounded as above.
    void setShare(Pair pair, qint64 done, qint64 count);

    int position(ProgressControl control) const;
    int maximum(ProgressControl control) const;

    // 100 × done / count, rounded to the nearest whole number, halves to even.
    static int percent(int done, int count);

private:
    struct State {
        int maximum = 100;
        int position = 0;
    };
    void setMaximum(ProgressControl control, int maximum);
    void setPosition(ProgressControl control, int position);

    UpdateView& m_view;
    std::array<State, 4> m_state{};
};

} // namespace kaldoria::update
