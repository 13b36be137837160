#include "engine/camera_identity.h"

#include <algorithm>

#include "common/fixed_text.h"
#include "engine/cell_text.h"

CameraIdentity ClampCameraIdentity(CameraIdentity identity) {
  identity.name[kCameraNameSize - 1] = '\0';
  identity.hideLabel = identity.hideLabel != 0;
  return identity;
}

std::string CameraName(const CameraIdentity& identity, int number) {
  const char* end = std::find(identity.name, identity.name + kCameraNameSize, '\0');
  const std::string_view own(identity.name, static_cast<size_t>(end - identity.name));
  return own.empty() ? CameraTitle(number) : std::string(own);
}

void SetCameraName(CameraIdentity& identity, std::string_view typed, int number) {
  const size_t first = typed.find_first_not_of(" \t");
  typed = typed.substr(first == std::string_view::npos ? typed.size() : first);
  typed = typed.substr(0, typed.find_last_not_of(" \t") + 1);
  if (typed == CameraTitle(number)) typed.remove_suffix(typed.size());
  CopyText(identity.name, typed);
}
