#include "convert/messages.h"

namespace morvane {

std::string OverCapacityMessage(std::string_view heading, std::int32_t count, std::int32_t capacity) {
  std::string text = "Can not convert source file: ";
  text += heading;
  text += " holds ";
  text += std::to_string(count);
  text += " clips, more than ";
  text += std::to_string(capacity);
  return text;
}

std::string KeptMessage(std::string_view path) {
  std::string text(path);
  text += " exists; kept it";
  return text;
}

std::string CompletionMessage(std::string_view sourcePath, std::string_view destinationPath) {
  std::string text = "conversion completed\nfrom : ";
  text += sourcePath;
  text += "\n   to : ";
  text += destinationPath;
  return text;
}

}  // namespace morvane
