#include <string>
#include <string_view>

#include "platform/process.h"

namespace platform {

void KeepOutputTail(std::string& tail, std::string_view bytes) {
  if (bytes.size() >= kOutputTailCapacity) {
    tail.assign(bytes.substr(bytes.size() - kOutputTailCapacity));
    return;
  }
  tail.append(bytes);
  if (tail.size() > kOutputTailCapacity) tail.erase(0, tail.size() - kOutputTailCapacity);
}

}  // namespace platform
