#include "ui/mainwindow/ShownTextTranslator.h"

#include <QRegularExpression>

namespace kaldoria::mainwindow {

namespace {

using startup::TextEntry;

// The texts that status lines and the total label are made of.
constexpr TextEntry kStatusTexts[] = {
    TextEntry::UnpackingPrefix, TextEntry::CheckedPrefix,     TextEntry::NothingToUpdate, TextEntry::DownloadingPrefix,
    TextEntry::UpdateFinished,  TextEntry::FullCheckFinished, TextEntry::FetchingList,    TextEntry::NoUpdateServer,
    TextEntry::NoGameServer,    TextEntry::GameServerSilent,  TextEntry::TotalPrefix,     TextEntry::FilesFailed,
    TextEntry::DiskFull,
};

const QString kPlaceholders[] = {QStringLiteral("%1"), QStringLiteral("%2")};

// A pattern that matches `text` with anything in place of its placeholders and anything
// after it; the placeholders' values are captured in their order in `text`.
QRegularExpression patternOf(const QString& text, QList<int>& placeholderOrder) {
    QString pattern = QRegularExpression::escape(text);
    // Escaping leaves the digits and puts a backslash before "%".
    static const QRegularExpression escaped(QStringLiteral(R"(\\%([12]))"));
    QRegularExpressionMatchIterator it = escaped.globalMatch(pattern);
    while (it.hasNext())
        placeholderOrder << it.next().captured(1).toInt();
    pattern.replace(escaped, QStringLiteral("(.*?)"));
    return QRegularExpression(QStringLiteral("^") + pattern + QStringLiteral("(.*)$"),
                              QRegularExpression::DotMatchesEverythingOption);
}

} // namespace

QString ShownTextTranslator::translate(const QString& shown) const {
    QString best;
    qsizetype bestLength = -1;
    for (const TextEntry entry : kStatusTexts) {
        const QString& before = m_previous.at(static_cast<size_t>(entry));
        if (before.isEmpty() || before.size() <= bestLength)
            continue;
        QList<int> order;
        const QRegularExpressionMatch match = patternOf(before, order).match(shown);
        if (!match.hasMatch())
            continue;
        QString now = startup::interfaceText(entry);
        if (now.isEmpty())
            now = before;
        for (qsizetype i = 0; i < order.size(); ++i)
            now.replace(kPlaceholders[order.at(i) - 1], match.captured(static_cast<int>(i) + 1));
        best = now + match.captured(static_cast<int>(order.size()) + 1);
        bestLength = before.size();
    }
    return bestLength < 0 ? shown : best;
}

} // namespace kaldoria::mainwindow
