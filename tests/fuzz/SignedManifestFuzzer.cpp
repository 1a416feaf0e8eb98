// Fuzz target for the signed manifest reader: any bytes either are refused with a reason or
// read into data that, written again, reads back the same, with the signed bytes being
// exactly what stands before the signature line.
#include "trust/SignedManifest.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace kaldoria::trust;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const SigningKey key = SigningKey::generate().value();
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const Result<ParsedManifest> parsed = SignedManifest::parse(bytes);
    if (!parsed.ok()) {
        if (parsed.error().isEmpty())
            std::abort();
        return 0;
    }
    const ParsedManifest& manifest = parsed.value();
    if (!bytes.startsWith(manifest.signedBytes) || manifest.signature.size() != 64 ||
        !bytes.sliced(manifest.signedBytes.size()).startsWith("signature "))
        std::abort();
    const Result<QByteArray> written = SignedManifest::serialize(manifest.data, key);
    if (!written.ok())
        std::abort();
    const Result<ParsedManifest> again = SignedManifest::parse(written.value());
    if (!again.ok() || !(again.value().data == manifest.data) ||
        !SignedManifest::verify(again.value(), {key.publicKey()}).isEmpty())
        std::abort();
    return 0;
}
