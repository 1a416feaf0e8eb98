#pragma once

#include <QPoint>
#include <QString>

#include <optional>

namespace kaldoria::update {

// The four progress controls of the main window: a bar and a gauge for the current file,
// a bar and a gauge for the whole update.
enum class ProgressControl { OneFileBar, OneFileGauge, TotalBar, TotalGauge };

// What the update workflow needs of its window. The widget window implements it with its
// controls, the headless mode with a terminal. Every call takes effect (and is painted)
// at once; the workflow calls it on the user-interface thread only.
class UpdateView {
public:
    virtual ~UpdateView() = default;

    // The one-line status text.
    virtual void setStatusText(const QString& text) = 0;
    // The label beside the total progress, such as "Total: 50%".
    virtual void setTotalText(const QString& text) = 0;

    // Minimum 0, step 1 and this maximum.
    virtual void setProgressMaximum(ProgressControl control, int maximum) = 0;
    virtual void setProgressPosition(ProgressControl control, int position) = 0;
    // The control's width in pixels; download progress is drawn pixel by pixel.
    virtual int progressWidth(ProgressControl control) const = 0;

    // The start button, with the hand-point cursor when enabled.
    virtual void setStartButtonEnabled(bool enabled) = 0;
    virtual void setCheckAllVisible(bool visible) = 0;
    virtual void setCheckAllEnabled(bool enabled) = 0;

    // A warning in the sliding message panel.
    virtual void showMessage(const QString& text) = 0;

    // Something the update could not do, and why: a client file that could not be updated
    // (`subject` is its list name) or the file list. Views that list failures show it.
    virtual void reportFailure(const QString& subject, const QString& reason) {
        Q_UNUSED(subject);
        Q_UNUSED(reason);
    }

    // The bytes of the file being downloaded, for views that show them; called with every
    // progress report of the downloader.
    virtual void downloadProgress(qint64 loaded, qint64 size) {
        Q_UNUSED(loaded);
        Q_UNUSED(size);
    }

    // The window's position to save; none when there is no window.
    virtual std::optional<QPoint> windowPosition() const { return std::nullopt; }
};

} // namespace kaldoria::update
