#include "drives/DriveRecord.h"

namespace salvonix {

std::string DriveRecord::text(std::string_view key, std::string_view fallback) const {
  const auto found = values_.find(key);
  if (found == values_.end()) return std::string(fallback);
  if (const auto* text = std::get_if<std::string>(&found->second)) return *text;
  return std::string(fallback);
}

std::optional<uint64_t> DriveRecord::number(std::string_view key) const {
  const auto found = values_.find(key);
  if (found == values_.end()) return std::nullopt;
  if (const auto* number = std::get_if<uint64_t>(&found->second)) return *number;
  return std::nullopt;
}

nlohmann::json toJson(const DriveRecord& record) {
  nlohmann::json json = nlohmann::json::object();
  for (const auto& [key, value] : record.values())
    std::visit([&, &key = key](const auto& v) { json[key] = v; }, value);
  return json;
}

}  // namespace salvonix
