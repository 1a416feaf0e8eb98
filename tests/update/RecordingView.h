#pragma once

#include "update/UpdateView.h"

#include <QStringList>

#include <functional>
#include <map>

namespace kaldoria::update {

// A window that remembers what the workflow showed, with hooks to act in the middle of it.
class RecordingView : public UpdateView {
public:
    void setStatusText(const QString& text) override {
        statuses << text;
        if (onStatus)
            onStatus(text);
    }
    void setTotalText(const QString& text) override { totals << text; }
    void setProgressMaximum(ProgressControl c, int m) override { maximum[c] = m; }
    void setProgressPosition(ProgressControl c, int p) override { position[c] = p; }
    int progressWidth(ProgressControl c) const override { return c == ProgressControl::OneFileBar ? 527 : 200; }
    void setStartButtonEnabled(bool enabled) override { startEnabled = enabled; }
    void setCheckAllVisible(bool visible) override { checkAllVisible = visible; }
    void setCheckAllEnabled(bool enabled) override { checkAllEnabled = enabled; }
    void showMessage(const QString& text) override { messages << text; }
    void reportFailure(const QString& subject, const QString& reason) override { failures[subject] = reason; }
    void downloadProgress(qint64 loaded, qint64 size) override {
        if (onDownloadProgress)
            onDownloadProgress(loaded, size);
    }

    QStringList statuses;
    QStringList totals;
    QStringList messages;
    // Failed subject -> reason.
    std::map<QString, QString> failures;
    std::map<ProgressControl, int> maximum;
    std::map<ProgressControl, int> position;
    bool startEnabled = false;
    bool checkAllVisible = false;
    bool checkAllEnabled = true;
    std::function<void(const QString&)> onStatus;
    std::function<void(qint64, qint64)> onDownloadProgress;
};

} // namespace kaldoria::update
