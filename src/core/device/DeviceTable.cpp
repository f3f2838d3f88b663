#include "device/DeviceTable.h"

namespace tavrel {

DeviceTable::DeviceTable()
    : entries_(std::make_unique<std::array<DeviceRecord, kCapacity>>()),
      progress_(std::make_unique<std::array<ReadoutProgress, kCapacity>>()) {}

void DeviceTable::clear() {
    for (auto& e : *entries_) e = DeviceRecord{};
    for (auto& p : *progress_) p = ReadoutProgress{};
}

std::size_t DeviceTable::usedCount() const {
    std::size_t n = 0;
    while (n < kCapacity && (*entries_)[n].inUse == 1) ++n;
    return n;
}

std::optional<std::size_t> DeviceTable::findByKey(const DeviceKey& key) const {
    for (std::size_t i = 0; i < kCapacity && (*entries_)[i].inUse == 1; ++i) {
        if ((*entries_)[i].key == key) return i;
    }
    return std::nullopt;
}

std::optional<std::size_t> DeviceTable::entryForReply(const DeviceKey& key) const {
    if (auto found = findByKey(key)) return found;
    std::size_t free = usedCount();
    if (free < kCapacity) return free;
    return std::nullopt;
}

}  // namespace tavrel
