#pragma once
// The 256 device entries of the main window; row i of the device list always shows entry i.
#include <array>
#include <cstddef>
#include <memory>
#include <optional>

#include "device/DeviceRecord.h"
#include "device/ReadoutProgress.h"

namespace tavrel {

class DeviceTable {
public:
    static constexpr std::size_t kCapacity = 256;

    DeviceTable();
    DeviceRecord& operator[](std::size_t i) { return (*entries_)[i]; }
    const DeviceRecord& operator[](std::size_t i) const { return (*entries_)[i]; }
    std::size_t size() const { return kCapacity; }
    // How far entry i's read-out has come; kept beside the record, cleared with it.
    ReadoutProgress& progress(std::size_t i) { return (*progress_)[i]; }
    const ReadoutProgress& progress(std::size_t i) const { return (*progress_)[i]; }

    // A new search starts from clean entries, so no device shows another one's leftovers.
    void clear();
    // Entries in use are contiguous from index 0.
    std::size_t usedCount() const;
    // The entry in use whose key matches.
    std::optional<std::size_t> findByKey(const DeviceKey& key) const;
    // The entry a reply with this key belongs to: the matching entry in use, else the first free
    // one; nothing when the table is full and the key is unknown.
    std::optional<std::size_t> entryForReply(const DeviceKey& key) const;

private:
    // Heap-held: 256 records with their configuration images are about 450 KiB.
    std::unique_ptr<std::array<DeviceRecord, kCapacity>> entries_;
    std::unique_ptr<std::array<ReadoutProgress, kCapacity>> progress_;
};

}  // namespace tavrel
