// Runs the update cycle once, as the launcher does after its start, without a window:
//   kaldoria-update-bench SERVER_URL CLIENT_DIR
// The client folder is updated from the server's list; prints the files that failed.
// Used by run.sh against aria2c and unrar.
#include "startup/tConfigData.h"
#include "update/TUpdateWorkflow.h"
#include "update/UpdateView.h"

#include <QBuffer>
#include <QCoreApplication>

#include <cstdio>

using namespace kaldoria;

namespace {

// A window that shows nothing.
class SilentView : public update::UpdateView {
public:
    void setStatusText(const QString&) override {}
    void setTotalText(const QString&) override {}
    void setStepProgress(int, int) override {}
    void setFileProgress(qint64, qint64) override {}
    void setTotalProgress(qint64, qint64) override {}
    void setStartButtonEnabled(bool) override {}
    void setCheckAllVisible(bool) override {}
    void setCheckAllEnabled(bool) override {}
    void showMessage(const QString&) override {}
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: kaldoria-update-bench SERVER_URL CLIENT_DIR\n");
        return 2;
    }
    QByteArray text = "[updateservers]\nurl=" + args.at(1).toUtf8() + "\n";
    QBuffer buffer(&text);
    buffer.open(QIODevice::ReadOnly);
    startup::tConfigData config;
    config.ParseConfig(buffer);
    SilentView view;
    const QString program = args.at(2) + QStringLiteral("/Kaldoria");
    update::TUpdateWorkflow updater(view, config, nullptr, {program}, program);
    updater.prepare();
    updater.RunUpdate();
    std::printf("%d files failed%s\n", updater.failedFiles(), updater.listMissing() ? ", no list" : "");
    return updater.failedFiles() == 0 && !updater.listMissing() ? 0 : 1;
}
