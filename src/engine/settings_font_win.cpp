#include "engine/settings_font_win.h"

#include <cstddef>
#include <cstring>

// The record is stored as Win32 lays out a LOGFONTA, so it is copied as it is.
static_assert(sizeof(FontRecord) == sizeof(LOGFONTA));
static_assert(offsetof(FontRecord, faceName) == offsetof(LOGFONTA, lfFaceName));
static_assert(offsetof(FontRecord, pitchAndFamily) == offsetof(LOGFONTA, lfPitchAndFamily));

LOGFONTA ToLogFont(const FontRecord& record) {
  LOGFONTA font;
  std::memcpy(&font, &record, sizeof font);
  // A stored face name without its NUL must not run past the record.
  font.lfFaceName[sizeof font.lfFaceName - 1] = '\0';
  return font;
}

FontRecord ToFontRecord(const LOGFONTA& font) {
  FontRecord record;
  std::memcpy(&record, &font, sizeof record);
  return record;
}

ScopedFont CreateSettingsFont(const FontRecord& record) {
  const LOGFONTA font = ToLogFont(record);
  return ScopedFont(CreateFontIndirectA(&font));
}
