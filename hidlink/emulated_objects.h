// The Windows objects behind the handles of a platform that has none of its
// own (the simulated machine, Linux hidraw): device-information sets, open
// devices and read events, kept in one table so that every such platform
// hands out, looks up and closes them alike.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "hidlink/platform.h"

namespace ql::hidlink {

// Member: what a device-information set records of each interface in it.
// Device: the platform's record of an open device handle.
// EventFields: whatever else the platform keeps on a read event.
template <typename Member, typename Device, typename EventFields>
class EmulatedObjects {
 public:
  struct PendingRead {
    Handle device;
    std::span<std::uint8_t> buffer;
  };
  struct EventObject : EventFields {
    bool signalled = true;
    std::optional<PendingRead> pending;
  };
  struct Object {
    enum class Kind { kDeviceInfoSet, kDevice, kEvent } kind;
    std::vector<Member> members;  // device-information set
    Device device{};
    EventObject event{};
  };
  using Kind = typename Object::Kind;

  // Handle values step by 4, as Windows ones do, from where the platform
  // wants its trace to start.
  explicit EmulatedObjects(Handle first) : next_(first) {}

  Handle NewHandle(Object object) {
    const Handle h = next_;
    next_ += 4;
    objects_.emplace(h, std::move(object));
    return h;
  }

  Object* Find(Handle handle, Kind kind) {
    auto it = objects_.find(handle);
    return (it != objects_.end() && it->second.kind == kind) ? &it->second : nullptr;
  }

  // False when `set` names no open device-information set.
  bool DestroySet(Handle set) {
    if (!Find(set, Kind::kDeviceInfoSet)) return false;
    objects_.erase(set);
    return true;
  }

  // Closes a device or event handle and hands back what it named, so the
  // platform can release its own resources; nothing when it names neither.
  std::optional<Object> Close(Handle handle) {
    auto it = objects_.find(handle);
    if (it == objects_.end() || it->second.kind == Kind::kDeviceInfoSet) return std::nullopt;
    if (it->second.kind == Kind::kDevice) DropPendingReadsOn(handle);
    std::optional<Object> closed = std::move(it->second);
    objects_.erase(it);
    return closed;
  }

  // A dropped read never writes into its buffer again.
  template <typename Predicate>
  void DropPendingReadsIf(Predicate onDevice) {
    for (auto& [handle, object] : objects_)
      if (object.kind == Kind::kEvent && object.event.pending &&
          onDevice(object.event.pending->device))
        object.event.pending.reset();
  }
  void DropPendingReadsOn(Handle device) {
    DropPendingReadsIf([device](Handle reader) { return reader == device; });
  }

  auto begin() { return objects_.begin(); }
  auto end() { return objects_.end(); }

 private:
  Handle next_;
  std::map<Handle, Object> objects_;
};

}  // namespace ql::hidlink
