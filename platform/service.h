// How every service of the operating system is reached: through one
// accessor that gives the native implementation, unless a test has put
// another in its place for the life of a ScopedService. So tests can fail
// any file operation, process start or settings write, and run the layers
// above without real files or processes.
#pragma once

namespace platform {

template <typename Service>
class ScopedService;

template <typename Service>
class ServiceSlot {
 public:
  static Service& Get(Service& native) {
    return replacement_ != nullptr ? *replacement_ : native;
  }

 private:
  friend class ScopedService<Service>;
  // Null while the native implementation is in use.
  static inline Service* replacement_ = nullptr;
};

// Puts `replacement` in place of the current implementation of Service for
// the life of this object. Tests only, and never while another thread uses
// the service.
template <typename Service>
class ScopedService {
 public:
  explicit ScopedService(Service& replacement) : previous_(ServiceSlot<Service>::replacement_) {
    ServiceSlot<Service>::replacement_ = &replacement;
  }
  ~ScopedService() { ServiceSlot<Service>::replacement_ = previous_; }
  ScopedService(const ScopedService&) = delete;
  ScopedService& operator=(const ScopedService&) = delete;

 private:
  Service* previous_;
};

}  // namespace platform
