#pragma once
// Keeping cameras' recordings apart: every camera starts from the same
// recording path, so a camera that gets a source while it still has that
// path is given one of its own, and two paths are compared as Windows
// compares file names.

#include <string_view>

#include "engine/cam_settings.h"

// When `settings.savePath` is still the fresh camera's path (in either
// extension), replaces it with the camera's own, for camera 2
// "C:\Cameras\Camera 2\%Y-%m-%d\camera2.mjpg", and returns true; a
// path the user set is left alone.
bool GiveOwnDefaultPath(CamSettings& settings, int number);

// True when two expanded paths name the same file: letters in either case,
// '/' and '\' alike.
bool SameRecordingFile(std::string_view a, std::string_view b);
