#pragma once

#include <QPoint>
#include <QString>

#include <optional>

namespace kaldoria::update {

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

    // Progress of the step under way: `done` of `count` list lines read, files measured or
    // compared. A count of 0 shows an empty step.
    virtual void setStepProgress(int done, int count) = 0;
    // The bytes of the file the status names (the oldest one still in work) and its length;
    // the length is -1 while it is not known.
    virtual void setFileProgress(qint64 received, qint64 length) = 0;
    // Progress of the whole update: `done` of `count`, the bytes of every file to install,
    // each weighted by the size the list gives it.
    virtual void setTotalProgress(qint64 done, qint64 count) = 0;

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

    // The window's position to save; none when there is no window.
    virtual std::optional<QPoint> windowPosition() const { return std::nullopt; }
};

} // namespace kaldoria::update
