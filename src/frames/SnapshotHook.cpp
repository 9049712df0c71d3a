#include "frames/SnapshotHook.h"

#include <atomic>

namespace {
std::atomic<SaveSnapshotFunction> installed{nullptr};
}  // namespace

SaveSnapshotFunction SetSaveSnapshot(SaveSnapshotFunction function) {
    return installed.exchange(function);
}

SaveSnapshotFunction GetSaveSnapshot() {
    return installed.load();
}
