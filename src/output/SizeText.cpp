#include "output/SizeText.h"

#include <fmt/format.h>

namespace salvonix {

std::string sizeText(uint64_t bytes) {
  const double value = static_cast<double>(bytes);
  if (bytes < 1048576) return fmt::format("{:0.2f} KB", value / 1024.0);
  if (bytes < 1073741824) return fmt::format("{:0.2f} MB", value / 1048576.0);
  return fmt::format("{:0.2f} GB", value / 1073741824.0);
}

}  // namespace salvonix
