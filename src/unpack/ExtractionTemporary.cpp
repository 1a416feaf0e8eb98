#include "ExtractionTemporary.h"

#include <QFileInfo>
#include <QRandomGenerator>

namespace kaldoria::unpack {

namespace {
const QString kSuffix = QStringLiteral(".kaldoria-part");
} // namespace

QString ExtractionTemporary::nameBeside(const QString& target) {
    return QFileInfo(target).path() + QStringLiteral("/.") +
           QString::number(QRandomGenerator::global()->generate64(), 36) + kSuffix;
}

bool ExtractionTemporary::matches(const QString& fileName) {
    return fileName.startsWith(QLatin1Char('.')) && fileName.endsWith(kSuffix) && fileName.size() > kSuffix.size() + 1;
}

} // namespace kaldoria::unpack
