#pragma once

#include <QtGlobal>

namespace kaldoria::controls {

// The value range shared by the progress bar and the gauge. The setters return whether
// they stored the value: Position is never set below Min (there is no upper bound), Min
// never above Max, Max never below Min.
class ProgressRange {
public:
    qint32 position() const { return FPosition; }
    qint32 min() const { return FMin; }
    qint32 max() const { return FMax; }
    qint32 step() const { return FStep; }

    bool setPosition(qint32 value) { return store(FPosition, value, value >= FMin); }
    bool setMin(qint32 value) { return store(FMin, value, value <= FMax); }
    bool setMax(qint32 value) { return store(FMax, value, value >= FMin); }
    void setStep(qint32 value) { FStep = value; }
    // Adds Step to Position without a range check (wrapping like the 32-bit field).
    void stepIt() { FPosition = qint32(quint32(FPosition) + quint32(FStep)); }

private:
    static bool store(qint32& field, qint32 value, bool allowed) {
        if (allowed)
            field = value;
        return allowed;
    }

    qint32 FPosition = 0;
    qint32 FMin = 0;
    qint32 FMax = 100;
    qint32 FStep = 10;
};

} // namespace kaldoria::controls
