#pragma once

#include <QByteArray>
#include <QString>

// The words and limits of the manifest's text form, shared by its writer and its reader.
namespace kaldoria::trust::manifest_text {

inline constexpr char kHeader[] = "kaldoria-manifest";
inline constexpr char kSerial[] = "serial";
inline constexpr char kExpires[] = "expires";
inline constexpr char kList[] = "list";
inline constexpr char kFile[] = "file";
inline constexpr char kIndex[] = "index";
inline constexpr char kNextKey[] = "next-key";
inline constexpr char kSigner[] = "signer";
inline constexpr char kSignature[] = "signature";

// A manifest names every file of a client: tens of thousands of lines of under 300 bytes.
inline constexpr qsizetype kSizeLimit = qsizetype(32) * 1024 * 1024;
inline constexpr qsizetype kLineLimit = 4096;
inline constexpr qsizetype kNextKeyLimit = 16;

// Whether a list name can stand in a manifest line: not empty or blank, no "|" (the list's
// field separator) and no control character (a line end would split the record).
bool isWritableName(const QString& name);

} // namespace kaldoria::trust::manifest_text
