// The main window's settings in the configuration file: the web settings,
// the alert servers, the layout and every camera's records.
#include "shell/main_dlg_win.h"

bool MainDlg::SaveConfig() {
  const std::string path = services_.configPath.empty() ? ConfigPath() : services_.configPath;
  return SaveConfigFile(path, web_, layout_, grid_.Records(), dialog_, services_.messageBox, nullptr, &webSecurity_,
                        &alertServers_);
}

ConfigLoad MainDlg::LoadConfig() {
  const std::string path = services_.configPath.empty() ? ConfigPath() : services_.configPath;
  std::vector<CameraRecords> loaded;
  const RebuildForLayout rebuild = [this, &loaded](const GridLayout& layout) -> std::vector<CameraRecords>& {
    layout_ = layout;
    grid_.Rebuild();
    loaded = grid_.Records();
    return loaded;
  };
  std::string damagedKeptAs;
  const ConfigLoad result = LoadConfigFile(path, web_, layout_, rebuild, dialog_, services_.messageBox, &damagedKeptAs,
                                           &webSecurity_, &alertServers_);
  grid_.Start(loaded);
  if (result == ConfigLoad::kRestored) {
    // No box: a program started with Windows must go on recording unattended.
    tray_.ShowBalloon("Settings Restored",
                      "The settings file was damaged.\nVorrandale started with the last good one.");
    settingsNote_ = "Settings: the settings file was damaged at start-up; the last good settings (" +
                    ConfigBackupPath(path) + ") were loaded and the damaged file kept as " + damagedKeptAs + ".";
  }
  // The program ends once its initialisation returns.
  if (result == ConfigLoad::kFailed) PostQuitMessage(0);
  return result;
}
