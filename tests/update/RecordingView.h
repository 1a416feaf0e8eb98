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
    void setStepProgress(int done, int count) override { step = {done, count}; }
    void setFileProgress(qint64 received, qint64 length) override {
        if (onDownloadProgress)
            onDownloadProgress(received, length);
    }
    void setTotalProgress(qint64 done, qint64 count) override { total = {done, count}; }
    void setStartButtonEnabled(bool enabled) override { startEnabled = enabled; }
    void setCheckAllVisible(bool visible) override { checkAllVisible = visible; }
    void setCheckAllEnabled(bool enabled) override { checkAllEnabled = enabled; }
    void showMessage(const QString& text) override { messages << text; }
    void reportFailure(const QString& subject, const QString& reason) override { failures[subject] = reason; }

    QStringList statuses;
    QStringList totals;
    QStringList messages;
    // Failed subject -> reason.
    std::map<QString, QString> failures;
    // The last step and total progress: done, count.
    std::pair<int, int> step{0, 0};
    std::pair<qint64, qint64> total{0, 0};
    bool startEnabled = false;
    bool checkAllVisible = false;
    bool checkAllEnabled = true;
    std::function<void(const QString&)> onStatus;
    std::function<void(qint64, qint64)> onDownloadProgress;
};

} // namespace kaldoria::update
