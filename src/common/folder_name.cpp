#include "common/folder_name.h"

bool IsDotsAndBlanks(std::string_view component) {
  return !component.empty() && component.find_first_not_of(". ") == std::string_view::npos;
}
