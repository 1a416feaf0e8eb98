#pragma once

#include "skin/SkinLayoutMode.h"

// Sets the process-wide skin layout mode for one test and restores it afterwards.
class SkinModeGuard {
public:
    explicit SkinModeGuard(qint32 mode) : saved(kaldoria::skin::SkinLayoutMode) {
        kaldoria::skin::SkinLayoutMode = mode;
    }
    ~SkinModeGuard() { kaldoria::skin::SkinLayoutMode = saved; }
    SkinModeGuard(const SkinModeGuard&) = delete;
    SkinModeGuard& operator=(const SkinModeGuard&) = delete;

private:
    qint32 saved;
};
