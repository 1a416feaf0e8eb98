#pragma once

#include "trust/ManifestData.h"
#include "trust/ParsedManifest.h"
#include "trust/Result.h"
#include "trust/SigningKey.h"
#include "trust/TrustedKey.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <vector>

namespace kaldoria::trust {

// The signed manifest "updater.sig" that an update server serves beside "updater.lst.kdz".
//
// Text form: UTF-8, one record per line, each line ended by a single LF, a keyword and its
// fields separated by single spaces, in exactly this order:
//
//   kaldoria-manifest 2                    format version: 1, or 2 when index lines follow
//   serial 1718000000                      decimal, no leading zeros
//   expires 1720592000                     decimal seconds since 1970 UTC
//   list <sha256>                          the unpacked list
//   file <packed sha256> <sha256> <name>   zero or more; the name is the rest of the line
//   index <sha256> <name>                  zero or more: a file's chunk index (version 2)
//   next-key <base64 public key>           zero or more (at most 16)
//   signer <base64 public key>             the key that signed
//   signature <base64 signature>           Ed25519 over every byte before this line
//
// Digests are 64 lower-case hexadecimal digits; keys are the 32 raw bytes of an Ed25519
// public key and signatures its 64 bytes, both in standard padded base64. Nothing may
// follow the signature line. The reader refuses anything else with a reason: an unknown or
// misplaced keyword, a repeated record, a missing one, a malformed field, a name given
// twice, an index of a name no file line gives, a line longer than 4096 bytes or a manifest
// larger than 32 MiB. The writer uses version 1 unless some file has an index.
//
// How a launcher uses it: parse() the fetched bytes, verify() them against the keys it
// trusts, refuse data.expiredAt(now) and a serial below the highest accepted before, then
// compare the SHA-256 of the unpacked list with data.list and of each packed and extracted
// file with its entry in data.filesByName(), and of a chunk index with the entry's index
// (no index there: the server's index is not to be used). When data.nextKeys is not
// empty, the next manifest is to be verified against those keys.
class SignedManifest {
public:
    static constexpr const char* kFileName = "updater.sig";

    // The text form of `data`, signed with `key`; the reason when the data cannot be
    // written (a name the format cannot hold, a name given twice, a negative number).
    static Result<QByteArray> serialize(const ManifestData& data, const SigningKey& key);

    // Reads the text form strictly; the reason names the line and what is wrong with it.
    // Checks the form only, not the signature.
    static Result<ParsedManifest> parse(QByteArrayView bytes);

    // Whether `parsed` was signed by one of `trusted`: empty when so, else the reason (the
    // signer is not trusted, or the signature does not match the signed bytes).
    static QString verify(const ParsedManifest& parsed, const std::vector<TrustedKey>& trusted);
};

} // namespace kaldoria::trust
