#pragma once
// The camera settings' font records as Win32 fonts.

#include <windows.h>

#include "common/scoped_handle_win.h"
#include "engine/cam_settings.h"

// The record as a LOGFONTA, its face name cut to end within the record.
LOGFONTA ToLogFont(const FontRecord& record);
FontRecord ToFontRecord(const LOGFONTA& font);
ScopedFont CreateSettingsFont(const FontRecord& record);
