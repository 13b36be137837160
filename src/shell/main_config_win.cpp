// The main window's settings in the configuration file: the web settings,
// the layout and every camera's records.
#include "shell/main_dlg_win.h"

bool MainDlg::SaveConfig() {
  const std::string path = services_.configPath.empty() ? ConfigPath() : services_.configPath;
  return SaveConfigFile(path, web_, layout_, grid_.Records(), dialog_, services_.messageBox);
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
  const ConfigLoad result = LoadConfigFile(path, web_, layout_, rebuild, dialog_, services_.messageBox);
  grid_.Start(loaded);
  // The program ends once its initialisation returns.
  if (result == ConfigLoad::kFailed) PostQuitMessage(0);
  return result;
}
