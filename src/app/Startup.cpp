#include "app/Startup.h"

#include "startup/ProcessValues.h"

#include <QBuffer>

namespace kaldoria::app {

using namespace kaldoria::startup;

Startup::Startup(const QStringList& arguments) : m_arguments(arguments) {}

Startup::~Startup() = default;

Startup::Outcome Startup::run() {
    if (!m_arguments.isEmpty() && m_arguments.first().toLower() == u"-debug")
        DebugMode = true;

    m_log = std::make_unique<tDebugFile>(QStringLiteral("log.err"));
    m_log->enabled = DebugMode;

    m_configData = std::make_unique<tConfigData>();
    m_log->WriteErr(QStringLiteral("config created"));
    m_configData->debug_file = m_log.get();

    m_skinConfig = std::make_unique<skin::TkucConfig>();
    readConfiguration();
    if (m_skinReadResult != skin::SkinReadResult::Ok)
        return Outcome::SkinUnreadable;

    if (!m_configData->Config.Instance.isEmpty())
        InstanceName = m_configData->Config.Instance;

    m_singleInstance = std::make_unique<platform::SingleInstance>(InstanceName);
    if (!m_singleInstance->claim())
        return Outcome::AnotherCopyRunning;
    return Outcome::Continue;
}

// The package becomes the configuration stream; the two skin readers take their blocks
// from its front and the parser reads the text after them. A damaged skin block leaves
// the rest of the stream unplaced, so nothing after it is read.
void Startup::readConfiguration() {
    QBuffer stream;
    stream.open(QIODevice::ReadWrite);
    m_configData->LoadConfig(stream);
    stream.seek(0);
    m_skinReadResult = m_skinConfig->LoadWindows(stream);
    if (m_skinReadResult != skin::SkinReadResult::Ok) {
        m_log->WriteErr(skin::skinReadResultText(m_skinReadResult));
        return;
    }
    m_configData->ParseConfig(stream);
}

bool Startup::skinLoaded() const {
    return m_skinConfig && m_skinConfig->MainWindow.BackGroundImage.image.width() > 0;
}

} // namespace kaldoria::app
