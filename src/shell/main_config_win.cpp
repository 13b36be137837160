// The main window's settings in the configuration file: the web settings,
// the alert servers, the layout and every camera's records.
#include <algorithm>

#include "net/host_names_win.h"
#include "shell/main_dlg_win.h"

namespace {
// A motion event lasts at least this long after its last motion, however
// quickly the camera's recording countdown runs out.
constexpr int64_t kShortestMotionEventMs = 1000;
}  // namespace

bool MainDlg::SaveConfig() {
  // Every change of the settings ends here: the events follow it.
  ApplyEvents();
  const std::string path = services_.configPath.empty() ? ConfigPath() : services_.configPath;
  return SaveConfigFile(path, web_, layout_, grid_.Records(), dialog_, services_.messageBox, nullptr, &webSecurity_,
                        &alertServers_);
}

void MainDlg::ApplyEvents() {
  if (!events_) {
    events_ = std::make_unique<ProgramEvents>(services_.configPath.empty() ? ConfigPath() : services_.configPath);
    webServer_.SetEventStore(events_->StorePath());
  }
  std::vector<EventCamera> cameras;
  for (const auto& camera : grid_.Cameras()) {
    const CamSettings& settings = camera->Settings();
    const int64_t hold = (int64_t{std::max(settings.saveCount, 0)} + 1) * std::max(settings.saveInterval, 1);
    cameras.push_back({camera->Number(), camera->Identity().name, grid_.Alerts(*camera),
                       std::max<int64_t>(hold, kShortestMotionEventMs), camera->Extras().keepDays,
                       camera->Worker().Slot()});
  }
  std::string pictureBase;
  if (web_.webEnabled) {
    const std::vector<std::string> addresses = NetworkAddresses();
    pictureBase = std::string(webSecurity_.useHttps ? "https://" : "http://") +
                  (addresses.empty() ? std::string("127.0.0.1") : addresses.front()) + ":" +
                  std::to_string(web_.listenPort) + "/";
  }
  events_->Apply(alertServers_, std::move(cameras), pictureBase);
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
