#include "app/TerminalView.h"

#include "update/ByteSizeText.h"

#include <QByteArray>

#include <unistd.h>

namespace kaldoria::app {

namespace {

// Width of the drawn bar in characters.
constexpr int kBarChars = 30;
constexpr qint64 kRedrawMs = 100;
constexpr qint64 kRateWindowMs = 1000;

int percentOf(qint64 done, qint64 count) {
    return count > 0 ? static_cast<int>(100 * qBound<qint64>(0, done, count) / count) : 0;
}

} // namespace

TerminalView::TerminalView(std::FILE* out, std::FILE* err)
    : m_out(out), m_err(err), m_terminal(::isatty(::fileno(out)) == 1) {
    m_rateClock.start();
    m_redrawClock.start();
}

TerminalView::~TerminalView() {
    clearProgress();
}

QString TerminalView::progressLine(int barPercent, qint64 loaded, qint64 size, double bytesPerSecond,
                                   int totalPercent) {
    const int percent = qBound(0, barPercent, 100);
    const int filled = percent * kBarChars / 100;
    QString line = QLatin1Char('[') + QString(filled, QLatin1Char('#')) +
                   QString(kBarChars - filled, QLatin1Char('.')) + QStringLiteral("] ") +
                   QString::number(percent).rightJustified(3) + QLatin1Char('%');
    if (size > 0)
        line += QLatin1String("  ") + update::byteSizeText(loaded) + QLatin1String(" / ") + update::byteSizeText(size) +
                QLatin1String("  ") + update::byteSizeText(bytesPerSecond) + QLatin1String("/s");
    if (totalPercent >= 0)
        line += QLatin1String("  total ") + QString::number(totalPercent) + QLatin1Char('%');
    return line;
}

void TerminalView::printLine(const QString& line) {
    clearProgress();
    std::fputs(line.toLocal8Bit().constData(), m_out);
    std::fputc('\n', m_out);
    std::fflush(m_out);
    redrawProgress(true);
}

void TerminalView::clearProgress() {
    if (!m_progressShown)
        return;
    std::fputs("\r\033[K", m_out);
    m_progressShown = false;
}

void TerminalView::redrawProgress(bool force) {
    if (!m_terminal)
        return;
    if (!force && m_redrawClock.elapsed() < kRedrawMs)
        return;
    m_redrawClock.restart();
    const QString line = progressLine(m_barPercent, m_loaded, m_size, m_rate, m_totalPercent);
    std::fputs("\r\033[K", m_out);
    std::fputs(line.toLocal8Bit().constData(), m_out);
    std::fflush(m_out);
    m_progressShown = true;
}

void TerminalView::setStatusText(const QString& text) {
    if (text == m_lastStatus)
        return;
    m_lastStatus = text;
    printLine(text);
}

void TerminalView::setTotalText(const QString& text) {
    if (text == m_lastTotal)
        return;
    m_lastTotal = text;
    if (!m_terminal)
        printLine(text);
    else
        redrawProgress(true);
}

void TerminalView::setStepProgress(int done, int count) {
    m_barPercent = percentOf(done, count);
    m_size = 0;
    redrawProgress(false);
}

void TerminalView::setTotalProgress(qint64 done, qint64 count) {
    m_totalPercent = percentOf(done, count);
    redrawProgress(false);
}

void TerminalView::setStartButtonEnabled(bool) {}

void TerminalView::setCheckAllVisible(bool) {}

void TerminalView::setCheckAllEnabled(bool) {}

void TerminalView::showMessage(const QString& text) {
    printLine(QStringLiteral("! ") + text);
}

void TerminalView::reportFailure(const QString& subject, const QString& reason) {
    clearProgress();
    const QString line = QStringLiteral("Failed: ") + subject + QStringLiteral(": ") + reason + QLatin1Char('\n');
    std::fputs(line.toLocal8Bit().constData(), m_err);
    std::fflush(m_err);
    redrawProgress(true);
}

void TerminalView::setFileProgress(qint64 loaded, qint64 size) {
    m_barPercent = percentOf(loaded, size);
    if (loaded < m_loaded || size != m_size) {
        // A new file: the rate starts again.
        m_rateBytes = loaded;
        m_rate = 0;
        m_rateClock.restart();
    }
    m_loaded = loaded;
    m_size = size;
    const qint64 elapsed = m_rateClock.elapsed();
    if (elapsed >= kRateWindowMs) {
        m_rate = static_cast<double>(loaded - m_rateBytes) * 1000.0 / static_cast<double>(elapsed);
        m_rateBytes = loaded;
        m_rateClock.restart();
    }
    redrawProgress(false);
}

} // namespace kaldoria::app
