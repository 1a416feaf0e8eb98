#pragma once

#include "update/UpdateView.h"

#include <QElapsedTimer>
#include <QString>

#include <cstdio>

namespace kaldoria::app {

// The update workflow's window in a terminal. On a terminal it keeps one progress line
// at the bottom (the step or the current file, its bytes and rate, the total) and prints status lines above it;
// when the output is not a terminal it prints one plain line per status, total or message.
// Each failure goes to the error stream as "Failed: NAME: REASON".
class TerminalView : public update::UpdateView {
public:
    explicit TerminalView(std::FILE* out = stdout, std::FILE* err = stderr);
    ~TerminalView() override;

    void setStatusText(const QString& text) override;
    void setTotalText(const QString& text) override;
    void setStepProgress(int done, int count) override;
    void setFileProgress(qint64 received, qint64 length) override;
    void setTotalProgress(qint64 done, qint64 count) override;
    void setStartButtonEnabled(bool enabled) override;
    void setCheckAllVisible(bool visible) override;
    void setCheckAllEnabled(bool enabled) override;
    void showMessage(const QString& text) override;
    void reportFailure(const QString& subject, const QString& reason) override;

    // The progress line as shown on a terminal, for a given state (also used by tests); the
    // bytes are shown when `size` is above 0, the total when `totalPercent` is not negative.
    static QString progressLine(int barPercent, qint64 loaded, qint64 size, double bytesPerSecond, int totalPercent);

private:
    void printLine(const QString& line);
    void redrawProgress(bool force);
    void clearProgress();

    std::FILE* m_out;
    std::FILE* m_err;
    bool m_terminal;
    bool m_progressShown = false;
    QString m_lastStatus;
    QString m_lastTotal;
    int m_barPercent = 0;
    int m_totalPercent = -1;
    qint64 m_loaded = 0;
    qint64 m_size = 0;
    qint64 m_rateBytes = 0;
    double m_rate = 0;
    QElapsedTimer m_rateClock;
    QElapsedTimer m_redrawClock;
};

} // namespace kaldoria::app
