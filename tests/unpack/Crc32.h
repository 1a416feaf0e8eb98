#pragma once

#include <QByteArray>

// The CRC-32 of ZIP and RAR (reflected polynomial 0xEDB88320), for the crafted archives.
quint32 crc32(const QByteArray& data);
