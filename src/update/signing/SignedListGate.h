#pragma once

#include "update/WorkflowState.h"

#include <QString>

namespace kaldoria::update {

// The step of the update cycle that lets a launcher which trusts keys use a server's list only
// under a signed manifest: fetches "updater.sig" from where the list came from, checks it
// against the unpacked list and the state kept in the work folder, keeps the new state, and
// hands the manifest's files to the install step.
class SignedListGate {
public:
    explicit SignedListGate(WorkflowState& state) : m_s(state) {}

    // Checks the list unpacked at `listPath`; the reason when it is refused (the state then
    // stays as it was and the install step gets no files).
    QString accept(const QString& listPath);

private:
    // The manifest's bytes, or the reason they could not be had.
    trust::Result<QByteArray> fetchManifest();

    WorkflowState& m_s;
};

} // namespace kaldoria::update
