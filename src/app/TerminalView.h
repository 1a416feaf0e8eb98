#pragma once

#include "update/UpdateView.h"

#include <QElapsedTimer>
#include <QString>

#include <array>
#include <cstdio>

namespace kaldoria::app {

// The update workflow's window in a terminal. On a terminal it keeps one progress line
// at the bottom (current file, bytes, rate, files done) and prints status lines above it;
// when the output is not a terminal it prints one plain line per status, total or message.
// Each failure goes to the error stream as "Failed: NAME: REASON".
class TerminalView : public update::UpdateView {
public:
    explicit TerminalView(std::FILE* out = stdout, std::FILE* err = stderr);
    ~TerminalView() override;

    void setStatusText(const QString& text) override;
    void setTotalText(const QString& text) override;
    void setProgressMaximum(update::ProgressControl control, int maximum) override;
    void setProgressPosition(update::ProgressControl control, int position) override;
    int progressWidth(update::ProgressControl control) const override;
    void setStartButtonEnabled(bool enabled) override;
    void setCheckAllVisible(bool visible) override;
    void setCheckAllEnabled(bool enabled) override;
    void showMessage(const QString& text) override;
    void reportFailure(const QString& subject, const QString& reason) override;
    void downloadProgress(qint64 loaded, qint64 size) override;

    // The progress line as shown on a terminal, for a given state (also used by tests).
    static QString progressLine(int oneFilePercent, qint64 loaded, qint64 size, double bytesPerSecond, int filesDone,
                                int filesTotal);

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
    // The bars' ranges start unknown (0) until the workflow sets them.
    std::array<int, 4> m_maximum{};
    std::array<int, 4> m_position{};
    qint64 m_loaded = 0;
    qint64 m_size = 0;
    qint64 m_rateBytes = 0;
    double m_rate = 0;
    QElapsedTimer m_rateClock;
    QElapsedTimer m_redrawClock;
};

} // namespace kaldoria::app
