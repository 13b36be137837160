#pragma once
// The camera setup dialog's seven pages: the working copy's fields shown in
// their controls and read back from them. Knows the pages' controls, not
// the dialog or the camera.

#include <windows.h>

#include "engine/cam_settings.h"
#include "engine/camera_identity.h"
#include "engine/recording_extras.h"
#include "events/alert_settings.h"
#include "framework/tabs_win.h"

class SetupPages {
 public:
  explicit SetupPages(const Tabs& tabs) : tabs_(tabs) {}

  // Once, after the pages are made: the choices of the drop-down lists.
  void FillLists() const;
  // The settings and extras into every page; the schedule pickers start
  // empty and disabled until a day is chosen.
  // `number` is the camera's in the grid, for its default name.
  void Show(const CamSettings& s, const RecordingExtras& extras, const CameraIdentity& identity, int number,
            const CameraAlerts& alerts) const;
  // Every page into the settings; the pickers into the times of
  // scheduleDay (0 to 7; none for another value).
  void Read(CamSettings& s, int scheduleDay) const;
  RecordingExtras ReadExtras() const;
  CameraIdentity ReadIdentity(int number) const;
  // As typed: the cool-down may be out of range.
  CameraAlerts ReadAlerts() const;
  // The schedule page alone, as Read does it.
  void ReadSchedule(CamSettings& s, int scheduleDay) const;
  // The pickers show and edit the times of that day.
  void ShowScheduleDay(const CamSettings& s, int scheduleDay) const;
  // Gives the save path the extension of the chosen format.
  void SetPathExtension(bool mjpeg) const;
  bool SaveAsMjpegChecked() const;
  // The camera's own path in place of the fresh camera's (camera_paths.h).
  void GiveOwnPath(int number) const;
  // The page comes forward with the control focused.
  void Focus(int page, int controlId) const;

 private:
  HWND Item(int page, int controlId) const { return tabs_.GetPageItem(page, controlId); }
  void ShowRecording(const CamSettings& s, const RecordingExtras& extras) const;
  void ShowSchedule(const CamSettings& s) const;
  void ShowModify(const CamSettings& s) const;
  void ShowOverlay(const CamSettings& s) const;
  void ShowMotion(const CamSettings& s) const;
  void ShowDevice(const CamSettings& s, const CameraIdentity& identity, int number) const;
  void ShowAlerts(const CameraAlerts& alerts) const;
  void ReadRecording(CamSettings& s) const;
  void ReadModify(CamSettings& s) const;
  void ReadOverlay(CamSettings& s) const;
  void ReadMotion(CamSettings& s) const;
  void ReadDevice(CamSettings& s) const;

  const Tabs& tabs_;
};
