#include "update/install/InstallRun.h"

#include "update/ByteSizeText.h"

#include "platform/EventLoopWait.h"
#include "startup/InterfaceTexts.h"

#include <QFile>

#include <algorithm>

namespace kaldoria::update {

InstallRun::InstallRun(WorkflowState& state) : m_s(state), m_updater(state) {}

bool InstallRun::install(const std::vector<filelist::TFileRecord>& records) {
    m_records = records;
    m_files.assign(records.size(), {});
    m_front = 0;
    std::vector<InstallTask> tasks;
    for (size_t i = 0; i < records.size(); ++i) {
        FileState& file = m_files[i];
        file.weight = std::max<qint64>(1, records[i].Size);
        TSingleFileUpdate::Prepared prepared = m_updater.prepare(records[i]);
        if (!prepared.task) {
            file.done = true;
            file.result = InstallResult{.index = int(i), .reason = prepared.refusal};
            continue;
        }
        file.task = prepared.task;
        tasks.push_back(*prepared.task);
    }
    // The pipeline numbers its tasks in the order given; this maps them back to the records.
    std::vector<int> recordOf;
    for (size_t i = 0; i < m_files.size(); ++i) {
        if (m_files[i].task)
            recordOf.push_back(int(i));
    }

    // Events that arrive after the run has returned change nothing.
    const auto post = [this](auto function) {
        QMetaObject::invokeMethod(
            &m_context,
            [this, function = std::move(function)] {
                if (m_active)
                    function();
            },
            Qt::QueuedConnection);
    };
    InstallPipeline::Handlers handlers;
    handlers.bytes = [this, post, recordOf](int index, qint64 received, qint64 length) {
        post([=, this] { bytesArrived(recordOf[size_t(index)], received, length); });
    };
    handlers.planned = [this, post, recordOf](int index, qint64 bytesToFetch) {
        post([=, this] { planned(recordOf[size_t(index)], bytesToFetch); });
    };
    handlers.unpacking = [this, post, recordOf](int index) {
        post([=, this] { unpackingStarted(recordOf[size_t(index)]); });
    };
    handlers.done = [this, post, recordOf](InstallResult result) {
        result.index = recordOf[size_t(result.index)];
        post([=, this] { fileDone(result); });
    };
    handlers.log = [this, post](const QString& line) { post([=, this] { m_s.log(line); }); };
    m_pipeline.emplace(m_s.fetchOptions, std::move(handlers));
    m_pipeline->start(std::move(tasks));

    m_active = true;
    reportInOrder();
    const platform::WaitOutcome outcome =
        platform::waitWhileDispatching([this] { return m_front == m_files.size(); }, m_s.cancel);
    m_active = false;
    logServers();
    m_pipeline.reset();
    if (outcome == platform::WaitOutcome::Done)
        return true;
    for (FileState& file : m_files) {
        if (file.task && !file.result)
            m_updater.abandon(*file.task);
    }
    return false;
}

void InstallRun::logServers() {
    if (m_s.mirrors.isEmpty())
        return;
    const std::vector<download::ServerTally> servers = m_pipeline->servers();
    for (size_t i = 0; i < servers.size() && i <= size_t(m_s.mirrors.size()); ++i) {
        const download::ServerTally& server = servers[i];
        m_s.log(QStringLiteral("Update server %1: %2 bytes (%3) at %4/s%5")
                    .arg(i == 0 ? m_s.URLMain : m_s.mirrors.at(qsizetype(i) - 1), QString::number(server.bytes),
                         byteSizeText(double(server.bytes)), byteSizeText(server.bytesPerSecond),
                         server.dropped ? QStringLiteral(", dropped after failing") : QString()));
    }
}

void InstallRun::bytesArrived(int index, qint64 received, qint64 length) {
    FileState& file = m_files[size_t(index)];
    if (file.done)
        return;
    file.received = received;
    file.length = length;
    if (size_t(index) == m_front)
        showFront();
    showTotal();
}

void InstallRun::planned(int index, qint64 bytesToFetch) {
    FileState& file = m_files[size_t(index)];
    file.weight = std::max<qint64>(1, bytesToFetch);
    file.received = 0;
    file.length = -1;
    showTotal();
}

void InstallRun::unpackingStarted(int index) {
    // The packed file has arrived whole, whether or not its bytes were reported on the way
    // (a small one finishes between two reports).
    FileState& file = m_files[size_t(index)];
    file.unpacking = true;
    file.length = std::max<qint64>({file.received, file.length, 1});
    file.received = file.length;
    if (size_t(index) == m_front)
        showFront();
    showTotal();
}

void InstallRun::fileDone(const InstallResult& result) {
    FileState& file = m_files[size_t(result.index)];
    file.done = true;
    file.result = result;
    reportInOrder();
}

void InstallRun::reportInOrder() {
    while (m_front < m_files.size() && m_files[m_front].done) {
        report(m_files[m_front], m_records[m_front]);
        ++m_front;
    }
    if (m_front < m_files.size())
        showFront();
    showTotal();
}

void InstallRun::report(FileState& file, const filelist::TFileRecord& record) {
    const InstallResult& result = *file.result;
    if (result.installed) {
        m_s.recordPrevious(record);
        return;
    }
    if (result.diskFull)
        m_s.reportDiskFull(result.bytesNeeded, result.bytesFree);
    m_s.fileFailed(record.Name, result.reason);
    if (file.task)
        m_updater.abandon(*file.task);
}

void InstallRun::showFront() {
    const FileState& file = m_files[m_front];
    const QString status =
        m_s.text(file.unpacking ? startup::TextEntry::UnpackingPrefix : startup::TextEntry::DownloadingPrefix) +
        m_records[m_front].Name;
    if (status != m_status) {
        m_status = status;
        m_s.view.setStatusText(status);
    }
    if (file.length > 0)
        m_s.view.setFileProgress(file.received, file.length);
    else
        m_s.view.setFileProgress(0, file.length);
}

void InstallRun::showTotal() {
    // Every file counts by its size: a finished one whole, one in flight by its share of bytes.
    double done = 0;
    double all = 0;
    for (const FileState& file : m_files) {
        all += double(file.weight);
        if (file.done)
            done += double(file.weight);
        else if (file.length > 0)
            done += double(file.weight) * double(file.received) / double(file.length);
    }
    m_s.view.setTotalProgress(qint64(done), qint64(all));
    const int percent = all > 0 ? int(done * 100 / all) : 100;
    if (percent != m_totalPercent) {
        m_totalPercent = percent;
        m_s.view.setTotalText(m_s.text(startup::TextEntry::TotalPrefix) + QString::number(percent) +
                              QStringLiteral("%"));
    }
}

} // namespace kaldoria::update
