#include "startup/InterfaceTexts.h"

namespace kaldoria::startup {

std::array<QString, 101> InterfaceTexts;

QString interfaceText(TextEntry entry) {
    return InterfaceTexts.at(static_cast<size_t>(entry));
}

QString interfaceTextOrDefault(TextEntry entry) {
    const QString configured = interfaceText(entry);
    if (!configured.isEmpty())
        return configured;
    switch (entry) {
    case TextEntry::OkButton:
        return QStringLiteral("Ok");
    case TextEntry::AutomaticProxy:
        return QStringLiteral("Auto");
    case TextEntry::DiskHdd:
        return QStringLiteral("HDD");
    case TextEntry::DiskSsd:
        return QStringLiteral("SSD");
    case TextEntry::CheckHard:
        return QStringLiteral("Hard: MD5 Hash");
    case TextEntry::CheckMedium:
        return QStringLiteral("Medium: Size & Date");
    case TextEntry::CheckLight:
        return QStringLiteral("Light: Previous List");
    case TextEntry::NewsPlaceholder:
        return QStringLiteral("News");
    case TextEntry::RetryButton:
        return QStringLiteral("Retry");
    case TextEntry::RateLimitLabel:
        return QStringLiteral("Download limit");
    case TextEntry::NoRateLimit:
        return QStringLiteral("Unlimited");
    default:
        return QString();
    }
}

} // namespace kaldoria::startup
